#pragma once
// Upper case of a job file name as the runtime's UCase gives it for the names the lifecycle
// compares (".MDB", ".NJB"): ASCII letters only.

#include <algorithm>
#include <cctype>
#include <string>

namespace nrx::lifecycle {

inline std::string UpperCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

}  // namespace nrx::lifecycle
