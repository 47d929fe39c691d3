#pragma once
// The selection parser, shared by ParseSelection and INSERT INTO ... SELECT.

#include "engine/dialect.h"
#include "engine/dialect/token_stream.h"

namespace nrx::dialect {

// Reads a selection from SELECT through its last clause, leaving the stream on the ";" or the
// end of the text; raises the engine's errors. `types`, when given, tells the fields' types.
Selection ReadSelection(TokenStream& tokens, const FieldTypes* types = nullptr);

}  // namespace nrx::dialect
