#include "point_extent.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <limits>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "nrxJobDb/numeric_constants.h"
#include "nrxJobDb/table_names.h"

namespace njb {
namespace {

constexpr int kZonesAround = 60;

struct Located {
  double x, y;
  int zone;
};

// A coordinate that holds a value: neither Null nor the number that marks "no value".
std::optional<double> Coordinate(const nrx::Variant& value) {
  if (value.IsNull() || value.IsEmpty()) return std::nullopt;
  const double number = value.ToDouble();
  if (nrx::model::NumericConstants::Instance().IsNullValue(number)) return std::nullopt;
  return number;
}

// The west and east zones of the extent. Zones of a projection that numbers them 1 to 60 are
// on a circle: the extent starts east of the widest stretch of zones that holds no point, which
// is the wrap itself unless the points lie on both sides of it.
std::pair<int, int> WestAndEastZones(const std::set<int>& zones) {
  const int lowest = *zones.begin();
  const int highest = *zones.rbegin();
  if (lowest < 1 || highest > kZonesAround) return {lowest, highest};
  std::pair<int, int> west_east{lowest, highest};
  int widest_gap = lowest + kZonesAround - highest;
  for (auto next = std::next(zones.begin()); next != zones.end(); ++next) {
    const int previous = *std::prev(next);
    if (*next - previous > widest_gap) {
      widest_gap = *next - previous;
      west_east = {*next, previous};
    }
  }
  return west_east;
}

void SetExtent(const std::vector<Located>& points, nrx::model::JobGeneral& general) {
  double min_x = 0, max_x = 0, min_y = 0, max_y = 0;
  int west = 0, east = 0;
  if (!points.empty()) {
    std::set<int> zones;
    for (const Located& p : points) zones.insert(p.zone);
    std::tie(west, east) = WestAndEastZones(zones);
    min_x = std::numeric_limits<double>::infinity();
    max_x = -min_x;
    min_y = min_x;
    max_y = max_x;
    for (const Located& p : points) {
      if (p.zone == west) min_x = std::min(min_x, p.x);
      if (p.zone == east) max_x = std::max(max_x, p.x);
      min_y = std::min(min_y, p.y);
      max_y = std::max(max_y, p.y);
    }
  }
  general.SetMinimumX(min_x);
  general.SetMaximumX(max_x);
  general.SetMinimumY(min_y);
  general.SetMaximumY(max_y);
  general.SetMinimumZone(static_cast<std::int16_t>(west));
  general.SetMaximumZone(static_cast<std::int16_t>(east));
  general.SetValidHorizPts(static_cast<std::int32_t>(points.size()));
}

void SetCounters(const std::set<std::int32_t>& numbers, nrx::model::JobGeneral& general) {
  std::int32_t first_free = 1;
  for (auto at = numbers.lower_bound(1); at != numbers.end() && *at == first_free; ++at) {
    ++first_free;
  }
  general.SetFirstFreePoint(first_free);
  general.SetCurrentMaxPoint(numbers.empty() ? 0 : *numbers.rbegin());
  general.SetFirstPointStored(numbers.empty() ? 0 : *numbers.begin());
}

}  // namespace

void ComputeJobExtent(nrx::Database& db, nrx::model::JobGeneral& general) {
  const std::string& table = nrx::model::TableNames::Instance().PointsTable();
  nrx::RecordsetPtr rs = db.OpenRecordset(
      fmt::format("SELECT [PointNo], [X], [Y], [Zone] FROM [{}]", table), nrx::dbOpenSnapshot);
  std::vector<Located> located;
  std::set<std::int32_t> numbers;
  for (; !rs->Eof(); rs->MoveNext()) {
    const nrx::Variant number = rs->Fields("PointNo")->Value();
    if (!number.IsNull()) numbers.insert(number.ToLong());
    const std::optional<double> x = Coordinate(rs->Fields("X")->Value());
    const std::optional<double> y = Coordinate(rs->Fields("Y")->Value());
    if (!x || !y) continue;
    const nrx::Variant zone = rs->Fields("Zone")->Value();
    located.push_back({*x, *y, zone.IsNull() ? 0 : zone.ToInteger()});
  }
  SetExtent(located, general);
  SetCounters(numbers, general);
}

}  // namespace njb
