#pragma once
// The field types the dialect asks for while it translates a text, read from the file's schema.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/dialect.h"
#include "engine/schema_store.h"

namespace nrx::detail {

// Lives no longer than the translation it serves: each table's fields are read once, when the
// dialect first asks about them.
class SchemaFieldTypes final : public dialect::FieldTypes {
 public:
  explicit SchemaFieldTypes(Connection& conn) : conn_(conn) {}

  int TypeOf(std::string_view table, std::string_view field) const override;
  std::vector<std::string> FieldsOf(std::string_view table) const override;

 private:
  // Null for a table the file does not have.
  const std::vector<FieldInfo>* Fields(std::string_view table) const;

  Connection& conn_;
  mutable std::unordered_map<std::string, std::optional<std::vector<FieldInfo>>> loaded_;
};

}  // namespace nrx::detail
