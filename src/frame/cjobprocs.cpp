// cJobProcs: life cycle and the members of the component frame.

#include "nrxJobDb/cjobprocs.h"

#include "frame/job_procs_members.h"
#include "frame/lifecycle.h"

namespace nrx {

cJobProcs::cJobProcs() { frame::Lifecycle::Construct(*this); }

cJobProcs::~cJobProcs() { frame::Lifecycle::Destruct(*this); }

void cJobProcs::Class_Initialize() {
  frame::InitializeClass(*this, [&] { SetupTableArrays(); });
}

void cJobProcs::Class_Terminate() {
  frame::TerminateClass(*this, [&] { ClearTableArrays(); });
}

const std::shared_ptr<cJobProcs>& cJobProcs::Default() {
  static const std::shared_ptr<cJobProcs> instance = std::make_shared<cJobProcs>();
  return instance;
}

void cJobProcs::SetBlank() {}

void cJobProcs::NewTableField_OLD(const DatabasePtr&, const RecordsetPtr&, const std::string&,
                                  const std::string&, std::int16_t, std::int16_t, const Variant&,
                                  const model::JobGeneralPtr&, bool*) {}

void cJobProcs::TestChange(std::string& desc) { desc = "Changed it!!"; }

}  // namespace nrx
