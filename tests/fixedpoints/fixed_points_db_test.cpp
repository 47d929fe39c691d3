// cFixedPoints against a job database: fixed points in a recordset of points, counting and
// opening the recordset of fixed points, and fixed points of point entry.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "fixedpoints/fixed_points_job.h"
#include "nrxJobDb/cfixedpoints.h"
#include "nrxJobDb/class_registry.h"
#include "nrxJobDb/table_names.h"

namespace nrx::test {
namespace {

// Point numbers with their "Fixed" values: Byte 1 and 2 are fixed, 0 and Null are not.
const std::map<std::int32_t, Variant> kPoints = {
    {3, Variant(std::uint8_t{1})},  {5, Variant(std::uint8_t{0})}, {8, Variant::Null()},
    {13, Variant(std::uint8_t{2})}, {21, Variant(std::uint8_t{1})}, {34, Variant(std::uint8_t{0})}};

bool ExpectedFixed(std::int32_t point) {
  auto it = kPoints.find(point);
  return it != kPoints.end() && !it->second.IsNull() && it->second.ToLong() != 0;
}

class FixedPointsDb : public FixedPointsJob {
 protected:
  void SetUp() override {
    FixedPointsJob::SetUp();
    MakeTable("Points");
    for (const auto& [point, fixed] : kPoints) Add("Points", point, fixed);
  }

  void MakeEntryTable(const std::string& table, const std::map<std::int32_t, bool>& points) {
    MakeTable(table);
    for (const auto& [point, fixed] : points) Add(table, point, Variant(fixed));
  }

  RecordsetPtr PointsTableType() {
    RecordsetPtr rs = db_->OpenRecordset("Points", dbOpenTable);
    rs->SetIndex("PointNo_Index");
    return rs;
  }

  static std::int32_t CurrentPoint(Recordset& rs) { return rs.Fields("PointNo")->Value().ToLong(); }

  static model::TableNames& Names() { return model::TableNames::Instance(); }

  cFixedPoints fixed_;
};

TEST_F(FixedPointsDb, NoRecordsetOrNoRecordsIsNotFixed) {
  EXPECT_FALSE(fixed_.PointFixedInTable(3, nullptr));
  db_->Execute("DELETE FROM Points");
  RecordsetPtr table = PointsTableType();
  EXPECT_FALSE(fixed_.PointFixedInTable(3, table));
  EXPECT_TRUE(table->Eof());
}

TEST_F(FixedPointsDb, AWalkInTheRecordsetsOwnOrderFindsEachPointWithoutSearching) {
  const std::vector<RecordsetPtr> recordsets = {
      PointsTableType(), db_->OpenRecordset("SELECT * FROM Points ORDER BY PointNo", dbOpenDynaset),
      db_->OpenRecordset("SELECT * FROM Points ORDER BY PointNo", dbOpenSnapshot)};
  for (const RecordsetPtr& rs : recordsets) {
    SCOPED_TRACE(rs->Type());
    // A search would clear the no-match flag this failed search leaves: it stays set only while
    // the current or the next record answers.
    rs->FindFirst("PointNo = 1000");
    ASSERT_TRUE(rs->NoMatch());
    for (int pass = 0; pass < 2; ++pass) {  // the second pass wraps round from the last record
      for (const auto& [point, flag] : kPoints) {
        EXPECT_EQ(fixed_.PointFixedInTable(point, rs), ExpectedFixed(point)) << point;
        EXPECT_EQ(CurrentPoint(*rs), point);
      }
    }
    EXPECT_TRUE(rs->NoMatch());
  }
}

TEST_F(FixedPointsDb, PointsAskedOutOfOrderAreSearchedForOnEveryKindOfRecordset) {
  RecordsetPtr no_index = db_->OpenRecordset("Points", dbOpenTable);  // Seek fails: FindFirst
  const std::vector<RecordsetPtr> recordsets = {
      PointsTableType(), no_index,
      db_->OpenRecordset("SELECT * FROM Points ORDER BY PointNo DESC", dbOpenDynaset),
      db_->OpenRecordset("SELECT * FROM Points WHERE PointNo > 4", dbOpenSnapshot)};
  std::vector<std::int32_t> asked = {34, 3, 99, 21, 5, 21, 13, -1, 8, 13, 3, 34};
  std::shuffle(asked.begin(), asked.end(), std::mt19937(7));
  for (const RecordsetPtr& rs : recordsets) {
    SCOPED_TRACE(rs->Type());
    const bool without_3 = rs == recordsets.back();
    for (std::int32_t point : asked) {
      EXPECT_EQ(fixed_.PointFixedInTable(point, rs), ExpectedFixed(point) && !(without_3 && point == 3))
          << point;
    }
  }
  // A dynaset cannot Seek: after a miss, the search lands on its first record, the point.
  RecordsetPtr rs = db_->OpenRecordset("SELECT * FROM Points ORDER BY PointNo", dbOpenDynaset);
  EXPECT_FALSE(fixed_.PointFixedInTable(77, rs));
  rs->MoveLast();
  rs->MovePrevious();
  rs->MovePrevious();
  EXPECT_TRUE(fixed_.PointFixedInTable(3, rs));
}

TEST_F(FixedPointsDb, ABooleanTrueCountsAsFixed) {
  MakeEntryTable(Names().GridEntryTable(), {{4, true}, {6, false}});
  RecordsetPtr grid = db_->OpenRecordset(Names().GridEntryTable());
  EXPECT_TRUE(fixed_.PointFixedInTable(4, grid));
  EXPECT_FALSE(fixed_.PointFixedInTable(6, grid));
}

TEST_F(FixedPointsDb, TheListAnswersFirstThenFixedPointsTable) {
  EXPECT_TRUE(fixed_.PointFixedInListOrTable(5, " 2 5 "));  // no recordset needed
  EXPECT_FALSE(fixed_.PointFixedInListOrTable(3, " 2 5 "));
  fixed_.SetFixedPointsTable(PointsTableType());
  EXPECT_TRUE(fixed_.PointFixedInListOrTable(3, " 2 5 "));
  EXPECT_FALSE(fixed_.PointFixedInListOrTable(34, ""));
  EXPECT_EQ(CurrentPoint(*fixed_.FixedPointsTable()), 34);
}

TEST_F(FixedPointsDb, CountFixedPtsCountsEveryRecordAndKeepsTheRecordsetOnlyWhenAsked) {
  const std::string select = "SELECT * FROM Points WHERE Fixed <> 0 ORDER BY PointNo";
  fixed_.CountFixedPts(db_, select, true);
  EXPECT_EQ(fixed_.FixedDBPoints(), 3);  // a dynaset counts all only after its last record
  ASSERT_TRUE(fixed_.FixedPointsTable());
  EXPECT_EQ(CurrentPoint(*fixed_.FixedPointsTable()), 21);
  // DebugPrintFixedPoints walks the counted records from the first, past the last.
  EXPECT_EQ(fixed_.DebugPrintFixedPoints("Fixed points"), "Fixed points");
  EXPECT_TRUE(fixed_.FixedPointsTable()->Eof());

  fixed_.CountFixedPts(db_, "Points");  // a table name opens the table
  EXPECT_EQ(fixed_.FixedDBPoints(), static_cast<std::int32_t>(kPoints.size()));
  EXPECT_FALSE(fixed_.FixedPointsTable());

  // Late-bound, keepOpen takes its default; the count starts again from 0.
  std::vector<Variant> args = {Variant(std::shared_ptr<Object>(db_)),
                               Variant("SELECT * FROM Points WHERE PointNo > 100")};
  ClassRegistry::Instance().Invoke(fixed_, "CountFixedPts", args);
  EXPECT_EQ(fixed_.FixedDBPoints(), 0);
  EXPECT_FALSE(fixed_.FixedPointsTable());

  fixed_.SetFixedDBPoints(4);
  EXPECT_PASSED_ON(err::kNoSuchTable, "(Class Module) cFixedPoints::Sub CountFixedPts",
                   fixed_.CountFixedPts(db_, "SELECT * FROM Nowhere"));
  EXPECT_EQ(fixed_.FixedDBPoints(), 0);
}

TEST_F(FixedPointsDb, CreateOpensADynasetInPlaceOfTheOldRecordset) {
  fixed_.SetFixedDBPoints(9);
  EXPECT_TRUE(fixed_.CreateFixedPtsRecordset("Points", db_));
  EXPECT_EQ(fixed_.FixedPointsTable()->Type(), dbOpenDynaset);
  EXPECT_EQ(fixed_.FixedDBPoints(), 9);
  EXPECT_FALSE(fixed_.Clone()->FixedPointsTable()) << "a copy starts without a recordset";
  EXPECT_PASSED_ON(err::kNoSuchTable,
                   "(Class Module) cFixedPoints::Function CreateFixedPtsRecordset",
                   fixed_.CreateFixedPtsRecordset("SELECT * FROM Nowhere", db_));
  EXPECT_FALSE(fixed_.FixedPointsTable()) << "the old recordset goes first";
}

TEST_F(FixedPointsDb, PointEntryAnswersFromTheGridTableElseTheGeographicOne) {
  EXPECT_FALSE(fixed_.PointFixedInPE(4, false, db_)) << "no entry table at all";

  MakeEntryTable(Names().GridEntryTable(), {{4, true}, {6, false}, {-2, true}});
  MakeEntryTable(Names().GeoEntryTable(), {{6, true}, {7, true}, {9, false}});
  EXPECT_TRUE(fixed_.PointFixedInPE(4, false, db_));
  EXPECT_TRUE(fixed_.PointFixedInPE(6, true, db_)) << "not fixed in grid entry, fixed in geo";
  EXPECT_TRUE(fixed_.PointFixedInPE(7, false, db_)) << "only in geographic entry";
  EXPECT_FALSE(fixed_.PointFixedInPE(9, false, db_));
  EXPECT_FALSE(fixed_.PointFixedInPE(-2, false, db_)) << "only positive numbers are points";
  EXPECT_FALSE(fixed_.PointFixedInPE(5, false, db_));
}

TEST_F(FixedPointsDb, APointFixedInGridEntryNeverReachesTheGeographicTable) {
  MakeEntryTable(Names().GridEntryTable(), {{4, true}});
  // A geographic table whose selection fails: reaching it raises.
  MakeTable(Names().GeoEntryTable(), List("GeoEntry"), {7});
  EXPECT_TRUE(fixed_.PointFixedInPE(4, false, db_));
  try {
    fixed_.PointFixedInPE(5, false, db_);
    ADD_FAILURE() << "the geographic table was not read";
  } catch (const Error& e) {
    EXPECT_EQ(e.Source(), "(Class Module) cFixedPoints::Function PointFixedInPE");
  }
}

}  // namespace
}  // namespace nrx::test
