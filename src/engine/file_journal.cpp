// A hot rollback journal is played back by SQLite into whatever file now stands beside it. When a
// job was replaced (a backup copied over a job that had crashed, say), the journal left behind
// belongs to another file, and playing it back would mix that file's old pages into this one.
// Before SQLite sees the job, the journal's own copy of page 1 is compared with the job's.

#include <fcntl.h>
#include <fmt/format.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "engine/file_registry.h"
#include "engine/file_vfs.h"
#include "engine/page_cipher.h"
#include "nrxJobDb/errors.h"

namespace nrx::files {
namespace {

constexpr std::array<unsigned char, 8> kJournalMagic = {0xd9, 0xd5, 0x05, 0xf9,
                                                        0x20, 0xa1, 0x63, 0xd7};
// The header fields of a SQLite file that tell one file from another: the change counter
// (bumped by every commit that changes the file) and the application id, which the engine
// fills with a random number when it creates a job.
constexpr int kChangeCounterAt = 24;
constexpr int kApplicationIdAt = 68;
constexpr int kPageSizeAt = 16;
constexpr size_t kFileHeaderSize = 100;
// SQLite's write lock: a process holding this byte is committing and its journal is live.
constexpr off_t kReservedByte = 0x40000001;

std::uint32_t BigEndian(const unsigned char* p, int bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value = value << 8 | p[i];
  return value;
}

// Bytes outside page images: only the earlier format enciphers them.
bool ReadAt(int fd, unsigned char* buffer, size_t size, off_t offset, const FileCipher& cipher) {
  if (!ReadExactly(fd, buffer, size, offset)) return false;
  if (cipher.stream) CipherXor(buffer, static_cast<long long>(size), offset);
  return true;
}

// A whole page image, opened when the file is sealed; false when it cannot be read or opened.
bool ReadPage(int fd, std::vector<unsigned char>& page, off_t offset, std::uint32_t page_no,
              bool file_page_one, const FileCipher& cipher) {
  if (!ReadAt(fd, page.data(), page.size(), offset, cipher)) return false;
  return cipher.sealed == nullptr ||
         cipher.sealed->Open(page.data(), static_cast<int>(page.size()), page_no, file_page_one);
}

struct PageOne {
  std::uint32_t page_size = 0;
  std::uint32_t change_counter = 0;
  std::uint32_t application_id = 0;
};

PageOne ReadPageOne(const unsigned char* header) {
  std::uint32_t size = BigEndian(header + kPageSizeAt, 2);
  return {size == 1 ? 65536u : size, BigEndian(header + kChangeCounterAt, 4),
          BigEndian(header + kApplicationIdAt, 4)};
}

bool IsPageSize(std::uint32_t size) {
  return size >= 512 && size <= 65536 && (size & (size - 1)) == 0;
}

enum class Verdict { NotHot, Genuine, Foreign };

// Reads the first segment of the journal: its page size and, when it holds one, its copy of
// page 1 as the file was before the interrupted commit.
Verdict Judge(int journal, const FileCipher& cipher, const PageOne& file) {
  std::array<unsigned char, 28> header{};
  if (!ReadAt(journal, header.data(), header.size(), 0, cipher)) return Verdict::NotHot;
  // A journal without its magic is one SQLite will not play back either.
  if (!std::equal(kJournalMagic.begin(), kJournalMagic.end(), header.begin()))
    return Verdict::NotHot;
  std::uint32_t records = BigEndian(&header[8], 4);
  std::uint32_t sector = BigEndian(&header[20], 4);
  std::uint32_t page_size = BigEndian(&header[24], 4);
  if (!IsPageSize(page_size) || sector < 32 || sector > 65536) return Verdict::NotHot;
  if (page_size != file.page_size) return Verdict::Foreign;
  off_t size = lseek(journal, 0, SEEK_END);
  off_t record_size = static_cast<off_t>(page_size) + 8;
  off_t end = size;
  if (records != 0 && records != 0xffffffffu)
    end = std::min<off_t>(size, sector + record_size * static_cast<off_t>(records));
  std::vector<unsigned char> page(page_size);
  for (off_t at = sector; at + record_size <= end; at += record_size) {
    std::array<unsigned char, 4> number{};
    if (!ReadAt(journal, number.data(), number.size(), at, cipher)) break;
    std::uint32_t page_no = BigEndian(number.data(), 4);
    // A sealed journal whose pages do not open under the job's key was written for another file.
    if (cipher.sealed != nullptr && !ReadPage(journal, page, at + 4, page_no, false, cipher))
      return Verdict::Foreign;
    if (page_no != 1) continue;
    if (!ReadPage(journal, page, at + 4, page_no, false, cipher)) break;
    PageOne original = ReadPageOne(page.data());
    // The interrupted commit had written page 1 already (one more commit counted) or not yet.
    bool same_file = original.application_id == file.application_id &&
                     (file.change_counter == original.change_counter ||
                      file.change_counter == original.change_counter + 1);
    return same_file ? Verdict::Genuine : Verdict::Foreign;
  }
  // Without page 1 the journal cannot be told apart from a genuine one: SQLite plays it back.
  return Verdict::Genuine;
}

// The file's header, read through the descriptor the engine holds it by (see FileLock), and
// whether another process is committing to it right now.
bool ReadHeldFile(const std::string& path, const FileCipher& cipher, PageOne& file, bool& busy) {
  detail::FileId id;
  if (!detail::IdOf(path, id)) return false;
  bool read = false;
  detail::WithHeldFile(id, [&](const detail::HeldFile* held) {
    // Another database of this process has the file open: its journal may be live.
    if (held == nullptr || held->holders != 1) return;
    struct flock query {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    query.l_start = kReservedByte;
    query.l_len = 1;
    busy = fcntl(held->fd, F_GETLK, &query) != 0 || query.l_type != F_UNLCK;
    std::vector<unsigned char> header(kFileHeaderSize);
    read = ReadAt(held->fd, header.data(), header.size(), 0, cipher);
    if (read && cipher.sealed != nullptr) {
      header.resize(SealedPageSize(header.data()));
      read = !header.empty() && ReadPage(held->fd, header, 0, 1, true, cipher);
    }
    if (read) file = ReadPageOne(header.data());
  });
  return read;
}

std::string FreeAsideName(const std::string& journal) {
  std::error_code ec;
  for (int n = 1;; ++n) {
    std::string name = fmt::format("{}.foreign-{}", journal, n);
    if (!std::filesystem::exists(name, ec)) return name;
  }
}

}  // namespace

std::string SetAsideForeignJournal(const std::string& path, const FileCipher& cipher) {
  std::string journal_path = path + "-journal";
  int journal = open(journal_path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (journal < 0) return {};
  PageOne file;
  bool busy = false;
  Verdict verdict = Verdict::NotHot;
  if (ReadHeldFile(path, cipher, file, busy) && !busy) verdict = Judge(journal, cipher, file);
  close(journal);
  if (verdict != Verdict::Foreign) return {};
  std::string aside = FreeAsideName(journal_path);
  if (std::rename(journal_path.c_str(), aside.c_str()) != 0) {
    RaiseText(err::kDiskError, "nrxEngine.Database",
              fmt::format("'{}' holds the unfinished changes of another file, and it cannot be "
                          "moved aside to '{}' ({}); move it away before opening '{}'.",
                          journal_path, aside, std::strerror(errno), path));
  }
  return aside;
}

}  // namespace nrx::files
