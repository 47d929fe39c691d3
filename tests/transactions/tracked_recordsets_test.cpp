// Recordsets opened and released through the tracker: what it remembers, the warning for one
// opened outside a transaction and released inside it, and the sweep before a commit.

#include <gtest/gtest.h>

#include "transactions/tracker_fixture.h"

namespace nrx::test {
namespace {

using TrackedRecordsets = TrackerTest;

TEST_F(TrackedRecordsets, OpenGivesTheDefaultTypeOnItsFirstRecordWithTheCountComplete) {
  RecordsetPtr stations;
  Open(stations, "SELECT * FROM Stations ORDER BY StationNo DESC");
  ASSERT_TRUE(stations);
  EXPECT_EQ(stations->Type(), dbOpenDynaset);
  EXPECT_EQ(stations->RecordCount(), 3);
  EXPECT_EQ((*stations)["StationNo"].ToLong(), 3);
  Open(stations);
  EXPECT_EQ(stations->Type(), dbOpenTable);
  EXPECT_EQ(db_->RecordsetsCount(), 1);  // the replaced dynaset closed with its last reference
}

TEST_F(TrackedRecordsets, ReleasingInsideATransactionWhatWasOpenedOutsideItWarns) {
  RecordsetPtr outside;
  Open(outside);
  Begin();
  RecordsetPtr empty;
  tracker_->RecordsetCLOSE(empty, "", "Nobody");
  tracker_->RecordsetCLOSE(outside, "rsStations", "SaveStations");
  ExpectBoxes({Warning("Stations", "SaveStations")});
  EXPECT_FALSE(outside);
  EXPECT_EQ(db_->RecordsetsCount(), 0);

  RecordsetPtr inside;  // opened inside, released after the commit: no warning
  Open(inside);
  tracker_->CommitTransIfPending(ws_);
  tracker_->RecordsetCLOSE(inside);
  ExpectBoxes({});
}

TEST_F(TrackedRecordsets, ReplacingARecordsetOpenedOutsideWarnsThenTracksTheNewOne) {
  RecordsetPtr stations;
  Open(stations);
  Begin();
  Open(stations, "SELECT * FROM Stations");
  ExpectBoxes({Warning("Stations", "RecordsetOPEN")});
  ASSERT_TRUE(stations);
  EXPECT_EQ(stations->Name(), "SELECT * FROM Stations");
  EXPECT_EQ(db_->RecordsetsCount(), 1);
  tracker_->RecordsetCLOSE(stations, "", "Later");
  ExpectBoxes({});
}

TEST_F(TrackedRecordsets, EachReleaseDropsOneEntryOfItsName) {
  Begin();
  RecordsetPtr first;
  RecordsetPtr second;
  Open(first);
  Open(second);
  tracker_->RecordsetCLOSE(first);
  RecordsetPtr untracked = db_->OpenRecordset("Stations");
  tracker_->RecordsetCLOSE(untracked, "", "Third");  // takes the second entry
  tracker_->RecordsetCLOSE(second, "", "Last");      // none left for it
  ExpectBoxes({Warning("Stations", "Last")});
}

TEST_F(TrackedRecordsets, LeastSquaresTablesOpenThroughTheTrackersOwnJobProcs) {
  Begin();
  RecordsetPtr options;
  bool existed = true;
  tracker_->RecordsetOPEN(true, db_, options, "", -1, "4", path_, &existed);
  EXPECT_FALSE(existed);
  ASSERT_TRUE(options);
  EXPECT_EQ(options->Name(), "LS_Options4");

  // A table type the opener does not know opens nothing, leaves nothing tracked and does not
  // fail; the options table opened before it is released as tracked.
  tracker_->RecordsetOPEN(true, db_, options, "", 10, "4", path_, &existed);
  EXPECT_FALSE(options);
  RecordsetPtr untracked = db_->OpenRecordset("Stations");
  tracker_->RecordsetCLOSE(untracked, "", "After");
  ExpectBoxes({Warning("Stations", "After")});
}

TEST_F(TrackedRecordsets, TheSweepDropsEntriesOfOpenRecordsetsAndLeavesTheCallersOpen) {
  Begin();
  RecordsetPtr kept;
  RecordsetPtr dropped;
  Open(kept);
  Open(dropped, "SELECT * FROM Stations");
  dropped.reset();  // released by the caller itself: its entry outlives it
  tracker_->CommitTransIfPending(ws_);
  ASSERT_TRUE(kept);
  kept->MoveLast();
  EXPECT_EQ((*kept)["StationNo"].ToLong(), 3);

  // The open one left the list, the released one is still on it.
  Begin();
  RecordsetPtr same_query = db_->OpenRecordset("SELECT * FROM Stations");
  tracker_->RecordsetCLOSE(same_query, "", "Query");
  tracker_->RecordsetCLOSE(kept, "", "Kept");
  ExpectBoxes({Warning("Stations", "Kept")});
}

}  // namespace
}  // namespace nrx::test
