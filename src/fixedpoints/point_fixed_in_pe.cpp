// cFixedPoints::PointFixedInPE: whether point entry lists a point as fixed, in the grid or else
// the geographic point-entry table.

#include <optional>

#include "fixedpoints/point_criterion.h"
#include "frame/fixed_points_members.h"
#include "frame/member_support.h"
#include "nrxJobDb/cfixedpoints.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/table_names.h"

namespace nrx {
namespace {

// The point's fixed flag among the fixed records of one entry table; nullopt when they do not
// hold the point.
std::optional<bool> FixedInEntryTable(Database& db, const std::string& table,
                                      std::int32_t pointNo) {
  RecordsetPtr rs = db.OpenRecordset("SELECT * FROM " + table +
                                     " WHERE PointNo > 0 and Fixed = True ORDER BY PointNo");
  if (rs->RecordCount() <= 0) return std::nullopt;
  rs->MoveLast(0);
  rs->MoveFirst();
  rs->FindFirst(fixedpoints::PointCriterion(pointNo));
  if (rs->NoMatch()) return std::nullopt;
  const Variant fixed = rs->Fields("Fixed")->Value();
  return !fixed.IsNull() && fixed.ToBoolean();
}

}  // namespace

bool cFixedPoints::PointFixedInPE(std::int32_t pointNo, bool /*jobSpheroidal*/,
                                  const DatabasePtr& jobDB) {
  return Guard(FixedPointsLabel("PointFixedInPE"), [&] {
    Database& db = frame::Require(jobDB, "jobDB");
    const model::TableNames& names = model::TableNames::Instance();
    // A point the grid table holds is answered there: the geographic table is not asked.
    for (const std::string& table : {names.GridEntryTable(), names.GeoEntryTable()}) {
      if (!db.TableDefs().FindExact(table)) continue;
      if (const std::optional<bool> fixed = FixedInEntryTable(db, table, pointNo)) return *fixed;
    }
    return false;
  });
}

}  // namespace nrx
