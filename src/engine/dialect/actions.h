#pragma once
// INSERT INTO, UPDATE and DELETE, translated into SQLite statements built from the parse tree.

#include "engine/dialect.h"
#include "engine/dialect/token_stream.h"

namespace nrx::dialect {

// Each reads its statement from the first keyword through the optional ";" and raises the
// engine's error: 3075 in an expression, 3131 in a FROM clause, 3000 otherwise.
Action ReadInsert(TokenStream& tokens);
Action ReadUpdate(TokenStream& tokens);
Action ReadDelete(TokenStream& tokens);

}  // namespace nrx::dialect
