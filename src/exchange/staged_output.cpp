#include "exchange/staged_output.h"

#include <fmt/format.h>
#include <unistd.h>

#include <atomic>

#include "nrxJobDb/errors.h"

namespace nrx::exchange {
namespace {

namespace fs = std::filesystem;

fs::path TempBeside(const fs::path& target) {
  static std::atomic<int> serial{0};
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  return folder / fmt::format(".{}.tmp-{}-{}{}", target.stem().string(), ::getpid(), ++serial,
                              target.extension().string());
}

}  // namespace

StagedOutput::StagedOutput(fs::path target) : target_(std::move(target)), temp_(TempBeside(target_)) {}

StagedOutput::StagedOutput(StagedOutput&& other) noexcept
    : target_(std::move(other.target_)), temp_(std::move(other.temp_)), done_(other.done_) {
  other.done_ = true;
}

StagedOutput::~StagedOutput() {
  if (done_) return;
  std::error_code ec;
  fs::remove_all(temp_, ec);
}

void StagedOutput::Commit() {
  std::error_code ec;
  fs::rename(temp_, target_, ec);
  if (ec) {
    RaiseText(err::kPathAccess, "nrxExchange.Output",
              fmt::format("Cannot rename {} to {}: {}", temp_.string(), target_.string(),
                          ec.message()));
  }
  done_ = true;
}

}  // namespace nrx::exchange
