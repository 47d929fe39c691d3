#include "progress_bar.h"

#include <fmt/format.h>

namespace njb {
namespace {

constexpr int kWidth = 40;

}  // namespace

ProgressBar::ProgressBar(std::FILE* out, bool terminal, std::string label, std::size_t total,
                         std::size_t shownFrom)
    : out_(out), shown_(terminal && total >= shownFrom), label_(std::move(label)), total_(total) {
  if (shown_) Draw(0);
}

ProgressBar::~ProgressBar() {
  if (!shown_) return;
  fmt::print(out_, "\r{:{}}\r", "", label_.size() + kWidth + 24);
  std::fflush(out_);
}

void ProgressBar::Step() {
  ++done_;
  if (!shown_) return;
  const int percent = static_cast<int>(done_ * 100 / total_);
  if (percent != percent_) Draw(percent);
}

void ProgressBar::Draw(int percent) {
  percent_ = percent;
  const int filled = percent * kWidth / 100;
  fmt::print(out_, "\r{} [{:#<{}}{:<{}}] {:3}% {}/{}", label_, "", filled, "", kWidth - filled,
             percent, done_, total_);
  std::fflush(out_);
}

}  // namespace njb
