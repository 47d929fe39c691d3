// cFixedPoints: the count of fixed points found in the job database, and clearing it or the list.

#include <limits>

#include "frame/fixed_points_members.h"
#include "nrxJobDb/cfixedpoints.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {

void cFixedPoints::AddFixedPoint() {
  Guard(FixedPointsLabel("AddFixedPoint"), [&] {
    if (fixed_db_point_count_ == std::numeric_limits<std::int32_t>::max()) {
      Raise(err::kOverflow, kRuntimeErrorSource, "FixedDBPoints");
    }
    ++fixed_db_point_count_;
  });
}

void cFixedPoints::RemoveFixedPoint() {
  Guard(FixedPointsLabel("RemoveFixedPoint"), [&] {
    if (fixed_db_point_count_ > 0) --fixed_db_point_count_;
  });
}

void cFixedPoints::ClearFixedPoints(bool DBpoints) {
  Guard(FixedPointsLabel("ClearFixedPoints"), [&] {
    if (DBpoints) {
      fixed_db_point_count_ = 0;
    } else {
      SetFixedPoints("");
    }
  });
}

bool cFixedPoints::HaveFixedPoints() const {
  return Guard(FixedPointsLabel("HaveFixedPoints"), [&] { return FixedDBPoints() >= 1; });
}

std::int32_t cFixedPoints::FixedDBPoints() const {
  return Guard(FixedPointsLabel("FixedDBPoints", InvokeKind::PropertyGet),
               [&] { return fixed_db_point_count_; });
}

void cFixedPoints::SetFixedDBPoints(std::int32_t count) {
  Guard(FixedPointsLabel("FixedDBPoints", InvokeKind::PropertyLet),
        [&] { fixed_db_point_count_ = count; });
}

}  // namespace nrx
