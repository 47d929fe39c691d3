// OpenDB_LSdata: the table of each code, the points query, codes it does not know, failures.

#include <gtest/gtest.h>

#include "catalogue/job_fixture.h"

namespace nrx::test {
namespace {

class OpenLSData : public JobTest {
 protected:
  // Opens the table of `type` into data_ and tells whether it was there before.
  bool Open(std::int16_t type, const std::string& dataSetNo, const std::string& ptsName = "") {
    bool exists = true;
    procs_->OpenDB_LSdata(path_, dataSetNo, db_, type, data_, &exists, nullptr, ptsName);
    return exists;
  }
  RecordsetPtr data_;
};

TEST_F(OpenLSData, EachCodeOpensItsDataSetTableByName) {
  const std::pair<std::int16_t, const char*> codes[] = {
      {-1, "LS_Options3"}, {5, "LS_ObsGen3"},   {7, "LS_Obs3D3"},
      {8, "LS_CoordObs3"}, {9, "LS_Vectors3"}, {-2, "LS_Localisation3"}};
  for (const auto& [type, table] : codes) {
    EXPECT_FALSE(Open(type, "3")) << type;
    ASSERT_TRUE(data_);
    EXPECT_EQ(std::make_pair(data_->Type(), data_->Name()), std::make_pair(1, std::string(table)));
  }
  EXPECT_TRUE(Open(1, "3"));
}

TEST_F(OpenLSData, PointsOpenThroughTheQueryNamingTheirTable) {
  // The prefixed name holds the points-table token itself, which must be put in only once.
  model::TableNames::Instance().SetLSPointsQuery(
      "SELECT * FROM [Points] WHERE Description <> 'Points'");
  EXPECT_FALSE(Open(0, "3", "LS_Points9"));
  EXPECT_EQ(data_->Type(), dbOpenDynaset);
  EXPECT_EQ(data_->Name(), "SELECT * FROM [LS_Points3] WHERE Description <> 'LS_Points3'");
  model::TableNames::Instance().Restore();

  procs_->CreateJobDBTable(db_, "AlphaIDs", path_);  // present and counted: the query serves
  EXPECT_FALSE(Open(0, "", "LS_Points9"));
  EXPECT_EQ(data_->Name(), "SELECT * FROM [LS_Points9] ORDER BY [PointNo]");
  EXPECT_FALSE(Open(-3, "3"));
  EXPECT_EQ(data_->Name(), "SELECT * FROM [LSPoints] ORDER BY [PointNo]");
}

TEST_F(OpenLSData, UnknownCodeOpensNothingAndFailuresLeaveNothingOpen) {
  procs_->CreateJobDBTable(db_, "Lines", path_);
  const int tables = db_->TableDefsCount();
  data_ = db_->OpenRecordset("Lines");
  EXPECT_TRUE(Open(10, "3"));
  EXPECT_FALSE(data_);
  db_->TableDefsRefresh();
  EXPECT_EQ(db_->TableDefsCount(), tables);

  model::TableNames::Instance().SetLSPointsQuery("SELECT * FROM [NoSuchTable]");
  data_ = db_->OpenRecordset("Lines");
  EXPECT_PASSED_ON(err::kNoSuchTable, "(Class Module) cJobProcs::Sub OpenDB_LSdata", Open(0, "3"));
  EXPECT_FALSE(data_);
  EXPECT_TRUE(db_->FindTableDef("LS_Points3"));  // created before the opening failed
}

}  // namespace
}  // namespace nrx::test
