// Finding a point's record by its number.

#include "entry/point_lookup.h"

#include <fmt/format.h>

namespace nrx::entry {

bool FindPoint(Recordset& recordset, std::int32_t number, std::string_view field) {
  if (recordset.Type() == dbOpenTable) {
    recordset.Seek("=", Variant(number));
  } else {
    recordset.FindFirst(fmt::format("{} = {}", field, number));
  }
  return !recordset.NoMatch();
}

}  // namespace nrx::entry
