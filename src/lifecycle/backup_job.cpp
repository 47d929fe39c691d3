// cJobProcs::BackupJobDB: keeps two backups beside a job file, made from the temporary copy that
// was taken when the job was opened.

#include <fmt/format.h>

#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "lifecycle/backup_names.h"
#include "lifecycle/job_files.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/error_stack.h"
#include "nrxJobDb/file_utility.h"
#include "nrxJobDb/message_box.h"
#include "nrxJobDb/text_utility.h"

namespace nrx {
namespace {

// A rename that failed: the step's own text goes into the message to the user.
struct RenameFailed {
  std::string step;
  std::string reason;
};

class Rotation {
 public:
  Rotation(const std::string& job, const std::string& tempCopy, bool deleteToRecycleBin)
      : job_(job),
        temp_(tempCopy),
        names_(lifecycle::BackupNamesFor(job)),
        to_recycle_bin_(deleteToRecycleBin) {}

  void Run() {
    if (Exists(names_.old_first) && !Exists(names_.first)) {
      Rename(names_.old_first, names_.first, Step("old database backup ", names_.old_first));
    }
    if (Exists(names_.old_second) && !Exists(names_.second)) {
      Rename(names_.old_second, names_.second, Step("old database backup ", names_.old_second));
    }
    if (Exists(names_.first)) AgeFirstBackup();
    // The message names the job rather than its temporary copy: that is the file the user knows.
    if (!Exists(names_.first) && Exists(temp_))
      Rename(temp_, names_.first, Step("database ", job_));
  }

 private:
  void AgeFirstBackup() {
    lifecycle::JobFiles& files = lifecycle::CurrentJobFiles();
    const long hours =
        lifecycle::ClockHoursBetween(files.LastWriteTime(names_.first), files.LastWriteTime(job_));
    if (hours > 24) {
      if (Exists(names_.second)) Discard(names_.second);
      Rename(names_.first, names_.second, Step("database backup ", names_.first));
    } else if (hours > 1) {
      if (!Exists(names_.second)) {
        Rename(names_.first, names_.second, Step("database backup ", names_.first));
      } else {
        ReplaceFirstBackup();
      }
    }
    // Within the hour the first backup stays: it already holds the job as it was opened
    // shortly before, and the temporary copy is left where it is.
  }

  // The first backup is the last good one until the copy stands beside it: the copy is moved
  // into the job's folder first (from another file system that is the slow step, and the one a
  // full disk fails), so that the discard and the rename that follow are quick, in one folder.
  // One left by a run that was killed between them is an older copy than this one.
  void ReplaceFirstBackup() {
    const std::string staged = names_.first + ".new";
    if (Exists(staged)) lifecycle::CurrentJobFiles().Remove(staged);
    Rename(temp_, staged, Step("database ", job_));
    Discard(names_.first);
    Rename(staged, names_.first, Step("database ", job_));
  }

  // What the message says a step was renaming: "database backup J.bak1" and the like; the
  // destination follows when it fails.
  static std::string Step(const char* what, const std::string& file) { return what + file; }

  // The rename of one step; its failure ends the rotation (see RenameFailed).
  static void Rename(const std::string& from, const std::string& to, const std::string& step) {
    try {
      lifecycle::CurrentJobFiles().Rename(from, to);
    } catch (const Error& e) {
      throw RenameFailed{fmt::format("{} as {}", step, to), frame::DescriptionOf(e)};
    }
  }

  void Discard(const std::string& path) const {
    if (to_recycle_bin_ && model::TextUtility::Instance().MoveToRecycleBin(path)) return;
    lifecycle::CurrentJobFiles().Remove(path);
  }

  static bool Exists(const std::string& path) {
    return model::FileUtility::Instance().FileExists(path);
  }

  const std::string& job_;
  const std::string& temp_;
  lifecycle::BackupNames names_;
  bool to_recycle_bin_;
};

// The copy is about to become the first backup and may push an older one out: it must be a
// job database the engine opens, or the rotation would keep a file that restores nothing in
// place of one that does.
void RequireJobDatabase(const std::string& copy, const std::string& job) {
  try {
    auto probe = std::make_shared<Workspace>("backup check");
    probe->OpenDatabase(copy, false, true)->Close();
  } catch (const Error& e) {
    RaiseText(e.Number(), kRuntimeErrorSource,
              fmt::format("{} The copy of job {} cannot become its backup.",
                          frame::DescriptionOf(e), job));
  }
}

void TellRenameFailed(const RenameFailed& failure, const std::string& job) {
  ShowMessageBox(fmt::format("Failed to rename {}{}Reason - {}{}{}Cannot backup current job {}{}",
                             failure.step, kCrLf, failure.reason, kCrLf, kCrLf, job, kCrLf),
                 std::string(kMessageTitle), MsgButtons::OK, MsgIcon::Exclamation);
}

}  // namespace

void cJobProcs::BackupJobDB(const std::string& jobDBname, const model::JobGeneralPtr& jobGeneral,
                            bool deleteToRecycleBin) {
  Guard(JobProcsLabel("BackupJobDB"), [&] {
    const std::string& temp_copy = frame::Require(jobGeneral, "jobGeneral").TempCopyName();
    const model::FileUtility& files = model::FileUtility::Instance();
    if (!files.FileExists(jobDBname) || !files.FileExists(temp_copy)) return;
    RequireJobDatabase(temp_copy, jobDBname);
    try {
      Rotation(jobDBname, temp_copy, deleteToRecycleBin).Run();
    } catch (const RenameFailed& failure) {
      // The job itself is saved; only its backup is not. The user is told which file is in the
      // way, and the close goes on without an error.
      TellRenameFailed(failure, jobDBname);
      ErrorStack::Instance().Reset();
    }
  });
}

}  // namespace nrx
