// Job files on disk: the cipher and its VFS, the probe, the advisory locks (in one process
// and across processes) and the repair of damaged files. Driven through the plain SQLite API.

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/file_vfs.h"
#include "support/test_support.h"

namespace nrx::test {
namespace {

namespace fs = std::filesystem;
using files::FileKind;

struct DbCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Db = std::unique_ptr<sqlite3, DbCloser>;

Db OpenVfs(const std::string& path, bool encrypted, bool read_only = false) {
  sqlite3* db = nullptr;
  int flags = SQLITE_OPEN_URI |
              (read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
  int rc = sqlite3_open_v2(files::MakeUri(path, encrypted, read_only).c_str(), &db, flags,
                           files::VfsName());
  EXPECT_EQ(SQLITE_OK, rc) << path;
  return Db(db);
}

void Exec(sqlite3* db, const std::string& sql) {
  EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr))
      << sql << ": " << sqlite3_errmsg(db);
}

// Row id -> label of every row of `table`.
std::map<long long, std::string> Rows(sqlite3* db, const std::string& table = "Points") {
  std::map<long long, std::string> rows;
  sqlite3_stmt* stmt = nullptr;
  EXPECT_EQ(SQLITE_OK, sqlite3_prepare_v2(db, ("SELECT rowid, label FROM " + table).c_str(), -1,
                                          &stmt, nullptr));
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    rows[sqlite3_column_int64(stmt, 0)] =
        reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
  }
  sqlite3_finalize(stmt);
  return rows;
}

std::string Label(long long n) { return "Traverse station " + std::to_string(n) + " north pier"; }

// A job-like file: the same `count` rows of Label(n) over many pages in Points (indexed) and in
// Notes (not indexed), and a system table.
void MakeJob(const std::string& path, bool encrypted, int count) {
  Db db = OpenVfs(path, encrypted);
  Exec(db.get(), "PRAGMA synchronous = OFF");
  Exec(db.get(), "CREATE TABLE MSysInfo (label TEXT); INSERT INTO MSysInfo VALUES ('format 4')");
  for (const std::string table : {"Points", "Notes"}) {
    Exec(db.get(), "CREATE TABLE " + table +
                       " (n INTEGER, label TEXT); WITH RECURSIVE c(n) AS "
                       "(SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < " +
                       std::to_string(count) + ") INSERT INTO " + table +
                       " SELECT n, 'Traverse station ' || n || ' north pier' FROM c");
  }
  Exec(db.get(), "CREATE INDEX Points_n ON Points (n)");
}

// The b-tree pages of a file, read as SQLite sees them (decrypted).
class PageImage {
 public:
  PageImage(const std::string& path, bool encrypted) : bytes_(ReadFile(path)) {
    if (encrypted) Cipher(bytes_, 0);
    page_size_ = Be(Page(1) + 16, 2);
    if (page_size_ == 1) page_size_ = 65536;
  }
  int PageSize() const { return page_size_; }
  // The leaf pages of the table whose root is `page`, in key order.
  std::vector<uint32_t> Leaves(uint32_t page) const {
    const unsigned char* p = Page(page) + (page == 1 ? 100 : 0);
    if (p[0] == 0x0D) return {page};
    std::vector<uint32_t> leaves;
    for (uint32_t i = 0; i < Be(p + 3, 2); ++i)
      Append(leaves, Leaves(Be(Page(page) + Be(p + 12 + 2 * i, 2), 4)));
    Append(leaves, Leaves(Be(p + 8, 4)));
    return leaves;
  }
  std::set<long long> RowIds(uint32_t leaf) const {
    const unsigned char* p = Page(leaf);
    std::set<long long> ids;
    for (uint32_t i = 0; i < Be(p + 3, 2); ++i) {
      const unsigned char* cell = p + Be(p + 8 + 2 * i, 2);
      Varint(cell);  // payload size
      ids.insert(Varint(cell));
    }
    return ids;
  }
  static void Cipher(std::string& bytes, long long offset) {
    files::CipherXor(reinterpret_cast<unsigned char*>(bytes.data()),
                     static_cast<long long>(bytes.size()), offset);
  }

 private:
  const unsigned char* Page(uint32_t n) const {
    return reinterpret_cast<const unsigned char*>(bytes_.data()) + (n - 1) * size_t(page_size_);
  }
  static uint32_t Be(const unsigned char* p, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
    return v;
  }
  static long long Varint(const unsigned char*& p) {
    unsigned long long v = 0;
    for (int i = 0; i < 8; ++i) {
      v = (v << 7) | (*p & 0x7f);
      if ((*p++ & 0x80) == 0) return static_cast<long long>(v);
    }
    return static_cast<long long>((v << 8) | *p++);
  }
  static void Append(std::vector<uint32_t>& to, const std::vector<uint32_t>& v) {
    to.insert(to.end(), v.begin(), v.end());
  }
  std::string bytes_;
  int page_size_ = 0;
};

uint32_t RootPage(const std::string& path, bool encrypted, const std::string& table) {
  Db db = OpenVfs(path, encrypted, true);
  auto rows = Rows(db.get(), "(SELECT rootpage AS rowid, name AS label FROM sqlite_master)");
  for (const auto& [root, name] : rows)
    if (name == table) return static_cast<uint32_t>(root);
  return 0;
}

// Overwrites a page with garbage that is no b-tree page, whether or not the file is encrypted.
void Damage(const std::string& path, bool encrypted, uint32_t page, int page_size) {
  std::mt19937 random(page);
  std::string garbage(static_cast<size_t>(page_size), '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  garbage[0] = '\xEE';
  long long offset = (page - 1) * static_cast<long long>(page_size);
  if (encrypted) PageImage::Cipher(garbage, offset);
  std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
  file.seekp(offset);
  file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
}

class FilesTest : public TempDirTest {};

TEST_F(FilesTest, UriEscapesAwkwardPathsAndHonoursReadOnly) {
  fs::create_directories(Dir() / "a b?c#d%20e");
  std::string path = Path("a b?c#d%20e/job 1.db");
  MakeJob(path, false, 3);
  EXPECT_EQ(FileKind::Plain, files::Probe(path));
  EXPECT_EQ(1, std::distance(fs::directory_iterator(Dir()), fs::directory_iterator{}));

  Db db = OpenVfs(path, false, true);
  EXPECT_EQ(3u, Rows(db.get()).size());
  EXPECT_EQ(SQLITE_READONLY,
            sqlite3_exec(db.get(), "DELETE FROM Points", nullptr, nullptr, nullptr) & 0xff);
}

TEST_F(FilesTest, ProbeTellsFileKinds) {
  EXPECT_EQ(FileKind::Missing, files::Probe(Path("no-folder/none.db")));
  WriteFile(Path("empty.db"), "");
  EXPECT_EQ(FileKind::Empty, files::Probe(Path("empty.db")));
  EXPECT_EQ(FileKind::Unknown, files::Probe(Dir().string()));
  MakeJob(Path("plain.db"), false, 1);
  EXPECT_EQ(FileKind::Plain, files::Probe(Path("plain.db")));
  MakeJob(Path("secret.db"), true, 1);
  EXPECT_EQ(FileKind::Encrypted, files::Probe(Path("secret.db")));
  fs::permissions(Path("plain.db"), fs::perms::none);
  EXPECT_EQ(static_cast<int>(FileKind::Unreadable), test::WithoutFileOverride([&] {
              return static_cast<int>(files::Probe(Path("plain.db")));
            }));
}

// Exclusive opens against another process are the job file tests'; these are the rest.
TEST_F(FilesTest, LocksCountHoldersAcrossNamesAndProcesses) {
  std::string path = Path("job.db");
  EXPECT_NRX_ERROR(err::kFileMissing, files::FileLock::Acquire(path, false));
  MakeJob(path, false, 1);
  {
    auto first = files::FileLock::Acquire(path, false);
    auto second = files::FileLock::Acquire(path, false);
    first.reset();
    EXPECT_NRX_ERROR(err::kFileInUse, files::FileLock::Acquire(path, true));
  }
  EXPECT_FALSE(files::IsHeld(path));
  // Another name of the same file is the same file.
  fs::create_symlink(path, Path("link.db"));
  {
    auto exclusive = files::FileLock::Acquire(Path("link.db"), true);
    EXPECT_TRUE(files::IsHeldExclusively(path));
    EXPECT_NRX_ERROR(err::kFileInUse, files::FileLock::Acquire(path, false));
  }
  // A shared holder elsewhere keeps exclusive opens out here, and shared ones in.
  auto child = LockInChild(path, false);
  ASSERT_TRUE(child->Worked());
  EXPECT_TRUE(files::IsHeld(path));
  EXPECT_FALSE(files::IsHeldExclusively(path));
  EXPECT_NRX_ERROR(err::kFileInUse, files::FileLock::Acquire(path, true));
  auto shared = files::FileLock::Acquire(path, false);
  child->Release();
  EXPECT_TRUE(files::IsHeld(path));  // by us, now
}

// Whether another process sees a POSIX lock on SQLite's reserved byte of the file.
bool OthersSeeReservedLock(const std::string& path) {
  pid_t pid = fork();
  if (pid == 0) {
    int fd = open(path.c_str(), O_RDONLY);
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    probe.l_start = 0x40000001;
    probe.l_len = 1;
    _exit(fd >= 0 && fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(FilesTest, QueriesOnAHeldFileKeepSqliteLocks) {
  std::string path = Path("job.db");
  MakeJob(path, false, 10);
  auto lock = files::FileLock::Acquire(path, false);
  Db db = OpenVfs(path, false);
  Exec(db.get(), "BEGIN IMMEDIATE");
  ASSERT_TRUE(OthersSeeReservedLock(path));

  EXPECT_EQ(FileKind::Plain, files::Probe(path));
  files::FileLock::Acquire(path, false).reset();
  EXPECT_TRUE(OthersSeeReservedLock(path));

  // The check above can fail: a plain open and close of the file drops the lock.
  close(open(path.c_str(), O_RDONLY));
  EXPECT_FALSE(OthersSeeReservedLock(path));
  Exec(db.get(), "ROLLBACK");
}

class RepairTest : public TempDirTest, public ::testing::WithParamInterface<bool> {};

TEST_P(RepairTest, RecoversExactlyTheRowsOnUndamagedPages) {
  const bool encrypted = GetParam();
  std::string path = Path("job.db");
  MakeJob(path, encrypted, 5000);
  PageImage image(path, encrypted);
  std::map<std::string, std::set<long long>> lost;
  auto damage = [&](const std::string& table, std::initializer_list<size_t> pages) {
    std::vector<uint32_t> leaves = image.Leaves(RootPage(path, encrypted, table));
    ASSERT_GT(leaves.size(), 40u);
    for (size_t i : pages) {
      size_t leaf = std::min(i, leaves.size() - 1);
      lost[table].merge(image.RowIds(leaves[leaf]));
      Damage(path, encrypted, leaves[leaf], image.PageSize());
    }
  };
  // Without an index: the first and last pages, a lone page and two neighbours, each found
  // past by seeking. With one: a readable page between damaged ones right after a long damaged
  // stretch, which seeking jumps over and the index still lists.
  damage("Notes", {0, 3, 20, 21, 1000});
  damage("Points", {5, 6, 7, 9, 10});
  std::string damaged = ReadFile(path);

  files::RepairFile(path);
  EXPECT_EQ(damaged, ReadFile(path + ".damaged"));
  EXPECT_EQ(encrypted ? FileKind::Encrypted : FileKind::Plain, files::Probe(path));
  Db db = OpenVfs(path, encrypted);
  for (const auto& [table, lost_ids] : lost) {
    auto rows = Rows(db.get(), table);
    EXPECT_EQ(5000u - lost_ids.size(), rows.size()) << table;
    for (const auto& [id, label] : rows) {
      EXPECT_FALSE(lost_ids.count(id)) << table << " " << id;
      EXPECT_EQ(Label(id), label);
    }
  }
  EXPECT_EQ("format 4", Rows(db.get(), "MSysInfo").begin()->second);
  EXPECT_EQ("ok", Rows(db.get(), "(SELECT 1 AS rowid, integrity_check AS label FROM "
                                 "pragma_integrity_check)")[1]);
  EXPECT_EQ(SQLITE_OK, sqlite3_exec(db.get(), "DROP INDEX Points_n", 0, 0, 0));
}

// An encrypted file's journal hides its texts as the file does.
TEST_P(RepairTest, ReadsAFileLeftWithAHotJournalAsItsJournalRestoresIt) {
  const bool encrypted = GetParam();
  std::string path = Path("job.db");
  MakeJob(path, encrypted, 2000);
  {
    Db db = OpenVfs(path, encrypted);
    // A small cache makes SQLite write changed pages before the commit, so the journal holds
    // the originals the file no longer has.
    Exec(db.get(), "PRAGMA cache_size = 4; BEGIN; UPDATE Points SET label = 'half written'");
    fs::copy_file(path, Path("crash.db"));
    fs::copy_file(path + "-journal", Path("crash.db-journal"));
  }
  std::string journal = ReadFile(Path("crash.db-journal"));
  ASSERT_GT(journal.size(), 10000u);
  for (int n = 1; n <= 2000; n += 97)
    EXPECT_EQ(!encrypted, journal.find(Label(n)) != std::string::npos) << n;
  std::string crash = Path("crash.db");
  files::RepairFile(crash);
  EXPECT_FALSE(fs::exists(crash + "-journal"));
  EXPECT_TRUE(fs::exists(crash + ".damaged-journal"));
  Db db = OpenVfs(crash, encrypted);
  auto rows = Rows(db.get());
  ASSERT_EQ(2000u, rows.size());
  EXPECT_EQ(Label(1234), rows[1234]);
}

INSTANTIATE_TEST_SUITE_P(PlainAndEncrypted, RepairTest, ::testing::Bool(),
                         [](const auto& p) { return p.param ? "Encrypted" : "Plain"; });

TEST_F(FilesTest, RepairRefusesWhatItCannotReadAndLeavesItAlone) {
  EXPECT_NRX_ERROR(err::kFileMissing, files::RepairFile(Path("none.db")));
  std::mt19937 random(7);
  std::string noise(20000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  WriteFile(Path("noise.db"), noise);
  EXPECT_NRX_ERROR(err::kNotADatabase, files::RepairFile(Path("noise.db")));

  // A sound header over a first page of garbage: no schema to read.
  std::string path = Path("job.db");
  MakeJob(path, false, 100);
  std::string bytes = ReadFile(path);
  std::copy(noise.begin() + 100, noise.begin() + 4096, bytes.begin() + 100);
  WriteFile(path, bytes);
  EXPECT_NRX_ERROR(err::kNotADatabase, files::RepairFile(path));
  EXPECT_EQ(bytes, ReadFile(path));
  EXPECT_EQ(2, std::distance(fs::directory_iterator(Dir()), fs::directory_iterator{}));

  MakeJob(Path("held.db"), false, 1);
  auto lock = files::FileLock::Acquire(Path("held.db"), false);
  EXPECT_NRX_ERROR(err::kFileInUse, files::RepairFile(Path("held.db")));
}

}  // namespace
}  // namespace nrx::test
