// cJobProcs::SaveJobBounds: the job's extent and point counters from the job model into the one
// record of the job details table, written only where they changed.

#include <optional>

#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {
namespace {

// Differs as the runtime's "<>" does: a Null field compares as not known, so it is kept.
bool Differs(const Variant& stored, const Variant& value) {
  const std::optional<int> order = stored.Compare(value);
  return order && *order != 0;
}

}  // namespace

void cJobProcs::SaveJobBounds(const model::JobGeneralPtr& jobGeneral,
                              const RecordsetPtr& jobDetailsTable) {
  Guard(JobProcsLabel("SaveJobBounds"), [&] {
    if (!jobDetailsTable) return;
    Recordset& details = *jobDetailsTable;
    if (details.Bof() && details.Eof()) return;
    details.MoveFirst();
    details.Edit();
    bool changed = false;
    for (const model::JobExtentField& row : model::JobExtentFields()) {
      const FieldPtr field = details.Fields(row.field);
      const Variant value = row.value(frame::Require(jobGeneral, "jobGeneral"));
      if (!Differs(field->Value(), value)) continue;
      field->SetValue(value);
      changed = true;
    }
    if (!changed) {
      details.CancelUpdate(dbUpdateRegular);
      return;
    }
    details.Update(dbUpdateRegular, false);
    jobGeneral->UpdateChangeCount(1, false);
  });
}

}  // namespace nrx
