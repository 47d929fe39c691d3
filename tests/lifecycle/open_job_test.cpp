// cJobProcs::OpenJobDB and DecimalsOK: creating and opening a job, the version update, and a job
// open elsewhere, left by a killed process, or damaged.

#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "catalogue/older_job.h"
#include "lifecycle_fixture.h"
#include "nrxJobDb/class_registry.h"
#include "nrxJobDb/file_utility.h"

namespace nrx {
namespace {

constexpr const char* kOpenLabel = "(Class Module) cJobProcs::Sub OpenJobDB";
constexpr int kMissingLaterFields = 3;

class OpenJob : public test::LifecycleTest {
 protected:
  // A job of an older version: JobDetails and Points lack the last fields of their lists.
  static void MakeOlderJob(const std::string& path) {
    test::MakeOlderJob(path, {"JobDetails", "Points"}, kMissingLaterFields);
  }

  static bool Complete(const std::string& path, const char* table) {
    auto ws = std::make_shared<Workspace>("reader");
    DatabasePtr db = ws->OpenDatabase(path, false, true);
    TableDefPtr def = db->TableDefs(table);
    const int count = def->FieldsCount();
    const auto rows = test::ListRowsOf(table).rows;
    return count == static_cast<int>(rows.size()) &&
           def->Fields(count - 1)->Name() == rows.back().name;
  }

  void ExpectNotOpen() {
    EXPECT_FALSE(db_);
    EXPECT_EQ(0, DBEngine::Instance().Workspaces(0)->TransactionLevel());
  }

  // The error OpenJobDB raised, after checking it was passed on under its label.
  int OpenError(const std::string& path, bool checkFields = false) {
    try {
      Open(path, checkFields);
    } catch (const Error& e) {
      EXPECT_EQ(kOpenLabel, e.Source());
      return e.Number();
    }
    return 0;
  }
};

TEST_F(OpenJob, ANewJobIsCreatedEmptyAndEncryptedWithoutATemporaryCopy) {
  const std::string path = Path("new.njb");
  general_.reset();
  Open(path, /*checkFields=*/true);
  ASSERT_TRUE(db_);
  ASSERT_TRUE(ws_);
  EXPECT_FALSE(check_fields_);
  ASSERT_TRUE(general_);  // made for the caller, who needs one to close the job
  EXPECT_TRUE(std::filesystem::is_empty(Path("tmp")));
  EXPECT_EQ(1, ws_->TransactionLevel());
  EXPECT_FALSE(test::ReadFile(path).starts_with("SQLite format 3"));  // encrypted
  EXPECT_TRUE(Exists(ErrorLog::LogPathFor(path)));
  AddPointsTable(*db_);
  AddPoint(*db_, 1, "CP");
  general_->UpdateChangeCount(1, false);
  EXPECT_TRUE(Close(/*forceSave=*/true));
  EXPECT_EQ((test::PointRecords{{1, "CP"}}), PointsIn(path));
}

TEST_F(OpenJob, AnExistingJobIsCopiedAndOpenedExclusivelyWithoutACheck) {
  const std::string path = Path("site.njb");
  MakeOlderJob(path);  // incomplete tables: without the check nobody asks
  const std::string before = test::ReadFile(path);
  general_->UpdateChangeCount(5, true);
  Open(path);
  ASSERT_TRUE(db_);
  EXPECT_TRUE(db_->Exclusive());
  EXPECT_EQ(1, ws_->TransactionLevel());
  EXPECT_EQ(0, general_->ChangeCount());
  EXPECT_TRUE(boxes_->Calls().empty());
  EXPECT_EQ(Path("tmp"), std::filesystem::path(general_->TempCopyName()).parent_path().string());
  EXPECT_EQ(before, test::ReadFile(general_->TempCopyName()));
  EXPECT_FALSE(Exists(path + ".old"));
  EXPECT_TRUE(Close());
  EXPECT_FALSE(Complete(path, "JobDetails"));
}

TEST_F(OpenJob, AnOlderJobIsLeftClosedAndUnchangedOnNoAndKeptAsOldAndCompletedOnYes) {
  const std::string path = Path("site.njb");
  MakeOlderJob(path);
  const std::string before = test::ReadFile(path);
  boxes_->QueueAnswer(MsgAnswer::No);
  Open(path, /*checkFields=*/true);
  EXPECT_TRUE(cancel_);
  ExpectNotOpen();
  ExpectOneBox("Job: " + path +
                   "\r\n\r\nThe selected job was created by an older version of Norvaxa and will be"
                   "\r\nsaved with the extension '.old' before updating to the current version."
                   "\r\n\r\nContinue ?",
               MsgButtons::YesNo, MsgIcon::Information,
               "Norvaxa database operations - Job-version update");
  EXPECT_FALSE(Exists(path + ".old"));
  EXPECT_FALSE(Complete(path, "JobDetails"));
  EXPECT_FALSE(IsFileHeld(path));

  cancel_ = false;
  boxes_->ClearCalls();
  boxes_->QueueAnswer(MsgAnswer::Yes);
  Open(path, /*checkFields=*/true);
  EXPECT_FALSE(cancel_);
  ASSERT_TRUE(db_);
  EXPECT_FALSE(db_->Exclusive());  // the reopen after an update is shared
  general_->UpdateChangeCount(1, false);
  EXPECT_TRUE(Close(/*forceSave=*/true));
  EXPECT_TRUE(Complete(path, "JobDetails") && Complete(path, "Points"));
  EXPECT_EQ(before, test::ReadFile(path + ".old"));
  // The next opening finds nothing to update.
  Open(path, /*checkFields=*/true);
  EXPECT_EQ(1u, boxes_->Calls().size());
}

TEST_F(OpenJob, AJobOnANetworkShareOpensAloneWithAWarningAndIsNeverTakenForDamaged) {
  const std::string path = Path("site.njb");
  MakeOlderJob(path);
  test::PretendFileSystemType(Path(""), 0x6969);
  boxes_->QueueAnswer(MsgAnswer::OK);
  boxes_->QueueAnswer(MsgAnswer::Yes);
  Open(path, /*checkFields=*/true);
  ASSERT_TRUE(db_);
  EXPECT_TRUE(db_->Exclusive());  // the reopen after the update too: a share allows no other
  ASSERT_EQ(2u, boxes_->Calls().size());
  EXPECT_EQ("Job [ " + path + " ] lies on a network file system.\r\n\r\nIts locks may not keep "
            "other computers out: make sure nobody else opens this job until you close it.",
            boxes_->Calls()[0].text);
  EXPECT_TRUE(Close(/*forceSave=*/true));

  DBEngine::Instance().SetRefusesNetworkFiles(true);
  boxes_->ClearCalls();
  EXPECT_EQ(3043, OpenError(path));
  DBEngine::Instance().SetRefusesNetworkFiles(false);
  test::PretendFileSystemType(Path(""), 0);
  EXPECT_TRUE(boxes_->Calls().empty());  // no repair message
  EXPECT_FALSE(Exists(path + ".damaged"));
  EXPECT_TRUE(Complete(path, "JobDetails"));
}

TEST_F(OpenJob, AnMdbJobBecomesAnNjbJobUnlessAReadOnlyNjbIsInTheWay) {
  prog_->SetInteractive(false);
  const std::string path = Path("SITE.MDB");
  MakeOlderJob(path);
  const std::string before = test::ReadFile(path);
  test::WriteFile(Path("SITE.njb"), "a stale file");  // writable: replaced
  Open(path, /*checkFields=*/true);
  ASSERT_TRUE(db_);
  EXPECT_EQ(Path("SITE.njb"), db_->Name());
  EXPECT_EQ(Path("SITE.njb"), job_->JobFileName());
  EXPECT_FALSE(Exists(path));
  EXPECT_EQ(before, test::ReadFile(Path("SITE.MDB.old")));
  EXPECT_TRUE(Exists(ErrorLog::LogPathFor(Path("SITE.njb"))));
  general_->UpdateChangeCount(1, false);
  EXPECT_TRUE(Close(/*forceSave=*/true));
  EXPECT_TRUE(Exists(Path("SITE.njb.bak1")));  // the backup goes beside the new name
  EXPECT_TRUE(Complete(Path("SITE.njb"), "Points"));

  const std::string kept = Path("site.mdb");
  MakeOlderJob(kept);
  test::WriteFile(Path("site.njb"), "someone else's");
  lifecycle::SetJobFiles(std::make_shared<test::ReadOnlyFile>(Path("site.njb")));
  Open(kept, /*checkFields=*/true);
  EXPECT_EQ(kept, db_->Name());
  EXPECT_EQ(kept, job_->JobFileName());
  EXPECT_EQ("someone else's", test::ReadFile(Path("site.njb")));
}

TEST_F(OpenJob, AJobOpenInAnotherProcessGivesError70AndTellsTheUser) {
  const std::string path = Path("site.njb");
  MakeJob(path, {{1, "CP"}});
  test::ChildProcess other([&] { Open(path); });
  ASSERT_TRUE(other.Worked());

  EXPECT_EQ(err::kPermissionDenied, OpenError(path));
  ExpectNotOpen();
  ASSERT_EQ(1u, boxes_->Calls().size());
  const std::string& text = boxes_->Calls()[0].text;
  EXPECT_TRUE(text.starts_with("Error '")) << text;
  EXPECT_TRUE(text.ends_with("' in " + std::string(kOpenLabel) + "\r\n\r\nJob [ " + path +
                             " ] may be open at another location\r\n\r\n"))
      << text;
  ASSERT_FALSE(ErrorStack::Instance().Records().empty());
  EXPECT_EQ(kOpenLabel, ErrorStack::Instance().Records().back().second);
}

TEST_F(OpenJob, AJobThatCannotBeReadIsRefusedAtOnceWith75AndNotTakenForOneInUse) {
  const std::string fifo = Path("fifo.njb");
  ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));  // a lock check that opened it would wait for ever
  EXPECT_EQ(err::kPathAccess, OpenError(fifo));
  const std::string locked = Path("locked.njb");
  MakeJob(locked, {{1, "CP"}});
  std::filesystem::permissions(locked, std::filesystem::perms::none);
  EXPECT_EQ(err::kPathAccess, test::WithoutFileOverride([&] {
              const int number = OpenError(locked);
              return boxes_->Calls().empty() ? number : 254;
            }));
  ExpectNotOpen();
  EXPECT_TRUE(boxes_->Calls().empty());  // not "may be open at another location"
  EXPECT_TRUE(general_->TempCopyName().empty());
  EXPECT_TRUE(std::filesystem::is_empty(Path("tmp")));
}

TEST_F(OpenJob, SavesWithinTheHourLeaveOneTemporaryCopyOfAJobNotOneEach) {
  const std::string path = Path("site.njb");
  MakeJob(path, {{1, "CP"}});
  for (int cycle = 0; cycle < 3; ++cycle) {
    Open(path);
    AddPoint(*db_, 2 + cycle, "NEW");
    general_->UpdateChangeCount(1, false);
    ASSERT_TRUE(Close(/*forceSave=*/true));
  }
  EXPECT_EQ((test::PointRecords{{1, "CP"}}), PointsIn(path + ".bak1"));
  EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(Path("tmp")),
                             std::filesystem::directory_iterator()));
}

TEST_F(OpenJob, AProcessKilledWithUnsavedChangesLeavesTheJobAsItWasOpened) {
  const std::string path = Path("site.njb");
  const test::PointRecords opened = {{1, "CP"}, {2, "TREE"}, {3, "FENCE"}};
  MakeJob(path, opened);
  {
    test::ChildProcess killed([&] {
      Open(path);
      for (int number = 10; number < 2000; ++number) AddPoint(*db_, number, "UNSAVED");
      db_->Execute("UPDATE Points SET Code = 'EDITED' WHERE PointNo = 1");
      db_->Execute("DELETE FROM Points WHERE PointNo = 2");
      general_->UpdateChangeCount(3, false);
    });
    ASSERT_TRUE(killed.Worked());
    killed.Kill();
  }
  EXPECT_EQ(opened, PointsIn(path));
  Open(path);
  EXPECT_TRUE(db_ && db_->Exclusive());
}

TEST_F(OpenJob, ADamagedJobIsRepairedToldAndClosed) {
  test::PointRecords many;
  for (int number = 1; number <= 300; ++number) many.emplace_back(number, "P");
  for (const bool repairable : {true, false}) {  // cut short, or overwritten with random bytes
    SCOPED_TRACE(repairable ? "cut short" : "random bytes");
    const std::string path = Path(repairable ? "cut.njb" : "noise.njb");
    MakeJob(path, many);
    const auto size = std::filesystem::file_size(path);
    std::string bytes(size, '\0');
    std::mt19937 random(42);
    for (char& c : bytes) c = static_cast<char>(random());
    repairable ? std::filesystem::resize_file(path, size / 2) : test::WriteFile(path, bytes);
    boxes_->ClearCalls();

    EXPECT_EQ(err::kNotADatabase, OpenError(path, /*checkFields=*/true));
    ExpectNotOpen();
    EXPECT_FALSE(IsFileHeld(path));
    EXPECT_FALSE(Exists(general_->TempCopyName()));
    ExpectOneBox("Attempted to open database " + path + "- database required repair\r\n\r\n" +
                 "Please re-open job " + path + " and run 'Compact Job'");
    // What the repair could read opens again; what it could not is refused again, as cleanly.
    EXPECT_EQ(repairable, Exists(path + ".damaged"));
    boxes_->ClearCalls();
    EXPECT_EQ(repairable ? 0 : err::kNotADatabase, OpenError(path, /*checkFields=*/true));
    if (repairable) {
      EXPECT_TRUE(Close());
    }
    ws_.reset();
  }
}

TEST_F(OpenJob, AJetJobIsConvertedBesideItThenOpenedAndSavedIntoTheNewFile) {
  const std::string mdb = Path("site.MDB");
  const std::string njb = Path("site.njb");
  std::filesystem::copy_file(std::filesystem::path(NRX_TEST_DATA) / "jet" / "testV2003.mdb", mdb);
  const std::string before = test::ReadFile(mdb);
  Open(mdb);
  ASSERT_TRUE(db_);
  EXPECT_EQ(njb, db_->Name());
  EXPECT_EQ(njb, job_->JobFileName());
  EXPECT_EQ(1, ws_->TransactionLevel());
  ExpectOneBox("Job: " + mdb +
                   "\r\n\r\nThe job was kept in the database format of an earlier generation. It "
                   "has been converted to\r\n" + njb +
                   "\r\n(4 tables, 2 records), which is the job from now on; the original file "
                   "stays as it was.",
               MsgButtons::OK, MsgIcon::Information,
               "Norvaxa database operations - Job conversion");
  {
    RecordsetPtr rs = db_->OpenRecordset("Table1");
    rs->AddNew();
    rs->Fields("A")->SetValue("new");
    rs->Fields("H")->SetValue("12.3456");
    rs->Update();
  }
  general_->UpdateChangeCount(1, false);
  EXPECT_TRUE(Close(/*forceSave=*/true));
  {
    auto ws = std::make_shared<Workspace>("reader");
    DatabasePtr saved = ws->OpenDatabase(njb, false, true);
    RecordsetPtr rs = saved->OpenRecordset("SELECT H FROM Table1 WHERE A = 'new'");
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ("12.3456", (*rs)["H"].ToText());
  }
  EXPECT_EQ(before, test::ReadFile(mdb));

  // Converting again would overwrite the job: refused, and neither file changes, nor is any
  // repair tried on the Jet file.
  const std::string saved = test::ReadFile(njb);
  boxes_->ClearCalls();
  EXPECT_EQ(err::kDatabaseExists, OpenError(mdb));
  ExpectNotOpen();
  EXPECT_TRUE(boxes_->Calls().empty());
  EXPECT_EQ(saved, test::ReadFile(njb));
  EXPECT_EQ(before, test::ReadFile(mdb));
}

TEST_F(OpenJob, DecimalsOkTestsTheLastCharacterOfEveryEntryThatIsNotBlank) {
  EXPECT_TRUE(procs_->DecimalsOK({"1.20", "", "   ", "3.40"}, 4));
  EXPECT_FALSE(procs_->DecimalsOK({"1.20 "}, 1));
  EXPECT_TRUE(procs_->DecimalsOK({"1.20", "1.25"}, 1));  // only the first `records` count
  EXPECT_FALSE(procs_->DecimalsOK({"1.25"}, 3));         // stops at the first failure
  EXPECT_PASSED_ON(err::kSubscript, "(Class Module) cJobProcs::Function DecimalsOK",
                   procs_->DecimalsOK({"1.20"}, 2));
  // Late-bound, the array's first element is entry 1 whatever its lower bound.
  auto array =
      std::make_shared<VariantArray>(std::vector<Variant>{Variant("2.50"), Variant("2.55")}, 1);
  std::vector<Variant> args = {Variant(std::shared_ptr<Object>(array)), Variant(std::int16_t{1})};
  EXPECT_TRUE(ClassRegistry::Instance().Invoke(*procs_, "DecimalsOK", args).ToBoolean());
}

}  // namespace
}  // namespace nrx
