// cDBtransactions::CloseAllRecordsets: the sweep before a commit or roll-back, which takes every
// tracked recordset still open off the list.

#include "frame/db_transactions_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cdbtransactions.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {
namespace {

// The first recordset of that name open on the first database of that name that has one.
RecordsetPtr FindOpen(const Workspace& workspace, const std::string& databaseName,
                      const std::string& recordsetName) {
  for (const DatabasePtr& db : workspace.Databases()) {
    if (db->Name() != databaseName) continue;
    for (const RecordsetPtr& rs : db->Recordsets()) {
      if (rs && rs->Name() == recordsetName) return rs;
    }
  }
  return nullptr;
}

}  // namespace

void cDBtransactions::CloseAllRecordsets(const WorkspacePtr& currentWorkspace,
                                         const std::string& /*callingProc*/) {
  Guard(DBtransactionsLabel("CloseAllRecordsets"), [&] {
    // From the last entry to the first: each step drops at most one entry, at or before the
    // one it looked at, so the position looked at next is still on the list. An entry whose
    // recordset is already closed stays.
    for (std::size_t k = trans_recordsets_.size(); k >= 1; --k) {
      const TrackedRecordset& entry = trans_recordsets_[k - 1];
      RecordsetPtr open = FindOpen(frame::Require(currentWorkspace, "currentWorkspace"),
                                   entry.database_name, entry.recordset_name);
      // Only the tracker's own reference goes: a recordset the caller still holds stays open.
      if (open) RecordsetCLOSE(open, "(unavailable)", "CloseAllRecordsets");
    }
  });
}

}  // namespace nrx
