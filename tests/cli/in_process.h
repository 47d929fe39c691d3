#pragma once
// Runs one of njb's commands inside the test's own process and keeps what it wrote.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "commands.h"
#include "nrxJobDb/errors.h"
#include "nrxJobDb/message_box.h"
#include "support/test_support.h"

namespace nrx::test {

// A stream into memory for a command's output. The message boxes a command set up print to it,
// so they go back to the terminal service when it closes.
class CapturedOutput {
 public:
  CapturedOutput() : file_(::open_memstream(&data_, &size_)) {}
  ~CapturedOutput() {
    SetMessageBoxService(nullptr);
    std::fclose(file_);
    std::free(data_);
  }
  CapturedOutput(const CapturedOutput&) = delete;
  CapturedOutput& operator=(const CapturedOutput&) = delete;

  // The context of a run without a terminal: questions not answered by --yes or --no are closed
  // as a window is.
  njb::Context Context() const { return {file_, false}; }
  std::string Text() {
    std::fflush(file_);
    return std::string(data_, size_);
  }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* file_;
};

// Runs a command to its end; its errors pass through to the caller.
template <class Options>
CommandResult RunInProcess(int (*run)(const Options&, const njb::Context&),
                           const Options& options) {
  CapturedOutput out;
  const int code = run(options, out.Context());
  return {code, out.Text()};
}

// The error `run` raised; a test failure, and an error numbered 0, when it raised none.
template <class Run>
Error ErrorOf(Run&& run) {
  try {
    run();
  } catch (const Error& e) {
    return e;
  }
  ADD_FAILURE() << "no error was raised";
  return Error(0, "", "");
}

}  // namespace nrx::test

#define EXPECT_CONTAINS(text, part) \
  EXPECT_NE(std::string::npos, (text).find(part)) << "missing \"" << (part) << "\" in:\n" << (text)
