#include "engine/connect_string.h"

#include <cctype>

namespace nrx::detail {
namespace {

constexpr std::string_view kPasswordKey = "PWD=";

bool IsPasswordPart(std::string_view part) {
  if (part.size() < kPasswordKey.size()) return false;
  for (std::size_t i = 0; i < kPasswordKey.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(part[i])) != kPasswordKey[i]) return false;
  }
  return true;
}

// Calls `visit` with each part between semicolons, and whether it is the password.
template <typename Visit>
void ForEachPart(std::string_view connect, Visit visit) {
  std::size_t at = 0;
  while (at <= connect.size()) {
    std::size_t end = connect.find(';', at);
    if (end == std::string_view::npos) end = connect.size();
    std::string_view part = connect.substr(at, end - at);
    visit(part, IsPasswordPart(part));
    at = end + 1;
  }
}

}  // namespace

std::string ConnectPassword(std::string_view connect) {
  std::string password;
  ForEachPart(connect, [&](std::string_view part, bool is_password) {
    if (is_password) password = part.substr(kPasswordKey.size());
  });
  return password;
}

std::string WithoutPassword(std::string_view connect) {
  std::string kept;
  bool first = true;
  ForEachPart(connect, [&](std::string_view part, bool is_password) {
    if (is_password) return;
    if (!first) kept += ';';
    kept += part;
    first = false;
  });
  return kept;
}

}  // namespace nrx::detail
