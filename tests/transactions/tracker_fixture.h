#pragma once
// A job with a small table of stations, a tracker, and the boxes it shows.

#include <memory>
#include <string>

#include "catalogue/job_fixture.h"
#include "nrxJobDb/cdbtransactions.h"

namespace nrx::test {

inline constexpr char kBeginLabel[] = "(Class Module) cDBtransactions::Sub BeginTransIfNotPending";
inline constexpr char kCommitLabel[] = "(Class Module) cDBtransactions::Sub CommitTransIfPending";

class TrackerTest : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    EngineTest::MakeTable(*db_, "Stations", {{"StationNo", dbLong, 0}, {"Code", dbText, 100}});
    for (int number = 1; number <= 3; ++number) AddStation(*db_, number);
    tracker_ = std::make_unique<cDBtransactions>();
  }
  void TearDown() override {
    tracker_.reset();
    JobTest::TearDown();
  }

  static void AddStation(Database& db, int number, const std::string& code = "ST") {
    db.Execute("INSERT INTO Stations (StationNo, Code) VALUES (" + std::to_string(number) +
               ", '" + code + "')");
  }

  // Opens `source` through the tracker into `dataTable`.
  void Open(RecordsetPtr& dataTable, const std::string& source = "Stations") {
    tracker_->RecordsetOPEN(false, db_, dataTable, source);
  }
  void Begin(bool nested = false) { tracker_->BeginTransIfNotPending(ws_, nested); }

  static std::string Warning(const std::string& recordset, const std::string& caller) {
    return "WARNING, transaction violation !!\r\nRecordset " + recordset +
           "\r\nwas opened OUTSIDE any active transaction but is now being closed INSIDE a "
           "transaction, called by <<" +
           caller + ">>.\r\nPlease report this error";
  }
  // Expects exactly the boxes given since the last call, each a plain OK box with the
  // component's name as title, and forgets them.
  void ExpectBoxes(const std::vector<std::string>& texts) {
    std::vector<std::string> shown;
    for (const MessageBoxCall& call : boxes_->Calls()) {
      shown.push_back(call.text);
      EXPECT_EQ(call.title, "nrxJobDb");
      EXPECT_EQ(call.buttons, MsgButtons::OK);
      EXPECT_EQ(call.icon, MsgIcon::None);
    }
    EXPECT_EQ(shown, texts);
    boxes_->ClearCalls();
  }

  std::unique_ptr<cDBtransactions> tracker_;
};

}  // namespace nrx::test
