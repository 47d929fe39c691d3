#pragma once
// cJobProcs: the component's class of job-database operations. It is also the application
// object: Default() is the one instance that serves calls made without an instance of their own.
//
// Every member is passed its arguments by reference, as the automation interface passes them;
// a member's result, where it has one, is its return value. Errors reach the caller as
// nrx::Error with the number first raised and the member's label as source (error_convention.h).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "nrxJobDb/component_object.h"
#include "nrxJobDb/engine.h"
#include "nrxJobDb/error_log.h"
#include "nrxJobDb/export.h"
#include "nrxJobDb/job_model.h"
#include "nrxJobDb/ls_preferences.h"
#include "nrxJobDb/table_catalogue.h"
#include "nrxJobDb/variant.h"

namespace nrx {

class NRXJOBDB_API cJobProcs : public ComponentObject {
 public:
  static constexpr std::string_view kClassName = "cJobProcs";

  // Sets ClassActive and builds the table catalogue. A failure is raised with the label
  // "(Class Module) cJobProcs::Sub Class_Initialize".
  cJobProcs();
  // Clears the catalogue and ClassActive. A failure is recorded on the error stack under
  // "(Class Module) cJobProcs::Sub Class_Terminate" but cannot reach anyone.
  ~cJobProcs() override;

  // The application object's instance, made (with its catalogue) on first use.
  static const std::shared_ptr<cJobProcs>& Default();

  // Does nothing.
  void SetBlank();

  // Superseded by NewFieldValue, which takes the same arguments: does nothing and changes none
  // of them.
  void NewTableField_OLD(const DatabasePtr& jobDB, const RecordsetPtr& currentTable,
                         const std::string& tableName, const std::string& fieldName,
                         std::int16_t fieldType, std::int16_t fieldSiz, const Variant& newValue,
                         const model::JobGeneralPtr& jobGeneral, bool* fieldAdded = nullptr);

  // Sets `desc` to "Changed it!!"; the caller sees its own variable changed.
  void TestChange(std::string& desc);

  // Makes sure the table `tableName` exists in `jobDB`, creating it from the catalogue when it
  // does not: its fields in list order, then its indexes. Names, prefixes (followed by a
  // traverse or data-set number) and index names come from the table-names object; a name that
  // names no catalogue table creates nothing. `tableExists` tells whether the table was already
  // there; with `exitIfNotExist` only that is found out. On 3043 or 3049 the file `jobDBname`
  // is handed to the engine's repair and the user is told to reopen and compact the job; the
  // caller still receives the error.
  void CreateJobDBTable(const DatabasePtr& jobDB, const std::string& tableName,
                        const std::string& jobDBname, bool* tableExists = nullptr,
                        bool exitIfNotExist = false);

  // Gives `fieldName` the value `newValue` in every record of `currentTable`, when the table has
  // records and the field of its first record is Empty or Null; each record written counts one
  // change on `jobGeneral`. Sets `valueAdded` True when it wrote, and leaves the recordset on
  // its first record. jobDB, tableName, fieldType and fieldSiz are accepted and not used.
  void NewFieldValue(const DatabasePtr& jobDB, const RecordsetPtr& currentTable,
                     const std::string& tableName, const std::string& fieldName,
                     std::int16_t fieldType, std::int16_t fieldSiz, const Variant& newValue,
                     const model::JobGeneralPtr& jobGeneral, bool* valueAdded = nullptr);

  // Renames the field `oldFieldName` of the table `tableName` (both exact, case included). False
  // when the table or the field is not found; an error while they are looked for also gives
  // False. Errors refreshing the tables or setting the name are raised.
  bool RenameField(const DatabasePtr& jobDB, const std::string& tableName,
                   const std::string& oldFieldName, const std::string& newFieldName);

  // Fills the least-squares option fields of an options table that are still empty with the
  // user's preferences, through NewFieldValue: 47 fields, and 5 more for a data set's options
  // table (a name containing the least-squares options prefix).
  void NewLSOptionFieldDefaults(const DatabasePtr& jobDB, const RecordsetPtr& currentTable,
                                const std::string& tableName,
                                const model::LSOptPrefsPtr& LSOptPrefs,
                                const model::JobGeneralPtr& jobGeneral);

  // Opens the job file that `thisJob` names, or creates it empty and encrypted (then
  // `checkFields` comes back False). An existing file is first copied to a temporary copy made
  // in the program's temporary folder, whose name goes to `jobGeneral` (created when Nothing),
  // and is opened exclusively. With `checkFields` the tables are checked against the catalogue;
  // when fields are missing the user is asked (unless the program is not interactive) and, on
  // Yes, the file is copied to J.old (or J.old1, J.old2, ...), a ".MDB" job becomes ".njb", the
  // file is reopened shared and the tables completed. On any other answer `cancelJobOpen` is
  // set and both `jobDB` and `jobWorkspace` come back Nothing. Otherwise the job ends open with
  // one transaction begun on `jobWorkspace`, `errorLog` started (when given) and the change
  // count reset. Error 70 (the job is open elsewhere) tells the user so; 3043 and 3049 have the
  // file repaired, tell the user and close the job; the caller receives the error in every case.
  void OpenJobDB(WorkspacePtr& jobWorkspace, DatabasePtr& jobDB, model::GridPtr& grid,
                 const model::JobPtr& thisJob, const std::shared_ptr<ErrorLog>& errorLog,
                 bool readOnly, model::JobGeneralPtr& jobGeneral, bool& checkFields,
                 const model::ProgramPtr& prog, bool* cancelJobOpen = nullptr);

  // True when each of the first `records` texts of `field` (field[0] is entry 1) that is not
  // blank ends in the digit 0; a trailing blank counts as its last character. Raises 9 when
  // `field` holds fewer than `records` entries.
  bool DecimalsOK(const std::vector<std::string>& field, std::int16_t records);

  // Ends the work on an open job. With changes (and no `forceSave`) the user is asked whether
  // to save: Cancel returns False and leaves everything open; Yes commits the job's
  // transaction, No rolls it back (as does a close without changes). Then every recordset on
  // `jobDB` is closed, the temporary copy is deleted unless it became a backup (after a save,
  // with `useTempBackup`, through BackupJobDB), the change count is reset and `jobDB` and
  // `jobWorkspace` are released. With `jobDB` Nothing only a leftover temporary copy is
  // deleted. A missing transaction (3034) is passed over; any other error releases `grid`,
  // `jobDB` and `jobWorkspace` and is raised.
  bool CloseDBfiles(WorkspacePtr& jobWorkspace, DatabasePtr& jobDB, model::GridPtr& grid,
                    const model::JobGeneralPtr& jobGeneral, bool deleteToRecycleBin,
                    bool forceSave = false, bool useTempBackup = true);

  // Rotates the backups of the job file `jobDBname` (J): J.bak1 and J.bak2, taking over backups
  // of the older names B.~01 and B.~02. A first backup more than 24 clock hours older than J
  // becomes the second; one more than 1 hour older becomes the second only when there is none
  // (else it is discarded); then the temporary copy of `jobGeneral` becomes the first backup
  // when none is left. Discarded files go to the recycle bin with `deleteToRecycleBin` (deleted
  // outright when it refuses them). A rename that fails is told to the user and ends the
  // rotation without an error.
  void BackupJobDB(const std::string& jobDBname, const model::JobGeneralPtr& jobGeneral,
                   bool deleteToRecycleBin);

  // Opens `SELECTclause` on `DB` as a recordset of `rsetType` into `recSet`, or requeries the
  // open `recSet` in place (types other than 1). A table-type recordset is always opened anew,
  // and only when a table of exactly that name (letter case included) exists: otherwise the
  // result is False and `recSet` is left Nothing. A requery that fails is replaced by a new
  // open. True when `recSet` was opened or requeried.
  bool OpenRecordsetSafely(RecordsetPtr& recSet, const DatabasePtr& DB,
                           const std::string& SELECTclause, std::int16_t rsetType = dbOpenTable);

  // Opens `recSet` anew from `recSetQuery` (set to the recordset's name when empty) through
  // OpenRecordsetSafely; does nothing when `recSet` is Nothing.
  void RequeryOrReOpenOnFail(RecordsetPtr& recSet, const DatabasePtr& DB, std::string& recSetQuery,
                             std::int16_t dbOpenType = dbOpenTable);

  // Closes every recordset open on `jobDB`; every object the caller holds on them is closed.
  void CloseRecordSets(const DatabasePtr& jobDB);

  // Verification of recordsets, tables and indexes (src/integrity). Each walks what it is given
  // and reads it. An error met on the way is shown in a box titled by the message title prefix
  // and the member's label (or handed to a VerifyFailureCollector, verify_failures.h) and the
  // walk goes on: none of them raises, and nothing is recorded on the error stack.

  // Reads the recordset's name, record count, field count, flags and field names, moves last
  // and first, then reads "PointNo" and "AlphaID" of each record, failures being passed over
  // silently from the first record on; the recordset ends after its last record. A count above
  // 32767 is error 6. With `DB` the file utility's open-recordset check follows. Returns
  // "VerifyPointRecord completed", or "VerifyPointRecord FAILED - Recordset is Nothing".
  std::string VerifyPointRecord(const RecordsetPtr& pointsRecordset,
                                const DatabasePtr& DB = nullptr);
  // Reads the recordset's name and each field's name, with `doValues` each field's value in the
  // current record too; the position does not change. Always True.
  bool VerifyRecsetFields(const RecordsetPtr& recSet, bool doValues = false);
  // Reads the name and record count of each table definition up to the one named exactly
  // `tableName`, then that table's record count and field names. Always True.
  bool VerifyTableFields(const DatabasePtr& DB, const std::string& tableName);
  // Hands `DB` to the file utility's open-recordset listing, which writes the recordsets open on
  // it to the error log; a database without a name gets the box "Database not open". Always
  // True.
  bool VerifyOpenRecordSets(const DatabasePtr& DB, bool debugPrint = false, bool listAll = false,
                            bool doTableDefs = true);
  // Reads each table's name and indexes (name and fields), passing over the engine's own tables
  // (a name beginning with "MSys", letter case included). Always True.
  bool VerifyTableIndexes(const DatabasePtr& DB);

 private:
  void Class_Initialize() override;
  void Class_Terminate() override;

  // Gives the test suites the private members; defined by the tests only.
  friend struct JobProcsTestAccess;

  // The table catalogue (src/catalogue).
  void SetupTableArrays();
  void SetTableArrayValues(TableFieldList& list, std::int16_t& index, const std::string& fieldName,
                           std::int16_t fieldType, std::int16_t fieldSiz);
  bool FieldsInTable(const TableFieldList& list, const TableDefPtr& tableDef, bool addMissing);
  void ClearTableArrays();

  // The field check (src/catalogue): compares every table of `jobDB` with its catalogue list.
  // Check mode (addMissing False): True when every table reached holds all its fields, stopping
  // at the first that does not. Add mode: appends the missing fields; the result is only that
  // of the last table's comparison. Both modes make sure of the triangles, alpha-ID and
  // least-squares points indexes.
  bool JobTableFields(const DatabasePtr& jobDB, bool addMissing);
  // Makes sure `tableDef` carries the unique index `indexName` on `indexFields` (as written in
  // a CREATE INDEX statement), primary when `makePrimary`; drops an index called "PrimaryKey".
  void CheckTableIndex(const DatabasePtr& jobDB, const TableDefPtr& tableDef,
                       const std::string& indexName, const std::string& indexFields,
                       bool makePrimary);

  TableCatalogue catalogue_;
};

}  // namespace nrx
