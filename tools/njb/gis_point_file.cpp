#include "gis_point_file.h"

#include <fmt/format.h>

#include "exchange/point_reader.h"
#include "nrxJobDb/errors.h"

namespace njb {
namespace {

namespace ex = nrx::exchange;

// Entry's own rules, beyond what makes a feature a point at all.
std::optional<std::string> EntryRefuses(const ex::Point& point) {
  if (auto why = PointNumberProblem(point.number)) return why;
  return DescriptionProblem(point.description);
}

PointRow RowOf(const ex::Point& point, int zone) {
  PointRow row;
  nrx::model::Point& p = row.point;
  p.SetPointNo(point.number);
  p.SetEasting(point.easting);
  p.SetNorthing(point.northing);
  if (point.height) p.SetHeight(*point.height);
  if (zone != 0) {
    row.zone = static_cast<std::int16_t>(zone);
    p.SetZone(*row.zone);
  }
  p.SetDescription(point.description);
  row.fixed = point.fixed;
  return row;
}

[[noreturn]] void RaiseProblems(const std::string& source,
                                const std::vector<ex::FeatureProblem>& problems) {
  std::string text = fmt::format("{}: {} feature{} cannot be entered, so none was:", source,
                                 problems.size(), problems.size() == 1 ? "" : "s");
  for (const ex::FeatureProblem& problem : problems) {
    text += fmt::format("\n  {} feature {}: {}", problem.layer, problem.feature, problem.reason);
  }
  nrx::RaiseText(nrx::err::kInvalidCall, "njb", std::move(text));
}

}  // namespace

std::vector<PointRow> ReadGisPointFile(const std::string& source, const GisTarget& target,
                                       const std::string& number_field) {
  const ex::ReadResult read = ex::ReadPoints(
      source, target.crs, target.zone, {.number_field = number_field, .refuse = EntryRefuses});
  if (!read.problems.empty()) RaiseProblems(source, read.problems);
  std::vector<PointRow> rows;
  rows.reserve(read.points.size());
  for (const ex::Point& point : read.points) rows.push_back(RowOf(point, target.zone));
  return rows;
}

}  // namespace njb
