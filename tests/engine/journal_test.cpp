// Opening a job beside a hot rollback journal: the job's own journal (a commit cut short) is
// played back, another file's is moved aside untouched. And jobs on network file systems.

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "engine/file_vfs.h"
#include "engine/sealed_file.h"
#include "engine_fixture.h"

namespace nrx::test {
namespace {

namespace fs = std::filesystem;

class JournalTest : public EngineTest, public ::testing::WithParamInterface<bool> {
 protected:
  bool Encrypted() const { return GetParam(); }

  // A job whose table T holds `rows` records, closed again.
  std::string MakeJob(const std::string& name, int rows) {
    auto db = Create(name, Encrypted() ? dbEncrypt : 0);
    MakeTable(*db, "T", {{"N", 4, 0}});
    for (int i = 0; i < rows; ++i) db->Execute("INSERT INTO T (N) VALUES (" + std::to_string(i) + ")");
    db->Close();
    return Path(name);
  }

  // A process that dies in the middle of a large commit to the job: the journal stays hot and
  // the file holds some of the new pages already.
  void CrashMidCommit(const std::string& path) {
    auto size_before = fs::file_size(path);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      std::unique_ptr<files::SealKey> key;
      std::string uri = files::MakeUri(path, false, false);
      if (Encrypted()) {
        key = std::make_unique<files::SealKey>(files::UnlockSealedFile(path, {}));
        uri = files::MakeSealedUri(path, *key, false);
      }
      sqlite3* db = nullptr;
      int rc = sqlite3_open_v2(uri.c_str(), &db,
                               SQLITE_OPEN_URI | SQLITE_OPEN_READWRITE, files::VfsName());
      if (rc == SQLITE_OK)
        rc = sqlite3_exec(db,
                          "PRAGMA cache_size=2; BEGIN; CREATE TABLE Junk (x); "
                          "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                          "WHERE i < 2000) INSERT INTO Junk SELECT randomblob(300) FROM n; "
                          "UPDATE T SET N = -1;",
                          nullptr, nullptr, nullptr);
      ::_exit(rc == SQLITE_OK ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(pid, ::waitpid(pid, &status, 0));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(fs::exists(path + "-journal"));
    ASSERT_GT(fs::file_size(path), size_before) << "the crash left no new pages in the file";
  }

  void ExpectRows(Database& db, int rows) {
    EXPECT_EQ(nullptr, db.FindTableDef("Junk"));
    EXPECT_EQ(rows, Count(db, "T"));
    auto rs = db.OpenRecordset("SELECT N FROM T WHERE N < 0");
    EXPECT_TRUE(rs->Eof());
  }
};

TEST_P(JournalTest, TheJobsOwnHotJournalIsPlayedBack) {
  std::string path = MakeJob("job.njb", 10);
  CrashMidCommit(path);
  auto db = ws_->OpenDatabase(path);
  EXPECT_EQ("", db->ForeignJournal());
  ExpectRows(*db, 10);
  EXPECT_FALSE(fs::exists(path + "-journal"));
  EXPECT_FALSE(fs::exists(path + "-journal.foreign-1"));
}

// Another job copied over one that crashed, and an older copy of the same job put back after it
// has moved on: the journal left behind belongs to neither file.
TEST_P(JournalTest, AHotJournalOfAnotherFileIsMovedAsideAndTheJobOpensAsItIs) {
  std::string other = MakeJob("other.njb", 7);
  std::string path = MakeJob("job.njb", 10);
  fs::copy_file(path, Path("backup.njb"));
  {
    auto db = ws_->OpenDatabase(path);
    db->Execute("INSERT INTO T (N) VALUES (99)");
  }
  for (const auto& [replacement, rows] : {std::pair{other, 7}, {Path("backup.njb"), 10}}) {
    CrashMidCommit(path);
    fs::copy_file(replacement, path, fs::copy_options::overwrite_existing);
    auto db = ws_->OpenDatabase(path, true);
    EXPECT_EQ(path + "-journal.foreign-" + std::to_string(rows == 7 ? 1 : 2), db->ForeignJournal());
    EXPECT_TRUE(fs::exists(db->ForeignJournal()));
    EXPECT_FALSE(fs::exists(path + "-journal"));
    ExpectRows(*db, rows);
    db->Close();
    fs::copy_file(Path("backup.njb"), path, fs::copy_options::overwrite_existing);
    auto grown = ws_->OpenDatabase(path);
    grown->Execute("INSERT INTO T (N) VALUES (99)");
  }
}

INSTANTIATE_TEST_SUITE_P(PlainAndEncrypted, JournalTest, ::testing::Bool());

class NetworkFileSystemTest : public EngineTest {
 protected:
  void TearDown() override {
    files::testing::OverrideFileSystemType(Path(""), 0);
    EngineTest::TearDown();
  }
};

TEST_F(NetworkFileSystemTest, ASharedOpenIsRefusedAndAnExclusiveOneIsToldWhereItIs) {
  Create("job.njb")->Close();
  EXPECT_FALSE(ws_->OpenDatabase(Path("job.njb"))->OnNetworkFileSystem());
  ws_->Close();
  ws_ = DBEngine::Instance().Workspaces(0);

  files::testing::OverrideFileSystemType(Path(""), 0xEF53);  // a local disk
  EXPECT_FALSE(ws_->OpenDatabase(Path("job.njb"), true)->OnNetworkFileSystem());
  ws_->Close();

  for (long type : {0x6969L, 0xFF534D42L, 0x65735546L}) {
    files::testing::OverrideFileSystemType(Path(""), type);
    EXPECT_NRX_ERROR(3043, ws_->OpenDatabase(Path("job.njb")));
    EXPECT_NRX_ERROR(3043, ws_->OpenDatabase(Path("job.njb"), false, true));
    auto db = ws_->OpenDatabase(Path("job.njb"), true);
    EXPECT_TRUE(db->OnNetworkFileSystem());
    EXPECT_TRUE(IsOnNetworkFileSystem(Path("job.njb")));
    db->Close();
  }

  // A caller that asks for strictness has the exclusive open refused as well.
  DBEngine::Instance().SetRefusesNetworkFiles(true);
  EXPECT_NRX_ERROR(3043, ws_->OpenDatabase(Path("job.njb"), true));
  DBEngine::Instance().SetRefusesNetworkFiles(false);
}

}  // namespace
}  // namespace nrx::test
