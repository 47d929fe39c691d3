// SaveJobBounds and MultiZoneSELECT: the job's extent saved field by field, and the conditions
// of windows across projection zones run through the engine.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "catalogue/job_fixture.h"

namespace nrx::test {
namespace {

// ---------------------------------------------------------------------------------------------
// SaveJobBounds

class SaveJobBounds : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    procs_->CreateJobDBTable(db_, "JobDetails", path_);
    db_->Execute(
        "INSERT INTO JobDetails (MinimumX, MinimumY, MaximumX, MaximumY, ValidHorizPts, "
        "CurrentMaxPoint, FirstFreePoint, MinimumZone, MaximumZone, FirstPointStored, Surveyor) "
        "VALUES (0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 'first')");
    db_->Execute("INSERT INTO JobDetails (MinimumX, Surveyor) VALUES (0, 'second')");
  }

  // The ten fields of the first record, by name, as a fresh recordset reads them.
  std::vector<std::pair<std::string, Variant>> Saved() {
    RecordsetPtr rs = db_->OpenRecordset("SELECT * FROM JobDetails ORDER BY Surveyor");
    std::vector<std::pair<std::string, Variant>> out;
    for (const auto& [name, value] : kNewBounds) out.emplace_back(name, rs->Fields(name)->Value());
    return out;
  }

  // Every value differs from the record's, each of its field's type.
  const std::vector<std::pair<std::string, Variant>> kNewBounds = {
      {"MinimumX", Variant(480000.25)},
      {"MinimumY", Variant(-2.5)},
      {"MaximumX", Variant(220000.0)},
      {"MaximumY", Variant(6100000.5)},
      {"ValidHorizPts", Variant(42)},
      {"CurrentMaxPoint", Variant(2000000000)},
      {"FirstFreePoint", Variant(-7)},
      {"MinimumZone", Variant(std::int16_t{59})},
      {"MaximumZone", Variant(std::int16_t{1})},
      {"FirstPointStored", Variant(3)}};
  model::JobGeneralPtr general_ = std::make_shared<model::JobGeneral>();
};

TEST_F(SaveJobBounds, WritesTheDifferingValuesIntoTheFirstRecordAndCountsOneChange) {
  general_->SetMinimumX(480000.25);
  general_->SetMinimumY(-2.5);
  general_->SetMaximumX(220000);
  general_->SetMaximumY(6100000.5);
  general_->SetValidHorizPts(42);
  general_->SetCurrentMaxPoint(2000000000);
  general_->SetFirstFreePoint(-7);
  general_->SetMinimumZone(59);
  general_->SetMaximumZone(1);
  general_->SetFirstPointStored(3);
  db_->Execute("UPDATE JobDetails SET MaximumY = Null WHERE Surveyor = 'first'");
  RecordsetPtr details = db_->OpenRecordset("JobDetails", dbOpenTable);
  details->MoveLast();  // the first record is written all the same
  procs_->SaveJobBounds(general_, details);
  EXPECT_EQ(1, general_->ChangeCount());

  std::vector<std::pair<std::string, Variant>> expected = kNewBounds;
  expected[3].second = Variant::Null();  // a Null field compares as not different
  const auto saved = Saved();
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_TRUE(expected[i].second.SameAs(saved[i].second))
        << expected[i].first << " holds " << saved[i].second.ToText();
  }
  EXPECT_EQ(0, db_->OpenRecordset("SELECT * FROM JobDetails WHERE Surveyor = 'second'")
                   ->Fields("MinimumX")
                   ->Value()
                   .ToDouble());
}

TEST_F(SaveJobBounds, EqualOrNullValuesCancelTheEditAndCountNoChange) {
  db_->Execute("UPDATE JobDetails SET MinimumX = Null WHERE Surveyor = 'first'");
  general_->SetMinimumX(5);  // the rest as a new job model holds them: as stored
  RecordsetPtr details = db_->OpenRecordset("JobDetails", dbOpenTable);
  procs_->SaveJobBounds(general_, details);
  EXPECT_EQ(0, general_->ChangeCount());
  EXPECT_NRX_ERROR(err::kUpdateWithoutEdit, details->Update());
  EXPECT_TRUE(Saved()[0].second.IsNull());
}

TEST_F(SaveJobBounds, NothingToSaveIntoIsNoErrorAndFailuresArePassedOn) {
  constexpr const char* kLabel = "(Class Module) cJobProcs::Sub SaveJobBounds";
  procs_->SaveJobBounds(general_, nullptr);
  db_->Execute("DELETE FROM JobDetails");
  procs_->SaveJobBounds(nullptr, db_->OpenRecordset("JobDetails", dbOpenTable));
  EXPECT_EQ(0, general_->ChangeCount());

  MakeTable("Older", {{"MinimumX", dbDouble, 0}});
  db_->Execute("INSERT INTO Older (MinimumX) VALUES (3)");
  EXPECT_PASSED_ON(err::kObjectNotSet, kLabel,
                   procs_->SaveJobBounds(nullptr, db_->OpenRecordset("Older")));
  EXPECT_PASSED_ON(err::kItemNotFound, kLabel,
                   procs_->SaveJobBounds(general_, db_->OpenRecordset("Older")));
}

// ---------------------------------------------------------------------------------------------
// MultiZoneSELECT

class MultiZoneSELECT : public JobTest {
 protected:
  std::string Condition(double minX, double minY, double maxX, double maxY, int minZone,
                        int maxZone, bool outside = false) {
    return procs_->MultiZoneSELECT(minX, minY, maxX, maxY, static_cast<std::int16_t>(minZone),
                                   static_cast<std::int16_t>(maxZone), outside);
  }

  void AddPoint(Recordset& points, int number, double x, double y, int zone) {
    points.AddNew();
    points.Fields("PointNo")->SetValue(Variant(number));
    points.Fields("X")->SetValue(Variant(x));
    points.Fields("Y")->SetValue(Variant(y));
    points.Fields("Zone")->SetValue(Variant(static_cast<std::int16_t>(zone)));
    points.Update();
  }

  std::set<int> Selected(const std::string& condition) {
    RecordsetPtr rs =
        db_->OpenRecordset("SELECT PointNo FROM Points WHERE " + condition, dbOpenSnapshot);
    std::set<int> out;
    for (; !rs->Eof(); rs->MoveNext()) out.insert(rs->Fields("PointNo")->Value().ToLong());
    return out;
  }
};

TEST_F(MultiZoneSELECT, WorkedExampleAcrossTheWrapInBothForms) {
  EXPECT_EQ(
      "    (((Zone < 59 and (Zone + 60 - 59) * 1000000 + X > 480000)   or (Zone >= 59 and (Zone "
      "- 59) * 1000000 + X > 480000)) and ((Zone < 59 and (Zone + 60 - 59) * 1000000 + X < "
      "2220000)   or (Zone >= 59 and (Zone - 59) * 1000000 + X < 2220000))) and Y > 6000000 and "
      "Y < 6100000",
      Condition(480000, 6000000, 220000, 6100000, 59, 1));
  EXPECT_EQ(
      "   (((Zone < 59 and (Zone + 60 - 59) * 1000000 + X < 480000)  or (Zone >= 59 and (Zone - "
      "59) * 1000000 + X < 480000)) or ((Zone < 59 and (Zone + 60 - 59) * 1000000 + X > "
      "2220000)  or (Zone >= 59 and (Zone - 59) * 1000000 + X > 2220000))) or Y < 6000000 or Y "
      "> 6100000",
      Condition(480000, 6000000, 220000, 6100000, 59, 1, true));
}

TEST_F(MultiZoneSELECT, NumbersAreWrittenPlainWithAtMost15SignificantDigits) {
  // Each case: the window, then texts the condition holds: the west edge, the shifted east edge
  // and the end with the northings.
  const std::tuple<double, double, double, double, int, int, std::string, std::string> cases[] = {
      {480000.25, -12.5, 220000.75, 0, 60, 1, "X > 480000.25)", "X < 1220000.75)  "},
      {0.1 + 0.2, 1234567.891234567, 5, -0.0, 7, 7, "X > 0.3)", "Y > 1234567.89123457 and Y < 0"},
      {-1e20, 1.5e-7, 1e20, 1e15, 3, 10, "X > -1E+20)", "X < 1.00000000000007E+20)"},
      {1, 1.5e-7, 1e20, 1e15, -5, -2, "(Zone + 60 - -5)", "Y > 1.5E-07 and Y < 1E+15"}};
  for (const auto& [minX, minY, maxX, maxY, minZone, maxZone, part1, part2] : cases) {
    const std::string text = Condition(minX, minY, maxX, maxY, minZone, maxZone);
    EXPECT_NE(std::string::npos, text.find(part1)) << text;
    EXPECT_NE(std::string::npos, text.find(part2)) << text;
  }
}

TEST_F(MultiZoneSELECT, ExtremeEdgesReadBackExactlySoAPointOnThemIsNeitherInsideNorOutside) {
  procs_->CreateJobDBTable(db_, "Points", path_);
  RecordsetPtr points = db_->OpenRecordset("Points", dbOpenTable);
  const double edges[] = {1e20, -2.5e-300, 1.5e-7, 123456789012345, -987654.321098765, 1e300};
  for (const double y : edges) {
    db_->Execute("DELETE FROM Points");
    AddPoint(*points, 1, 500000, y, 5);
    SCOPED_TRACE(FormatNumber(y));
    EXPECT_TRUE(Selected(Condition(0, y, 999999, 1e307, 5, 5)).empty());
    EXPECT_TRUE(Selected(Condition(0, y, 999999, y, 5, 5, true)).empty());
    EXPECT_EQ(std::set<int>{1}, Selected(Condition(0, -1e307, 999999, 1e307, 5, 5)));
  }
}

TEST_F(MultiZoneSELECT, ZonesBeyond16BitsOverflowAndEdgesWithoutANumberFail) {
  constexpr const char* kLabel = "(Class Module) cJobProcs::Function MultiZoneSELECT";
  EXPECT_PASSED_ON(err::kOverflow, kLabel, Condition(0, 0, 0, 0, 32767, 32710));
  EXPECT_PASSED_ON(err::kOverflow, kLabel, Condition(0, 0, 0, 0, -30000, 30000));
  EXPECT_PASSED_ON(err::kOverflow, kLabel,
                   Condition(std::numeric_limits<double>::infinity(), 0, 0, 0, 1, 1));
  EXPECT_PASSED_ON(err::kInvalidCall, kLabel,
                   Condition(0, std::numeric_limits<double>::quiet_NaN(), 0, 0, 1, 1));
  // Just inside the range: 32707 + 60 is the largest east zone there is.
  EXPECT_NE(std::string::npos, Condition(0, 0, 0, 0, 32708, 32707).find("X < 59000000)"));
}

// For random windows and points on a coarse grid (so that many lie exactly on an edge), the
// engine selects exactly the points whose continuous easting, worked out here, lies strictly
// inside the window, or strictly outside it.
TEST_F(MultiZoneSELECT, SelectsExactlyThePointsInsideOrOutsideRandomWindows) {
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE(::testing::Message() << "seed " << seed);
  std::mt19937 rng(seed);
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
  auto easting = [&] { return pick(0, 20) * 50000.0 + (pick(0, 3) == 0 ? 0.5 : 0.0); };
  auto northing = [&] { return 6000000.0 + pick(0, 20) * 1000.0; };

  struct Point {
    int zone;
    double x, y;
  };
  std::vector<Point> all;
  procs_->CreateJobDBTable(db_, "Points", path_);
  RecordsetPtr points = db_->OpenRecordset("Points", dbOpenTable);
  ws_->BeginTrans();  // one write to the disk rather than one a point
  for (int i = 0; i < 300; ++i) {
    all.push_back({pick(1, 60), easting(), northing()});
    AddPoint(*points, i, all.back().x, all.back().y, all.back().zone);
  }
  ws_->CommitTrans();
  // Zones east of the window's first zone, counted around the wrap.
  auto zones_east = [](int zone, int first) { return ((zone - first) % 60 + 60) % 60; };

  for (int window = 0; window < 150; ++window) {
    const int minZone = pick(1, 60);
    const int maxZone = pick(0, 3) == 0 ? minZone : pick(1, 60);
    const double minX = easting(), maxX = easting();
    const double y1 = northing(), y2 = northing();
    const double minY = std::min(y1, y2), maxY = std::max(y1, y2);
    const double east_edge = zones_east(maxZone, minZone) * 1e6 + maxX;
    std::set<int> inside, outside;
    for (int i = 0; i < static_cast<int>(all.size()); ++i) {
      const Point& p = all[i];
      const double e = zones_east(p.zone, minZone) * 1e6 + p.x;
      if (e > minX && e < east_edge && p.y > minY && p.y < maxY) inside.insert(i);
      if (e < minX || e > east_edge || p.y < minY || p.y > maxY) outside.insert(i);
    }
    SCOPED_TRACE(::testing::Message() << "window " << minX << " " << minY << " " << maxX << " "
                                      << maxY << " zones " << minZone << " to " << maxZone);
    ASSERT_EQ(inside, Selected(Condition(minX, minY, maxX, maxY, minZone, maxZone)));
    ASSERT_EQ(outside, Selected(Condition(minX, minY, maxX, maxY, minZone, maxZone, true)));
  }
}

}  // namespace
}  // namespace nrx::test
