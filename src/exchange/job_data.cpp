#include "exchange/job_data.h"

#include <set>

namespace nrx::exchange {

int NormalZone(int zone) { return zone == 0 ? 0 : ((zone - 1) % 60 + 60) % 60 + 1; }

std::vector<int> ZonesOf(const JobData& job) {
  std::set<int> zones;
  for (const Point& point : job.points) zones.insert(point.zone);
  return {zones.begin(), zones.end()};
}

}  // namespace nrx::exchange
