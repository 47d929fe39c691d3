#pragma once
// A job's points and lines sorted by zone, as the per-zone layers and files take them.

#include <vector>

#include "exchange/job_data.h"

namespace nrx::exchange {

struct LineEnds {
  const Line* line;
  const Point* from;
  const Point* to;  // may lie in another zone than `from`
};

struct ZoneGroup {
  int zone = 0;
  std::vector<const Point*> points;
  std::vector<LineEnds> lines;  // each line in the zone of its first point
};

struct ZoneGroups {
  std::vector<ZoneGroup> zones;  // ascending
  std::size_t lines_skipped = 0;
};

// The groups point into `job`, which must outlive them.
ZoneGroups GroupByZone(const JobData& job);

}  // namespace nrx::exchange
