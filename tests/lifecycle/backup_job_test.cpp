// cJobProcs::BackupJobDB: backup names, rotation by clock hours, the recycle bin, failed renames.

#include "lifecycle/backup_names.h"
#include "lifecycle_fixture.h"

namespace nrx {
namespace {

using lifecycle::BackupBase;
using lifecycle::ClockHoursBetween;

class BackupJob : public test::LifecycleTest {
 protected:
  // A job "site.njb" in `folder`, last written on 10 July at 11:01, with its temporary copy.
  void Arrange(const std::string& folder = "job") {
    std::filesystem::create_directories(Path(folder));
    job_file_ = Path(folder + "/site.njb");
    temp_ = Path(folder + "/opened.tmp");
    test::WriteFile(job_file_, "job");
    MakeJob(temp_, {{1, "OPENED"}});
    opened_ = test::ReadFile(temp_);
    Stamp(job_file_, 10, 11, 1);
    general_->SetTempCopyName(temp_);
  }
  // "opened" for the temporary copy taken at Arrange, wherever it went; else the file's text.
  std::string What(const std::string& path) const {
    const std::string text = test::ReadFile(path);
    return text == opened_ ? "opened" : text;
  }
  static void Stamp(const std::string& path, int day, int hour, int minute) {
    std::filesystem::last_write_time(path, July2024(day, hour, minute));
  }
  std::string Bak1() const { return job_file_ + ".bak1"; }
  std::string Bak2() const { return job_file_ + ".bak2"; }

  void Backup(bool toRecycleBin = false) { procs_->BackupJobDB(job_file_, general_, toRecycleBin); }

  std::string job_file_;
  std::string temp_;
  std::string opened_;
};

TEST_F(BackupJob, NamesComeFromTheJobsNameAndHoursFromWholeClockHours) {
  EXPECT_EQ("/jobs/site.v2", BackupBase("/jobs/site.v2.NJB"));
  EXPECT_EQ("/home/j.doe/site", BackupBase("/home/j.doe/site"));  // a folder's point is no end
  EXPECT_EQ("/jobs.njb/site", BackupBase("/jobs.njb/site.njb"));
  const lifecycle::BackupNames names = lifecycle::BackupNamesFor("/jobs/site.njb");
  EXPECT_EQ("/jobs/site.njb.bak2", names.second);
  EXPECT_EQ("/jobs/site.~02", names.old_second);

  EXPECT_EQ(1, ClockHoursBetween(July2024(10, 10, 59), July2024(10, 11, 1)));
  EXPECT_EQ(0, ClockHoursBetween(July2024(10, 11, 0), July2024(10, 11, 59)));
  EXPECT_EQ(-2, ClockHoursBetween(July2024(10, 12, 30), July2024(10, 10, 0)));
}

TEST_F(BackupJob, NothingHappensWithoutTheJobOrItsTemporaryCopy) {
  Arrange();
  test::WriteFile(Path("job/site.~01"), "old1");
  std::filesystem::remove(temp_);
  Backup();
  MakeJob(temp_, {});
  std::filesystem::remove(job_file_);
  Backup();
  EXPECT_TRUE(Exists(Path("job/site.~01")) && Exists(temp_));
  EXPECT_FALSE(Exists(Bak1()));
}

TEST_F(BackupJob, ACopyThatIsNoJobNeverPushesOutABackup) {
  int n = 0;
  for (const std::string& copy : {std::string("plain text"), std::string()}) {
    Arrange("nojob" + std::to_string(++n));
    test::WriteFile(temp_, copy);
    test::WriteFile(Bak1(), "bak1");
    test::WriteFile(Bak2(), "bak2");
    Stamp(Bak1(), 9, 5, 0);  // 30 hours: a rotation would discard the second backup
    EXPECT_NRX_ERROR(err::kNotADatabase, Backup());
    EXPECT_EQ("bak1", What(Bak1()));
    EXPECT_EQ("bak2", What(Bak2()));
  }
}

TEST_F(BackupJob, BackupsOfTheOlderSchemeTakeTheCurrentNames) {
  Arrange();
  test::WriteFile(Path("job/site.~01"), "old1");
  test::WriteFile(Path("job/site.~02"), "old2");
  Stamp(Path("job/site.~01"), 10, 10, 30);
  Backup();
  EXPECT_EQ("old1", What(Bak1()));
  EXPECT_EQ("old2", What(Bak2()));
  EXPECT_FALSE(Exists(Path("job/site.~01")));
  EXPECT_FALSE(Exists(Path("job/site.~02")));
  EXPECT_TRUE(Exists(temp_));  // the first backup is from within the hour

  // A current backup is never replaced by one of the older scheme.
  test::WriteFile(Path("job/site.~01"), "older");
  Backup();
  EXPECT_EQ("old1", What(Bak1()));
  EXPECT_TRUE(Exists(Path("job/site.~01")));
}

TEST_F(BackupJob, RotationFollowsTheHoursFromTheFirstBackupToTheJob) {
  struct Case {
    const char* name;
    int day, hour, minute;  // the first backup's time; the job's is the 10th at 11:01
    bool second_backup;
    const char* bak1;  // contents afterwards
    const char* bak2;
    bool temp_stays;
  };
  const Case cases[] = {
      {"25 hours", 9, 10, 30, false, "opened", "bak1", false},
      {"24 hours", 9, 11, 50, true, "opened", "bak2", false},
      {"5 hours, no second", 10, 6, 0, false, "opened", "bak1", false},
      {"2 hours", 10, 9, 59, true, "opened", "bak2", false},
      {"10:59 to 11:01", 10, 10, 59, true, "bak1", "bak2", true},
      {"newer than the job", 10, 14, 0, true, "bak1", "bak2", true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Arrange("case" + std::to_string(++n));
    test::WriteFile(Bak1(), "bak1");
    if (c.second_backup) test::WriteFile(Bak2(), "bak2");
    Stamp(Bak1(), c.day, c.hour, c.minute);
    Backup();
    EXPECT_EQ(c.bak1, What(Bak1()));
    EXPECT_EQ(c.bak2, What(Bak2()));
    EXPECT_EQ(c.temp_stays, Exists(temp_));
  }
}

TEST_F(BackupJob, DiscardedBackupsGoToTheRecycleBinOrAreDeletedWhenItRefuses) {
  test::WriteFile(Path("blocked"), "a file where the first recycle bin's folder would be");
  for (const std::string bin : {"blocked/data", "data"}) {
    SCOPED_TRACE(bin);
    ::setenv("XDG_DATA_HOME", Path(bin).c_str(), 1);
    Arrange(bin == "data" ? "taken" : "refused");
    test::WriteFile(Bak1(), "bak1");
    test::WriteFile(Bak2(), "bak2");
    Stamp(Bak1(), 9, 5, 0);  // 30 hours: the second backup goes
    Backup(true);
    EXPECT_EQ("opened", What(Bak1()));
    EXPECT_EQ("bak1", What(Bak2()));
    EXPECT_TRUE(boxes_->Calls().empty());
    EXPECT_EQ(bin == "data", Exists(Path("data/Trash")));
  }
  EXPECT_EQ("bak2", What(Path("data/Trash/files/site.njb.bak2")));
  EXPECT_TRUE(Exists(Path("data/Trash/info/site.njb.bak2.trashinfo")));
}

TEST_F(BackupJob, AFailedRenameTellsItsStepAndEndsWithoutAnError) {
  struct Case {
    bool old_first, old_second, first_backup;
    std::string failing;  // destination whose rename fails, relative to the job
    std::string step;     // what the message says was renamed; STEP is the case's folder
  };
  const Case cases[] = {
      {true, true, false, ".bak1", "old database backup STEP/site.~01 as STEP/site.njb.bak1"},
      {false, true, false, ".bak2", "old database backup STEP/site.~02 as STEP/site.njb.bak2"},
      {false, false, true, ".bak2", "database backup STEP/site.njb.bak1 as STEP/site.njb.bak2"},
      {false, false, false, ".bak1", "database STEP/site.njb as STEP/site.njb.bak1"},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string folder = "marker" + std::to_string(++n);
    SCOPED_TRACE(folder);
    Arrange(folder);
    const std::string base = Path(folder + "/site");
    if (c.old_first) test::WriteFile(base + ".~01", "old1");
    if (c.old_second) test::WriteFile(base + ".~02", "old2");
    if (c.first_backup) {
      test::WriteFile(Bak1(), "bak1");
      Stamp(Bak1(), 9, 5, 0);
    }
    lifecycle::SetJobFiles(std::make_shared<test::FailingRename>(job_file_ + c.failing));
    ErrorStack::Instance().Record("earlier", "an earlier failure");
    boxes_->ClearCalls();
    EXPECT_NO_THROW(Backup());
    std::string step = c.step;
    for (std::size_t at; (at = step.find("STEP")) != std::string::npos;) {
      step.replace(at, 4, Path(folder));
    }
    ExpectOneBox("Failed to rename " + step +
                 "\r\nReason - Permission denied: the file system said no.\r\n\r\n"
                 "Cannot backup current job " +
                 job_file_ + "\r\n");
    EXPECT_EQ(0u, ErrorStack::Instance().Count());
    EXPECT_TRUE(Exists(temp_));  // no later step ran
    if (c.old_first) {
      EXPECT_TRUE(Exists(base + ".~02"));
    }
  }
}

}  // namespace
}  // namespace nrx
