#include "engine/dialect/amounts.h"

#include <fmt/format.h>

#include <algorithm>

#include "engine/decimal_amount.h"
#include "engine/dialect.h"
#include "engine/dialect/lexer.h"
#include "nrxJobDb/engine.h"
#include "nrxJobDb/errors.h"
#include "nrxJobDb/variant.h"

namespace nrx::dialect {

bool IsCurrencyField(const Expr& field, std::string_view table, const FieldTypes* types) {
  if (!types || field.kind != ExprKind::kField) return false;
  if (!field.qualifier.empty() && !SameName(field.qualifier, table)) return false;
  return types->TypeOf(table, field.value) == dbCurrency;
}

std::optional<std::int64_t> ScaledLiteral(const Expr& e) {
  bool negative = false;
  const Expr* literal = &e;
  while (literal->kind == ExprKind::kUnary && literal->op != Op::kNot) {
    negative ^= literal->op == Op::kNegate;
    literal = literal->operands[0].get();
  }
  if (literal->kind != ExprKind::kNumber && literal->kind != ExprKind::kText) return std::nullopt;
  // The sign goes into the text, so that the smallest amount, whose magnitude is out of range,
  // is read too.
  std::string_view digits = literal->value;
  digits.remove_prefix(std::min(digits.size(), digits.find_first_not_of(" \t")));
  if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
    negative ^= digits[0] == '-';
    digits.remove_prefix(1);
  }
  if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) return std::nullopt;
  try {
    std::string text = negative ? "-" : "";
    text += digits;
    const auto amount = detail::ReadDecimalAmount(text, /*exact_only=*/true);
    if (!amount) return std::nullopt;
    return amount->scaled;
  } catch (const Error&) {
    return std::nullopt;  // beyond the range: compared as an amount, it matches nothing stored
  }
}

// As REAL, so that a text compared with it is read as a number, as it is against a Double field:
// an expression without a type would compare as less than any text.
std::string AmountOf(std::string_view column_sql) {
  return fmt::format("CAST({} / {}.0 AS REAL)", column_sql, Currency::kScale);
}

std::string StoredAmount(std::string_view value_sql) {
  return fmt::format("nrx_currency({})", value_sql);
}

std::string ScaledSum(Op op, std::string_view a_sql, std::string_view b_sql) {
  return fmt::format("{}({}, {})", op == Op::kSub ? "nrx_amount_sub" : "nrx_amount_add", a_sql,
                     b_sql);
}

}  // namespace nrx::dialect
