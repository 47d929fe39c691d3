#include "engine/dialect/actions.h"

#include <fmt/format.h>

#include "engine/dialect/amounts.h"
#include "engine/dialect/clause.h"
#include "engine/dialect/lexer.h"
#include "engine/dialect/selection_parser.h"
#include "engine/dialect/translator.h"
#include "nrxJobDb/engine.h"
#include "nrxJobDb/errors.h"

namespace nrx::dialect {
namespace {

const ClauseFollow kListItem{{}, {",", ")"}};
const ClauseFollow kSetItem{{"WHERE"}, {",", ";"}};
const ClauseFollow kStatementEnd{{}, {";"}};

std::string QuotedList(const std::vector<std::string>& names) {
  std::vector<std::string> quoted;
  for (const auto& name : names) quoted.push_back(QuoteIdentifier(name));
  return fmt::format("{}", fmt::join(quoted, ", "));
}

// A field written as name or table.name, where only the statement's table may qualify it.
std::string ReadTargetField(TokenStream& tokens, std::string_view table) {
  std::string name = tokens.ExpectName("a field name");
  if (tokens.AcceptSymbol(".")) {
    if (!SameName(name, table)) tokens.Fail(fmt::format("'{}' is not the table written", name));
    name = tokens.ExpectName("a field name");
  }
  return name;
}

std::string WhereSql(TokenStream& tokens, std::string_view table, const FieldTypes* types,
                     std::vector<std::string>& text_compared) {
  if (!tokens.AcceptKeyword("WHERE")) return {};
  ExprPtr where = ParseClauseExpression(tokens, kStatementEnd);
  return " WHERE " + TranslateCondition(*where, {table, &text_compared, types});
}

int TypeOf(const FieldTypes* types, std::string_view table, std::string_view field) {
  return types ? types->TypeOf(table, field) : 0;
}

// The fields a value list or selection fills: those written, else all of the table in order.
std::vector<std::string> TargetFields(std::vector<std::string> written, std::string_view table,
                                      const FieldTypes* types) {
  if (written.empty() && types) return types->FieldsOf(table);
  return written;
}

// The selected names with "*" standing for the source's fields in order, where the types say
// what they are.
std::vector<std::string> SelectedNames(const Selection& s, const FieldTypes* types) {
  std::vector<std::string> names;
  for (const auto& f : s.fields) {
    std::vector<std::string> all;
    if (f == "*" && types) all = types->FieldsOf(s.table);
    if (all.empty()) all.push_back(f);
    names.insert(names.end(), all.begin(), all.end());
  }
  return names;
}

// The selected columns, each as its target field takes it: a Currency field the scaled amount,
// any other field the amount a Currency column holds.
std::vector<std::string> SourceColumns(const Selection& s, std::string_view target,
                                       const std::vector<std::string>& targets,
                                       const FieldTypes* types) {
  const std::vector<std::string> names = SelectedNames(s, types);
  std::vector<std::string> columns;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == "*") {
      columns.push_back("*");
      continue;
    }
    const std::string column = QuoteIdentifier(names[i]);
    const bool from_amount = TypeOf(types, s.table, names[i]) == dbCurrency;
    const bool to_amount = i < targets.size() && TypeOf(types, target, targets[i]) == dbCurrency;
    if (to_amount == from_amount) {
      columns.push_back(column);
    } else {
      columns.push_back(to_amount ? StoredAmount(column) : AmountOf(column));
    }
  }
  return columns;
}

std::string SelectionSql(const Selection& s, const std::vector<std::string>& columns) {
  std::string sql = fmt::format("SELECT {}{} FROM {}", s.distinct ? "DISTINCT " : "",
                                fmt::join(columns, ", "), QuoteIdentifier(s.table));
  if (!s.where_sql.empty()) sql += " WHERE " + s.where_sql;
  std::vector<std::string> order;
  for (const auto& term : s.order_by)
    order.push_back(QuoteIdentifier(term.field) + (term.descending ? " DESC" : ""));
  if (!order.empty()) sql += fmt::format(" ORDER BY {}", fmt::join(order, ", "));
  return sql;
}

// `targets` are the fields the values go to; `written` says whether the statement listed them.
std::string ValuesSql(TokenStream& tokens, std::string_view table, const FieldTypes* types,
                      const std::vector<std::string>& targets, bool written) {
  tokens.ExpectSymbol("(");
  std::vector<std::string> values;
  do {
    ExprPtr value = ParseClauseExpression(tokens, kListItem);
    const std::size_t i = values.size();
    const int type = i < targets.size() ? TypeOf(types, table, targets[i]) : 0;
    values.push_back(TranslateStoredValue(*value, type, {table, nullptr, types}));
  } while (tokens.AcceptSymbol(","));
  tokens.ExpectSymbol(")");
  if (written && values.size() != targets.size())
    tokens.Fail(fmt::format("{} values for {} fields", values.size(), targets.size()));
  return fmt::format("VALUES ({})", fmt::join(values, ", "));
}

}  // namespace

// INSERT INTO table [(fields)] VALUES (values) | INSERT INTO table [(fields)] SELECT ...
Action ReadInsert(TokenStream& tokens, const FieldTypes* types) {
  return ReadStatementPart(
      tokens, err::kInsertSyntax, "Syntax error in INSERT INTO statement", [&] {
        tokens.ExpectKeyword("INSERT");
        tokens.ExpectKeyword("INTO");
        Action action;
        action.table = tokens.ExpectName("a table name");
        std::vector<std::string> fields;
        if (tokens.AcceptSymbol("(")) {
          do {
            fields.push_back(ReadTargetField(tokens, action.table));
          } while (tokens.AcceptSymbol(","));
          tokens.ExpectSymbol(")");
        }
        const std::vector<std::string> targets = TargetFields(fields, action.table, types);
        std::string source;
        if (tokens.PeekKeyword("SELECT")) {
          const Selection selection = ReadSelection(tokens, types);
          source = SelectionSql(selection, SourceColumns(selection, action.table, targets, types));
        } else {
          tokens.ExpectKeyword("VALUES");
          source = ValuesSql(tokens, action.table, types, targets, !fields.empty());
        }
        tokens.ExpectStatementEnd();
        action.sql = fmt::format("INSERT INTO {}{} {}", QuoteIdentifier(action.table),
                                 fields.empty() ? "" : " (" + QuotedList(fields) + ")", source);
        return action;
      });
}

// UPDATE table SET field = value, ... [WHERE criteria]
Action ReadUpdate(TokenStream& tokens, const FieldTypes* types) {
  return ReadStatementPart(tokens, err::kUpdateSyntax, "Syntax error in UPDATE statement", [&] {
    tokens.ExpectKeyword("UPDATE");
    Action action;
    action.table = tokens.ExpectName("a table name");
    tokens.ExpectKeyword("SET");
    std::vector<std::string> assignments;
    do {
      const std::string field = ReadTargetField(tokens, action.table);
      tokens.ExpectSymbol("=");
      ExprPtr value = ParseClauseExpression(tokens, kSetItem);
      const int type = TypeOf(types, action.table, field);
      assignments.push_back(
          fmt::format("{} = {}", QuoteIdentifier(field),
                      TranslateStoredValue(*value, type, {action.table, nullptr, types})));
    } while (tokens.AcceptSymbol(","));
    const std::string where = WhereSql(tokens, action.table, types, action.text_compared);
    tokens.ExpectStatementEnd();
    action.sql = fmt::format("UPDATE {} SET {}{}", QuoteIdentifier(action.table),
                             fmt::join(assignments, ", "), where);
    return action;
  });
}

// DELETE [[table.]*] FROM table [WHERE criteria]
Action ReadDelete(TokenStream& tokens, const FieldTypes* types) {
  constexpr std::string_view kSentence = "Syntax error in DELETE statement";
  ReadStatementPart(tokens, err::kDeleteSyntax, kSentence, [&] {
    tokens.ExpectKeyword("DELETE");
    if (tokens.PeekName() && tokens.PeekSymbol(".", 1)) {
      tokens.Next();
      tokens.Next();
      tokens.ExpectSymbol("*");
    } else {
      tokens.AcceptSymbol("*");
    }
  });
  Action action;
  ReadStatementPart(tokens, err::kFromSyntax, "Syntax error in FROM clause", [&] {
    tokens.ExpectKeyword("FROM");
    action.table = tokens.ExpectName("a table name");
    if (!tokens.PeekKeyword("WHERE") && !tokens.PeekSymbol(";") && !tokens.AtEnd())
      tokens.Unexpected("WHERE or the end of the statement");
  });
  const std::string where = WhereSql(tokens, action.table, types, action.text_compared);
  ReadStatementPart(tokens, err::kDeleteSyntax, kSentence, [&] { tokens.ExpectStatementEnd(); });
  action.sql = fmt::format("DELETE FROM {}{}", QuoteIdentifier(action.table), where);
  return action;
}

}  // namespace nrx::dialect
