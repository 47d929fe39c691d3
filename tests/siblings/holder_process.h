#pragma once
// A child process that holds an engine lock on a file until the test lets it go, so a test can
// meet a job that is open "at another location".

#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "engine/file_vfs.h"

namespace nrx::test {

class HolderProcess {
 public:
  // Returns once the child holds the lock (or has failed to take it: then Holding() is false).
  HolderProcess(const std::string& path, bool exclusive) {
    int ready[2];
    int release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      char ok = 'n';
      try {
        auto lock = files::FileLock::Acquire(path, exclusive);
        ok = 'y';
        (void)!::write(ready[1], &ok, 1);
        char done;
        (void)!::read(release[0], &done, 1);  // until the parent closes its end
      } catch (...) {
        (void)!::write(ready[1], &ok, 1);
      }
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
    char answer = 'n';
    holding_ = ::read(ready[0], &answer, 1) == 1 && answer == 'y';
    ::close(ready[0]);
  }
  ~HolderProcess() {
    if (release_ >= 0) ::close(release_);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
  }
  HolderProcess(const HolderProcess&) = delete;
  HolderProcess& operator=(const HolderProcess&) = delete;

  bool Holding() const { return holding_; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool holding_ = false;
};

}  // namespace nrx::test
