// cFixedPoints: life cycle.

#include "nrxJobDb/cfixedpoints.h"

#include "frame/fixed_points_members.h"
#include "frame/lifecycle.h"

namespace nrx {

cFixedPoints::cFixedPoints() { frame::Lifecycle::Construct(*this); }

cFixedPoints::~cFixedPoints() { frame::Lifecycle::Destruct(*this); }

void cFixedPoints::Class_Initialize() {
  frame::InitializeClass(*this, [] {});
}

// The recordset goes first: one held only here closes now, not whenever the members go.
void cFixedPoints::Class_Terminate() {
  frame::TerminateClass(*this, [&] {
    last_clone_.reset();
    fixed_points_table_.reset();
  });
}

}  // namespace nrx
