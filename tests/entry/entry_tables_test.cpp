// OpenDBPointEntry, OpenDBRadEntry, OpenDBTravEntry: the pairs they create and open, the first
// values of added fields, and a coordinate type they do not know.

#include <gtest/gtest.h>

#include "catalogue/job_fixture.h"
#include "nrxJobDb/job_model.h"
#include "nrxJobDb/ls_preferences.h"

namespace nrx::test {
namespace {

class EntryTables : public JobTest {
 protected:
  void ExpectPair(const std::string& header, const std::string& data, const char* headerIndex) {
    ASSERT_TRUE(header_ && data_);
    EXPECT_EQ(std::make_tuple(header_->Name(), data_->Name(), header_->Index(), data_->Index()),
              std::make_tuple(header, data, std::string(headerIndex), "RecordNo_Index"));
  }
  RecordsetPtr header_;
  RecordsetPtr data_;
  model::JobGeneralPtr general_ = std::make_shared<model::JobGeneral>();
  model::LSOptPrefsPtr prefs_ = std::make_shared<model::LSOptPrefs>();
};

TEST_F(EntryTables, PairsAreCreatedAndOpenedOnTheirIndexes) {
  procs_->OpenDBPointEntry(db_, path_, header_, data_, 0, general_);
  ExpectPair("GridEntryHeader", "GridEntry", "PageNo_Index");
  procs_->OpenDBPointEntry(db_, path_, header_, data_, 1, general_);
  ExpectPair("GeoEntryHeader", "GeoEntry", "PageNo_Index");
  procs_->OpenDBRadEntry(db_, path_, header_, data_);
  ExpectPair("RadiationHeader", "Radiation", "PageNo_Index");
  bool exists = true;
  procs_->OpenDBTravEntry(path_, "7", db_, header_, data_, exists, prefs_, general_);
  EXPECT_FALSE(exists);
  ExpectPair("TraverseHeader7", "Traverse7", "");

  const int tables = db_->TableDefsCount();
  header_.reset();
  EXPECT_PASSED_ON(err::kInvalidCall, "(Class Module) cJobProcs::Sub OpenDBPointEntry",
                   procs_->OpenDBPointEntry(db_, path_, header_, data_, 2, general_));
  EXPECT_FALSE(header_);
  db_->TableDefsRefresh();
  EXPECT_EQ(db_->TableDefsCount(), tables);
}

TEST_F(EntryTables, FieldsEmptyInTheFirstRecordAreNulledInEveryRecord) {
  procs_->CreateJobDBTable(db_, "GridEntry", path_);
  db_->Execute("INSERT INTO GridEntry (RecordNo, Zone) VALUES (1, 5)");
  db_->Execute("INSERT INTO GridEntry (RecordNo, Zone, VertDefEW) VALUES (2, 7, 1.5)");
  procs_->OpenDBPointEntry(db_, path_, header_, data_, 0, general_);
  data_->MoveLast();
  EXPECT_TRUE((*data_)["VertDefEW"].IsNull());
  EXPECT_EQ((*data_)["Zone"].ToInteger(), 7);
  EXPECT_EQ(general_->ChangeCount(), 6);  // N_Value, VertDefNS and VertDefEW of both records
}

TEST_F(EntryTables, ExistingTraverseGetsItsHeaderDefaults) {
  procs_->CreateJobDBTable(db_, "TraverseHeader4", path_);
  procs_->CreateJobDBTable(db_, "Traverse4", path_);
  db_->Execute("INSERT INTO TraverseHeader4 (Description) VALUES ('Loop')");
  prefs_->SetProvPtTolH(2.5);
  bool exists = false;
  procs_->OpenDBTravEntry(path_, "4", db_, header_, data_, exists, prefs_, general_);
  EXPECT_TRUE(exists);
  EXPECT_FALSE((*header_)["PtNoPrefix"].ToBoolean());
  EXPECT_TRUE((*header_)["PointDescriptor"].IsNull());
  EXPECT_EQ((*header_)["ProvPtTolH"].ToDouble(), 2.5);
}

}  // namespace
}  // namespace nrx::test
