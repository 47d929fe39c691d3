// The file utility: existence, path splitting, and the copy that respects jobs held open.

#include "nrxJobDb/file_utility.h"

#include <fmt/format.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "nrxJobDb/engine.h"
#include "support/test_support.h"

namespace nrx::model {
namespace {

using test::ReadFile;
using test::WriteFile;

class FileUtilityTest : public test::TempDirTest {
 protected:
  FileUtility& util_ = FileUtility::Instance();
};

TEST_F(FileUtilityTest, ExistsQueriesTellFilesFoldersAndWhatMayBeWritten) {
  WriteFile(Path("job.njb"), "x");
  std::int32_t attributes = 0;
  EXPECT_TRUE(util_.FileExists(Path("job.njb"), attributes));
  EXPECT_EQ(0, attributes);
  EXPECT_FALSE(util_.FileExists(Dir().string(), attributes));  // folders only when asked
  attributes = kAttrDirectory;
  EXPECT_TRUE(util_.FileExists(Dir().string(), attributes));
  EXPECT_EQ(kAttrDirectory, attributes);
  EXPECT_FALSE(util_.FileExists(Path("missing.njb"), attributes));
  EXPECT_EQ(0, attributes);
  EXPECT_FALSE(util_.FileExists(""));

  ::chmod(Path("job.njb").c_str(), 0444);
  EXPECT_EQ(kAttrReadOnly, test::WithoutFileOverride([&] {
              std::int32_t readOnly = 0;
              return util_.FileExists(Path("job.njb"), readOnly) ? readOnly : 100;
            }));
}

TEST_F(FileUtilityTest, SplitPathGivesTheJobsName) {
  std::string drive = "old", folder = "old", extension = "old";
  EXPECT_EQ("site", util_.SplitPath("/jobs/2024/site.njb", drive, folder, extension));
  EXPECT_EQ("/", drive);
  EXPECT_EQ("jobs/2024/", folder);
  EXPECT_EQ(".njb", extension);
  EXPECT_EQ("site.v2", util_.SplitPath("site.v2.MDB", drive, folder, extension));
  EXPECT_EQ("", drive);
  EXPECT_EQ("", folder);
  EXPECT_EQ(".MDB", extension);
  EXPECT_EQ("notes", util_.SplitPath("/notes", drive, folder, extension));
  EXPECT_EQ("", extension);
}

TEST_F(FileUtilityTest, CopyReplacesTheDestination) {
  WriteFile(Path("a.njb"), "new contents");
  WriteFile(Path("b.tmp"), "old contents that are longer");
  util_.CopyFile(Path("a.njb"), Path("b.tmp"));
  EXPECT_EQ("new contents", ReadFile(Path("b.tmp")));
  EXPECT_NRX_ERROR(err::kFileNotFound, util_.CopyFile(Path("none.njb"), Path("c.tmp")));
  EXPECT_NRX_ERROR(err::kPathAccess, util_.CopyFile(Path("a.njb"), Path("no/such/folder.tmp")));
  EXPECT_NRX_ERROR(err::kPathAccess, util_.CopyFile(Dir().string(), Path("c.tmp")));
}

// What a copy killed part-way leaves behind goes with the next copy into that folder, but not a
// copy still being written: by a process alive here, or lately by one that may be elsewhere.
TEST_F(FileUtilityTest, CopySweepsUpHiddenCopiesWhoseWriterIsGone) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
  auto hidden = [&](const std::string& name, bool stale) {
    WriteFile(Path(name), "part of a copy");
    if (stale) std::filesystem::last_write_time(Path(name), old);
    return Path(name);
  };
  const std::string abandoned = hidden(fmt::format(".b.njb.{}-1.partial", child), true);
  const std::string other_target = hidden(fmt::format(".c.njb.{}-4.partial", child), true);
  const std::string alive = hidden(fmt::format(".b.njb.{}-2.partial", ::getpid()), true);
  const std::string recent = hidden(fmt::format(".b.njb.{}-3.partial", child), false);
  const std::string not_ours = hidden(".notes.partial", true);
  WriteFile(Path("a.njb"), "job");
  util_.CopyFile(Path("a.njb"), Path("b.njb"));
  EXPECT_FALSE(std::filesystem::exists(abandoned));
  EXPECT_FALSE(std::filesystem::exists(other_target));
  for (const auto& kept : {alive, recent, not_ours}) EXPECT_TRUE(std::filesystem::exists(kept)) << kept;

  // Left by an earlier process with this one's number: never swept, and never in the way.
  for (int n = 1; n <= 200; ++n) hidden(fmt::format(".d.njb.{}-{}.partial", ::getpid(), n), true);
  util_.CopyFile(Path("a.njb"), Path("d.njb"));
  EXPECT_EQ("job", ReadFile(Path("d.njb")));
}

// A writer killed mid-transaction, after SQLite wrote changed pages into the file, leaves a hot
// journal: the file alone is half a transaction.
TEST_F(FileUtilityTest, CopyOfAJobLeftWithAHotJournalHoldsTheLastCommit) {
  std::string job = Path("job.njb");
  DBEngine::Instance()
      .Workspaces(0)
      ->CreateDatabase(job, kJobConnect, 0)
      ->Execute("CREATE TABLE Points (PointNo LONG, Code TEXT(20))");
  sqlite3* db = nullptr;
  sqlite3_open(job.c_str(), &db);
  sqlite3_exec(db,
               "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
               "INSERT INTO Points SELECT i, 'committed' FROM n",
               nullptr, nullptr, nullptr);
  sqlite3_close(db);
  pid_t pid = ::fork();
  if (pid == 0) {
    sqlite3* writer = nullptr;
    sqlite3_open(job.c_str(), &writer);
    sqlite3_exec(writer, "PRAGMA cache_size=4; BEGIN; UPDATE Points SET Code = 'changed'", nullptr,
                 nullptr, nullptr);
    ::_exit(0);  // dies with its transaction open
  }
  ::waitpid(pid, nullptr, 0);
  ASSERT_GT(std::filesystem::file_size(job + "-journal"), 0u);

  util_.CopyFile(job, Path("copy.njb"));
  auto copy = DBEngine::Instance().Workspaces(0)->OpenDatabase(Path("copy.njb"));
  EXPECT_TRUE(copy->OpenRecordset("SELECT * FROM Points WHERE Code = 'changed'")->Eof());
}

TEST_F(FileUtilityTest, CopyRefusesAJobHeldExclusivelyElsewhereOrOverwritingOneHeldOpen) {
  WriteFile(Path("site.njb"), "job");
  WriteFile(Path("other.njb"), "other");
  {
    auto holder = test::LockInChild(Path("site.njb"), true);
    ASSERT_TRUE(holder->Worked());
    EXPECT_NRX_ERROR(err::kPermissionDenied, util_.CopyFile(Path("site.njb"), Path("copy.tmp")));
    EXPECT_FALSE(util_.FileExists(Path("copy.tmp")));
  }
  auto holder = test::LockInChild(Path("site.njb"), false);
  ASSERT_TRUE(holder->Worked());
  EXPECT_NRX_ERROR(err::kPermissionDenied, util_.CopyFile(Path("other.njb"), Path("site.njb")));
  EXPECT_EQ("job", ReadFile(Path("site.njb")));
  util_.CopyFile(Path("site.njb"), Path("copy.tmp"));  // a shared holder still lets it be read
  EXPECT_EQ("job", ReadFile(Path("copy.tmp")));
}

}  // namespace
}  // namespace nrx::model
