#include "progress_bar.h"

#include <fmt/format.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace njb {
namespace {

constexpr int kWidth = 40;

}  // namespace

ProgressBar::ProgressBar(std::string label, long total, long minimum)
    : label_(std::move(label)),
      total_(total),
      active_(total >= minimum && ::isatty(STDERR_FILENO)) {
  if (active_) Draw(0);
}

ProgressBar::~ProgressBar() {
  if (!active_) return;
  fmt::print(stderr, "\r{:{}}\r", "", label_.size() + kWidth + 8);
  std::fflush(stderr);
}

void ProgressBar::Advance(long steps) {
  done_ += steps;
  if (!active_) return;
  // Redrawn only when the percentage changes: a terminal written to for every record would
  // slow the run down more than the work it shows.
  const int percent = static_cast<int>(std::min(done_, total_) * 100 / total_);
  if (percent != shown_) Draw(percent);
}

void ProgressBar::Draw(int percent) {
  shown_ = percent;
  const int filled = percent * kWidth / 100;
  fmt::print(stderr, "\r{} [{:#<{}}{:<{}}] {:3}%", label_, "", filled, "", kWidth - filled,
             percent);
  std::fflush(stderr);
}

}  // namespace njb
