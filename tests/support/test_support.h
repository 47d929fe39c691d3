#pragma once
// What every test binary shares: a fresh folder per test, whole-file reads and writes, an
// environment variable set for one test, a child process that holds something until released,
// work done without the superuser's right to read and write every file, and checks for the
// error number (and source) of an expression.

#include <gtest/gtest.h>
#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "nrxJobDb/errors.h"

namespace nrx::test {

class ScopedEnv;

// Gives each test its own empty folder, named after the test inside a folder of this process's
// own (two runs at once never share one), removed afterwards unless the test failed. The user's
// data and configuration folders (XDG_DATA_HOME, XDG_CONFIG_HOME) point into it meanwhile, so no
// test reaches the real trash or registry.
class TempDirTest : public ::testing::Test {
 protected:
  TempDirTest();
  ~TempDirTest() override;
  void SetUp() override;
  void TearDown() override;
  // A path inside the test's folder.
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  const std::filesystem::path& Dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
  std::unique_ptr<ScopedEnv> data_home_;
  std::unique_ptr<ScopedEnv> config_home_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// Sets an environment variable until destroyed, then puts back what was there.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

// Runs `work` in a forked child, which then keeps what it made (a lock, an open job, a pending
// transaction) until Release() or the destructor lets it exit, or Kill() ends it.
class ChildProcess {
 public:
  explicit ChildProcess(const std::function<void()>& work);
  ~ChildProcess() { Release(); }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Whether `work` returned without throwing.
  bool Worked() const { return worked_; }
  void Release();
  void Kill();

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool worked_ = false;
};

// Runs `work` in a forked child that has given up the superuser's rights to read, write and
// change any file, so checks of permissions mean the same under root as under any user; returns
// what `work` returned (0..255), or -1 when the child failed.
int WithoutFileOverride(const std::function<int()>& work);

// Makes the engine take every path under `prefix` for one on the file system of type `type`
// (0x6969 NFS, 0xEF53 a local disk; 0 ends the pretence).
void PretendFileSystemType(const std::string& prefix, long type);

// A child process holding the engine's lock on an existing file, shared or exclusive.
std::unique_ptr<ChildProcess> LockInChild(const std::string& path, bool exclusive);

// Runs `sql` on the unencrypted job file `path` through SQLite itself, behind the engine's back:
// how a test stores what the engine would refuse, or takes away what it still holds. A statement
// that SQLite refuses fails the test.
void ExecuteBehindEngine(const std::string& path, const std::string& sql);

// Runs a command line through /bin/sh and returns its exit code and output (stdout + stderr).
struct CommandResult {
  int exit_code;
  std::string output;
};
CommandResult RunCommand(const std::string& command);

}  // namespace nrx::test

// Expects `expr` to throw nrx::Error with the given number.
#define EXPECT_NRX_ERROR(number, expr)                                  \
  do {                                                                  \
    try {                                                               \
      expr;                                                             \
      ADD_FAILURE() << "expected error " << (number) << " from " #expr; \
    } catch (const ::nrx::Error& e_) {                                  \
      EXPECT_EQ((number), e_.Number()) << #expr << ": " << e_.what();   \
    }                                                                   \
  } while (0)

// Expects `expr` to fail with `number`, passed on by the component's member `label` as its
// error convention does: the label as the source and no description of its own.
#define EXPECT_PASSED_ON(number, label, expr)                           \
  do {                                                                  \
    try {                                                               \
      expr;                                                             \
      ADD_FAILURE() << "expected error " << (number) << " from " #expr; \
    } catch (const ::nrx::Error& e_) {                                  \
      EXPECT_EQ((number), e_.Number()) << e_.what();                    \
      EXPECT_EQ(std::string(label), e_.Source());                       \
      EXPECT_TRUE(e_.Description().empty()) << e_.Description();        \
    }                                                                   \
  } while (0)
