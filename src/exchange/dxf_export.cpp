#include "exchange/dxf_export.h"

#include <fmt/format.h>

#include "exchange/dxf_template.h"
#include "exchange/gdal_support.h"
#include "exchange/placement.h"

namespace nrx::exchange {
namespace {

namespace fs = std::filesystem;
constexpr double kTextHeight = 0.5;  // metres on the ground

struct FeatureDeleter {
  void operator()(OGRFeature* feature) const { OGRFeature::DestroyFeature(feature); }
};

class Drawing {
 public:
  Drawing(GDALDataset& dataset, Progress& progress) : progress_(progress) {
    CPLErrorReset();
    layer_ = dataset.CreateLayer("entities", nullptr, wkbUnknown, nullptr);
    if (!layer_) RaiseGdal("Cannot create the DXF drawing");
  }

  void Add(const char* drawing_layer, OGRGeometry* geometry, const std::string& style = {}) {
    std::unique_ptr<OGRFeature, FeatureDeleter> feature(
        OGRFeature::CreateFeature(layer_->GetLayerDefn()));
    feature->SetField("Layer", drawing_layer);
    feature->SetGeometryDirectly(geometry);
    if (!style.empty()) feature->SetStyleString(style.c_str());
    CPLErrorReset();
    if (layer_->CreateFeature(feature.get()) != OGRERR_NONE) RaiseGdal("Cannot write the drawing");
  }

  // A text whose lower left corner stands at (x, y).
  void Label(const char* drawing_layer, double x, double y, const std::string& text) {
    Add(drawing_layer, new OGRPoint(x, y),
        fmt::format("LABEL(f:\"Arial\",t:\"{}\",s:{}g,p:1)", text, kTextHeight));
  }

  void Step() { progress_.Step(); }

 private:
  OGRLayer* layer_ = nullptr;
  Progress& progress_;
};

}  // namespace

void WriteDxf(const ZoneGroup& group, const JobData& job, ZoneSystems& systems,
              const fs::path& path, Progress& progress) {
  const DxfTemplate drawing_template(job.decimals_h);
  DatasetPtr dataset = CreateDataset("DXF", path.string(), drawing_template.Options());
  Drawing drawing(*dataset, progress);
  for (const Point* point : group.points) {
    drawing.Add("POINTS", point->height
                              ? new OGRPoint(point->easting, point->northing, *point->height)
                              : new OGRPoint(point->easting, point->northing));
    const double x = point->easting + kTextHeight / 2;
    drawing.Label("NUMBERS", x, point->northing + kTextHeight / 2, std::to_string(point->number));
    if (point->height) {
      drawing.Label("HEIGHTS", x, point->northing - 1.5 * kTextHeight,
                    fmt::format("{:.{}f}", *point->height, job.decimals_v));
    }
    drawing.Step();
  }
  Placement placement(systems);
  for (const LineEnds& ends : group.lines) {
    auto* line = new OGRLineString();
    line->addPoint(ends.from->easting, ends.from->northing);
    if (ends.to->zone == group.zone) {
      line->addPoint(ends.to->easting, ends.to->northing);
    } else {
      const auto [x, y] = placement.Place(*ends.to, systems.ForZone(group.zone));
      line->addPoint(x, y);
    }
    drawing.Add("LINES", line);
    drawing.Step();
  }
  CPLErrorReset();
  dataset.reset();
  if (CPLGetLastErrorType() >= CE_Failure) RaiseGdal(fmt::format("Cannot write {}", path.string()));
}

}  // namespace nrx::exchange
