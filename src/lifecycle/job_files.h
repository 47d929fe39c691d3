#pragma once
// The file operations that opening, closing and backing up a job make on job files, behind one
// small interface, so a test can put a failing rename or copy in their way.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace nrx::lifecycle {

class JobFiles {
 public:
  virtual ~JobFiles() = default;

  // Copies `source` over `destination`: the file utility's copy, which raises 70 when the
  // source is held exclusively by an engine database (a job open here or elsewhere).
  virtual void Copy(const std::string& source, const std::string& destination) = 0;
  // Renames a file. Raises 58 when `destination` exists, 53 when `source` does not, 70 when
  // `source` is held by an engine database or may not be moved, 75 for any other failure.
  virtual void Rename(const std::string& source, const std::string& destination) = 0;
  // Deletes a file. Raises 53 when it does not exist, 70 when it is held by an engine database
  // or may not be deleted, 75 for any other failure.
  virtual void Remove(const std::string& path) = 0;
  // The file's modification time. Raises 53 when it cannot be read.
  virtual std::filesystem::file_time_type LastWriteTime(const std::string& path) = 0;
  // Whether a file is there, with the file utility's attributes: 0 for one this process may
  // write, kAttrReadOnly for one it may not.
  virtual bool Exists(const std::string& path, std::int32_t& attributes) = 0;
};

// The operations on the real file system.
class DiskJobFiles : public JobFiles {
 public:
  void Copy(const std::string& source, const std::string& destination) override;
  void Rename(const std::string& source, const std::string& destination) override;
  void Remove(const std::string& path) override;
  std::filesystem::file_time_type LastWriteTime(const std::string& path) override;
  bool Exists(const std::string& path, std::int32_t& attributes) override;
};

// The operations the lifecycle members use: the disk until a test sets others.
JobFiles& CurrentJobFiles();
// Makes `files` the current operations and returns the ones it replaces; nullptr goes back to
// the disk.
std::shared_ptr<JobFiles> SetJobFiles(std::shared_ptr<JobFiles> files);

}  // namespace nrx::lifecycle
