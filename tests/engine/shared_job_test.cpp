// A job open shared by several processes: waiting for a busy file, commits refused while another
// process reads, and commits that each report reaching the file.

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <set>
#include <thread>
#include <utility>

#include "engine/connection.h"
#include "engine/engine_fixture.h"

namespace nrx::test {
namespace {

using Rows = std::set<std::pair<int, int>>;  // (writer, sequence)

// Holds SQLite's own lock on a job file in a child process, the way another program's reader or
// committing writer does, until released.
std::unique_ptr<ChildProcess> SqliteLockInChild(const std::string& path, const char* sql) {
  return std::make_unique<ChildProcess>([&] {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK || sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db));
  });
}

class SharedJobTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    auto db = Create("shared.njb");
    MakeTable(*db, "Points", {{"Writer", dbLong, 0}, {"Seq", dbLong, 0}});
    db->Close();
  }
  DatabasePtr OpenShared() { return ws_->OpenDatabase(Path("shared.njb"), false); }

  static void Insert(Database& db, int writer, int seq) {
    db.Execute("INSERT INTO Points (Writer, Seq) VALUES (" + std::to_string(writer) + ", " +
               std::to_string(seq) + ")");
  }

  // What the file holds, read by a fresh opening.
  Rows FileRows() {
    auto db = OpenShared();
    Rows rows;
    {
      auto rs = db->OpenRecordset("SELECT Writer, Seq FROM Points", dbOpenSnapshot);
      for (; !rs->Eof(); rs->MoveNext()) rows.emplace((*rs)["Writer"].ToLong(), (*rs)["Seq"].ToLong());
    }
    db->Close();
    return rows;
  }
};

TEST_F(SharedJobTest, RefreshShowsTablesAnotherOpeningMade) {
  auto a = OpenShared();
  auto b = OpenShared();
  MakeTable(*b, "Other", {{"X", dbLong, 0}});
  a->TableDefsRefresh();
  EXPECT_EQ(1, a->TableDefs("Other")->FieldsCount());
  a->Close();
  EXPECT_NRX_ERROR(err::kObjectClosed, a->TableDefsRefresh());
}

TEST_F(SharedJobTest, CommitRefusedByAReaderStaysPendingUntilCommittedOrRolledBack) {
  // Each refusal comes after a short wait rather than the engine's seconds of it.
  struct ShortWait {
    ShortWait() { detail::testing::OverrideBusyTimeout(200); }
    ~ShortWait() { detail::testing::OverrideBusyTimeout(0); }
  } short_wait;
  auto reader = SqliteLockInChild(Path("shared.njb"), "BEGIN; SELECT count(*) FROM Points;");
  ASSERT_TRUE(reader->Worked());
  auto db = OpenShared();

  // Rolled back after the refusal: the level ends and nothing reaches the file.
  ws_->BeginTrans();
  Insert(*db, 1, 1);
  EXPECT_NRX_ERROR(err::kFileInUse, ws_->CommitTrans());
  EXPECT_EQ(1, ws_->TransactionLevel());
  // A transaction begun on top would report a commit that cannot reach the file.
  EXPECT_NRX_ERROR(err::kFileInUse, ws_->BeginTrans());
  EXPECT_EQ(1, ws_->TransactionLevel());
  ws_->Rollback();
  EXPECT_EQ(0, ws_->TransactionLevel());

  // Work outside any transaction is refused whole, leaving nothing open for later work.
  EXPECT_NRX_ERROR(err::kFileInUse, Insert(*db, 2, 1));
  EXPECT_EQ(0, ws_->TransactionLevel());

  // Committed again once the reader is gone.
  ws_->BeginTrans();
  Insert(*db, 3, 1);
  EXPECT_NRX_ERROR(err::kFileInUse, ws_->CommitTrans());
  EXPECT_EQ(1, ws_->TransactionLevel());
  reader->Release();
  ws_->CommitTrans();
  EXPECT_EQ(0, ws_->TransactionLevel());
  Insert(*db, 3, 2);
  db->Close();
  EXPECT_EQ((Rows{{3, 1}, {3, 2}}), FileRows());
}

TEST_F(SharedJobTest, SharedOpenWaitsWhileAnotherProcessCommits) {
  // The child writes under SQLite's exclusive lock and commits a moment later, while this
  // process is already opening the file.
  const std::string path = Path("shared.njb");
  ChildProcess writer([&] {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    if (sqlite3_exec(db, "BEGIN EXCLUSIVE; INSERT INTO Points VALUES (7, 1);", 0, 0, 0) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(db));
    std::thread([db] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
      sqlite3_close(db);
    }).detach();
  });
  ASSERT_TRUE(writer.Worked());
  auto db = OpenShared();
  EXPECT_EQ(1, Count(*db, "Points"));
}

// Runs `work(i)` for i in 0..count-1, each in a process of its own, all at once; true when every
// one returned true.
bool RunConcurrently(int count, const std::function<bool(int)>& work) {
  std::vector<pid_t> children;
  for (int i = 0; i < count; ++i) {
    pid_t pid = ::fork();
    if (pid == 0) {
      try {
        ::_exit(work(i) ? 0 : 1);
      } catch (...) {
        ::_exit(1);
      }
    }
    children.push_back(pid);
  }
  bool all = true;
  for (pid_t pid : children) {
    int status = 0;
    all = ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0 && all;
  }
  return all;
}

TEST_F(SharedJobTest, EveryCommitTwoSharedWritersReportIsInTheFile) {
  constexpr int kCommits = 60;
  ASSERT_TRUE(RunConcurrently(2, [&](int writer) {
    auto db = OpenShared();
    std::ofstream reported(Path("reported" + std::to_string(writer)));
    for (int seq = 0; seq < kCommits; ++seq) {
      try {
        ws_->BeginTrans();
        Insert(*db, writer, seq);
        ws_->CommitTrans();
        reported << seq << '\n' << std::flush;
      } catch (const Error& e) {
        if (e.Number() != err::kFileInUse) return false;
        if (ws_->TransactionLevel() > 0) ws_->Rollback();
      }
    }
    db->Close();
    return true;
  }));
  Rows reported;
  for (int writer = 0; writer < 2; ++writer) {
    std::ifstream in(Path("reported" + std::to_string(writer)));
    for (int seq; in >> seq;) reported.emplace(writer, seq);
  }
  EXPECT_LT(kCommits, static_cast<int>(reported.size()));  // most commits go through
  EXPECT_EQ(reported, FileRows());
}

}  // namespace
}  // namespace nrx::test
