#pragma once
// One exception type for every failure of the library, and the error numbers by name.

#include <stdexcept>
#include <string>
#include <string_view>

#include "nrxJobDb/export.h"

namespace nrx {

// An error with the number its caller tests, the source that raised it (an engine object such
// as "nrxEngine.Database" or a member's label) and a readable description.
class NRXJOBDB_API Error : public std::runtime_error {
 public:
  Error(int number, std::string source, std::string description);

  int Number() const noexcept { return number_; }
  const std::string& Source() const noexcept { return source_; }
  const std::string& Description() const noexcept { return description_; }

 private:
  int number_;
  std::string source_;
  std::string description_;
};

// The general sentence for an error number; "Application-defined or object-defined error." for
// a number the table does not hold.
NRXJOBDB_API std::string_view ErrorText(int number) noexcept;

// Throws Error(number, source, text), where text is the table's sentence followed by the object
// involved when one is named ("Item not found in this collection: 'Points'.").
[[noreturn]] NRXJOBDB_API void Raise(int number, std::string_view source,
                                     std::string_view object = {});

// Throws Error with a description written by the caller.
[[noreturn]] NRXJOBDB_API void RaiseText(int number, std::string_view source,
                                         std::string description);

// Error numbers that code tests by name: err::kNotADatabase, ... (see error_list.h).
namespace err {
#define NRX_ERROR(number, name, text) inline constexpr int name = number;
#include "nrxJobDb/error_list.h"
}  // namespace err

}  // namespace nrx
