// What a file is, told from its first bytes before SQLite sees it.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "engine/file_registry.h"
#include "engine/file_vfs.h"

namespace nrx::files {
namespace {

constexpr std::array<unsigned char, 16> kSqliteHeader = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f',
                                                         'o', 'r', 'm', 'a', 't', ' ', '3', '\0'};
using Header = std::array<unsigned char, kSqliteHeader.size()>;
// The start of "\0\1\0\0Standard Jet DB", the first bytes of every Jet database.
constexpr Header kJetHeader = {0, 1, 0, 0, 'S', 't', 'a', 'n', 'd', 'a', 'r', 'd', ' ', 'J', 'e', 't'};

// Reads the header from `fd`; -1 on an I/O error, else the number of bytes the file has.
long ReadHeader(int fd, Header& header) {
  size_t got = 0;
  while (got < header.size()) {
    ssize_t n = pread(fd, header.data() + got, header.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  return static_cast<long>(got);
}

long ReadHeaderOf(const std::string& path, const detail::HeldFile* held, Header& header) {
  // A held file is read through the engine's own descriptor: opening and closing another one
  // would drop SQLite's locks on it.
  if (held != nullptr) return ReadHeader(held->fd, header);
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return -1;
  long got = ReadHeader(fd, header);
  close(fd);
  return got;
}

FileKind Classify(Header header) {
  if (header == kSqliteHeader) return FileKind::Plain;
  if (header == kJetHeader) return FileKind::Jet;
  CipherXor(header.data(), static_cast<long long>(header.size()), 0);
  if (header == kSqliteHeader) return FileKind::Encrypted;
  return FileKind::Unknown;
}

}  // namespace

FileKind Probe(const std::string& path) {
  detail::FileId id;
  struct stat st {};
  if (!detail::IdOf(path, id, &st)) {
    return errno == ENOENT || errno == ENOTDIR ? FileKind::Missing : FileKind::Unreadable;
  }
  if (!S_ISREG(st.st_mode)) return FileKind::Unknown;
  if (st.st_size == 0) return FileKind::Empty;

  Header header{};
  long got = 0;
  detail::WithHeldFile(
      id, [&](const detail::HeldFile* held) { got = ReadHeaderOf(path, held, header); });
  if (got < 0) return FileKind::Unreadable;
  if (got < static_cast<long>(header.size())) return FileKind::Unknown;
  return Classify(header);
}

}  // namespace nrx::files
