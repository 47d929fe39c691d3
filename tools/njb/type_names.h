#pragma once
// Names of the engine's field type codes, as the program prints them.

#include <string>

namespace njb {

// "Boolean", "Byte", "Integer", "Long", "Single", "Double", "Text"; "Type<n>" for another code.
std::string FieldTypeName(int type);

}  // namespace njb
