// Renaming one field of one table.

#include "catalogue/required.h"
#include "frame/member_adapter.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {
namespace {

constexpr MemberLabel kRenameField{cJobProcs::kClassName, MemberKind::Function, "RenameField"};

const MemberRegistrar kRegistrar{cJobProcs::kClassName, "RenameField", InvokeKind::Method,
                                 frame::MethodAdapter(&cJobProcs::RenameField)};

// The field `fieldName` of the table `tableName`, both matched exactly; nullptr when either is
// missing.
FieldPtr FindExactField(Database& db, const std::string& tableName, const std::string& fieldName) {
  const TableDefPtr table = db.TableDefs().FindExact(tableName);
  return table ? table->Fields().FindExact(fieldName) : nullptr;
}

}  // namespace

bool cJobProcs::RenameField(const DatabasePtr& jobDB, const std::string& tableName,
                            const std::string& oldFieldName, const std::string& newFieldName) {
  return Guard(kRenameField, [&] {
    Database& db = catalogue::Required(jobDB, "jobDB");
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
