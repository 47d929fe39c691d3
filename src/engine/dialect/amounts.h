#pragma once
// Currency fields in translated texts. The engine stores an amount as a whole number of
// ten-thousandths; in an expression a Currency field stands for the amount, and a value stored
// into one becomes the scaled whole number, exactly.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/dialect/expr.h"

namespace nrx::dialect {

class FieldTypes;

// True when `field` names a Currency field of `table` (unqualified or qualified by `table`).
bool IsCurrencyField(const Expr& field, std::string_view table, const FieldTypes* types);

// A number literal (or a text holding a plain decimal), negated any number of times, with at
// most four decimals and within the Currency range: its scaled whole number. Nullopt for any
// other expression, which then has to be compared as an amount.
std::optional<std::int64_t> ScaledLiteral(const Expr& e);

// The amount a stored column holds: `column_sql` being the column as SQLite names it.
std::string AmountOf(std::string_view column_sql);

// The scaled whole number a value becomes in a Currency field, converted while the statement
// runs (nrx_currency): Null stays Null, out of range fails with 6, a text that is not a number
// with 3464.
std::string StoredAmount(std::string_view value_sql);

// The sum (Op::kAdd) or difference (Op::kSub) of two scaled whole numbers, computed exactly
// while the statement runs: Null gives Null, beyond the Currency range fails with 6.
std::string ScaledSum(Op op, std::string_view a_sql, std::string_view b_sql);

}  // namespace nrx::dialect
