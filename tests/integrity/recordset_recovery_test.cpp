// cJobProcs' safe recordset members: opening only what exists, requerying in place or opening
// anew, and closing every recordset of a database.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine_fixture.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/class_registry.h"
#include "nrxJobDb/error_stack.h"
#include "support/component_globals.h"

namespace nrx {
namespace {

constexpr const char* kOpenLabel = "(Class Module) cJobProcs::Function OpenRecordsetSafely";
constexpr const char* kReopenLabel = "(Class Module) cJobProcs::Sub RequeryOrReOpenOnFail";
constexpr const char* kCloseLabel = "(Class Module) cJobProcs::Sub CloseRecordSets";

class RecordsetRecovery : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    globals_.emplace(std::make_shared<ScriptedMessageBox>());
    db_ = Create("job.njb");
    MakeTable(*db_, "Points", {{"PointNo", dbLong, 0}, {"Code", dbText, 16}});
    db_->Execute("INSERT INTO Points (PointNo, Code) VALUES (1, 'CP')");
  }

  static long Count(Recordset& rs) {
    if (rs.Eof() && rs.Bof()) return 0;
    rs.MoveLast();
    return rs.RecordCount();
  }

  cJobProcs procs_;
  void TearDown() override {
    db_.reset();
    globals_.reset();
    EngineTest::TearDown();
  }

  DatabasePtr db_;
  std::optional<test::ComponentGlobals> globals_;
};

TEST_F(RecordsetRecovery, TableTypeIsAlwaysOpenedAnewAndOnlyForATableOfExactlyThatName) {
  RecordsetPtr rs = db_->OpenRecordset("Points", dbOpenTable);
  const RecordsetPtr first = rs;
  EXPECT_TRUE(procs_.OpenRecordsetSafely(rs, db_, "Points"));
  ASSERT_TRUE(rs);
  EXPECT_NE(first, rs);
  EXPECT_EQ(dbOpenTable, rs->Type());
  EXPECT_EQ(1, rs->Fields("PointNo")->Value().ToLong());

  // The engine would open "points" as well; the member does not, and drops what it held.
  EXPECT_FALSE(procs_.OpenRecordsetSafely(rs, db_, "points"));
  EXPECT_FALSE(rs);
  EXPECT_FALSE(procs_.OpenRecordsetSafely(rs, db_, "Lines"));
  EXPECT_FALSE(rs);
}

TEST_F(RecordsetRecovery, OtherTypesOpenWithoutATableCheckAndRequeryInPlace) {
  RecordsetPtr rs;
  EXPECT_TRUE(
      procs_.OpenRecordsetSafely(rs, db_, "SELECT * FROM Points WHERE PointNo > 0", dbOpenDynaset));
  ASSERT_TRUE(rs);
  EXPECT_EQ(dbOpenDynaset, rs->Type());
  EXPECT_EQ(1, Count(*rs));

  const RecordsetPtr same = rs;
  db_->Execute("INSERT INTO Points (PointNo, Code) VALUES (2, 'X')");
  EXPECT_TRUE(procs_.OpenRecordsetSafely(rs, db_, "ignored: the open recordset is requeried",
                                         dbOpenDynaset));
  EXPECT_EQ(same, rs);
  EXPECT_EQ(2, Count(*rs));

  // Without a table check a missing source is the engine's error, under the member's label.
  RecordsetPtr missing;
  EXPECT_PASSED_ON(err::kNoSuchTable, kOpenLabel,
                   procs_.OpenRecordsetSafely(missing, db_, "SELECT * FROM Lines", dbOpenSnapshot));
  EXPECT_FALSE(missing);
}

TEST_F(RecordsetRecovery, AFailedRequeryIsReplacedByANewOpenOrByItsError) {
  RecordsetPtr rs = db_->OpenRecordset("Points", dbOpenSnapshot);
  const RecordsetPtr closed = rs;
  rs->Close();
  EXPECT_TRUE(procs_.OpenRecordsetSafely(rs, db_, "Points", dbOpenSnapshot));
  EXPECT_NE(closed, rs);
  EXPECT_TRUE(rs->IsOpen());

  rs->Close();
  const std::size_t before = ErrorStack::Instance().Count();
  EXPECT_PASSED_ON(err::kNoSuchTable, kOpenLabel,
                   procs_.OpenRecordsetSafely(rs, db_, "Lines", dbOpenSnapshot));
  // Only the open's failure is recorded: the dropped requery left nothing behind.
  ASSERT_EQ(before + 1, ErrorStack::Instance().Count());
  EXPECT_EQ(kOpenLabel, ErrorStack::Instance().Records().back().second);
}

TEST_F(RecordsetRecovery, NoDatabaseIsAnErrorUnderEachLabelAndNoRecordsetNothingToReopen) {
  RecordsetPtr rs;
  std::string query = "Points";
  procs_.RequeryOrReOpenOnFail(rs, db_, query);
  EXPECT_FALSE(rs);
  EXPECT_EQ("Points", query);
  EXPECT_PASSED_ON(err::kObjectNotSet, kOpenLabel,
                   procs_.OpenRecordsetSafely(rs, nullptr, "Points"));
  EXPECT_PASSED_ON(err::kObjectNotSet, kCloseLabel, procs_.CloseRecordSets(nullptr));
  rs = db_->OpenRecordset("Points");
  query.clear();
  EXPECT_PASSED_ON(err::kObjectNotSet, kReopenLabel,
                   procs_.RequeryOrReOpenOnFail(rs, nullptr, query));
  // The old recordset went before the open failed.
  EXPECT_FALSE(rs);
  EXPECT_EQ("Points", query);
}

TEST_F(RecordsetRecovery, ReopenTakesTheRecordsetsNameAndAlwaysOpensANewOne) {
  const std::string selection = "SELECT * FROM Points ORDER BY PointNo";
  RecordsetPtr rs = db_->OpenRecordset(selection, dbOpenDynaset);
  const RecordsetPtr old = rs;
  std::string query;
  procs_.RequeryOrReOpenOnFail(rs, db_, query, dbOpenDynaset);
  EXPECT_EQ(selection, query);
  ASSERT_TRUE(rs);
  EXPECT_NE(old, rs);
  EXPECT_EQ(dbOpenDynaset, rs->Type());

  // A table that is gone leaves a table-type recordset empty, without an error.
  RecordsetPtr table = db_->OpenRecordset("Points");
  procs_.CloseRecordSets(db_);  // the engine deletes no table that a recordset is open on
  db_->TableDefsDelete("Points");
  std::string name;
  procs_.RequeryOrReOpenOnFail(table, db_, name);
  EXPECT_EQ("Points", name);
  EXPECT_FALSE(table);
}

TEST_F(RecordsetRecovery, CloseRecordSetsClosesEveryRecordsetTheCallerHolds) {
  procs_.CloseRecordSets(db_);  // none open: nothing to do
  std::vector<RecordsetPtr> held = {db_->OpenRecordset("Points", dbOpenTable),
                                    db_->OpenRecordset("SELECT * FROM Points", dbOpenDynaset),
                                    db_->OpenRecordset("Points", dbOpenSnapshot)};
  ASSERT_EQ(3, db_->RecordsetsCount());
  procs_.CloseRecordSets(db_);
  EXPECT_EQ(0, db_->RecordsetsCount());
  for (const RecordsetPtr& rs : held) EXPECT_NRX_ERROR(err::kObjectClosed, rs->MoveFirst());
  EXPECT_TRUE(db_->IsOpen());
}

TEST_F(RecordsetRecovery, LateBoundCallsPassTheDefaultTypeAndWriteBackTheQuery) {
  auto procs = std::make_shared<cJobProcs>();
  const ClassRegistry& registry = ClassRegistry::Instance();
  auto points = db_->OpenRecordset("Points");
  std::vector<Variant> args = {Variant(std::shared_ptr<Object>(points)),
                               Variant(std::shared_ptr<Object>(db_)), Variant("Points")};
  EXPECT_TRUE(registry.Invoke(*procs, "OpenRecordsetSafely", args).ToBoolean());
  EXPECT_NE(points, args[0].ToObject());

  std::vector<Variant> reopen = {args[0], Variant(std::shared_ptr<Object>(db_)), Variant("")};
  registry.Invoke(*procs, "RequeryOrReOpenOnFail", reopen);
  EXPECT_EQ("Points", reopen[2].ToText());

  std::vector<Variant> close = {Variant(std::shared_ptr<Object>(db_))};
  registry.Invoke(*procs, "CloseRecordSets", close);
  EXPECT_EQ(0, db_->RecordsetsCount());
}

}  // namespace
}  // namespace nrx
