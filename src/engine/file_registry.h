#pragma once
// The per-process record of job files the engine holds (see FileLock). Shared by the lock,
// the probe and the held-file queries, so that none of them opens and closes a descriptor of a
// file that SQLite in this process may have open.

#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace nrx::files::detail {

// A file as the kernel knows it: the same file under another name or link is the same id.
struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator<(const FileId& other) const {
    return device != other.device ? device < other.device : inode < other.inode;
  }
  bool operator==(const FileId&) const = default;
};

struct HeldFile {
  int fd = -1;  // carries the flock; readable, so the file can be inspected through it
  int holders = 0;
  bool exclusive = false;
  // Descriptors that raced with a rename onto a held file: closing them would drop SQLite's
  // locks, so they stay open until the file is released.
  std::vector<int> strays;
};

// Calls `use` with this process's record of the file (nullptr when the engine does not hold
// it) while holding the registry's lock, so that no engine acquire or release runs meanwhile.
void WithHeldFile(const FileId& id, const std::function<void(const HeldFile*)>& use);

// The id of the file at `path` (and its status, when asked); false with errno set when it
// cannot be examined.
bool IdOf(const std::string& path, FileId& id, struct stat* status = nullptr);

}  // namespace nrx::files::detail
