// cDBtransactions: beginning, committing and rolling back the caller's transactions, counted in
// the tracker's depth.

#include "frame/db_transactions_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cdbtransactions.h"
#include "nrxJobDb/error_convention.h"
#include "transactions/tracker_count.h"

namespace nrx {

void cDBtransactions::BeginTransIfNotPending(const WorkspacePtr& currentWorkspace,
                                             bool startNewTransaction,
                                             const std::string& /*callingProc*/) {
  Guard(DBtransactionsLabel("BeginTransIfNotPending"), [&] {
    // Any depth but 0, a negative one set by the caller included, counts as pending.
    if (!startNewTransaction && active_transactions_ != 0) return;
    frame::Require(currentWorkspace, "currentWorkspace").BeginTrans();
    active_transactions_ = transactions::OneMore(active_transactions_, "transaction depth");
  });
}

template <class EndOne>
void cDBtransactions::EndTransactions(const WorkspacePtr& currentWorkspace, bool all,
                                      const std::string& callingProc, EndOne endOne) {
  if (active_transactions_ <= 0) return;
  CloseAllRecordsets(currentWorkspace, callingProc);
  do {
    // A transaction the engine no longer holds has ended all the same: the depth follows the
    // workspace rather than raising where the caller only wanted it ended.
    frame::PassOver(err::kNoTransaction, endOne);
    --active_transactions_;
  } while (all && active_transactions_ > 0);
}

void cDBtransactions::CommitTransIfPending(const WorkspacePtr& currentWorkspace, bool commitAll,
                                           const std::string& callingProc) {
  Guard(DBtransactionsLabel("CommitTransIfPending"), [&] {
    EndTransactions(currentWorkspace, commitAll, callingProc,
                    [&] { frame::Require(currentWorkspace, "currentWorkspace").CommitTrans(0); });
  });
}

// Without a workspace there is nothing to undo, yet the caller still leaves its transactions:
// only the depth goes down.
void cDBtransactions::RollBackTransIfPending(const WorkspacePtr& currentWorkspace, bool rollBackAll,
                                             const std::string& callingProc) {
  Guard(DBtransactionsLabel("RollBackTransIfPending"), [&] {
    EndTransactions(currentWorkspace, rollBackAll, callingProc, [&] {
      if (currentWorkspace) currentWorkspace->Rollback();
    });
  });
}

}  // namespace nrx
