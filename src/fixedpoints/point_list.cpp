// cFixedPoints: the list text of fixed point numbers and the test of a number against a list.

#include <string>

#include "frame/fixed_points_members.h"
#include "nrxJobDb/cfixedpoints.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {

bool cFixedPoints::PointInList(std::int32_t pointNo, const std::string& searchString) const {
  return Guard(FixedPointsLabel("PointInList"), [&] {
    // The blank before the digits keeps 12 from matching inside 112; a minus sign stands where
    // that blank would be.
    const std::string match = (pointNo < 0 ? "" : " ") + std::to_string(pointNo) + " ";
    return searchString.find(match) != std::string::npos;
  });
}

std::string cFixedPoints::FixedPoints() const {
  return Guard(FixedPointsLabel("FixedPoints", InvokeKind::PropertyGet),
               [&] { return fixed_points_list_; });
}

void cFixedPoints::SetFixedPoints(const std::string& list) {
  Guard(FixedPointsLabel("FixedPoints", InvokeKind::PropertyLet),
        [&] { fixed_points_list_ = list; });
}

std::string cFixedPoints::AssignFixedPtsList_OLD(const std::string& /*pointsList*/) {
  return Guard(FixedPointsLabel("AssignFixedPtsList_OLD"), [] { return std::string(); });
}

}  // namespace nrx
