// Workspace transactions: nested, over records and table definitions, across databases.

#include "engine/engine_fixture.h"

namespace nrx::test {
namespace {

class TransactionTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    db_ = Create("trans.njb");
    MakeTable(*db_, "Points", {{"PointNo", dbLong, 0}});
  }
  void Insert(int n) { db_->Execute("INSERT INTO Points (PointNo) VALUES (" + std::to_string(n) + ")"); }
  DatabasePtr db_;
};

TEST_F(TransactionTest, InnerRollbackOuterCommit) {
  EXPECT_NRX_ERROR(err::kNoTransaction, ws_->CommitTrans());
  EXPECT_NRX_ERROR(err::kNoTransaction, ws_->Rollback());
  ws_->BeginTrans();
  Insert(1);
  ws_->BeginTrans();
  Insert(2);
  db_->TableDefs("Points")->FieldsAppend(db_->CreateTableDef("x")->CreateField("Inner", dbLong));
  ws_->Rollback();
  Insert(3);
  ws_->CommitTrans();
  EXPECT_NRX_ERROR(err::kNoTransaction, ws_->CommitTrans());
  db_->Close();
  db_ = ws_->OpenDatabase(Path("trans.njb"));
  EXPECT_EQ(2, Count(*db_, "Points"));
  EXPECT_EQ(nullptr, db_->TableDefs("Points")->FindField("Inner"));
}

TEST_F(TransactionTest, OuterRollbackUndoesDeepCommittedWorkAndNewTablesInEveryDatabase) {
  auto other = Create("other.njb");
  MakeTable(*other, "Lines", {{"Point1", dbLong, 0}});
  for (int i = 0; i < 200; ++i) ws_->BeginTrans();
  EXPECT_EQ(200, ws_->TransactionLevel());
  Insert(1);
  other->Execute("INSERT INTO Lines (Point1) VALUES (1)");
  auto t = MakeTable(*db_, "Temporary", {{"A", dbLong, 0}});
  t->IndexesAppend(MakeIndex(*t, "A_Index", "A", true, true));
  for (int i = 0; i < 100; ++i) ws_->CommitTrans();
  for (int i = 0; i < 100; ++i) ws_->Rollback();
  EXPECT_EQ(0, ws_->TransactionLevel());
  EXPECT_EQ(0, Count(*db_, "Points"));
  EXPECT_EQ(0, Count(*other, "Lines"));
  EXPECT_EQ(nullptr, db_->FindTableDef("Temporary"));
  // The name is free again, index name included.
  auto again = MakeTable(*db_, "Temporary", {{"A", dbLong, 0}});
  again->IndexesAppend(MakeIndex(*again, "A_Index", "A", true, true));
}

TEST_F(TransactionTest, DatabasesOpenedOrClosedInsideTransactionFollowIt) {
  ws_->BeginTrans();
  Insert(1);
  db_->Close();
  ws_->Rollback();
  ws_->BeginTrans();
  db_ = ws_->OpenDatabase(Path("trans.njb"));
  Insert(9);
  ws_->Rollback();
  EXPECT_EQ(0, Count(*db_, "Points"));
}

}  // namespace
}  // namespace nrx::test
