// cJobProcs::OpenJobDB: opens or creates a job's database, brings a job of an older version up
// to date once the user agrees, and begins the transaction that lasts until the job is closed.

#include <fmt/format.h>

#include <cstdint>
#include <limits>

#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "lifecycle/convert_jet_job.h"
#include "lifecycle/job_files.h"
#include "lifecycle/temp_copy_name.h"
#include "lifecycle/upper_case.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/file_utility.h"
#include "nrxJobDb/message_box.h"

namespace nrx {
namespace {

using frame::Require;

bool FileThere(const std::string& path) {
  std::int32_t attributes = 0;
  return model::FileUtility::Instance().FileExists(path, attributes);
}

bool AgreesToUpdate(const model::Program& prog, const std::string& job) {
  if (!prog.Interactive()) return true;
  const std::string question = fmt::format(
      "Job: {1}{0}{0}The selected job was created by an older version of Norvaxa and will be{0}"
      "saved with the extension '.old' before updating to the current version.{0}{0}Continue ?",
      kCrLf, job);
  return ShowMessageBox(question, fmt::format("{} - Job-version update", kMessageTitle),
                        MsgButtons::YesNo, MsgIcon::Information) == MsgAnswer::Yes;
}

// J.old, or J.old1, J.old2, ...: the first name that no file has.
std::string OldVersionCopyName(const std::string& job) {
  const model::FileUtility& files = model::FileUtility::Instance();
  std::string extension = ".old";
  std::int16_t counter = 0;
  while (files.FileExists(job + extension)) {
    if (counter == std::numeric_limits<std::int16_t>::max()) {
      Raise(err::kOverflow, kRuntimeErrorSource, job + extension);
    }
    ++counter;
    extension = ".old" + std::to_string(counter);
  }
  return job + extension;
}

// Renames a job of the ".MDB" generation to ".njb", unless a file of that name stays in the
// way (one this process may not write is kept), and returns the job's file name after it.
std::string RenameOlderGeneration(const std::string& job, model::Job& thisJob) {
  const std::string upper = lifecycle::UpperCase(job);
  if (!upper.ends_with(".MDB")) return job;
  // Only the file name is searched, so a folder whose name holds ".mdb" is never renamed.
  const std::size_t name_start = job.find_last_of('/') + 1;  // npos + 1 is 0
  const std::string renamed = job.substr(0, upper.find(".MDB", name_start)) + ".njb";
  lifecycle::JobFiles& files = lifecycle::CurrentJobFiles();
  std::int32_t attributes = 0;
  if (files.Exists(renamed, attributes) && attributes == 0) files.Remove(renamed);
  if (files.Exists(renamed, attributes)) return job;
  files.Rename(job, renamed);
  thisJob.SetFileExtension(".njb");
  // A name with ".mdb" twice ("a.mdb.mdb") loses more than its extension; the job object must
  // still name the file that is there.
  if (thisJob.JobFileName() != renamed) thisJob.SetJobFileName(renamed);
  return renamed;
}

// The name is per job, so a copy that failed (the job is open elsewhere) may be the other
// opener's: forgetting the name keeps this caller's clean-up away from it.
void TakeTempCopy(const std::string& job, model::JobGeneral& jobGeneral) {
  try {
    lifecycle::CurrentJobFiles().Copy(job, jobGeneral.TempCopyName());
  } catch (const Error&) {
    jobGeneral.SetTempCopyName("");
    throw;
  }
}

void TellOpenElsewhere(const Error& e, const std::string& job) {
  ShowMessageBox(
      fmt::format("Error '{1}' in {2}{0}{0}Job [ {3} ] may be open at another location{0}{0}",
                  kCrLf, frame::DescriptionOf(e), JobProcsLabel("OpenJobDB").Text(), job),
      std::string(kMessageTitle), MsgButtons::OK, MsgIcon::Exclamation);
}

// Our own box, not one of the application's: a job on a share stays open only because this
// process holds it alone, and the user should know that its safety rests on the share's locks.
void WarnNetworkFile(const std::string& job) {
  ShowMessageBox(fmt::format("Job [ {1} ] lies on a network file system.{0}{0}Its locks may not "
                             "keep other computers out: make sure nobody else opens this job "
                             "until you close it.",
                             kCrLf, job),
                 std::string(kMessageTitle), MsgButtons::OK, MsgIcon::Exclamation);
}

void RepairAndClose(cJobProcs& procs, WorkspacePtr& jobWorkspace, DatabasePtr& jobDB,
                    model::GridPtr& grid, const model::JobGeneralPtr& jobGeneral,
                    const std::string& job) {
  // This call may hold the damaged file itself; the repair needs it free. (A database that the
  // caller passed in, of another file, is the close's business below.)
  if (jobDB && jobDB->Name() == job) jobDB->Close();
  frame::RepairAndTell(job, fmt::format("Attempted to open database {1}- database required "
                                        "repair{0}{0}Please re-open job {1} and run 'Compact Job'",
                                        kCrLf, job));
  try {
    procs.CloseDBfiles(jobWorkspace, jobDB, grid, jobGeneral, true, false, true);
  } catch (const Error&) {
    // Likewise: the caller must learn why the open failed, not why the clean-up did.
  }
}

}  // namespace

void cJobProcs::OpenJobDB(WorkspacePtr& jobWorkspace, DatabasePtr& jobDB, model::GridPtr& grid,
                          const model::JobPtr& thisJob, const std::shared_ptr<ErrorLog>& errorLog,
                          bool readOnly, model::JobGeneralPtr& jobGeneral, bool& checkFields,
                          const model::ProgramPtr& prog, bool* cancelJobOpen) {
  std::string job;
  bool network = false;
  bool converting = false;
  Guard(JobProcsLabel("OpenJobDB"), [&] {
    try {
      DBEngine& engine = DBEngine::Instance();
      engine.SetDefaultType(dbUseJet);
      jobWorkspace = engine.Workspaces(0);
      job = Require(thisJob, "thisJob").JobFileName();
      // Made for a new job too: closing the job, on any path, needs one.
      if (!jobGeneral) jobGeneral = std::make_shared<model::JobGeneral>();
      if (FileThere(job) && IsJetDatabase(job)) {
        // Its errors are the conversion's own: the Jet file is no damaged job to repair.
        converting = true;
        job = lifecycle::ConvertJetJob(job, *thisJob, Require(prog, "prog"));
        converting = false;
      }
      if (FileThere(job)) {
        const std::string& folder = Require(prog, "prog").TempFolder();
        jobGeneral->SetTempCopyName(lifecycle::TempCopyNameFor(folder, job));
        TakeTempCopy(job, *jobGeneral);
        network = IsOnNetworkFileSystem(job);
        jobDB = jobWorkspace->OpenDatabase(job, true, readOnly);
        if (network) WarnNetworkFile(job);
      } else {
        jobDB = jobWorkspace->CreateDatabase(job, kJobConnect, dbEncrypt);
        checkFields = false;
      }
      bool cancel = false;
      if (cancelJobOpen) *cancelJobOpen = false;
      if (checkFields && !JobTableFields(jobDB, false)) {
        cancel = !AgreesToUpdate(Require(prog, "prog"), job);
        if (!cancel) {
          const std::string old_copy = OldVersionCopyName(job);
          // The copy needs the file free: this process holds it exclusively until now.
          jobDB.reset();
          jobWorkspace.reset();
          lifecycle::CurrentJobFiles().Copy(job, old_copy);
          job = RenameOlderGeneration(job, *thisJob);
          jobWorkspace = engine.Workspaces(0);
          // Shared as the update has always reopened it, except on a share, where only an
          // exclusive open is allowed.
          jobDB = jobWorkspace->OpenDatabase(job, network, readOnly);
          JobTableFields(jobDB, true);
        }
        if (cancelJobOpen) *cancelJobOpen = cancel;
      }
      if (cancel) {
        jobDB.reset();
        jobWorkspace.reset();
        return;
      }
      jobWorkspace->BeginTrans();
      // A caller that keeps no error log passes Nothing; the job opens all the same.
      if (errorLog) errorLog->Start(job);
      jobGeneral->UpdateChangeCount(0, true);
    } catch (const Error& e) {
      if (e.Number() == err::kPermissionDenied) TellOpenElsewhere(e, job);
      // A job refused because of where it lies is not damaged, nor is a Jet file the
      // conversion could not read: nothing to repair.
      const bool damaged = !converting && (e.Number() == err::kNotADatabase ||
                                           (e.Number() == err::kDiskError && !network));
      if (damaged) {
        RepairAndClose(*this, jobWorkspace, jobDB, grid, jobGeneral, job);
      }
      throw;
    }
  });
}

}  // namespace nrx
