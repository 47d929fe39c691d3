// cDBtransactions: life cycle.

#include "nrxJobDb/cdbtransactions.h"

#include "frame/db_transactions_members.h"
#include "frame/lifecycle.h"
#include "frame/live_objects.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {

cDBtransactions::cDBtransactions() {
  Class_Initialize();
  frame::ObjectCreated();
}

cDBtransactions::~cDBtransactions() {
  frame::ObjectDestroyed();
  frame::Lifecycle::TerminateQuietly(*this);
}

void cDBtransactions::Class_Initialize() {
  Guard(DBtransactionsLabel("Class_Initialize"), [&] {
    class_active_ = true;
    jobProcs_ = std::make_shared<cJobProcs>();
  });
}

void cDBtransactions::Class_Terminate() {
  // Pending transactions stay as they are: they belong to the caller's workspace.
  Guard(DBtransactionsLabel("Class_Terminate"), [&] {
    class_active_ = false;
    jobProcs_.reset();
  });
}

}  // namespace nrx
