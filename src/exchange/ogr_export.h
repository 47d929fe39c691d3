#pragma once
// The formats GDAL writes with their coordinate systems: layers per zone in grid coordinates
// (GeoPackage, Shapefile) or a whole job in WGS84 longitude and latitude (GeoJSON, KML, GPX).

#include <filesystem>

#include "exchange/export.h"
#include "exchange/progress.h"
#include "exchange/zone_groups.h"

namespace nrx::exchange {

// Writes `groups` in `format` (one of the five) to `path`; the counts go into `summary`.
void ExportThroughOgr(Format format, const ZoneGroups& groups, ZoneSystems& systems,
                      const std::filesystem::path& path, Progress& progress,
                      ExportSummary& summary);

}  // namespace nrx::exchange
