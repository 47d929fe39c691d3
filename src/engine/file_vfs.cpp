// The engine's SQLite VFS. Files that do not take the cipher are opened by the platform VFS
// straight into SQLite's file object, so they behave exactly as without this layer; encrypted
// files get a thin wrapper that runs every read and write through the cipher.

#include "engine/file_vfs.h"

#include <fmt/format.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>

namespace nrx::files {
namespace {

constexpr const char* kVfsName = "nrxcipher";
constexpr const char* kEncryptParameter = "nrxenc";

// An encrypted file: the wrapper in front, the platform's file right behind it in the same
// allocation (the VFS asks SQLite for room for both).
struct CipherFile {
  sqlite3_file base;
  sqlite3_file* real;
};

sqlite3_file* Real(sqlite3_file* file) { return reinterpret_cast<CipherFile*>(file)->real; }
const sqlite3_io_methods& RealMethods(sqlite3_file* file) { return *Real(file)->pMethods; }
sqlite3_vfs* Root(sqlite3_vfs* vfs) { return static_cast<sqlite3_vfs*>(vfs->pAppData); }

int CipherClose(sqlite3_file* file) { return RealMethods(file).xClose(Real(file)); }

int CipherRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  int rc = RealMethods(file).xRead(Real(file), buffer, amount, offset);
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

int CipherWrite(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
  if (amount <= 0) return RealMethods(file).xWrite(Real(file), buffer, amount, offset);
  unsigned char local[8192];
  unsigned char* copy = local;
  if (static_cast<size_t>(amount) > sizeof(local)) {
    copy = static_cast<unsigned char*>(sqlite3_malloc64(static_cast<sqlite3_uint64>(amount)));
    if (copy == nullptr) return SQLITE_IOERR_NOMEM;
  }
  std::memcpy(copy, buffer, static_cast<size_t>(amount));
  CipherXor(copy, amount, offset);
  int rc = RealMethods(file).xWrite(Real(file), copy, amount, offset);
  if (copy != local) sqlite3_free(copy);
  return rc;
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
         sqlite3_uri_boolean(name, kEncryptParameter, 0) != 0;
}

int VfsOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* out_flags) {
  sqlite3_vfs* root = Root(vfs);
  if (!TakesCipher(name, flags)) return root->xOpen(root, name, file, flags, out_flags);
  auto* wrapper = reinterpret_cast<CipherFile*>(file);
  wrapper->real = reinterpret_cast<sqlite3_file*>(wrapper + 1);
  int rc = root->xOpen(root, name, wrapper->real, flags, out_flags);
  wrapper->base.pMethods = rc == SQLITE_OK ? &kCipherMethods : nullptr;
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

std::string MakeUri(const std::string& path, bool encrypted, bool readOnly) {
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
  if (encrypted) uri += fmt::format("&{}=1", kEncryptParameter);
  if (readOnly) uri += "&mode=ro";
  return uri;
}

}  // namespace nrx::files
