#include <fmt/format.h>

#include "engine/dialect.h"
#include "engine/dialect/clause.h"
#include "engine/dialect/lexer.h"
#include "engine/dialect/selection_parser.h"
#include "engine/dialect/translator.h"
#include "nrxJobDb/errors.h"

namespace nrx::dialect {
namespace {

const ClauseFollow kAfterFrom{{"WHERE", "ORDER"}, {";"}};
const ClauseFollow kAfterWhere{{"ORDER"}, {";"}};
const ClauseFollow kAfterFields{{"FROM"}, {}};

struct FieldRef {
  std::string qualifier;
  std::string name;  // "*" for every field
};

// A name may be qualified only by the selection's own table.
std::string Resolve(const FieldRef& ref, std::string_view table) {
  if (!ref.qualifier.empty() && !SameName(ref.qualifier, table))
    Raise(err::kTooFewParameters, kDialectSource, ref.qualifier + "." + ref.name);
  return ref.name;
}

// name, [name], table.name, table.*, *
FieldRef ReadFieldRef(TokenStream& tokens, bool star_allowed) {
  if (star_allowed && tokens.AcceptSymbol("*")) return {"", "*"};
  FieldRef ref{"", tokens.ExpectName("a field name")};
  if (tokens.AcceptSymbol(".")) {
    ref.qualifier = std::move(ref.name);
    ref.name = star_allowed && tokens.AcceptSymbol("*") ? "*" : tokens.ExpectName("a field name");
  }
  return ref;
}

std::vector<FieldRef> ReadFieldList(TokenStream& tokens) {
  const std::size_t first = tokens.Position();
  std::vector<FieldRef> refs;
  try {
    do {
      refs.push_back(ReadFieldRef(tokens, true));
    } while (tokens.AcceptSymbol(","));
    if (tokens.PeekKeyword("FROM")) return refs;
    // With no FROM anywhere after the list the clause is missing (or misspelt); with one further
    // on, the field list itself is garbled.
    const ClauseFollow from_keyword{{"FROM"}, {}};
    if (tokens.At(ClauseEnd(tokens, tokens.Position(), from_keyword)).kind == TokenKind::kEnd) {
      RaiseSyntax(err::kFromSyntax, "Syntax error in FROM clause", tokens.Rest(0),
                  SyntaxError{tokens.Peek().offset, "the selection has no FROM clause"});
    }
    tokens.Fail(fmt::format("missing operator or ',' before {}", tokens.Describe(tokens.Peek())));
  } catch (const SyntaxError& error) {
    RaiseSyntax(err::kExpressionSyntax, "Syntax error in the field list",
                ClauseText(tokens, first, ClauseEnd(tokens, first, kAfterFields)), error);
  }
}

std::string ReadFrom(TokenStream& tokens) {
  const std::size_t first = tokens.Position();
  try {
    tokens.ExpectKeyword("FROM");
    std::string table = tokens.ExpectName("a table name");
    if (!AtFollow(tokens, kAfterFrom)) {
      tokens.Fail(fmt::format("{} after the table name (one table, without joins or aliases)",
                              tokens.Describe(tokens.Peek())));
    }
    return table;
  } catch (const SyntaxError& error) {
    RaiseSyntax(err::kFromSyntax, "Syntax error in FROM clause",
                ClauseText(tokens, first, ClauseEnd(tokens, first + 1, kAfterFrom)), error);
  }
}

std::vector<OrderTerm> ReadOrderBy(TokenStream& tokens, std::string_view table) {
  const std::size_t first = tokens.Position();
  std::vector<FieldRef> refs;
  std::vector<bool> descending;
  try {
    tokens.ExpectKeyword("ORDER");
    tokens.ExpectKeyword("BY");
    do {
      refs.push_back(ReadFieldRef(tokens, false));
      descending.push_back(tokens.AcceptKeyword("DESC"));
      if (!descending.back()) tokens.AcceptKeyword("ASC");
    } while (tokens.AcceptSymbol(","));
    if (!tokens.AtEnd() && !tokens.PeekSymbol(";"))
      tokens.Unexpected("',' or the end of the statement");
  } catch (const SyntaxError& error) {
    RaiseSyntax(err::kSyntaxError, "Syntax error in ORDER BY clause", tokens.Rest(first), error);
  }
  std::vector<OrderTerm> terms;
  for (std::size_t i = 0; i < refs.size(); ++i)
    terms.push_back(OrderTerm{Resolve(refs[i], table), descending[i]});
  return terms;
}

}  // namespace

Selection ReadSelection(TokenStream& tokens, const FieldTypes* types) {
  Selection selection;
  try {
    tokens.ExpectKeyword("SELECT");
  } catch (const SyntaxError& error) {
    RaiseSyntax(err::kSyntaxError, "Not a selection", tokens.Rest(0), error);
  }
  if (tokens.AcceptKeyword("DISTINCT")) {
    selection.distinct = true;
  } else if (!tokens.AcceptKeyword("DISTINCTROW")) {
    tokens.AcceptKeyword("ALL");  // over one table DISTINCTROW changes nothing
  }
  const std::vector<FieldRef> refs = ReadFieldList(tokens);
  selection.table = ReadFrom(tokens);
  for (const FieldRef& ref : refs) selection.fields.push_back(Resolve(ref, selection.table));
  if (tokens.AcceptKeyword("WHERE")) {
    ExprPtr where = ParseClauseExpression(tokens, kAfterWhere);
    selection.where_sql =
        TranslateCondition(*where, {selection.table, &selection.text_compared, types});
  }
  if (tokens.PeekKeyword("ORDER")) selection.order_by = ReadOrderBy(tokens, selection.table);
  return selection;
}

bool IsSelection(std::string_view source) {
  std::size_t i = 0;
  while (i < source.size() &&
         (source[i] == ' ' || source[i] == '\t' || source[i] == '\r' || source[i] == '\n'))
    ++i;
  if (!IsKeyword(source.substr(i, 6), "SELECT")) return false;
  if (i + 6 == source.size()) return true;
  const char next = source[i + 6];
  return !((next >= 'A' && next <= 'Z') || (next >= 'a' && next <= 'z') ||
           (next >= '0' && next <= '9') || next == '_' || static_cast<unsigned char>(next) >= 0x80);
}

Selection ParseSelection(std::string_view text, const FieldTypes* types) {
  TokenStream tokens(text);
  Selection selection = ReadSelection(tokens, types);
  try {
    tokens.ExpectStatementEnd();
  } catch (const SyntaxError& error) {
    RaiseSyntax(err::kSyntaxError, "Characters found after the end of the selection", text, error);
  }
  return selection;
}

std::string TranslateCriteria(std::string_view criteria, std::vector<std::string>* text_compared,
                              std::string_view table, const FieldTypes* types) {
  TokenStream tokens(criteria);
  ExprPtr expr = ParseClauseExpression(tokens, ClauseFollow{});
  return TranslateCondition(*expr, {table, text_compared, types});
}

}  // namespace nrx::dialect
