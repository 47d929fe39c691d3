#include "transactions/tracker_count.h"

#include <fmt/format.h>

#include <limits>
#include <string>

#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/errors.h"

namespace nrx::transactions {

std::int16_t OneMore(std::int16_t count, std::string_view what) {
  if (count == std::numeric_limits<std::int16_t>::max()) {
    RaiseText(err::kOverflow, std::string(kRuntimeErrorSource),
              fmt::format("Overflow: the tracker's {} cannot go past {}.", what, count));
  }
  return static_cast<std::int16_t>(count + 1);
}

}  // namespace nrx::transactions
