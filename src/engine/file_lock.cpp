// Exclusive opening, visible to every process: a flock on a descriptor the registry keeps for
// each held file. flock belongs to the open file description, so a second open in this
// process conflicts just as another process would; the registry answers in-process questions
// without touching the file, because closing any descriptor of a file drops every POSIX
// record lock this process holds on it, SQLite's among them.

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "engine/file_registry.h"
#include "engine/file_vfs.h"
#include "nrxJobDb/errors.h"

namespace nrx::files {
namespace {

constexpr std::string_view kSource = "nrxEngine.Database";

struct Registry {
  std::mutex mutex;
  std::map<detail::FileId, detail::HeldFile> files;
};

// Never destroyed: locks released by static destructors at exit still find it.
Registry& TheRegistry() {
  static auto* registry = new Registry();
  return *registry;
}

[[noreturn]] void RaiseOpenFailure(int error, const std::string& path) {
  if (error == ENOENT || error == ENOTDIR) Raise(err::kFileMissing, kSource, path);
  RaiseText(
      err::kDiskError, std::string(kSource),
      fmt::format("The file cannot be opened for locking: '{}' ({}).", path, std::strerror(error)));
}

[[noreturn]] void RaiseInUse(const std::string& path, bool exclusive) {
  if (!exclusive) Raise(err::kFileInUse, kSource, path);
  RaiseText(err::kFileInUse, std::string(kSource),
            fmt::format("The file is already in use: '{}' is open elsewhere, so it cannot be "
                        "opened exclusively.",
                        path));
}

int FlockRetrying(int fd, int operation) {
  int rc;
  do {
    rc = flock(fd, operation);
  } while (rc != 0 && errno == EINTR);
  return rc;
}

int OpenForLock(const std::string& path) {
  int fd;
  do {
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Whether some process holds a flock on the file that keeps out a lock of kind `probe`. Only
// for files this process does not hold: the descriptor it opens is closed again.
bool FlockBlocks(const std::string& path, int probe) {
  int fd = OpenForLock(path);
  if (fd < 0) return false;
  bool blocked = FlockRetrying(fd, probe | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  if (!blocked) FlockRetrying(fd, LOCK_UN);
  close(fd);
  return blocked;
}

bool QueryHeld(const std::string& path, bool exclusive_only) {
  detail::FileId id;
  if (!detail::IdOf(path, id)) return false;
  bool held = false;
  detail::WithHeldFile(id, [&](const detail::HeldFile* mine) {
    if (mine != nullptr) {
      held = !exclusive_only || mine->exclusive;
    } else {
      // A shared probe is refused only by an exclusive holder; an exclusive probe by any.
      held = FlockBlocks(path, exclusive_only ? LOCK_SH : LOCK_EX);
    }
  });
  return held;
}

// Records one more holder of the file at `path`, taking the flock when this process does not
// hold the file yet. Returns the file's id.
detail::FileId Register(const std::string& path, bool exclusive) {
  detail::FileId id;
  if (!detail::IdOf(path, id)) RaiseOpenFailure(errno, path);
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.mutex);
  auto held = registry.files.find(id);
  if (held == registry.files.end()) {
    int fd = OpenForLock(path);
    if (fd < 0) RaiseOpenFailure(errno, path);
    struct stat st {};
    fstat(fd, &st);
    id = {st.st_dev, st.st_ino};
    held = registry.files.find(id);
    if (held != registry.files.end()) {
      // The name was moved onto a file this process holds between the two looks.
      held->second.strays.push_back(fd);
    } else {
      if (FlockRetrying(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
        int error = errno;
        close(fd);
        if (error == EWOULDBLOCK) RaiseInUse(path, exclusive);
        RaiseOpenFailure(error, path);
      }
      registry.files[id] = detail::HeldFile{fd, 1, exclusive, {}};
      return id;
    }
  }
  if (exclusive || held->second.exclusive) RaiseInUse(path, exclusive);
  ++held->second.holders;
  return id;
}

}  // namespace

namespace detail {

void WithHeldFile(const FileId& id, const std::function<void(const HeldFile*)>& use) {
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.mutex);
  auto it = registry.files.find(id);
  use(it == registry.files.end() ? nullptr : &it->second);
}

bool IdOf(const std::string& path, FileId& id, struct stat* status) {
  if (path.find('\0') != std::string::npos) {
    errno = ENOENT;
    return false;
  }
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  id = {st.st_dev, st.st_ino};
  if (status != nullptr) *status = st;
  return true;
}

}  // namespace detail

std::unique_ptr<FileLock> FileLock::Acquire(const std::string& path, bool exclusive) {
  // Made first: should registering fail, its destructor finds nothing of its own to release.
  std::unique_ptr<FileLock> lock(new FileLock());
  detail::FileId id = Register(path, exclusive);
  lock->device_ = id.device;
  lock->inode_ = id.inode;
  return lock;
}

FileLock::~FileLock() {
  Registry& registry = TheRegistry();
  std::lock_guard guard(registry.mutex);
  auto it = registry.files.find({static_cast<dev_t>(device_), static_cast<ino_t>(inode_)});
  if (it == registry.files.end() || --it->second.holders > 0) return;
  // Unlock explicitly: a child forked meanwhile shares the description and would keep the
  // lock alive after our close.
  FlockRetrying(it->second.fd, LOCK_UN);
  close(it->second.fd);
  for (int fd : it->second.strays) close(fd);
  registry.files.erase(it);
}

bool IsHeldExclusively(const std::string& path) { return QueryHeld(path, true); }

bool IsHeld(const std::string& path) { return QueryHeld(path, false); }

}  // namespace nrx::files
