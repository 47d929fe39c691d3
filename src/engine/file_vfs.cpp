// The engine's SQLite VFS. Files that do not take the cipher are opened by the platform VFS
// straight into SQLite's file object, so they behave exactly as without this layer; encrypted
// files get a thin wrapper that runs every read and write through the cipher.

#include "engine/file_vfs.h"

#include <fmt/format.h>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

#include "engine/page_cipher.h"

namespace nrx::files {
namespace {

constexpr const char* kVfsName = "nrxcipher";
constexpr const char* kEncryptParameter = "nrxenc";
constexpr const char* kKeyParameter = "nrxkey";

// An encrypted file: the wrapper in front, the platform's file right behind it in the same
// allocation (the VFS asks SQLite for room for both). A sealed file has its page cipher; a file
// of the earlier format has none and runs through the stream cipher.
struct CipherFile {
  sqlite3_file base;
  sqlite3_file* real;
  std::shared_ptr<const PageCipher> cipher;
  const char* name;
  bool journal;
  unsigned page_size;  // of a sealed database file; 0 until known
  // Page 1 as last read or written, and the nonce and tag it was stored with. SQLite looks at
  // the change counter in page 1 at the start of every transaction; as long as the stored
  // seal is the same (every write draws a new nonce), the page is the one already opened.
  std::vector<unsigned char> page_one;
  std::array<unsigned char, kReservedBytes> page_one_seal;
};

void RememberPageOne(CipherFile* file, const unsigned char* plain, const unsigned char* sealed,
                     unsigned size) {
  file->page_one.assign(plain, plain + size);
  std::fill(file->page_one.end() - kReservedBytes, file->page_one.end(), 0);
  std::memcpy(file->page_one_seal.data(), sealed + size - kReservedBytes, kReservedBytes);
}

CipherFile* Wrapper(sqlite3_file* file) { return reinterpret_cast<CipherFile*>(file); }
sqlite3_file* Real(sqlite3_file* file) { return Wrapper(file)->real; }
const sqlite3_io_methods& RealMethods(sqlite3_file* file) { return *Real(file)->pMethods; }
sqlite3_vfs* Root(sqlite3_vfs* vfs) { return static_cast<sqlite3_vfs*>(vfs->pAppData); }

int CipherClose(sqlite3_file* file) {
  int rc = RealMethods(file).xClose(Real(file));
  Wrapper(file)->~CipherFile();
  return rc;
}

// The earlier format: one stream over the whole file.
int StreamRead(sqlite3_file* file, unsigned char* bytes, int amount, sqlite3_int64 offset) {
  int rc = RealMethods(file).xRead(Real(file), bytes, amount, offset);
  if (rc == SQLITE_OK) {
    CipherXor(bytes, amount, offset);
  } else if (rc == SQLITE_IOERR_SHORT_READ) {
    // The platform VFS has zero-filled the part beyond the end of the file, as SQLite
    // relies on: decrypt only what the file holds.
    sqlite3_int64 size = 0;
    if (RealMethods(file).xFileSize(Real(file), &size) != SQLITE_OK) size = offset;
    CipherXor(bytes, std::clamp<long long>(size - offset, 0, amount), offset);
  }
  return rc;
}

// A copy of what SQLite writes, to be enciphered before it goes to the file.
class WriteCopy {
 public:
  WriteCopy(const void* buffer, int amount) {
    if (static_cast<size_t>(amount) > sizeof(local_)) {
      heap_ = static_cast<unsigned char*>(sqlite3_malloc64(static_cast<sqlite3_uint64>(amount)));
      if (heap_ == nullptr) return;
    }
    std::memcpy(Data(), buffer, static_cast<size_t>(amount));
  }
  ~WriteCopy() { sqlite3_free(heap_); }
  WriteCopy(const WriteCopy&) = delete;
  WriteCopy& operator=(const WriteCopy&) = delete;
  bool Ok(int amount) const { return heap_ != nullptr || static_cast<size_t>(amount) <= sizeof(local_); }
  unsigned char* Data() { return heap_ != nullptr ? heap_ : local_; }

 private:
  unsigned char local_[8192];
  unsigned char* heap_ = nullptr;
};

int StreamWrite(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
  WriteCopy copy(buffer, amount);
  if (!copy.Ok(amount)) return SQLITE_IOERR_NOMEM;
  CipherXor(copy.Data(), amount, offset);
  return RealMethods(file).xWrite(Real(file), copy.Data(), amount, offset);
}

thread_local std::optional<SealFailure> last_failure;

int Refuse(CipherFile* file, std::uint32_t page_no) {
  last_failure = SealFailure{file->name != nullptr ? file->name : "", page_no, file->journal};
  return SQLITE_CORRUPT;
}

bool IsPageSize(long long size) { return size >= 512 && size <= 65536 && std::has_single_bit(
    static_cast<unsigned long long>(size)); }

// In a rollback journal a page image follows its 4-byte page number; headers stand at
// multiples of the sector size, so only page images begin 4 bytes past a multiple of 8.
bool IsJournalPage(int amount, sqlite3_int64 offset) { return IsPageSize(amount) && offset % 8 == 4; }

bool JournalPageNumber(sqlite3_file* file, sqlite3_int64 offset, std::uint32_t& page_no) {
  unsigned char bytes[4];
  if (RealMethods(file).xRead(Real(file), bytes, 4, offset - 4) != SQLITE_OK) return false;
  page_no = static_cast<std::uint32_t>(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
  return true;
}

int SealedJournalRead(sqlite3_file* file, unsigned char* bytes, int amount, sqlite3_int64 offset) {
  int rc = RealMethods(file).xRead(Real(file), bytes, amount, offset);
  if (rc != SQLITE_OK || !IsJournalPage(amount, offset)) return rc;
  std::uint32_t page_no = 0;
  if (!JournalPageNumber(file, offset, page_no)) return SQLITE_IOERR_READ;
  if (!Wrapper(file)->cipher->Open(bytes, amount, page_no, false))
    return Refuse(Wrapper(file), page_no);
  return SQLITE_OK;
}

int SealedJournalWrite(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
  if (!IsJournalPage(amount, offset))
    return RealMethods(file).xWrite(Real(file), buffer, amount, offset);
  std::uint32_t page_no = 0;
  if (!JournalPageNumber(file, offset, page_no)) return SQLITE_IOERR_WRITE;
  WriteCopy copy(buffer, amount);
  if (!copy.Ok(amount)) return SQLITE_IOERR_NOMEM;
  Wrapper(file)->cipher->Seal(copy.Data(), copy.Data(), amount, page_no, false);
  return RealMethods(file).xWrite(Real(file), copy.Data(), amount, offset);
}

// The page size of a sealed database file, from its clear header; 0 while the file is new.
unsigned KnownPageSize(sqlite3_file* file) {
  CipherFile* wrapper = Wrapper(file);
  if (wrapper->page_size == 0) {
    unsigned char header[kHeaderBytes];
    if (RealMethods(file).xRead(Real(file), header, kHeaderBytes, 0) == SQLITE_OK)
      wrapper->page_size = SealedPageSize(header);
  }
  return wrapper->page_size;
}

// Reads and opens the whole page `page_no` into `page`. A page wholly beyond the end of the
// file reads as zeros with SQLite's short-read code; one cut short cannot be opened.
int ReadSealedPage(sqlite3_file* file, unsigned char* page, unsigned size, std::uint32_t page_no) {
  auto offset = static_cast<sqlite3_int64>(page_no - 1) * size;
  int rc = RealMethods(file).xRead(Real(file), page, static_cast<int>(size), offset);
  if (rc == SQLITE_IOERR_SHORT_READ) {
    sqlite3_int64 length = 0;
    if (RealMethods(file).xFileSize(Real(file), &length) == SQLITE_OK && length <= offset) return rc;
    return Refuse(Wrapper(file), page_no);
  }
  if (rc != SQLITE_OK) return rc;
  std::array<unsigned char, kReservedBytes> seal;
  std::memcpy(seal.data(), page + size - kReservedBytes, kReservedBytes);
  if (!Wrapper(file)->cipher->Open(page, static_cast<int>(size), page_no, page_no == 1))
    return Refuse(Wrapper(file), page_no);
  if (page_no == 1) {
    Wrapper(file)->page_one.assign(page, page + size);
    Wrapper(file)->page_one_seal = seal;
  }
  return SQLITE_OK;
}

// Page 1 from memory, when the file still holds the same seal of it.
bool ReadPageOneAgain(sqlite3_file* file, unsigned char* page, unsigned size) {
  CipherFile* wrapper = Wrapper(file);
  if (wrapper->page_one.size() != size) return false;
  std::array<unsigned char, kReservedBytes> seal;
  if (RealMethods(file).xRead(Real(file), seal.data(), kReservedBytes, size - kReservedBytes) !=
          SQLITE_OK ||
      seal != wrapper->page_one_seal)
    return false;
  std::memcpy(page, wrapper->page_one.data(), size);
  return true;
}

int SealedRead(sqlite3_file* file, unsigned char* bytes, int amount, sqlite3_int64 offset) {
  if (Wrapper(file)->journal) return SealedJournalRead(file, bytes, amount, offset);
  const unsigned size = KnownPageSize(file);
  if (size == 0) return RealMethods(file).xRead(Real(file), bytes, amount, offset);
  if (offset % size == 0 && static_cast<unsigned>(amount) == size)
    return ReadSealedPage(file, bytes, size, static_cast<std::uint32_t>(offset / size + 1));
  // Part of a page (SQLite reads the header of page 1 on its own): open the whole page.
  std::vector<unsigned char> page(size);
  int result = SQLITE_OK;
  for (sqlite3_int64 at = offset; at < offset + amount;) {
    auto page_no = static_cast<std::uint32_t>(at / size + 1);
    sqlite3_int64 within = at % size;
    int n = static_cast<int>(std::min<sqlite3_int64>(size - within, offset + amount - at));
    int rc = page_no == 1 && ReadPageOneAgain(file, page.data(), size)
                 ? SQLITE_OK
                 : ReadSealedPage(file, page.data(), size, page_no);
    if (rc == SQLITE_IOERR_SHORT_READ) result = rc;
    else if (rc != SQLITE_OK) return rc;
    std::memcpy(bytes + (at - offset), page.data() + within, static_cast<size_t>(n));
    at += n;
  }
  return result;
}

int SealedWrite(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
  if (Wrapper(file)->journal) return SealedJournalWrite(file, buffer, amount, offset);
  CipherFile* wrapper = Wrapper(file);
  if (KnownPageSize(file) == 0 && offset == 0 && IsPageSize(amount))
    wrapper->page_size = static_cast<unsigned>(amount);
  const unsigned size = wrapper->page_size;
  if (size == 0 || offset % size != 0 || amount % size != 0) return SQLITE_IOERR_WRITE;
  WriteCopy copy(buffer, amount);
  if (!copy.Ok(amount)) return SQLITE_IOERR_NOMEM;
  for (int at = 0; at < amount; at += static_cast<int>(size)) {
    unsigned char* page = copy.Data() + at;
    auto page_no = static_cast<std::uint32_t>((offset + at) / size + 1);
    // A page without room for its nonce and tag would lose its last bytes to them.
    if (page_no == 1 && page[20] != kReservedBytes) return SQLITE_IOERR_WRITE;
    wrapper->cipher->Seal(page, page, static_cast<int>(size), page_no, page_no == 1);
    if (page_no == 1)
      RememberPageOne(wrapper, static_cast<const unsigned char*>(buffer) + at, page, size);
  }
  return RealMethods(file).xWrite(Real(file), copy.Data(), amount, offset);
}

int CipherRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  if (Wrapper(file)->cipher) return SealedRead(file, bytes, amount, offset);
  return StreamRead(file, bytes, amount, offset);
}

int CipherWrite(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
  if (amount <= 0) return RealMethods(file).xWrite(Real(file), buffer, amount, offset);
  if (Wrapper(file)->cipher) return SealedWrite(file, buffer, amount, offset);
  return StreamWrite(file, buffer, amount, offset);
}

int CipherTruncate(sqlite3_file* file, sqlite3_int64 size) {
  return RealMethods(file).xTruncate(Real(file), size);
}
int CipherSync(sqlite3_file* file, int flags) { return RealMethods(file).xSync(Real(file), flags); }
int CipherFileSize(sqlite3_file* file, sqlite3_int64* size) {
  return RealMethods(file).xFileSize(Real(file), size);
}
int CipherLock(sqlite3_file* file, int level) { return RealMethods(file).xLock(Real(file), level); }
int CipherUnlock(sqlite3_file* file, int level) {
  return RealMethods(file).xUnlock(Real(file), level);
}
int CipherCheckReservedLock(sqlite3_file* file, int* out) {
  return RealMethods(file).xCheckReservedLock(Real(file), out);
}
int CipherFileControl(sqlite3_file* file, int op, void* arg) {
  return RealMethods(file).xFileControl(Real(file), op, arg);
}
int CipherSectorSize(sqlite3_file* file) { return RealMethods(file).xSectorSize(Real(file)); }
int CipherDeviceCharacteristics(sqlite3_file* file) {
  return RealMethods(file).xDeviceCharacteristics(Real(file));
}
int CipherShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** out) {
  if (RealMethods(file).iVersion < 2) return SQLITE_IOERR_SHMMAP;
  return RealMethods(file).xShmMap(Real(file), region, size, extend, out);
}
int CipherShmLock(sqlite3_file* file, int offset, int n, int flags) {
  if (RealMethods(file).iVersion < 2) return SQLITE_IOERR_SHMLOCK;
  return RealMethods(file).xShmLock(Real(file), offset, n, flags);
}
void CipherShmBarrier(sqlite3_file* file) {
  if (RealMethods(file).iVersion >= 2) RealMethods(file).xShmBarrier(Real(file));
}
int CipherShmUnmap(sqlite3_file* file, int delete_flag) {
  if (RealMethods(file).iVersion < 2) return SQLITE_OK;
  return RealMethods(file).xShmUnmap(Real(file), delete_flag);
}
// A memory map would hand SQLite the file's bytes as stored, bypassing the cipher: decline,
// and SQLite reads through xRead.
int CipherFetch(sqlite3_file*, sqlite3_int64, int, void** out) {
  *out = nullptr;
  return SQLITE_OK;
}
int CipherUnfetch(sqlite3_file*, sqlite3_int64, void*) { return SQLITE_OK; }

constexpr sqlite3_io_methods kCipherMethods = {
    3,
    CipherClose,
    CipherRead,
    CipherWrite,
    CipherTruncate,
    CipherSync,
    CipherFileSize,
    CipherLock,
    CipherUnlock,
    CipherCheckReservedLock,
    CipherFileControl,
    CipherSectorSize,
    CipherDeviceCharacteristics,
    CipherShmMap,
    CipherShmLock,
    CipherShmBarrier,
    CipherShmUnmap,
    CipherFetch,
    CipherUnfetch,
};

// The main file, its rollback journal and (should anyone switch to it) its write-ahead log
// hold the database's pages. SQLite lets the URI parameters of the main file be read from
// the names it gives its journal and log, so all three agree. Temporary files and statement
// journals have no such name; the engine keeps them in memory.
bool TakesCipher(const char* name, int flags) {
  constexpr int kPageFiles = SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_WAL;
  return name != nullptr && (flags & kPageFiles) != 0 &&
         (sqlite3_uri_boolean(name, kEncryptParameter, 0) != 0 ||
          sqlite3_uri_int64(name, kKeyParameter, 0) != 0);
}

// The page ciphers of the files open through the VFS, by the token their URI names.
struct KeyRing {
  std::mutex mutex;
  std::map<long long, std::shared_ptr<const PageCipher>> ciphers;
  long long next = 1;
};

KeyRing& Keys() {
  static KeyRing ring;
  return ring;
}

std::shared_ptr<const PageCipher> FindCipher(long long token) {
  KeyRing& ring = Keys();
  std::lock_guard guard(ring.mutex);
  auto it = ring.ciphers.find(token);
  return it == ring.ciphers.end() ? nullptr : it->second;
}

int VfsOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* out_flags) {
  sqlite3_vfs* root = Root(vfs);
  if (!TakesCipher(name, flags)) return root->xOpen(root, name, file, flags, out_flags);
  std::shared_ptr<const PageCipher> cipher;
  if (long long token = sqlite3_uri_int64(name, kKeyParameter, 0); token != 0) {
    cipher = FindCipher(token);
    // A sealed file has no write-ahead log: its frames would bypass the page cipher.
    if (cipher == nullptr || (flags & SQLITE_OPEN_WAL) != 0) {
      file->pMethods = nullptr;
      return SQLITE_CANTOPEN;
    }
  }
  auto* wrapper = new (file) CipherFile{};
  wrapper->real = reinterpret_cast<sqlite3_file*>(wrapper + 1);
  wrapper->cipher = std::move(cipher);
  wrapper->name = name;
  wrapper->journal = (flags & SQLITE_OPEN_MAIN_DB) == 0;
  int rc = root->xOpen(root, name, wrapper->real, flags, out_flags);
  if (rc != SQLITE_OK) {
    wrapper->~CipherFile();
    file->pMethods = nullptr;
    return rc;
  }
  wrapper->base.pMethods = &kCipherMethods;
  return rc;
}

int VfsDelete(sqlite3_vfs* vfs, const char* name, int sync_dir) {
  return Root(vfs)->xDelete(Root(vfs), name, sync_dir);
}
int VfsAccess(sqlite3_vfs* vfs, const char* name, int flags, int* out) {
  return Root(vfs)->xAccess(Root(vfs), name, flags, out);
}
int VfsFullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out) {
  return Root(vfs)->xFullPathname(Root(vfs), name, size, out);
}
void* VfsDlOpen(sqlite3_vfs* vfs, const char* name) { return Root(vfs)->xDlOpen(Root(vfs), name); }
void VfsDlError(sqlite3_vfs* vfs, int size, char* out) {
  Root(vfs)->xDlError(Root(vfs), size, out);
}
void (*VfsDlSym(sqlite3_vfs* vfs, void* handle, const char* symbol))(void) {
  return Root(vfs)->xDlSym(Root(vfs), handle, symbol);
}
void VfsDlClose(sqlite3_vfs* vfs, void* handle) { Root(vfs)->xDlClose(Root(vfs), handle); }
int VfsRandomness(sqlite3_vfs* vfs, int size, char* out) {
  return Root(vfs)->xRandomness(Root(vfs), size, out);
}
int VfsSleep(sqlite3_vfs* vfs, int microseconds) {
  return Root(vfs)->xSleep(Root(vfs), microseconds);
}
int VfsCurrentTime(sqlite3_vfs* vfs, double* out) {
  return Root(vfs)->xCurrentTime(Root(vfs), out);
}
int VfsGetLastError(sqlite3_vfs* vfs, int size, char* out) {
  return Root(vfs)->xGetLastError ? Root(vfs)->xGetLastError(Root(vfs), size, out) : 0;
}
int VfsCurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* out) {
  return Root(vfs)->xCurrentTimeInt64(Root(vfs), out);
}

sqlite3_vfs MakeVfs(sqlite3_vfs* root) {
  sqlite3_vfs vfs{};
  // Version 2 only: the system-call overrides of version 3 are a testing hook of the
  // platform VFS and stay with it.
  vfs.iVersion = std::min(root->iVersion, 2);
  vfs.szOsFile = static_cast<int>(sizeof(CipherFile)) + root->szOsFile;
  vfs.mxPathname = root->mxPathname;
  vfs.zName = kVfsName;
  vfs.pAppData = root;
  vfs.xOpen = VfsOpen;
  vfs.xDelete = VfsDelete;
  vfs.xAccess = VfsAccess;
  vfs.xFullPathname = VfsFullPathname;
  vfs.xDlOpen = VfsDlOpen;
  vfs.xDlError = VfsDlError;
  vfs.xDlSym = VfsDlSym;
  vfs.xDlClose = VfsDlClose;
  vfs.xRandomness = VfsRandomness;
  vfs.xSleep = VfsSleep;
  vfs.xCurrentTime = VfsCurrentTime;
  vfs.xGetLastError = VfsGetLastError;
  if (vfs.iVersion >= 2) vfs.xCurrentTimeInt64 = VfsCurrentTimeInt64;
  return vfs;
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~' || c == '/';
}

}  // namespace

const char* VfsName() {
  static const bool registered = [] {
    sqlite3_initialize();
    static sqlite3_vfs vfs = MakeVfs(sqlite3_vfs_find(nullptr));
    return sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
  }();
  (void)registered;
  return kVfsName;
}

namespace {

std::string FileUri(const std::string& path) {
  // "file:" followed by an absolute path needs an empty authority ("file:///..."), or a
  // path beginning with "//" would be read as a host name.
  std::string uri = path.starts_with('/') ? "file://" : "file:";
  for (unsigned char c : path) {
    if (IsUnreserved(c)) {
      uri += static_cast<char>(c);
    } else {
      uri += fmt::format("%{:02X}", c);
    }
  }
  uri += "?vfs=";
  uri += VfsName();
  return uri;
}

}  // namespace

std::string MakeUri(const std::string& path, bool encrypted, bool readOnly) {
  std::string uri = FileUri(path);
  if (encrypted) uri += fmt::format("&{}=1", kEncryptParameter);
  if (readOnly) uri += "&mode=ro";
  return uri;
}

std::string MakeSealedUri(const std::string& path, const SealKey& key, bool readOnly) {
  std::string uri = FileUri(path) + fmt::format("&{}={}", kKeyParameter, key.Token());
  if (readOnly) uri += "&mode=ro";
  return uri;
}

SealKey::SealKey(std::shared_ptr<const PageCipher> cipher) : cipher_(std::move(cipher)) {
  KeyRing& ring = Keys();
  std::lock_guard guard(ring.mutex);
  token_ = ring.next++;
  ring.ciphers.emplace(token_, cipher_);
}

SealKey::~SealKey() {
  KeyRing& ring = Keys();
  std::lock_guard guard(ring.mutex);
  ring.ciphers.erase(token_);
}

std::optional<SealFailure> TakeSealFailure() {
  std::optional<SealFailure> failure;
  failure.swap(last_failure);
  return failure;
}

}  // namespace nrx::files
