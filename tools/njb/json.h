#pragma once
// Just enough JSON writing for the program's --json outputs.

#include <string>
#include <string_view>

namespace njb {

// A JSON string literal, with the escapes JSON requires.
std::string JsonText(std::string_view text);

}  // namespace njb
