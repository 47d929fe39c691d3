#pragma once
// Values between the object model and SQLite: how each field type is stored, read and checked.

#include <sqlite3.h>

#include "engine/schema_store.h"
#include "nrxJobDb/variant.h"

namespace nrx::detail {

// Reads column `col` of a stepped statement as a value of the field's type.
Variant ReadValue(sqlite3_stmt* stmt, int col, int fieldType);

// Binds a value already converted to the field's type.
void BindValue(sqlite3_stmt* stmt, int index, const Variant& value);

// Converts a value to the field's type for storing: 3421 when it cannot be converted, 3349 when
// it does not fit the type, 3163 when a text is longer than the field's size. Null stays Null.
Variant ConvertForField(const Variant& value, const FieldInfo& field, std::string_view source);

// Raises 3163 when a value read from the file is a text longer than its field allows: written
// behind the engine's back, it must not be handed out as if the field could hold it.
void CheckStoredValue(const Variant& value, const FieldInfo& field, std::string_view source);

}  // namespace nrx::detail
