#pragma once
// GDAL's datasets, systems and transformations as this folder uses them: owned handles, errors
// raised as nrx::Error with GDAL's own message, nothing printed.

#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>

#include <memory>
#include <string>
#include <vector>

#include "exchange/crs.h"

namespace nrx::exchange {

struct DatasetCloser {
  void operator()(GDALDataset* dataset) const { GDALClose(dataset); }
};
using DatasetPtr = std::unique_ptr<GDALDataset, DatasetCloser>;

// Registers GDAL's drivers once and keeps its messages for the errors raised here.
void UseGdal();

// Raises 75 with `what` and GDAL's last message.
[[noreturn]] void RaiseGdal(const std::string& what);

// A new dataset of the named driver at `path`, with its creation options ("KEY=VALUE").
DatasetPtr CreateDataset(const char* driver, const std::string& path,
                         const std::vector<std::string>& options = {});
// A vector source GDAL can read; raises 53 when the file is missing, 75 when GDAL cannot read it.
DatasetPtr OpenVector(const std::string& path);

// The system of `crs` with easting (longitude) first, whatever the authority's axis order.
OGRSpatialReference SpatialRef(const Crs& crs);
// The same for the system a layer carries.
OGRSpatialReference SpatialRef(const OGRSpatialReference& source);

// Coordinates from one system to another, easting (longitude) first on both sides.
class Reprojection {
 public:
  Reprojection(const OGRSpatialReference& from, const OGRSpatialReference& to);
  // False when the point cannot be carried over.
  bool Apply(double& x, double& y) const;

 private:
  std::unique_ptr<OGRCoordinateTransformation> transform_;
};

// "KEY=VALUE" options as GDAL takes them; valid while `options` lives.
std::vector<const char*> OptionList(const std::vector<std::string>& options);

}  // namespace nrx::exchange
