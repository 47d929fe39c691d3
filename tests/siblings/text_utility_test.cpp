// The text utility: temporary names, and the move to the desktop trash.

#include "nrxJobDb/text_utility.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "engine/file_vfs.h"
#include "support/test_support.h"

namespace nrx::model {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class TempFileNameTest : public test::TempDirTest {};

TEST_F(TempFileNameTest, NamesAFreeFileInTheFolder) {
  TextUtility& util = TextUtility::Instance();
  std::string first = util.TempFileName(Dir().string());
  EXPECT_EQ(Dir(), fs::path(first).parent_path());
  EXPECT_FALSE(fs::exists(first));
  std::ofstream(first) << "taken";
  std::string second = util.TempFileName(Dir().string());
  EXPECT_NE(first, second);
  EXPECT_FALSE(fs::exists(second));
  EXPECT_EQ(fs::temp_directory_path(), fs::path(util.TempFileName("")).parent_path());
  EXPECT_NRX_ERROR(err::kPathAccess, util.TempFileName(Path("missing")));
  EXPECT_NRX_ERROR(err::kPathAccess, util.TempFileName(first));  // a file is no folder
}

// Points XDG_DATA_HOME into the test's folder, so the user's own trash is never touched.
class RecycleBinTest : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    if (const char* old = std::getenv("XDG_DATA_HOME")) saved_ = old;
    ::setenv("XDG_DATA_HOME", Path("data").c_str(), 1);
  }
  void TearDown() override {
    saved_ ? ::setenv("XDG_DATA_HOME", saved_->c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    TempDirTest::TearDown();
  }
  fs::path Trash() { return Dir() / "data" / "Trash"; }
  std::string MakeFile(const std::string& name, const std::string& text) {
    std::ofstream(Path(name)) << text;
    return Path(name);
  }

  TextUtility& util_ = TextUtility::Instance();
  std::optional<std::string> saved_;
};

TEST_F(RecycleBinTest, FileMovesToTheTrashWithItsInfo) {
  std::string file = MakeFile("old backup.bak2", "backup");
  ASSERT_TRUE(util_.MoveToRecycleBin(file));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ("backup", ReadFile(Trash() / "files" / "old backup.bak2"));
  std::string info = ReadFile(Trash() / "info" / "old backup.bak2.trashinfo");
  EXPECT_EQ(0u, info.find("[Trash Info]\n"));
  std::string escaped = fs::path(file).parent_path().string() + "/old%20backup.bak2";
  EXPECT_NE(std::string::npos, info.find("\nPath=" + escaped + "\n")) << info;
  EXPECT_NE(std::string::npos, info.find("\nDeletionDate=2")) << info;
}

TEST_F(RecycleBinTest, SecondFileOfTheSameNameGetsAnotherName) {
  ASSERT_TRUE(util_.MoveToRecycleBin(MakeFile("site.njb.bak2", "first")));
  ASSERT_TRUE(util_.MoveToRecycleBin(MakeFile("site.njb.bak2", "second")));
  EXPECT_EQ("first", ReadFile(Trash() / "files" / "site.njb.bak2"));
  EXPECT_EQ("second", ReadFile(Trash() / "files" / "site.njb.2.bak2"));
  EXPECT_TRUE(fs::exists(Trash() / "info" / "site.njb.2.bak2.trashinfo"));
}

TEST_F(RecycleBinTest, ReportsFailureWhereTheTrashCannotTakeTheFile) {
  EXPECT_FALSE(util_.MoveToRecycleBin(Path("missing.bak2")));
  EXPECT_FALSE(util_.MoveToRecycleBin(Dir().string()));

  // A job held open by the engine stays where it is.
  std::string open_job = MakeFile("open.njb", "job");
  {
    auto lock = files::FileLock::Acquire(open_job, false);
    EXPECT_FALSE(util_.MoveToRecycleBin(open_job));
  }
  EXPECT_TRUE(fs::exists(open_job));

  // A trash that cannot be made: a plain file stands where its folder belongs.
  fs::create_directories(Dir() / "data");
  std::ofstream(Trash()) << "not a folder";
  std::string file = MakeFile("keep.bak2", "kept");
  EXPECT_FALSE(util_.MoveToRecycleBin(file));
  EXPECT_EQ("kept", ReadFile(file));
}

TEST_F(RecycleBinTest, FileOnAnotherFileSystemStaysAndLeavesNoInfoBehind) {
  const fs::path other = "/dev/shm";
  struct stat here {
  }, there{};
  if (::stat(Dir().c_str(), &here) != 0 || ::stat(other.c_str(), &there) != 0 ||
      here.st_dev == there.st_dev || ::access(other.c_str(), W_OK) != 0) {
    GTEST_SKIP() << "no second writable file system";
  }
  const fs::path file = other / ("nrxjobdb-trash-test-" + std::to_string(::getpid()));
  std::ofstream(file) << "elsewhere";
  EXPECT_FALSE(util_.MoveToRecycleBin(file.string()));
  EXPECT_TRUE(fs::exists(file));
  EXPECT_TRUE(fs::is_empty(Trash() / "info"));
  fs::remove(file);
}

}  // namespace
}  // namespace nrx::model
