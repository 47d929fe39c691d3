#include "exchange/placement.h"

#include <fmt/format.h>

#include "nrxJobDb/errors.h"

namespace nrx::exchange {

std::pair<double, double> Placement::Place(const Point& point, const Crs& target) {
  const Crs& own = systems_.ForZone(point.zone);
  double x = point.easting;
  double y = point.northing;
  if (own.epsg == target.epsg) return {x, y};
  std::unique_ptr<Reprojection>& reprojection = reprojections_[{own.epsg, target.epsg}];
  if (!reprojection) {
    reprojection = std::make_unique<Reprojection>(SpatialRef(own), SpatialRef(target));
  }
  if (!reprojection->Apply(x, y)) {
    RaiseText(err::kPathAccess, "nrxExchange.Export",
              fmt::format("Point {} cannot be carried from EPSG:{} to EPSG:{}", point.number,
                          own.epsg, target.epsg));
  }
  return {x, y};
}

}  // namespace nrx::exchange
