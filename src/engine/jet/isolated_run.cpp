#include "engine/jet/isolated_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "nrxJobDb/errors.h"

namespace nrx::detail::jet {
namespace {

constexpr std::string_view kSource = "nrxEngine.DBEngine";
constexpr char kErrorMark = '\x01';  // begins the line that carries the child's error

void WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) _exit(3);  // the caller is gone: nothing is left to tell
    data.remove_prefix(static_cast<size_t>(n));
  }
}

[[noreturn]] void RunChild(const std::function<void(ChildLines&)>& work, int fd) {
  // Whatever the reader prints goes nowhere: no library writes to the standard streams.
  int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null >= 0) {
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
  }
  ChildLines lines(fd);
  int status = 0;
  try {
    work(lines);
  } catch (const Error& e) {
    lines.Send(std::string(1, kErrorMark) + std::to_string(e.Number()) + "\t" + e.Description());
    status = 1;
  } catch (const std::exception& e) {
    lines.Send(std::string(1, kErrorMark) + std::to_string(err::kNotADatabase) + "\t" + e.what());
    status = 1;
  }
  // No destructors, no atexit handlers: they belong to the caller's process.
  _exit(status);
}

struct ChildError {
  int number;
  std::string description;
};

ChildError ParseError(std::string_view line) {
  line.remove_prefix(1);
  size_t tab = line.find('\t');
  int number = std::atoi(std::string(line.substr(0, tab)).c_str());
  return {number != 0 ? number : err::kNotADatabase,
          tab == std::string_view::npos ? std::string() : std::string(line.substr(tab + 1))};
}

}  // namespace

void ChildLines::Send(std::string_view line) {
  std::string text(line);
  for (char& c : text)
    if (c == '\n') c = ' ';
  text += '\n';
  WriteAll(fd_, text);
}

void RunIsolated(const std::function<void(ChildLines&)>& work,
                 const std::function<void(std::string_view)>& receive, const std::string& what,
                 int quietSeconds) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0)
    RaiseText(err::kDiskError, kSource, what + ": no pipe to a reader (" + std::strerror(errno) + ").");
  pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    RaiseText(err::kOutOfMemory, kSource, what + ": no process for the reader.");
  }
  if (pid == 0) {
    close(fds[0]);
    RunChild(work, fds[1]);
  }
  close(fds[1]);
  std::optional<ChildError> error;
  std::string pending;
  bool silent = false;
  std::optional<Error> receiver_error;
  char buffer[4096];
  for (;;) {
    pollfd p{fds[0], POLLIN, 0};
    int ready = poll(&p, 1, quietSeconds * 1000);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) {
      silent = true;
      kill(pid, SIGKILL);
      break;
    }
    ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    pending.append(buffer, static_cast<size_t>(n));
    size_t eol;
    while ((eol = pending.find('\n')) != std::string::npos) {
      std::string line = pending.substr(0, eol);
      pending.erase(0, eol + 1);
      if (!line.empty() && line[0] == kErrorMark) error = ParseError(line);
      else if (!receiver_error) {
        try {
          receive(line);
        } catch (const Error& e) {
          receiver_error = e;  // stop the child, then report it
          kill(pid, SIGKILL);
        }
      }
    }
  }
  close(fds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (receiver_error) throw *receiver_error;
  if (error) RaiseText(error->number, kSource, error->description);
  if (silent)
    RaiseText(err::kNotADatabase, kSource, what + ": the reader found no end in the file.");
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    RaiseText(err::kNotADatabase, kSource,
              what + ": the reader stopped on a damaged part of the file.");
}

}  // namespace nrx::detail::jet
