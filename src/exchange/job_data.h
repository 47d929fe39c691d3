#pragma once
// What leaves or enters a job through the exchange formats: its points and lines as plain
// values, so that nothing outside this folder meets GDAL and nothing in it meets the engine.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nrx::exchange {

struct Point {
  std::int32_t number = 0;
  double easting = 0;
  double northing = 0;
  std::optional<double> height;
  int zone = 0;  // 1 to 60; 0 when neither the point nor the job gives one
  std::string description;
  bool fixed = false;
  std::string alpha_id;  // "" when the point has none
};

struct Line {
  std::int32_t point1 = 0;
  std::int32_t point2 = 0;
  int line_type = 0;
};

struct JobData {
  std::vector<Point> points;
  std::vector<Line> lines;
  int decimals_h = 3;  // the job's output decimals for coordinates and heights
  int decimals_v = 3;
};

// Zones run 1 to 60 and wrap: zone 61 is zone 1 and zone -1 is zone 59. Zone 0 stays 0: no zone.
int NormalZone(int zone);

// The zones the job's points lie in, in ascending order.
std::vector<int> ZonesOf(const JobData& job);

}  // namespace nrx::exchange
