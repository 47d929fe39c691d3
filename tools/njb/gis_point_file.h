#pragma once
// The points of a vector source GDAL reads (GeoPackage, GeoJSON, Shapefile, DXF, KML, ...) as
// rows for point entry, carried into the job's system and zone. The whole source is read and
// checked first: entry sees its rows only when every feature can be entered.

#include <string>
#include <vector>

#include "exchange/crs.h"
#include "point_file.h"

namespace njb {

// Where the points go: the system they are carried into and the zone each is given (0: none).
struct GisTarget {
  nrx::exchange::Crs crs;
  int zone = 0;
};

// The point features of every layer of `source`, numbered from the attribute `number_field`.
// Raises 5 naming each feature that cannot be entered (layer, feature id and reason: no
// geometry, no number or one outside 1 to kPointLimit - 1, a number read twice, a description
// too long, a place outside the target system); 53 when the source is missing, 75 when GDAL
// cannot read it.
std::vector<PointRow> ReadGisPointFile(const std::string& source, const GisTarget& target,
                                       const std::string& number_field);

}  // namespace njb
