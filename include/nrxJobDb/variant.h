#pragma once
// The value type of the object model: what a field, a property or a by-reference argument holds.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "nrxJobDb/export.h"

namespace nrx {

// Base of every object a Variant can refer to (engine objects, component classes, model objects).
class NRXJOBDB_API Object {
 public:
  virtual ~Object() = default;
};

// The kinds a Variant can hold; the numbers are the runtime's own type codes.
enum class VarType : int {
  Empty = 0,
  Null = 1,
  Integer = 2,  // 16-bit
  Long = 3,     // 32-bit
  Single = 4,
  Double = 5,
  Currency = 6,
  Date = 7,
  Text = 8,
  Object = 9,
  Boolean = 11,  // True is -1
  Byte = 17,
  Bytes = 8209,  // an array of bytes: the contents of a long binary field
};

// A money amount: a whole number of ten-thousandths, exact to the last of its four decimals.
struct Currency {
  static constexpr std::int64_t kScale = 10000;
  std::int64_t scaled = 0;
  bool operator==(const Currency&) const = default;
};

// A moment as the runtime counts it: days since 1899-12-30, the time of day as the fraction
// (before that day the fraction still counts forward from midnight: -1.25 is 1899-12-29 06:00).
struct Date {
  double serial = 0;
  bool operator==(const Date&) const = default;
};

using Bytes = std::vector<std::uint8_t>;

class NRXJOBDB_API Variant {
 public:
  Variant() = default;  // Empty
  static Variant Null();
  Variant(bool b) : v_(b) {}
  Variant(std::uint8_t b) : v_(b) {}
  Variant(std::int16_t i) : v_(i) {}
  Variant(std::int32_t l) : v_(l) {}
  Variant(float f) : v_(f) {}
  Variant(double d) : v_(d) {}
  Variant(std::string s) : v_(std::move(s)) {}
  Variant(std::string_view s) : v_(std::string(s)) {}
  Variant(const char* s) : v_(std::string(s)) {}
  Variant(std::shared_ptr<Object> o) : v_(std::move(o)) {}
  Variant(Currency c) : v_(c) {}
  Variant(Date d) : v_(d) {}
  Variant(Bytes b) : v_(std::move(b)) {}

  VarType Type() const noexcept;
  bool IsEmpty() const noexcept { return v_.index() == 0; }
  bool IsNull() const noexcept { return v_.index() == 1; }
  bool IsNumeric() const noexcept;  // Boolean, Byte, Integer, Long, Single, Double, Currency
  bool IsText() const noexcept { return std::holds_alternative<std::string>(v_); }
  bool IsObject() const noexcept { return std::holds_alternative<std::shared_ptr<Object>>(v_); }

  // Conversions as the runtime makes them: Null raises 94, a value out of range 6, a value that
  // cannot become the target type 13. Fractions round half to even, as the runtime rounds.
  bool ToBoolean() const;
  std::uint8_t ToByte() const;
  std::int16_t ToInteger() const;
  std::int32_t ToLong() const;
  float ToSingle() const;
  double ToDouble() const;
  // Out of ±922337203685477.5807 raises 6; a fraction rounds half to even at the 4th decimal.
  Currency ToCurrency() const;
  // Numbers are serials (6 outside the years 100..9999); texts are read as ReadDateText does.
  Date ToDate() const;
  Bytes ToBytes() const;       // a text gives its UTF-8 bytes; numbers raise 13
  std::string ToText() const;  // Empty gives "", True "True", numbers their shortest form,
                               // dates as FormatDate writes them
  std::shared_ptr<Object> ToObject() const;  // Null and Empty give an empty reference

  // The value converted to the kind `type` names (Empty and Null stay as they are).
  Variant ConvertTo(VarType type) const;

  // Compares as the runtime's comparison operators do: numbers by value, texts by bytes, a
  // number and a numeric text by value. Empty is 0 or "". Returns nullopt ("not known") when
  // either side is Null; raises 13 when the two cannot be compared.
  std::optional<int> Compare(const Variant& other) const;

  // Equality of kind and value; Null equals Null. For tests and containers, not for criteria.
  bool SameAs(const Variant& other) const;

 private:
  struct NullTag {
    bool operator==(const NullTag&) const = default;
  };
  explicit Variant(NullTag n) : v_(n) {}
  using Storage = std::variant<std::monostate, NullTag, bool, std::uint8_t, std::int16_t,
                               std::int32_t, float, double, std::string, std::shared_ptr<Object>,
                               Currency, Date, Bytes>;
  Storage v_;
};

// Parses a text as the runtime reads a number (leading and trailing blanks, sign, decimals,
// exponent, "&H" hexadecimal); nullopt when it is not a number.
NRXJOBDB_API std::optional<double> ParseNumber(std::string_view text);

// Reads a moment written as "2024-07-15", "2024-07-15 10:30:00", "7/15/2024", "10:30" or
// "10:30:15" (a date's month first when written with slashes, as the dialect writes it); nullopt
// when the text is no moment of the years 100..9999.
NRXJOBDB_API std::optional<Date> ReadDateText(std::string_view text);

// "2024-07-15" for a whole day, "10:30:00" for a time of day alone (serial 0 to 1),
// "2024-07-15 10:30:00" otherwise; to the nearest second.
NRXJOBDB_API std::string FormatDate(Date date);

// The exact decimal text of an amount, without trailing zeros: "3.5", "-0.0001", "12".
NRXJOBDB_API std::string FormatCurrency(Currency amount);

// Shortest text of a double as the runtime prints it (15 significant digits, no trailing zeros).
NRXJOBDB_API std::string FormatNumber(double value, int significantDigits = 15);

}  // namespace nrx
