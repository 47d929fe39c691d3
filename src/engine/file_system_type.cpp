// Which file systems cannot carry the engine's locks. On a network share SQLite's POSIX record
// locks are only as good as the server's lock manager (often not at all), and flock stays local
// to the client on NFS mounted with local_lock and is not passed to SMB servers by older
// kernels: two machines could both believe they hold a job. User-space file systems give no
// better promise.

#include <sys/statfs.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <map>
#include <mutex>

#include "engine/file_vfs.h"

namespace nrx::files {
namespace {

constexpr std::array<unsigned long, 14> kRemoteTypes = {
    0x6969,      // NFS
    0x517B,      // SMB
    0xFF534D42,  // CIFS
    0xFE534D42,  // SMB2
    0x65735546,  // FUSE
    0x01021997,  // 9p
    0x5346414F,  // AFS
    0x6B414653,  // kAFS
    0x00C36400,  // Ceph
    0x564C,      // NCP
    0x47504653,  // GPFS
    0x0BD00BD0,  // Lustre
    0x013111A8,  // IBRIX
    0x7461636F,  // OCFS2
};

struct Overrides {
  std::mutex mutex;
  std::map<std::string, long> types;  // by path prefix
};

Overrides& TheOverrides() {
  static auto* overrides = new Overrides();
  return *overrides;
}

bool OverriddenType(const std::string& path, long& type) {
  Overrides& overrides = TheOverrides();
  std::lock_guard guard(overrides.mutex);
  for (const auto& [prefix, value] : overrides.types) {
    if (path.starts_with(prefix)) {
      type = value;
      return true;
    }
  }
  return false;
}

bool IsRemote(long type) {
  auto value = static_cast<unsigned long>(type) & 0xFFFFFFFFu;
  return std::find(kRemoteTypes.begin(), kRemoteTypes.end(), value) != kRemoteTypes.end();
}

// statfs by name: it opens no descriptor of the file, so it cannot disturb SQLite's locks.
bool RemoteAt(const std::string& path) {
  struct statfs fs {};
  return statfs(path.c_str(), &fs) == 0 && IsRemote(static_cast<long>(fs.f_type));
}

}  // namespace

bool OnNetworkFileSystem(const std::string& path) {
  long type = 0;
  if (OverriddenType(path, type)) return IsRemote(type);
  std::string folder = std::filesystem::path(path).parent_path().string();
  // The folder too: SQLite makes the journal there, and a job not made yet has only its folder.
  return RemoteAt(path) || RemoteAt(folder.empty() ? "." : folder);
}

namespace testing {

void OverrideFileSystemType(const std::string& prefix, long type) {
  Overrides& overrides = TheOverrides();
  std::lock_guard guard(overrides.mutex);
  if (type == 0)
    overrides.types.erase(prefix);
  else
    overrides.types[prefix] = type;
}

}  // namespace testing
}  // namespace nrx::files
