#include "nrxJobDb/coord_utilities.h"

#include <fmt/format.h>

#include <cmath>
#include <cstdint>

#include "nrxJobDb/errors.h"

namespace nrx::model {
namespace {

constexpr std::string_view kSource = "nrxModel.CoordUtilities";
// Beyond this the whole-tick arithmetic below would not fit 64 bits; no angle comes near it.
constexpr double kLargestAngle = 1.0e6;
// Packed digits carry binary noise (0.3 is 0.29999...); this much is taken as exact.
constexpr double kDigitSlack = 1.0e-9;

double RoundTo(double value, int places) {
  double scale = std::pow(10.0, places);
  return std::round(value * scale) / scale;
}

std::int64_t Power10(int exponent) {
  std::int64_t result = 1;
  while (exponent-- > 0) result *= 10;
  return result;
}

// Counts the angle in whole ticks of the last packed digit kept, so a rounded 60 seconds or 60
// minutes carries over exactly.
double Pack(double degrees, int places) {
  if (places < 2) return RoundTo(degrees, places);
  const bool seconds = places >= 4;
  const std::int64_t scale = Power10(seconds ? places - 4 : places - 2);
  const std::int64_t per_minute = seconds ? 60 * scale : scale;
  const std::int64_t per_degree = 60 * per_minute;
  const std::int64_t ticks = std::llround(degrees * static_cast<double>(per_degree));
  const std::int64_t whole_degrees = ticks / per_degree;
  const std::int64_t minutes = (ticks % per_degree) / per_minute;
  const std::int64_t rest = ticks % per_minute;
  double packed = static_cast<double>(whole_degrees) + static_cast<double>(minutes) / 100.0;
  if (seconds) packed += static_cast<double>(rest) / (static_cast<double>(scale) * 10000.0);
  return RoundTo(packed, places);
}

double Unpack(double packed, int places) {
  const double whole_degrees = std::floor(packed + kDigitSlack);
  const double minute_digits = std::max(0.0, (packed - whole_degrees) * 100.0);
  const double minutes = std::floor(minute_digits + kDigitSlack);
  const double seconds = std::max(0.0, (minute_digits - minutes) * 100.0);
  if (minutes >= 60.0 || seconds >= 60.0 - kDigitSlack) {
    RaiseText(err::kInvalidCall, std::string(kSource),
              fmt::format("The packed angle {} holds 60 or more minutes or seconds.", packed));
  }
  return RoundTo(whole_degrees + minutes / 60.0 + seconds / 3600.0, places);
}

}  // namespace

CoordUtilities& CoordUtilities::Instance() {
  static CoordUtilities utilities;
  return utilities;
}

double CoordUtilities::ConvertGeoValue(double value, std::int16_t places, bool toPacked) const {
  if (places < 0 || places > 12) {
    RaiseText(err::kInvalidCall, std::string(kSource),
              fmt::format("Decimal places {} are outside 0 to 12.", places));
  }
  if (!std::isfinite(value) || std::fabs(value) > kLargestAngle) {
    RaiseText(err::kInvalidCall, std::string(kSource),
              fmt::format("{} is not a geographic value.", value));
  }
  const double magnitude = std::fabs(value);
  const double converted = toPacked ? Pack(magnitude, places) : Unpack(magnitude, places);
  return value < 0 ? -converted : converted;
}

}  // namespace nrx::model
