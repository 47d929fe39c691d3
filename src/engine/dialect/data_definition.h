#pragma once
// CREATE INDEX, CREATE TABLE, ALTER TABLE ... ADD, DROP INDEX and DROP TABLE.

#include "engine/dialect.h"
#include "engine/dialect/token_stream.h"

namespace nrx::dialect {

// Each reads its statement from the first keyword through the optional ";" and raises the
// engine's error (3291 CREATE INDEX, 3290 CREATE TABLE, 3259 unknown type, 3000 others).
Statement ReadCreate(TokenStream& tokens);
Statement ReadDrop(TokenStream& tokens);
Statement ReadAlter(TokenStream& tokens);

// The engine type code for a type name of the dialect; 0 when there is none.
int FieldTypeCode(std::string_view type_name);

}  // namespace nrx::dialect
