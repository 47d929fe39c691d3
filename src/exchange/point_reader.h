#pragma once
// Points from any vector source GDAL reads (GeoPackage, GeoJSON, Shapefile, KML, GPX, DXF, ...),
// carried into a job's system, with every feature that cannot become a point named.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "exchange/crs.h"
#include "exchange/job_data.h"

namespace nrx::exchange {

struct ReadOptions {
  std::string number_field = "point_no";  // the attribute holding each point's number
  // The caller's own rules for a point read whole: why it cannot be taken, or nothing. A point
  // refused is a problem of its feature like any other.
  std::function<std::optional<std::string>(const Point&)> refuse = {};
};

// A feature that cannot become a point: its layer, its feature id in that layer, and why.
struct FeatureProblem {
  std::string layer;
  std::int64_t feature = 0;
  std::string reason;
};

struct ReadResult {
  std::vector<Point> points;  // in the order read
  std::vector<FeatureProblem> problems;
};

// Every point feature of every layer of `source`, reprojected from its layer's system into
// `target` (a layer without a system is taken to be in `target` already) and given `zone`.
// Lines, areas and text labels are not points and are passed over. The number comes from
// `number_field` (a whole number 1 to 2147483647, as a number or a text); the height from a 3D
// geometry, else an attribute height, ele or z; the description from desc or description; fixed
// and alpha_id from attributes of those names. Raises 53 when the source is missing and 75 when
// GDAL cannot read it; a bad feature is a problem in the result, never a partial point.
ReadResult ReadPoints(const std::string& source, const Crs& target, int zone,
                      const ReadOptions& options = {});

}  // namespace nrx::exchange
