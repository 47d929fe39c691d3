// Money amounts: read from texts and numbers, written as exact decimals.

#include <cmath>

#include "engine/decimal_amount.h"
#include "nrxJobDb/errors.h"
#include "nrxJobDb/variant.h"

namespace nrx {
namespace {

constexpr std::string_view kSource = "nrxRuntime";
constexpr int kDecimals = 4;
// Wide enough for any amount in range with digits to spare while it is read.
__extension__ typedef __int128 Wide;

// An amount in range, from a value already scaled; 6 beyond the range.
Currency Checked(Wide scaled) {
  if (scaled < INT64_MIN || scaled > INT64_MAX) Raise(err::kOverflow, kSource);
  return Currency{static_cast<std::int64_t>(scaled)};
}

}  // namespace

namespace detail {

std::optional<Currency> ReadDecimalAmount(std::string_view text, bool exact_only) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
  Wide scaled = 0;
  int decimals = -1;  // digits read after the point; -1 before it
  int digits = 0;
  bool above_half = false;  // digits beyond the fourth decimal, beyond their first
  int first_dropped = -1;
  for (char c : text) {
    if (c == '.' && decimals < 0) {
      decimals = 0;
      continue;
    }
    if (c < '0' || c > '9') return std::nullopt;
    ++digits;
    if (decimals >= kDecimals) {
      if (exact_only) {
        if (c != '0') return std::nullopt;
        continue;
      }
      if (first_dropped < 0) first_dropped = c - '0';
      else above_half = above_half || c != '0';
      continue;
    }
    scaled = scaled * 10 + (c - '0');
    if (scaled > (Wide{1} << 70)) Raise(err::kOverflow, kSource);
    if (decimals >= 0) ++decimals;
  }
  if (digits == 0) return std::nullopt;
  for (int d = decimals < 0 ? 0 : decimals; d < kDecimals; ++d) scaled *= 10;
  // Half to even at the fourth decimal, as the runtime rounds.
  if (first_dropped > 5 || (first_dropped == 5 && (above_half || scaled % 2 != 0))) ++scaled;
  return Checked(negative ? -scaled : scaled);
}

}  // namespace detail

Currency Variant::ToCurrency() const {
  if (const auto* c = std::get_if<Currency>(&v_)) return *c;
  if (const auto* s = std::get_if<std::string>(&v_)) {
    if (auto exact = detail::ReadDecimalAmount(*s)) return *exact;
  }
  double scaled = std::nearbyint(ToDouble() * static_cast<double>(Currency::kScale));
  // Doubles at the ends of the range are not exact; both bounds are powers of two.
  if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0))
    Raise(err::kOverflow, kSource);
  return Currency{static_cast<std::int64_t>(scaled)};
}

std::string FormatCurrency(Currency amount) {
  bool negative = amount.scaled < 0;
  // Through unsigned, so that the smallest amount has a magnitude too.
  std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(amount.scaled)
                                     : static_cast<std::uint64_t>(amount.scaled);
  std::string text = negative ? "-" : "";
  text += std::to_string(magnitude / Currency::kScale);
  std::uint64_t fraction = magnitude % Currency::kScale;
  if (fraction == 0) return text;
  std::string decimals = std::to_string(fraction + Currency::kScale).substr(1);
  decimals.erase(decimals.find_last_not_of('0') + 1);
  return text + "." + decimals;
}

}  // namespace nrx
