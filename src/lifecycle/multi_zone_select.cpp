// cJobProcs::MultiZoneSELECT: the WHERE condition that picks the points of a window whose west
// and east edges may lie in different projection zones.

#include <fmt/format.h>

#include <cmath>
#include <limits>

#include "frame/job_procs_members.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_convention.h"

namespace nrx {
namespace {

// Zones wrap from 60 to 1, and every zone east of the window's first one adds this much easting.
constexpr int kZonesAround = 60;
constexpr double kZoneWidth = 1000000;

// Zone arithmetic is 16-bit, as the zone numbers are.
std::int16_t ZoneSum(int value, std::string_view what) {
  if (value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max()) {
    RaiseText(err::kOverflow, std::string(kRuntimeErrorSource),
              fmt::format("Overflow: the {} {} does not fit a 16-bit zone number.", what, value));
  }
  return static_cast<std::int16_t>(value);
}

// A double as the engine's dialect reads it back: at most 15 significant digits, a full stop,
// exponent form for very large and very small magnitudes. Infinity and NaN have no such form.
std::string Number(double value, std::string_view what) {
  if (std::isnan(value)) {
    RaiseText(err::kInvalidCall, std::string(kRuntimeErrorSource),
              fmt::format("Invalid procedure call or argument: {} is not a number.", what));
  }
  if (std::isinf(value)) {
    RaiseText(err::kOverflow, std::string(kRuntimeErrorSource),
              fmt::format("Overflow: {} is beyond the range of a double.", what));
  }
  return FormatNumber(value, 15);
}

// The continuous easting of the points in zones below `minZone` (east of the wrap), and of those
// from `minZone` on.
std::string WestWrapTerm(std::int16_t minZone) {
  return fmt::format("Zone < {0} and (Zone + 60 - {0}) * 1000000 + X", minZone);
}
std::string EastTerm(std::int16_t minZone) {
  return fmt::format("Zone >= {0} and (Zone - {0}) * 1000000 + X", minZone);
}

}  // namespace

std::string cJobProcs::MultiZoneSELECT(double minX, double minY, double maxX, double maxY,
                                       std::int16_t minZone, std::int16_t maxZone, bool outside) {
  return Guard(JobProcsLabel("MultiZoneSELECT"), [&] {
    const std::int16_t east_zone =
        minZone > maxZone ? ZoneSum(maxZone + kZonesAround, "east zone") : maxZone;
    const std::int16_t span = ZoneSum(east_zone - minZone, "zone span");
    const std::string west = Number(minX, "the west edge");
    const std::string east = Number(span * kZoneWidth + maxX, "the shifted east edge");
    const std::string south = Number(minY, "the south edge");
    const std::string north = Number(maxY, "the north edge");
    const std::string a = WestWrapTerm(minZone);
    const std::string b = EastTerm(minZone);
    if (!outside) {
      return fmt::format(
          "    ((({0} > {2})   or ({1} > {2})) and (({0} < {3})   or ({1} < {3}))) and Y > {4} "
          "and Y < {5}",
          a, b, west, east, south, north);
    }
    return fmt::format(
        "   ((({0} < {2})  or ({1} < {2})) or (({0} > {3})  or ({1} > {3}))) or Y < {4} or Y > "
        "{5}",
        a, b, west, east, south, north);
  });
}

}  // namespace nrx
