#include "exchange/gdal_support.h"

#include <cpl_error.h>
#include <fmt/format.h>

#include <cmath>
#include <filesystem>
#include <mutex>

#include "nrxJobDb/errors.h"

namespace nrx::exchange {
namespace {

constexpr std::string_view kSource = "nrxExchange.Gdal";

}  // namespace

void UseGdal() {
  static std::once_flag once;
  std::call_once(once, [] {
    // GDAL would print on stderr; its last message goes into the error raised instead.
    CPLSetErrorHandler(CPLQuietErrorHandler);
    GDALAllRegister();
  });
}

void RaiseGdal(const std::string& what) {
  const std::string detail = CPLGetLastErrorMsg();
  RaiseText(err::kPathAccess, kSource, detail.empty() ? what : fmt::format("{}: {}", what, detail));
}

std::vector<const char*> OptionList(const std::vector<std::string>& options) {
  std::vector<const char*> list;
  for (const std::string& option : options) list.push_back(option.c_str());
  list.push_back(nullptr);
  return list;
}

DatasetPtr CreateDataset(const char* driver_name, const std::string& path,
                         const std::vector<std::string>& options) {
  UseGdal();
  CPLErrorReset();
  GDALDriver* driver = GetGDALDriverManager()->GetDriverByName(driver_name);
  if (!driver) RaiseGdal(fmt::format("GDAL has no {} driver", driver_name));
  std::vector<const char*> list = OptionList(options);
  DatasetPtr dataset(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown,
                                    const_cast<char**>(list.data())));
  if (!dataset) RaiseGdal(fmt::format("Cannot create {}", path));
  return dataset;
}

DatasetPtr OpenVector(const std::string& path) {
  UseGdal();
  if (!std::filesystem::exists(path)) Raise(err::kFileNotFound, kSource, path);
  CPLErrorReset();
  DatasetPtr dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY));
  if (!dataset) RaiseGdal(fmt::format("GDAL cannot read {} as a vector source", path));
  return dataset;
}

OGRSpatialReference SpatialRef(const Crs& crs) {
  OGRSpatialReference ref;
  if (ref.importFromEPSG(crs.epsg) != OGRERR_NONE) {
    RaiseGdal(fmt::format("EPSG:{} is not known", crs.epsg));
  }
  ref.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return ref;
}

OGRSpatialReference SpatialRef(const OGRSpatialReference& source) {
  OGRSpatialReference ref(source);
  ref.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  return ref;
}

Reprojection::Reprojection(const OGRSpatialReference& from, const OGRSpatialReference& to) {
  CPLErrorReset();
  transform_.reset(OGRCreateCoordinateTransformation(&from, &to));
  if (!transform_) RaiseGdal("No transformation between the two coordinate systems");
}

bool Reprojection::Apply(double& x, double& y) const {
  return transform_->Transform(1, &x, &y) && std::isfinite(x) && std::isfinite(y);
}

}  // namespace nrx::exchange
