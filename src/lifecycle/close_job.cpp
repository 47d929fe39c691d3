// cJobProcs::CloseDBfiles: ends the work on a job with the save question, then commits or rolls
// back the job's transaction and rotates its backups.

#include <fmt/format.h>

#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "lifecycle/job_files.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/file_utility.h"
#include "nrxJobDb/message_box.h"

namespace nrx {
namespace {

enum class SaveAnswer { Save, Discard, Cancel };

SaveAnswer AskToSave(const Database& jobDB) {
  MsgAnswer answer =
      ShowMessageBox(fmt::format("Changes have been made to job {} - Save now ?", jobDB.Name()),
                     std::string(kMessageTitle), MsgButtons::YesNoCancel, MsgIcon::Question);
  if (answer == MsgAnswer::Cancel) return SaveAnswer::Cancel;
  return answer == MsgAnswer::Yes ? SaveAnswer::Save : SaveAnswer::Discard;
}

void DeleteTempCopy(const model::JobGeneral& jobGeneral) {
  std::int32_t attributes = 0;
  const std::string& temp_copy = jobGeneral.TempCopyName();
  if (model::FileUtility::Instance().FileExists(temp_copy, attributes)) {
    lifecycle::CurrentJobFiles().Remove(temp_copy);
  }
}

}  // namespace

bool cJobProcs::CloseDBfiles(WorkspacePtr& jobWorkspace, DatabasePtr& jobDB, model::GridPtr& grid,
                             const model::JobGeneralPtr& jobGeneral, bool deleteToRecycleBin,
                             bool forceSave, bool useTempBackup) {
  return Guard(JobProcsLabel("CloseDBfiles"), [&] {
    try {
      model::JobGeneral& general = frame::Require(jobGeneral, "jobGeneral");
      if (!jobDB) {
        DeleteTempCopy(general);
        return true;
      }
      bool save = forceSave;
      if (general.ChangeCount() >= 1 && !forceSave) {
        SaveAnswer answer = AskToSave(*jobDB);
        if (answer == SaveAnswer::Cancel) return false;
        save = answer == SaveAnswer::Save;
      }
      // A job whose opening failed before its transaction began is closed as well: the missing
      // transaction is passed over and the close goes on.
      if (general.ChangeCount() < 1 || !save) {
        if (jobWorkspace) frame::PassOver(err::kNoTransaction, [&] { jobWorkspace->Rollback(); });
        CloseRecordSets(jobDB);
        DeleteTempCopy(general);
      } else {
        if (jobWorkspace) {
          frame::PassOver(err::kNoTransaction, [&] { jobWorkspace->CommitTrans(); });
        }
        CloseRecordSets(jobDB);
        if (useTempBackup) BackupJobDB(jobDB->Name(), jobGeneral, deleteToRecycleBin);
      }
      general.UpdateChangeCount(0, true);
      jobDB.reset();
      jobWorkspace.reset();
      return true;
    } catch (...) {
      grid.reset();
      jobDB.reset();
      jobWorkspace.reset();
      throw;
    }
  });
}

}  // namespace nrx
