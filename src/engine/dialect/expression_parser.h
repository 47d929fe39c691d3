#pragma once
// Reads one dialect expression (a WHERE body, a FindFirst criteria, a value in SET or VALUES).

#include "engine/dialect/expr.h"
#include "engine/dialect/token_stream.h"

namespace nrx::dialect {

// Parses the longest expression at the stream's position and leaves the stream on the first
// token that cannot continue it; the caller decides whether that token may follow. Throws
// SyntaxError for malformed input, unknown functions, wrong argument counts and expressions
// nested too deeply to translate.
ExprPtr ParseExpression(TokenStream& tokens);

}  // namespace nrx::dialect
