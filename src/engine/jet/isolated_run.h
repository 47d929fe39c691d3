#pragma once
// Runs work in a child process of its own, so that a reader meeting a damaged file can fail
// however it fails (a crash, an endless loop, text on the standard streams) without harming
// the caller: the child's lines come back one by one, and its failure as an nrx::Error.

#include <functional>
#include <string>
#include <string_view>

namespace nrx::detail::jet {

// The child's end: one line of text at a time (no line breaks inside).
class ChildLines {
 public:
  explicit ChildLines(int fd) : fd_(fd) {}
  void Send(std::string_view line);

 private:
  int fd_;
};

// Calls `work` in the child and `receive` in the caller for each line the child sends. An
// nrx::Error in the child reaches the caller with its number and description; a child that
// dies, or sends nothing for `quietSeconds`, raises 3049 with `what` in the description.
void RunIsolated(const std::function<void(ChildLines&)>& work,
                 const std::function<void(std::string_view)>& receive, const std::string& what,
                 int quietSeconds);

}  // namespace nrx::detail::jet
