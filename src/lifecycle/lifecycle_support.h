#pragma once
// Small helpers the lifecycle members share.

#include <memory>
#include <string>
#include <string_view>

#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/errors.h"

namespace nrx::lifecycle {

// The object behind a reference the member needs; Nothing raises 91, as using it would.
template <class T>
T& Require(const std::shared_ptr<T>& object, std::string_view what) {
  if (!object) Raise(err::kObjectNotSet, kRuntimeErrorSource, what);
  return *object;
}

// The text a message shows for an error: its description, or, for one passed on by a member
// (which drops it), the general sentence of its number.
inline std::string DescriptionOf(const Error& e) {
  if (!e.Description().empty()) return e.Description();
  return std::string(ErrorText(e.Number()));
}

}  // namespace nrx::lifecycle
