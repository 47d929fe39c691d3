#include "nrxJobDb/errors.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <utility>

namespace nrx {
namespace {

struct ErrorEntry {
  int number;
  std::string_view text;
};

// Every number the library raises, with its general sentence. Kept sorted by number.
constexpr std::array kErrors = std::to_array<ErrorEntry>({
    {5, "Invalid procedure call or argument."},
    {6, "Overflow: the value does not fit the target type."},
    {7, "Out of memory."},
    {9, "Subscript out of range."},
    {13, "Type mismatch: the value cannot be converted to the type required."},
    {53, "File not found."},
    {58, "File already exists."},
    {70, "Permission denied: the file is in use elsewhere."},
    {75, "Path or file access error."},
    {91, "Object variable not set: an empty object reference was used."},
    {94, "Invalid use of Null: a value is required."},
    {438, "Object doesn't support this property or method."},
    {3000, "Reserved error: the engine could not carry out the operation."},
    {3003, "Too many nested transactions."},
    {3010, "A table of this name already exists."},
    {3015, "The table has no index of this name."},
    {3019, "Operation invalid without a current index."},
    {3020, "Update or CancelUpdate without AddNew or Edit."},
    {3021, "No current record."},
    {3022, "The change would create a duplicate value in a unique index or primary key."},
    {3023, "AddNew or Edit already used."},
    {3024, "The database file does not exist."},
    {3027, "Cannot update: the database or object is read-only."},
    {3034, "Commit or rollback without a pending transaction."},
    {3043, "Disk or network error while reading or writing the database file."},
    {3045, "The file is already in use: it is held exclusively elsewhere."},
    {3049, "The file cannot be opened as a database: it is not one, or it is damaged."},
    {3058, "An index or primary key cannot hold a Null value."},
    {3061, "Too few parameters in the selection: a name is not a field of its table."},
    {3070, "The engine does not recognise a name in the expression as a field of the table."},
    {3075, "Syntax error in expression."},
    {3078, "The engine cannot find the input table or query."},
    {3131, "Syntax error in FROM clause."},
    {3163, "The value is too long for its field."},
    {3167, "The record has been deleted."},
    {3191, "A field is defined more than once."},
    {3204, "The database already exists."},
    {3251, "Operation is not supported for this type of object."},
    {3259, "Invalid field data type."},
    {3264, "No field defined: a table definition or index needs at least one field."},
    {3265, "Item not found in this collection."},
    {3283, "The table already has a primary key."},
    {3284, "The index already exists."},
    {3290, "Syntax error in CREATE TABLE statement."},
    {3291, "Syntax error in CREATE INDEX statement."},
    {3314, "The field cannot hold Null: a value is required."},
    {3315, "The field cannot hold a zero-length text."},
    {3343, "Unrecognised database format."},
    {3349, "Numeric field overflow: the value does not fit the field's type."},
    {3367, "An object of this name is already in the collection."},
    {3371, "No such table or constraint."},
    {3375, "The table already has an index of this name."},
    {3380, "The table already has a field of this name."},
    {3420, "The object is closed or no longer valid."},
    {3421, "Data type conversion error: the value cannot be stored in the field's type."},
    {3464, "Data type mismatch in criteria expression."},
});

}  // namespace

Error::Error(int number, std::string source, std::string description)
    : std::runtime_error(description.empty() ? std::string(ErrorText(number)) : description),
      number_(number),
      source_(std::move(source)),
      description_(std::move(description)) {}

std::string_view ErrorText(int number) noexcept {
  auto it = std::lower_bound(kErrors.begin(), kErrors.end(), number,
                             [](const ErrorEntry& e, int n) { return e.number < n; });
  if (it != kErrors.end() && it->number == number) return it->text;
  return "Application-defined or object-defined error.";
}

void Raise(int number, std::string_view source, std::string_view object) {
  std::string text(ErrorText(number));
  if (!object.empty()) {
    text.pop_back();  // the sentence's full stop moves behind the object
    text = fmt::format("{}: '{}'.", text, object);
  }
  throw Error(number, std::string(source), std::move(text));
}

void RaiseText(int number, std::string_view source, std::string description) {
  throw Error(number, std::string(source), std::move(description));
}

}  // namespace nrx
