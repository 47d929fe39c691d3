#include "support/test_support.h"

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace nrx::test {

void TempDirTest::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name)
    if (c == '/') c = '_';
  dir_ = std::filesystem::temp_directory_path() / "nrxjobdb-tests" / name;
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(dir_);
}

void TempDirTest::TearDown() {
  std::error_code ec;
  if (!HasFailure()) std::filesystem::remove_all(dir_, ec);
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

}  // namespace nrx::test
