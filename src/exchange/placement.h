#pragma once
// Where a point goes in an output system: its own grid coordinates when the output is in its
// zone's system, else reprojected from that system.

#include <map>
#include <memory>
#include <utility>

#include "exchange/crs.h"
#include "exchange/gdal_support.h"
#include "exchange/job_data.h"

namespace nrx::exchange {

class Placement {
 public:
  explicit Placement(ZoneSystems& systems) : systems_(systems) {}

  // Easting (longitude) and northing (latitude) of `point` in `target`; raises 75 when PROJ
  // cannot carry it over.
  std::pair<double, double> Place(const Point& point, const Crs& target);

 private:
  ZoneSystems& systems_;
  std::map<std::pair<int, int>, std::unique_ptr<Reprojection>> reprojections_;
};

}  // namespace nrx::exchange
