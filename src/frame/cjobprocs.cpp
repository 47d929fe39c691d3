// cJobProcs: life cycle and the members of the component frame.

#include "nrxJobDb/cjobprocs.h"

#include "frame/job_procs_members.h"
#include "frame/lifecycle.h"
#include "frame/live_objects.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {

cJobProcs::cJobProcs() {
  Class_Initialize();
  frame::ObjectCreated();
}

cJobProcs::~cJobProcs() {
  frame::ObjectDestroyed();
  frame::Lifecycle::TerminateQuietly(*this);
}

void cJobProcs::Class_Initialize() {
  Guard(JobProcsLabel("Class_Initialize"), [&] {
    class_active_ = true;
    SetupTableArrays();
  });
}

void cJobProcs::Class_Terminate() {
  Guard(JobProcsLabel("Class_Terminate"), [&] {
    ClearTableArrays();
    class_active_ = false;
  });
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
