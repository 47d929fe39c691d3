#include "support/test_support.h"

#include <linux/capability.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>

#include "engine/file_vfs.h"

namespace nrx::test {

namespace {

std::filesystem::path MakeProcessFolder() {
  std::string pattern = std::filesystem::temp_directory_path() / "nrxjobdb-tests-XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder for tests");
  return pattern;
}

void RemoveProcessFolder();

// This process's folder of test folders, made once; left behind only when it still holds the
// folder of a failed test. The clean-up is registered after the path is made, so it runs
// before the path is destroyed.
const std::filesystem::path& ProcessFolder() {
  static const std::filesystem::path folder = MakeProcessFolder();
  [[maybe_unused]] static const bool cleanup = (std::atexit(RemoveProcessFolder), true);
  return folder;
}

void RemoveProcessFolder() {
  std::error_code ec;
  std::filesystem::remove(ProcessFolder(), ec);  // only when empty
}

}  // namespace

TempDirTest::TempDirTest() = default;
TempDirTest::~TempDirTest() = default;

void TempDirTest::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  dir_ = ProcessFolder() / name;
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(dir_);
  data_home_ = std::make_unique<ScopedEnv>("XDG_DATA_HOME", Path("data"));
  config_home_ = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", Path("config"));
}

void TempDirTest::TearDown() {
  config_home_.reset();
  data_home_.reset();
  std::error_code ec;
  if (!HasFailure()) {
    std::filesystem::remove_all(dir_, ec);
  } else {
    std::cerr << "the failed test's files are kept in " << dir_ << "\n";
  }
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  if (const char* old = std::getenv(name)) saved_ = old;
  ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() { saved_ ? ::setenv(name_, saved_->c_str(), 1) : ::unsetenv(name_); }

ChildProcess::ChildProcess(const std::function<void()>& work) {
  int ready[2];
  int release[2];
  if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
  pid_ = ::fork();
  if (pid_ == 0) {
    ::close(ready[0]);
    ::close(release[1]);
    char ok = 'n';
    try {
      work();
      ok = 'y';
    } catch (...) {
    }
    (void)!::write(ready[1], &ok, 1);
    char done;
    (void)!::read(release[0], &done, 1);  // until the parent closes its end
    ::_exit(0);
  }
  ::close(ready[1]);
  ::close(release[0]);
  release_ = release[1];
  char answer = 'n';
  worked_ = ::read(ready[0], &answer, 1) == 1 && answer == 'y';
  ::close(ready[0]);
}

void ChildProcess::Release() {
  if (release_ >= 0) ::close(release_);
  release_ = -1;
  if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

void ChildProcess::Kill() {
  if (pid_ > 0) ::kill(pid_, SIGKILL);
  Release();
}

namespace {

// Drops the capabilities that let the superuser past a file's permissions, from the permitted
// set too, so that not even access() takes them back.
bool DropFileOverride() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  if (::syscall(SYS_capget, &header, data) != 0) return false;
  for (unsigned cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
    const unsigned bit = 1u << (cap % 32);
    data[cap / 32].effective &= ~bit;
    data[cap / 32].permitted &= ~bit;
    data[cap / 32].inheritable &= ~bit;
  }
  return ::syscall(SYS_capset, &header, data) == 0;
}

}  // namespace

int WithoutFileOverride(const std::function<int()>& work) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    int result = -1;
    try {
      if (DropFileOverride()) result = work();
    } catch (...) {
    }
    ::_exit(result < 0 || result > 255 ? 255 : result);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

std::unique_ptr<ChildProcess> LockInChild(const std::string& path, bool exclusive) {
  std::unique_ptr<files::FileLock> lock;  // the child's copy lives on while it waits
  return std::make_unique<ChildProcess>([&] { lock = files::FileLock::Acquire(path, exclusive); });
}

CommandResult RunCommand(const std::string& command) {
  std::string full = command + " 2>&1";
  FILE* pipe = popen(full.c_str(), "r");
  if (!pipe) return {-1, "popen failed"};
  std::string out;
  std::array<char, 4096> buf{};
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) out.append(buf.data(), n);
  int status = pclose(pipe);
  int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return {code, out};
}

void PretendFileSystemType(const std::string& prefix, long type) {
  files::testing::OverrideFileSystemType(prefix, type);
}

}  // namespace nrx::test
