// njb open JOB: one open-work-close cycle of a job through the component, reporting what the
// opening did (a new job, the version update) and the job's tables.

#include <fmt/format.h>

#include <filesystem>
#include <optional>

#include "commands.h"
#include "job_session.h"
#include "nrxJobDb/catalogue_report.h"

namespace njb {
namespace {

namespace fs = std::filesystem;

// What the job's tables lack before it is opened; nothing when it cannot be read (the opening
// itself then reports why).
std::optional<nrx::JobCheck> LackingBeforeOpening(const std::string& file) {
  if (!fs::exists(file)) return std::nullopt;
  try {
    auto db = nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(file, false, true);
    nrx::JobCheck check = nrx::CheckJobAgainstCatalogue(*db);
    db->Close();
    return check;
  } catch (const nrx::Error&) {
    return std::nullopt;
  }
}

// What the opening did: made a new job, or opened one, perhaps renamed and brought up to date.
void ReportOpening(std::FILE* out, JobSession& job, const std::string& file, bool jet,
                   const std::set<std::string>& files_before,
                   const std::optional<nrx::JobCheck>& lacking) {
  if (!job.Existed()) {
    fmt::print(out, "Created {}: a new, encrypted job\n", job.Path());
  } else {
    fmt::print(out, "Opened {} {}\n", job.Path(),
               job.Db().Exclusive() ? "exclusively" : "shared, after its update");
  }
  if (job.Path() != file)
    fmt::print(out, "{} {} to {}\n", jet ? "Converted" : "Renamed", file, job.Path());
  for (const std::string& name : NewFilesBeside(job.Path(), files_before)) {
    fmt::print(out, "Kept the job as it was before the update: {}\n", name);
  }
  // Only a job brought up to date is reopened shared.
  if (lacking && !job.Db().Exclusive()) {
    fmt::print(out, "Version update:\n");
    PrintFieldsAdded(out, *lacking, nrx::CheckJobAgainstCatalogue(job.Db()));
  }
}

}  // namespace

int RunOpen(const OpenOptions& options, const Context& context) {
  std::FILE* out = context.out;
  const std::string& file = options.file;
  UseMessageBoxes(options.answers, context);
  const std::set<std::string> files_before = FilesBeside(file);
  const bool jet = nrx::IsJetDatabase(file);
  const std::optional<nrx::JobCheck> lacking =
      options.check ? LackingBeforeOpening(file) : std::nullopt;

  JobSession job(file);
  fmt::print(out, "Opening {}\n", file);
  if (!job.Open(options.check)) {
    fmt::print(out, "The version update was declined: the job was not opened.\n");
    return kExitNegative;
  }
  ReportOpening(out, job, file, jet, files_before, lacking);
  if (!job.Existed() || options.tables) {
    const std::vector<std::string> made = job.CreateTables(StandardJobTables());
    fmt::print(out, "Created {} table{}\n", made.size(), made.size() == 1 ? "" : "s");
  }
  const std::vector<std::string> described = DescribeTables(job.Db());
  fmt::print(out, "Tables ({}):\n", described.size());
  PrintWrapped(out, described, "  ");
  CloseReporting(out, job);
  return kExitOk;
}

}  // namespace njb
