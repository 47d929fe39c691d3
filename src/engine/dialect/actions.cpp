#include "engine/dialect/actions.h"

#include <fmt/format.h>

#include "engine/dialect/clause.h"
#include "engine/dialect/lexer.h"
#include "engine/dialect/selection_parser.h"
#include "engine/dialect/translator.h"
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

std::string WhereSql(TokenStream& tokens, std::string_view table,
                     std::vector<std::string>& text_compared) {
  if (!tokens.AcceptKeyword("WHERE")) return {};
  ExprPtr where = ParseClauseExpression(tokens, kStatementEnd);
  return " WHERE " + TranslateCondition(*where, {table, &text_compared});
}

std::string SelectionSql(const Selection& s) {
  std::vector<std::string> fields;
  for (const auto& f : s.fields) fields.push_back(f == "*" ? "*" : QuoteIdentifier(f));
  std::string sql = fmt::format("SELECT {}{} FROM {}", s.distinct ? "DISTINCT " : "",
                                fmt::join(fields, ", "), QuoteIdentifier(s.table));
  if (!s.where_sql.empty()) sql += " WHERE " + s.where_sql;
  std::vector<std::string> order;
  for (const auto& term : s.order_by)
    order.push_back(QuoteIdentifier(term.field) + (term.descending ? " DESC" : ""));
  if (!order.empty()) sql += fmt::format(" ORDER BY {}", fmt::join(order, ", "));
  return sql;
}

std::string ValuesSql(TokenStream& tokens, std::string_view table, std::size_t expected) {
  tokens.ExpectSymbol("(");
  std::vector<std::string> values;
  do {
    values.push_back(TranslateValue(*ParseClauseExpression(tokens, kListItem), {table}));
  } while (tokens.AcceptSymbol(","));
  tokens.ExpectSymbol(")");
  if (expected != 0 && values.size() != expected)
    tokens.Fail(fmt::format("{} values for {} fields", values.size(), expected));
  return fmt::format("VALUES ({})", fmt::join(values, ", "));
}

}  // namespace

// INSERT INTO table [(fields)] VALUES (values) | INSERT INTO table [(fields)] SELECT ...
Action ReadInsert(TokenStream& tokens) {
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
        std::string source;
        if (tokens.PeekKeyword("SELECT")) {
          source = SelectionSql(ReadSelection(tokens));
        } else {
          tokens.ExpectKeyword("VALUES");
          source = ValuesSql(tokens, action.table, fields.size());
        }
        tokens.ExpectStatementEnd();
        action.sql = fmt::format("INSERT INTO {}{} {}", QuoteIdentifier(action.table),
                                 fields.empty() ? "" : " (" + QuotedList(fields) + ")", source);
        return action;
      });
}

// UPDATE table SET field = value, ... [WHERE criteria]
Action ReadUpdate(TokenStream& tokens) {
  return ReadStatementPart(tokens, err::kUpdateSyntax, "Syntax error in UPDATE statement", [&] {
    tokens.ExpectKeyword("UPDATE");
    Action action;
    action.table = tokens.ExpectName("a table name");
    tokens.ExpectKeyword("SET");
    std::vector<std::string> assignments;
    do {
      std::string field = QuoteIdentifier(ReadTargetField(tokens, action.table));
      tokens.ExpectSymbol("=");
      ExprPtr value = ParseClauseExpression(tokens, kSetItem);
      assignments.push_back(fmt::format("{} = {}", field, TranslateValue(*value, {action.table})));
    } while (tokens.AcceptSymbol(","));
    const std::string where = WhereSql(tokens, action.table, action.text_compared);
    tokens.ExpectStatementEnd();
    action.sql = fmt::format("UPDATE {} SET {}{}", QuoteIdentifier(action.table),
                             fmt::join(assignments, ", "), where);
    return action;
  });
}

// DELETE [[table.]*] FROM table [WHERE criteria]
Action ReadDelete(TokenStream& tokens) {
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
  const std::string where = WhereSql(tokens, action.table, action.text_compared);
  ReadStatementPart(tokens, err::kDeleteSyntax, kSentence, [&] { tokens.ExpectStatementEnd(); });
  action.sql = fmt::format("DELETE FROM {}{}", QuoteIdentifier(action.table), where);
  return action;
}

}  // namespace nrx::dialect
