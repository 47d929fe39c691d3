#include "exchange/ogr_export.h"

#include <fmt/format.h>

#include "exchange/feature_writer.h"
#include "exchange/placement.h"

namespace nrx::exchange {
namespace {

enum class Shape {
  kZoneLayers,      // points_z<zone> and lines_z<zone>, each in its zone's system
  kTwoLayers,       // all points in one layer, all lines in another, longitude and latitude
  kOneMixedLayer,   // a format of a single layer: points and lines together
};

struct Layout {
  const char* driver;
  std::vector<std::string> options;
  FieldNames names;
  Shape shape;
  const char* points = "points";
  const char* lines = "lines";
};

Layout LayoutOf(Format format) {
  switch (format) {
    case Format::kGpkg: return {"GPKG", {}, {}, Shape::kZoneLayers};
    case Format::kShp: return {"ESRI Shapefile", {}, {}, Shape::kZoneLayers};
    case Format::kGeoJson: return {"GeoJSON", {}, {}, Shape::kOneMixedLayer, "job"};
    case Format::kKml:
      return {"KML", {"NameField=point_no", "DescriptionField=desc"}, {}, Shape::kTwoLayers};
    default:
      return {"GPX", {"GPX_USE_EXTENSIONS=YES"}, {"name", "ele"}, Shape::kTwoLayers,
              "waypoints", "routes"};
  }
}

const Crs kLongitudeLatitude{4326, "WGS 84"};

class OgrExport {
 public:
  OgrExport(GDALDataset& dataset, const Layout& layout, ZoneSystems& systems, Progress& progress,
            ExportSummary& summary)
      : layout_(layout), writer_(dataset, layout.names, progress), placement_(systems),
        systems_(systems), summary_(summary) {}

  void ZoneLayers(const ZoneGroups& groups) {
    for (const ZoneGroup& group : groups.zones) {
      const Crs& crs = systems_.ForZone(group.zone);
      WritePoints(fmt::format("{}_z{}", layout_.points, group.zone), crs, group.points);
      if (!group.lines.empty()) {
        WriteLines(fmt::format("{}_z{}", layout_.lines, group.zone), crs, group.lines);
      }
    }
  }

  void TwoLayers(const ZoneGroups& groups) {
    WritePoints(layout_.points, kLongitudeLatitude, AllPoints(groups));
    WriteLines(layout_.lines, kLongitudeLatitude, AllLines(groups));
  }

  void OneMixedLayer(const ZoneGroups& groups) {
    OGRLayer& layer =
        writer_.CreateLayer(layout_.points, kLongitudeLatitude, wkbUnknown, true, true);
    LayerCount& count = summary_.layers.emplace_back(LayerCount{layout_.points});
    for (const Point* point : AllPoints(groups)) {
      writer_.WritePoint(layer, *point, placement_.Place(*point, kLongitudeLatitude));
      ++count.points;
    }
    for (const LineEnds& ends : AllLines(groups)) WriteLine(layer, ends, kLongitudeLatitude);
    count.lines = AllLines(groups).size();
  }

 private:
  const Layout& layout_;
  FeatureWriter writer_;
  Placement placement_;
  ZoneSystems& systems_;
  ExportSummary& summary_;

  static std::vector<const Point*> AllPoints(const ZoneGroups& groups) {
    std::vector<const Point*> all;
    for (const ZoneGroup& group : groups.zones) {
      all.insert(all.end(), group.points.begin(), group.points.end());
    }
    return all;
  }
  static std::vector<LineEnds> AllLines(const ZoneGroups& groups) {
    std::vector<LineEnds> all;
    for (const ZoneGroup& group : groups.zones) {
      all.insert(all.end(), group.lines.begin(), group.lines.end());
    }
    return all;
  }

  void WritePoints(const std::string& name, const Crs& crs,
                   const std::vector<const Point*>& points) {
    OGRLayer& layer = writer_.CreateLayer(name, crs, wkbPoint, true, false);
    for (const Point* point : points) {
      writer_.WritePoint(layer, *point, placement_.Place(*point, crs));
    }
    summary_.layers.push_back({name, points.size(), 0});
  }

  void WriteLines(const std::string& name, const Crs& crs, const std::vector<LineEnds>& lines) {
    OGRLayer& layer = writer_.CreateLayer(name, crs, wkbLineString, false, true);
    for (const LineEnds& ends : lines) WriteLine(layer, ends, crs);
    summary_.layers.push_back({name, 0, lines.size()});
  }

  void WriteLine(OGRLayer& layer, const LineEnds& ends, const Crs& crs) {
    writer_.WriteLine(layer, *ends.line, placement_.Place(*ends.from, crs),
                      placement_.Place(*ends.to, crs));
  }
};

}  // namespace

void ExportThroughOgr(Format format, const ZoneGroups& groups, ZoneSystems& systems,
                      const std::filesystem::path& path, Progress& progress,
                      ExportSummary& summary) {
  const Layout layout = LayoutOf(format);
  DatasetPtr dataset = CreateDataset(layout.driver, path.string(), layout.options);
  // One transaction makes a GeoPackage's thousands of inserts one write.
  const bool transaction = dataset->TestCapability(ODsCTransactions) &&
                           dataset->StartTransaction() == OGRERR_NONE;
  OgrExport writing(*dataset, layout, systems, progress, summary);
  switch (layout.shape) {
    case Shape::kZoneLayers: writing.ZoneLayers(groups); break;
    case Shape::kTwoLayers: writing.TwoLayers(groups); break;
    case Shape::kOneMixedLayer: writing.OneMixedLayer(groups); break;
  }
  if (transaction && dataset->CommitTransaction() != OGRERR_NONE) {
    RaiseGdal(fmt::format("Cannot write {}", path.string()));
  }
  // Closing writes what the driver held back; its failure is the export's.
  CPLErrorReset();
  dataset.reset();
  if (CPLGetLastErrorType() >= CE_Failure) RaiseGdal(fmt::format("Cannot write {}", path.string()));
}

}  // namespace nrx::exchange
