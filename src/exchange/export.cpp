#include "exchange/export.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <array>

#include "exchange/csv_export.h"
#include "exchange/dxf_export.h"
#include "exchange/ogr_export.h"
#include "exchange/staged_output.h"
#include "exchange/zone_groups.h"
#include "nrxJobDb/errors.h"

namespace nrx::exchange {
namespace {

namespace fs = std::filesystem;
constexpr std::string_view kSource = "nrxExchange.Export";

constexpr std::array<std::pair<std::string_view, Format>, 7> kFormats = {{
    {"gpkg", Format::kGpkg},
    {"geojson", Format::kGeoJson},
    {"kml", Format::kKml},
    {"gpx", Format::kGpx},
    {"dxf", Format::kDxf},
    {"shp", Format::kShp},
    {"csv", Format::kCsv},
}};

bool WithoutSystem(Format format) { return format == Format::kDxf || format == Format::kCsv; }

// OUT_z<zone>.ext for each zone when split, else OUT itself.
fs::path FileOfZone(const fs::path& out, int zone) {
  return out.parent_path() /
         fmt::format("{}_z{}{}", out.stem().string(), zone, out.extension().string());
}

void CheckZones(const ExportOptions& options, const ZoneGroups& groups) {
  if (options.split_zones && !WithoutSystem(options.format)) {
    RaiseText(err::kInvalidCall, kSource,
              "--split-zones is for dxf and csv; the other formats keep the zones apart "
              "themselves");
  }
  if (WithoutSystem(options.format) && !options.split_zones && groups.zones.size() > 1) {
    std::vector<int> zones;
    for (const ZoneGroup& group : groups.zones) zones.push_back(group.zone);
    RaiseText(err::kInvalidCall, kSource,
              fmt::format("The job's points lie in zones {}, and a {} file carries no "
                          "coordinate system: give --split-zones for one file per zone",
                          fmt::join(zones, ", "), options.format == Format::kDxf ? "DXF" : "CSV"));
  }
}

std::size_t FeatureCount(const ZoneGroups& groups) {
  std::size_t count = 0;
  for (const ZoneGroup& group : groups.zones) count += group.points.size() + group.lines.size();
  return count;
}

// DXF and CSV: a file per zone group (or one for the whole job), each staged on its own.
void ExportFiles(const JobData& job, const ZoneGroups& groups, ZoneSystems& systems,
                 const ExportOptions& options, Progress& progress, std::vector<StagedOutput>& staged, ExportSummary& summary) {
  std::vector<ZoneGroup> files = groups.zones;
  if (files.empty()) files.push_back({});
  for (const ZoneGroup& group : files) {
    const fs::path target =
        options.split_zones ? FileOfZone(options.out, group.zone) : fs::path(options.out);
    StagedOutput& output = staged.emplace_back(target);
    if (options.format == Format::kDxf) {
      WriteDxf(group, job, systems, output.Temp(), progress);
    } else {
      WriteCsv(group, job, options.columns, output.Temp(), progress);
    }
    summary.files.push_back(target.string());
    summary.layers.push_back({target.filename().string(), group.points.size(), group.lines.size()});
  }
}

}  // namespace

Format ParseFormat(std::string_view name) {
  for (const auto& [known, format] : kFormats) {
    if (known == name) return format;
  }
  RaiseText(err::kInvalidCall, kSource,
            fmt::format("Unknown export format '{}': give gpkg, geojson, kml, gpx, dxf, shp or csv",
                        name));
}

ExportSummary Export(const JobData& job, ZoneSystems& systems, const ExportOptions& options) {
  const ZoneGroups groups = GroupByZone(job);
  CheckZones(options, groups);
  if (options.format == Format::kCsv) CheckColumns(options.columns);
  ExportSummary summary;
  summary.lines_skipped = groups.lines_skipped;
  Progress progress(options.progress, FeatureCount(groups));
  std::vector<StagedOutput> staged;
  if (WithoutSystem(options.format)) {
    ExportFiles(job, groups, systems, options, progress, staged, summary);
  } else {
    StagedOutput& output = staged.emplace_back(options.out);
    ExportThroughOgr(options.format, groups, systems, output.Temp(), progress, summary);
    summary.files.push_back(options.out);
  }
  for (StagedOutput& output : staged) output.Commit();
  progress.Finish();
  return summary;
}

}  // namespace nrx::exchange
