// njb bounds JOB: works out the job's extent and point counters from its points and saves them
// into its job details through the component, in one open-work-close cycle.

#include <fmt/format.h>

#include <vector>

#include "commands.h"
#include "job_session.h"
#include "nrxJobDb/file_utility.h"
#include "nrxJobDb/table_names.h"
#include "point_extent.h"

namespace njb {
namespace {

using Stored = std::vector<nrx::Variant>;

// The value of a field as the report shows it.
std::string Shown(const nrx::Variant& value) { return value.IsNull() ? "Null" : value.ToText(); }

// The extent fields of the first record, in saving order; nothing when the table holds no record.
Stored StoredExtent(nrx::Recordset& details) {
  Stored values;
  if (details.Bof() && details.Eof()) return values;
  details.MoveFirst();
  for (const nrx::model::JobExtentField& row : nrx::model::JobExtentFields()) {
    values.push_back(details.Fields(row.field)->Value());
  }
  return values;
}

// Prints each value worked out, and what the save did with it; returns how many were written.
int PrintValues(std::FILE* out, const nrx::model::JobGeneral& general, const Stored& before,
                const Stored& after) {
  int changed = 0;
  for (std::size_t i = 0; i < nrx::model::JobExtentFields().size(); ++i) {
    const nrx::model::JobExtentField& row = nrx::model::JobExtentFields()[i];
    std::string what;
    if (i < after.size()) {
      if (!before[i].SameAs(after[i])) {
        what = fmt::format("changed, was {}", Shown(before[i]));
        ++changed;
      } else {
        // A Null field is left as it is: it compares as neither equal nor different.
        what = after[i].IsNull() ? "kept Null" : "unchanged";
      }
    }
    fmt::print(out, "  {:<17} {:<18} {}\n", row.field, Shown(row.value(general)), what);
  }
  return changed;
}

}  // namespace

int RunBounds(const BoundsOptions& options, const Context& context) {
  std::FILE* out = context.out;
  if (!nrx::model::FileUtility::Instance().FileExists(options.file)) {
    nrx::Raise(nrx::err::kFileNotFound, "njb", options.file);
  }
  UseMessageBoxes(options.answers, context);
  JobSession job(options.file);
  fmt::print(out, "Opening {}\n", options.file);
  job.Open(false);

  const std::string& table = nrx::model::TableNames::Instance().JobDetailsTable();
  const nrx::RecordsetPtr details = job.Db().OpenRecordset(table, nrx::dbOpenTable);
  const Stored before = StoredExtent(*details);
  ComputeJobExtent(job.Db(), *job.General());
  nrx::cJobProcs::Default()->SaveJobBounds(job.General(), details);

  fmt::print(out, "Bounds worked out from the points:\n");
  const int changed = PrintValues(out, *job.General(), before, StoredExtent(*details));
  int status = kExitOk;
  if (before.empty()) {
    fmt::print(out, "{} holds no record: there is nowhere to save the bounds.\n", table);
    status = kExitNegative;
  } else {
    fmt::print(out, "{} value{} changed\n", changed, changed == 1 ? "" : "s");
  }
  CloseReporting(out, job);
  return status;
}

}  // namespace njb
