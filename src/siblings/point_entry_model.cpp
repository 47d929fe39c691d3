#include "nrxJobDb/point_entry_model.h"

#include <atomic>

#include "nrxJobDb/errors.h"
#include "nrxJobDb/numeric_constants.h"

namespace nrx::model {
namespace {

constexpr std::string_view kSource = "nrxModel.PageLayout";

std::atomic<std::int16_t>& DefaultPoints() {
  static std::atomic<std::int16_t> points{PageLayout::kStandardPointsPerPage};
  return points;
}

void CheckPointsPerPage(std::int16_t points) {
  if (points < 1) Raise(err::kInvalidCall, kSource, "points per page below 1");
}

}  // namespace

PageLayout::PageLayout() : points_per_page_(DefaultPoints()) {}

void PageLayout::SetPointsPerPage(std::int16_t points) {
  CheckPointsPerPage(points);
  points_per_page_ = points;
}

std::int16_t PageLayout::DefaultPointsPerPage() { return DefaultPoints(); }

void PageLayout::SetDefaultPointsPerPage(std::int16_t points) {
  CheckPointsPerPage(points);
  DefaultPoints() = points;
}

Point::Point() {
  const double none = NumericConstants::Instance().NullValue();
  easting_ = northing_ = height_ = none;
  n_value_ = vert_def_ns_ = vert_def_ew_ = none;
}

}  // namespace nrx::model
