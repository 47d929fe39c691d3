#include "lifecycle/job_files.h"

#include <system_error>

#include "nrxJobDb/engine.h"
#include "nrxJobDb/error_convention.h"
#include "nrxJobDb/errors.h"
#include "nrxJobDb/file_utility.h"

namespace nrx::lifecycle {
namespace {

namespace fs = std::filesystem;

// The number the runtime's own file statements give for a failure of the system call.
[[noreturn]] void RaiseFileError(const std::error_code& ec, const std::string& path) {
  if (ec == std::errc::no_such_file_or_directory)
    Raise(err::kFileNotFound, kRuntimeErrorSource, path);
  if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted ||
      ec == std::errc::device_or_resource_busy || ec == std::errc::read_only_file_system) {
    Raise(err::kPermissionDenied, kRuntimeErrorSource, path);
  }
  Raise(err::kPathAccess, kRuntimeErrorSource, path);
}

// Moving or deleting a file under the engine would leave it writing to a file that is gone.
// Only a regular file can be a database, and asking about the lock of anything else (a FIFO)
// could wait for ever.
void RefuseHeld(const std::string& path) {
  std::error_code ec;
  if (fs::is_regular_file(path, ec) && IsFileHeld(path)) {
    Raise(err::kPermissionDenied, kRuntimeErrorSource, path);
  }
}

// Set by tests before the members run; the component calls it from one thread only.
std::shared_ptr<JobFiles>& CurrentSlot() {
  static std::shared_ptr<JobFiles> current = std::make_shared<DiskJobFiles>();
  return current;
}

// A file on another file system cannot be renamed into place: it is copied whole under a
// hidden name beside the destination and renamed there (the file utility's copy), and only then
// deleted. Killed at any point, the move leaves the destination absent or whole.
void MoveAcross(const std::string& source, const std::string& destination) {
  model::FileUtility::Instance().CopyFile(source, destination);
  std::error_code ec;
  fs::remove(source, ec);
  if (ec) RaiseFileError(ec, source);
}

}  // namespace

void DiskJobFiles::Copy(const std::string& source, const std::string& destination) {
  model::FileUtility::Instance().CopyFile(source, destination);
}

void DiskJobFiles::Rename(const std::string& source, const std::string& destination) {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(source, ec)))
    Raise(err::kFileNotFound, kRuntimeErrorSource, source);
  // A rename never replaces a file: a backup in the way is a decision for the caller.
  if (fs::exists(fs::symlink_status(destination, ec))) {
    Raise(err::kFileExists, kRuntimeErrorSource, destination);
  }
  RefuseHeld(source);
  fs::rename(source, destination, ec);
  if (ec == std::errc::cross_device_link) return MoveAcross(source, destination);
  if (ec) RaiseFileError(ec, source);
  model::FileUtility::Instance().FlushFolderOf(destination);
}

void DiskJobFiles::Remove(const std::string& path) {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(path, ec)))
    Raise(err::kFileNotFound, kRuntimeErrorSource, path);
  RefuseHeld(path);
  fs::remove(path, ec);
  if (ec) RaiseFileError(ec, path);
  model::FileUtility::Instance().FlushFolderOf(path);
}

fs::file_time_type DiskJobFiles::LastWriteTime(const std::string& path) {
  std::error_code ec;
  fs::file_time_type time = fs::last_write_time(path, ec);
  if (ec) Raise(err::kFileNotFound, kRuntimeErrorSource, path);
  return time;
}

bool DiskJobFiles::Exists(const std::string& path, std::int32_t& attributes) {
  return model::FileUtility::Instance().FileExists(path, attributes);
}

JobFiles& CurrentJobFiles() { return *CurrentSlot(); }

std::shared_ptr<JobFiles> SetJobFiles(std::shared_ptr<JobFiles> files) {
  std::shared_ptr<JobFiles> previous = std::move(CurrentSlot());
  CurrentSlot() = files ? std::move(files) : std::make_shared<DiskJobFiles>();
  return previous;
}

}  // namespace nrx::lifecycle
