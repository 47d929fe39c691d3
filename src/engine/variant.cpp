#include "nrxJobDb/variant.h"

#include <fmt/format.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "nrxJobDb/errors.h"

namespace nrx {
namespace {

constexpr std::string_view kSource = "nrxRuntime";

// Rounds half to even, as the runtime's integer conversions do.
double RoundEven(double d) { return std::nearbyint(d); }

template <typename T>
T ToIntegral(double d) {
  if (std::isnan(d)) Raise(err::kOverflow, kSource);
  double r = RoundEven(d);
  if (r < static_cast<double>(std::numeric_limits<T>::min()) ||
      r > static_cast<double>(std::numeric_limits<T>::max()))
    Raise(err::kOverflow, kSource);
  return static_cast<T>(r);
}

}  // namespace

Variant Variant::Null() { return Variant(NullTag{}); }

VarType Variant::Type() const noexcept {
  static constexpr VarType kTypes[] = {
      VarType::Empty,  VarType::Null,   VarType::Boolean, VarType::Byte,     VarType::Integer,
      VarType::Long,   VarType::Single, VarType::Double,  VarType::Text,     VarType::Object,
      VarType::Currency, VarType::Date, VarType::Bytes};
  return kTypes[v_.index()];
}

bool Variant::IsNumeric() const noexcept {
  return (v_.index() >= 2 && v_.index() <= 7) || std::holds_alternative<Currency>(v_);
}

std::optional<double> ParseNumber(std::string_view text) {
  size_t b = text.find_first_not_of(" \t");
  if (b == std::string_view::npos) return std::nullopt;
  size_t e = text.find_last_not_of(" \t");
  std::string s(text.substr(b, e - b + 1));
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h')) {
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(s.c_str() + 2, &end, 16);
    if (errno != 0 || *end != '\0' || end == s.c_str() + 2) return std::nullopt;
    return static_cast<double>(v);
  }
  // strtod accepts forms the runtime does not ("inf", "nan", hex floats).
  for (char c : s) {
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' ||
          c == 'e' || c == 'E'))
      return std::nullopt;
  }
  char* end = nullptr;
  errno = 0;
  double d = std::strtod(s.c_str(), &end);
  if (*end != '\0' || end == s.c_str()) return std::nullopt;
  if (errno == ERANGE && std::isinf(d)) return std::nullopt;
  return d;
}

std::string FormatNumber(double value, int significantDigits) {
  if (value == 0) return "0";
  std::string s = fmt::format("{:.{}g}", value, significantDigits);
  // The runtime writes "1E+20" and "1E-05", not "1e+20".
  auto epos = s.find('e');
  if (epos != std::string::npos) {
    std::string mant = s.substr(0, epos);
    std::string exp = s.substr(epos + 1);
    char sign = exp[0];
    exp = exp.substr(1);
    while (exp.size() < 2) exp.insert(exp.begin(), '0');
    s = mant + "E" + sign + exp;
  }
  return s;
}

double Variant::ToDouble() const {
  switch (v_.index()) {
    case 0: return 0.0;
    case 1: Raise(err::kInvalidNull, kSource);
    case 2: return std::get<bool>(v_) ? -1.0 : 0.0;
    case 3: return std::get<std::uint8_t>(v_);
    case 4: return std::get<std::int16_t>(v_);
    case 5: return std::get<std::int32_t>(v_);
    case 6: return std::get<float>(v_);
    case 7: return std::get<double>(v_);
    case 8: {
      const auto& s = std::get<std::string>(v_);
      if (auto d = ParseNumber(s)) return *d;
      // The runtime reads its own Boolean texts as numbers too.
      if (s == "True" || s == "true" || s == "TRUE") return -1.0;
      if (s == "False" || s == "false" || s == "FALSE") return 0.0;
      Raise(err::kTypeMismatch, kSource, s);
    }
    case 10:
      return static_cast<double>(std::get<Currency>(v_).scaled) /
             static_cast<double>(Currency::kScale);
    case 11: return std::get<Date>(v_).serial;
    default: Raise(err::kTypeMismatch, kSource);
  }
}

Date Variant::ToDate() const {
  if (const auto* d = std::get_if<Date>(&v_)) return *d;
  if (const auto* s = std::get_if<std::string>(&v_)) {
    if (auto date = ReadDateText(*s)) return *date;
    if (!ParseNumber(*s)) Raise(err::kTypeMismatch, kSource, *s);
  }
  // From 100-01-01 to the last second of 9999-12-31.
  double serial = ToDouble();
  if (!(serial >= -657434.0 && serial < 2958466.0)) Raise(err::kOverflow, kSource);
  return Date{serial};
}

Bytes Variant::ToBytes() const {
  if (const auto* b = std::get_if<Bytes>(&v_)) return *b;
  if (IsNull()) Raise(err::kInvalidNull, kSource);
  if (IsEmpty()) return {};
  if (const auto* s = std::get_if<std::string>(&v_)) return Bytes(s->begin(), s->end());
  Raise(err::kTypeMismatch, kSource);
}

bool Variant::ToBoolean() const { return ToDouble() != 0.0; }
std::uint8_t Variant::ToByte() const { return ToIntegral<std::uint8_t>(ToDouble()); }
std::int16_t Variant::ToInteger() const { return ToIntegral<std::int16_t>(ToDouble()); }
std::int32_t Variant::ToLong() const { return ToIntegral<std::int32_t>(ToDouble()); }

float Variant::ToSingle() const {
  double d = ToDouble();
  if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
    Raise(err::kOverflow, kSource);
  return static_cast<float>(d);
}

std::string Variant::ToText() const {
  switch (v_.index()) {
    case 0: return {};
    case 1: Raise(err::kInvalidNull, kSource);
    case 2: return std::get<bool>(v_) ? "True" : "False";
    case 3: return std::to_string(std::get<std::uint8_t>(v_));
    case 4: return std::to_string(std::get<std::int16_t>(v_));
    case 5: return std::to_string(std::get<std::int32_t>(v_));
    case 6: return FormatNumber(std::get<float>(v_), 7);
    case 7: return FormatNumber(std::get<double>(v_), 15);
    case 8: return std::get<std::string>(v_);
    case 10: return FormatCurrency(std::get<Currency>(v_));
    case 11: return FormatDate(std::get<Date>(v_));
    default: Raise(err::kTypeMismatch, kSource);
  }
}

std::shared_ptr<Object> Variant::ToObject() const {
  if (IsEmpty() || IsNull()) return nullptr;
  if (IsObject()) return std::get<std::shared_ptr<Object>>(v_);
  Raise(err::kTypeMismatch, kSource);
}

Variant Variant::ConvertTo(VarType type) const {
  if (IsEmpty() || IsNull()) return *this;
  switch (type) {
    case VarType::Empty: return Variant();
    case VarType::Null: return Null();
    case VarType::Boolean: return Variant(ToBoolean());
    case VarType::Byte: return Variant(ToByte());
    case VarType::Integer: return Variant(ToInteger());
    case VarType::Long: return Variant(ToLong());
    case VarType::Single: return Variant(ToSingle());
    case VarType::Double: return Variant(ToDouble());
    case VarType::Text: return Variant(ToText());
    case VarType::Object: return Variant(ToObject());
    case VarType::Currency: return Variant(ToCurrency());
    case VarType::Date: return Variant(ToDate());
    case VarType::Bytes: return Variant(ToBytes());
  }
  Raise(err::kTypeMismatch, kSource);
}

std::optional<int> Variant::Compare(const Variant& other) const {
  if (IsNull() || other.IsNull()) return std::nullopt;
  if (IsObject() || other.IsObject()) Raise(err::kTypeMismatch, kSource);
  auto sign = [](auto a, auto b) { return a < b ? -1 : (a > b ? 1 : 0); };
  if (Type() == VarType::Bytes || other.Type() == VarType::Bytes) Raise(err::kTypeMismatch, kSource);
  // Amounts compare exactly; a moment and a text compare as moments.
  if (Type() == VarType::Currency && other.Type() == VarType::Currency)
    return sign(ToCurrency().scaled, other.ToCurrency().scaled);
  if ((Type() == VarType::Date && other.IsText()) || (IsText() && other.Type() == VarType::Date))
    return sign(ToDate().serial, other.ToDate().serial);
  if (IsText() && other.IsText()) return sign(ToText().compare(other.ToText()), 0);
  if (IsEmpty() && other.IsText()) return sign(std::string().compare(other.ToText()), 0);
  if (IsText() && other.IsEmpty()) return sign(ToText().compare(std::string()), 0);
  return sign(ToDouble(), other.ToDouble());
}

bool Variant::SameAs(const Variant& other) const { return v_ == other.v_; }

}  // namespace nrx
