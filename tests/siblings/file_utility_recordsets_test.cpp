// The file utility's check and listing of what is open on a job database.

#include <gtest/gtest.h>

#include <algorithm>

#include "nrxJobDb/error_log.h"
#include "nrxJobDb/error_stack.h"
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
    ErrorStack::Instance().Reset();
  }
  void TearDown() override {
    if (db_) db_->Close();
    TempDirTest::TearDown();
  }

  DatabasePtr db_;
  FileUtility& util_ = FileUtility::Instance();
};

TEST_F(OpenRecordsetsTest, ListingWritesTheRecordsetsStillOpenToTheErrorLog) {
  ErrorLog log;
  log.Start(Path("job.njb"));
  RecordsetPtr points = db_->OpenRecordset("Points");
  RecordsetPtr lines = db_->OpenRecordset("SELECT * FROM Lines", dbOpenSnapshot);
  { RecordsetPtr gone = db_->OpenRecordset("Points"); }
  const std::vector<std::string> listed = util_.ListOpenRecordsets(db_, false, false, false);
  ASSERT_EQ(3u, listed.size());
  EXPECT_EQ("recordsets open on " + db_->Name() + ": 2", listed[0]);
  EXPECT_EQ("1: Points (table), 2 records, at a record", listed[1]);
  EXPECT_EQ("2: SELECT * FROM Lines (snapshot), 0 records, no records", listed[2]);
  const std::string logged = test::ReadFile(log.LogPath());
  for (const std::string& line : listed) {
    EXPECT_NE(std::string::npos, logged.find("\tnrxModel.FileUtility\t" + line + "\n")) << logged;
  }
  EXPECT_EQ(0u, ErrorStack::Instance().Count());  // a listing is no error
  EXPECT_TRUE(util_.DebugLines().empty());

  const std::vector<std::string> all = util_.ListOpenRecordsets(db_, true, true, true);
  EXPECT_EQ("1: Points (table), 2 records, at a record: PointNo=1, Description='first'", all[1]);
  EXPECT_NE(all.end(), std::find(all.begin(), all.end(), "table Points: 2 fields, 2 records"));
  EXPECT_EQ(all, util_.DebugLines());
}

TEST_F(OpenRecordsetsTest, CheckTellsWhetherAnyRecordsetIsOpenAndKeepsWhatFailsToBeRead) {
  EXPECT_FALSE(util_.CheckOpenRecordsets(db_, false, true, true));
  {
    RecordsetPtr points = db_->OpenRecordset("Points");
    EXPECT_TRUE(util_.CheckOpenRecordsets(db_, false, true, true));
    EXPECT_TRUE(util_.DebugLines().empty());  // only failures are kept without listAll
    EXPECT_TRUE(util_.CheckOpenRecordsets(db_, true, true, false));
    EXPECT_EQ(1u, util_.DebugLines().size());
  }
  util_.ClearDebugLines();
  db_->Close();
  EXPECT_FALSE(util_.CheckOpenRecordsets(db_, false, true, true));
  EXPECT_FALSE(util_.DebugLines().empty());  // the table definitions of a closed database
  EXPECT_NRX_ERROR(err::kObjectNotSet, util_.CheckOpenRecordsets(nullptr, false, false, false));
  EXPECT_NRX_ERROR(err::kObjectNotSet, util_.ListOpenRecordsets(nullptr, false, false, false));
}

}  // namespace
}  // namespace nrx::model
