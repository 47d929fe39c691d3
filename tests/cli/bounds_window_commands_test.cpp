// njb bounds and window, called as functions on jobs whose points span projection zones.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

#include "cli/command_fixture.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/engine.h"
#include "nrxJobDb/numeric_constants.h"

namespace nrx::test {
namespace {

struct JobPoint {
  int number;
  std::optional<double> x, y;
  int zone;
};

class BoundsWindowCommands : public CommandTest {
 protected:
  // A job with its job details (one record of zero bounds, unless `withDetails` is false) and
  // points tables as the catalogue makes them, holding `points`.
  std::string MakeJob(const std::string& name, const std::vector<JobPoint>& points,
                      bool withDetails = true) {
    const std::string path = Path(name);
    auto ws = std::make_shared<Workspace>("maker");
    DatabasePtr db = ws->CreateDatabase(path, kJobConnect, dbEncrypt);
    cJobProcs procs;
    procs.CreateJobDBTable(db, "JobDetails", path);
    procs.CreateJobDBTable(db, "Points", path);
    ws->BeginTrans();
    if (withDetails) {
      db->Execute(
          "INSERT INTO JobDetails (MinimumX, MinimumY, MaximumX, MaximumY, ValidHorizPts, "
          "CurrentMaxPoint, FirstFreePoint, MinimumZone, MaximumZone, FirstPointStored, Surveyor) "
          "VALUES (0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 'Ann')");
    }
    RecordsetPtr rs = db->OpenRecordset("Points", dbOpenTable);
    for (const JobPoint& p : points) {
      rs->AddNew();
      rs->Fields("PointNo")->SetValue(Variant(p.number));
      if (p.x) rs->Fields("X")->SetValue(Variant(*p.x));
      if (p.y) rs->Fields("Y")->SetValue(Variant(*p.y));
      rs->Fields("Zone")->SetValue(Variant(static_cast<std::int16_t>(p.zone)));
      rs->Update();
    }
    ws->CommitTrans();
    return path;
  }

  // The job details fields as the file holds them, read outside the commands' workspace.
  static std::map<std::string, double> Details(const std::string& path) {
    auto ws = std::make_shared<Workspace>("reader");
    DatabasePtr db = ws->OpenDatabase(path, false, true);
    RecordsetPtr rs = db->OpenRecordset("JobDetails", dbOpenSnapshot);
    std::map<std::string, double> out;
    for (const char* name :
         {"MinimumX", "MinimumY", "MaximumX", "MaximumY", "ValidHorizPts", "CurrentMaxPoint",
          "FirstFreePoint", "MinimumZone", "MaximumZone", "FirstPointStored"}) {
      out[name] = rs->Fields(name)->Value().ToDouble();
    }
    return out;
  }

  CommandResult Bounds(const std::string& path, njb::AnswerOptions answers) {
    return RunInProcess(njb::RunBounds, {.file = path, .answers = answers});
  }
  CommandResult Window(const std::string& path, std::string min, std::string max,
                       bool outside = false, bool json = false) {
    return RunInProcess(njb::RunWindow, {.file = path,
                                         .min = std::move(min),
                                         .max = std::move(max),
                                         .outside = outside,
                                         .json = json});
  }

  // Zones 59, 60 and 1 in a row, a point without X and one whose Y is the null value.
  const std::vector<JobPoint> kAcrossTheWrap = {
      {2, 480500, 6000100, 59},
      {3, 520000, 6050000, 59},
      {5, 500000, 6020000, 60},
      {7, 219000, 6099000, 1},
      {8, 150000, 6001000, 1},
      {9, std::nullopt, 6010000, 60},
      {1, 200000, model::NumericConstants::Instance().NullValue(), 1}};
};

TEST_F(BoundsWindowCommands, BoundsSavesTheExtentAcrossTheWrapOnYesOnly) {
  const std::string job = MakeJob("wrap.njb", kAcrossTheWrap);
  const std::map<std::string, double> zeros = Details(job);

  const CommandResult declined = Bounds(job, {.no = true});
  ASSERT_EQ(0, declined.exit_code) << declined.output;
  EXPECT_CONTAINS(declined.output, "  MinimumZone       59                 changed, was 0\n");
  EXPECT_CONTAINS(declined.output, "10 values changed");
  EXPECT_EQ(zeros, Details(job));

  const CommandResult saved = Bounds(job, {.yes = true});
  ASSERT_EQ(0, saved.exit_code) << saved.output;
  EXPECT_CONTAINS(saved.output, "Save now ?\n   -> Yes");
  const std::map<std::string, double> expected = {
      {"MinimumX", 480500}, {"MaximumX", 219000},   {"MinimumY", 6000100}, {"MaximumY", 6099000},
      {"ValidHorizPts", 5}, {"CurrentMaxPoint", 9}, {"FirstFreePoint", 4}, {"MinimumZone", 59},
      {"MaximumZone", 1},   {"FirstPointStored", 1}};
  EXPECT_EQ(expected, Details(job));

  const CommandResult again = Bounds(job, {.yes = true});
  ASSERT_EQ(0, again.exit_code) << again.output;
  EXPECT_CONTAINS(again.output, "0 values changed");
  EXPECT_EQ(std::string::npos, again.output.find("Save now"));
  EXPECT_TRUE(NoTemporaryCopyLeft());
}

TEST_F(BoundsWindowCommands, BoundsSpansTheShortestRunOfZonesOrAllWhenSomeAreNotNumbered) {
  // Zones of points 1, 2 and 3, and the west and east zones of the extent.
  const std::tuple<std::array<int, 3>, int, int> cases[] = {{{1, 2, 60}, 60, 2},
                                                            {{0, 59, 1}, 0, 59}};
  for (const auto& [zones, west, east] : cases) {
    std::vector<JobPoint> points;
    for (int zone : zones) points.push_back({static_cast<int>(points.size()) + 1, 1, 1, zone});
    const std::string job = MakeJob(fmt::format("zones{}.njb", west), points);
    ASSERT_EQ(0, Bounds(job, {.yes = true}).exit_code);
    EXPECT_EQ(west, Details(job).at("MinimumZone"));
    EXPECT_EQ(east, Details(job).at("MaximumZone"));
  }
}

TEST_F(BoundsWindowCommands, BoundsWithoutADetailsRecordOrAJobSaysSo) {
  const std::string job = MakeJob("bare.njb", kAcrossTheWrap, /*withDetails=*/false);
  const CommandResult bare = Bounds(job, {.yes = true});
  EXPECT_EQ(1, bare.exit_code) << bare.output;
  EXPECT_CONTAINS(bare.output, "JobDetails holds no record");
  EXPECT_NRX_ERROR(err::kFileNotFound, Bounds(Path("none.njb"), {.yes = true}));
}

TEST_F(BoundsWindowCommands, WindowSelectsThePointsInsideOrOutsideAcrossTheWrap) {
  const std::string job = MakeJob("wrap.njb", kAcrossTheWrap);
  const CommandResult inside = Window(job, "480000,6000000,59", "220000,6100000,1");
  ASSERT_EQ(0, inside.exit_code) << inside.output;
  EXPECT_CONTAINS(inside.output,
                  "Condition:     (((Zone < 59 and (Zone + 60 - 59) * 1000000 + X > 480000)");
  EXPECT_CONTAINS(inside.output, "5 points inside the window\n");

  const CommandResult outside =
      Window(job, "480000,6000000,59", "220000,6050000,1", /*outside=*/true, /*json=*/true);
  ASSERT_EQ(0, outside.exit_code) << outside.output;
  const std::string condition =
      cJobProcs().MultiZoneSELECT(480000, 6000000, 220000, 6050000, 59, 1, true);
  EXPECT_EQ("{\"condition\":\"" + condition +
                "\",\"points\":[{\"pointNo\":1,\"x\":200000,\"y\":-1e+38,\"zone\":1},"
                "{\"pointNo\":7,\"x\":219000,\"y\":6099000,\"zone\":1}]}\n",
            outside.output);
}

TEST_F(BoundsWindowCommands, WindowRefusesACornerThatIsNotXYZone) {
  const std::string job = MakeJob("wrap.njb", {});
  for (const char* corner : {"480000,6000000", "480000,6000000,1.5", "a,b,c", "1,2,40000"}) {
    SCOPED_TRACE(corner);
    EXPECT_NRX_ERROR(err::kInvalidCall, Window(job, corner, "220000,6100000,1"));
  }
}

}  // namespace
}  // namespace nrx::test
