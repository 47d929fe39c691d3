#pragma once
// The registry file in which the server entry points record the component's classes: an INI
// text with one section per class, "[CLSID {...}]", holding Class, ProgID, Interface,
// InterfaceID and Library. Sections of other components in the same file are kept as they are.

#include <string>
#include <vector>

#include "nrxJobDb/class_registry.h"

namespace nrx::frame {

// Replaces the sections of `classes` with fresh ones naming `libraryPath`. Raises 75 when the
// file cannot be read or written.
void RegisterClasses(const std::string& file, const std::vector<ClassInfo>& classes,
                     const std::string& libraryPath);
// Removes the sections of `classes`; removes the file when nothing else is in it.
void UnregisterClasses(const std::string& file, const std::vector<ClassInfo>& classes);

}  // namespace nrx::frame
