#include "engine/schema_field_types.h"

namespace nrx::detail {

const std::vector<FieldInfo>* SchemaFieldTypes::Fields(std::string_view table) const {
  auto [it, added] = loaded_.try_emplace(std::string(table));
  if (added) {
    if (auto stored = FindTable(conn_, table)) it->second = LoadFields(conn_, *stored);
  }
  return it->second ? &*it->second : nullptr;
}

int SchemaFieldTypes::TypeOf(std::string_view table, std::string_view field) const {
  if (const auto* fields = Fields(table)) {
    for (const auto& f : *fields)
      if (SameName(f.name, field)) return f.type;
  }
  return 0;
}

std::vector<std::string> SchemaFieldTypes::FieldsOf(std::string_view table) const {
  std::vector<std::string> names;
  if (const auto* fields = Fields(table)) {
    for (const auto& f : *fields) names.push_back(f.name);
  }
  return names;
}

}  // namespace nrx::detail
