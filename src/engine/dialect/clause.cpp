#include "engine/dialect/clause.h"

#include <fmt/format.h>

#include <algorithm>

#include "engine/dialect/expression_parser.h"
#include "engine/dialect/lexer.h"
#include "nrxJobDb/errors.h"

namespace nrx::dialect {
namespace {

// Long texts are quoted in part; the message is for people.
constexpr std::size_t kMaxQuoted = 255;

bool IsFollow(const Token& token, const ClauseFollow& follow) {
  if (token.kind == TokenKind::kEnd) return true;
  if (token.kind == TokenKind::kSymbol)
    return std::find(follow.symbols.begin(), follow.symbols.end(), token.value) !=
           follow.symbols.end();
  if (token.kind != TokenKind::kWord) return false;
  return std::any_of(follow.keywords.begin(), follow.keywords.end(),
                     [&](std::string_view k) { return IsKeyword(token.value, k); });
}

}  // namespace

std::size_t ClauseEnd(const TokenStream& tokens, std::size_t first, const ClauseFollow& follow) {
  int depth = 0;
  std::size_t i = first;
  for (;; ++i) {
    const Token& token = tokens.At(i);
    if (token.kind == TokenKind::kEnd) break;
    if (depth == 0 && IsFollow(token, follow)) break;
    if (token.kind == TokenKind::kSymbol && token.value == "(") ++depth;
    if (token.kind == TokenKind::kSymbol && token.value == ")" && depth > 0) --depth;
  }
  return i;
}

std::string_view ClauseText(const TokenStream& tokens, std::size_t first, std::size_t end) {
  std::string_view text = tokens.Slice(first, end);
  return text.empty() ? tokens.Rest(0) : text;
}

void RaiseSyntax(int number, std::string_view sentence, std::string_view quoted,
                 const SyntaxError& error) {
  std::string shown(quoted.substr(0, kMaxQuoted));
  if (quoted.size() > kMaxQuoted) shown += "...";
  std::replace(shown.begin(), shown.end(), '\0', ' ');
  RaiseText(number, kDialectSource, fmt::format("{} '{}': {}.", sentence, shown, error.detail));
}

bool AtFollow(const TokenStream& tokens, const ClauseFollow& follow) {
  return IsFollow(tokens.Peek(), follow);
}

ExprPtr ParseClauseExpression(TokenStream& tokens, const ClauseFollow& follow) {
  const std::size_t first = tokens.Position();
  try {
    ExprPtr expr = ParseExpression(tokens);
    if (!AtFollow(tokens, follow)) {
      const Token& next = tokens.Peek();
      const bool operand = next.kind == TokenKind::kWord || next.kind == TokenKind::kBracketed ||
                           next.kind == TokenKind::kNumber || next.kind == TokenKind::kText;
      tokens.Fail(fmt::format("{} {}", operand ? "missing operator before" : "unexpected",
                              tokens.Describe(next)));
    }
    return expr;
  } catch (const SyntaxError& error) {
    RaiseSyntax(err::kExpressionSyntax, "Syntax error in expression",
                tokens.Slice(first, ClauseEnd(tokens, first, follow)), error);
  }
}

}  // namespace nrx::dialect
