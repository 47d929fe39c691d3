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
#include "nrxJobDb/point_entry_model.h"
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

  // --- Data-entry tables and alphanumeric point identifiers (src/entry) ---

  // Opens the least-squares table of `tableType` of the data set `dataSetNo` into `dataTable`,
  // creating it first when it is missing (`tableExists` tells whether it was there). -1 options,
  // 1 to 5 general observations, 6 and 7 3-D observations, 8 coordinate observations, 9 vectors
  // and -2 localisation open as table-type recordsets of prefix & `dataSetNo`. 0 (points of the
  // data set, or `LS_PtsTableName` when `dataSetNo` is empty) and -3 (the unsuffixed points
  // table) open as a dynaset over the least-squares points query naming that table, or over the
  // table itself when the alpha-ID table cannot be counted. Any other code leaves `dataTable`
  // Nothing. 3375 (an index name taken) is passed over; on any other error `dataTable` holds
  // what it held when the error came. `LSOptPrefs` is accepted and not used.
  void OpenDB_LSdata(const std::string& jobPath, const std::string& dataSetNo,
                     const DatabasePtr& jobDB, std::int16_t tableType, RecordsetPtr& dataTable,
                     bool* tableExists = nullptr, const model::LSOptPrefsPtr& LSOptPrefs = nullptr,
                     const std::string& LS_PtsTableName = "");

  // Opens the grid (`coordType` 0) or geographic (1) point-entry header and data tables, created
  // when missing, as table-type recordsets on "PageNo_Index" and "RecordNo_Index". Fields a later
  // version added to the data table get Null in every record when its first record has none.
  // Any other `coordType` raises 5 and creates nothing. Recordsets opened before an error stay
  // in the caller's variables.
  void OpenDBPointEntry(const DatabasePtr& jobDB, const std::string& jobDBname,
                        RecordsetPtr& enterPtsHeader, RecordsetPtr& enterPtsTable,
                        std::int16_t coordType, const model::JobGeneralPtr& jobGeneral);

  // Opens the radiation header and data tables, created when missing, on "PageNo_Index" and
  // "RecordNo_Index". `tableExists` is accepted and neither read nor set.
  void OpenDBRadEntry(const DatabasePtr& jobDB, const std::string& jobDBname,
                      RecordsetPtr& radHeader, RecordsetPtr& radTable,
                      const bool* tableExists = nullptr);

  // Opens the header and data tables of traverse `travNum`, created when missing; afterwards
  // `tableExists` tells whether the data table was there. The header's option fields get the
  // preferences of `LSOptPrefs` and "PtNoPrefix" / "PointDescriptor" their first values where
  // empty; the data table is on "RecordNo_Index", the header on no index. For an existing
  // traverse each non-empty recordset is on its first record with its record count complete.
  void OpenDBTravEntry(const std::string& jobPath, const std::string& travNum,
                       const DatabasePtr& jobDB, RecordsetPtr& travHeader, RecordsetPtr& travTable,
                       bool& tableExists, const model::LSOptPrefsPtr& LSOptPrefs,
                       const model::JobGeneralPtr& jobGeneral);

  // The number of records of the alpha-ID table (exact name), 0 when the job has none. With
  // `testingListAlphas` the table's records are read through once as well; a failure there, or
  // in finding the table, is not reported.
  std::int32_t CheckAlphaIDs(const DatabasePtr& jobDB, bool testingListAlphas = false);

  // The alphanumeric identifier of `ptNum`, "" when it has none or it is deleted (a DeleteFlag
  // of 1 or Null). The current record of `PointsTable` answers when it is that point, carries an
  // identifier field and `recordDeleted` is False; otherwise, when `alphasExist`, the alpha-ID
  // table is searched: `alphaTable` when given (left open where the search ended, a table-type
  // one back on the index it had), else one the member opens and releases.
  std::string GetAlphaForPtNum(std::int32_t ptNum, const RecordsetPtr& PointsTable,
                               RecordsetPtr& alphaTable, const DatabasePtr& jobDB,
                               bool alphasExist, bool recordDeleted = false);

  // Makes the record of `pointNum` current in `pointsRecordset`: a Seek on a table-type one (on
  // the point index when it has no index selected), else a FindFirst on "PointNo". True when
  // found.
  bool LocatePointRecord(std::int32_t pointNum, const RecordsetPtr& pointsRecordset);

  // Point entry (src/entry). The pair of recordsets is the point-entry header table on
  // "PageNo_Index" and its data table on "RecordNo_Index"; `coordType` is 0 for grid entry, 1 for
  // geographic entry. The point list and the fixed list are 1-based, as the caller's arrays are:
  // element k belongs to the k-th line in "RecordNo" order and element 0 is unused, so a list
  // of n lines has n + 1 elements and an empty vector stands for an array without elements.

  // Starts entry on the pair: `enterPoints` becomes a new state on the last page, whose missing
  // lines are added; a page that holds any entry counts as used up. Both lists get one element
  // per line up to the page's end, `pointLimit` (and its Boolean value) for a line without a
  // point. Without pages the lists are left alone; without lines every page is deleted.
  void EnterPointsSetup(const RecordsetPtr& enterPtsHeader, const RecordsetPtr& enterPtsTable,
                        model::EnterPointsPtr& enterPoints, std::int16_t coordType,
                        std::vector<std::int32_t>& pointEntryPointList,
                        std::vector<bool>& pointEntryPtFixList,
                        const model::JobGeneralPtr& jobGeneral, std::int32_t pointLimit);

  // True when `pointNo` is in the point list; the entry position of `enterPoints` becomes its
  // first index (0 when absent) and `PEptFixed` the fixed flag there.
  bool PointEntryStored(std::int32_t pointNo, const std::vector<std::int32_t>& pointEntryPointList,
                        const model::EnterPointsPtr& enterPoints,
                        const std::vector<bool>& pointEntryPtFixList, bool* PEptFixed = nullptr);

  // Stores `point` in its line: the line at the entry position when that is within the list,
  // else the next line (with `pointInDB` False), starting a new page when the current one is
  // full. The null value and a blank description are stored as Null, geographic values in their
  // packed form. The point list grows to the line written, which gets the point number.
  void EnterPointsSave(const model::PointPtr& point, const RecordsetPtr& enterPtsHeader,
                       const RecordsetPtr& enterPtsTable, const model::EnterPointsPtr& enterPoints,
                       std::int16_t coordType, std::vector<std::int32_t>& pointEntryPointList,
                       bool pointInDB, const model::JobGeneralPtr& jobGeneral, bool isFixed,
                       const model::JobCfgPtr& jobCfg);

  // Job bounds and multi-zone window selection.

  // Copies the job's extent and point counters from `jobGeneral` (MinimumX, MinimumY, MaximumX,
  // MaximumY, ValidHorizPts, CurrentMaxPoint, FirstFreePoint, MinimumZone, MaximumZone,
  // FirstPointStored) into the first record of `jobDetailsTable`, writing only the fields whose
  // value differs; a field holding Null keeps it. When anything was written the record is saved
  // and one change counted on `jobGeneral`; otherwise the edit is cancelled. Does nothing when
  // `jobDetailsTable` is Nothing or holds no record.
  void SaveJobBounds(const model::JobGeneralPtr& jobGeneral, const RecordsetPtr& jobDetailsTable);

  // The WHERE condition over a points table (Zone, X, Y) that selects the points strictly inside
  // the window (or, with `outside`, strictly outside it) whose west edge is `minX` in `minZone`
  // and east edge `maxX` in `maxZone`. Eastings are made continuous by adding 1,000,000 for each
  // zone east of `minZone`; zones wrap from 60 to 1 (a `minZone` above `maxZone` crosses the
  // wrap). Numbers are written with at most 15 significant digits. Raises 6 when the zone
  // arithmetic leaves the 16-bit range or an edge is infinite, 5 when an edge is not a number.
  std::string MultiZoneSELECT(double minX, double minY, double maxX, double maxY,
                              std::int16_t minZone, std::int16_t maxZone, bool outside = false);

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

  // Point entry (src/entry): appends a page after the current one, its header record with the
  // decimals of `jobCfg` and all its empty lines, and makes it the current page.
  void EnterPointsNewPage(const RecordsetPtr& enterPtsHeader, const RecordsetPtr& enterPtsTable,
                          const model::EnterPointsPtr& enterPoints,
                          const model::JobGeneralPtr& jobGeneral, const model::JobCfgPtr& jobCfg);

  TableCatalogue catalogue_;
};

}  // namespace nrx
