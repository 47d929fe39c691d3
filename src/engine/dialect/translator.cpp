#include "engine/dialect/translator.h"

#include <fmt/format.h>

#include <charconv>
#include <optional>

#include "engine/connection.h"
#include "engine/dialect/amounts.h"
#include "engine/dialect/lexer.h"
#include "nrxJobDb/engine.h"
#include "nrxJobDb/name_table.h"

namespace nrx::dialect {
namespace {

bool IsLogical(Op op) {
  return op == Op::kAnd || op == Op::kOr || op == Op::kXor || op == Op::kEqv || op == Op::kImp ||
         op == Op::kNot;
}

constexpr Named<Op> kComparisonSymbols[] = {
    {Op::kEq, "="},  {Op::kNe, "<>"}, {Op::kLt, "<"},
    {Op::kLe, "<="}, {Op::kGt, ">"},  {Op::kGe, ">="},
};

// Logical operators on truth values; NOT turns any operand into SQLite's 1/0/NULL.
constexpr Named<Op> kLogicalForms[] = {
    {Op::kXor, "((NOT {}) <> (NOT {}))"},
    {Op::kEqv, "((NOT {}) = (NOT {}))"},
    {Op::kImp, "((NOT {}) OR {})"},
};

// "/" always divides as floating point: 7 / 2 is 3.5.
constexpr Named<Op> kArithmeticForms[] = {
    {Op::kSub, "({} - {})"},
    {Op::kMul, "({} * {})"},
    {Op::kDiv, "(CAST({} AS REAL) / {})"},
    {Op::kIntDiv, "nrx_idiv({}, {})"},
    {Op::kMod, "nrx_mod({}, {})"},
    {Op::kPow, "nrx_pow({}, {})"},
};

bool IsComparison(Op op) { return FindName(kComparisonSymbols, op).has_value(); }

bool IsNumeric(ValueKind kind) { return kind == ValueKind::kNumber || kind == ValueKind::kBoolean; }

// A text SQLite turns into a number when it meets a number field: digits with blanks around.
bool ReadsAsNumber(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return false;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  if (text[0] == '+') text.remove_prefix(1);
  double number = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
  return ec == std::errc() && end == text.data() + text.size();
}

class Translator {
 public:
  explicit Translator(const TranslateOptions& options) : options_(options) {}

  std::string Condition(const Expr& e) { return Raw(e); }

  std::string Value(const Expr& e) {
    if (KindOf(e) == ValueKind::kBoolean && e.kind != ExprKind::kBoolean)
      return fmt::format("(-{})", Raw(e));
    return Raw(e);
  }

  std::string Stored(const Expr& e) {
    if (auto scaled = Scaled(e)) return scaled->sql;
    if (e.kind == ExprKind::kNull) return "NULL";
    return StoredAmount(Value(e));
  }

 private:
  const TranslateOptions& options_;

  const Expr& At(const Expr& e, std::size_t i) { return *e.operands[i]; }

  // Boolean nodes come back parenthesised, so Value() can negate them as they are.
  std::string Raw(const Expr& e) {
    switch (e.kind) {
      case ExprKind::kNumber:
        return e.value;
      case ExprKind::kText:
        return QuoteLiteral(e.value);
      // In parentheses, so that a minus before it never makes "--", SQLite's comment.
      case ExprKind::kBoolean:
        return e.truth ? "(-1)" : "0";
      case ExprKind::kNull:
        return "NULL";
      case ExprKind::kField:
        return Field(e);
      case ExprKind::kUnary:
        return Unary(e);
      case ExprKind::kBinary:
        return Binary(e);
      case ExprKind::kLike:
        return fmt::format("({}nrx_like({}, {}))", e.negated ? "NOT " : "", Value(At(e, 0)),
                           Value(At(e, 1)));
      case ExprKind::kIn:
        return In(e);
      case ExprKind::kBetween:
        return Between(e);
      case ExprKind::kIsNull:
        return fmt::format("({} IS {}NULL)", Value(At(e, 0)), e.negated ? "NOT " : "");
      case ExprKind::kCall:
        return Call(e);
    }
    return "NULL";
  }

  // The column as stored.
  std::string Column(const Expr& e) {
    if (e.qualifier.empty() || SameName(e.qualifier, options_.table))
      return QuoteIdentifier(e.value);
    return QuoteIdentifier(e.qualifier) + "." + QuoteIdentifier(e.value);
  }

  std::string Field(const Expr& e) { return IsCurrency(e) ? AmountOf(Column(e)) : Column(e); }

  bool IsCurrency(const Expr& e) { return IsCurrencyField(e, options_.table, options_.types); }

  // In parentheses, so that a minus before it never makes "--".
  static std::string Literal(std::int64_t scaled) {
    return scaled < 0 ? fmt::format("({})", scaled) : std::to_string(scaled);
  }

  // An expression in scaled whole numbers; `has_field` when a Currency field takes part.
  struct ScaledSql {
    std::string sql;
    bool has_field = false;
  };

  // The expression as a scaled whole number when it is a Currency field, a literal that scales
  // exactly, or built from those by sums, differences and signs with a field taking part: such
  // amounts add exactly over the whole range, where doubles lose the last digits beyond 2^53.
  // Products and quotients stay in doubles: an amount times or divided by a plain number is no
  // longer a whole number of ten-thousandths, and rounds to the fourth decimal where it is stored.
  // Without a field a sum keeps the dialect's own meaning ('1' + '2' joins texts).
  std::optional<ScaledSql> Scaled(const Expr& e) {
    if (IsCurrency(e)) return ScaledSql{Column(e), true};
    if (auto literal = ScaledLiteral(e)) return ScaledSql{Literal(*literal), false};
    if (e.kind == ExprKind::kUnary && e.op == Op::kPlus) return Scaled(At(e, 0));
    if (e.kind == ExprKind::kUnary && e.op == Op::kNegate)
      return Combined(Op::kSub, ScaledSql{"0", false}, Scaled(At(e, 0)));
    if (e.kind != ExprKind::kBinary || (e.op != Op::kAdd && e.op != Op::kSub)) return std::nullopt;
    auto a = Scaled(At(e, 0));
    if (!a) return std::nullopt;
    return Combined(e.op, *a, Scaled(At(e, 1)));
  }

  static std::optional<ScaledSql> Combined(Op op, const ScaledSql& a,
                                           const std::optional<ScaledSql>& b) {
    if (!b || !(a.has_field || b->has_field)) return std::nullopt;
    return ScaledSql{ScaledSum(op, a.sql, b->sql), true};
  }

  // A sum of amounts read as its amount; Nullopt for anything else.
  std::optional<std::string> SumAmount(const Expr& e) {
    auto scaled = Scaled(e);
    if (!scaled || !scaled->has_field) return std::nullopt;
    return AmountOf(scaled->sql);
  }

  // The operands of a comparison as stored, when each is scaled (see Scaled) and a field takes
  // part: whole numbers compare exactly beyond a double's 53 bits, and a field compared with a
  // literal keeps its index.
  std::optional<std::vector<std::string>> AsStored(const std::vector<ExprPtr>& operands) {
    std::vector<std::string> stored;
    bool any_field = false;
    for (const auto& operand : operands) {
      auto scaled = Scaled(*operand);
      if (!scaled) return std::nullopt;
      any_field |= scaled->has_field;
      stored.push_back(std::move(scaled->sql));
    }
    if (!any_field) return std::nullopt;
    return stored;
  }

  std::string Unary(const Expr& e) {
    if (auto amount = SumAmount(e)) return *amount;
    switch (e.op) {
      case Op::kNot:
        return fmt::format("(NOT {})", Condition(At(e, 0)));
      case Op::kNegate:
        return fmt::format("(-{})", Value(At(e, 0)));
      default:
        return fmt::format("(+{})", Value(At(e, 0)));
    }
  }

  // Texts compare without regard to case; the collation goes on the comparison only when a
  // text is known to take part, so numeric comparisons keep their indexes.
  std::string Collation(const Expr& e) {
    for (const auto& operand : e.operands) {
      if (KindOf(*operand) == ValueKind::kText) return " COLLATE NOCASE";
    }
    return "";
  }

  std::string Binary(const Expr& e) {
    const Expr& a = At(e, 0);
    if (e.op == Op::kAnd || e.op == Op::kOr) {
      std::string out = "(";
      for (std::size_t i = 0; i < e.operands.size(); ++i) {
        if (i) out += e.op == Op::kAnd ? " AND " : " OR ";
        out += Condition(At(e, i));
      }
      return out + ")";
    }
    const Expr& b = At(e, 1);
    if (auto form = FindName(kLogicalForms, e.op))
      return fmt::format(fmt::runtime(*form), Condition(a), Condition(b));
    if (auto symbol = FindName(kComparisonSymbols, e.op)) {
      NoteTextComparison(a, b);
      NoteTextComparison(b, a);
      if (auto stored = AsStored(e.operands))
        return fmt::format("({} {} {})", (*stored)[0], *symbol, (*stored)[1]);
      return fmt::format("({} {} {}{})", Value(a), *symbol, Value(b), Collation(e));
    }
    if (e.op == Op::kAdd || e.op == Op::kSub) {
      if (auto amount = SumAmount(e)) return *amount;
    }
    if (auto form = FindName(kArithmeticForms, e.op))
      return fmt::format(fmt::runtime(*form), Value(a), Value(b));
    if (e.op == Op::kAdd) return Add(a, b);
    return Concat(e);
  }

  void NoteTextComparison(const Expr& field, const Expr& text) {
    if (!options_.text_compared || field.kind != ExprKind::kField || text.kind != ExprKind::kText)
      return;
    if (!field.qualifier.empty() && !SameName(field.qualifier, options_.table)) return;
    if (!ReadsAsNumber(text.value)) options_.text_compared->push_back(field.value);
  }

  // "+" adds numbers and joins texts; which it does is known here unless neither side's kind is.
  std::string Add(const Expr& a, const Expr& b) {
    const ValueKind ka = KindOf(a);
    const ValueKind kb = KindOf(b);
    if (IsNumeric(ka) || IsNumeric(kb)) return fmt::format("({} + {})", Value(a), Value(b));
    if (ka == ValueKind::kText && kb == ValueKind::kText)
      return fmt::format("({} || {})", Value(a), Value(b));
    return fmt::format("nrx_add({}, {})", Value(a), Value(b));
  }

  // a & b & c becomes one call, so long joins stay shallow.
  void ConcatOperands(const Expr& e, std::vector<std::string>& out) {
    if (e.kind == ExprKind::kBinary && e.op == Op::kConcat) {
      ConcatOperands(At(e, 0), out);
      ConcatOperands(At(e, 1), out);
      return;
    }
    out.push_back(Value(e));
  }

  std::string Concat(const Expr& e) {
    std::vector<std::string> parts;
    ConcatOperands(e, parts);
    return fmt::format("nrx_concat({})", fmt::join(parts, ", "));
  }

  std::string Between(const Expr& e) {
    const char* negated = e.negated ? "NOT " : "";
    if (auto stored = AsStored(e.operands))
      return fmt::format("({} {}BETWEEN {} AND {})", (*stored)[0], negated, (*stored)[1],
                         (*stored)[2]);
    return fmt::format("({}{} {}BETWEEN {} AND {})", Value(At(e, 0)), Collation(e), negated,
                       Value(At(e, 1)), Value(At(e, 2)));
  }

  std::string In(const Expr& e) {
    std::vector<std::string> items;
    std::string subject;
    std::string collation;
    if (auto stored = AsStored(e.operands)) {
      subject = stored->front();
      items.assign(stored->begin() + 1, stored->end());
    } else {
      subject = Value(At(e, 0));
      collation = Collation(e);
      for (std::size_t i = 1; i < e.operands.size(); ++i) items.push_back(Value(At(e, i)));
    }
    return fmt::format("({}{} {}IN ({}))", subject, collation, e.negated ? "NOT " : "",
                       fmt::join(items, ", "));
  }

  std::string Call(const Expr& e) {
    const FunctionSpec* spec = FindFunction(e.value);
    switch (spec->form) {
      case FunctionForm::kIsNull:
        return fmt::format("({} IS NULL)", Value(At(e, 0)));
      case FunctionForm::kIIf:
        return fmt::format("(CASE WHEN {} THEN {} ELSE {} END)", Condition(At(e, 0)),
                           Value(At(e, 1)), Value(At(e, 2)));
      case FunctionForm::kCall:
        break;
    }
    std::vector<std::string> args;
    for (const auto& operand : e.operands) args.push_back(Value(*operand));
    return fmt::format("{}({})", spec->sqlite_name, fmt::join(args, ", "));
  }
};

}  // namespace

ValueKind KindOf(const Expr& e) {
  switch (e.kind) {
    case ExprKind::kNumber:
      return ValueKind::kNumber;
    case ExprKind::kText:
      return ValueKind::kText;
    case ExprKind::kBoolean:
    case ExprKind::kLike:
    case ExprKind::kIn:
    case ExprKind::kBetween:
    case ExprKind::kIsNull:
      return ValueKind::kBoolean;
    case ExprKind::kNull:
    case ExprKind::kField:
      return ValueKind::kUnknown;
    case ExprKind::kCall:
      return FindFunction(e.value)->result;
    case ExprKind::kUnary:
      if (e.op == Op::kNot) return ValueKind::kBoolean;
      if (e.op == Op::kNegate) return ValueKind::kNumber;
      return KindOf(*e.operands[0]);
    case ExprKind::kBinary:
      break;
  }
  if (IsLogical(e.op) || IsComparison(e.op)) return ValueKind::kBoolean;
  if (e.op == Op::kConcat) return ValueKind::kText;
  if (e.op != Op::kAdd) return ValueKind::kNumber;
  const ValueKind a = KindOf(*e.operands[0]);
  const ValueKind b = KindOf(*e.operands[1]);
  if (IsNumeric(a) || IsNumeric(b)) return ValueKind::kNumber;
  if (a == ValueKind::kText && b == ValueKind::kText) return ValueKind::kText;
  return ValueKind::kUnknown;
}

std::string TranslateCondition(const Expr& expr, const TranslateOptions& options) {
  return Translator(options).Condition(expr);
}

std::string TranslateValue(const Expr& expr, const TranslateOptions& options) {
  return Translator(options).Value(expr);
}

std::string TranslateStoredValue(const Expr& expr, int field_type,
                                 const TranslateOptions& options) {
  if (field_type != dbCurrency) return TranslateValue(expr, options);
  return Translator(options).Stored(expr);
}

std::string QuoteIdentifier(std::string_view name) { return detail::QuoteName(name); }
std::string QuoteLiteral(std::string_view text) { return detail::QuoteText(text); }

}  // namespace nrx::dialect
