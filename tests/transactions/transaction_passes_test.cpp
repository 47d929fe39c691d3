// Begin, commit and roll back through the tracker: nesting only when asked, one pass or all, a
// depth the engine does not share, failures, and what a killed process leaves in the file.

#include <gtest/gtest.h>

#include "transactions/tracker_fixture.h"

namespace nrx::test {
namespace {

using Transactions = TrackerTest;

TEST_F(Transactions, BeginNestsOnlyWhenAskedAndANegativeDepthCountsAsPending) {
  Begin();
  Begin();
  EXPECT_EQ(std::make_pair(ws_->TransactionLevel(), tracker_.ActiveTransactions()),
            std::make_pair(1, std::int16_t{1}));
  Begin(/*nested=*/true);
  EXPECT_EQ(ws_->TransactionLevel(), 2);
  tracker_.SetActiveTransactions(-1);
  Begin();
  EXPECT_EQ(ws_->TransactionLevel(), 2);
  Begin(/*nested=*/true);
  EXPECT_EQ(std::make_pair(ws_->TransactionLevel(), tracker_.ActiveTransactions()),
            std::make_pair(3, std::int16_t{0}));
}

TEST_F(Transactions, CommitAndRollBackEndOnePassOrAllEvenWhereTheEngineHasNone) {
  for (int pass = 1; pass <= 3; ++pass) {
    Begin(/*nested=*/true);
    AddStation(*db_, 10 + pass);
  }
  tracker_.RollBackTransIfPending(ws_);
  EXPECT_EQ(Count(*db_, "Stations"), 5);  // only the innermost station is gone
  tracker_.CommitTransIfPending(ws_);
  EXPECT_EQ(std::make_pair(ws_->TransactionLevel(), tracker_.ActiveTransactions()),
            std::make_pair(1, std::int16_t{1}));
  tracker_.SetActiveTransactions(3);  // two more than the engine holds: 3034 passed over
  tracker_.CommitTransIfPending(ws_, /*commitAll=*/true);
  EXPECT_EQ(tracker_.ActiveTransactions(), 0);
  Reopen();
  EXPECT_EQ(Count(*db_, "Stations"), 5);
  tracker_.SetActiveTransactions(2);
  tracker_.RollBackTransIfPending(ws_, /*rollBackAll=*/true);
  EXPECT_EQ(tracker_.ActiveTransactions(), 0);
}

TEST_F(Transactions, ADepthOfZeroOrBelowEndsNothingNotEvenTheSweep) {
  Begin();
  RecordsetPtr stations;
  Open(stations);  // tracked: a sweep without a workspace would fail
  for (const std::int16_t depth : {0, -2}) {
    tracker_.SetActiveTransactions(depth);
    tracker_.CommitTransIfPending(nullptr, true);
    tracker_.RollBackTransIfPending(ws_, true);
    EXPECT_EQ(std::make_pair(ws_->TransactionLevel(), tracker_.ActiveTransactions()),
              std::make_pair(1, depth));
  }
}

TEST_F(Transactions, OnlyTheRollBackGoesOnWithoutAWorkspaceAndTheDepthStopsAt32767) {
  const char* begin_label = "(Class Module) cDBtransactions::Sub BeginTransIfNotPending";
  tracker_.SetActiveTransactions(2);
  tracker_.RollBackTransIfPending(nullptr, /*rollBackAll=*/true);
  EXPECT_EQ(tracker_.ActiveTransactions(), 0);
  tracker_.SetActiveTransactions(2);
  EXPECT_PASSED_ON(err::kObjectNotSet, "(Class Module) cDBtransactions::Sub CommitTransIfPending",
                   tracker_.CommitTransIfPending(nullptr));
  EXPECT_PASSED_ON(err::kObjectNotSet, begin_label, tracker_.BeginTransIfNotPending(nullptr, true));
  EXPECT_EQ(tracker_.ActiveTransactions(), 2);

  tracker_.SetActiveTransactions(32767);
  EXPECT_PASSED_ON(err::kOverflow, begin_label, Begin(/*nested=*/true));
  EXPECT_EQ(std::make_pair(ws_->TransactionLevel(), tracker_.ActiveTransactions()),
            std::make_pair(1, std::int16_t{32767}));
}

TEST_F(Transactions, AKilledProcessLeavesTheJobAsItWasBeforeTheTransaction) {
  db_->Close();
  // Kept alive in the child until it is killed: closing them would roll the transaction back.
  DatabasePtr job;
  RecordsetPtr stations;
  ChildProcess killed([&] {
    job = ws_->OpenDatabase(path_);
    tracker_.BeginTransIfNotPending(ws_);
    tracker_.RecordsetOPEN(false, job, stations, "Stations");
    for (int number = 100; number < 5000; ++number) AddStation(*job, number, std::string(90, 'x'));
    job->Execute("DELETE FROM Stations WHERE StationNo = 1");
  });
  ASSERT_TRUE(killed.Worked());
  killed.Kill();
  db_ = ws_->OpenDatabase(path_);
  EXPECT_EQ(Count(*db_, "Stations"), 3);
  EXPECT_FALSE(db_->OpenRecordset("SELECT * FROM Stations WHERE StationNo = 1")->Eof());
}

}  // namespace
}  // namespace nrx::test
