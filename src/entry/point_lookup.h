#pragma once
// Finding a point's record by its number, the one way the alpha-ID and points members search.

#include <cstdint>
#include <string_view>

#include "nrxJobDb/engine.h"

namespace nrx::entry {

// Makes the record whose `field` holds `number` current: a Seek on the selected index of a
// table-type recordset, a FindFirst on `field` for any other. True when one was found.
bool FindPoint(Recordset& recordset, std::int32_t number, std::string_view field);

}  // namespace nrx::entry
