#pragma once
// Counts the features written and tells the caller now and then.

#include <cstddef>
#include <functional>

namespace nrx::exchange {

class Progress {
 public:
  Progress(std::function<void(std::size_t, std::size_t)> report, std::size_t total)
      : report_(std::move(report)), total_(total) {}

  void Step() {
    if (++done_ % 1000 == 0 && report_) report_(done_, total_);
  }
  void Finish() {
    if (report_) report_(total_, total_);
  }

 private:
  std::function<void(std::size_t, std::size_t)> report_;
  std::size_t total_;
  std::size_t done_ = 0;
};

}  // namespace nrx::exchange
