#include "nrxJobDb/text_utility.h"

#include <fmt/format.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <random>

#include "nrxJobDb/errors.h"

namespace nrx::model {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSource = "nrxModel.TextUtility";

unsigned RandomPart() {
  static std::mt19937 generator{std::random_device{}()};
  return generator() & 0xFFFFu;
}

}  // namespace

TextUtility& TextUtility::Instance() {
  static TextUtility utility;
  return utility;
}

std::string TextUtility::TempFileName(const std::string& folder) const {
  std::error_code ec;
  fs::path dir = folder.empty() ? fs::temp_directory_path(ec) : fs::path(folder);
  if (ec || !fs::is_directory(dir, ec)) Raise(err::kPathAccess, kSource, folder);
  static std::atomic<unsigned> counter{0};
  for (;;) {
    fs::path candidate =
        dir / fmt::format("njb{}-{}{:04x}.tmp", ::getpid(), ++counter, RandomPart());
    if (!fs::exists(fs::symlink_status(candidate, ec))) return candidate.string();
  }
}

}  // namespace nrx::model
