#pragma once
// A job with a table of three stations, a tracker, and the boxes it shows.

#include <string>
#include <vector>

#include "catalogue/job_fixture.h"
#include "nrxJobDb/cdbtransactions.h"

namespace nrx::test {

class TrackerTest : public JobTest {
 protected:
  void SetUp() override {
    JobTest::SetUp();
    EngineTest::MakeTable(*db_, "Stations", {{"StationNo", dbLong, 0}, {"Code", dbText, 100}});
    for (int number = 1; number <= 3; ++number) AddStation(*db_, number);
  }

  static void AddStation(Database& db, int number, const std::string& code = "ST") {
    db.Execute("INSERT INTO Stations VALUES (" + std::to_string(number) + ", '" + code + "')");
  }
  void Open(RecordsetPtr& dataTable, const std::string& source = "Stations") {
    tracker_.RecordsetOPEN(false, db_, dataTable, source);
  }
  void Begin(bool nested = false) { tracker_.BeginTransIfNotPending(ws_, nested); }

  // The texts of the boxes shown since the last call, each a plain OK box under the
  // component's name.
  std::vector<std::string> Boxes() {
    std::vector<std::string> texts;
    for (const MessageBoxCall& call : boxes_->Calls()) {
      EXPECT_EQ(std::tie(call.title, call.buttons, call.icon),
                std::make_tuple("nrxJobDb", MsgButtons::OK, MsgIcon::None));
      texts.push_back(call.text);
    }
    boxes_->ClearCalls();
    return texts;
  }
  static std::string Warning(const std::string& recordset, const std::string& caller) {
    return "WARNING, transaction violation !!\r\nRecordset " + recordset +
           "\r\nwas opened OUTSIDE any active transaction but is now being closed INSIDE a "
           "transaction, called by <<" +
           caller + ">>.\r\nPlease report this error";
  }

  cDBtransactions tracker_;
};

}  // namespace nrx::test
