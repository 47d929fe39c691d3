// The members of cJobProcs that build, read and erase its table catalogue.

#include "catalogue/catalogue_lists.h"
#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {

void cJobProcs::SetupTableArrays() {
  Guard(JobProcsLabel("SetupTableArrays"), [&] {
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
  Guard(JobProcsLabel("SetTableArrayValues"),
        [&] { catalogue::StoreFieldDef(list, index, fieldName, fieldType, fieldSiz); });
}

bool cJobProcs::FieldsInTable(const TableFieldList& list, const TableDefPtr& tableDef,
                              bool addMissing) {
  return Guard(JobProcsLabel("FieldsInTable"), [&] {
    TableDef& table = frame::Require(tableDef, "tableDef");
    // The result is the presence of the last field looked at: with addMissing that is only
    // whether the list's last field was already there, which callers that add do not read.
    bool found = false;
    for (const TableFieldDef& def : list) {
      // Field names are compared exactly: a field that differs only in letter case is another.
      found = table.Fields().FindExact(def.fieldName) != nullptr;
      if (found) continue;
      if (!addMissing) return false;
      table.FieldsAppend(table.CreateField(def.fieldName, def.fieldType, def.fieldSiz));
    }
    return found;
  });
}

void cJobProcs::ClearTableArrays() {
  Guard(JobProcsLabel("ClearTableArrays"), [&] { catalogue::ClearCatalogue(catalogue_); });
}

}  // namespace nrx
