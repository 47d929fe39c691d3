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

void PrintBackups(std::FILE* out, const char* when, const std::string& job) {
  const std::vector<std::string> backups = DescribeBackups(job);
  fmt::print(out, "{}: {}\n", when,
             backups.empty() ? "no backups" : fmt::format("{}", fmt::join(backups, ", ")));
}

struct TempCopyRemover {
  std::string path;
  ~TempCopyRemover() {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
};

}  // namespace

int RunBackup(const BackupOptions& options, const Context& context) {
  const std::string& file = options.file;
  UseMessageBoxes(options.answers, context);
  const auto& files = nrx::model::FileUtility::Instance();
  if (!files.FileExists(file)) nrx::Raise(nrx::err::kFileNotFound, "njb", file);
  PrintBackups(context.out, "Before", file);
  // The copy stands where the temporary copy of an opening would: the rotation makes it the
  // first backup. A job open elsewhere is not copied (error 70).
  auto general = std::make_shared<nrx::model::JobGeneral>();
  general->SetTempCopyName(nrx::model::TextUtility::Instance().TempFileName(""));
  // Whatever ends the backup (a copy that is no job, a full disk), the copy does not stay.
  const TempCopyRemover remover{general->TempCopyName()};
  files.CopyFile(file, general->TempCopyName());
  nrx::cJobProcs::Default()->BackupJobDB(file, general, true);
  if (files.FileExists(general->TempCopyName())) {
    fmt::print(context.out,
               "The first backup is from the last hour: it stays, and no new backup was made.\n");
  }
  PrintBackups(context.out, "After", file);
  return kExitOk;
}

}  // namespace njb
