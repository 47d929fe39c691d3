#include "engine/dialect/function_args.h"

#include <fmt/format.h>

#include <cmath>
#include <new>

#include "nrxJobDb/errors.h"
#include "nrxJobDb/variant.h"

namespace nrx::dialect::functions {
namespace {

// Calls the registered body; exceptions must not cross SQLite's C frames.
void Dispatch(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  const auto* registration = static_cast<const Registration*>(sqlite3_user_data(ctx));
  try {
    registration->body(ctx, argc, argv);
  } catch (const Failure& failure) {
    sqlite3_result_error(ctx, FailureMessage(failure.number).c_str(), -1);
  } catch (const std::bad_alloc&) {
    sqlite3_result_error_nomem(ctx);
  } catch (...) {
    sqlite3_result_error(ctx, FailureMessage(err::kSyntaxError).c_str(), -1);
  }
}

}  // namespace

void Fail(int number) { throw Failure{number}; }

std::string FailureMessage(int number) { return fmt::format("#{} {}", number, ErrorText(number)); }

bool IsNull(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

std::string ToText(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      return std::to_string(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
      return FormatNumber(sqlite3_value_double(v));
    default: {
      const auto* bytes = static_cast<const char*>(sqlite3_value_blob(v));
      const int size = sqlite3_value_bytes(v);
      return bytes ? std::string(bytes, static_cast<std::size_t>(size)) : std::string();
    }
  }
}

Number ToNumber(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      return Number{true, sqlite3_value_int64(v), 0};
    case SQLITE_FLOAT:
      return Number{false, 0, sqlite3_value_double(v)};
    default: {
      const auto parsed = ParseNumber(ToText(v));
      if (!parsed) Fail(err::kCriteriaTypeMismatch);
      return Number{false, 0, *parsed};
    }
  }
}

std::int64_t ToWhole(sqlite3_value* v, std::int64_t min, std::int64_t max) {
  if (IsNull(v)) Fail(err::kInvalidNull);
  const Number n = ToNumber(v);
  if (n.integral) {
    if (n.i < min || n.i > max) Fail(err::kOverflow);
    return n.i;
  }
  const double r = std::nearbyint(n.d);  // half to even under the default rounding mode
  if (!(r >= static_cast<double>(min) && r <= static_cast<double>(max))) Fail(err::kOverflow);
  return static_cast<std::int64_t>(r);
}

void ResultNumber(sqlite3_context* ctx, Number n) {
  if (n.integral) {
    sqlite3_result_int64(ctx, n.i);
  } else {
    ResultReal(ctx, n.d);
  }
}

void ResultReal(sqlite3_context* ctx, double d) {
  if (!std::isfinite(d)) Fail(err::kOverflow);
  sqlite3_result_double(ctx, d);
}

void ResultText(sqlite3_context* ctx, std::string_view text) {
  sqlite3_result_text64(ctx, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

void Register(sqlite3* db, const Registration* begin, const Registration* end) {
  // Every function depends on its arguments alone and has no side effect.
  constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  for (const Registration* r = begin; r != end; ++r) {
    sqlite3_create_function_v2(db, r->name, r->arg_count, kFlags, const_cast<Registration*>(r),
                               Dispatch, nullptr, nullptr, nullptr);
  }
}

}  // namespace nrx::dialect::functions
