// The file utility's check and listing of what is open on a job database.

#include <gtest/gtest.h>

#include "nrxJobDb/file_utility.h"
#include "support/test_support.h"

namespace nrx::model {
namespace {

class OpenRecordsetsTest : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    db_ = DBEngine::Instance().Workspaces(0)->CreateDatabase(Path("job.njb"), kJobConnect);
    for (const char* name : {"Lines", "Points"}) {
      auto table = db_->CreateTableDef(name);
      table->FieldsAppend(table->CreateField("PointNo", dbLong));
      table->FieldsAppend(table->CreateField("Description", dbText, 16));
      db_->TableDefsAppend(table);
    }
    db_->Execute("INSERT INTO Points (PointNo, Description) VALUES (1, 'first')");
    db_->Execute("INSERT INTO Points (PointNo, Description) VALUES (2, 'second')");
    util_.ClearDebugLines();
  }
  void TearDown() override {
    if (db_) db_->Close();
    TempDirTest::TearDown();
  }

  DatabasePtr db_;
  FileUtility& util_ = FileUtility::Instance();
};

TEST_F(OpenRecordsetsTest, ListsTheRecordsetsStillOpen) {
  RecordsetPtr points = db_->OpenRecordset("Points");
  RecordsetPtr lines = db_->OpenRecordset("SELECT * FROM Lines", dbOpenSnapshot);
  { RecordsetPtr gone = db_->OpenRecordset("Points"); }
  std::vector<std::string> lines_listed = util_.ListOpenRecordsets(db_, false, false, false);
  ASSERT_EQ(2u, lines_listed.size());
  EXPECT_EQ("1: Points (table)", lines_listed[0]);
  EXPECT_EQ("2: SELECT * FROM Lines (snapshot)", lines_listed[1]);
  EXPECT_TRUE(util_.DebugLines().empty());

  std::vector<std::string> all = util_.ListOpenRecordsets(db_, true, true, true);
  EXPECT_NE(std::string::npos, all[0].find("2 records")) << all[0];
  EXPECT_NE(std::string::npos, all[1].find("no records")) << all[1];
  EXPECT_NE(all.end(), std::find(all.begin(), all.end(), "table Points: 2 fields, 2 records"));
  EXPECT_EQ(all, util_.DebugLines());
}

TEST_F(OpenRecordsetsTest, CheckReadsEverythingAndReportsWhatFails) {
  RecordsetPtr points = db_->OpenRecordset("Points");
  EXPECT_TRUE(util_.CheckOpenRecordsets(db_, false, true, true));
  EXPECT_TRUE(util_.DebugLines().empty());  // only failures are kept without listAll
  EXPECT_TRUE(util_.CheckOpenRecordsets(db_, true, true, false));
  EXPECT_EQ(1u, util_.DebugLines().size());

  util_.ClearDebugLines();
  points->Close();
  RecordsetPtr again = db_->OpenRecordset("Points");
  EXPECT_TRUE(util_.CheckOpenRecordsets(db_, false, true, false));
  db_->Close();
  EXPECT_FALSE(util_.CheckOpenRecordsets(db_, false, true, true));
  EXPECT_FALSE(util_.DebugLines().empty());
  EXPECT_NRX_ERROR(err::kObjectNotSet, util_.CheckOpenRecordsets(nullptr, false, false, false));
  EXPECT_NRX_ERROR(err::kObjectNotSet, util_.ListOpenRecordsets(nullptr, false, false, false));
}

}  // namespace
}  // namespace nrx::model
