// The error stack and the error log that writes its records beside the job.

#include "nrxJobDb/error_log.h"

#include <gtest/gtest.h>

#include <fstream>

#include "nrxJobDb/error_stack.h"
#include "support/test_support.h"

namespace nrx {
namespace {

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class ErrorLogTest : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    ErrorStack::Instance().Reset();
  }
};

TEST_F(ErrorLogTest, RecordsMadeAfterStartAreAppendedBesideTheJob) {
  const std::string job = Path("site.njb");
  ErrorStack::Instance().Record("before", "not logged");
  {
    ErrorLog log;
    log.Start(job);
    EXPECT_EQ(job + ".log", log.LogPath());
    ErrorStack::Instance().Record("nrxEngine.Database", "(Class Module) cJobProcs::Sub OpenJobDB");
  }
  ErrorStack::Instance().Record("after", "not logged either");

  std::vector<std::string> lines = Lines(job + ".log");
  ASSERT_EQ(2u, lines.size());
  EXPECT_NE(std::string::npos, lines[0].find("log started for " + job));
  EXPECT_NE(std::string::npos,
            lines[1].find("\tnrxEngine.Database\t(Class Module) cJobProcs::Sub OpenJobDB"));
  EXPECT_EQ(3u, ErrorStack::Instance().Count());
}

TEST_F(ErrorLogTest, StartingAgainMovesTheLogAndKeepsEarlierText) {
  ErrorLog log;
  log.Start(Path("a.njb"));
  log.Start(Path("b.njb"));
  ErrorStack::Instance().Record("s", "p");
  EXPECT_EQ(1u, Lines(Path("a.njb.log")).size());
  EXPECT_EQ(2u, Lines(Path("b.njb.log")).size());
  log.Start(Path("b.njb"));  // appended to, not truncated
  EXPECT_EQ(3u, Lines(Path("b.njb.log")).size());
  log.Stop();
  ErrorStack::Instance().Record("s", "p");
  EXPECT_EQ(3u, Lines(Path("b.njb.log")).size());
}

TEST_F(ErrorLogTest, FolderGetsANamedLogAndAnUnwritablePlaceRaises75) {
  ErrorLog log;
  log.Start(Dir().string());
  EXPECT_EQ((Dir() / "nrxJobDb.log").string(), log.LogPath());
  ErrorLog other;
  EXPECT_NRX_ERROR(err::kPathAccess, other.Start(Path("missing/site.njb")));
  EXPECT_FALSE(other.Started());
  EXPECT_NRX_ERROR(err::kPathAccess, other.Start(""));
}

TEST(ErrorStackTest, OldestRecordsMakeRoomBeyondTheCapacity) {
  ErrorStack stack;
  for (std::size_t i = 0; i < ErrorStack::kCapacity + 2; ++i) stack.Record(std::to_string(i), "p");
  std::vector<ErrorStack::Entry> records = stack.Records();
  ASSERT_EQ(ErrorStack::kCapacity, records.size());
  EXPECT_EQ("2", records.front().first);
}

}  // namespace
}  // namespace nrx
