#pragma once
// The identities and interfaces of the component's three classes.

#include <vector>

#include "nrxJobDb/class_registry.h"

namespace nrx::frame {

// In class order: cJobProcs, cDBtransactions, cFixedPoints.
std::vector<ClassInfo> ComponentClasses();

}  // namespace nrx::frame
