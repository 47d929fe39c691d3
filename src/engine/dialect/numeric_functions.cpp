// The arithmetic SQLite has no exact equivalent for: "\", Mod, "^", "+" on values of unknown
// kind, and the runtime's numeric functions. Null in gives Null out.

#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "engine/dialect/function_args.h"
#include "nrxJobDb/errors.h"

namespace nrx::dialect::functions {
namespace {

constexpr std::int64_t kMin64 = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();

bool AnyNull(int argc, sqlite3_value** argv) {
  for (int i = 0; i < argc; ++i) {
    if (IsNull(argv[i])) return true;
  }
  return false;
}

// "+" joins two texts and adds anything else.
void Add(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  if (sqlite3_value_type(argv[0]) == SQLITE_TEXT && sqlite3_value_type(argv[1]) == SQLITE_TEXT)
    return ResultText(ctx, ToText(argv[0]) + ToText(argv[1]));
  const Number a = ToNumber(argv[0]);
  const Number b = ToNumber(argv[1]);
  std::int64_t sum = 0;
  if (a.integral && b.integral && !__builtin_add_overflow(a.i, b.i, &sum))
    return ResultNumber(ctx, Number{true, sum, 0});
  ResultReal(ctx, a.Real() + b.Real());
}

// Both operands of "\" and Mod are first rounded to whole numbers; a zero divisor gives Null,
// as SQLite's own "/" does.
void IntegerDivide(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  const std::int64_t a = ToWhole(argv[0], kMin64, kMax64);
  const std::int64_t b = ToWhole(argv[1], kMin64, kMax64);
  if (b == 0) return sqlite3_result_null(ctx);
  if (a == kMin64 && b == -1) Fail(err::kOverflow);
  sqlite3_result_int64(ctx, a / b);
}

void Modulo(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  const std::int64_t a = ToWhole(argv[0], kMin64, kMax64);
  const std::int64_t b = ToWhole(argv[1], kMin64, kMax64);
  if (b == 0) return sqlite3_result_null(ctx);
  sqlite3_result_int64(ctx, b == -1 ? 0 : a % b);  // the remainder takes the dividend's sign
}

void Power(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (AnyNull(argc, argv)) return sqlite3_result_null(ctx);
  const double base = ToNumber(argv[0]).Real();
  const double exponent = ToNumber(argv[1]).Real();
  const double result = std::pow(base, exponent);
  if (std::isnan(result)) Fail(err::kInvalidCall);  // a negative base and a fractional exponent
  ResultReal(ctx, result);
}

// Int rounds down, Fix toward zero; whole numbers come back unchanged.
template <double (*round)(double)>
void Whole(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  const Number n = ToNumber(argv[0]);
  if (n.integral) return ResultNumber(ctx, n);
  ResultReal(ctx, round(n.d));
}

double Floor(double d) { return std::floor(d); }
double Trunc(double d) { return std::trunc(d); }

void Sign(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  const double d = ToNumber(argv[0]).Real();
  sqlite3_result_int(ctx, d > 0 ? 1 : (d < 0 ? -1 : 0));
}

void SquareRoot(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  const double d = ToNumber(argv[0]).Real();
  if (d < 0) Fail(err::kInvalidCall);
  ResultReal(ctx, std::sqrt(d));
}

// Round(x[, places]) rounds half to even.
void Round(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  const Number n = ToNumber(argv[0]);
  const std::int64_t places = argc > 1 ? ToWhole(argv[1], INT_MIN, INT_MAX) : 0;
  if (places < 0) Fail(err::kInvalidCall);
  if (n.integral) return ResultNumber(ctx, n);
  if (places > 22) return ResultReal(ctx, n.d);
  const double scale = std::pow(10.0, static_cast<double>(places));
  ResultReal(ctx, std::nearbyint(n.d * scale) / scale);
}

// Val reads the number a text begins with, passing over blanks anywhere; "&H" and "&O" start
// hexadecimal and octal numbers, which read as 16- or 32-bit signed values.
int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

double ValOfRadix(std::string_view digits, int radix) {
  unsigned long long v = 0;
  std::size_t used = 0;
  for (char c : digits) {
    const int d = DigitValue(c);
    if (d < 0 || d >= radix || used == 16) break;
    v = v * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
    ++used;
  }
  const std::size_t short_digits = radix == 16 ? 4 : 6;
  if (used <= short_digits && v <= 0xFFFF) return static_cast<std::int16_t>(v);
  if (v <= 0xFFFFFFFFull) return static_cast<std::int32_t>(v);
  return static_cast<double>(v);
}

double ValOfDecimal(const std::string& s) {
  std::string number;
  std::size_t i = 0;
  auto digits = [&] {
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') number.push_back(s[i++]);
  };
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) number.push_back(s[i++]);
  digits();
  if (i < s.size() && s[i] == '.') {
    number.push_back(s[i++]);
    digits();
  }
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
    std::size_t mark = i + 1;
    if (mark < s.size() && (s[mark] == '+' || s[mark] == '-')) ++mark;
    if (mark < s.size() && s[mark] >= '0' && s[mark] <= '9') {
      number.push_back('E');
      number.append(s, i + 1, mark - i - 1);
      i = mark;
      digits();
    }
  }
  const double d = std::strtod(number.c_str(), nullptr);
  return std::isfinite(d) ? d : 0;
}

void Val(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  std::string s;
  for (char c : ToText(argv[0])) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') s.push_back(c);
  }
  if (s.size() >= 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h'))
    return ResultReal(ctx, ValOfRadix(std::string_view(s).substr(2), 16));
  if (s.size() >= 2 && s[0] == '&' && (s[1] == 'O' || s[1] == 'o'))
    return ResultReal(ctx, ValOfRadix(std::string_view(s).substr(2), 8));
  ResultReal(ctx, ValOfDecimal(s));
}

template <std::int64_t kLow, std::int64_t kHigh>
void ToInteger(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  sqlite3_result_int64(ctx, ToWhole(argv[0], kLow, kHigh));
}

void ToDouble(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  ResultReal(ctx, ToNumber(argv[0]).Real());
}

void ToSingle(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0])) return sqlite3_result_null(ctx);
  const double d = ToNumber(argv[0]).Real();
  if (std::fabs(d) > std::numeric_limits<float>::max()) Fail(err::kOverflow);
  ResultReal(ctx, static_cast<float>(d));
}

constexpr Registration kNumeric[] = {
    {"nrx_add", 2, Add},
    {"nrx_idiv", 2, IntegerDivide},
    {"nrx_mod", 2, Modulo},
    {"nrx_pow", 2, Power},
    {"nrx_int", 1, Whole<Floor>},
    {"nrx_fix", 1, Whole<Trunc>},
    {"nrx_sgn", 1, Sign},
    {"nrx_sqr", 1, SquareRoot},
    {"nrx_round", 1, Round},
    {"nrx_round", 2, Round},
    {"nrx_val", 1, Val},
    {"nrx_cint", 1, ToInteger<-32768, 32767>},
    {"nrx_clng", 1, ToInteger<INT32_MIN, INT32_MAX>},
    {"nrx_cdbl", 1, ToDouble},
    {"nrx_csng", 1, ToSingle},
};

}  // namespace

void RegisterNumericFunctions(sqlite3* db) {
  Register(db, std::begin(kNumeric), std::end(kNumeric));
}

}  // namespace nrx::dialect::functions
