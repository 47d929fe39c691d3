// cJobProcs' verification members: a box per failing step with the walk going on, nothing
// raised, or the failures handed to a collector instead of boxes.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "engine/engine_fixture.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/error_log.h"
#include "nrxJobDb/table_names.h"
#include "nrxJobDb/verify_failures.h"
#include "support/component_globals.h"

namespace nrx {
namespace {

std::string Label(const std::string& member) {
  return "(Class Module) cJobProcs::Function " + member;
}

std::string Title(const std::string& member) {
  return model::TableNames::Instance().MessageTitlePrefix() + Label(member);
}

class Verification : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    globals_.emplace(boxes_);
    db_ = Create("job.njb");
    MakeTable(*db_, "Points", {{"PointNo", dbLong, 0}, {"Code", dbText, 4}});
    MakeTable(*db_, "Notes", {{"N", dbLong, 0}, {"Code1", dbText, 4}, {"Code2", dbText, 4}});
    for (int i = 1; i <= 3; ++i) {
      db_->Execute("INSERT INTO Points (PointNo, Code) VALUES (" + std::to_string(i) + ", 'CP')");
      db_->Execute("INSERT INTO Notes (N) VALUES (" + std::to_string(i) + ")");
    }
  }
  void TearDown() override {
    db_.reset();
    globals_.reset();
    EngineTest::TearDown();
  }

  // Runs `sql` on the job behind the engine's back and opens the job again.
  void Tamper(const std::string& sql) {
    db_->Close();
    test::ExecuteBehindEngine(Path("job.njb"), sql);
    db_ = ws_->OpenDatabase(Path("job.njb"));
  }

  // Every box shown has the member's title, an OK button and the failure icon.
  void ExpectBoxesOf(const std::string& member) {
    for (const MessageBoxCall& call : boxes_->Calls()) {
      EXPECT_EQ(Title(member), call.title);
      EXPECT_EQ(MsgButtons::OK, call.buttons);
      EXPECT_EQ(MsgIcon::Exclamation, call.icon);
    }
  }

  cJobProcs procs_;
  std::shared_ptr<ScriptedMessageBox> boxes_ = std::make_shared<ScriptedMessageBox>();
  DatabasePtr db_;
  std::optional<test::ComponentGlobals> globals_;
};

TEST_F(Verification, PointRecordOfNothingFailsWithoutABox) {
  EXPECT_EQ("VerifyPointRecord FAILED - Recordset is Nothing", procs_.VerifyPointRecord(nullptr));
  EXPECT_EQ("VerifyPointRecord FAILED - Recordset is Nothing",
            procs_.VerifyPointRecord(nullptr, db_));
  EXPECT_TRUE(boxes_->Calls().empty());
}

TEST_F(Verification, PointRecordPassesOverFailuresSilentlyFromTheFirstRecordOn) {
  // No "AlphaID", and a point's code too long for its field: every record fails, quietly, and
  // the walk still reaches the end.
  Tamper("UPDATE Points SET Code = 'far too long' WHERE PointNo = 2");
  RecordsetPtr points = db_->OpenRecordset("Points");
  EXPECT_EQ("VerifyPointRecord completed", procs_.VerifyPointRecord(points, db_));
  EXPECT_TRUE(points->Eof());
  EXPECT_TRUE(boxes_->Calls().empty());
}

TEST_F(Verification, PointRecordShowsEachFailureBeforeTheRecordsAndGoesOn) {
  RecordsetPtr points = db_->OpenRecordset("Points");
  points->Close();
  EXPECT_EQ("VerifyPointRecord completed", procs_.VerifyPointRecord(points));
  // Counts, moves and field names each fail on their own: the walk did not stop at the first.
  EXPECT_GE(boxes_->Calls().size(), 3u);
  ExpectBoxesOf("VerifyPointRecord");
  EXPECT_EQ(ErrorStack::Instance().Count(), 0u);
}

TEST_F(Verification, RecsetFieldsShowsOneBoxPerFieldTheEngineCannotRead) {
  Tamper("UPDATE Notes SET Code1 = 'longer', Code2 = 'longer too' WHERE N = 1");
  RecordsetPtr notes = db_->OpenRecordset("Notes");
  EXPECT_TRUE(procs_.VerifyRecsetFields(notes));  // names only: nothing to refuse
  EXPECT_TRUE(boxes_->Calls().empty());

  EXPECT_TRUE(procs_.VerifyRecsetFields(notes, true));
  ASSERT_EQ(2u, boxes_->Calls().size());
  EXPECT_NE(std::string::npos, boxes_->Calls()[0].text.find("Code1"));
  EXPECT_NE(std::string::npos, boxes_->Calls()[1].text.find("Code2"));
  ExpectBoxesOf("VerifyRecsetFields");
  EXPECT_EQ(1, notes->Fields("N")->Value().ToLong());  // still on the record it was on
}

TEST_F(Verification, ACollectorTakesTheFailuresWithWhereTheyHappenedInsteadOfBoxes) {
  Tamper("UPDATE Notes SET Code2 = 'longer' WHERE N = 1");
  RecordsetPtr notes = db_->OpenRecordset("Notes");
  std::vector<VerifyFailure> failures;
  {
    VerifyFailureCollector outer;
    {
      VerifyFailureCollector inner;
      procs_.VerifyRecsetFields(notes, true);
      failures = inner.Failures();
    }
    EXPECT_TRUE(outer.Failures().empty());
    procs_.VerifyTableIndexes(nullptr);
    EXPECT_EQ(1u, outer.Failures().size());
  }
  EXPECT_TRUE(boxes_->Calls().empty());
  ASSERT_EQ(1u, failures.size());
  EXPECT_EQ(Label("VerifyRecsetFields"), failures[0].member);
  EXPECT_EQ(err::kValueTooLong, failures[0].number);
  EXPECT_EQ("Notes", failures[0].table);
  EXPECT_EQ("Code2", failures[0].field);

  procs_.VerifyTableIndexes(nullptr);  // no collector left: shown again
  EXPECT_EQ(1u, boxes_->Calls().size());
}

TEST_F(Verification, MembersGivenNothingShowTheirFailuresAndReturnNormally) {
  EXPECT_TRUE(procs_.VerifyTableFields(nullptr, "Points"));
  EXPECT_TRUE(procs_.VerifyTableIndexes(nullptr));
  ASSERT_EQ(2u, boxes_->Calls().size());
  EXPECT_EQ(Title("VerifyTableFields"), boxes_->Calls()[0].title);
  EXPECT_EQ(Title("VerifyTableIndexes"), boxes_->Calls()[1].title);
  EXPECT_EQ(ErrorText(err::kObjectNotSet).substr(0, 20), boxes_->Calls()[0].text.substr(0, 20));

  // Its name cannot be read, so the database counts as not open.
  boxes_->ClearCalls();
  EXPECT_TRUE(procs_.VerifyOpenRecordSets(nullptr));
  ASSERT_EQ(2u, boxes_->Calls().size());
  EXPECT_EQ(Title("VerifyOpenRecordSets"), boxes_->Calls()[0].title);
  EXPECT_EQ("Database not open", boxes_->Calls()[1].text);
  EXPECT_EQ(kDefaultMessageTitle, boxes_->Calls()[1].title);
  EXPECT_EQ(ErrorStack::Instance().Count(), 0u);
}

// Which tables a member read the fields or indexes of, told by its failures: the engine's tables
// of field properties and indexes are taken from the file after the engine listed them, so
// reading any table's fields or indexes fails.
class BrokenSchema : public Verification {
 protected:
  void SetUp() override {
    Verification::SetUp();
    Tamper("CREATE TABLE msysLower (x); CREATE TABLE MSysUpper (x)");
    db_->TableDefs();
    test::ExecuteBehindEngine(Path("job.njb"), "DROP TABLE MSysIndexes; DROP TABLE MSysFieldProps");
  }

  template <class F>
  std::vector<std::string> TablesRead(F&& member) {
    VerifyFailureCollector collector;
    member();
    std::vector<std::string> tables;
    for (const VerifyFailure& failure : collector.Failures()) tables.push_back(failure.table);
    return tables;
  }
};

TEST_F(BrokenSchema, TableFieldsReadsTheFieldsOfTheTableOfExactlyThatNameOnly) {
  using Tables = std::vector<std::string>;
  EXPECT_EQ(Tables{"Points"}, TablesRead([&] { procs_.VerifyTableFields(db_, "Points"); }));
  EXPECT_EQ(Tables{}, TablesRead([&] { procs_.VerifyTableFields(db_, "points"); }));
  EXPECT_EQ(Tables{}, TablesRead([&] { procs_.VerifyTableFields(db_, "Missing"); }));
  EXPECT_TRUE(boxes_->Calls().empty());
}

TEST_F(BrokenSchema, TableIndexesSkipsTheEngineTablesByTheirExactPrefix) {
  using Tables = std::vector<std::string>;
  EXPECT_EQ((Tables{"msysLower", "Notes", "Points"}),
            TablesRead([&] { procs_.VerifyTableIndexes(db_); }));
  EXPECT_TRUE(procs_.VerifyTableIndexes(db_));
  EXPECT_EQ(3u, boxes_->Calls().size());
  ExpectBoxesOf("VerifyTableIndexes");
}

TEST_F(Verification, OpenRecordSetsListsWhatIsOpenInTheErrorLog) {
  ErrorLog log;
  log.Start(Path("job.njb"));
  RecordsetPtr points = db_->OpenRecordset("Points");
  EXPECT_TRUE(procs_.VerifyOpenRecordSets(db_));
  EXPECT_TRUE(boxes_->Calls().empty());
  EXPECT_NE(std::string::npos, test::ReadFile(log.LogPath()).find("1: Points (table), 3 records"));
}

}  // namespace
}  // namespace nrx
