// The text utility: temporary names, and the move to the desktop trash.

#include "nrxJobDb/text_utility.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "support/test_support.h"

namespace nrx::model {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

class TextUtilityTest : public test::TempDirTest {
 protected:
  // XDG_DATA_HOME points into the test's folder (TempDirTest), so the user's own trash is never
  // touched.
  fs::path Trash() { return Dir() / "data" / "Trash"; }
  std::string MakeFile(const std::string& name, const std::string& text) {
    WriteFile(Path(name), text);
    return Path(name);
  }

  TextUtility& util_ = TextUtility::Instance();
};

TEST_F(TextUtilityTest, TempFileNameNamesAFreeFileInTheFolder) {
  std::string first = util_.TempFileName(Dir().string());
  EXPECT_EQ(Dir(), fs::path(first).parent_path());
  EXPECT_FALSE(fs::exists(first));
  WriteFile(first, "taken");
  std::string second = util_.TempFileName(Dir().string());
  EXPECT_NE(first, second);
  EXPECT_FALSE(fs::exists(second));
  EXPECT_EQ(fs::temp_directory_path(), fs::path(util_.TempFileName("")).parent_path());
  EXPECT_NRX_ERROR(err::kPathAccess, util_.TempFileName(Path("missing")));
  EXPECT_NRX_ERROR(err::kPathAccess, util_.TempFileName(first));  // a file is no folder
}

TEST_F(TextUtilityTest, FilesMoveToTheTrashWithTheirInfoUnderNamesOfTheirOwn) {
  std::string file = MakeFile("old backup.bak2", "first");
  ASSERT_TRUE(util_.MoveToRecycleBin(file));
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ("first", ReadFile(Trash() / "files" / "old backup.bak2"));
  std::string info = ReadFile(Trash() / "info" / "old backup.bak2.trashinfo");
  EXPECT_EQ(0u, info.find("[Trash Info]\n"));
  std::string escaped = fs::path(file).parent_path().string() + "/old%20backup.bak2";
  EXPECT_NE(std::string::npos, info.find("\nPath=" + escaped + "\n")) << info;
  EXPECT_NE(std::string::npos, info.find("\nDeletionDate=2")) << info;

  ASSERT_TRUE(util_.MoveToRecycleBin(MakeFile("old backup.bak2", "second")));
  EXPECT_EQ("second", ReadFile(Trash() / "files" / "old backup.2.bak2"));
  EXPECT_TRUE(fs::exists(Trash() / "info" / "old backup.2.bak2.trashinfo"));
}

TEST_F(TextUtilityTest, MoveReportsFailureWhereTheTrashCannotTakeTheFile) {
  EXPECT_FALSE(util_.MoveToRecycleBin(Path("missing.bak2")));
  EXPECT_FALSE(util_.MoveToRecycleBin(Dir().string()));

  // A job held open by the engine stays where it is.
  std::string open_job = MakeFile("open.njb", "job");
  {
    auto holder = test::LockInChild(open_job, false);
    ASSERT_TRUE(holder->Worked());
    EXPECT_FALSE(util_.MoveToRecycleBin(open_job));
  }
  EXPECT_TRUE(fs::exists(open_job));

  // A file on another file system stays, and leaves no info behind.
  const fs::path other = "/dev/shm/nrxjobdb-trash-test-" + std::to_string(::getpid());
  struct stat here {
  }, there{};
  if (::stat(Dir().c_str(), &here) == 0 && ::stat("/dev/shm", &there) == 0 &&
      here.st_dev != there.st_dev && ::access("/dev/shm", W_OK) == 0) {
    WriteFile(other, "elsewhere");
    EXPECT_FALSE(util_.MoveToRecycleBin(other.string()));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::is_empty(Trash() / "info"));
    fs::remove(other);
  }

  // A trash that cannot be made: a plain file stands where its folder belongs.
  fs::remove_all(Trash());
  fs::create_directories(Dir() / "data");
  WriteFile(Trash(), "not a folder");
  std::string file = MakeFile("keep.bak2", "kept");
  EXPECT_FALSE(util_.MoveToRecycleBin(file));
  EXPECT_EQ("kept", ReadFile(file));
}

}  // namespace
}  // namespace nrx::model
