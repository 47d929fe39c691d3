#pragma once
// A cursor over the tokens of one text, with the small accept/expect vocabulary the parsers
// share. Parsers report problems by throwing SyntaxError; the clause that catches it raises the
// engine's error with the number and quoted text that belong to that clause.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dialect/token.h"

namespace nrx::dialect {

struct SyntaxError {
  std::size_t offset = 0;  // where in the source text the problem was found
  std::string detail;      // "unexpected '='", "expected ')' but found the end of the text"
};

// Words that are never a bare name: writing one where a name belongs is a syntax error.
bool IsReserved(std::string_view word);

class TokenStream {
 public:
  explicit TokenStream(std::string_view text);

  std::string_view Text() const { return text_; }
  std::size_t Position() const { return pos_; }
  void Rewind(std::size_t position) { pos_ = position; }
  const Token& Peek(std::size_t ahead = 0) const;
  const Token& At(std::size_t index) const;  // the kEnd token past the last one
  const Token& Next();
  bool AtEnd() const { return Peek().kind == TokenKind::kEnd; }

  bool PeekKeyword(std::string_view keyword, std::size_t ahead = 0) const;
  bool AcceptKeyword(std::string_view keyword);
  void ExpectKeyword(std::string_view keyword);
  bool PeekSymbol(std::string_view symbol, std::size_t ahead = 0) const;
  bool AcceptSymbol(std::string_view symbol);
  void ExpectSymbol(std::string_view symbol);

  // A bare (non-reserved) word or a [bracketed name].
  bool PeekName(std::size_t ahead = 0) const;
  // Takes a name and returns it without brackets; `what` names it in the error ("table name").
  std::string ExpectName(std::string_view what);
  // Ends a statement: an optional ";" and nothing after it.
  void ExpectStatementEnd();

  [[noreturn]] void Fail(std::string detail) const;  // at the current token
  [[noreturn]] void Unexpected(std::string_view expected) const;
  // The token as the message quotes it: "'WHERE'", "the end of the text".
  std::string Describe(const Token& token) const;

  // Source text from the start of token `first` to the end of the token before `end`.
  std::string_view Slice(std::size_t first, std::size_t end) const;
  // Source text from the start of token `first` to the end of the text.
  std::string_view Rest(std::size_t first) const;

 private:
  std::string_view text_;
  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
};

}  // namespace nrx::dialect
