// cJobProcs::PointEntryStored: finds a point number in the caller's point list.

#include <algorithm>

#include "entry/point_entry_lines.h"
#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {

bool cJobProcs::PointEntryStored(std::int32_t pointNo,
                                 const std::vector<std::int32_t>& pointEntryPointList,
                                 const model::EnterPointsPtr& enterPoints,
                                 const std::vector<bool>& pointEntryPtFixList, bool* PEptFixed) {
  return Guard(JobProcsLabel("PointEntryStored"), [&] {
    model::EnterPoints& state = frame::Require(enterPoints, "enterPoints");
    if (entry::UpperBound(pointEntryPointList) > 0) {
      const auto found = std::find(pointEntryPointList.begin() + 1, pointEntryPointList.end(),
                                   pointNo);
      if (found != pointEntryPointList.end()) {
        const auto position = static_cast<std::int32_t>(found - pointEntryPointList.begin());
        state.SetEntryPosition(position);
        if (PEptFixed) {
          *PEptFixed = entry::UpperBound(pointEntryPtFixList) > 0 &&
                       entry::Element(pointEntryPtFixList, position);
        }
        return true;
      }
    }
    state.SetEntryPosition(0);
    return false;
  });
}

}  // namespace nrx
