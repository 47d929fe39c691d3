#pragma once
// What the members of the component's classes share: the objects they need, the texts of errors,
// passing over one expected error, and repairing a damaged job file.

#include <memory>
#include <string>
#include <string_view>

#include "nrxJobDb/engine.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/errors.h"

namespace nrx::frame {

// The object behind a reference the member needs; Nothing raises 91, as using it would.
template <class T>
T& Require(const std::shared_ptr<T>& object, std::string_view what) {
  if (!object) Raise(err::kObjectNotSet, kRuntimeErrorSource, what);
  return *object;
}

// The text a message shows for an error: its description, or, for one passed on by a member
// (which drops it), the general sentence of its number.
std::string DescriptionOf(const Error& e);

// Runs `body`, passing over an error of `number` only: a step whose expected failure lets the
// member go on.
template <class F>
void PassOver(int number, F&& body) {
  try {
    body();
  } catch (const Error& e) {
    if (e.Number() != number) throw;
  }
}

// Hands the damaged file `path` to the engine's repair, then shows the user `message`. Neither
// step may take the place of the error that led here, which goes on to the caller: a repair that
// fails (a file held open, or with nothing readable left) and a message that cannot be shown are
// passed over.
void RepairAndTell(const std::string& path, const std::string& message);

}  // namespace nrx::frame
