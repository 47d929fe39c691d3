// njb demo, njb open and njb backup: whole open-work-close cycles of a job run as a user runs
// them, with the questions answered from the command line.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "catalogue/catalogue_lists.h"
#include "nrxJobDb/engine.h"
#include "support/test_support.h"

namespace nrx::test {
namespace {

namespace fs = std::filesystem;

class JobLifecycleCommands : public TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    fs::create_directories(Path("tmp"));
  }

  // Runs njb with no terminal, its temporary copies and recycle bin inside the test's folder.
  CommandResult Njb(const std::string& arguments) {
    return RunCommand("TMPDIR=" + Path("tmp") + " XDG_DATA_HOME=" + Path("data") + " " + NJB_PATH +
                      " " + arguments + " </dev/null");
  }

  bool Exists(const std::string& name) const { return fs::exists(Path(name)); }
  bool NoTemporaryCopyLeft() const { return fs::is_empty(Path("tmp")); }

  // A job of an older version: a points table without the fields added since.
  void MakeOlderJob(const std::string& name) {
    auto ws = std::make_shared<Workspace>("maker");
    DatabasePtr db = ws->CreateDatabase(Path(name), kJobConnect, dbEncrypt);
    TableDefPtr table = db->CreateTableDef("Points");
    for (const catalogue::ListRows& list : catalogue::FilledLists()) {
      if (list.list != "Points") continue;
      for (std::size_t i = 0; i + 2 < list.rows.size(); ++i) {
        table->FieldsAppend(
            table->CreateField(list.rows[i].name, list.rows[i].type, list.rows[i].size));
      }
    }
    db->TableDefsAppend(table);
  }
};

#define EXPECT_CONTAINS(text, part) \
  EXPECT_NE(std::string::npos, (text).find(part)) << "missing \"" << (part) << "\" in:\n" << (text)

TEST_F(JobLifecycleCommands, DemoRunsInFreshFoldersAndAgainInAFolderWhereItRan) {
  for (const char* dir : {"first", "second"}) {
    SCOPED_TRACE(dir);
    const CommandResult run = Njb(std::string("demo --dir ") + Path(dir));
    ASSERT_EQ(0, run.exit_code) << run.output;
    EXPECT_CONTAINS(run.output, "created 23 tables from the catalogue");
    EXPECT_CONTAINS(run.output, "points 1 to 5");
    EXPECT_CONTAINS(run.output, "saved; backups: site.njb.bak1");
    EXPECT_CONTAINS(run.output, "Job-version update");
    EXPECT_CONTAINS(run.output, "kept the job as it was before the update: older.MDB.old\n");
    EXPECT_CONTAINS(run.output, "renamed it to " + Path(std::string(dir) + "/older.njb"));
    EXPECT_CONTAINS(run.output, "Points: 4 fields added");
    EXPECT_TRUE(Exists(std::string(dir) + "/site.njb.bak1"));
    EXPECT_TRUE(Exists(std::string(dir) + "/older.njb"));
    EXPECT_FALSE(Exists(std::string(dir) + "/older.MDB"));
  }
  const CommandResult again = Njb("demo --dir " + Path("first"));
  ASSERT_EQ(0, again.exit_code) << again.output;
  EXPECT_CONTAINS(again.output, "every table is already there");
  EXPECT_CONTAINS(again.output, "points 6 to 10");
  EXPECT_CONTAINS(again.output, "the first backup is from the last hour");
  EXPECT_CONTAINS(again.output, "older.MDB.old1");
  EXPECT_TRUE(NoTemporaryCopyLeft());
}

TEST_F(JobLifecycleCommands, OpenCreatesAJobWithItsTablesAndTheSaveAnswerDecidesWhatStays) {
  const CommandResult saved = Njb("open " + Path("kept.njb") + " --yes");
  ASSERT_EQ(0, saved.exit_code) << saved.output;
  EXPECT_CONTAINS(saved.output, "Created " + Path("kept.njb") + ": a new, encrypted job");
  EXPECT_CONTAINS(saved.output, "Created 23 tables");
  EXPECT_CONTAINS(saved.output, "Save now ?\n   -> Yes");

  const CommandResult reopened = Njb("open " + Path("kept.njb") + " --no");
  ASSERT_EQ(0, reopened.exit_code) << reopened.output;
  EXPECT_CONTAINS(reopened.output, "Opened " + Path("kept.njb") + " exclusively");
  EXPECT_CONTAINS(reopened.output, "Tables (23)");
  EXPECT_EQ(std::string::npos, reopened.output.find("Save now"));  // nothing changed

  const CommandResult discarded = Njb("open " + Path("dropped.njb") + " --no");
  ASSERT_EQ(0, discarded.exit_code) << discarded.output;
  EXPECT_CONTAINS(discarded.output, "Save now ?\n   -> No");
  const CommandResult empty = Njb("open " + Path("dropped.njb") + " --no");
  EXPECT_CONTAINS(empty.output, "Tables (0)");
  EXPECT_TRUE(NoTemporaryCopyLeft());
}

TEST_F(JobLifecycleCommands, OpenWithTheCheckUpdatesAnOlderJobOnlyOnYes) {
  MakeOlderJob("site.MDB");
  const CommandResult declined = Njb("open " + Path("site.MDB") + " --check --no");
  EXPECT_EQ(1, declined.exit_code) << declined.output;
  EXPECT_CONTAINS(declined.output, "The version update was declined");
  EXPECT_FALSE(Exists("site.MDB.old"));

  const CommandResult updated = Njb("open " + Path("site.MDB") + " --check --yes");
  ASSERT_EQ(0, updated.exit_code) << updated.output;
  EXPECT_CONTAINS(updated.output, "Renamed " + Path("site.MDB") + " to " + Path("site.njb"));
  EXPECT_CONTAINS(updated.output, "Kept the job as it was before the update: site.MDB.old");
  EXPECT_CONTAINS(updated.output, "Points: 2 fields added:\n     FixN, FixHt");
  EXPECT_TRUE(Exists("site.njb"));
  EXPECT_FALSE(Exists("site.MDB"));

  const CommandResult current = Njb("open " + Path("site.njb") + " --check --yes");
  ASSERT_EQ(0, current.exit_code) << current.output;
  EXPECT_EQ(std::string::npos, current.output.find("Job-version update"));
  EXPECT_TRUE(NoTemporaryCopyLeft());  // the declined opening's copy included
}

TEST_F(JobLifecycleCommands, BackupRotatesByTheAgeOfTheFirstBackup) {
  ASSERT_EQ(0, Njb("open " + Path("job.njb") + " --yes").exit_code);
  const CommandResult first = Njb("backup " + Path("job.njb"));
  ASSERT_EQ(0, first.exit_code) << first.output;
  EXPECT_CONTAINS(first.output, "Before: no backups");
  EXPECT_CONTAINS(first.output, "After: job.njb.bak1");

  const CommandResult recent = Njb("backup " + Path("job.njb"));
  EXPECT_CONTAINS(recent.output, "The first backup is from the last hour");
  EXPECT_FALSE(Exists("job.njb.bak2"));

  fs::last_write_time(Path("job.njb.bak1"),
                      fs::last_write_time(Path("job.njb")) - std::chrono::hours(5));
  const CommandResult older = Njb("backup " + Path("job.njb"));
  ASSERT_EQ(0, older.exit_code) << older.output;
  EXPECT_CONTAINS(older.output, "After: job.njb.bak1");
  EXPECT_CONTAINS(older.output, "job.njb.bak2");
  EXPECT_TRUE(Exists("job.njb.bak2"));
  EXPECT_TRUE(NoTemporaryCopyLeft());
}

TEST_F(JobLifecycleCommands, FailuresEndWithTheirNumberAndTheMessageTheUserSees) {
  const CommandResult missing = Njb("backup " + Path("none.njb"));
  EXPECT_NE(0, missing.exit_code);
  EXPECT_CONTAINS(missing.output, "error 53");

  std::mt19937 random(7);
  std::string noise(8192, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  WriteFile(Path("noise.njb"), noise);
  const CommandResult damaged = Njb("open " + Path("noise.njb") + " --check");
  EXPECT_EQ(2, damaged.exit_code);
  EXPECT_CONTAINS(damaged.output, "error 3049");
  EXPECT_CONTAINS(damaged.output,
                  "Attempted to open database " + Path("noise.njb") + "- database required repair");

  ASSERT_EQ(0, Njb("open " + Path("busy.njb") + " --yes").exit_code);
  auto elsewhere = LockInChild(Path("busy.njb"), /*exclusive=*/true);
  ASSERT_TRUE(elsewhere->Worked());
  const CommandResult busy = Njb("open " + Path("busy.njb"));
  EXPECT_EQ(2, busy.exit_code);
  EXPECT_CONTAINS(busy.output, "error 70");
  EXPECT_CONTAINS(busy.output, "Job [ " + Path("busy.njb") + " ] may be open at another location");
  EXPECT_TRUE(NoTemporaryCopyLeft());
}

}  // namespace
}  // namespace nrx::test
