// njb fixed: the fixed points of a job's points table, with what point entry says of each.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "cli/in_process.h"
#include "fixedpoints/fixed_points_job.h"

namespace nrx::test {
namespace {

class FixedCommand : public FixedPointsJob {
 protected:
  void SetUp() override {
    FixedPointsJob::SetUp();
    MakeTable("Points");
    MakeTable("GridEntry");
  }

  CommandResult Fixed(bool json) {
    db_->Close();
    return RunInProcess(njb::RunFixed, {.file = path_, .json = json});
  }
};

TEST_F(FixedCommand, ListsTheFixedPointsInOrderWithTheirPointEntryFlag) {
  Add("Points", 40, Variant(std::uint8_t{1}));
  Add("Points", 7, Variant(std::uint8_t{2}));
  Add("Points", 12, Variant(std::uint8_t{0}));
  Add("Points", 9, Variant::Null());
  Add("GridEntry", 7, Variant(true));
  Add("GridEntry", 40, Variant(false));

  const CommandResult json = Fixed(true);
  EXPECT_EQ(json.exit_code, njb::kExitOk);
  EXPECT_EQ(json.output,
            "{\"table\":\"Points\",\"count\":2,\"points\":[{\"pointNo\":7,\"fixedInPointEntry\":"
            "true},{\"pointNo\":40,\"fixedInPointEntry\":false}]}\n");

  db_ = ws_->OpenDatabase(path_);
  const CommandResult text = Fixed(false);
  EXPECT_EQ(text.output,
            "Points: 2 fixed points\n"
            "           7  fixed in point entry\n"
            "          40  not fixed in point entry\n");
}

TEST_F(FixedCommand, AJobWithoutFixedPointsOrWithoutAPointsTable) {
  Add("Points", 12, Variant(std::uint8_t{0}));
  EXPECT_EQ(Fixed(false).output, "Points: 0 fixed points\n");

  db_ = ws_->OpenDatabase(path_);
  db_->TableDefsDelete("Points");
  const Error e = ErrorOf([&] { Fixed(false); });  // a job without its points table
  EXPECT_EQ(e.Number(), err::kNoSuchTable);
  EXPECT_CONTAINS(std::string(e.what()), path_);
  EXPECT_NRX_ERROR(err::kFileMissing,
                   RunInProcess(njb::RunFixed, njb::FixedOptions{.file = Path("none.njb")}));
}

}  // namespace
}  // namespace nrx::test
