#include "exchange/point_reader.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <variant>

#include "exchange/gdal_support.h"

namespace nrx::exchange {
namespace {

struct FeatureDeleter {
  void operator()(OGRFeature* feature) const { OGRFeature::DestroyFeature(feature); }
};
using FeaturePtr = std::unique_ptr<OGRFeature, FeatureDeleter>;

// The index of the first of `names` the layer has (letter case aside), or -1.
int FieldOf(OGRFeatureDefn& fields, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const int index = fields.GetFieldIndex(name);
    if (index >= 0) return index;
  }
  return -1;
}

bool IsLabel(const OGRFeature& feature) {
  const char* style = feature.GetStyleString();
  return style && std::string_view(style).starts_with("LABEL");
}

// The point number of the feature, or why there is none.
std::variant<std::int32_t, std::string> NumberOf(const OGRFeature& feature, int field,
                                                 const std::string& name) {
  if (field < 0) return fmt::format("the layer has no field {}", name);
  if (!feature.IsFieldSetAndNotNull(field)) return fmt::format("{} is empty", name);
  const std::string text = feature.GetFieldAsString(field);
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value != std::floor(value) ||
      value < 1 || value > 2147483647.0) {
    return fmt::format("{} '{}' is not a point number (a whole number from 1)", name, text);
  }
  return static_cast<std::int32_t>(value);
}

class LayerReader {
 public:
  LayerReader(OGRLayer& layer, const Crs& target, int zone, const ReadOptions& options,
              ReadResult& result, std::map<std::int32_t, std::string>& seen)
      : layer_(layer), fields_(*layer.GetLayerDefn()), zone_(zone), options_(options),
        result_(result), seen_(seen) {
    number_ = fields_.GetFieldIndex(options.number_field.c_str());
    height_ = FieldOf(fields_, {"height", "ele", "z"});
    description_ = FieldOf(fields_, {"desc", "description"});
    fixed_ = FieldOf(fields_, {"fixed"});
    alpha_id_ = FieldOf(fields_, {"alpha_id"});
    if (const OGRSpatialReference* own = layer.GetSpatialRef()) {
      reprojection_ = std::make_unique<Reprojection>(SpatialRef(*own), SpatialRef(target));
    }
  }

  void ReadAll() {
    layer_.ResetReading();
    while (FeaturePtr feature{layer_.GetNextFeature()}) Read(*feature);
  }

 private:
  OGRLayer& layer_;
  OGRFeatureDefn& fields_;
  int zone_;
  const ReadOptions& options_;
  ReadResult& result_;
  std::map<std::int32_t, std::string>& seen_;  // number -> where it was read
  std::unique_ptr<Reprojection> reprojection_;
  int number_ = -1, height_ = -1, description_ = -1, fixed_ = -1, alpha_id_ = -1;

  void Problem(const OGRFeature& feature, std::string reason) {
    result_.problems.push_back({layer_.GetName(), feature.GetFID(), std::move(reason)});
  }

  void Read(const OGRFeature& feature) {
    const OGRGeometry* geometry = feature.GetGeometryRef();
    if (!geometry || geometry->IsEmpty()) return Problem(feature, "it has no geometry");
    if (wkbFlatten(geometry->getGeometryType()) != wkbPoint || IsLabel(feature)) return;
    const auto number = NumberOf(feature, number_, options_.number_field);
    if (const auto* why = std::get_if<std::string>(&number)) return Problem(feature, *why);
    const std::string where = fmt::format("{} feature {}", layer_.GetName(), feature.GetFID());
    const auto [earlier, fresh] = seen_.emplace(std::get<std::int32_t>(number), where);
    if (!fresh) {
      return Problem(feature, fmt::format("point {} was read already, at {}", earlier->first,
                                          earlier->second));
    }
    const auto* at = geometry->toPoint();
    Point point;
    point.number = std::get<std::int32_t>(number);
    point.easting = at->getX();
    point.northing = at->getY();
    if (reprojection_ && !reprojection_->Apply(point.easting, point.northing)) {
      seen_.erase(point.number);
      return Problem(feature, "it cannot be carried into the job's system");
    }
    point.zone = zone_;
    if (at->Is3D()) {
      point.height = at->getZ();
    } else if (height_ >= 0 && feature.IsFieldSetAndNotNull(height_)) {
      point.height = feature.GetFieldAsDouble(height_);
    }
    if (description_ >= 0) point.description = feature.GetFieldAsString(description_);
    if (fixed_ >= 0) point.fixed = feature.GetFieldAsInteger(fixed_) != 0;
    if (alpha_id_ >= 0) point.alpha_id = feature.GetFieldAsString(alpha_id_);
    if (options_.refuse) {
      if (std::optional<std::string> why = options_.refuse(point)) {
        seen_.erase(point.number);
        return Problem(feature, std::move(*why));
      }
    }
    result_.points.push_back(std::move(point));
  }
};

}  // namespace

ReadResult ReadPoints(const std::string& source, const Crs& target, int zone,
                      const ReadOptions& options) {
  DatasetPtr dataset = OpenVector(source);
  ReadResult result;
  std::map<std::int32_t, std::string> seen;
  for (OGRLayer* layer : dataset->GetLayers()) {
    LayerReader(*layer, target, zone, options, result, seen).ReadAll();
  }
  return result;
}

}  // namespace nrx::exchange
