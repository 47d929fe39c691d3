// Jobs of the earlier encrypted format (one stream cipher under a key every copy of the engine
// shares) are rewritten as sealed files the first time they are opened for writing, so that
// they get a key of their own and their pages are authenticated from then on.

#include <sqlite3.h>

#include <memory>

#include "engine/file_upgrade.h"
#include "engine/file_vfs.h"
#include "engine/page_cipher.h"
#include "engine/sealed_file.h"
#include "nrxJobDb/errors.h"

namespace nrx::files {
namespace {

struct DbCloser {
  void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};

}  // namespace

bool UpgradeStreamFile(const std::string& path) {
  std::unique_ptr<FileLock> lock;
  try {
    lock = FileLock::Acquire(path, true);
  } catch (const Error& e) {
    // Someone has it open: it stays as it is until an open finds it free.
    if (e.Number() == err::kFileInUse) return false;
    throw;
  }
  if (Probe(path) != FileKind::Encrypted) return false;
  SetAsideForeignJournal(path, FileCipher{true, nullptr});
  SealKey key(PageCipher::Make(SealHeader::Fresh(KeySource::Engine), {}));
  const std::string sealed = path + ".sealing";
  {
    sqlite3* handle = nullptr;
    // Read-write, so that SQLite plays back a journal the last session left.
    int rc = sqlite3_open_v2(MakeUri(path, true, false).c_str(), &handle,
                             SQLITE_OPEN_URI | SQLITE_OPEN_READWRITE, VfsName());
    std::unique_ptr<sqlite3, DbCloser> source(handle);
    if (rc != SQLITE_OK) Raise(err::kNotADatabase, "nrxEngine.Database", path);
    CopySealed(source.get(), sealed, key);
  }
  PutInPlace(sealed, path);
  return true;
}

}  // namespace nrx::files
