// Renaming one field of one table.

#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {
namespace {

// The field `fieldName` of the table `tableName`, both matched exactly; nullptr when either is
// missing.
FieldPtr FindExactField(Database& db, const std::string& tableName, const std::string& fieldName) {
  const TableDefPtr table = db.TableDefs().FindExact(tableName);
  return table ? table->Fields().FindExact(fieldName) : nullptr;
}

}  // namespace

bool cJobProcs::RenameField(const DatabasePtr& jobDB, const std::string& tableName,
                            const std::string& oldFieldName, const std::string& newFieldName) {
  return Guard(JobProcsLabel("RenameField"), [&] {
    Database& db = frame::Require(jobDB, "jobDB");
    db.TableDefsRefresh();
    // The engine reloads the collection when it is next read; reading it here lets a refresh
    // that fails (a closed or damaged database) report itself rather than look like a miss.
    db.TableDefsCount();
    FieldPtr field;
    // Looking for the table and the field is a question, not an operation: whatever goes wrong
    // there only means the field cannot be renamed, and the caller learns that from the result.
    try {
      field = FindExactField(db, tableName, oldFieldName);
    } catch (const Error&) {
      return false;
    }
    if (!field) return false;
    field->SetName(newFieldName);
    return true;
  });
}

}  // namespace nrx
