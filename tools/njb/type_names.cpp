#include "type_names.h"

#include <fmt/format.h>

#include "nrxJobDb/engine.h"

namespace njb {

std::string FieldTypeName(int type) {
  switch (type) {
    case nrx::dbBoolean:
      return "Boolean";
    case nrx::dbByte:
      return "Byte";
    case nrx::dbInteger:
      return "Integer";
    case nrx::dbLong:
      return "Long";
    case nrx::dbSingle:
      return "Single";
    case nrx::dbDouble:
      return "Double";
    case nrx::dbText:
      return "Text";
    default:
      return fmt::format("Type{}", type);
  }
}

}  // namespace njb
