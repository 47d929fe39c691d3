#include "siblings/file_utility_atomic.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "nrxJobDb/errors.h"

namespace nrx::model {
namespace {

namespace fs = std::filesystem;

// Closes a descriptor on every way out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int Get() const { return fd_; }
  // Closes now, so that a failure of the close (a deferred write error) is seen.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// The hidden name the copy is written under. It begins with a point and ends in ".partial", so
// no job, backup or ".old" lookup ever takes it for a finished file; the process number and a
// counter keep two writers of the same target apart.
std::string PartialName(const fs::path& destination) {
  static std::atomic<unsigned> counter{0};
  return (destination.parent_path() /
          fmt::format(".{}.{}-{}.partial", destination.filename().string(), ::getpid(), ++counter))
      .string();
}

// The writer's process number in a hidden copy's name, or 0 when the name is not one of ours.
pid_t WriterOf(std::string_view name) {
  constexpr std::string_view kEnd = ".partial";
  if (name.size() <= kEnd.size() + 1 || name.front() != '.' || !name.ends_with(kEnd)) return 0;
  name.remove_suffix(kEnd.size());
  const auto dash = name.rfind('-');
  const auto point = name.rfind('.', dash);
  if (dash == std::string_view::npos || point == std::string_view::npos || point == 0) return 0;
  pid_t pid = 0;
  const char* first = name.data() + point + 1;
  const char* last = name.data() + dash;
  auto [end, ec] = std::from_chars(first, last, pid);
  return ec == std::errc() && end == last ? pid : 0;
}

// A copy killed part-way leaves its hidden file behind, where nothing else would ever take it
// away; the next copy into the same folder does. A file whose writer still runs here is left,
// and so is one written to in the last minutes: on a folder shared between machines the writer
// may be alive elsewhere under a number that means nothing here.
void SweepAbandonedCopies(const fs::path& folder) {
  constexpr auto kQuietFor = std::chrono::minutes(10);
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const pid_t pid = WriterOf(it->path().filename().native());
    if (pid <= 0 || pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    std::error_code stat_ec;
    const auto written = fs::last_write_time(it->path(), stat_ec);
    if (stat_ec || fs::file_time_type::clock::now() - written < kQuietFor) continue;
    fs::remove(it->path(), stat_ec);
  }
}

[[noreturn]] void RaiseUnreadable(std::string_view errorSource, const std::string& path, int code) {
  RaiseText(err::kPathAccess, errorSource,
            fmt::format("Path or file access error: {} cannot be read ({}).", path,
                        std::strerror(code)));
}

[[noreturn]] void RaiseNotRegular(std::string_view errorSource, const std::string& path) {
  RaiseText(err::kPathAccess, errorSource,
            fmt::format("Path or file access error: {} is not a regular file.", path));
}

[[noreturn]] void RaiseUnwritable(std::string_view errorSource, const std::string& path, int code) {
  const int number = code == EACCES || code == EPERM || code == EROFS ? err::kPermissionDenied
                                                                      : err::kPathAccess;
  RaiseText(number, errorSource,
            fmt::format("{} {} cannot be written ({}).", ErrorText(number), path,
                        std::strerror(code)));
}

// Copies every byte; errno tells which side failed when it returns false.
bool CopyBytes(int from, int to, bool& readFailed) {
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = ::read(from, buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      readFailed = true;
      return false;
    }
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = ::write(to, buffer + done, static_cast<std::size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) return false;
      done += put;
    }
  }
}

// Creates the hidden file. A name already there was left by an earlier process that had this
// one's number (numbers come round again), which the sweep must leave alone: the next name does.
int CreatePartial(const fs::path& destination, std::string& partial,
                  std::string_view errorSource) {
  constexpr int kTries = 1000;
  for (int attempt = 0;; ++attempt) {
    partial = PartialName(destination);
    const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    if (errno != EEXIST || attempt + 1 == kTries) RaiseUnwritable(errorSource, partial, errno);
  }
}

// Writes the copy under a hidden name, which it returns for the caller to rename. Leaves nothing
// behind on failure.
std::string WritePartial(int from, const struct stat& status, const std::string& source,
                         const fs::path& destination, std::string_view errorSource) {
  std::string partial;
  Descriptor to(CreatePartial(destination, partial, errorSource));
  bool read_failed = false;
  const bool copied = CopyBytes(from, to.Get(), read_failed) &&
                      ::fchmod(to.Get(), status.st_mode & 07777) == 0 && ::fsync(to.Get()) == 0;
  int code = errno;
  if (copied) {
    if (to.Close()) return partial;
    code = errno;
  }
  ::unlink(partial.c_str());
  if (read_failed) RaiseUnreadable(errorSource, source, code);
  RaiseUnwritable(errorSource, partial, code);
}

}  // namespace

void CopyWhole(const std::string& source, const std::string& destination,
               std::string_view errorSource) {
  // O_NONBLOCK: a FIFO put in a job's place must be refused, not waited on.
  Descriptor from(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (from.Get() < 0) RaiseUnreadable(errorSource, source, errno);
  struct stat status {};
  if (::fstat(from.Get(), &status) != 0) RaiseUnreadable(errorSource, source, errno);
  if (!S_ISREG(status.st_mode)) RaiseNotRegular(errorSource, source);
  ::fcntl(from.Get(), F_SETFL, 0);

  SweepAbandonedCopies(fs::path(destination).parent_path());
  const std::string partial =
      WritePartial(from.Get(), status, source, fs::path(destination), errorSource);
  if (::rename(partial.c_str(), destination.c_str()) != 0) {
    const int code = errno;
    ::unlink(partial.c_str());
    RaiseUnwritable(errorSource, destination, code);
  }
  SyncFolderOf(destination);
}

void SyncFolderOf(const std::string& path) {
  fs::path folder = fs::path(path).parent_path();
  if (folder.empty()) folder = ".";
  Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.Get() >= 0) ::fsync(dir.Get());
}

void RefuseSpecialFile(const std::string& path, std::string_view errorSource) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!ec && fs::exists(status) && !fs::is_regular_file(status)) {
    RaiseNotRegular(errorSource, path);
  }
}

}  // namespace nrx::model
