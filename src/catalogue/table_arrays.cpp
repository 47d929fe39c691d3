// The members of cJobProcs that build, read and erase its table catalogue.

#include "catalogue/catalogue_lists.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {
namespace {

constexpr MemberLabel kSetupTableArrays{cJobProcs::kClassName, MemberKind::Sub, "SetupTableArrays"};
constexpr MemberLabel kSetTableArrayValues{cJobProcs::kClassName, MemberKind::Sub,
                                           "SetTableArrayValues"};
constexpr MemberLabel kFieldsInTable{cJobProcs::kClassName, MemberKind::Function, "FieldsInTable"};
constexpr MemberLabel kClearTableArrays{cJobProcs::kClassName, MemberKind::Sub, "ClearTableArrays"};

// Field names are compared exactly: a field that differs only in letter case is another field.
bool HasField(TableDef& tableDef, const std::string& name) {
  return tableDef.Fields().FindExact(name) != nullptr;
}

}  // namespace

void cJobProcs::SetupTableArrays() {
  Guard(kSetupTableArrays, [&] {
    // Each definition goes through SetTableArrayValues, so a failure there carries its own label
    // on the error stack below this one.
    catalogue::FillCatalogue(
        catalogue_, [this](TableFieldList& list, std::int16_t& index, const std::string& fieldName,
                           std::int16_t fieldType, std::int16_t fieldSiz) {
          SetTableArrayValues(list, index, fieldName, fieldType, fieldSiz);
        });
  });
}

void cJobProcs::SetTableArrayValues(TableFieldList& list, std::int16_t& index,
                                    const std::string& fieldName, std::int16_t fieldType,
                                    std::int16_t fieldSiz) {
  Guard(kSetTableArrayValues,
        [&] { catalogue::StoreFieldDef(list, index, fieldName, fieldType, fieldSiz); });
}

bool cJobProcs::FieldsInTable(const TableFieldList& list, const TableDefPtr& tableDef,
                              bool addMissing) {
  return Guard(kFieldsInTable, [&] {
    if (!tableDef) Raise(err::kObjectNotSet, kRuntimeErrorSource, "tableDef");
    // The result is the presence of the last field looked at: with addMissing that is only
    // whether the list's last field was already there, which callers that add do not read.
    bool found = false;
    for (const TableFieldDef& def : list) {
      found = HasField(*tableDef, def.fieldName);
      if (found) continue;
      if (!addMissing) return false;
      tableDef->FieldsAppend(tableDef->CreateField(def.fieldName, def.fieldType, def.fieldSiz));
    }
    return found;
  });
}

void cJobProcs::ClearTableArrays() {
  Guard(kClearTableArrays, [&] { catalogue::ClearCatalogue(catalogue_); });
}

}  // namespace nrx
