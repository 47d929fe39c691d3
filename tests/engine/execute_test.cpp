// Database::Execute: the dialect's data-definition and action statements.

#include "engine/engine_fixture.h"

namespace nrx::test {
namespace {

class ExecuteTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    db_ = Create("exec.njb");
    MakeTable(*db_, "LS_Points3", {{"PointNo", dbLong, 0}, {"Name", dbText, 20}, {"Fixed", dbBoolean, 0}});
  }
  DatabasePtr db_;
};

TEST_F(ExecuteTest, CreateIndexStatementWithPrimaryAndWithout) {
  db_->Execute("INSERT INTO LS_Points3 (PointNo, Name) VALUES (5, 'a')");
  db_->Execute("INSERT INTO LS_Points3 (PointNo, Name) VALUES (5, \"b\")");
  EXPECT_NRX_ERROR(err::kDuplicateKey,
                   db_->Execute("CREATE UNIQUE INDEX PointNo_Index ON LS_Points3 (PointNo) WITH PRIMARY;"));
  auto t = db_->TableDefs("LS_Points3");
  EXPECT_EQ(0, t->IndexesCount());
  db_->Execute("DELETE FROM LS_Points3 WHERE Name = 'b'");
  db_->Execute("CREATE UNIQUE INDEX PointNo_Index ON LS_Points3 (PointNo) WITH PRIMARY;");
  db_->Execute("CREATE INDEX [Name Index] ON [LS_Points3] ([Name] DESC)");
  ASSERT_EQ(2, t->IndexesCount());
  EXPECT_TRUE(t->Indexes("PointNo_Index")->Primary() && t->Indexes("PointNo_Index")->Unique());
  EXPECT_FALSE(t->Indexes("Name Index")->Primary() || t->Indexes("Name Index")->Unique());
  EXPECT_NRX_ERROR(err::kIndexNameExists,
                   db_->Execute("CREATE UNIQUE INDEX PointNo_Index ON LS_Points3 (Name)"));
  db_->Execute("DROP INDEX PointNo_Index ON LS_Points3");
  EXPECT_EQ(1, t->IndexesCount());
}

TEST_F(ExecuteTest, ActionStatementsWithTrueFalseAndBothQuotes) {
  db_->Execute("INSERT INTO LS_Points3 (PointNo, Name, Fixed) VALUES (1, 'it''s', True)");
  db_->Execute("INSERT INTO LS_Points3 (PointNo, Name, Fixed) VALUES (2, \"two\", False)");
  // Any number other than zero is True, stored as -1 as a recordset stores it.
  db_->Execute("INSERT INTO LS_Points3 (PointNo, Name, Fixed) VALUES (4, 'four', 7)");
  db_->Execute("UPDATE LS_Points3 SET Fixed = 1 WHERE PointNo = 4");
  db_->Execute("INSERT INTO LS_Points3 (PointNo, Name, Fixed) VALUES (5, 'five', 0.5)");
  db_->Execute("UPDATE LS_Points3 SET Name = 'fixed' WHERE Fixed = True");
  EXPECT_EQ(3, db_->RecordsAffected());
  db_->Execute("DELETE FROM LS_Points3 WHERE Fixed = False");
  EXPECT_EQ(1, db_->RecordsAffected());
  EXPECT_EQ(3, Count(*db_, "LS_Points3"));
}

TEST_F(ExecuteTest, ActionStatementsStoreOnlyWhatTheFieldsHold) {
  db_->Execute("CREATE TABLE Checked (No LONG, Code TEXT(4), B BYTE, I SHORT, S SINGLE)");
  db_->Execute("CREATE UNIQUE INDEX No_Index ON Checked (No) WITH PRIMARY");
  db_->TableDefs("Checked")->Fields("I")->SetRequired(true);
  db_->Execute("INSERT INTO Checked (No, Code, B, I) VALUES (1, 'abcd', 255, -32768)");
  const char* refused[][2] = {
      {"3163", "INSERT INTO Checked (No, Code, I) VALUES (2, 'abcde', 1)"},
      {"3349", "INSERT INTO Checked (No, B, I) VALUES (2, 256, 1)"},
      {"3349", "UPDATE Checked SET I = I - 1"},
      {"3349", "UPDATE Checked SET S = 1E39"},
      {"3315", "UPDATE Checked SET Code = ''"},
      {"3314", "INSERT INTO Checked (No) VALUES (2)"},
      {"3058", "INSERT INTO Checked (Code, I) VALUES ('x', 1)"},
      {"3464", "INSERT INTO Checked (No, I) VALUES ('two', 1)"},
  };
  for (const auto& [number, statement] : refused) {
    EXPECT_NRX_ERROR(std::stoi(number), db_->Execute(statement));
  }
  auto rs = db_->OpenRecordset("Checked");
  EXPECT_EQ(1, rs->RecordCount());
  EXPECT_EQ("abcd", rs->Fields("Code")->Value().ToText());
  EXPECT_EQ(255, rs->Fields("B")->Value().ToLong());
  EXPECT_EQ(-32768, rs->Fields("I")->Value().ToLong());
  db_->Execute("INSERT INTO LS_Points3 (PointNo, Name) VALUES (7, 'seven')");
  EXPECT_NRX_ERROR(
      err::kValueTooLong,
      db_->Execute(
          "INSERT INTO Checked (No, Code, I) SELECT PointNo, Name, PointNo FROM LS_Points3"));
  db_->Execute("UPDATE LS_Points3 SET Name = 'ok'");
  db_->Execute("INSERT INTO Checked (No, Code, I) SELECT PointNo, Name, PointNo FROM LS_Points3");
  EXPECT_EQ(1, db_->RecordsAffected());
  db_->Execute("UPDATE Checked SET B = 7");
  EXPECT_EQ(2, db_->RecordsAffected());
  // Fractions round half to even into whole-number fields, as a recordset write rounds them.
  db_->Execute("UPDATE Checked SET B = 2.5, I = 3.5, No = No + 0.6");
  rs = db_->OpenRecordset("SELECT * FROM Checked ORDER BY No");
  EXPECT_EQ(2, rs->Fields("B")->Value().ToLong());
  EXPECT_EQ(4, rs->Fields("I")->Value().ToLong());
  EXPECT_EQ(2, rs->Fields("No")->Value().ToLong());
  rs->MoveNext();
  EXPECT_EQ(8, rs->Fields("No")->Value().ToLong());
}

TEST_F(ExecuteTest, TableStatementsAndUnknownTables) {
  db_->Execute("CREATE TABLE Shift (PointNo LONG, dE DOUBLE, Code TEXT(8), Flag BIT)");
  auto t = db_->TableDefs("Shift");
  EXPECT_EQ(8, t->Fields("Code")->Size());
  EXPECT_EQ(dbBoolean, t->Fields("Flag")->Type());
  db_->Execute("ALTER TABLE Shift ADD COLUMN dN DOUBLE");
  EXPECT_EQ(5, t->FieldsCount());
  EXPECT_NRX_ERROR(err::kFieldExists, db_->Execute("ALTER TABLE Shift ADD COLUMN dn DOUBLE"));
  EXPECT_NRX_ERROR(err::kTableExists, db_->Execute("CREATE TABLE shift (X LONG)"));
  db_->Execute("DROP TABLE Shift");
  EXPECT_EQ(nullptr, db_->FindTableDef("Shift"));
  EXPECT_NRX_ERROR(err::kNoSuchTable, db_->Execute("INSERT INTO Nowhere (A) VALUES (1)"));
  EXPECT_NRX_ERROR(err::kNoSuchTableOrConstraint, db_->Execute("CREATE INDEX I ON Nowhere (A)"));
  EXPECT_NRX_ERROR(err::kNoSuchTableOrConstraint, db_->Execute("DROP TABLE Nowhere"));
  EXPECT_NRX_ERROR(err::kItemNotFound, db_->Execute("CREATE INDEX I ON LS_Points3 (Missing)"));
}

TEST_F(ExecuteTest, ReadOnlyDatabaseRefusesWrites) {
  db_->Close();
  auto ro = ws_->OpenDatabase(Path("exec.njb"), false, true);
  EXPECT_TRUE(ro->ReadOnly());
  EXPECT_NRX_ERROR(err::kReadOnly, ro->Execute("DELETE FROM LS_Points3"));
  auto t = ro->CreateTableDef("New");
  t->FieldsAppend(t->CreateField("A", dbLong));
  EXPECT_NRX_ERROR(err::kReadOnly, ro->TableDefsAppend(t));
  EXPECT_NRX_ERROR(err::kReadOnly, ro->TableDefs("LS_Points3")->FieldsAppend(t->CreateField("B", dbLong)));
}

}  // namespace
}  // namespace nrx::test
