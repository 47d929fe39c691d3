// cFixedPoints: life cycle.

#include "nrxJobDb/cfixedpoints.h"

#include "frame/fixed_points_members.h"
#include "frame/lifecycle.h"
#include "frame/live_objects.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {

cFixedPoints::cFixedPoints() {
  Class_Initialize();
  frame::ObjectCreated();
}

cFixedPoints::~cFixedPoints() {
  frame::ObjectDestroyed();
  frame::Lifecycle::TerminateQuietly(*this);
}

void cFixedPoints::Class_Initialize() {
  Guard(FixedPointsLabel("Class_Initialize"), [&] { class_active_ = true; });
}

void cFixedPoints::Class_Terminate() {
  Guard(FixedPointsLabel("Class_Terminate"), [&] { class_active_ = false; });
}

}  // namespace nrx
