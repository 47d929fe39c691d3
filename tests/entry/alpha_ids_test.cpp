// CheckAlphaIDs, GetAlphaForPtNum and LocatePointRecord.

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "catalogue/job_fixture.h"

namespace nrx::test {
namespace {

class AlphaIDs : public JobTest {
 protected:
  // The alpha-ID table as the field check leaves it, with (number, identifier, DeleteFlag) rows;
  // a flag below 0 stands for Null.
  void MakeAlphaTable(std::initializer_list<std::tuple<int, const char*, int>> rows) {
    procs_->CreateJobDBTable(db_, "AlphaIDs", path_);
    AddIndex("AlphaIDs", "PointNum_Index", "PointNum", false, true);
    for (const auto& [number, alpha, flag] : rows) {
      db_->Execute(fmt::format("INSERT INTO AlphaIDs (PointNum, AlphaID, DeleteFlag) "
                               "VALUES ({}, '{}', {})",
                               number, alpha, flag < 0 ? "Null" : std::to_string(flag)));
    }
  }
  // The catalogue's points table holding `numbers`, opened table-type.
  RecordsetPtr Points(std::initializer_list<int> numbers) {
    procs_->CreateJobDBTable(db_, "Points", path_);
    for (int n : numbers) {
      db_->Execute(fmt::format("INSERT INTO Points (PointNo) VALUES ({})", n));
    }
    return db_->OpenRecordset("Points");
  }
  std::string Alpha(int ptNum, const RecordsetPtr& points, bool exist = true, bool deleted = false) {
    return procs_->GetAlphaForPtNum(ptNum, points, alpha_, db_, exist, deleted);
  }
  RecordsetPtr alpha_;
};

TEST_F(AlphaIDs, CheckCountsTheTableAndNeverFailsOnIt) {
  EXPECT_EQ(procs_->CheckAlphaIDs(db_, true), 0);
  MakeAlphaTable({{1, "A", 0}, {2, "B", -1}});
  EXPECT_EQ(procs_->CheckAlphaIDs(db_, true), 2);
  // A table the read-through cannot read still gives its count.
  db_->TableDefs("AlphaIDs")->Fields("DeleteFlag")->SetName("Flag");
  EXPECT_EQ(procs_->CheckAlphaIDs(db_, true), 2);
}

TEST_F(AlphaIDs, CatalogueRecordsFallThroughToTheAlphaTable) {
  MakeAlphaTable({{10, "T10", 0}, {11, "T11", 1}, {12, "T12", -1}});
  auto points = Points({10, 11, 12});
  EXPECT_TRUE(procs_->LocatePointRecord(10, points));
  EXPECT_EQ(Alpha(10, points), "T10");
  EXPECT_EQ(Alpha(11, points) + Alpha(12, points) + Alpha(13, points), "");
  EXPECT_EQ(Alpha(10, points, false), "");
  EXPECT_FALSE(alpha_);  // the table the member opened is released

  db_->TableDefsDelete("AlphaIDs");
  EXPECT_PASSED_ON(err::kObjectNotSet, "(Class Module) cJobProcs::Function GetAlphaForPtNum",
                   Alpha(10, points));
}

TEST_F(AlphaIDs, PointsRecordWithItsOwnIdentifierAnswersFirst) {
  MakeTable("Pts", List("Points"), {}, {{"AlphaID", dbText, 16}, {"DeleteFlag", dbByte, 0}});
  db_->Execute("INSERT INTO Pts (PointNo, AlphaID, DeleteFlag) VALUES (7, 'P7', 0)");
  auto points = db_->OpenRecordset("Pts");
  // There is no alpha-ID table: consulting it would fail.
  EXPECT_EQ(Alpha(7, points), "P7");
  EXPECT_NRX_ERROR(err::kObjectNotSet, Alpha(7, points, true, true));
  db_->Execute("UPDATE Pts SET DeleteFlag = 1");
  points->Requery();
  EXPECT_EQ(Alpha(7, points), "");
}

TEST_F(AlphaIDs, CallersRecordsetKeepsItsIndexAndStaysOpen) {
  MakeAlphaTable({{3, "C3", 0}, {4, "C4", 0}});
  AddIndex("AlphaIDs", "Code_Index", "AlphaID", false, false);
  auto points = Points({});
  alpha_ = db_->OpenRecordset("AlphaIDs");
  for (const char* index : {"Code_Index", "", "PointNum_Index"}) {
    alpha_->SetIndex(index);
    EXPECT_EQ(Alpha(4, points), "C4");
    EXPECT_EQ(alpha_->Index(), index);
  }
  alpha_ = db_->OpenRecordset("SELECT * FROM AlphaIDs", dbOpenDynaset);
  EXPECT_EQ(Alpha(3, points), "C3");
  EXPECT_EQ((*alpha_)["PointNum"].ToLong(), 3);
}

TEST_F(AlphaIDs, LocateSeeksOnTheCallersIndexOrThePointIndex) {
  auto points = Points({-5, 8});
  AddIndex("Points", "Zone_Index", "Zone", false, false);
  db_->Execute("UPDATE Points SET Zone = 8 WHERE PointNo = -5");
  points = db_->OpenRecordset("Points");
  points->SetIndex("Zone_Index");
  EXPECT_TRUE(procs_->LocatePointRecord(8, points));
  EXPECT_EQ((*points)["PointNo"].ToLong(), -5);
  points->SetIndex("");
  EXPECT_TRUE(procs_->LocatePointRecord(8, points));
  EXPECT_EQ(std::make_pair(points->Index(), (*points)["PointNo"].ToLong()),
            std::make_pair(std::string("PointNo_Index"), 8));

  auto dynaset = db_->OpenRecordset("SELECT * FROM Points ORDER BY PointNo DESC", dbOpenDynaset);
  EXPECT_TRUE(procs_->LocatePointRecord(-5, dynaset));
  EXPECT_FALSE(procs_->LocatePointRecord(9, dynaset));
}

}  // namespace
}  // namespace nrx::test
