#pragma once
// Layers of points and lines with the job's attributes, written through OGR.

#include <map>
#include <string>
#include <utility>

#include "exchange/gdal_support.h"
#include "exchange/job_data.h"
#include "exchange/progress.h"

namespace nrx::exchange {

// The attribute names a format reads as its own (GPX: name, ele).
struct FieldNames {
  std::string number = "point_no";
  std::string height = "height";
};

class FeatureWriter {
 public:
  FeatureWriter(GDALDataset& dataset, FieldNames names, Progress& progress)
      : dataset_(dataset), names_(std::move(names)), progress_(progress) {}

  // A layer with the point attributes, the line attributes or both; raises 75 on failure.
  OGRLayer& CreateLayer(const std::string& name, const Crs& crs, OGRwkbGeometryType type,
                        bool point_fields, bool line_fields);

  void WritePoint(OGRLayer& layer, const Point& point, std::pair<double, double> at);
  void WriteLine(OGRLayer& layer, const Line& line, std::pair<double, double> from,
                 std::pair<double, double> to);

 private:
  // Where each attribute sits in a layer's features, -1 where the layer has no such field: looked
  // up once a layer rather than by name for every feature.
  struct FieldIndexes {
    int number, easting, northing, height, zone, desc, fixed, alpha_id, point1, point2, line_type;
  };

  GDALDataset& dataset_;
  FieldNames names_;
  Progress& progress_;
  std::map<const OGRFeatureDefn*, FieldIndexes> indexes_;

  const FieldIndexes& IndexesOf(OGRLayer& layer);
  void AddField(OGRLayer& layer, const std::string& name, OGRFieldType type,
                OGRFieldSubType subtype = OFSTNone);
  void Write(OGRLayer& layer, OGRFeature& feature);
};

}  // namespace nrx::exchange
