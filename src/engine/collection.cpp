// Look-ups by name in a snapshot of a collection, for every kind of object the engine collects.

#include <algorithm>

#include "engine/engine_internal.h"

namespace nrx {
namespace {

template <typename T, typename Same>
std::shared_ptr<T> FindIn(const Collection<T>& items, Same same) {
  auto it = std::find_if(items.begin(), items.end(), [&](const auto& item) { return same(item->Name()); });
  return it == items.end() ? nullptr : *it;
}

}  // namespace

template <typename T>
std::shared_ptr<T> Collection<T>::Find(std::string_view name) const {
  return FindIn(*this, [&](std::string_view item) { return detail::SameName(item, name); });
}

template <typename T>
std::shared_ptr<T> Collection<T>::FindExact(std::string_view name) const {
  return FindIn(*this, [&](std::string_view item) { return item == name; });
}

template class Collection<Database>;
template class Collection<TableDef>;
template class Collection<Field>;
template class Collection<Index>;
template class Collection<Recordset>;

Collection<Field> Recordset::Fields() {
  std::vector<FieldPtr> fields;
  for (int i = 0, n = FieldsCount(); i < n; ++i) fields.push_back(Fields(i));
  return Collection<Field>(std::move(fields));
}

}  // namespace nrx
