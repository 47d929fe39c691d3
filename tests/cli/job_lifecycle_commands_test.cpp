// njb demo, open and backup: whole open-work-close cycles, called as functions with --yes/--no.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "catalogue/older_job.h"
#include "cli/command_fixture.h"
#include "nrxJobDb/engine.h"

namespace nrx::test {
namespace {

namespace fs = std::filesystem;

class JobLifecycleCommands : public CommandTest {
 protected:
  static constexpr njb::AnswerOptions kYes{.yes = true};
  static constexpr njb::AnswerOptions kNo{.no = true};

  CommandResult Demo(const std::string& dir, njb::AnswerOptions answers = {}) {
    return RunInProcess(njb::RunDemo, {.dir = Path(dir), .answers = answers});
  }
  CommandResult Open(const std::string& name, njb::AnswerOptions answers, bool check = false) {
    return RunInProcess(njb::RunOpen, {.file = Path(name), .check = check, .answers = answers});
  }
  CommandResult Backup(const std::string& name) {
    return RunInProcess(njb::RunBackup, {.file = Path(name), .answers = {}});
  }

  // A job of an older version: a points table without the fields added since.
  void MakeOlderJob(const std::string& name) { test::MakeOlderJob(Path(name), {"Points"}, 2); }
};

TEST_F(JobLifecycleCommands, DemoRunsInFreshFoldersAndAgainInAFolderWhereItRan) {
  for (const char* dir : {"first", "second"}) {
    SCOPED_TRACE(dir);
    const CommandResult run = Demo(dir);
    ASSERT_EQ(0, run.exit_code) << run.output;
    EXPECT_CONTAINS(run.output, "created 23 tables from the catalogue");
    EXPECT_CONTAINS(run.output, "points 1 to 5");
    EXPECT_CONTAINS(run.output, "kept the job as it was before the update: older.MDB.old\n");
    EXPECT_CONTAINS(run.output, "Points: 4 fields added");
    EXPECT_TRUE(Exists(std::string(dir) + "/site.njb.bak1"));
    EXPECT_TRUE(Exists(std::string(dir) + "/older.njb"));
    EXPECT_FALSE(Exists(std::string(dir) + "/older.MDB"));
  }
  const CommandResult again = Demo("first");
  ASSERT_EQ(0, again.exit_code) << again.output;
  EXPECT_CONTAINS(again.output, "every table is already there");
  EXPECT_CONTAINS(again.output, "points 6 to 10");
  EXPECT_CONTAINS(again.output, "older.MDB.old1");
  EXPECT_TRUE(NoTemporaryCopyLeft());
}

TEST_F(JobLifecycleCommands, OpenCreatesAJobWithItsTablesAndTheSaveAnswerDecidesWhatStays) {
  const CommandResult saved = Open("kept.njb", kYes);
  ASSERT_EQ(0, saved.exit_code) << saved.output;
  EXPECT_CONTAINS(saved.output, "Save now ?\n   -> Yes");

  const CommandResult reopened = Open("kept.njb", kNo);
  ASSERT_EQ(0, reopened.exit_code) << reopened.output;
  EXPECT_CONTAINS(reopened.output, "Tables (23)");
  EXPECT_EQ(std::string::npos, reopened.output.find("Save now"));  // nothing changed

  const CommandResult discarded = Open("dropped.njb", kNo);
  ASSERT_EQ(0, discarded.exit_code) << discarded.output;
  EXPECT_CONTAINS(discarded.output, "Save now ?\n   -> No");
  const CommandResult empty = Open("dropped.njb", kNo);
  EXPECT_CONTAINS(empty.output, "Tables (0)");
  EXPECT_TRUE(NoTemporaryCopyLeft());
}

TEST_F(JobLifecycleCommands, OpenWithTheCheckUpdatesAnOlderJobOnlyOnYes) {
  MakeOlderJob("site.MDB");
  const CommandResult declined = Open("site.MDB", kNo, /*check=*/true);
  EXPECT_EQ(1, declined.exit_code) << declined.output;
  EXPECT_CONTAINS(declined.output, "The version update was declined");
  EXPECT_FALSE(Exists("site.MDB.old"));

  const CommandResult updated = Open("site.MDB", kYes, /*check=*/true);
  ASSERT_EQ(0, updated.exit_code) << updated.output;
  EXPECT_CONTAINS(updated.output, "Points: 2 fields added:\n     FixN, FixHt");
  EXPECT_TRUE(Exists("site.njb") && Exists("site.MDB.old"));

  const CommandResult current = Open("site.njb", kYes, /*check=*/true);
  ASSERT_EQ(0, current.exit_code) << current.output;
  EXPECT_EQ(std::string::npos, current.output.find("Job-version update"));
  EXPECT_TRUE(NoTemporaryCopyLeft());  // the declined opening's copy included
}

TEST_F(JobLifecycleCommands, ImportReportsWhatArrivedAndOpenConvertsAJetJobFirst) {
  const fs::path jet = fs::path(NRX_TEST_DATA) / "jet" / "testV2003.mdb";
  fs::copy_file(jet, Path("old.MDB"));
  const CommandResult text = RunInProcess(njb::RunImport, {.source = Path("old.MDB"), .target = "", .json = false});
  ASSERT_EQ(0, text.exit_code);
  EXPECT_CONTAINS(text.output, "to " + Path("old.njb") + ": 4 tables, 2 rows, 10 indexes\n");
  EXPECT_CONTAINS(text.output, "  Table1: 2 rows, 2 indexes\n");
  EXPECT_CONTAINS(text.output, "Fields held as another type:\n  Table3.a: AutoNumber as Long\n"
                               "  Table4.data: GUID as Text\n");
  const CommandResult json =
      RunInProcess(njb::RunImport, {.source = Path("old.MDB"), .target = Path("new.njb"), .json = true});
  EXPECT_CONTAINS(json.output, "\"rows\":2,\"indexes\":10,\"tables\":[{\"name\":\"Table1\"");
  EXPECT_CONTAINS(json.output, "{\"table\":\"Table4\",\"field\":\"data\",\"jetType\":\"GUID\",\"type\":\"Text\"}");
  EXPECT_NRX_ERROR(err::kDatabaseExists, RunInProcess(njb::RunImport, {.source = Path("old.MDB"), .target = "", .json = false}));

  fs::copy_file(jet, Path("site.MDB"));
  const CommandResult opened = Open("site.MDB", kYes, /*check=*/true);
  ASSERT_EQ(0, opened.exit_code) << opened.output;
  EXPECT_CONTAINS(opened.output, "Converted " + Path("site.MDB") + " to " + Path("site.njb"));
  EXPECT_EQ(test::ReadFile(jet), test::ReadFile(Path("site.MDB")));
}

TEST_F(JobLifecycleCommands, BackupRotatesByTheAgeOfTheFirstBackup) {
  ASSERT_EQ(0, Open("job.njb", kYes).exit_code);
  const CommandResult first = Backup("job.njb");
  ASSERT_EQ(0, first.exit_code) << first.output;
  EXPECT_CONTAINS(first.output, "After: job.njb.bak1");
  EXPECT_CONTAINS(Backup("job.njb").output, "The first backup is from the last hour");
  EXPECT_FALSE(Exists("job.njb.bak2"));

  fs::last_write_time(Path("job.njb.bak1"),
                      fs::last_write_time(Path("job.njb")) - std::chrono::hours(5));
  const CommandResult older = Backup("job.njb");
  ASSERT_EQ(0, older.exit_code) << older.output;
  EXPECT_TRUE(Exists("job.njb.bak2"));
  EXPECT_TRUE(NoTemporaryCopyLeft());
}

TEST_F(JobLifecycleCommands, FailuresRaiseTheirNumberAfterTheMessageTheUserSees) {
  EXPECT_NRX_ERROR(err::kFileNotFound, Backup("none.njb"));

  std::mt19937 random(7);
  std::string noise(8192, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  WriteFile(Path("noise.njb"), noise);
  {
    CapturedOutput out;
    EXPECT_NRX_ERROR(err::kNotADatabase,
                     njb::RunOpen({.file = Path("noise.njb"), .check = true, .answers = {}}, out.Context()));
    EXPECT_CONTAINS(out.Text(), "Attempted to open database " + Path("noise.njb") +
                                    "- database required repair");
  }

  ASSERT_EQ(0, Open("busy.njb", kYes).exit_code);
  auto elsewhere = LockInChild(Path("busy.njb"), /*exclusive=*/true);
  ASSERT_TRUE(elsewhere->Worked());
  {
    CapturedOutput out;
    EXPECT_NRX_ERROR(err::kPermissionDenied,
                     njb::RunOpen({.file = Path("busy.njb"), .answers = {}}, out.Context()));
    EXPECT_CONTAINS(out.Text(), "Job [ " + Path("busy.njb") + " ] may be open at another location");
  }
  EXPECT_TRUE(NoTemporaryCopyLeft());
}

}  // namespace
}  // namespace nrx::test
