#pragma once
// A progress bar for long work on a terminal: one line redrawn in place. Without a terminal,
// or for work too short to need one, it shows nothing, so captured output holds no bar.

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

namespace njb {

class ProgressBar {
 public:
  // Work of `total` steps below `shownFrom` finishes before a bar would be worth seeing.
  ProgressBar(std::FILE* out, bool terminal, std::string label, std::size_t total,
              std::size_t shownFrom = 500);
  // Clears the bar, however the work ended.
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  // One more step done; the line is redrawn when the percentage changes.
  void Step();
  // All of the first `done` steps done.
  void Reach(std::size_t done);

 private:
  void Draw(int percent);

  std::FILE* out_;
  bool shown_;
  std::string label_;
  std::size_t total_;
  std::size_t done_ = 0;
  int percent_ = -1;
};

// For work that counts its own steps and reports (done, total) as it goes: the bar is made at
// the first report, of any size, and cleared once done reaches total.
std::function<void(std::size_t done, std::size_t total)> ProgressCallback(std::FILE* out,
                                                                           bool terminal,
                                                                           std::string label);

}  // namespace njb
