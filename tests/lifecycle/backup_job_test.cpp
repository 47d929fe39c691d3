// cJobProcs::BackupJobDB: the backup names, the rotation by clock hours, discarding through the
// recycle bin, and the message of a rename that fails.

#include <ctime>

#include "lifecycle/backup_names.h"
#include "lifecycle_fixture.h"

namespace nrx {
namespace {

using lifecycle::BackupBase;
using lifecycle::ClockHoursBetween;

class BackupJob : public test::LifecycleTest {
 protected:
  // A job "site.njb" in `folder` of the test, last written 2024-07-10 at 11:01, with its
  // temporary copy.
  void Arrange(const std::string& folder = "job") {
    std::filesystem::create_directories(Path(folder));
    job_file_ = Path(folder + "/site.njb");
    temp_ = Path(folder + "/opened.tmp");
    Write(job_file_, "job");
    Write(temp_, "opened");
    SetLocalTime(job_file_, 2024, 7, 10, 11, 1);
    general_->SetTempCopyName(temp_);
  }
  std::string Bak1() const { return job_file_ + ".bak1"; }
  std::string Bak2() const { return job_file_ + ".bak2"; }

  void Backup(bool toRecycleBin = false) { procs_->BackupJobDB(job_file_, general_, toRecycleBin); }

  std::string job_file_;
  std::string temp_;
};

TEST_F(BackupJob, BaseNameIsCutAtTheJobExtensionOfTheFileName) {
  EXPECT_EQ("/jobs/site", BackupBase("/jobs/site.njb"));
  EXPECT_EQ("/jobs/site", BackupBase("/jobs/site.NJB"));
  EXPECT_EQ("/jobs/site.v2", BackupBase("/jobs/site.v2.njb"));
  EXPECT_EQ("/jobs/old", BackupBase("/jobs/old.Mdb"));
  EXPECT_EQ("/jobs/site", BackupBase("/jobs/site.dat"));
  // A point in a folder's name is not where the job's name ends.
  EXPECT_EQ("/home/j.doe/site", BackupBase("/home/j.doe/site"));
  EXPECT_EQ("/jobs.njb/site", BackupBase("/jobs.njb/site.njb"));
  const lifecycle::BackupNames names = lifecycle::BackupNamesFor("/jobs/site.njb");
  EXPECT_EQ("/jobs/site.njb.bak1", names.first);
  EXPECT_EQ("/jobs/site.njb.bak2", names.second);
  EXPECT_EQ("/jobs/site.~01", names.old_first);
  EXPECT_EQ("/jobs/site.~02", names.old_second);
}

TEST_F(BackupJob, HoursAreCountedBetweenWholeClockHours) {
  auto at = [](int day, int hour, int minute) {
    std::tm local{};
    local.tm_year = 124;
    local.tm_mon = 6;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_isdst = -1;
    return LocalTime(local);
  };
  EXPECT_EQ(1, ClockHoursBetween(at(10, 10, 59), at(10, 11, 1)));
  EXPECT_EQ(0, ClockHoursBetween(at(10, 11, 0), at(10, 11, 59)));
  EXPECT_EQ(30, ClockHoursBetween(at(9, 6, 0), at(10, 12, 0)));
  EXPECT_EQ(-2, ClockHoursBetween(at(10, 12, 30), at(10, 10, 0)));
}

TEST_F(BackupJob, NothingHappensWithoutTheJobOrItsTemporaryCopy) {
  Arrange();
  Write(Path("job/site.~01"), "old1");
  std::filesystem::remove(temp_);
  Backup();
  EXPECT_TRUE(Exists(Path("job/site.~01")));
  EXPECT_FALSE(Exists(Bak1()));

  Write(temp_, "opened");
  std::filesystem::remove(job_file_);
  Backup();
  EXPECT_TRUE(Exists(Path("job/site.~01")));
  EXPECT_TRUE(Exists(temp_));
  EXPECT_FALSE(Exists(Bak1()));
}

TEST_F(BackupJob, FirstSaveMakesTheTemporaryCopyTheFirstBackup) {
  Arrange();
  Backup();
  EXPECT_EQ("opened", Contents(Bak1()));
  EXPECT_FALSE(Exists(temp_));
  EXPECT_FALSE(Exists(Bak2()));
  EXPECT_TRUE(boxes_->Calls().empty());
}

TEST_F(BackupJob, BackupsOfTheOlderSchemeTakeTheCurrentNames) {
  Arrange();
  Write(Path("job/site.~01"), "old1");
  Write(Path("job/site.~02"), "old2");
  SetLocalTime(Path("job/site.~01"), 2024, 7, 10, 10, 30);
  Backup();
  EXPECT_EQ("old1", Contents(Bak1()));
  EXPECT_EQ("old2", Contents(Bak2()));
  EXPECT_FALSE(Exists(Path("job/site.~01")));
  EXPECT_FALSE(Exists(Path("job/site.~02")));
  // The first backup is from within the hour: it stays, and so does the temporary copy.
  EXPECT_TRUE(Exists(temp_));

  // A current backup is never replaced by one of the older scheme.
  Write(Path("job/site.~01"), "older");
  Backup();
  EXPECT_EQ("old1", Contents(Bak1()));
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
      {"30 hours", 9, 5, 0, true, "opened", "bak1", false},
      {"25 hours", 9, 10, 30, false, "opened", "bak1", false},
      {"24 hours", 9, 11, 50, true, "opened", "bak2", false},
      {"5 hours", 10, 6, 0, true, "opened", "bak2", false},
      {"5 hours, no second", 10, 6, 0, false, "opened", "bak1", false},
      {"2 hours", 10, 9, 59, true, "opened", "bak2", false},
      {"10:59 to 11:01", 10, 10, 59, true, "bak1", "bak2", true},
      {"newer than the job", 10, 14, 0, true, "bak1", "bak2", true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Arrange("case" + std::to_string(++n));
    Write(Bak1(), "bak1");
    if (c.second_backup) Write(Bak2(), "bak2");
    SetLocalTime(Bak1(), 2024, 7, c.day, c.hour, c.minute);
    Backup();
    EXPECT_EQ(c.bak1, Contents(Bak1()));
    EXPECT_EQ(c.bak2, Contents(Bak2()));
    EXPECT_EQ(c.temp_stays, Exists(temp_));
  }
}

TEST_F(BackupJob, DiscardedBackupsGoToTheRecycleBin) {
  Arrange();
  Write(Bak1(), "bak1");
  Write(Bak2(), "bak2");
  SetLocalTime(Bak1(), 2024, 7, 10, 6, 0);
  Backup(true);
  EXPECT_EQ("opened", Contents(Bak1()));
  EXPECT_EQ("bak1", Contents(Path("data/Trash/files/site.njb.bak1")));
  EXPECT_TRUE(Exists(Path("data/Trash/info/site.njb.bak1.trashinfo")));
}

TEST_F(BackupJob, ABackupTheRecycleBinRefusesIsDeleted) {
  Arrange();
  Write(Bak1(), "bak1");
  Write(Bak2(), "bak2");
  SetLocalTime(Bak1(), 2024, 7, 9, 5, 0);
  Write(Path("blocked"), "a file where the trash's folder would be");
  ::setenv("XDG_DATA_HOME", Path("blocked/data").c_str(), 1);
  Backup(true);
  EXPECT_EQ("bak1", Contents(Bak2()));
  EXPECT_EQ("opened", Contents(Bak1()));
  EXPECT_FALSE(Exists(Path("data/Trash")));
  EXPECT_TRUE(boxes_->Calls().empty());
}

TEST_F(BackupJob, AFailedRenameTellsItsStepAndEndsWithoutAnError) {
  struct Case {
    const char* name;
    bool old_first, old_second, first_backup;
    std::string failing;  // destination whose rename fails, relative to the job
    std::string step;     // what the message says was renamed; STEP is the case's folder
  };
  const Case cases[] = {
      {"marker 1", true, true, false, ".bak1",
       "old database backup STEP/site.~01 as STEP/site.njb.bak1"},
      {"marker 2", false, true, false, ".bak2",
       "old database backup STEP/site.~02 as STEP/site.njb.bak2"},
      {"marker 3", false, false, true, ".bak2",
       "database backup STEP/site.njb.bak1 as STEP/site.njb.bak2"},
      {"marker 4", false, false, false, ".bak1", "database STEP/site.njb as STEP/site.njb.bak1"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = "marker" + std::to_string(++n);
    Arrange(folder);
    const std::string base = Path(folder + "/site");
    if (c.old_first) Write(base + ".~01", "old1");
    if (c.old_second) Write(base + ".~02", "old2");
    if (c.first_backup) {
      Write(Bak1(), "bak1");
      SetLocalTime(Bak1(), 2024, 7, 9, 5, 0);
    }
    lifecycle::SetJobFiles(std::make_shared<test::FailingRename>(job_file_ + c.failing));
    ErrorStack::Instance().Record("earlier", "an earlier failure");
    boxes_->ClearCalls();

    EXPECT_NO_THROW(Backup());

    ASSERT_EQ(1u, boxes_->Calls().size());
    const MessageBoxCall& box = boxes_->Calls()[0];
    std::string step = c.step;
    for (std::size_t at; (at = step.find("STEP")) != std::string::npos;) {
      step.replace(at, 4, Path(folder));
    }
    EXPECT_EQ("Failed to rename " + step +
                  "\r\nReason - Permission denied: the file system said no.\r\n\r\n"
                  "Cannot backup current job " +
                  job_file_ + "\r\n",
              box.text);
    EXPECT_EQ("Norvaxa database operations", box.title);
    EXPECT_EQ(MsgButtons::OK, box.buttons);
    EXPECT_EQ(MsgIcon::Exclamation, box.icon);
    EXPECT_EQ(0u, ErrorStack::Instance().Count());
    // No later step ran: the temporary copy is still there.
    EXPECT_TRUE(Exists(temp_));
    if (c.old_first) {
      EXPECT_TRUE(Exists(base + ".~02"));
    }
  }
}

}  // namespace
}  // namespace nrx
