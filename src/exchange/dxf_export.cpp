#include "exchange/dxf_export.h"

#include <cpl_conv.h>
#include <fmt/format.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "exchange/gdal_support.h"
#include "exchange/placement.h"
#include "nrxJobDb/errors.h"

namespace nrx::exchange {
namespace {

namespace fs = std::filesystem;
constexpr std::string_view kSource = "nrxExchange.Dxf";
constexpr double kTextHeight = 0.5;  // metres on the ground

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  const std::size_t last = text.find_last_not_of(" \t\r");
  return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

// Sets the value of a header variable ($NAME, its group code line, its value line).
void SetVariable(std::vector<std::string>& lines, const std::string& name, int value) {
  for (std::size_t i = 0; i + 2 < lines.size(); ++i) {
    if (Trimmed(lines[i]) != name) continue;
    lines[i + 2] = fmt::format("{:>6}", value);
    return;
  }
  RaiseText(err::kPathAccess, kSource, fmt::format("GDAL's DXF header has no {}", name));
}

// GDAL's header template made metric: $MEASUREMENT 1 (metric), $INSUNITS 6 (metres), $LUNITS 2
// (decimal) with the job's decimals.
class MetricHeader {
 public:
  MetricHeader(const fs::path& beside, int decimals) : path_(beside.string() + ".header.dxf") {
    const char* found = CPLFindFile("GDAL", "header.dxf");
    std::ifstream in(found ? found : "");
    if (!in) RaiseText(err::kFileNotFound, kSource, "GDAL's DXF header template is not installed");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    SetVariable(lines, "$MEASUREMENT", 1);
    SetVariable(lines, "$INSUNITS", 6);
    SetVariable(lines, "$LUNITS", 2);
    SetVariable(lines, "$LUPREC", decimals);
    std::ofstream out(path_);
    for (const std::string& line : lines) out << line << '\n';
    if (!out.flush()) Raise(err::kPathAccess, kSource, path_.string());
  }
  ~MetricHeader() {
    std::error_code ec;
    fs::remove(path_, ec);
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

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
  MetricHeader header(path, job.decimals_h);
  DatasetPtr dataset = CreateDataset("DXF", path.string(), {"HEADER=" + header.Path().string()});
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
