#pragma once
// How the engine's objects pick an item out of the list behind one of their collections: by
// position, or by name without regard to case, as every collection of the object model does.

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/schema_store.h"
#include "nrxJobDb/errors.h"

namespace nrx::detail {

// The item at `index` (from 0); 3265 under `source` when there is none.
template <typename T>
std::shared_ptr<T> ItemAt(const std::vector<std::shared_ptr<T>>& items, int index,
                          std::string_view source) {
  if (index < 0 || index >= static_cast<int>(items.size()))
    Raise(err::kItemNotFound, source, std::to_string(index));
  return items[static_cast<std::size_t>(index)];
}

// The item called `name`, or nullptr.
template <typename T>
std::shared_ptr<T> FindByName(const std::vector<std::shared_ptr<T>>& items, std::string_view name) {
  auto it = std::find_if(items.begin(), items.end(),
                         [&](const auto& item) { return SameName(item->Name(), name); });
  return it == items.end() ? nullptr : *it;
}

// The item called `name`; 3265 under `source` when there is none.
template <typename T>
std::shared_ptr<T> ItemNamed(const std::vector<std::shared_ptr<T>>& items, std::string_view name,
                             std::string_view source) {
  if (auto item = FindByName(items, name)) return item;
  Raise(err::kItemNotFound, source, name);
}

}  // namespace nrx::detail
