// The disk's file operations: a rename never replaces a file or moves an open job, and works
// across file systems.

#include <sys/stat.h>
#include <unistd.h>

#include "lifecycle_fixture.h"

namespace nrx {
namespace {

class DiskFiles : public test::LifecycleTest {
 protected:
  lifecycle::DiskJobFiles files_;
};

TEST_F(DiskFiles, RenameRefusesWhatWouldLoseAFile) {
  test::WriteFile(Path("a"), "a");
  test::WriteFile(Path("b"), "b");
  EXPECT_NRX_ERROR(err::kFileExists, files_.Rename(Path("a"), Path("b")));
  EXPECT_NRX_ERROR(err::kFileNotFound, files_.Rename(Path("none"), Path("c")));
  EXPECT_NRX_ERROR(err::kFileNotFound, files_.Remove(Path("none")));
  EXPECT_EQ("b", test::ReadFile(Path("b")));

  MakeJob(Path("job.njb"), {{1, "CP"}});
  DatabasePtr open = DBEngine::Instance().Workspaces(0)->OpenDatabase(Path("job.njb"), true);
  EXPECT_NRX_ERROR(err::kPermissionDenied, files_.Rename(Path("job.njb"), Path("moved.njb")));
  EXPECT_NRX_ERROR(err::kPermissionDenied, files_.Remove(Path("job.njb")));
  open.reset();
  files_.Rename(Path("job.njb"), Path("moved.njb"));
  EXPECT_EQ((test::PointRecords{{1, "CP"}}), PointsIn(Path("moved.njb")));
}

TEST_F(DiskFiles, RenameMovesAFileFromAnotherFileSystem) {
  struct stat shm_folder {};
  struct stat test_folder {};
  if (::stat("/dev/shm", &shm_folder) != 0 || ::stat(Dir().c_str(), &test_folder) != 0 ||
      shm_folder.st_dev == test_folder.st_dev) {
    GTEST_SKIP() << "no second file system to move from";
  }
  const std::string shm = "/dev/shm/nrxjobdb-" + std::to_string(::getpid());
  test::WriteFile(shm, "opened");
  files_.Rename(shm, Path("site.njb.bak1"));
  EXPECT_EQ("opened", test::ReadFile(Path("site.njb.bak1")));
  EXPECT_FALSE(Exists(shm));
}

}  // namespace
}  // namespace nrx
