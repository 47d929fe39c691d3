#pragma once
// Job files on disk: the engine's SQLite VFS (with the stream cipher of encrypted files), the
// advisory locks that make exclusive opening visible to other processes, and the probe that
// tells what a file is before SQLite sees it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nrx::files {

class PageCipher;

// Registers the engine's VFS with SQLite once per process and returns its name. The VFS wraps
// the platform's default VFS. A main database file opened with a page key (see SealKey) has
// every page sealed (see page_cipher.h), and so has its rollback journal; such a file has no
// write-ahead log. A file of the earlier format, opened with "nrxenc=1", is read and written
// through the stream cipher, its journal too. Every other file passes through unchanged:
// temporary files and statement journals must be kept in memory (PRAGMA temp_store=MEMORY),
// or they reach the disk unencrypted.
const char* VfsName();

// A page cipher made known to the VFS for as long as this lives; a URI names it by token.
class SealKey {
 public:
  explicit SealKey(std::shared_ptr<const PageCipher> cipher);
  ~SealKey();
  SealKey(const SealKey&) = delete;
  SealKey& operator=(const SealKey&) = delete;
  const PageCipher& Cipher() const { return *cipher_; }
  long long Token() const { return token_; }

 private:
  std::shared_ptr<const PageCipher> cipher_;
  long long token_ = 0;
};

// The URI to hand to sqlite3_open_v2 (with SQLITE_OPEN_URI) for a job file: the path
// percent-escaped, the engine's VFS, "nrxenc=1" when in the earlier encrypted format and
// "mode=ro" when read-only.
std::string MakeUri(const std::string& path, bool encrypted, bool readOnly);
// The same for a sealed file, whose pages the VFS opens and seals with `key`. A new file must
// get kReservedBytes per page (ReserveSealRoom) before its first page is written.
std::string MakeSealedUri(const std::string& path, const SealKey& key, bool readOnly);

// A page of a sealed file that failed to open: the VFS reports it to SQLite as corruption
// and keeps it here, per thread, for the error message.
struct SealFailure {
  std::string file;
  std::uint32_t page = 0;
  bool journal = false;
};
// The last failure on this thread, which it forgets.
std::optional<SealFailure> TakeSealFailure();

enum class FileKind {
  Missing,     // no such file
  Empty,       // zero bytes: not a database
  Plain,       // an unencrypted SQLite file
  Encrypted,   // a file of the earlier format, written through the stream cipher
  Sealed,      // a file of sealed pages
  Jet,         // an older job's Jet database: to be converted, not opened
  Unknown,     // something else: not a job database
  Unreadable,  // exists but cannot be read (permissions, I/O error)
};

// Reads the first bytes of a file and tells which kind it is, without opening it in SQLite
// and without disturbing locks this process holds on it: a file this process holds (see
// FileLock) is read through the lock's own descriptor.
FileKind Probe(const std::string& path);

// Calls `use` with a readable descriptor of the file at `path` (-1 when it cannot be opened):
// the engine's own when this process holds the file, so no lock is disturbed, else one of its
// own that is closed afterwards.
void WithFileDescriptor(const std::string& path, const std::function<void(int fd)>& use);
// Reads `size` bytes at `offset` of `fd`; false when the file ends before or on an error.
bool ReadExactly(int fd, unsigned char* buffer, std::size_t size, long long offset);

// A hot rollback journal beside the job file at `path` that was left by another file (its copy
// of page 1 names another job, or a state of this one that no interrupted commit can have
// started from) is renamed to "<path>-journal.foreign-<n>", so that SQLite never plays it
// back; returns that name, or "" when there is no such journal. Call with the file held (see
// FileLock) and before SQLite opens it; a journal that another opener may be writing is left
// alone. Raises 3043 when the journal cannot be moved.
// How a file's pages are stored: plain, the earlier stream cipher, or sealed with a page key.
struct FileCipher {
  bool stream = false;
  const PageCipher* sealed = nullptr;
};
std::string SetAsideForeignJournal(const std::string& path, const FileCipher& cipher);

// Whether the file at `path` (or, for a file not made yet, its folder) lies on a network or
// user-space file system, where SQLite's record locks and flock cannot be trusted across
// machines.
bool OnNetworkFileSystem(const std::string& path);

namespace testing {
// Makes OnNetworkFileSystem see the file-system type `type` for every path that begins with
// `prefix`; a type of 0 removes the override. For tests only.
void OverrideFileSystemType(const std::string& prefix, long type);
}  // namespace testing

// The stream cipher of the earlier format: XORs `size` bytes that stand at `offset` in a file with the keystream at
// that position, so any range can be read or written on its own. Applying it twice restores.
void CipherXor(unsigned char* data, long long size, long long offset);

// An advisory lock (flock) on a job file, held for as long as a database has it open.
// Exclusive locks keep every other opener out; shared locks keep exclusive openers out.
// Also recorded in a per-process registry (one descriptor per file, shared by every holder in
// this process), so that queries from this process never open and close a descriptor of a
// file the engine holds: that would drop SQLite's POSIX locks on it.
//
// Ordering: open SQLite on the file only after Acquire, and close SQLite before the last lock
// on the file goes. Releasing the last lock closes the registry's descriptor, which drops
// every POSIX lock this process holds on the file, SQLite's included, if SQLite still has it
// open.
class FileLock {
 public:
  // Locks an existing file (it does not create one). Raises nrx::Error 3045 when the file is
  // held in a conflicting way, here or elsewhere; 3024 when it does not exist; 3043 when it
  // cannot be opened.
  static std::unique_ptr<FileLock> Acquire(const std::string& path, bool exclusive);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  FileLock() = default;
  // The registry's key: the file's device and inode, so that other names of it agree.
  unsigned long long device_ = 0;
  unsigned long long inode_ = 0;
};

// True when an engine database, in this process or another, holds the file exclusively.
// False for a missing file. Asks the registry first; for a file this process does not hold,
// tries a non-blocking flock on a descriptor of its own and lets it go again.
bool IsHeldExclusively(const std::string& path);
// True when an engine database, in this process or another, holds the file at all.
bool IsHeld(const std::string& path);

// Rewrites a damaged database as a sound one holding every row that can still be read; an
// encrypted file stays encrypted (a sealed one needs its `password`, if it has one). See
// DBEngine::RepairDatabase for the contract. The file is held exclusively while it is
// repaired, and left untouched unless the repair succeeds. Returns a sentence for each page
// that failed its authentication check and for each thing not saved whole.
std::vector<std::string> RepairFile(const std::string& path, std::string_view password = {});

}  // namespace nrx::files
