// Giving a newly added field its first value in every record.

#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {

void cJobProcs::NewFieldValue(const DatabasePtr& /*jobDB*/, const RecordsetPtr& currentTable,
                              const std::string& /*tableName*/, const std::string& fieldName,
                              std::int16_t /*fieldType*/, std::int16_t /*fieldSiz*/,
                              const Variant& newValue, const model::JobGeneralPtr& jobGeneral,
                              bool* valueAdded) {
  Guard(JobProcsLabel("NewFieldValue"), [&] {
    Recordset& table = frame::Require(currentTable, "currentTable");
    const bool bof = table.Bof();
    const bool eof = table.Eof();
    if ((bof && eof) || table.RecordCount() <= 0) return;

    // The first record speaks for the table: a field just appended is empty everywhere, and one
    // that holds data there was filled before and is left alone.
    table.MoveFirst();
    const Variant first = table.Fields(fieldName)->Value();
    if (!first.IsEmpty() && !first.IsNull()) return;

    table.MoveFirst();
    while (!table.Eof()) {
      table.Edit();
      table.Fields(fieldName)->SetValue(newValue);
      table.Update(dbUpdateRegular, false);
      frame::Require(jobGeneral, "jobGeneral").UpdateChangeCount(1, false);
      table.MoveNext();
    }
    if (valueAdded) *valueAdded = true;
    table.MoveFirst();
  });
}

}  // namespace nrx
