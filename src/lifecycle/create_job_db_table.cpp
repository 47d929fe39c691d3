// Making sure a job table exists, and creating it from the catalogue when it does not.

#include "catalogue/table_kinds.h"
#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/file_utility.h"
#include "nrxJobDb/message_box.h"
#include "nrxJobDb/table_names.h"

namespace nrx {
namespace {

// Whether `db` holds a table named exactly `tableName`. The engine finds names in any letter
// case, so the walk compares them itself. This is only a look: a collection that cannot be read
// counts as not holding the table, and creating it then reports what is wrong.
bool HasExactTable(Database& db, const std::string& tableName) {
  try {
    return db.TableDefs().FindExact(tableName) != nullptr;
  } catch (const Error&) {
    return false;
  }
}

void CreateFromKind(Database& db, const std::string& tableName, const catalogue::TableKind& kind,
                    const TableFieldList& list) {
  const model::TableNames& names = model::TableNames::Instance();
  TableDefPtr table = db.CreateTableDef(tableName);
  for (const TableFieldDef& def : list) {
    table->FieldsAppend(table->CreateField(def.fieldName, def.fieldType, def.fieldSiz));
  }
  for (std::string_view field : kind.zero_length_fields) {
    table->Fields(field)->SetAllowZeroLength(true);
  }
  db.TableDefsAppend(table);

  for (const catalogue::IndexDef& def : kind.indexes) {
    IndexPtr index = table->CreateIndex(catalogue::IndexName(def, names));
    index->SetFields(def.fields);
    index->SetPrimary(def.primary);
    if (def.unique) index->SetUnique(true);
    if (!def.failure_ignored) {
      table->IndexesAppend(index);
      continue;
    }
    try {
      table->IndexesAppend(index);
    } catch (const Error&) {
    }
  }
}

// Hands the damaged file to the engine's repair and tells the user to reopen and compact the
// job. The repair cannot take a file that is held open, and the caller's own database holds
// this one, so it usually refuses (3045); the user is told all the same.
void RepairForNewTable(const std::string& jobDBname, const std::string& tableName) {
  std::string drive;
  std::string folder;
  std::string extension;
  const std::string job_name =
      model::FileUtility::Instance().SplitPath(jobDBname, drive, folder, extension);
  const std::string crlf(kCrLf);
  frame::RepairAndTell(jobDBname, "Attempted to open database " + jobDBname + " to add table '" +
                                      tableName + "'" + "- database required repair" + crlf + crlf +
                                      "Please close and re-open current job " + job_name +
                                      " and run 'Compact Job' option");
}

}  // namespace

void cJobProcs::CreateJobDBTable(const DatabasePtr& jobDB, const std::string& tableName,
                                 const std::string& jobDBname, bool* tableExists,
                                 bool exitIfNotExist) {
  Guard(JobProcsLabel("CreateJobDBTable"), [&] {
    if (tableName.empty()) return;
    try {
      if (tableExists) *tableExists = false;
      Database& db = frame::Require(jobDB, "jobDB");
      db.TableDefsRefresh();
      const bool exists = HasExactTable(db, tableName);
      if (tableExists) *tableExists = exists;
      if (exists || exitIfNotExist) return;

      const catalogue::TableKind* kind =
          catalogue::KindOfNewTable(tableName, model::TableNames::Instance());
      // A name the catalogue does not know, or the second alpha-ID table, which has no list:
      // nothing to create, and nothing wrong.
      if (!kind || !kind->member) return;
      CreateFromKind(db, tableName, *kind, catalogue_.*kind->member);
    } catch (const Error& e) {
      if (e.Number() == err::kDiskError || e.Number() == err::kNotADatabase) {
        RepairForNewTable(jobDBname, tableName);
      }
      throw;
    }
  });
}

}  // namespace nrx
