#include "exchange/zone_groups.h"

#include <map>
#include <unordered_map>

namespace nrx::exchange {

ZoneGroups GroupByZone(const JobData& job) {
  std::map<int, ZoneGroup> by_zone;
  std::unordered_map<std::int32_t, const Point*> by_number;
  for (const Point& point : job.points) {
    ZoneGroup& group = by_zone[point.zone];
    group.zone = point.zone;
    group.points.push_back(&point);
    by_number.emplace(point.number, &point);
  }
  ZoneGroups groups;
  for (const Line& line : job.lines) {
    const auto from = by_number.find(line.point1);
    const auto to = by_number.find(line.point2);
    if (from == by_number.end() || to == by_number.end()) {
      ++groups.lines_skipped;
      continue;
    }
    by_zone[from->second->zone].lines.push_back({&line, from->second, to->second});
  }
  for (auto& [zone, group] : by_zone) groups.zones.push_back(std::move(group));
  return groups;
}

}  // namespace nrx::exchange
