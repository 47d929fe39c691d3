// Point entry: starting on the last page, looking points up and storing them line by line and
// page by page. Pages hold the standard 10 lines (the page layout's default).

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/job_fixture.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/numeric_constants.h"
#include "nrxJobDb/point_entry_model.h"
#include "nrxJobDb/table_names.h"

namespace nrx::test {
namespace {

constexpr std::int32_t kLimit = 99999;  // what a line without a point holds in the lists
constexpr std::int16_t kGrid = 0;
constexpr std::int16_t kGeo = 1;

class PointEntryTest : public JobTest {
 protected:
  // The entry pair of `coordType`, made if missing and opened on the indexes entry seeks by.
  void OpenPair(std::int16_t coordType) {
    const auto& names = model::TableNames::Instance();
    coord_ = coordType;
    const std::string header = coordType == kGeo ? names.GeoEntryHeaderTable()
                                                 : names.GridEntryHeaderTable();
    const std::string data = coordType == kGeo ? names.GeoEntryTable() : names.GridEntryTable();
    procs_->CreateJobDBTable(db_, header, path_);
    procs_->CreateJobDBTable(db_, data, path_);
    header_ = db_->OpenRecordset(header);
    data_ = db_->OpenRecordset(data);
    header_->SetIndex("PageNo_Index");
    data_->SetIndex("RecordNo_Index");
    ws_->BeginTrans();  // entry works inside the job's transaction
  }

  void AddHeader(std::int32_t page, std::uint8_t decimals = 3) {
    header_->AddNew();
    header_->Fields("PageNo")->SetValue(page);
    header_->Fields("DecEN")->SetValue(decimals);
    header_->Fields("DecHt")->SetValue(decimals);
    header_->Fields("TotalPages")->SetValue(page);
    header_->Update();
  }
  // Lines `from` to `to`; with `withPoints`, line r holds point 100 + r, fixed when r is odd.
  void AddLines(std::int32_t from, std::int32_t to, bool withPoints) {
    for (std::int32_t r = from; r <= to; ++r) {
      data_->AddNew();
      data_->Fields("RecordNo")->SetValue(r);
      if (withPoints) {
        data_->Fields("PointNo")->SetValue(100 + r);
        data_->Fields("Fixed")->SetValue(r % 2 == 1);
      }
      data_->Update();
    }
  }

  void StartEntry() {
    procs_->EnterPointsSetup(header_, data_, state_, coord_, list_, fixed_, general_, kLimit);
  }
  void Save(const model::Point& point, bool pointInDB = false, bool isFixed = false) {
    procs_->EnterPointsSave(std::make_shared<model::Point>(point), header_, data_, state_, coord_,
                            list_, pointInDB, general_, isFixed, cfg_);
  }
  static model::Point GridPoint(std::int32_t number) {
    model::Point p;
    p.SetPointNo(number);
    p.SetEasting(1000.25);
    p.SetNorthing(5000.5);
    p.SetZone(56);
    return p;
  }

  // A field of line `recordNo`.
  Variant Line(std::int32_t recordNo, const std::string& field) {
    data_->Seek("=", Variant(recordNo));
    EXPECT_FALSE(data_->NoMatch()) << "line " << recordNo;
    return data_->NoMatch() ? Variant() : (*data_)[field];
  }
  std::vector<std::int32_t> PagesInHeader() {
    std::vector<std::int32_t> pages;
    if (header_->Bof() && header_->Eof()) return pages;
    for (header_->MoveFirst(); !header_->Eof(); header_->MoveNext()) {
      pages.push_back((*header_)["PageNo"].ToLong());
      EXPECT_EQ(pages.back(), (*header_)["TotalPages"].ToLong());
    }
    return pages;
  }

  RecordsetPtr header_, data_;
  std::int16_t coord_ = kGrid;
  model::EnterPointsPtr state_;
  std::vector<std::int32_t> list_;
  std::vector<bool> fixed_;
  model::JobGeneralPtr general_ = std::make_shared<model::JobGeneral>();
  model::JobCfgPtr cfg_ = std::make_shared<model::JobCfg>();
};

// --- EnterPointsSetup ---------------------------------------------------------------------

TEST_F(PointEntryTest, SetupOnAUsedLastPageCompletesItAndTheNextPointStartsPageFour) {
  OpenPair(kGrid);
  AddHeader(1);
  AddHeader(2);
  AddHeader(3, 2);
  AddLines(1, 24, true);  // lines 25 to 30 of page 3 are missing

  StartEntry();
  EXPECT_EQ(3, state_->PageNumber());
  EXPECT_EQ(30, state_->PageEndRecord());
  EXPECT_EQ(30, state_->LastUsedRecord());
  EXPECT_EQ(2, state_->EastNorthDecimals());
  EXPECT_EQ(30, data_->RecordCount());
  EXPECT_EQ(6, general_->ChangeCount());  // one per line added
  ASSERT_EQ(31u, list_.size());
  ASSERT_EQ(31u, fixed_.size());
  EXPECT_EQ((std::vector<std::int32_t>{123, 124, kLimit}), std::vector(list_.begin() + 23, list_.begin() + 26));
  EXPECT_EQ((std::vector<bool>{true, false, true}), std::vector(fixed_.begin() + 23, fixed_.begin() + 26));

  cfg_->SetEastNorthDecimals(4);
  Save(GridPoint(500));
  EXPECT_EQ(std::vector<std::int32_t>({1, 2, 3, 4}), PagesInHeader());
  header_->MoveLast();
  EXPECT_EQ(4, (*header_)["DecEN"].ToLong());
  EXPECT_EQ(40, data_->RecordCount());
  EXPECT_EQ(500, Line(31, "PointNo").ToLong());
  EXPECT_EQ(6 + 1 + 10 + 1, general_->ChangeCount());  // header, its lines, the point
  ASSERT_EQ(32u, list_.size());
  EXPECT_EQ(500, list_[31]);
  EXPECT_EQ(40, state_->PageEndRecord());
}

TEST_F(PointEntryTest, SetupOnAnEmptyLastPageContinuesOnItsFirstLine) {
  OpenPair(kGrid);
  for (std::int32_t page = 1; page <= 3; ++page) AddHeader(page);
  AddLines(1, 20, true);
  AddLines(21, 30, false);
  // A line whose only value is a Fixed of False holds no entry.
  data_->Seek("=", Variant(25));
  data_->Edit();
  data_->Fields("Fixed")->SetValue(false);
  data_->Update();

  StartEntry();
  EXPECT_EQ(20, state_->LastUsedRecord());
  EXPECT_EQ(30, state_->PageEndRecord());
  EXPECT_EQ(0, general_->ChangeCount());

  Save(GridPoint(777));
  EXPECT_EQ(777, Line(21, "PointNo").ToLong());
  EXPECT_EQ(3u, PagesInHeader().size());
  EXPECT_EQ(30, data_->RecordCount());
}

TEST_F(PointEntryTest, SetupWithoutLinesDeletesThePagesAndWithoutPagesLeavesTheLists) {
  OpenPair(kGrid);
  list_ = {0, 7, 8};
  fixed_ = {false, true, false};
  StartEntry();  // no page at all
  EXPECT_EQ(0, state_->PageNumber());
  EXPECT_EQ(std::vector<std::int32_t>({0, 7, 8}), list_);

  for (std::int32_t page = 1; page <= 3; ++page) AddHeader(page);
  const model::EnterPointsPtr before = state_;
  StartEntry();
  EXPECT_NE(before, state_);  // a new state every time
  EXPECT_EQ(0, state_->PageNumber());
  EXPECT_TRUE(PagesInHeader().empty());
  EXPECT_EQ(std::vector<std::int32_t>({0, 7, 8}), list_);
}

// --- PointEntryStored --------------------------------------------------------------------

TEST_F(PointEntryTest, StoredFindsTheFirstOfTwiceListedNumbersAndClearsThePositionOtherwise) {
  auto state = std::make_shared<model::EnterPoints>();
  const std::vector<std::int32_t> points{0, 5, 7, 5};
  bool fixed = true;
  EXPECT_TRUE(procs_->PointEntryStored(5, points, state, {false, false, true, true}, &fixed));
  EXPECT_EQ(1, state->EntryPosition());
  EXPECT_FALSE(fixed);
  EXPECT_TRUE(procs_->PointEntryStored(7, points, state, {false, false, true, true}, &fixed));
  EXPECT_EQ(2, state->EntryPosition());
  EXPECT_TRUE(fixed);
  // Without a fixed list the point counts as not fixed.
  EXPECT_TRUE(procs_->PointEntryStored(7, points, state, {}, &fixed));
  EXPECT_FALSE(fixed);
  // Element 0 is not part of the list.
  EXPECT_FALSE(procs_->PointEntryStored(0, points, state, {}));
  EXPECT_EQ(0, state->EntryPosition());
}

// --- EnterPointsSave ---------------------------------------------------------------------

TEST_F(PointEntryTest, SaveStoresTheNullValueAndABlankDescriptionAsNull) {
  OpenPair(kGrid);
  StartEntry();
  model::Point point = GridPoint(1);
  point.SetHeight(model::NumericConstants::Instance().NullValue());
  point.SetNorthing(model::NumericConstants::Instance().NullValue());
  point.SetVertDefNS(0.5);
  point.SetDescription("   ");
  Save(point, false, true);
  EXPECT_TRUE(Line(1, "Height").IsNull());
  EXPECT_TRUE(Line(1, "Northing").IsNull());
  EXPECT_TRUE(Line(1, "Description").IsNull());
  EXPECT_TRUE(Line(1, "N_Value").IsNull());  // never entered
  EXPECT_DOUBLE_EQ(1000.25, Line(1, "Easting").ToDouble());
  EXPECT_EQ(56, Line(1, "Zone").ToLong());
  EXPECT_FLOAT_EQ(0.5F, Line(1, "VertDefNS").ToSingle());
  EXPECT_TRUE(Line(1, "Fixed").ToBoolean());

  point.SetDescription(" kerb ");
  Save(point);
  EXPECT_EQ(" kerb ", Line(2, "Description").ToText());
}

TEST_F(PointEntryTest, SaveIntoALinePastTheListGrowsItAndAListedPositionEditsItsLine) {
  OpenPair(kGrid);
  AddHeader(1);
  AddHeader(2);
  AddLines(1, 10, true);
  AddLines(11, 20, false);
  StartEntry();
  ASSERT_EQ(21u, list_.size());
  list_.resize(11);  // the caller's list holds lines 1 to 10 only
  state_->SetLastUsedRecord(11);

  Save(GridPoint(612));
  ASSERT_EQ(13u, list_.size());
  EXPECT_EQ(0, list_[11]);
  EXPECT_EQ(612, list_[12]);
  EXPECT_EQ(612, Line(12, "PointNo").ToLong());

  ASSERT_TRUE(procs_->PointEntryStored(103, list_, state_, fixed_));
  Save(GridPoint(333), true);
  EXPECT_EQ(333, Line(3, "PointNo").ToLong());
  EXPECT_EQ(333, list_[3]);
  EXPECT_EQ(12, state_->LastUsedRecord());  // a point already in the job takes no new line
  EXPECT_EQ(20, data_->RecordCount());
}

TEST_F(PointEntryTest, GeographicSaveStoresPackedLatitudeAndLongitude) {
  OpenPair(kGeo);
  StartEntry();
  model::Point point;
  point.SetPointNo(9);
  point.SetNorthing(12.5);       // 12 degrees 30 minutes
  point.SetEasting(-33.7525);    // -(33 degrees 45 minutes 9 seconds)
  Save(point);
  EXPECT_DOUBLE_EQ(12.3, Line(1, "Latitude").ToDouble());
  EXPECT_DOUBLE_EQ(-33.4509, Line(1, "Longitude").ToDouble());
}

TEST_F(PointEntryTest, SaveOnAnEmptyDataTableStartsAPage) {
  OpenPair(kGrid);
  StartEntry();
  Save(GridPoint(41), true);  // a point said to be in the job, but no line exists
  EXPECT_EQ(std::vector<std::int32_t>({1}), PagesInHeader());
  EXPECT_EQ(10, data_->RecordCount());
  EXPECT_EQ(41, Line(1, "PointNo").ToLong());
  EXPECT_EQ(std::vector<std::int32_t>({0, 41}), list_);
  EXPECT_EQ(1, state_->LastUsedRecord());
}

}  // namespace
}  // namespace nrx::test
