// cJobProcs: life cycle and the members of the component frame.

#include "nrxJobDb/cjobprocs.h"

#include "frame/lifecycle.h"
#include "frame/live_objects.h"
#include "frame/member_adapter.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {
namespace {

MemberLabel Sub(std::string_view member) {
  return {cJobProcs::kClassName, MemberKind::Sub, member};
}

using frame::MethodAdapter;
const frame::ClassActiveRegistrars<cJobProcs> kClassActive;
const MemberRegistrar kSetBlank{cJobProcs::kClassName, "SetBlank", InvokeKind::Method,
                                MethodAdapter(&cJobProcs::SetBlank)};
const MemberRegistrar kNewTableField{cJobProcs::kClassName, "NewTableField_OLD", InvokeKind::Method,
                                     MethodAdapter(&cJobProcs::NewTableField_OLD)};
const MemberRegistrar kTestChange{cJobProcs::kClassName, "TestChange", InvokeKind::Method,
                                  MethodAdapter(&cJobProcs::TestChange)};

}  // namespace

cJobProcs::cJobProcs() {
  Class_Initialize();
  frame::ObjectCreated();
}

cJobProcs::~cJobProcs() {
  frame::ObjectDestroyed();
  frame::Lifecycle::TerminateQuietly(*this);
}

void cJobProcs::Class_Initialize() {
  Guard(Sub("Class_Initialize"), [&] {
    class_active_ = true;
    SetupTableArrays();
  });
}

void cJobProcs::Class_Terminate() {
  Guard(Sub("Class_Terminate"), [&] {
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
