#pragma once
// A file (or a folder of files) written under a temporary name beside its target and renamed
// to it only when complete, so that a failed export leaves nothing behind.

#include <filesystem>

namespace nrx::exchange {

class StagedOutput {
 public:
  explicit StagedOutput(std::filesystem::path target);
  // Removes what was written under the temporary name unless it was committed.
  ~StagedOutput();
  StagedOutput(StagedOutput&&) noexcept;
  StagedOutput(const StagedOutput&) = delete;
  StagedOutput& operator=(const StagedOutput&) = delete;

  // Beside the target, hidden, with the target's extension (drivers go by it).
  const std::filesystem::path& Temp() const { return temp_; }
  const std::filesystem::path& Target() const { return target_; }
  // Renames the temporary file over the target; raises 75 when it cannot.
  void Commit();

 private:
  std::filesystem::path target_;
  std::filesystem::path temp_;
  bool done_ = false;
};

}  // namespace nrx::exchange
