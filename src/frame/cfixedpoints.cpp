// cFixedPoints: life cycle.

#include "nrxJobDb/cfixedpoints.h"

#include "frame/lifecycle.h"
#include "frame/live_objects.h"
#include "frame/member_adapter.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {
namespace {

const frame::ClassActiveRegistrars<cFixedPoints> kClassActive;

}  // namespace

cFixedPoints::cFixedPoints() {
  Class_Initialize();
  frame::ObjectCreated();
}

cFixedPoints::~cFixedPoints() {
  frame::ObjectDestroyed();
  frame::Lifecycle::TerminateQuietly(*this);
}

void cFixedPoints::Class_Initialize() {
  Guard({kClassName, MemberKind::Sub, "Class_Initialize"}, [&] { class_active_ = true; });
}

void cFixedPoints::Class_Terminate() {
  Guard({kClassName, MemberKind::Sub, "Class_Terminate"}, [&] { class_active_ = false; });
}

}  // namespace nrx
