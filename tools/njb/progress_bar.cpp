#include "progress_bar.h"

#include <fmt/format.h>

#include <algorithm>
#include <memory>

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
  const int percent = total_ == 0 ? 100 : static_cast<int>(std::min(done_, total_) * 100 / total_);
  if (percent != percent_) Draw(percent);
}

void ProgressBar::Reach(std::size_t done) {
  if (done <= done_) return;
  done_ = done - 1;
  Step();
}

std::function<void(std::size_t, std::size_t)> ProgressCallback(std::FILE* out, bool terminal,
                                                              std::string label) {
  if (!terminal) return nullptr;
  auto bar = std::make_shared<std::unique_ptr<ProgressBar>>();
  return [out, bar, label = std::move(label)](std::size_t done, std::size_t total) {
    if (!*bar) *bar = std::make_unique<ProgressBar>(out, true, label, total, 0);
    (*bar)->Reach(done);
    if (done >= total) bar->reset();
  };
}

void ProgressBar::Draw(int percent) {
  percent_ = percent;
  const int filled = percent * kWidth / 100;
  fmt::print(out_, "\r{} [{:#<{}}{:<{}}] {:3}% {}/{}", label_, "", filled, "", kWidth - filled,
             percent, done_, total_);
  std::fflush(out_);
}

}  // namespace njb
