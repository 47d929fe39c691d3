#include "password.h"

#include <termios.h>
#include <unistd.h>

#include <fstream>
#include <iostream>

#include "nrxJobDb/engine.h"
#include "nrxJobDb/errors.h"

namespace njb {
namespace {

constexpr std::string_view kSource = "njb";
constexpr int kFileNotFound = 53;

// Puts the terminal's echo back however the prompt ends.
class EchoOff {
 public:
  EchoOff() {
    if (tcgetattr(STDIN_FILENO, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    active_ = tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
  }
  ~EchoOff() {
    if (active_) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  termios saved_{};
  bool active_ = false;
};

// Sets the engine's default password for as long as it lives.
class DefaultPassword {
 public:
  explicit DefaultPassword(std::string password) {
    nrx::DBEngine::Instance().SetDefaultPassword(std::move(password));
  }
  ~DefaultPassword() { nrx::DBEngine::Instance().SetDefaultPassword({}); }
  DefaultPassword(const DefaultPassword&) = delete;
  DefaultPassword& operator=(const DefaultPassword&) = delete;
};

}  // namespace

void AddPasswordOption(CLI::App& cmd, PasswordOptions& options) {
  cmd.add_option("--password-file", options.file,
                 "Read the job's password from the first line of this file (on a terminal, "
                 "njb asks for it when the job has one)");
}

std::string ReadPasswordFile(const std::string& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || (!std::getline(in, line) && !in.eof()))
    nrx::RaiseText(kFileNotFound, kSource, "The password file cannot be read: '" + file + "'.");
  if (line.ends_with('\r')) line.pop_back();
  return line;
}

std::optional<std::string> PromptPassword(const std::string& prompt) {
  if (!::isatty(STDIN_FILENO)) return std::nullopt;
  std::cerr << prompt << std::flush;
  std::string line;
  {
    EchoOff quiet;
    std::getline(std::cin, line);
  }
  std::cerr << '\n';
  return line;
}

int RunWithPassword(const PasswordOptions& options, const Context& context,
                    const std::function<int()>& run) {
  if (!options.file.empty()) {
    DefaultPassword password(ReadPasswordFile(options.file));
    return run();
  }
  try {
    return run();
  } catch (const nrx::Error& e) {
    if (e.Number() != nrx::err::kNotValidPassword || !context.terminal) throw;
    std::optional<std::string> typed = PromptPassword("Password of the job: ");
    if (!typed) throw;
    DefaultPassword password(std::move(*typed));
    return run();
  }
}

}  // namespace njb
