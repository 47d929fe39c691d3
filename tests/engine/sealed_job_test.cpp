// Encrypted jobs: every page sealed under a key of the file's own, tampering and damage refused
// with the page named, passwords, changing them, and jobs of the earlier encrypted format.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "engine/file_vfs.h"
#include "engine/page_cipher.h"
#include "engine/sealed_file.h"
#include "engine_fixture.h"

namespace nrx::test {
namespace {

namespace fs = std::filesystem;

constexpr int kRows = 600;
constexpr std::size_t kPageSize = 4096;

std::string Label(int n) { return "Station " + std::to_string(n) + " on the north pier"; }

std::string WithPassword(const std::string& password) {
  return std::string(kJobConnect) + ";PWD=" + password;
}

std::vector<std::string> Pages(const std::string& bytes) {
  std::vector<std::string> pages;
  for (std::size_t at = 0; at < bytes.size(); at += kPageSize) pages.push_back(bytes.substr(at, kPageSize));
  return pages;
}

std::string Join(const std::vector<std::string>& pages) {
  std::string bytes;
  for (const auto& page : pages) bytes += page;
  return bytes;
}

class SealedJobTest : public EngineTest {
 protected:
  // A job whose table T holds kRows labelled records over many pages, closed again.
  std::string MakeJob(const std::string& name, std::string_view connect = kJobConnect,
                      int options = dbEncrypt) {
    auto db = ws_->CreateDatabase(Path(name), connect, options);
    MakeTable(*db, "T", {{"N", dbLong, 0}, {"Label", dbText, 60}});
    ws_->BeginTrans();
    auto rs = db->OpenRecordset("T");
    for (int n = 0; n < kRows; ++n) AddRecord(*rs, {{"N", n}, {"Label", Label(n)}});
    ws_->CommitTrans();
    rs.reset();
    db->Close();
    return Path(name);
  }

  // Reads every record; each one read must be the one written. Returns how many were read and
  // the error that stopped the reading, if any.
  std::pair<int, std::optional<Error>> ReadAll(const std::string& path,
                                               std::string_view connect = {}) {
    int read = 0;
    try {
      auto db = ws_->OpenDatabase(path, false, true, connect);
      auto rs = db->OpenRecordset("SELECT N, Label FROM T ORDER BY N");
      for (; !rs->Eof(); rs->MoveNext(), ++read) {
        int n = rs->Fields("N")->Value().ToLong();
        EXPECT_EQ(Label(n), rs->Fields("Label")->Value().ToText());
      }
      db->Close();
    } catch (const Error& e) {
      return {read, e};
    }
    return {read, std::nullopt};
  }

  void ExpectOpensWith(const std::string& path, std::string_view connect) {
    auto [read, error] = ReadAll(path, connect);
    EXPECT_FALSE(error) << error->Description();
    EXPECT_EQ(kRows, read);
  }
};

TEST_F(SealedJobTest, JobsShareNoCiphertextAndRewrittenPagesChange) {
  std::string first = MakeJob("first.njb");
  std::string second = MakeJob("second.njb");
  std::string bytes = ReadFile(first);
  EXPECT_EQ(files::FileKind::Sealed, files::Probe(first));
  // Neither the file's format, its records nor the engine's own tables show through.
  for (const char* text : {"SQLite format 3", "north pier", "MSysIndexes", "LANGID"})
    EXPECT_EQ(std::string::npos, bytes.find(text)) << text;
  auto first_pages = Pages(bytes);
  ASSERT_GT(first_pages.size(), 8u);
  for (const auto& page : Pages(ReadFile(second)))
    EXPECT_EQ(first_pages.end(), std::find(first_pages.begin(), first_pages.end(), page));

  // Records changed and changed back, each in place (their size stays): the pages hold what
  // they held, sealed afresh.
  {
    auto db = ws_->OpenDatabase(first);
    db->Execute("UPDATE T SET N = N + 1000 WHERE N >= 128");
    db->Execute("UPDATE T SET N = N - 1000 WHERE N >= 1128");
  }
  auto rewritten = Pages(ReadFile(first));
  auto cipher = files::UnlockSealedFile(first, {});
  int same_content_new_seal = 0;
  for (std::size_t i = 1; i < std::min(first_pages.size(), rewritten.size()); ++i) {
    std::string before = first_pages[i], after = rewritten[i];
    auto page_no = static_cast<std::uint32_t>(i + 1);
    ASSERT_TRUE(cipher->Open(reinterpret_cast<unsigned char*>(before.data()), kPageSize, page_no, false));
    ASSERT_TRUE(cipher->Open(reinterpret_cast<unsigned char*>(after.data()), kPageSize, page_no, false));
    if (before == after && first_pages[i] != rewritten[i]) ++same_content_new_seal;
  }
  EXPECT_GE(same_content_new_seal, 3);
}

// Every change made behind the engine's back, in any page, is refused with 3049 naming a
// page it touched, and nothing wrong is read before that; the check of every page and the
// repair name the page too.
TEST_F(SealedJobTest, AlteredMovedOrForeignPagesAreRefusedNamingThePage) {
  std::string path = MakeJob("job.njb");
  auto pristine = Pages(ReadFile(path));
  auto foreign = Pages(ReadFile(MakeJob("other.njb")));
  const std::size_t last = pristine.size() - 1;
  ASSERT_EQ(foreign.size(), pristine.size());
  auto flip = [](std::string page, std::size_t at) {
    page[at] = static_cast<char>(page[at] ^ 0x20);
    return page;
  };
  struct Case {
    const char* what;
    std::size_t page;  // the first page changed, counted from 0 (the error names page + 1)
    std::vector<std::string> pages;
  };
  auto names = [](const std::string& text, std::size_t page) {
    return text.find("Page " + std::to_string(page + 1) + " of") != std::string::npos;
  };
  std::vector<Case> cases;
  auto with = [&](const char* what, std::size_t page, auto change) {
    auto pages = pristine;
    change(pages);
    cases.push_back({what, page, std::move(pages)});
  };
  with("a byte of a record page", last - 2, [&](auto& p) { p[last - 2] = flip(p[last - 2], 700); });
  with("a byte of page 1", 0, [&](auto& p) { p[0] = flip(p[0], 2000); });
  with("the salt", 0, [&](auto& p) { p[0] = flip(p[0], 3); });
  with("a nonce", last, [&](auto& p) { p[last] = flip(p[last], kPageSize - 30); });
  with("two pages swapped", last - 4, [&](auto& p) { std::swap(p[last - 3], p[last - 4]); });
  with("a page of another job", last - 1, [&](auto& p) { p[last - 1] = foreign[last - 1]; });

  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(path, Join(c.pages));
    auto [read, error] = ReadAll(path);
    ASSERT_TRUE(error);
    EXPECT_EQ(err::kNotADatabase, error->Number());
    const std::string& text = error->Description();
    EXPECT_TRUE(names(text, c.page) || (c.page == last - 4 && names(text, last - 3))) << text;
    EXPECT_LT(read, kRows);
    auto problems = DBEngine::Instance().VerifyDatabase(path);
    ASSERT_FALSE(problems.empty());
    EXPECT_TRUE(names(problems[0], c.page)) << problems[0];
  }

  WriteFile(path, Join(pristine));
  EXPECT_TRUE(DBEngine::Instance().VerifyDatabase(path).empty());

  // Repair keeps every record of the pages that open, and names the one that does not.
  WriteFile(path, Join(cases[0].pages));
  std::vector<std::string> bad;
  DBEngine::Instance().RepairDatabase(path, {}, &bad);
  ASSERT_EQ(2u, bad.size());
  EXPECT_TRUE(names(bad[0], last - 2)) << bad[0];
  EXPECT_NE(std::string::npos, bad[1].find("rows on damaged pages could not be read")) << bad[1];
  auto [read, error] = ReadAll(path);
  EXPECT_FALSE(error);
  EXPECT_GT(read, kRows / 2);
  EXPECT_LT(read, kRows);
  EXPECT_TRUE(DBEngine::Instance().VerifyDatabase(path).empty());
}

TEST_F(SealedJobTest, OnlyTheRightPasswordOpensAJobThatHasOne) {
  std::string path = MakeJob("job.njb", WithPassword("tide gauge 7"));
  std::string bytes = ReadFile(path);
  EXPECT_EQ(std::string::npos, bytes.find("tide gauge"));
  for (const std::string& connect : {std::string(kJobConnect), WithPassword("tide gauge 8"),
                                    WithPassword("")}) {
    auto [read, error] = ReadAll(path, connect);
    ASSERT_TRUE(error) << connect;
    EXPECT_EQ(err::kNotValidPassword, error->Number());
    EXPECT_NRX_ERROR(err::kNotValidPassword, ws_->OpenDatabase(path, true, false, connect));
  }
  EXPECT_EQ(bytes, ReadFile(path));
  ExpectOpensWith(path, WithPassword("tide gauge 7"));
  auto db = ws_->OpenDatabase(path, false, true, WithPassword("tide gauge 7"));
  EXPECT_EQ(std::string(kJobConnect), db->Connect());
  db->Close();

  // A job without a password must not pass for one that has it.
  std::string unprotected = MakeJob("plain.njb", kJobConnect, 0);
  EXPECT_NRX_ERROR(err::kNotValidPassword,
                   ws_->OpenDatabase(unprotected, false, false, WithPassword("tide gauge 7")));
}

TEST_F(SealedJobTest, NewPasswordRekeysTheWholeJob) {
  std::string path = MakeJob("job.njb", kJobConnect, 0);
  auto db = ws_->OpenDatabase(path, true);
  EXPECT_NRX_ERROR(err::kNotValidPassword, db->NewPassword("guess", "first"));
  db->NewPassword("", "first");
  EXPECT_EQ(kRows, Count(*db, "T"));  // the open database goes on, under the new key
  db->Execute("INSERT INTO T (N, Label) VALUES (" + std::to_string(kRows) + ", '" + Label(kRows) + "')");
  db->Execute("DELETE FROM T WHERE N = " + std::to_string(kRows));
  db->Close();
  EXPECT_EQ(files::FileKind::Sealed, files::Probe(path));
  EXPECT_EQ(err::kNotValidPassword, ReadAll(path).second->Number());
  ExpectOpensWith(path, WithPassword("first"));

  db = ws_->OpenDatabase(path, true, false, WithPassword("first"));
  EXPECT_NRX_ERROR(err::kNotValidPassword, db->NewPassword("", "second"));
  db->NewPassword("first", "");
  db->Close();
  EXPECT_EQ(files::FileKind::Sealed, files::Probe(path));
  ExpectOpensWith(path, {});

  // Shared, the job cannot be written anew under someone else's feet.
  db = ws_->OpenDatabase(path);
  EXPECT_NRX_ERROR(err::kFileInUse, db->NewPassword("", "third"));
}

// The rewrite is put in place by one rename: a process killed at any moment of it leaves the
// job openable with the old password or the new one.
TEST_F(SealedJobTest, NewPasswordKilledPartWayLeavesOneOfThePasswords) {
  std::string path = MakeJob("job.njb", WithPassword("old"));
  // The child swaps the two passwords, whichever the job has now.
  auto rekey_in_child = [&](std::chrono::microseconds kill_after) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = ::fork();
    if (pid == 0) {
      auto ws = std::make_shared<Workspace>("child");
      for (const auto& [from, to] : {std::pair{"old", "new"}, {"new", "old"}}) {
        try {
          ws->OpenDatabase(path, true, false, WithPassword(from))->NewPassword(from, to);
          ::_exit(0);
        } catch (const Error&) {
        }
      }
      ::_exit(1);
    }
    if (kill_after.count() > 0) {
      std::this_thread::sleep_for(kill_after);
      ::kill(pid, SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 start);
  };
  auto whole = rekey_in_child(std::chrono::microseconds(0));
  for (int step = 1; step <= 3; ++step) {
    rekey_in_child(whole * step / 4);
    fs::remove(path + ".rekey");
    auto [read_old, error_old] = ReadAll(path, WithPassword("old"));
    if (!error_old) {
      EXPECT_EQ(kRows, read_old);
      continue;
    }
    EXPECT_EQ(err::kNotValidPassword, error_old->Number()) << error_old->Description();
    ExpectOpensWith(path, WithPassword("new"));
  }
}

// A job of the earlier format (one stream over the whole file) still opens; opened for
// writing, it is rewritten sealed, with every record.
TEST_F(SealedJobTest, JobsOfTheEarlierFormatOpenAndAreRewrittenSealed) {
  std::string path = MakeJob("job.njb", kJobConnect, 0);
  std::string bytes = ReadFile(path);
  files::CipherXor(reinterpret_cast<unsigned char*>(bytes.data()),
                   static_cast<long long>(bytes.size()), 0);
  WriteFile(path, bytes);
  ASSERT_EQ(files::FileKind::Encrypted, files::Probe(path));

  ExpectOpensWith(path, {});
  EXPECT_EQ(files::FileKind::Encrypted, files::Probe(path));
  ws_->OpenDatabase(path)->Execute("UPDATE T SET Label = Label");
  EXPECT_EQ(files::FileKind::Sealed, files::Probe(path));
  ExpectOpensWith(path, {});
  EXPECT_TRUE(DBEngine::Instance().VerifyDatabase(path).empty());
}

}  // namespace
}  // namespace nrx::test
