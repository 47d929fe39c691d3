#pragma once
// What the parsers of selections and statements share: turning a SyntaxError into the engine's
// error for the clause it happened in, and reading an expression that forms a clause.

#include <initializer_list>
#include <string_view>

#include "engine/dialect/expr.h"
#include "engine/dialect/token_stream.h"

namespace nrx::dialect {

// The source every dialect error names.
inline constexpr std::string_view kDialectSource = "nrxEngine";

// Raises `number` with the text "<sentence> '<quoted>': <detail>."
[[noreturn]] void RaiseSyntax(int number, std::string_view sentence, std::string_view quoted,
                              const SyntaxError& error);

// Runs `read` over a statement's tokens; a syntax error in it is raised as `number`, quoting
// the statement from where it went wrong.
template <class F>
auto ReadStatementPart(TokenStream& tokens, int number, std::string_view sentence, F&& read)
    -> decltype(read()) {
  try {
    return read();
  } catch (const SyntaxError& error) {
    RaiseSyntax(number, sentence, tokens.Rest(0), error);
  }
}

// The tokens that may follow an expression in its clause: keywords, or symbols such as ","
// ")" ";". The end of the text always may.
struct ClauseFollow {
  std::initializer_list<std::string_view> keywords;
  std::initializer_list<std::string_view> symbols;
};

// Reads one expression and checks that a token of `follow` comes next. On a syntax error raises
// 3075 quoting the clause: from where the expression starts to the first `follow` token outside
// parentheses.
ExprPtr ParseClauseExpression(TokenStream& tokens, const ClauseFollow& follow);

// True when the current token ends the clause (or the text).
bool AtFollow(const TokenStream& tokens, const ClauseFollow& follow);

// The index of the first `follow` token at or after `first` outside parentheses (or of kEnd).
std::size_t ClauseEnd(const TokenStream& tokens, std::size_t first, const ClauseFollow& follow);

// The clause's text from token `first` up to `end`; the whole text when that is empty, so a
// message never quotes nothing.
std::string_view ClauseText(const TokenStream& tokens, std::size_t first, std::size_t end);

}  // namespace nrx::dialect
