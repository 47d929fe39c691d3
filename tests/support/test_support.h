#pragma once
// Shared fixtures: a fresh folder per test, and a check for the error number of an expression.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "nrxJobDb/errors.h"

namespace nrx::test {

// Gives each test its own empty folder, named after the test, removed afterwards.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A path inside the test's folder.
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  const std::filesystem::path& Dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
};

// Runs a command line through /bin/sh and returns its exit code and output (stdout + stderr).
struct CommandResult {
  int exit_code;
  std::string output;
};
CommandResult RunCommand(const std::string& command);

}  // namespace nrx::test

// Expects `expr` to throw nrx::Error with the given number.
#define EXPECT_NRX_ERROR(number, expr)                                              \
  do {                                                                              \
    try {                                                                           \
      expr;                                                                         \
      ADD_FAILURE() << "expected error " << (number) << " from " #expr;             \
    } catch (const ::nrx::Error& e_) {                                              \
      EXPECT_EQ((number), e_.Number()) << #expr << ": " << e_.what();               \
    }                                                                               \
  } while (0)
