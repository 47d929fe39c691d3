#pragma once
// Words for the values of an enumeration, kept as a table of pairs rather than a switch whose
// every case says the same thing: the table reads as the list it is, and one lookup serves all.

#include <cstddef>
#include <optional>
#include <string_view>

namespace nrx {

template <typename T>
struct Named {
  T value;
  std::string_view name;
};

// The name `table` gives `value`, or nothing when it lists none.
template <typename T, std::size_t N>
constexpr std::optional<std::string_view> FindName(const Named<T> (&table)[N], T value) {
  for (const Named<T>& entry : table) {
    if (entry.value == value) return entry.name;
  }
  return std::nullopt;
}

// The name `table` gives `value`, or `fallback` when it lists none.
template <typename T, std::size_t N>
constexpr std::string_view NameOf(const Named<T> (&table)[N], T value, std::string_view fallback) {
  return FindName(table, value).value_or(fallback);
}

}  // namespace nrx
