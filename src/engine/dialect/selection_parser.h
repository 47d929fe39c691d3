#pragma once
// The selection parser, shared by ParseSelection and INSERT INTO ... SELECT.

#include "engine/dialect.h"
#include "engine/dialect/token_stream.h"

namespace nrx::dialect {

// Reads a selection from SELECT through its last clause, leaving the stream on the ";" or the
// end of the text; raises the engine's errors.
Selection ReadSelection(TokenStream& tokens);

}  // namespace nrx::dialect
