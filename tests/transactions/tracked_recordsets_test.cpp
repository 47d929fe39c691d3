// Recordsets opened and released through the tracker: what it remembers, the warning for one
// opened outside a transaction and released inside it, and the sweep before a commit.

#include <gtest/gtest.h>

#include "transactions/tracker_fixture.h"

namespace nrx::test {
namespace {

using TrackedRecordsets = TrackerTest;

TEST_F(TrackedRecordsets, ReleasingInsideATransactionWhatWasOpenedOutsideItWarns) {
  RecordsetPtr outside;
  RecordsetPtr inside;
  Open(outside);
  Begin();
  tracker_.RecordsetCLOSE(inside, "", "Nobody");  // nothing to release
  tracker_.RecordsetCLOSE(outside, "rsStations", "SaveStations");
  EXPECT_EQ(Boxes(), std::vector{Warning("Stations", "SaveStations")});
  EXPECT_FALSE(outside);
  EXPECT_EQ(db_->RecordsetsCount(), 0);
  Open(inside);
  tracker_.CommitTransIfPending(ws_);
  tracker_.RecordsetCLOSE(inside);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(TrackedRecordsets, ReplacingOneOpenedOutsideWarnsThenTracksTheNewOne) {
  RecordsetPtr stations;
  Open(stations);
  Begin();
  Open(stations, "SELECT * FROM Stations ORDER BY StationNo DESC");
  EXPECT_EQ(Boxes(), std::vector{Warning("Stations", "RecordsetOPEN")});
  EXPECT_EQ(std::make_tuple(stations->Type(), stations->RecordCount(), db_->RecordsetsCount()),
            std::make_tuple(dbOpenDynaset, 3L, 1));
  EXPECT_EQ((*stations)["StationNo"].ToLong(), 3);  // on its first record

  bool existed = true;  // replaced as tracked: no warning
  tracker_.RecordsetOPEN(true, db_, stations, "", -1, "4", path_, &existed);
  EXPECT_EQ(std::make_pair(stations->Name(), existed),
            std::make_pair(std::string("LS_Options4"), false));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(TrackedRecordsets, EachReleaseDropsOneEntryOfItsName) {
  Begin();
  RecordsetPtr first;
  RecordsetPtr second;
  Open(first);
  Open(second);
  tracker_.RecordsetCLOSE(first);
  RecordsetPtr untracked = db_->OpenRecordset("Stations");
  tracker_.RecordsetCLOSE(untracked, "", "Third");  // takes the second entry
  tracker_.RecordsetCLOSE(second, "", "Last");      // none left for it
  EXPECT_EQ(Boxes(), std::vector{Warning("Stations", "Last")});
}

TEST_F(TrackedRecordsets, TheSweepDropsEntriesOfOpenRecordsetsAndLeavesTheCallersOpen) {
  Begin();
  RecordsetPtr kept;
  RecordsetPtr dropped;
  Open(kept);
  Open(dropped, "SELECT * FROM Stations");
  dropped.reset();  // released by the caller itself: its entry outlives it
  tracker_.CommitTransIfPending(ws_);
  kept->MoveLast();
  EXPECT_EQ((*kept)["StationNo"].ToLong(), 3);

  Begin();  // the open one has left the list, the released one is still on it
  RecordsetPtr same_query = db_->OpenRecordset("SELECT * FROM Stations");
  tracker_.RecordsetCLOSE(same_query, "", "Query");
  tracker_.RecordsetCLOSE(kept, "", "Kept");
  EXPECT_EQ(Boxes(), std::vector{Warning("Stations", "Kept")});
}

}  // namespace
}  // namespace nrx::test
