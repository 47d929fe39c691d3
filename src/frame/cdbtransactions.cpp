// cDBtransactions: life cycle and SetBlank; the tracker itself is in src/transactions.

#include "nrxJobDb/cdbtransactions.h"

#include "frame/db_transactions_members.h"
#include "frame/lifecycle.h"

namespace nrx {

cDBtransactions::cDBtransactions() { frame::Lifecycle::Construct(*this); }

cDBtransactions::~cDBtransactions() { frame::Lifecycle::Destruct(*this); }

void cDBtransactions::Class_Initialize() {
  frame::InitializeClass(*this, [&] { jobProcs_ = std::make_shared<cJobProcs>(); });
}

// Pending transactions stay as they are: they belong to the caller's workspace.
void cDBtransactions::Class_Terminate() {
  frame::TerminateClass(*this, [&] { jobProcs_.reset(); });
}

void cDBtransactions::SetBlank() {}

}  // namespace nrx
