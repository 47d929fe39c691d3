#include "engine/dialect/amounts.h"

#include <fmt/format.h>

#include "engine/dialect.h"
#include "engine/dialect/lexer.h"
#include "nrxJobDb/engine.h"
#include "nrxJobDb/errors.h"
#include "nrxJobDb/variant.h"

namespace nrx::dialect {
namespace {

constexpr int kMaxDecimals = 4;

// Digits with at most one point and at most four digits after it: nothing a binary fraction
// or an exponent could have touched.
bool IsPlainDecimal(std::string_view text) {
  const auto point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction =
      point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
  if (whole.empty() && fraction.empty()) return false;
  if (fraction.size() > kMaxDecimals) return false;
  for (std::string_view part : {whole, fraction})
    for (char c : part)
      if (c < '0' || c > '9') return false;
  return true;
}

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

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
  std::string_view digits;
  if (literal->kind == ExprKind::kNumber) {
    digits = literal->value;
  } else if (literal->kind == ExprKind::kText) {
    digits = Trimmed(literal->value);
    if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
      negative ^= digits[0] == '-';
      digits.remove_prefix(1);
    }
  } else {
    return std::nullopt;
  }
  if (!IsPlainDecimal(digits)) return std::nullopt;
  try {
    return Variant((negative ? "-" : "") + std::string(digits)).ToCurrency().scaled;
  } catch (const Error&) {
    return std::nullopt;  // beyond the range: compared as an amount, it matches nothing stored
  }
}

std::string AmountOf(std::string_view column_sql) {
  return fmt::format("({} / {}.0)", column_sql, Currency::kScale);
}

std::string StoredAmount(std::string_view value_sql) {
  return fmt::format("nrx_currency({})", value_sql);
}

std::string ScaledSum(Op op, std::string_view a_sql, std::string_view b_sql) {
  return fmt::format("{}({}, {})", op == Op::kSub ? "nrx_amount_sub" : "nrx_amount_add", a_sql,
                     b_sql);
}

}  // namespace nrx::dialect
