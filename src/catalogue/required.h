#pragma once
// Objects the caller passes may be Nothing; using one is the runtime's error 91, raised where
// the member first needs the object.

#include <memory>
#include <string_view>

#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/errors.h"

namespace nrx::catalogue {

template <class T>
T& Required(const std::shared_ptr<T>& object, std::string_view parameter) {
  if (!object) Raise(err::kObjectNotSet, kRuntimeErrorSource, parameter);
  return *object;
}

}  // namespace nrx::catalogue
