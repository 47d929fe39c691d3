#pragma once
// Splits a statement or criteria text into tokens.

#include <string_view>
#include <vector>

#include "engine/dialect/token.h"

namespace nrx::dialect {

// Never throws for bad input: what cannot be read becomes a kInvalid token, so that the parser
// reports it with the number of the clause it stands in. The last token is always kEnd.
std::vector<Token> Tokenize(std::string_view text);

// True when `word` is `keyword`, compared case-insensitively (ASCII).
bool IsKeyword(std::string_view word, std::string_view keyword);

// Names compare as the dialect compares them: without regard to (ASCII) case.
inline bool SameName(std::string_view a, std::string_view b) { return IsKeyword(a, b); }

}  // namespace nrx::dialect
