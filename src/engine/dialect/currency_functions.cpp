// nrx_currency: what a Currency field stores for a value an action statement writes to it, the
// amount times 10000 as a whole number, converted as a recordset converts it.
// nrx_amount_add, nrx_amount_sub: sums and differences of such scaled whole numbers, exact over
// the whole range where doubles lose the last digits.

#include <cstdint>

#include "engine/dialect/function_args.h"
#include "nrxJobDb/errors.h"
#include "nrxJobDb/variant.h"

namespace nrx::dialect::functions {
namespace {

// Through the runtime's own conversion: texts that read as plain decimals exactly, anything
// else as a double rounded to the fourth decimal.
void ResultAmount(sqlite3_context* ctx, const Variant& value) {
  std::int64_t scaled = 0;
  try {
    scaled = value.ToCurrency().scaled;
  } catch (const Error& e) {
    // A text that is no number fails as it does in every other number field.
    Fail(e.Number() == err::kOverflow ? err::kOverflow : err::kCriteriaTypeMismatch);
  }
  sqlite3_result_int64(ctx, scaled);
}

void ToStoredAmount(sqlite3_context* ctx, int, sqlite3_value** argv) {
  switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
      return sqlite3_result_null(ctx);
    case SQLITE_INTEGER: {
      // Whole numbers scale exactly, with no double between.
      std::int64_t scaled = 0;
      if (__builtin_mul_overflow(sqlite3_value_int64(argv[0]), Currency::kScale, &scaled))
        Fail(err::kOverflow);
      return sqlite3_result_int64(ctx, scaled);
    }
    case SQLITE_FLOAT:
      return ResultAmount(ctx, Variant(sqlite3_value_double(argv[0])));
    case SQLITE_TEXT:
      return ResultAmount(ctx, Variant(ToText(argv[0])));
    default:
      Fail(err::kCriteriaTypeMismatch);
  }
}

// The operands are stored amounts and scaled literals: whole numbers. A real that would only
// meet a Currency field rounded is refused rather than silently truncated.
std::int64_t ScaledOperand(sqlite3_value* v) {
  if (sqlite3_value_type(v) != SQLITE_INTEGER) Fail(err::kCriteriaTypeMismatch);
  return sqlite3_value_int64(v);
}

bool AddOverflows(std::int64_t a, std::int64_t b, std::int64_t* out) {
  return __builtin_add_overflow(a, b, out);
}
bool SubOverflows(std::int64_t a, std::int64_t b, std::int64_t* out) {
  return __builtin_sub_overflow(a, b, out);
}

// Beyond the Currency range fails with 6, as storing such an amount does.
template <bool (*Overflows)(std::int64_t, std::int64_t, std::int64_t*)>
void ScaledArithmetic(sqlite3_context* ctx, int, sqlite3_value** argv) {
  if (IsNull(argv[0]) || IsNull(argv[1])) return sqlite3_result_null(ctx);
  std::int64_t result = 0;
  if (Overflows(ScaledOperand(argv[0]), ScaledOperand(argv[1]), &result)) Fail(err::kOverflow);
  sqlite3_result_int64(ctx, result);
}

constexpr Registration kCurrency[] = {
    {"nrx_currency", 1, ToStoredAmount},
    {"nrx_amount_add", 2, ScaledArithmetic<AddOverflows>},
    {"nrx_amount_sub", 2, ScaledArithmetic<SubOverflows>},
};

}  // namespace

void RegisterCurrencyFunctions(sqlite3* db) {
  Register(db, std::begin(kCurrency), std::end(kCurrency));
}

}  // namespace nrx::dialect::functions
