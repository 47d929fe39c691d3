// The text utility's move to the recycle bin: the freedesktop.org trash of the user's home.

#include <fcntl.h>
#include <fmt/chrono.h>
#include <fmt/format.h>
#include <pwd.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "nrxJobDb/engine.h"
#include "nrxJobDb/text_utility.h"

namespace nrx::model {
namespace {

namespace fs = std::filesystem;

fs::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return {};
}

fs::path HomeTrash() {
  const char* data_home = std::getenv("XDG_DATA_HOME");
  // The layout ignores a relative XDG_DATA_HOME, as every XDG variable must be absolute.
  if (data_home && *data_home == '/') return fs::path(data_home) / "Trash";
  fs::path home = HomeFolder();
  if (home.empty()) return {};
  return home / ".local" / "share" / "Trash";
}

bool MakePrivateFolder(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return false;
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
  return fs::is_directory(folder, ec);
}

// The original path as a URL path: every byte but the unreserved ones and "/" escaped.
std::string EscapePath(const std::string& path) {
  std::string out;
  for (unsigned char c : path) {
    bool plain = std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
    out += plain ? std::string(1, static_cast<char>(c)) : fmt::format("%{:02X}", c);
  }
  return out;
}

std::string DeletionDate() {
  return fmt::format("{:%Y-%m-%dT%H:%M:%S}", fmt::localtime(std::time(nullptr)));
}

std::string CandidateName(const fs::path& original, int attempt) {
  if (attempt == 1) return original.filename().string();
  return fmt::format("{}.{}{}", original.stem().string(), attempt, original.extension().string());
}

// Creates info/<name>.trashinfo for the first name free in both folders; creating the info file
// exclusively is what reserves the name against another program trashing at the same time.
// Returns the name, or empty when no info file could be written.
std::string ReserveName(const fs::path& trash, const fs::path& original) {
  const std::string info = fmt::format("[Trash Info]\nPath={}\nDeletionDate={}\n",
                                       EscapePath(original.string()), DeletionDate());
  for (int attempt = 1; attempt < 10000; ++attempt) {
    std::string name = CandidateName(original, attempt);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(trash / "files" / name, ec))) continue;
    fs::path info_path = trash / "info" / (name + ".trashinfo");
    int fd = ::open(info_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return {};
    }
    bool written = ::write(fd, info.data(), info.size()) == static_cast<ssize_t>(info.size());
    written = (::close(fd) == 0) && written;
    if (written) return name;
    fs::remove(info_path, ec);
    return {};
  }
  return {};
}

}  // namespace

bool TextUtility::MoveToRecycleBin(const std::string& path) const {
  std::error_code ec;
  if (path.empty()) return false;
  fs::file_status status = fs::symlink_status(path, ec);
  if (ec || !fs::exists(status) || fs::is_directory(status)) return false;
  // Moving a job away under the engine would leave it writing to a file in the trash.
  if (IsFileHeld(path)) return false;
  fs::path trash = HomeTrash();
  if (trash.empty() || !MakePrivateFolder(trash / "files") || !MakePrivateFolder(trash / "info")) {
    return false;
  }
  fs::path original = fs::absolute(path, ec).lexically_normal();
  if (ec) return false;
  std::string name = ReserveName(trash, original);
  if (name.empty()) return false;
  // rename() fails across file systems (EXDEV): such a file belongs to that file system's own
  // trash, which this move does not use, so the caller deletes it instead.
  if (::rename(original.c_str(), (trash / "files" / name).c_str()) != 0) {
    fs::remove(trash / "info" / (name + ".trashinfo"), ec);
    return false;
  }
  return true;
}

}  // namespace nrx::model
