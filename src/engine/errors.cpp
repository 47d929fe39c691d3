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

constexpr std::array kErrors = std::to_array<ErrorEntry>({
#define NRX_ERROR(number, name, text) {number, text},
#include "nrxJobDb/error_list.h"
});

// ErrorText searches the table by halves.
static_assert(std::adjacent_find(kErrors.begin(), kErrors.end(),
                                 [](const ErrorEntry& a, const ErrorEntry& b) {
                                   return a.number >= b.number;
                                 }) == kErrors.end(),
              "error_list.h holds each number once, sorted");

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
