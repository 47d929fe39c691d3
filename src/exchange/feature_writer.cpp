#include "exchange/feature_writer.h"

#include <fmt/format.h>

namespace nrx::exchange {
namespace {

struct FeatureDeleter {
  void operator()(OGRFeature* feature) const { OGRFeature::DestroyFeature(feature); }
};
using FeaturePtr = std::unique_ptr<OGRFeature, FeatureDeleter>;

FeaturePtr NewFeature(OGRLayer& layer) {
  return FeaturePtr(OGRFeature::CreateFeature(layer.GetLayerDefn()));
}

}  // namespace

OGRLayer& FeatureWriter::CreateLayer(const std::string& name, const Crs& crs,
                                     OGRwkbGeometryType type, bool point_fields,
                                     bool line_fields) {
  OGRSpatialReference ref = SpatialRef(crs);
  CPLErrorReset();
  OGRLayer* layer = dataset_.CreateLayer(name.c_str(), &ref, type, nullptr);
  if (!layer) RaiseGdal(fmt::format("Cannot create layer {}", name));
  if (point_fields) {
    AddField(*layer, names_.number, OFTString);
    AddField(*layer, "easting", OFTReal);
    AddField(*layer, "northing", OFTReal);
    AddField(*layer, names_.height, OFTReal);
    AddField(*layer, "zone", OFTInteger);
    AddField(*layer, "desc", OFTString);
    AddField(*layer, "fixed", OFTInteger, OFSTBoolean);
    AddField(*layer, "alpha_id", OFTString);
  }
  if (line_fields) {
    AddField(*layer, "point1", OFTString);
    AddField(*layer, "point2", OFTString);
    AddField(*layer, "line_type", OFTInteger);
  }
  return *layer;
}

// A format's own fields (GPX's name, ele, desc) are there from the start.
void FeatureWriter::AddField(OGRLayer& layer, const std::string& name, OGRFieldType type,
                             OGRFieldSubType subtype) {
  if (layer.GetLayerDefn()->GetFieldIndex(name.c_str()) >= 0) return;
  OGRFieldDefn field(name.c_str(), type);
  field.SetSubType(subtype);
  if (layer.CreateField(&field) != OGRERR_NONE) {
    RaiseGdal(fmt::format("Cannot add field {} to layer {}", name, layer.GetName()));
  }
}

const FeatureWriter::FieldIndexes& FeatureWriter::IndexesOf(OGRLayer& layer) {
  const OGRFeatureDefn* defn = layer.GetLayerDefn();
  auto found = indexes_.find(defn);
  if (found != indexes_.end()) return found->second;
  auto at = [&](const std::string& name) { return defn->GetFieldIndex(name.c_str()); };
  return indexes_
      .emplace(defn, FieldIndexes{at(names_.number), at("easting"), at("northing"),
                                  at(names_.height), at("zone"), at("desc"), at("fixed"),
                                  at("alpha_id"), at("point1"), at("point2"), at("line_type")})
      .first->second;
}

void FeatureWriter::WritePoint(OGRLayer& layer, const Point& point, std::pair<double, double> at) {
  const FieldIndexes& field = IndexesOf(layer);
  FeaturePtr feature = NewFeature(layer);
  feature->SetField(field.number, std::to_string(point.number).c_str());
  feature->SetField(field.easting, point.easting);
  feature->SetField(field.northing, point.northing);
  if (point.height) feature->SetField(field.height, *point.height);
  feature->SetField(field.zone, point.zone);
  if (!point.description.empty()) feature->SetField(field.desc, point.description.c_str());
  feature->SetField(field.fixed, point.fixed ? 1 : 0);
  if (!point.alpha_id.empty()) feature->SetField(field.alpha_id, point.alpha_id.c_str());
  feature->SetGeometryDirectly(new OGRPoint(at.first, at.second));
  Write(layer, *feature);
}

void FeatureWriter::WriteLine(OGRLayer& layer, const Line& line, std::pair<double, double> from,
                              std::pair<double, double> to) {
  const FieldIndexes& field = IndexesOf(layer);
  FeaturePtr feature = NewFeature(layer);
  if (field.number >= 0 && names_.number != "point_no") {
    // A format whose own name field the lines share (GPX routes) gets "from-to" there.
    feature->SetField(field.number, fmt::format("{}-{}", line.point1, line.point2).c_str());
  }
  feature->SetField(field.point1, std::to_string(line.point1).c_str());
  feature->SetField(field.point2, std::to_string(line.point2).c_str());
  feature->SetField(field.line_type, line.line_type);
  auto* geometry = new OGRLineString();
  geometry->addPoint(from.first, from.second);
  geometry->addPoint(to.first, to.second);
  feature->SetGeometryDirectly(geometry);
  Write(layer, *feature);
}

void FeatureWriter::Write(OGRLayer& layer, OGRFeature& feature) {
  CPLErrorReset();
  if (layer.CreateFeature(&feature) != OGRERR_NONE) {
    RaiseGdal(fmt::format("Cannot write to layer {}", layer.GetName()));
  }
  progress_.Step();
}

}  // namespace nrx::exchange
