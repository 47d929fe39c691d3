// The field check at opening (JobTableFields) and the primary-key index it keeps
// (CheckTableIndex), on real job files.

#include <gtest/gtest.h>

#include <algorithm>

#include "catalogue/job_fixture.h"

namespace nrx::test {
namespace {

using Access = JobProcsTestAccess;

constexpr const char* kJobTableFieldsLabel = "(Class Module) cJobProcs::Function JobTableFields";
constexpr const char* kCheckTableIndexLabel = "(Class Module) cJobProcs::Sub CheckTableIndex";

class JobTableFields : public JobTest {
 protected:
  bool Check() { return Access::JobTableFields(*procs_, db_, false); }
  bool Add() { return Access::JobTableFields(*procs_, db_, true); }
};

TEST_F(JobTableFields, EngineTablesAreSkippedOnlyUnderTheirOwnSpelling) {
  // An index brings the engine's own tables into the file for certain.
  MakeTable("Points", List("Points"));
  AddIndex("Points", "PointNo_Index", "PointNo", true, true);
  db_->TableDefsRefresh();
  ASSERT_TRUE(db_->FindTableDef("MSysIndexes"));
  EXPECT_TRUE(Check());

  // Left with only the engine's tables, nothing sets the result.
  db_->TableDefsDelete("Points");
  EXPECT_FALSE(Check());
  EXPECT_FALSE(Add());

  // "msys" in another case is an ordinary name, here an unknown table sorted before Points: the
  // check gives up on it.
  MakeTable("Points", List("Points"));
  EXPECT_TRUE(Check());
  MakeTable("msysNotes", {}, {}, {{"Note", dbText, 40}});
  EXPECT_FALSE(Check());
}

TEST_F(JobTableFields, CheckModeStopsAtTheFirstIncompleteTable) {
  MakeTable("AlphaIDs", List("AlphaIDs"), {4});  // no SwappedCode
  MakeTable("Triangles", List("Triangles"));
  const auto alpha_before = Shape(*db_->TableDefs("AlphaIDs"));

  EXPECT_FALSE(Check());
  EXPECT_EQ(Shape(*db_->TableDefs("AlphaIDs")), alpha_before);
  // The index check of the table that stopped the walk ran; the later table was not reached.
  EXPECT_EQ(Indexes("AlphaIDs"),
            (std::vector<IndexShape>{{"PointNum_Index", "PointNum", false, true}}));
  EXPECT_TRUE(Indexes("Triangles").empty());

  EXPECT_TRUE(Add());
  Reopen();
  EXPECT_EQ(Shape(*db_->TableDefs("AlphaIDs")), Shape(List("AlphaIDs")));
  EXPECT_EQ(Indexes("Triangles"),
            (std::vector<IndexShape>{{"Centroid_Index", "CentroidE;CentroidN", false, true}}));
  EXPECT_TRUE(Check());
}

TEST_F(JobTableFields, AddModeCompletesEveryKnownTableAndReportsOnlyTheLast) {
  MakeTable("Lines", List("Lines"), {3});
  MakeTable("LSPoints", List("LSPoints"), {1, 2});  // the unsuffixed name: not examined
  MakeTable("Notes", {}, {}, {{"Note", dbText, 40}});
  MakeTable("Points", List("Points"), {7});
  const int header_fields = static_cast<int>(List("TraverseHeader").size());
  MakeTable("TraverseHeader3", List("TraverseHeader"), {1, header_fields});

  EXPECT_FALSE(Check());
  // Every table was completed, but the last one compared lacked its last field.
  EXPECT_FALSE(Add());
  Reopen();
  EXPECT_EQ(Shape(*db_->TableDefs("Lines")), Shape(List("Lines")));
  EXPECT_EQ(db_->TableDefs("Points")->FieldsCount(), static_cast<int>(List("Points").size()));
  EXPECT_EQ(db_->TableDefs("TraverseHeader3")->FieldsCount(), header_fields);
  EXPECT_EQ(db_->TableDefs("LSPoints")->FieldsCount(),
            static_cast<int>(List("LSPoints").size()) - 2);
  EXPECT_EQ(db_->TableDefs("Notes")->FieldsCount(), 1);
  EXPECT_TRUE(Check());
}

TEST_F(JobTableFields, TheFirstTestThatHoldsChoosesTheList) {
  // A traverse header's name also begins with the traverse prefix.
  MakeTable("TraverseHeader2", List("TraverseHeader"));
  MakeTable("Traverse2", List("Traverse"));
  EXPECT_TRUE(Check());
  MakeTable("TraverseHeader7", TableFieldList{List("TraverseHeader")[0]});
  Add();
  EXPECT_EQ(Shape(*db_->TableDefs("TraverseHeader7")), Shape(List("TraverseHeader")));

  // Least-squares prefixes are tested options first: with a points prefix that begins with the
  // options prefix, a points table is taken for an options table.
  model::TableNames& names = model::TableNames::Instance();
  names.SetLSOptionsPrefix("LS_Opt");
  names.SetLSPointsPrefix("LS_OptPoints");
  MakeTable("LS_OptPoints1", List("LSPoints"));
  EXPECT_FALSE(Check());
  Add();
  std::vector<FieldShape> expected = Shape(List("LSPoints"));
  for (const TableFieldDef& def : List("LSOptions")) {
    const auto& points = List("LSPoints");
    const bool shared = std::any_of(points.begin(), points.end(), [&](const TableFieldDef& p) {
      return p.fieldName == def.fieldName;
    });
    if (!shared) expected.emplace_back(def.fieldName, def.fieldType, def.fieldSiz);
  }
  EXPECT_EQ(Shape(*db_->TableDefs("LS_OptPoints1")), expected);
  // And no least-squares points index was asked for.
  EXPECT_TRUE(Indexes("LS_OptPoints1").empty());
}

TEST_F(JobTableFields, SecondAlphaIDTableIsLeftAloneAndErrorsReachTheCallerUnderItsLabel) {
  MakeTable("AlphaIDs2", {}, {}, {{"PointNum", dbLong, 0}, {"Code", dbText, 8}});
  EXPECT_TRUE(Check());
  EXPECT_TRUE(Add());
  EXPECT_EQ(db_->TableDefs("AlphaIDs2")->FieldsCount(), 2);
  EXPECT_TRUE(Indexes("AlphaIDs2").empty());
  db_->TableDefsDelete("AlphaIDs2");

  EXPECT_PASSED_ON(err::kObjectNotSet, kJobTableFieldsLabel,
                   Access::JobTableFields(*procs_, DatabasePtr(), false));

  // The alpha-ID index is unique, so duplicate point numbers stop the check.
  MakeTable("AlphaIDs", List("AlphaIDs"));
  db_->Execute("INSERT INTO AlphaIDs (PointNum, AlphaID) VALUES (7, 'A')");
  db_->Execute("INSERT INTO AlphaIDs (PointNum, AlphaID) VALUES (7, 'B')");
  ErrorStack::Instance().Reset();
  EXPECT_PASSED_ON(err::kDuplicateKey, kJobTableFieldsLabel, Check());
  const auto records = ErrorStack::Instance().Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].second, kCheckTableIndexLabel);
  EXPECT_EQ(records[1], (ErrorStack::Entry{kCheckTableIndexLabel, kJobTableFieldsLabel}));
}

class CheckTableIndex : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    MakeTable("LS_Points1", List("LSPoints"));
  }
  void CheckIndex(const std::string& name, const std::string& fields, bool primary) {
    Access::CheckTableIndex(*procs_, db_, db_->TableDefs("LS_Points1"), name, fields, primary);
  }
  std::vector<IndexShape> Reopened() {
    Reopen();
    return Indexes("LS_Points1");
  }
};

TEST_F(CheckTableIndex, OnlyATableWithoutIndexesGetsAUniqueIndexPrimaryWhenAsked) {
  CheckIndex("LSPointNo_Index", "PointNo", true);
  EXPECT_EQ(Reopened(), (std::vector<IndexShape>{{"LSPointNo_Index", "PointNo", true, true}}));
  // Another index on the table, and nothing of that name: nothing is made or touched.
  MakeTable("LS_Points2", List("LSPoints"));
  AddIndex("LS_Points2", "Flag_Index", "Flag", false, false);
  Access::CheckTableIndex(*procs_, db_, db_->TableDefs("LS_Points2"), "LSPointNo_Index", "PointNo",
                          true);
  Reopen();
  EXPECT_EQ(Indexes("LS_Points2"), (std::vector<IndexShape>{{"Flag_Index", "Flag", false, false}}));
}

TEST_F(CheckTableIndex, AnIndexOfThatNameIsRebuiltOnlyToBecomePrimary) {
  AddIndex("LS_Points1", "LSPointNo_Index", "PointNo", false, false);
  AddIndex("LS_Points1", "Flag_Index", "Flag", false, false);
  const std::vector<IndexShape> before = Indexes("LS_Points1");

  // Not asked to be primary: left as it is, not even made unique.
  CheckIndex("LSPointNo_Index", "PointNo", false);
  EXPECT_EQ(Reopened(), before);

  CheckIndex("LSPointNo_Index", "PointNo", true);
  EXPECT_EQ(Reopened(), (std::vector<IndexShape>{{"Flag_Index", "Flag", false, false},
                                                 {"LSPointNo_Index", "PointNo", true, true}}));
}

TEST_F(CheckTableIndex, LeftoverPrimaryKeyIsDroppedAndTheIndexComesOnTheNextRun) {
  AddIndex("LS_Points1", "PrimaryKey", "PointNo", true, true);
  CheckIndex("LSPointNo_Index", "PointNo", true);
  EXPECT_TRUE(Reopened().empty());
  CheckIndex("LSPointNo_Index", "PointNo", true);
  EXPECT_EQ(Reopened(), (std::vector<IndexShape>{{"LSPointNo_Index", "PointNo", true, true}}));

  // Asked for by that name, it is dropped and made again in one call.
  db_->TableDefs("LS_Points1")->IndexesDelete("LSPointNo_Index");
  AddIndex("LS_Points1", "PrimaryKey", "Flag", false, false);
  CheckIndex("PrimaryKey", "PointNo", false);
  EXPECT_EQ(Reopened(), (std::vector<IndexShape>{{"PrimaryKey", "PointNo", false, true}}));
}

TEST_F(CheckTableIndex, FailureKeepsWhatWasDeletedAndNamesTheMember) {
  db_->Execute("INSERT INTO LS_Points1 (PointNo, Flag) VALUES (5, 1)");
  db_->Execute("INSERT INTO LS_Points1 (PointNo, Flag) VALUES (5, 2)");
  AddIndex("LS_Points1", "LSPointNo_Index", "PointNo", false, false);
  EXPECT_PASSED_ON(err::kDuplicateKey, kCheckTableIndexLabel,
                   CheckIndex("LSPointNo_Index", "PointNo", true));
  EXPECT_TRUE(Reopened().empty());
}

}  // namespace
}  // namespace nrx::test
