// Repairing a job file: the salvaged rows go into a new file beside the damaged one, which is
// replaced only once the new file is complete and on disk. Until that last rename the
// original (and its journal) stays exactly as it was.

#include <fcntl.h>
#include <fmt/format.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "engine/file_vfs.h"
#include "engine/page_cipher.h"
#include "engine/sealed_file.h"
#include "engine/salvage.h"
#include "nrxJobDb/errors.h"

namespace nrx::files {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSource = "nrxEngine.DBEngine";
constexpr std::size_t kMostBadPages = 100;

struct DbCloser {
  void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
using Db = std::unique_ptr<sqlite3, DbCloser>;

[[noreturn]] void RaiseFileError(const std::string& what, const std::string& name, int error) {
  RaiseText(err::kDiskError, std::string(kSource),
            fmt::format("{}: '{}' ({}).", what, name, std::strerror(error)));
}

bool Exists(const std::string& name) {
  struct stat st {};
  return lstat(name.c_str(), &st) == 0;
}

void RemoveIfPresent(const std::string& name) {
  if (unlink(name.c_str()) != 0 && errno != ENOENT) {
    RaiseFileError("The file cannot be removed", name, errno);
  }
}

void Sync(const std::string& name) {
  int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) RaiseFileError("The file cannot be opened to flush it", name, errno);
  int rc = fsync(fd);
  int error = errno;
  close(fd);
  if (rc != 0) RaiseFileError("The file cannot be flushed to disk", name, error);
}

// A rollback journal that SQLite would play back before reading the file.
bool HasJournal(const std::string& path) {
  struct stat st {};
  return stat((path + "-journal").c_str(), &st) == 0 && st.st_size > 0;
}

// The names a repair works with beside the damaged file; removed again whatever happens.
class WorkFiles {
 public:
  explicit WorkFiles(const std::string& path)
      : output_(path + ".repairing"), snapshot_(path + ".repair-source") {
    Clean();
  }
  ~WorkFiles() { Clean(); }
  WorkFiles(const WorkFiles&) = delete;
  WorkFiles& operator=(const WorkFiles&) = delete;

  const std::string& Output() const { return output_; }
  const std::string& Snapshot() const { return snapshot_; }

 private:
  void Clean() noexcept {
    for (const auto& name : {output_, output_ + "-journal", snapshot_, snapshot_ + "-journal"}) {
      unlink(name.c_str());
    }
  }
  std::string output_;
  std::string snapshot_;
};

void Copy(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  if (ec) RaiseFileError("The file cannot be copied", from, ec.value());
}

Db Open(const std::string& uri, int flags, const std::string& name) {
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(uri.c_str(), &db, flags | SQLITE_OPEN_URI, VfsName());
  Db handle(db);
  if (rc != SQLITE_OK) {
    RaiseText(err::kDiskError, std::string(kSource),
              fmt::format("The file cannot be opened for repair: '{}' ({}).", name,
                          db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
  }
  sqlite3_extended_result_codes(db, 1);
  return handle;
}

// How the damaged file and its repaired copy are enciphered: the earlier stream, or sealed
// pages (the copy under a fresh salt and the same password).
struct RepairCipher {
  bool stream = false;
  std::unique_ptr<SealKey> source;
  std::unique_ptr<SealKey> target;

  std::string Uri(const std::string& path, bool is_target, bool read_only) const {
    const SealKey* key = is_target ? target.get() : source.get();
    return key != nullptr ? MakeSealedUri(path, *key, read_only) : MakeUri(path, stream, read_only);
  }
};

// The page size the file's header gives (bytes 16 and 17, 1 meaning 65536), or 0 when the
// header holds none that SQLite could have written. A sealed file keeps them in the clear.
off_t PageSizeOf(const std::string& path, bool encrypted) {
  unsigned char bytes[2] = {0, 0};
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  const bool read = pread(fd, bytes, sizeof bytes, 16) == static_cast<ssize_t>(sizeof bytes);
  close(fd);
  if (!read) return 0;
  if (encrypted) CipherXor(bytes, sizeof bytes, 16);
  const unsigned size = bytes[0] == 0 && bytes[1] == 1 ? 65536u : (bytes[0] << 8) | bytes[1];
  return size >= 512 && std::has_single_bit(size) ? static_cast<off_t>(size) : 0;
}

// The length of the file's whole pages when it ends inside a page (a file cut short), else -1.
// SQLite fills the missing end of such a page with zeros, and the page's cells that pointed
// there would read as records of nothing but Nulls: rows nobody wrote.
off_t WholePagesLength(const std::string& path, bool encrypted) {
  struct stat st {};
  const off_t page = PageSizeOf(path, encrypted);
  if (page == 0 || stat(path.c_str(), &st) != 0 || st.st_size % page == 0) return -1;
  return st.st_size - st.st_size % page;
}

// Where to read from. A file left with a hot journal is read as SQLite would after playing
// the journal back, and a file cut short inside a page is read without that page; both are
// done on a copy, so the original stays untouched.
Db OpenSource(const std::string& path, const RepairCipher& cipher, const WorkFiles& work) {
  const bool journal = HasJournal(path);
  const off_t whole_pages = WholePagesLength(path, cipher.stream);
  if (!journal && whole_pages < 0) {
    // Immutable: no locks and no journal; the exclusive file lock keeps writers out.
    return Open(cipher.Uri(path, false, true) + "&immutable=1", SQLITE_OPEN_READONLY, path);
  }
  // Not even the first page is whole: the schema is gone, and every row with it.
  if (whole_pages == 0) Raise(err::kNotADatabase, kSource, path);
  Copy(path, work.Snapshot());
  if (whole_pages >= 0 && truncate(work.Snapshot().c_str(), whole_pages) != 0) {
    RaiseFileError("The copy to repair cannot be cut to whole pages", work.Snapshot(), errno);
  }
  if (journal) Copy(path + "-journal", work.Snapshot() + "-journal");
  return Open(cipher.Uri(work.Snapshot(), false, false), SQLITE_OPEN_READWRITE, path);
}

void WriteRepairedCopy(const std::string& path, const RepairCipher& cipher, mode_t mode,
                       const WorkFiles& work, std::vector<std::string>& losses) {
  Db source = OpenSource(path, cipher, work);
  Db target = Open(cipher.Uri(work.Output(), true, false),
                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, path);
  if (cipher.target) ReserveSealRoom(target.get());
  detail::CopyReadable(source.get(), target.get(), path, losses);
  if (sqlite3_close(target.release()) != SQLITE_OK) {
    RaiseFileError("The repaired copy cannot be closed", work.Output(), EIO);
  }
  chmod(work.Output().c_str(), mode);
  Sync(work.Output());
}

// Puts the repaired file in place, keeping the original (with its journal, if any) as
// path + ".damaged". A hard link keeps the job's name present throughout; where links are
// not possible the original is renamed instead, and put back should the last step fail.
void Install(const std::string& path, const std::string& repaired) {
  std::string damaged = path + ".damaged";
  RemoveIfPresent(damaged);
  RemoveIfPresent(damaged + "-journal");
  bool linked = link(path.c_str(), damaged.c_str()) == 0;
  if (!linked && rename(path.c_str(), damaged.c_str()) != 0) {
    RaiseFileError("The damaged file cannot be kept", damaged, errno);
  }
  auto undo = [&] {
    if (linked) {
      unlink(damaged.c_str());
    } else {
      rename(damaged.c_str(), path.c_str());
    }
  };
  std::string journal = path + "-journal";
  bool moved_journal = false;
  if (Exists(journal)) {
    if (rename(journal.c_str(), (damaged + "-journal").c_str()) != 0) {
      int error = errno;
      undo();
      RaiseFileError("The damaged file's journal cannot be kept", journal, error);
    }
    moved_journal = true;
  }
  if (rename(repaired.c_str(), path.c_str()) != 0) {
    int error = errno;
    if (moved_journal) rename((damaged + "-journal").c_str(), journal.c_str());
    undo();
    RaiseFileError("The repaired file cannot be put in place", path, error);
  }
  // Best effort: the repair is done, and a failure to flush the folder cannot undo it.
  std::string folder = fs::path(path).parent_path().string();
  int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

// The file itself when `path` is a symbolic link: the repair replaces the file, not the link.
std::string Resolve(const std::string& path) {
  std::error_code ec;
  fs::path real = fs::canonical(path, ec);
  return ec ? path : real.string();
}

}  // namespace

std::vector<std::string> RepairFile(const std::string& path, std::string_view password) {
  if (path.find('\0') != std::string::npos || !Exists(path)) {
    Raise(err::kFileMissing, kSource, path);
  }
  std::string real = Resolve(path);
  // Held for the whole repair: no engine may open the file meanwhile. Declared before the
  // SQLite handles (which live in WriteRepairedCopy), so it is released after them.
  std::unique_ptr<FileLock> lock = FileLock::Acquire(real, true);
  FileKind kind = Probe(real);
  switch (kind) {
    case FileKind::Missing:
      Raise(err::kFileMissing, kSource, path);
    case FileKind::Unreadable:
      Raise(err::kDiskError, kSource, path);
    case FileKind::Empty:
    case FileKind::Jet:
    case FileKind::Unknown:
      Raise(err::kNotADatabase, kSource, path);
    case FileKind::Plain:
    case FileKind::Encrypted:
    case FileKind::Sealed:
      break;
  }
  RepairCipher cipher;
  cipher.stream = kind == FileKind::Encrypted;
  std::vector<std::string> bad_pages;
  if (kind == FileKind::Sealed) {
    auto key = UnlockSealedFile(real, {}, password);
    // Pages that fail their check read as damaged, never as what they hold; name them.
    bad_pages = UnopenablePages(real, *key, kMostBadPages);
    cipher.target = std::make_unique<SealKey>(
        PageCipher::Make(SealHeader::Fresh(key->Header().source), password));
    cipher.source = std::make_unique<SealKey>(std::move(key));
  }
  struct stat st {};
  stat(real.c_str(), &st);

  WorkFiles work(real);
  // The pages that failed their check come first: they are why rows below may be missing.
  std::vector<std::string> losses = std::move(bad_pages);
  WriteRepairedCopy(real, cipher, st.st_mode & 07777, work, losses);
  Install(real, work.Output());
  return losses;
}

}  // namespace nrx::files
