// Moments as the runtime counts them (days since 1899-12-30) and as people write them.

#include <fmt/format.h>

#include <cmath>
#include <cstdlib>

#include "nrxJobDb/variant.h"

namespace nrx {
namespace {

// Days between 1899-12-30 and 1970-01-01.
constexpr long kEpochOffset = 25569;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
long DaysFromCivil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

struct Civil {
  long year;
  unsigned month;
  unsigned day;
};

Civil CivilFromDays(long z) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long y = static_cast<long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {y + (m <= 2), m, d};
}

unsigned DaysInMonth(long y, unsigned m) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

// Reads up to `maxDigits` digits; false when there is none.
bool ReadNumber(std::string_view& text, int maxDigits, long& value) {
  int n = 0;
  value = 0;
  while (n < maxDigits && !text.empty() && text[0] >= '0' && text[0] <= '9') {
    value = value * 10 + (text[0] - '0');
    text.remove_prefix(1);
    ++n;
  }
  return n > 0;
}

bool Accept(std::string_view& text, char c) {
  if (text.empty() || text[0] != c) return false;
  text.remove_prefix(1);
  return true;
}

void SkipBlanks(std::string_view& text) {
  while (!text.empty() && (text[0] == ' ' || text[0] == '\t')) text.remove_prefix(1);
}

// "y-m-d" or "m/d/y" (two-digit years 00..29 are this century's, 30..99 the last one's).
bool ReadDay(std::string_view& text, long& days) {
  long a, b, c;
  if (!ReadNumber(text, 4, a)) return false;
  long y, m, d;
  if (Accept(text, '-')) {
    if (!ReadNumber(text, 2, b) || !Accept(text, '-') || !ReadNumber(text, 2, c)) return false;
    y = a, m = b, d = c;
  } else if (Accept(text, '/')) {
    if (!ReadNumber(text, 2, b) || !Accept(text, '/') || !ReadNumber(text, 4, c)) return false;
    m = a, d = b, y = c;
    if (y < 100) y += y < 30 ? 2000 : 1900;
  } else {
    return false;
  }
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1 ||
      d > static_cast<long>(DaysInMonth(y, static_cast<unsigned>(m))))
    return false;
  days = DaysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) + kEpochOffset;
  return true;
}

// "h:mm" or "h:mm:ss", as seconds since midnight.
bool ReadTime(std::string_view& text, long& seconds) {
  long h, m, s = 0;
  if (!ReadNumber(text, 2, h) || !Accept(text, ':') || !ReadNumber(text, 2, m)) return false;
  if (Accept(text, ':') && !ReadNumber(text, 2, s)) return false;
  if (h > 23 || m > 59 || s > 59) return false;
  seconds = h * 3600 + m * 60 + s;
  return true;
}

}  // namespace

std::optional<Date> ReadDateText(std::string_view text) {
  SkipBlanks(text);
  long days = 0;
  long seconds = 0;
  std::string_view rest = text;
  bool has_day = ReadDay(rest, days);
  if (has_day) {
    SkipBlanks(rest);
    if (!rest.empty() && !ReadTime(rest, seconds)) return std::nullopt;
  } else {
    rest = text;
    if (!ReadTime(rest, seconds)) return std::nullopt;
  }
  SkipBlanks(rest);
  if (!rest.empty()) return std::nullopt;
  double fraction = seconds / 86400.0;
  return Date{days < 0 ? days - fraction : days + fraction};
}

std::string FormatDate(Date date) {
  double whole = std::trunc(date.serial);
  long days = static_cast<long>(whole);
  long seconds = std::lround(std::fabs(date.serial - whole) * 86400.0);
  if (seconds == 86400) {
    seconds = 0;
    days += date.serial < 0 ? -1 : 1;
  }
  std::string time = fmt::format("{:02}:{:02}:{:02}", seconds / 3600, seconds / 60 % 60, seconds % 60);
  if (days == 0 && seconds != 0) return time;
  Civil c = CivilFromDays(days - kEpochOffset);
  std::string day = fmt::format("{:04}-{:02}-{:02}", c.year, c.month, c.day);
  return seconds == 0 ? day : day + " " + time;
}

}  // namespace nrx
