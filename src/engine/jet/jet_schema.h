#pragma once
// Which engine field a Jet column becomes.

#include <string>

#include "engine/jet/jet_file.h"
#include "engine/schema_store.h"

namespace nrx::detail::jet {

struct FieldMapping {
  FieldInfo field;
  std::string changed_from;  // the Jet type's name when the engine holds it as another type
};

FieldMapping MapColumn(const JetColumn& column);

}  // namespace nrx::detail::jet
