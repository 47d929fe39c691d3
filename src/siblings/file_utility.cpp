#include "nrxJobDb/file_utility.h"

#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "nrxJobDb/engine.h"
#include "nrxJobDb/errors.h"
#include "siblings/file_utility_atomic.h"

namespace nrx::model {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kSource = "nrxModel.FileUtility";

bool Writable(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }

// A journal left beside a job by a writer that died holds the pages that restore the file to
// its last commit; the file alone may hold half a transaction. Opening the job through the
// engine rolls the journal back, so the copy is of the committed job.
void SettleJournal(const std::string& path) {
  std::error_code ec;
  auto size = fs::file_size(path + "-journal", ec);
  if (ec || size == 0 || IsFileHeld(path)) return;
  try {
    DBEngine::Instance().Workspaces(0)->OpenDatabase(path)->Close();
  } catch (const Error&) {
    // A file the engine cannot open is copied as it stands; opening the copy will say why.
  }
}

}  // namespace

FileUtility& FileUtility::Instance() {
  static FileUtility utility;
  return utility;
}

bool FileUtility::FileExists(const std::string& path, std::int32_t& attributes) const {
  const std::int32_t accepted = attributes;
  attributes = 0;
  if (path.empty()) return false;
  std::error_code ec;
  fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) return false;
  if (fs::is_directory(status)) {
    if ((accepted & kAttrDirectory) == 0) return false;
    attributes = kAttrDirectory;
    return true;
  }
  attributes = Writable(path) ? 0 : kAttrReadOnly;
  return true;
}

bool FileUtility::FileExists(const std::string& path) const {
  std::int32_t attributes = 0;
  return FileExists(path, attributes);
}

std::string FileUtility::SplitPath(const std::string& fullPath, std::string& drive,
                                   std::string& folder, std::string& extension) const {
  fs::path path(fullPath);
  drive = path.root_path().string();
  folder = path.relative_path().parent_path().string();
  if (!folder.empty()) folder += '/';
  extension = path.extension().string();
  return path.stem().string();
}

void FileUtility::CopyFile(const std::string& source, const std::string& destination) const {
  std::error_code ec;
  if (source.empty() || !fs::exists(source, ec)) Raise(err::kFileNotFound, kSource, source);
  // Asked first: the lock queries below open the file, and opening a FIFO waits for a writer.
  RefuseSpecialFile(source, kSource);
  RefuseSpecialFile(destination, kSource);
  // A job open exclusively here or in another process must not be read behind the engine's
  // back, and a job open at all must not be overwritten.
  if (IsFileHeldExclusively(source)) Raise(err::kPermissionDenied, kSource, source);
  if (IsFileHeld(destination)) Raise(err::kPermissionDenied, kSource, destination);
  SettleJournal(source);
  CopyWhole(source, destination, kSource);
}

void FileUtility::FlushFolderOf(const std::string& path) const { SyncFolderOf(path); }

}  // namespace nrx::model
