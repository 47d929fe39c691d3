// Table definitions, fields and indexes: what is stored must read back exactly after reopening.

#include "engine/engine_fixture.h"

namespace nrx::test {
namespace {

class TableDefTest : public EngineTest {};

TEST_F(TableDefTest, TypesAndSizesSurviveReopening) {
  {
    auto db = Create("types.njb");
    MakeTable(*db, "AllTypes",
              {{"B", dbBoolean, 0}, {"Y", dbByte, 0}, {"I", dbInteger, 0}, {"L", dbLong, 0},
               {"S", dbSingle, 0}, {"D", dbDouble, 0}, {"T16", dbText, 16}, {"TDefault", dbText, 0},
               {"C", dbCurrency, 0}, {"When", dbDate, 0}, {"Blob", dbLongBinary, 0},
               {"Note", dbMemo, 0}});
  }
  auto db = ws_->OpenDatabase(Path("types.njb"));
  auto t = db->TableDefs("AllTypes");
  ASSERT_EQ(12, t->FieldsCount());
  const int types[] = {dbBoolean, dbByte, dbInteger, dbLong, dbSingle,     dbDouble,
                       dbText,    dbText, dbCurrency, dbDate, dbLongBinary, dbMemo};
  const int sizes[] = {1, 1, 2, 4, 4, 8, 16, 255, 8, 8, 0, 0};
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(types[i], t->Fields(i)->Type()) << t->Fields(i)->Name();
    EXPECT_EQ(sizes[i], t->Fields(i)->Size()) << t->Fields(i)->Name();
  }
  EXPECT_EQ("T16", t->Fields(6)->Name());
  EXPECT_FALSE(t->Fields(6)->AllowZeroLength());
  EXPECT_FALSE(t->Fields(6)->Required());
  // Both are changeable and persist.
  t->Fields("T16")->SetAllowZeroLength(true);
  t->Fields("L")->SetRequired(true);
  db->Close();
  db = ws_->OpenDatabase(Path("types.njb"));
  t = db->TableDefs("AllTypes");
  EXPECT_TRUE(t->Fields("T16")->AllowZeroLength());
  EXPECT_FALSE(t->Fields("T16")->Required());
  EXPECT_TRUE(t->Fields("L")->Required());
  EXPECT_NRX_ERROR(err::kNotSupported, t->Fields("L")->SetType(dbText));
}

TEST_F(TableDefTest, TableDefsAreOrderedAndFoundByNameWithoutCaseAndListTheSystemTables) {
  auto db = Create("order.njb");
  for (const char* name : {"beta", "Alpha", "gamma", "LSOptions", "LS_Points", "msysNotes"})
    MakeTable(*db, name, {{"F", dbLong, 0}});
  auto t = MakeTable(*db, "Delta", {{"PointNo", dbLong, 0}});
  t->IndexesAppend(MakeIndex(*t, "PointNo_Index", "PointNo", false, true));
  std::vector<std::string> user_tables;
  for (const auto& table : db->TableDefs())
    if (!table->IsSystem()) user_tables.push_back(table->Name());
  EXPECT_GT(db->TableDefsCount(), 7);
  // Only the engine's own spelling marks a system table.
  EXPECT_EQ((std::vector<std::string>{"Alpha", "beta", "Delta", "gamma", "LS_Points", "LSOptions",
                                      "msysNotes"}),
            user_tables);
  EXPECT_NRX_ERROR(err::kItemNotFound, db->TableDefs("Epsilon"));
  EXPECT_NRX_ERROR(err::kItemNotFound, db->TableDefs(db->TableDefsCount()));

  EXPECT_EQ(t, db->TableDefs("DELTA"));
  EXPECT_EQ(nullptr, db->TableDefs().FindExact("DELTA"));
  EXPECT_EQ(t, db->TableDefs().FindExact("Delta"));
  EXPECT_EQ(nullptr, db->FindTableDef("Epsilon"));

  EXPECT_EQ("PointNo", t->Fields().Find("pointno")->Name());
  EXPECT_EQ(nullptr, t->Fields().FindExact("pointno"));
  EXPECT_EQ("PointNo_Index", t->Indexes().Find("POINTNO_INDEX")->Name());
}

TEST_F(TableDefTest, ALoopOverACollectionMayDeleteFromItAndAppendToIt) {
  auto db = Create("loop.njb");
  for (const char* name : {"A", "B", "C"}) MakeTable(*db, name, {{"F", dbLong, 0}});
  std::vector<std::string> seen;
  for (const auto& table : db->TableDefs()) {
    if (table->IsSystem()) continue;
    seen.push_back(table->Name());
    db->TableDefsDelete(table->Name());
  }
  EXPECT_EQ((std::vector<std::string>{"A", "B", "C"}), seen);
  for (const auto& table : db->TableDefs()) EXPECT_TRUE(table->IsSystem()) << table->Name();

  auto t = MakeTable(*db, "Points", {{"PointNo", dbLong, 0}, {"Code", dbText, 8}});
  for (const char* name : {"One", "Two", "Three"})
    t->IndexesAppend(MakeIndex(*t, name, "PointNo", false, false));
  seen.clear();
  for (const auto& index : t->Indexes()) {
    seen.push_back(index->Name());
    t->IndexesDelete(index->Name());
  }
  EXPECT_EQ((std::vector<std::string>{"One", "Two", "Three"}), seen);
  EXPECT_TRUE(t->Indexes().empty());

  int visited = 0;
  for (const auto& field : t->Fields()) {
    t->FieldsAppend(t->CreateField(field->Name() + "2", dbLong));
    ++visited;
  }
  EXPECT_EQ(2, visited);
  EXPECT_EQ(4u, t->Fields().size());
}

TEST_F(TableDefTest, AppendRejectsBadDefinitions) {
  auto db = Create("bad.njb");
  MakeTable(*db, "Points", {{"PointNo", dbLong, 0}});
  auto dup = db->CreateTableDef("POINTS");
  dup->FieldsAppend(dup->CreateField("X", dbLong));
  EXPECT_NRX_ERROR(err::kTableExists, db->TableDefsAppend(dup));

  EXPECT_NRX_ERROR(err::kNoFields, db->TableDefsAppend(db->CreateTableDef("Empty")));

  auto twice = db->CreateTableDef("Twice");
  twice->FieldsAppend(twice->CreateField("A", dbLong));
  EXPECT_NRX_ERROR(err::kAlreadyInCollection, twice->FieldsAppend(twice->CreateField("a", dbLong)));

  EXPECT_NRX_ERROR(err::kInvalidFieldType, twice->CreateField("X", 99));
  EXPECT_NRX_ERROR(err::kInvalidCall, twice->CreateField("X", dbText, 256));
}

TEST_F(TableDefTest, FieldAppendedToExistingTableAndRenameKeepsData) {
  auto db = Create("rename.njb");
  auto t = MakeTable(*db, "Points", {{"PointNo", dbLong, 0}, {"Desc", dbText, 20}});
  t->IndexesAppend(MakeIndex(*t, "Desc_Index", "Desc", false, false));
  db->Execute("INSERT INTO Points (PointNo, [Desc]) VALUES (7, 'seven')");
  t->FieldsAppend(t->CreateField("Height", dbDouble));
  EXPECT_NRX_ERROR(err::kFieldExists, t->FieldsAppend(t->CreateField("HEIGHT", dbDouble)));

  t->Fields("Desc")->SetName("Description");
  EXPECT_NRX_ERROR(err::kFieldExists, t->Fields("Height")->SetName("pointno"));
  db->Close();

  db = ws_->OpenDatabase(Path("rename.njb"));
  t = db->TableDefs("Points");
  ASSERT_EQ(3, t->FieldsCount());
  EXPECT_EQ("Description", t->Fields(1)->Name());
  EXPECT_EQ(20, t->Fields(1)->Size());
  EXPECT_EQ("Height", t->Fields(2)->Name());
  EXPECT_EQ("Description", t->Indexes("Desc_Index")->Fields());
  // The row survived the rename: a selection on the new name finds it, on the old name not.
  db->Execute("UPDATE Points SET Height = 1.5 WHERE Description = 'SEVEN'");
  EXPECT_EQ(1, db->RecordsAffected());
  EXPECT_NRX_ERROR(err::kTooFewParameters, db->Execute("UPDATE Points SET Height = 2 WHERE [Desc] = 'seven'"));
}

TEST_F(TableDefTest, DefinitionOfADroppedTableIsNoLongerValid) {
  auto db = Create("gone.njb");
  auto t = MakeTable(*db, "Gone", {{"X", dbText, 10}});
  auto x = t->Fields("X");
  db->Execute("DROP TABLE Gone");
  EXPECT_NRX_ERROR(err::kObjectClosed, t->FieldsAppend(t->CreateField("Y", dbLong)));
  EXPECT_NRX_ERROR(err::kObjectClosed,
                   t->IndexesAppend(MakeIndex(*t, "X_Index", "X", false, false)));
  EXPECT_NRX_ERROR(err::kObjectClosed, t->FieldsCount());
  EXPECT_NRX_ERROR(err::kObjectClosed, x->SetAllowZeroLength(true));
  EXPECT_EQ(-1, t->RecordCount());
  // Nothing was left behind for a later table of that name.
  auto again = MakeTable(*db, "Gone", {{"X", dbText, 10}});
  EXPECT_FALSE(again->Fields("X")->AllowZeroLength());
  auto rs = db->OpenRecordset("Gone");
  rs->AddNew();
  rs->Fields("X")->SetValue("");
  EXPECT_NRX_ERROR(err::kZeroLength, rs->Update());
}

TEST_F(TableDefTest, SameIndexNameOnTwoTables) {
  {
    auto db = Create("ix.njb");
    for (const char* name : {"GridEntry", "Radiation"}) {
      auto t = MakeTable(*db, name, {{"RecordNo", dbLong, 0}, {"PointNo", dbLong, 0}});
      t->IndexesAppend(MakeIndex(*t, "RecordNo_Index", "RecordNo", true, true));
    }
  }
  auto db = ws_->OpenDatabase(Path("ix.njb"));
  for (const char* name : {"GridEntry", "Radiation"}) {
    auto t = db->TableDefs(name);
    ASSERT_EQ(1, t->IndexesCount()) << name;
    auto ix = t->Indexes(0);
    EXPECT_EQ("RecordNo_Index", ix->Name());
    EXPECT_EQ("RecordNo", ix->Fields());
    EXPECT_TRUE(ix->Primary() && ix->Unique());
  }
  // Each index is its own: dropping one leaves the other.
  db->TableDefs("GridEntry")->IndexesDelete("RecordNo_Index");
  EXPECT_EQ(0, db->TableDefs("GridEntry")->IndexesCount());
  EXPECT_EQ(1, db->TableDefs("Radiation")->IndexesCount());
}

TEST_F(TableDefTest, PrimaryIndexAppendedBeforeOrAfterTheTableAndDeletedAgain) {
  auto db = Create("pk.njb");
  auto t = MakeTable(*db, "Points", {{"PointNo", dbLong, 0}, {"Code", dbText, 10}});
  db->Execute("INSERT INTO Points (PointNo, Code) VALUES (2, 'B')");
  t->IndexesAppend(MakeIndex(*t, "PointNo_Index", "PointNo", true, false));
  EXPECT_NRX_ERROR(err::kDuplicateKey, db->Execute("INSERT INTO Points (PointNo) VALUES (2)"));
  EXPECT_NRX_ERROR(err::kPrimaryExists, t->IndexesAppend(MakeIndex(*t, "Other", "Code", true, true)));
  EXPECT_NRX_ERROR(err::kIndexNameExists, t->IndexesAppend(MakeIndex(*t, "pointno_index", "Code", false, false)));
  EXPECT_NRX_ERROR(err::kItemNotFound, t->IndexesAppend(MakeIndex(*t, "Bad", "NoSuchField", false, false)));
  EXPECT_NRX_ERROR(err::kNoFields, t->IndexesAppend(t->CreateIndex("Empty")));

  t->IndexesDelete("PointNo_Index");
  db->Execute("INSERT INTO Points (PointNo) VALUES (2)");  // duplicates allowed again
  EXPECT_NRX_ERROR(err::kItemNotFound, t->IndexesDelete("PointNo_Index"));
  // A unique index over duplicates is refused and leaves nothing behind.
  EXPECT_NRX_ERROR(err::kDuplicateKey, t->IndexesAppend(MakeIndex(*t, "PointNo_Index", "PointNo", true, true)));
  EXPECT_EQ(0, t->IndexesCount());
  // Appended before the table, on two fields: built with it.
  auto lines = db->CreateTableDef("Lines");
  lines->FieldsAppend(lines->CreateField("Point1", dbLong));
  lines->FieldsAppend(lines->CreateField("Point2", dbLong));
  lines->IndexesAppend(MakeIndex(*lines, "Line_Index", "Point1;Point2", true, true));
  db->TableDefsAppend(lines);
  db->Execute("INSERT INTO Lines (Point1, Point2) VALUES (1, 2)");
  db->Execute("INSERT INTO Lines (Point1, Point2) VALUES (2, 1)");
  EXPECT_NRX_ERROR(err::kDuplicateKey, db->Execute("INSERT INTO Lines (Point1, Point2) VALUES (1, 2)"));
  EXPECT_EQ("Point1;Point2", db->TableDefs("Lines")->Indexes("Line_Index")->Fields());
  db->Close();
  db = ws_->OpenDatabase(Path("pk.njb"));
  EXPECT_EQ(0, db->TableDefs("Points")->IndexesCount());
}

}  // namespace
}  // namespace nrx::test
