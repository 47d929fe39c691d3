#include "json.h"

#include <fmt/format.h>

namespace njb {

std::string JsonText(std::string_view text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) out += fmt::format("\\u{:04x}", c);
        else out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

}  // namespace njb
