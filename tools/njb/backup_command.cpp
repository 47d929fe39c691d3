// njb backup JOB: the backup rotation of a job on its own, from a copy of the job as it is now.

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <filesystem>

#include "commands.h"
#include "job_session.h"
#include "nrxJobDb/file_utility.h"
#include "nrxJobDb/text_utility.h"

namespace njb {
namespace {

void PrintBackups(const char* when, const std::string& job) {
  const std::vector<std::string> backups = DescribeBackups(job);
  fmt::print("{}: {}\n", when,
             backups.empty() ? "no backups" : fmt::format("{}", fmt::join(backups, ", ")));
}

}  // namespace

void AddBackupCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "backup", "Rotate a job's backups (JOB.bak1, JOB.bak2) from a copy of the job as it is now");
  static std::string file;
  static AnswerOptions answers;
  cmd->add_option("JOB", file, "Job database file")->required();
  AddAnswerOptions(*cmd, answers);
  cmd->callback([] {
    UseMessageBoxes(answers);
    const auto& files = nrx::model::FileUtility::Instance();
    if (!files.FileExists(file)) nrx::Raise(nrx::err::kFileNotFound, "njb", file);
    PrintBackups("Before", file);
    // The copy stands where the temporary copy of an opening would: the rotation makes it the
    // first backup. A job open elsewhere is not copied (error 70).
    auto general = std::make_shared<nrx::model::JobGeneral>();
    general->SetTempCopyName(nrx::model::TextUtility::Instance().TempFileName(""));
    files.CopyFile(file, general->TempCopyName());
    nrx::cJobProcs::Default()->BackupJobDB(file, general, true);
    if (files.FileExists(general->TempCopyName())) {
      std::filesystem::remove(general->TempCopyName());
      fmt::print("The first backup is from the last hour: it stays, and no new backup was made.\n");
    }
    PrintBackups("After", file);
  });
}

}  // namespace njb
