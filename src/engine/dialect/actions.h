#pragma once
// INSERT INTO, UPDATE and DELETE, translated into SQLite statements built from the parse tree.

#include "engine/dialect.h"
#include "engine/dialect/token_stream.h"

namespace nrx::dialect {

// Each reads its statement from the first keyword through the optional ";" and raises the
// engine's error: 3075 in an expression, 3131 in a FROM clause, 3000 otherwise. `types`, when
// given, tells the fields' types, so that Currency fields read and store as amounts.
Action ReadInsert(TokenStream& tokens, const FieldTypes* types = nullptr);
Action ReadUpdate(TokenStream& tokens, const FieldTypes* types = nullptr);
Action ReadDelete(TokenStream& tokens, const FieldTypes* types = nullptr);

}  // namespace nrx::dialect
