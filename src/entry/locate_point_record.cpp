// cJobProcs::LocatePointRecord: makes a point's record current in a points recordset.

#include "entry/point_lookup.h"
#include "frame/job_procs_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/table_names.h"

namespace nrx {

bool cJobProcs::LocatePointRecord(std::int32_t pointNum, const RecordsetPtr& pointsRecordset) {
  return Guard(JobProcsLabel("LocatePointRecord"), [&] {
    Recordset& points = frame::Require(pointsRecordset, "pointsRecordset");
    // A caller's own index choice stands; only a table-type recordset without one gets the
    // point index, which a Seek cannot do without.
    if (points.Type() == dbOpenTable && points.Index().empty()) {
      points.SetIndex(model::TableNames::Instance().PointIndex());
    }
    return entry::FindPoint(points, pointNum, "PointNo");
  });
}

}  // namespace nrx
