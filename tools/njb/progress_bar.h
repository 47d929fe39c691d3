#pragma once
// A progress bar on stderr for long runs. It is drawn only when stderr is a terminal, so output
// that a script or a test captures never holds it.

#include <string>

namespace njb {

class ProgressBar {
 public:
  // A bar for `total` steps; nothing is drawn when there are fewer than `minimum` or stderr is
  // not a terminal.
  ProgressBar(std::string label, long total, long minimum = 20000);
  // Erases the bar, so what the command prints next starts on a clean line.
  ~ProgressBar();
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  void Advance(long steps = 1);

 private:
  void Draw(int percent);

  std::string label_;
  long total_;
  long done_ = 0;
  int shown_ = -1;  // the percentage drawn last
  bool active_;
};

}  // namespace njb
