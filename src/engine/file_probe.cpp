// What a file is, told from its first bytes before SQLite sees it.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "engine/file_registry.h"
#include "engine/file_vfs.h"
#include "engine/page_cipher.h"

namespace nrx::files {
namespace {

constexpr std::array<unsigned char, 16> kSqliteHeader = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f',
                                                         'o', 'r', 'm', 'a', 't', ' ', '3', '\0'};
// Enough of the file to tell every kind: SQLite's magic, or a sealed file's clear header.
using Header = std::array<unsigned char, kHeaderBytes>;
// The start of "\0\1\0\0Standard Jet DB", the first bytes of every Jet database.
constexpr std::array<unsigned char, 16> kJetHeader = {0,   1,   0,   0,   'S', 't', 'a', 'n',
                                                      'd', 'a', 'r', 'd', ' ', 'J', 'e', 't'};

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

bool StartsWith(const Header& header, const std::array<unsigned char, 16>& magic) {
  return std::equal(magic.begin(), magic.end(), header.begin());
}

bool HasMagic(const Header& header) { return StartsWith(header, kSqliteHeader); }

FileKind Classify(const Header& header) {
  if (HasMagic(header)) return FileKind::Plain;
  if (StartsWith(header, kJetHeader)) return FileKind::Jet;
  Header stream = header;
  CipherXor(stream.data(), static_cast<long long>(stream.size()), 0);
  if (HasMagic(stream)) return FileKind::Encrypted;
  if (SealHeader::Parse(header.data())) return FileKind::Sealed;
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

void WithFileDescriptor(const std::string& path, const std::function<void(int fd)>& use) {
  detail::FileId id;
  if (!detail::IdOf(path, id)) {
    use(-1);
    return;
  }
  detail::WithHeldFile(id, [&](const detail::HeldFile* held) {
    if (held != nullptr) {
      use(held->fd);
      return;
    }
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    use(fd);
    if (fd >= 0) close(fd);
  });
}

bool ReadExactly(int fd, unsigned char* buffer, std::size_t size, long long offset) {
  std::size_t got = 0;
  while (got < size) {
    ssize_t n = pread(fd, buffer + got, size - got, static_cast<off_t>(offset) + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace nrx::files
