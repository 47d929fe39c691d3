// cJobProcs::CloseDBfiles: the save question, commit or rollback, the temporary copy and first
// backup, and what an error leaves behind.

#include "lifecycle_fixture.h"
#include "nrxJobDb/class_registry.h"

namespace nrx {
namespace {

constexpr const char* kCloseLabel = "(Class Module) cJobProcs::Function CloseDBfiles";
constexpr const char* kBackupLabel = "(Class Module) cJobProcs::Function BackupJobDB";

class CloseJob : public test::LifecycleTest {
 protected:
  void SetUp() override {
    LifecycleTest::SetUp();
    job_file_ = Path("site.njb");
    MakeJob(job_file_, kOpened);
    Open(job_file_);
    temp_ = general_->TempCopyName();
    ASSERT_TRUE(Exists(temp_));
  }

  // One more point, counted as a change as the application counts it.
  void Change(int number) {
    AddPoint(*db_, number, "NEW");
    general_->UpdateChangeCount(1, false);
  }

  void ExpectClosed() {
    EXPECT_FALSE(db_);
    EXPECT_FALSE(ws_);
    EXPECT_EQ(0, general_->ChangeCount());
    EXPECT_EQ(0, DBEngine::Instance().Workspaces(0)->TransactionLevel());
  }

  const test::PointRecords kOpened = {{1, "CP"}};
  std::string job_file_;
  std::string temp_;
};

TEST_F(CloseJob, WithoutADatabaseOnlyALeftoverTemporaryCopyGoes) {
  WorkspacePtr ws = ws_;
  DatabasePtr none;
  EXPECT_TRUE(procs_->CloseDBfiles(ws, none, grid_, general_, false));
  EXPECT_FALSE(Exists(temp_));
  EXPECT_EQ(ws_, ws);
  EXPECT_TRUE(boxes_->Calls().empty());
}

TEST_F(CloseJob, UncountedChangesOrChangesAnsweredNoAreRolledBack) {
  for (const bool counted : {false, true}) {
    SCOPED_TRACE(counted ? "answered No" : "not counted, forced save");
    if (!db_) Open(job_file_);
    temp_ = general_->TempCopyName();
    boxes_->ClearCalls();
    counted ? Change(2) : AddPoint(*db_, 2, "UNCOUNTED");
    boxes_->QueueAnswer(MsgAnswer::No);
    EXPECT_TRUE(Close(/*forceSave=*/!counted));
    if (counted) {
      ExpectOneBox("Changes have been made to job " + job_file_ + " - Save now ?",
                   MsgButtons::YesNoCancel, MsgIcon::Question);
    } else {
      EXPECT_TRUE(boxes_->Calls().empty());
    }
    ExpectClosed();
    EXPECT_EQ(kOpened, PointsIn(job_file_));
    EXPECT_FALSE(Exists(temp_));
    EXPECT_FALSE(Exists(job_file_ + ".bak1"));
  }
}

TEST_F(CloseJob, CancelKeepsTheJobUsableAndTheFirstSaveTurnsTheCopyIntoTheFirstBackup) {
  Change(2);
  boxes_->QueueAnswer(MsgAnswer::Cancel);
  EXPECT_FALSE(Close());
  ASSERT_TRUE(db_);
  ASSERT_TRUE(ws_);
  EXPECT_EQ(1, ws_->TransactionLevel());
  EXPECT_EQ(1, general_->ChangeCount());
  EXPECT_TRUE(Exists(temp_));

  Change(3);
  RecordsetPtr held = db_->OpenRecordset("Points");
  boxes_->QueueAnswer(MsgAnswer::Yes);
  EXPECT_TRUE(Close());
  ExpectClosed();
  EXPECT_FALSE(held->IsOpen());
  EXPECT_EQ((test::PointRecords{{1, "CP"}, {2, "NEW"}, {3, "NEW"}}), PointsIn(job_file_));
  EXPECT_EQ(kOpened, PointsIn(job_file_ + ".bak1"));
  EXPECT_FALSE(Exists(temp_));
  // The job is free again: it opens exclusively.
  Open(job_file_);
  EXPECT_TRUE(db_->Exclusive());
}

TEST_F(CloseJob, AForcedSaveWithChangesAsksNothingAndCanSkipTheBackup) {
  Change(2);
  EXPECT_TRUE(Close(/*forceSave=*/true, /*useTempBackup=*/false));
  ExpectClosed();
  EXPECT_TRUE(boxes_->Calls().empty());
  EXPECT_EQ(2u, PointsIn(job_file_).size());
  EXPECT_FALSE(Exists(job_file_ + ".bak1"));
  EXPECT_TRUE(Exists(temp_));  // unused, it stays for the caller
}

TEST_F(CloseJob, AJobWithoutATransactionClosesAllTheSame) {
  ws_->Rollback();  // as if its opening had failed before the transaction began
  Change(2);
  boxes_->QueueAnswer(MsgAnswer::Yes);
  EXPECT_TRUE(Close());
  ExpectClosed();
  EXPECT_EQ(0u, ErrorStack::Instance().Count());
  EXPECT_EQ(2u, PointsIn(job_file_).size());
}

TEST_F(CloseJob, AFailedBackupRenameIsToldAndTheJobIsStillSaved) {
  std::filesystem::create_directories(job_file_ + ".bak1");
  Change(2);
  boxes_->QueueAnswer(MsgAnswer::Yes);
  EXPECT_TRUE(Close());
  ExpectClosed();
  ASSERT_EQ(2u, boxes_->Calls().size());
  EXPECT_TRUE(boxes_->Calls()[1].text.starts_with("Failed to rename database " + job_file_));
  EXPECT_EQ(2u, PointsIn(job_file_).size());
}

TEST_F(CloseJob, AnyOtherErrorReleasesEverythingAndIsRaised) {
  test::WriteFile(job_file_ + ".bak1", "an earlier backup");
  lifecycle::SetJobFiles(std::make_shared<test::UnreadableTimes>());
  Change(2);
  EXPECT_PASSED_ON(err::kFileNotFound, kCloseLabel, Close(/*forceSave=*/true));
  EXPECT_FALSE(grid_ || db_ || ws_);
  const auto records = ErrorStack::Instance().Records();
  ASSERT_EQ(2u, records.size());
  EXPECT_EQ((ErrorStack::Entry{"test", kBackupLabel}), records[0]);
  EXPECT_EQ((ErrorStack::Entry{kBackupLabel, kCloseLabel}), records[1]);
  EXPECT_EQ(2u, PointsIn(job_file_).size());
}

TEST_F(CloseJob, LateBoundCallTakesTheDefaultsAndReleasesTheCallersObjects) {
  Change(2);
  boxes_->QueueAnswer(MsgAnswer::Yes);
  std::vector<Variant> args = {Variant(std::shared_ptr<Object>(ws_)),
                               Variant(std::shared_ptr<Object>(db_)),
                               Variant(std::shared_ptr<Object>(grid_)),
                               Variant(std::shared_ptr<Object>(general_)), Variant(false)};
  db_.reset();
  ws_.reset();
  EXPECT_TRUE(ClassRegistry::Instance().Invoke(*procs_, "CloseDBfiles", args).ToBoolean());
  EXPECT_FALSE(args[0].ToObject() || args[1].ToObject());
  EXPECT_EQ(kOpened, PointsIn(job_file_ + ".bak1"));
}

}  // namespace
}  // namespace nrx
