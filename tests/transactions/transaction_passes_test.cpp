// Begin, commit and roll back through the tracker: nesting only when asked, one pass or all, a
// depth the engine does not share, no workspace, and what a killed process leaves in the file.

#include <gtest/gtest.h>

#include <limits>

#include "transactions/tracker_fixture.h"

namespace nrx::test {
namespace {

using Transactions = TrackerTest;

TEST_F(Transactions, BeginNestsOnlyWhenAskedAndANegativeDepthCountsAsPending) {
  Begin();
  Begin();
  EXPECT_EQ(ws_->TransactionLevel(), 1);
  EXPECT_EQ(tracker_->ActiveTransactions(), 1);
  Begin(/*nested=*/true);
  EXPECT_EQ(ws_->TransactionLevel(), 2);
  EXPECT_EQ(tracker_->ActiveTransactions(), 2);

  tracker_->SetActiveTransactions(-1);
  Begin();
  EXPECT_EQ(ws_->TransactionLevel(), 2);
  Begin(/*nested=*/true);
  EXPECT_EQ(ws_->TransactionLevel(), 3);
  EXPECT_EQ(tracker_->ActiveTransactions(), 0);
}

TEST_F(Transactions, CommitAndRollBackEndOnePassOrAll) {
  for (int pass = 1; pass <= 3; ++pass) {
    Begin(/*nested=*/true);
    AddStation(*db_, 10 + pass);
  }
  tracker_->RollBackTransIfPending(ws_);
  EXPECT_EQ(tracker_->ActiveTransactions(), 2);
  EXPECT_EQ(Count(*db_, "Stations"), 5);  // the innermost station is gone
  tracker_->CommitTransIfPending(ws_);
  EXPECT_EQ(tracker_->ActiveTransactions(), 1);
  EXPECT_EQ(ws_->TransactionLevel(), 1);

  for (int pass = 1; pass <= 2; ++pass) Begin(/*nested=*/true);
  tracker_->CommitTransIfPending(ws_, /*commitAll=*/true);
  EXPECT_EQ(tracker_->ActiveTransactions(), 0);
  EXPECT_EQ(ws_->TransactionLevel(), 0);
  Reopen();
  EXPECT_EQ(Count(*db_, "Stations"), 5);

  for (int pass = 1; pass <= 3; ++pass) {
    Begin(/*nested=*/true);
    AddStation(*db_, 20 + pass);
  }
  tracker_->RollBackTransIfPending(ws_, /*rollBackAll=*/true);
  EXPECT_EQ(tracker_->ActiveTransactions(), 0);
  EXPECT_EQ(ws_->TransactionLevel(), 0);
  EXPECT_EQ(Count(*db_, "Stations"), 5);
}

TEST_F(Transactions, ADepthTheEngineDoesNotHoldIsLoweredWithoutAnError) {
  tracker_->SetActiveTransactions(2);
  tracker_->CommitTransIfPending(ws_, /*commitAll=*/true);
  EXPECT_EQ(tracker_->ActiveTransactions(), 0);
  tracker_->SetActiveTransactions(3);
  ws_->BeginTrans();
  AddStation(*db_, 9);
  tracker_->RollBackTransIfPending(ws_, /*rollBackAll=*/true);
  EXPECT_EQ(tracker_->ActiveTransactions(), 0);
  EXPECT_EQ(Count(*db_, "Stations"), 3);
}

TEST_F(Transactions, ADepthOfZeroOrBelowEndsNothingNotEvenTheSweep) {
  Begin();
  RecordsetPtr stations;
  Open(stations);  // tracked: a sweep would need a workspace
  for (const std::int16_t depth : {std::int16_t{0}, std::int16_t{-2}}) {
    tracker_->SetActiveTransactions(depth);
    tracker_->CommitTransIfPending(nullptr, true);
    tracker_->RollBackTransIfPending(ws_, true);
    EXPECT_EQ(tracker_->ActiveTransactions(), depth);
    EXPECT_EQ(ws_->TransactionLevel(), 1);
  }
}

TEST_F(Transactions, WithoutAWorkspaceOnlyTheRollBackGoesOn) {
  ws_->BeginTrans();
  tracker_->SetActiveTransactions(2);
  tracker_->RollBackTransIfPending(nullptr, /*rollBackAll=*/true);
  EXPECT_EQ(tracker_->ActiveTransactions(), 0);
  EXPECT_EQ(ws_->TransactionLevel(), 1);

  tracker_->SetActiveTransactions(2);
  EXPECT_PASSED_ON(err::kObjectNotSet, kCommitLabel, tracker_->CommitTransIfPending(nullptr));
  EXPECT_EQ(tracker_->ActiveTransactions(), 2);
  EXPECT_PASSED_ON(err::kObjectNotSet, kBeginLabel,
                   tracker_->BeginTransIfNotPending(nullptr, true));
  EXPECT_EQ(tracker_->ActiveTransactions(), 2);
}

TEST_F(Transactions, TheDepthOverflowsPast32767AfterTheEngineBegan) {
  tracker_->SetActiveTransactions(std::numeric_limits<std::int16_t>::max());
  EXPECT_PASSED_ON(err::kOverflow, kBeginLabel, Begin(/*nested=*/true));
  EXPECT_EQ(tracker_->ActiveTransactions(), 32767);
  EXPECT_EQ(ws_->TransactionLevel(), 1);
}

TEST_F(Transactions, AKilledProcessLeavesTheJobAsItWasBeforeTheTransaction) {
  db_.reset();
  ws_->Close();
  // Kept alive in the child until it is killed: closing them would roll the transaction back.
  DatabasePtr job;
  RecordsetPtr stations;
  std::unique_ptr<cDBtransactions> tracker;
  {
    ChildProcess killed([&] {
      job = ws_->OpenDatabase(path_);
      tracker = std::make_unique<cDBtransactions>();
      tracker->BeginTransIfNotPending(ws_);
      tracker->RecordsetOPEN(false, job, stations, "Stations");
      // Enough to spill pages into the file before any commit.
      for (int number = 100; number < 5000; ++number) AddStation(*job, number, std::string(90, 'x'));
      job->Execute("DELETE FROM Stations WHERE StationNo = 1");
    });
    ASSERT_TRUE(killed.Worked());
    killed.Kill();
  }
  db_ = ws_->OpenDatabase(path_);
  EXPECT_EQ(Count(*db_, "Stations"), 3);
  RecordsetPtr first = db_->OpenRecordset("SELECT * FROM Stations WHERE StationNo = 1");
  EXPECT_FALSE(first->Eof());
}

}  // namespace
}  // namespace nrx::test
