#pragma once
// A job's points and lines written to GIS and CAD formats.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/crs.h"
#include "exchange/job_data.h"

namespace nrx::exchange {

enum class Format { kGpkg, kGeoJson, kKml, kGpx, kDxf, kShp, kCsv };

// "gpkg", "geojson", "kml", "gpx", "dxf", "shp" or "csv"; raises 5 for anything else.
Format ParseFormat(std::string_view name);

struct ExportOptions {
  Format format = Format::kGpkg;
  std::string out;           // the file; for shp the folder of the layers' files
  bool split_zones = false;  // dxf and csv: one file per zone, OUT_z<zone>.ext
  std::string columns = "PENZD";  // csv: P number, E easting, N northing, Z height, D description
  // Called now and then with the features written so far out of all.
  std::function<void(std::size_t done, std::size_t total)> progress;
};

// What one layer (or file) received.
struct LayerCount {
  std::string name;
  std::size_t points = 0;
  std::size_t lines = 0;
};

struct ExportSummary {
  std::vector<std::string> files;
  std::vector<LayerCount> layers;
  std::size_t lines_skipped = 0;  // lines naming a point the job does not have
};

// Writes the job in the format's way: gpkg and shp a point and a line layer per zone in the
// zone's own system; geojson, kml and gpx in WGS84 longitude and latitude; dxf and csv grid
// coordinates, which carry no system, so a job in several zones needs split_zones (else 5).
// Everything is written under temporary names and renamed at the end: on any error (5 for
// options, 75 for writing) nothing is left.
ExportSummary Export(const JobData& job, ZoneSystems& systems, const ExportOptions& options);

}  // namespace nrx::exchange
