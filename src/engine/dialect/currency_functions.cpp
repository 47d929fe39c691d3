// nrx_currency: what a Currency field stores for a value an action statement writes to it, the
// amount times 10000 as a whole number, converted as a recordset converts it.

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

constexpr Registration kCurrency[] = {
    {"nrx_currency", 1, ToStoredAmount},
};

}  // namespace

void RegisterCurrencyFunctions(sqlite3* db) {
  Register(db, std::begin(kCurrency), std::end(kCurrency));
}

}  // namespace nrx::dialect::functions
