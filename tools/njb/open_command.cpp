// njb open JOB: one open-work-close cycle of a job through the component, reporting what the
// opening did (a new job, the version update) and the job's tables.

#include <fmt/format.h>
#include <fmt/ranges.h>

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

}  // namespace

void AddOpenCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "open",
      "Open (or create) a job, report its tables and any update, close it with the save "
      "question");
  static std::string file;
  static bool check = false;
  static bool tables = false;
  static AnswerOptions answers;
  cmd->add_option("JOB", file, "Job database file (.njb, or .MDB of an older version)")->required();
  cmd->add_flag("--check", check,
                "Check the tables against the catalogue and offer the version update");
  cmd->add_flag("--tables", tables, "Create every missing job table (always done for a new job)");
  AddAnswerOptions(*cmd, answers);
  cmd->callback([] {
    UseMessageBoxes(answers);
    const std::set<std::string> files_before = FilesBeside(file);
    const std::optional<nrx::JobCheck> lacking = check ? LackingBeforeOpening(file) : std::nullopt;

    JobSession job(file);
    fmt::print("Opening {}\n", file);
    if (!job.Open(check)) {
      fmt::print("The version update was declined: the job was not opened.\n");
      throw CLI::RuntimeError(1);
    }
    if (!job.Existed()) {
      fmt::print("Created {}: a new, encrypted job\n", job.Path());
    } else {
      fmt::print("Opened {} {}\n", job.Path(),
                 job.Db().Exclusive() ? "exclusively" : "shared, after its update");
    }
    if (job.Path() != file) fmt::print("Renamed {} to {}\n", file, job.Path());
    for (const std::string& name : NewFilesBeside(job.Path(), files_before)) {
      fmt::print("Kept the job as it was before the update: {}\n", name);
    }
    // Only a job brought up to date is reopened shared.
    if (lacking && !job.Db().Exclusive()) {
      fmt::print("Version update:\n");
      PrintFieldsAdded(*lacking, nrx::CheckJobAgainstCatalogue(job.Db()));
    }
    if (!job.Existed() || tables) {
      const std::vector<std::string> made = job.CreateTables(StandardJobTables());
      fmt::print("Created {} table{}\n", made.size(), made.size() == 1 ? "" : "s");
    }
    const std::vector<std::string> described = DescribeTables(job.Db());
    fmt::print("Tables ({}):\n", described.size());
    PrintWrapped(described, "  ");

    fmt::print("Closing {}\n", job.Path());
    if (!job.Close()) {
      fmt::print("The close was cancelled: nothing was saved.\n");
      return;
    }
    const std::vector<std::string> backups = DescribeBackups(job.Path());
    fmt::print("Closed. Backups: {}\n",
               backups.empty() ? "none" : fmt::format("{}", fmt::join(backups, ", ")));
  });
}

}  // namespace njb
