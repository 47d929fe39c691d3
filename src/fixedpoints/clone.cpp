// cFixedPoints::Clone: an independent copy of the list and the count.

#include "frame/fixed_points_members.h"
#include "nrxJobDb/cfixedpoints.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {

std::shared_ptr<cFixedPoints> cFixedPoints::Clone() {
  return Guard(FixedPointsLabel("Clone", InvokeKind::PropertyGet), [&] {
    // Kept until the next copy replaces it, so a copy lives at least as long as this object
    // unless the caller asks again.
    last_clone_ = std::make_shared<cFixedPoints>();
    last_clone_->SetFixedPoints(FixedPoints());
    last_clone_->SetFixedDBPoints(FixedDBPoints());
    return last_clone_;
  });
}

}  // namespace nrx
