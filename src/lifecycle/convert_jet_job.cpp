#include "lifecycle/convert_jet_job.h"

#include <fmt/format.h>

#include "nrxJobDb/engine.h"
#include "nrxJobDb/message_box.h"

namespace nrx::lifecycle {

std::string ConvertJetJob(const std::string& job, model::Job& thisJob, const model::Program& prog) {
  const std::string converted = ConvertedJobName(job);
  JetConversionReport report = DBEngine::Instance().ConvertJetDatabase(job, converted);
  thisJob.SetJobFileName(converted);
  if (prog.Interactive()) {
    ShowMessageBox(
        fmt::format("Job: {1}{0}{0}The job was kept in the database format of an earlier "
                    "generation. It has been converted to{0}{2}{0}({3} tables, {4} records), "
                    "which is the job from now on; the original file stays as it was.",
                    kCrLf, job, converted, report.tables.size(), report.Rows()),
        fmt::format("{} - Job conversion", kMessageTitle), MsgButtons::OK, MsgIcon::Information);
  }
  return converted;
}

}  // namespace nrx::lifecycle
