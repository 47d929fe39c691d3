// Backups under failure or a kill at any step of the rotation, or a copy failing half-way: the job
// and its last good backup stay readable, and no half-written file takes a job's name.

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "lifecycle_fixture.h"

namespace nrx {
namespace {

namespace fs = std::filesystem;

// Runs `at_step` just before the n-th rename or deletion (the first is 1).
class AtStep : public lifecycle::DiskJobFiles {
 public:
  AtStep(int step, std::function<void()> at_step) : step_(step), at_step_(std::move(at_step)) {}
  void Rename(const std::string& source, const std::string& destination) override {
    Step();
    DiskJobFiles::Rename(source, destination);
  }
  void Remove(const std::string& path) override {
    Step();
    DiskJobFiles::Remove(path);
  }
  bool Reached() const { return count_ >= step_; }

 private:
  void Step() {
    if (++count_ == step_) at_step_();
  }
  int step_;
  int count_ = 0;
  std::function<void()> at_step_;
};

const test::PointRecords kSaved{{1, "A"}, {2, "B"}, {3, "C"}};
const test::PointRecords kOpened{{1, "A"}, {2, "B"}};  // the temporary copy
const test::PointRecords kFirst{{1, "A"}};             // the first backup before the save
const test::PointRecords kSecond{{0, "Z"}};

class BackupFaults : public test::LifecycleTest {
 protected:
  // A saved job "site.njb" in `folder` with both backups, the first `firstAge` hours older than
  // the job (over 24: the second goes; 2 to 24: the first goes), and the copy taken at opening.
  void Arrange(const std::string& folder, int firstAge, const std::string& tempFolder = "") {
    fs::create_directories(Path(folder));
    job_ = Path(folder + "/site.njb");
    MakeJob(job_, kSaved);
    MakeJob(job_ + ".bak1", kFirst);
    MakeJob(job_ + ".bak2", kSecond);
    const std::string temp = (tempFolder.empty() ? Path(folder) : tempFolder) + "/opened.tmp";
    MakeJob(temp, kOpened);
    general_->SetTempCopyName(temp);
    const auto now = fs::last_write_time(job_);
    fs::last_write_time(job_ + ".bak1", now - std::chrono::hours(firstAge));
  }

  void Backup() { procs_->BackupJobDB(job_, general_, false); }

  // The job is whole, every backup is whole, one is the last good one, and nothing is partial.
  void ExpectJobAndLastGoodBackup() {
    EXPECT_EQ(kSaved, PointsIn(job_));
    bool last_good = false;
    for (const std::string& name : {job_ + ".bak1", job_ + ".bak1.new", job_ + ".bak2"}) {
      if (!Exists(name)) continue;
      test::PointRecords rows;
      EXPECT_NO_THROW(rows = PointsIn(name)) << name;
      last_good = last_good || rows == kFirst || rows == kOpened;
    }
    EXPECT_TRUE(last_good);
    for (const auto& entry : fs::directory_iterator(fs::path(job_).parent_path())) {
      EXPECT_FALSE(entry.path().string().ends_with(".partial")) << entry.path();
    }
  }

  // Arranges a job for each step of both rotations and runs `fault` on it, until it says the
  // backup ran through; then checks what is left.
  void AtEveryStep(const std::string& name, const std::function<bool(int step)>& fault) {
    for (const int age : {30, 5}) {
      for (int step = 1;; ++step) {
        const std::string folder = name + std::to_string(age) + "-" + std::to_string(step);
        SCOPED_TRACE(folder);
        Arrange(folder, age);
        const bool finished = fault(step);
        lifecycle::SetJobFiles(nullptr);
        ExpectJobAndLastGoodBackup();
        if (finished) break;
      }
    }
  }

  std::string job_;
};

TEST_F(BackupFaults, AFailureAtAnyStepKeepsTheJobAndItsLastGoodBackup) {
  AtEveryStep("fail", [&](int step) {
    auto files = std::make_shared<AtStep>(
        step, [] { throw Error(err::kPathAccess, "test", "The disk said no."); });
    lifecycle::SetJobFiles(files);
    try {
      Backup();
    } catch (const Error&) {  // a failed deletion is raised; a failed rename is told in a box
    }
    return !files->Reached();
  });
}

// Limits the size of files this process writes, so that a copy fails half-way as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    previous_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, previous_);
  }

 private:
  rlimit old_{};
  sighandler_t previous_;
};

TEST_F(BackupFaults, ACopyThatStopsHalfWayLeavesNoPartOfItAnywhere) {
  // The temporary copy on another file system, so the backup's move is a copy.
  struct stat shm {};
  struct stat here {};
  const std::string shm_folder = "/dev/shm/nrxjobdb-" + std::to_string(::getpid());
  const bool across = ::stat("/dev/shm", &shm) == 0 && ::stat(Dir().c_str(), &here) == 0 &&
                      shm.st_dev != here.st_dev && fs::create_directories(shm_folder);
  Arrange("job", 30, across ? shm_folder : "");
  {
    FileSizeLimit limit(1024);
    EXPECT_NO_THROW(Backup());  // told in a message box
    // The ".old" copy before a version update, over an older one of that name.
    test::WriteFile(job_ + ".old", "an older copy");
    EXPECT_NRX_ERROR(err::kPathAccess,
                     model::FileUtility::Instance().CopyFile(job_, job_ + ".old"));
  }
  if (across) {
    EXPECT_FALSE(Exists(job_ + ".bak1"));
    EXPECT_EQ(kOpened, PointsIn(general_->TempCopyName()));
  }
  EXPECT_EQ("an older copy", test::ReadFile(job_ + ".old"));
  ExpectJobAndLastGoodBackup();
  fs::remove_all(shm_folder);
}

// Runs `work` in a child killed once it writes to `ready`; true when the child finished first.
bool RunKilled(const std::function<void(int ready)>& work) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return true;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_fds[0]);
    work(pipe_fds[1]);
    const char done = 'd';
    [[maybe_unused]] auto written = ::write(pipe_fds[1], &done, 1);
    ::_exit(0);
  }
  ::close(pipe_fds[1]);
  char said = 'd';
  if (::read(pipe_fds[0], &said, 1) != 1) said = 'd';
  ::close(pipe_fds[0]);
  if (said != 'd') ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  return said == 'd';
}

TEST_F(BackupFaults, AProcessKilledAtAnyStepKeepsTheJobAndItsLastGoodBackup) {
  AtEveryStep("kill", [&](int step) {
    return RunKilled([&](int ready) {
      lifecycle::SetJobFiles(std::make_shared<AtStep>(step, [ready] {
        const char stopped = 's';
        [[maybe_unused]] auto written = ::write(ready, &stopped, 1);
        ::pause();
      }));
      Backup();
    });
  });
}

}  // namespace
}  // namespace nrx
