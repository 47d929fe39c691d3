#pragma once
// What the tests of njb's commands share: the test's own folder, with the temporary folder the
// commands copy jobs into (TMPDIR) an empty "tmp" inside it, so a test sees what they leave.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "cli/in_process.h"
#include "support/test_support.h"

namespace nrx::test {

class CommandTest : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    std::filesystem::create_directories(Path("tmp"));
    temp_.emplace("TMPDIR", Path("tmp"));
  }
  void TearDown() override {
    temp_.reset();
    TempDirTest::TearDown();
  }

  bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }
  // No temporary copy of a job is left behind, whatever became of the job.
  bool NoTemporaryCopyLeft() const { return std::filesystem::is_empty(Path("tmp")); }

  // Runs `njb args...` as the command line parses it.
  static CommandResult RunLine(std::vector<std::string> args) {
    args.insert(args.begin(), "njb");
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    CapturedOutput out;
    const int code = njb::RunCommandLine(static_cast<int>(argv.size()), argv.data(), out.Context());
    return {code, out.Text()};
  }

 private:
  std::optional<ScopedEnv> temp_;
};

}  // namespace nrx::test
