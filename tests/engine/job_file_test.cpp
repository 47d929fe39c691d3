// Job files: creating, opening exclusively, surviving a killed writer, encryption, damage and
// repair.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "engine/engine_fixture.h"
#include "engine/file_vfs.h"

namespace nrx::test {
namespace {

class JobFileTest : public EngineTest {
 protected:
  // Makes a job with `rows` points, committed.
  void MakeJob(const std::string& name, int rows, int options = 0) {
    auto db = Create(name, options);
    MakeTable(*db, "Points", {{"PointNo", dbLong, 0}, {"Code", dbText, 40}});
    ws_->BeginTrans();
    for (int i = 1; i <= rows; ++i)
      db->Execute("INSERT INTO Points (PointNo, Code) VALUES (" + std::to_string(i) +
                  ", 'secret-code-" + std::to_string(i) + "')");
    ws_->CommitTrans();
    db->Close();
  }

  // Runs `child` in a forked process that reports readiness through a pipe, then waits for the
  // parent to kill it. Returns the child's pid with the child ready.
  template <typename F>
  pid_t ForkReady(F child) {
    int fds[2];
    EXPECT_EQ(0, pipe(fds));
    pid_t pid = fork();
    if (pid == 0) {
      close(fds[0]);
      try {
        child();
      } catch (...) {
        _exit(3);
      }
      char c = 'r';
      (void)!write(fds[1], &c, 1);
      pause();
      _exit(0);
    }
    close(fds[1]);
    char c = 0;
    EXPECT_EQ(1, read(fds[0], &c, 1)) << "child failed before it was ready";
    close(fds[0]);
    return pid;
  }

  static void Kill(pid_t pid) {
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
  }
};

// What encryption hides is the sealed job tests'; a job made without it is plain SQLite.
TEST_F(JobFileTest, CreateKeepsConnectRefusesExistingFileAndMakesPlainSqlite) {
  auto db = Create("new.njb", dbEncrypt);
  EXPECT_EQ(std::string(kJobConnect), db->Connect());
  EXPECT_NRX_ERROR(err::kDatabaseExists, Create("new.njb"));
  EXPECT_NRX_ERROR(err::kFileMissing, ws_->OpenDatabase(Path("missing.njb")));
  EXPECT_NRX_ERROR(err::kInvalidPath, Create("new.njb/inner.njb"));
  MakeJob("plain.njb", 5);
  auto result = RunCommand("sqlite3 '" + Path("plain.njb") + "' 'SELECT count(*) FROM Points'");
  EXPECT_EQ("5\n", result.output);
}

TEST_F(JobFileTest, ExclusiveOpenKeepsOthersOut) {
  MakeJob("job.njb", 3);
  auto db = ws_->OpenDatabase(Path("job.njb"), true);
  EXPECT_NRX_ERROR(err::kFileInUse, ws_->OpenDatabase(Path("job.njb")));
  EXPECT_TRUE(IsFileHeldExclusively(Path("job.njb")));
  db->Close();
  EXPECT_FALSE(IsFileHeld(Path("job.njb")));
  auto shared1 = ws_->OpenDatabase(Path("job.njb"));
  auto shared2 = ws_->OpenDatabase(Path("job.njb"));
  EXPECT_NRX_ERROR(err::kFileInUse, ws_->OpenDatabase(Path("job.njb"), true));
  EXPECT_FALSE(IsFileHeldExclusively(Path("job.njb")));
  const auto open = ws_->Databases();
  EXPECT_EQ((std::vector{shared1, shared2}), std::vector(open.begin(), open.end()));
  for (const auto& each : open) each->Close();
  EXPECT_EQ(0, ws_->DatabasesCount());
  EXPECT_FALSE(IsFileHeld(Path("job.njb")));
}

TEST_F(JobFileTest, SecondProcessCannotOpenExclusiveFile) {
  MakeJob("job.njb", 3);
  std::string path = Path("job.njb");
  pid_t pid = ForkReady([&] {
    static DatabasePtr held;
    held = DBEngine::Instance().Workspaces(0)->OpenDatabase(path, true);
  });
  EXPECT_NRX_ERROR(err::kFileInUse, ws_->OpenDatabase(path));
  EXPECT_TRUE(files::IsHeldExclusively(path));
  Kill(pid);
  EXPECT_FALSE(files::IsHeldExclusively(path));
  EXPECT_EQ(3, Count(*ws_->OpenDatabase(path), "Points"));
}

TEST_F(JobFileTest, KilledWriterLeavesFileAsAtLastCommit) {
  for (int options : {0, dbEncrypt}) {
    std::string path = Path("killed" + std::to_string(options) + ".njb");
    MakeJob(path.substr(Dir().string().size() + 1), 50, options);
    pid_t pid = ForkReady([&] {
      auto ws = DBEngine::Instance().Workspaces(0);
      static DatabasePtr db;
      db = ws->OpenDatabase(path, true);
      ws->BeginTrans();
      db->Execute("DELETE FROM Points");
      auto t = db->CreateTableDef("Uncommitted");
      t->FieldsAppend(t->CreateField("A", dbLong));
      db->TableDefsAppend(t);
      for (int i = 0; i < 3000; ++i)
        db->Execute("INSERT INTO Uncommitted (A) VALUES (" + std::to_string(i) + ")");
    });
    Kill(pid);
    auto db = ws_->OpenDatabase(path);
    EXPECT_EQ(50, Count(*db, "Points")) << options;
    EXPECT_EQ(nullptr, db->FindTableDef("Uncommitted")) << options;
    db->Close();
  }
}

TEST_F(JobFileTest, TruncatedAndRandomFilesAreNotDatabases) {
  MakeJob("cut.njb", 2000);
  std::filesystem::resize_file(Path("cut.njb"), std::filesystem::file_size(Path("cut.njb")) / 2);
  EXPECT_NRX_ERROR(err::kNotADatabase, ws_->OpenDatabase(Path("cut.njb")));
  MakeJob("format.njb", 2);
  std::string bytes = ReadFile(Path("format.njb"));
  bytes[47] = '\x09';  // a schema format no reader knows
  WriteFile(Path("format.njb"), bytes);
  EXPECT_NRX_ERROR(err::kNotADatabase, ws_->OpenDatabase(Path("format.njb")));

  std::mt19937 rng(7);
  std::string noise(8192, '\0');
  for (char& c : noise) c = static_cast<char>(rng());
  WriteFile(Path("random.njb"), noise);
  EXPECT_NRX_ERROR(err::kNotADatabase, ws_->OpenDatabase(Path("random.njb")));
  WriteFile(Path("empty.njb"), "");
  EXPECT_NRX_ERROR(err::kNotADatabase, ws_->OpenDatabase(Path("empty.njb")));
  // Nothing was opened, so nothing stays held.
  EXPECT_EQ(0, ws_->DatabasesCount());
}

TEST_F(JobFileTest, RepairRecoversReadableRowsOfDamagedPagesAndSaysWhatItLost) {
  MakeJob("sound.njb", 100);
  std::vector<std::string> losses{"not cleared"};
  DBEngine::Instance().RepairDatabase(Path("sound.njb"), {}, &losses);
  EXPECT_TRUE(losses.empty()) << (losses.empty() ? "" : losses[0]) << " / " << (losses.size() > 1 ? losses[1] : "");
  MakeJob("damaged.njb", 3000);
  // Overwrite a few pages in the middle of the table with garbage.
  std::string bytes = ReadFile(Path("damaged.njb"));
  bytes.replace(bytes.size() / 2, 4096 * 2, std::string(4096 * 2, '\x5a'));
  WriteFile(Path("damaged.njb"), bytes);
  DBEngine::Instance().RepairDatabase(Path("damaged.njb"), {}, &losses);
  ASSERT_EQ(1u, losses.size());
  EXPECT_EQ("Table 'Points': rows on damaged pages could not be read and are lost.", losses[0]);
  auto db = ws_->OpenDatabase(Path("damaged.njb"));
  long rows = Count(*db, "Points");
  EXPECT_GT(rows, 2000);
  EXPECT_LT(rows, 3000);
  // The repaired file is whole: every table reads to its end.
  db->Execute("UPDATE Points SET Code = 'ok'");
  EXPECT_EQ(rows, db->RecordsAffected());
}

}  // namespace
}  // namespace nrx::test
