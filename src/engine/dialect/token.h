#pragma once
// The tokens of the dialect. Every token remembers where it stands in the text it came from, so
// an error can quote the clause it belongs to.

#include <cstddef>
#include <string>

namespace nrx::dialect {

enum class TokenKind {
  kEnd,        // after the last token
  kWord,       // a bare name or keyword, as written
  kBracketed,  // [a name], value without the brackets
  kNumber,     // digits with optional fraction and exponent, as written
  kText,       // 'text' or "text", value with the doubled quotes made single
  kSymbol,     // an operator or punctuation: = <> <= >= < > + - * / \ ^ & ( ) , . ;
  kInvalid,    // a character or construct the dialect does not know; value says why
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string value;
  std::size_t offset = 0;  // of the first character in the source text
  std::size_t length = 0;
};

}  // namespace nrx::dialect
