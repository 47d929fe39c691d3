// Recordsets: the three types, moving, editing, Seek and Find, and their error numbers.

#include <array>
#include <optional>
#include <string>

#include "engine/connection.h"
#include "engine/engine_access.h"
#include "engine/engine_fixture.h"

namespace nrx::test {
namespace {

class RecordsetTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    db_ = Create("rs.njb");
    auto t = MakeTable(*db_, "Points",
                       {{"PointNo", dbLong, 0},
                        {"Code", dbText, 8},
                        {"Fixed", dbBoolean, 0},
                        {"Height", dbDouble, 0},
                        {"Zone", dbInteger, 0},
                        {"Dec", dbByte, 0}});
    t->IndexesAppend(MakeIndex(*t, "PointNo_Index", "PointNo", true, true));
    t->IndexesAppend(MakeIndex(*t, "Zone_Code", "Zone;Code", false, false));
    // Added out of key order, so the index order differs from the order of adding.
    Add(30, "C", true, 3.5, 2);
    Add(10, "a", false, 1.5, 1);
    Add(20, "B", true, Variant::Null(), 1);
  }

  void Add(int no, const char* code, bool fixed, Variant height, int zone) {
    AddRecord(*db_->OpenRecordset("Points"), {{"PointNo", no}, {"Code", code}, {"Fixed", fixed},
                                              {"Height", height}, {"Zone", std::int16_t(zone)}});
  }

  static std::vector<int> Walk(Recordset& rs) {
    std::vector<int> out;
    if (rs.Bof() && rs.Eof()) return out;
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) out.push_back(rs["PointNo"].ToLong());
    return out;
  }

  DatabasePtr db_;
};

TEST_F(RecordsetTest, TypesFollowTheSource) {
  auto table = db_->OpenRecordset("Points");
  EXPECT_EQ(dbOpenTable, table->Type());
  EXPECT_TRUE(table->Updatable());
  const std::string sql =
      "SELECT PointNo, Code FROM Points WHERE Fixed = True ORDER BY PointNo DESC";
  auto dyn = db_->OpenRecordset(sql);
  EXPECT_EQ(dbOpenDynaset, dyn->Type());
  EXPECT_EQ(sql, dyn->Name());
  EXPECT_EQ(2, dyn->FieldsCount());
  EXPECT_EQ((std::vector<int>{30, 20}), Walk(*dyn));
  auto snap = db_->OpenRecordset("Points", dbOpenSnapshot);
  EXPECT_EQ(dbOpenSnapshot, snap->Type());
  EXPECT_FALSE(snap->Updatable());
  EXPECT_NRX_ERROR(err::kReadOnly, snap->AddNew());
  EXPECT_NRX_ERROR(err::kNoSuchTable, db_->OpenRecordset("Nowhere"));
  EXPECT_NRX_ERROR(err::kNoSuchTable, db_->OpenRecordset("SELECT * FROM Nowhere"));
  EXPECT_NRX_ERROR(err::kTooFewParameters, db_->OpenRecordset("SELECT Missing FROM Points"));
  EXPECT_NRX_ERROR(err::kNotSupported, db_->OpenRecordset("SELECT * FROM Points", dbOpenTable));
  // A database opened read-only gives only read-only recordsets.
  db_->Close();
  db_ = ws_->OpenDatabase(Path("rs.njb"), false, true);
  auto ro = db_->OpenRecordset("Points");
  EXPECT_FALSE(ro->Updatable());
  EXPECT_NRX_ERROR(err::kReadOnly, ro->Delete());
}

TEST_F(RecordsetTest, ValuesReadBackWithTheirTypes) {
  auto rsp = db_->OpenRecordset("SELECT * FROM Points WHERE PointNo = 20");
  auto& rs = *rsp;
  EXPECT_EQ(VarType::Long, rs["PointNo"].Type());
  EXPECT_EQ(VarType::Text, rs["Code"].Type());
  EXPECT_EQ(VarType::Boolean, rs["Fixed"].Type());
  EXPECT_EQ(-1, rs["Fixed"].ToInteger());
  EXPECT_TRUE(rs["Height"].IsNull());
  EXPECT_EQ(VarType::Integer, rs["Zone"].Type());
  // A Yes/No field never holds Null; a Byte left alone does.
  EXPECT_EQ(dbByte, rs.Fields(5)->Type());
  EXPECT_TRUE(rs["Dec"].IsNull());
  EXPECT_NRX_ERROR(err::kItemNotFound, rs.Fields(6));
}

TEST_F(RecordsetTest, MovingAndTheBofEofFlags) {
  auto rs = db_->OpenRecordset("Points");
  EXPECT_FALSE(rs->Bof());
  EXPECT_FALSE(rs->Eof());
  EXPECT_EQ((std::vector<int>{30, 10, 20}), Walk(*rs));  // no index: order of adding
  EXPECT_NRX_ERROR(err::kNoCurrentRecord, rs->MoveNext());
  rs->MoveLast(0);
  EXPECT_EQ(20, rs->Fields("PointNo")->Value().ToLong());

  auto empty = db_->OpenRecordset("SELECT * FROM Points WHERE PointNo > 100");
  EXPECT_TRUE(empty->Bof());
  EXPECT_TRUE(empty->Eof());
  EXPECT_EQ(0, empty->RecordCount());
  EXPECT_NRX_ERROR(err::kNoCurrentRecord, empty->MoveLast());
}

TEST_F(RecordsetTest, DynasetReadingAnIndexDoesNotMeetAnEditedKeyAgain) {
  // The order follows an index, read as the records are reached: an edited key must not bring
  // its record round a second time.
  auto ordered = db_->OpenRecordset("SELECT * FROM Points ORDER BY PointNo");
  ordered->Edit();
  ordered->Fields("PointNo")->SetValue(100);
  ordered->Update();
  EXPECT_EQ((std::vector<int>{100, 20, 30}), Walk(*ordered));
  EXPECT_EQ(3, ordered->RecordCount());
  ordered->Requery();
  EXPECT_EQ((std::vector<int>{20, 30, 100}), Walk(*ordered));
}

TEST_F(RecordsetTest, StatementAddsNoRecordInPlaceOfADeletedLastOne) {
  auto rs = db_->OpenRecordset("SELECT * FROM Points");
  rs->MoveLast();
  db_->Execute("DELETE FROM Points WHERE PointNo = 20");
  db_->Execute("INSERT INTO Points (PointNo, Zone) VALUES (40, 1)");
  db_->Execute("INSERT INTO Points (PointNo, Zone) VALUES (50, 1)");
  EXPECT_NRX_ERROR(err::kRecordDeleted, rs->Fields("PointNo")->Value());
  rs->Requery();
  EXPECT_EQ((std::vector<int>{30, 10, 40, 50}), Walk(*rs));
}

// A table-type recordset shows the table as it is, a rollback included; a dynaset shows its own
// additions at its end, and after a rollback its requery drops them.
TEST_F(RecordsetTest, TableTypeShowsTheTableAsItIsNowAndADynasetAfterRequery) {
  auto rs = db_->OpenRecordset("Points");
  rs->SetIndex("PointNo_Index");
  rs->MoveLast();
  rs->MoveFirst();
  db_->Execute("INSERT INTO Points (PointNo) VALUES (25)");
  Add(5, "E", false, 0.0, 1);
  rs->Seek("=", 25);
  rs->MoveNext();
  EXPECT_EQ(30, rs->Fields("PointNo")->Value().ToLong());
  EXPECT_EQ((std::vector<int>{5, 10, 20, 25, 30}), Walk(*rs));
  rs->MoveFirst();
  auto dyn = db_->OpenRecordset("SELECT * FROM Points ORDER BY PointNo");
  ws_->BeginTrans();
  AddRecord(*dyn, {{"PointNo", 1}});
  dyn->MoveLast();
  EXPECT_EQ(1, dyn->Fields("PointNo")->Value().ToLong());
  EXPECT_EQ((std::vector<int>{1, 5, 10, 20, 25, 30}), Walk(*rs));
  db_->Execute("DELETE FROM Points WHERE PointNo = 25");
  ws_->Rollback();
  EXPECT_EQ((std::vector<int>{5, 10, 20, 25, 30}), Walk(*rs));
  dyn->Requery();
  EXPECT_EQ((std::vector<int>{5, 10, 20, 25, 30}), Walk(*dyn));
}

TEST_F(RecordsetTest, TableTypeFollowsItsIndexAndSeeksOnOneAndTwoFields) {
  auto rs = db_->OpenRecordset("Points");
  EXPECT_NRX_ERROR(err::kNoIndexSelected, rs->Seek("=", 10));
  EXPECT_NRX_ERROR(err::kNoSuchIndex, rs->SetIndex("NoSuchIndex"));
  rs->SetIndex("PointNo_Index");
  EXPECT_EQ("PointNo_Index", rs->Index());
  EXPECT_EQ((std::vector<int>{10, 20, 30}), Walk(*rs));
  rs->Seek("=", 20);
  EXPECT_FALSE(rs->NoMatch());
  EXPECT_EQ("B", rs->Fields("Code")->Value().ToText());
  rs->Seek("<=", 29);
  EXPECT_EQ(20, rs->Fields("PointNo")->Value().ToLong());

  rs->SetIndex("Zone_Code");
  rs->Seek("=",
           std::vector<Variant>{Variant(std::int16_t{1}), Variant("b")});  // text keys ignore case
  EXPECT_FALSE(rs->NoMatch());
  EXPECT_EQ(20, rs->Fields("PointNo")->Value().ToLong());
  rs->Seek("=", std::vector<Variant>{Variant(std::int16_t{2}), Variant("B")});
  EXPECT_TRUE(rs->NoMatch());

  auto dyn = db_->OpenRecordset("SELECT * FROM Points");
  EXPECT_NRX_ERROR(err::kNotSupported, dyn->Seek("=", 10));
}

TEST_F(RecordsetTest, FindWithEachKindOfCriterion) {
  for (int i = 0; i < 5; ++i) Add(40 + i, i % 2 ? "odd" : "even", i % 2 == 0, 10.0 * i, 4);
  auto rs = db_->OpenRecordset("SELECT * FROM Points ORDER BY PointNo");
  auto find = [&](const char* criteria) -> int {
    rs->FindFirst(criteria);
    return rs->NoMatch() ? -1 : rs->Fields("PointNo")->Value().ToLong();
  };
  EXPECT_EQ(20, find("Fixed = True And PointNo < 30"));
  EXPECT_EQ(20, find("Height Is Null"));
  EXPECT_EQ(10, find("Code Like 'A*'"));
  EXPECT_EQ(30, find("PointNo In (30, 42)"));
  EXPECT_EQ(41, find("PointNo Between 41 And 43 And Not Code Like \"e?en\""));
  EXPECT_EQ(43, find("Code & '-' & PointNo = 'odd-43'"));
  EXPECT_EQ(10, find("[Code] = 'A' Or PointNo = 44"));
  EXPECT_EQ(-1, find("PointNo = 99"));

  EXPECT_NRX_ERROR(err::kExpressionSyntax, rs->FindFirst("PointNo = = 3"));
  EXPECT_NRX_ERROR(err::kUnknownName, rs->FindFirst("NoSuchField = 3"));
  // A number field meets a text: one that reads as a number compares as that number, any
  // other is a type mismatch wherever the criterion is written.
  EXPECT_EQ(30, find("PointNo = ' 30'"));
  EXPECT_NRX_ERROR(err::kCriteriaTypeMismatch, rs->FindFirst("PointNo = 'abc'"));
  EXPECT_NRX_ERROR(err::kCriteriaTypeMismatch,
                   db_->OpenRecordset("SELECT Code FROM Points WHERE 'x' < Points.PointNo"));
  EXPECT_NRX_ERROR(err::kCriteriaTypeMismatch,
                   db_->Execute("UPDATE Points SET Code = 'x' WHERE PointNo <> 'abc'"));
}

TEST_F(RecordsetTest, FindSearchesTheRecordsetsOwnRecordsInTheirPlaces) {
  auto copy = db_->OpenRecordset("SELECT * FROM Points WHERE PointNo > 100", dbOpenSnapshot);
  auto rs = db_->OpenRecordset("SELECT * FROM Points ORDER BY PointNo");
  rs->MoveLast();
  db_->Execute("INSERT INTO Points (PointNo, Code) VALUES (200, 'new')");
  db_->Execute("INSERT INTO Points (PointNo, Code) VALUES (15, 'new')");
  copy->FindFirst("PointNo = 200");
  EXPECT_TRUE(copy->NoMatch());
  rs->FindFirst("Code = 'new'");
  EXPECT_TRUE(rs->NoMatch());
  rs->FindLast("PointNo > 0");
  EXPECT_EQ(30, rs->Fields("PointNo")->Value().ToLong());
  rs->MovePrevious();
  // An edited record keeps its place, and is found there.
  rs->Edit();
  rs->Fields("PointNo")->SetValue(35);
  rs->Update();
  rs->FindFirst("PointNo > 30");
  EXPECT_EQ(35, rs->Fields("PointNo")->Value().ToLong());
  rs->MoveNext();
  EXPECT_EQ(30, rs->Fields("PointNo")->Value().ToLong());
  rs->FindLast("PointNo < 100");
  EXPECT_EQ(30, rs->Fields("PointNo")->Value().ToLong());
}

TEST_F(RecordsetTest, EditAddUpdateCancelAndTheirErrors) {
  auto rs = db_->OpenRecordset("Points");
  EXPECT_NRX_ERROR(err::kUpdateWithoutEdit, rs->Update());
  EXPECT_NRX_ERROR(err::kUpdateWithoutEdit, rs->CancelUpdate());
  EXPECT_NRX_ERROR(err::kUpdateWithoutEdit, rs->Fields("Code")->SetValue("x"));
  rs->Edit();
  EXPECT_NRX_ERROR(err::kEditPending, rs->AddNew());
  rs->Fields("Code")->SetValue("Z");
  EXPECT_EQ("Z", rs->Fields("Code")->Value().ToText());  // the edit buffer shows the change
  rs->CancelUpdate();
  EXPECT_EQ("C", rs->Fields("Code")->Value().ToText());
  rs->Edit();
  rs->Fields("Code")->SetValue("Z");
  rs->Update(dbUpdateRegular, false);
  EXPECT_EQ("Z", rs->Fields("Code")->Value().ToText());

  // Writes are checked against the field as they are made, and the record as it is stored.
  rs->AddNew();
  EXPECT_NRX_ERROR(err::kValueTooLong, rs->Fields("Code")->SetValue("123456789"));
  EXPECT_NRX_ERROR(err::kCannotConvert, rs->Fields("PointNo")->SetValue("twelve"));
  EXPECT_NRX_ERROR(err::kNumericOverflow, rs->Fields("Dec")->SetValue(256));
  EXPECT_NRX_ERROR(err::kNumericOverflow, rs->Fields("Zone")->SetValue(40000));
  rs->Fields("Code")->SetValue("");
  rs->Fields("PointNo")->SetValue(50);
  EXPECT_NRX_ERROR(err::kZeroLength, rs->Update());
  rs->Fields("Code")->SetValue("ok");
  rs->Fields("PointNo")->SetValue(10);
  EXPECT_NRX_ERROR(err::kDuplicateKey, rs->Update());
  rs->Fields("PointNo")->SetValue(Variant::Null());
  EXPECT_NRX_ERROR(err::kNullInPrimaryKey, rs->Update());
  rs->Fields("PointNo")->SetValue("51");  // numeric text converts
  rs->Update();
  EXPECT_EQ(4, rs->RecordCount());
}

// Every set of edited fields has a statement of its own; only the ones used last are kept, and a
// statement dropped and made again writes as the first one did.
TEST_F(RecordsetTest, EditsOfEverySetOfFieldsKeepFewStatementsAndWriteRight) {
  constexpr int kFields = 8;
  auto t = db_->CreateTableDef("Wide");
  for (int f = 0; f < kFields; ++f) t->FieldsAppend(t->CreateField("F" + std::to_string(f), dbLong));
  db_->TableDefsAppend(t);
  auto rs = db_->OpenRecordset("Wide");
  rs->AddNew();
  rs->Update();
  rs->MoveFirst();
  std::array<int, kFields> expected{};
  ws_->BeginTrans();  // the statements are the same; only the disk is spared a sync per edit
  for (int round = 0; round < 2; ++round) {
    for (int mask = 1; mask < (1 << kFields); ++mask) {
      rs->Edit();
      for (int f = 0; f < kFields; ++f) {
        if ((mask & (1 << f)) == 0) continue;
        rs->Fields("F" + std::to_string(f))->SetValue(mask + round);
        expected[f] = mask + round;
      }
      rs->Update();
    }
  }
  ws_->CommitTrans();
  rs->Requery();
  rs->MoveFirst();
  for (int f = 0; f < kFields; ++f) {
    EXPECT_EQ(expected[f], rs->Fields("F" + std::to_string(f))->Value().ToLong()) << f;
  }
  EXPECT_LE(detail::EngineAccess::Conn(*db_)->CachedCount(), detail::Connection::kMostCached);
}

// Statements stay prepared from one write to the next: a Null written where the last write had
// a value must not find that value still there.
TEST_F(RecordsetTest, ANullWrittenAfterAValueIsStoredNull) {
  auto rs = db_->OpenRecordset("Points");
  rs->SetIndex("PointNo_Index");
  auto write = [&](std::optional<int> existing, int no, Variant height, Variant code) {
    if (existing) {
      rs->Seek("=", Variant(*existing));
      rs->Edit();
    } else {
      rs->AddNew();
    }
    rs->Fields("PointNo")->SetValue(no);
    rs->Fields("Height")->SetValue(height);
    rs->Fields("Code")->SetValue(code);
    rs->Update();
  };
  write(std::nullopt, 40, 4.5, "d");
  write(std::nullopt, 41, Variant::Null(), Variant::Null());
  write(10, 10, 7.5, "x");
  write(30, 30, Variant::Null(), Variant::Null());
  for (int no : {41, 30}) {
    rs->Seek("=", Variant(no));
    EXPECT_TRUE(rs->Fields("Height")->Value().IsNull()) << no;
    EXPECT_TRUE(rs->Fields("Code")->Value().IsNull()) << no;
  }
  rs->Seek("=", Variant(10));
  EXPECT_EQ(7.5, rs->Fields("Height")->Value().ToDouble());
}

TEST_F(RecordsetTest, AStoredTextLongerThanItsFieldIsRefusedWhenRead) {
  // Written behind the engine's back; sizes count characters, not bytes.
  db_->Close();
  ExecuteBehindEngine(Path("rs.njb"),
                      "UPDATE Points SET Code = 'ninechars' WHERE PointNo = 20;"
                      "UPDATE Points SET Code = 'ÄÖÜäöüßé' WHERE PointNo = 10");
  db_ = ws_->OpenDatabase(Path("rs.njb"));
  for (int type : {dbOpenTable, dbOpenDynaset, dbOpenSnapshot}) {
    SCOPED_TRACE(type);
    RecordsetPtr rs = type == dbOpenTable
                          ? db_->OpenRecordset("Points")
                          : db_->OpenRecordset("SELECT * FROM Points ORDER BY PointNo", type);
    if (type == dbOpenTable) rs->SetIndex("PointNo_Index");
    rs->MoveFirst();
    EXPECT_EQ("ÄÖÜäöüßé", rs->Fields("Code")->Value().ToText());
    rs->MoveNext();
    EXPECT_NRX_ERROR(err::kValueTooLong, rs->Fields("Code")->Value());
    EXPECT_EQ(20, rs->Fields("PointNo")->Value().ToLong());
  }
}

TEST_F(RecordsetTest, MoneyMomentsNotesAndBytesKeepEveryDigitAndByte) {
  auto t = MakeTable(*db_, "Ledger",
                     {{"Id", dbLong, 0}, {"Amount", dbCurrency, 0}, {"When", dbDate, 0},
                      {"Note", dbMemo, 0}, {"Scan", dbLongBinary, 0}});
  t->IndexesAppend(MakeIndex(*t, "When_Index", "When", false, false));
  const std::string long_note(70000, 'n');
  const Bytes scan = {0, 0xFF, 0x80, 0};
  auto add = [&](int id, Variant amount, Variant when) {
    AddRecord(*db_->OpenRecordset("Ledger"), {{"Id", id}, {"Amount", amount}, {"When", when},
                                              {"Note", long_note}, {"Scan", scan}});
  };
  add(1, "922337203685477.5807", "2024-07-15 10:30");
  add(2, 0.1, Date{-1.25});
  add(3, Currency{35000}, "1981-12-12");
  db_->Close();
  db_ = ws_->OpenDatabase(Path("rs.njb"));
  auto rs = db_->OpenRecordset("SELECT * FROM Ledger WHERE When >= #1981-12-12# ORDER BY When");
  EXPECT_EQ(3, (*rs)["Id"].ToLong());
  EXPECT_TRUE((*rs)["Amount"].SameAs(Variant(Currency{35000})));
  EXPECT_TRUE((*rs)["When"].SameAs(Variant(Date{29932})));
  EXPECT_EQ(long_note, (*rs)["Note"].ToText());
  EXPECT_TRUE((*rs)["Scan"].SameAs(Variant(scan)));
  rs->MoveNext();
  EXPECT_EQ("922337203685477.5807", (*rs)["Amount"].ToText());
  EXPECT_EQ("2024-07-15 10:30:00", (*rs)["When"].ToText());
  rs->FindFirst("When < #12/30/1899#");
  EXPECT_TRUE(rs->NoMatch());  // the dynaset holds only what its selection chose
  auto table = db_->OpenRecordset("Ledger");
  table->SetIndex("When_Index");
  table->Seek("=", Variant("1899-12-29 06:00"));
  ASSERT_FALSE(table->NoMatch());
  EXPECT_EQ("0.1", table->Fields("Amount")->Value().ToText());
  table->Edit();
  EXPECT_NRX_ERROR(err::kNumericOverflow, table->Fields("Amount")->SetValue(1e15));
  EXPECT_NRX_ERROR(err::kCannotConvert, table->Fields("When")->SetValue("2023-02-29"));
  EXPECT_NRX_ERROR(err::kCannotConvert, table->Fields("Scan")->SetValue(3));
  table->Fields("Note")->SetValue("");
  EXPECT_NRX_ERROR(err::kZeroLength, table->Update());
}

TEST_F(RecordsetTest, ValuesReadAreThoseStoredNow) {
  // Ordered by a field without an index: the records come sorted, copied as they were.
  auto sorted = db_->OpenRecordset("SELECT * FROM Points ORDER BY Height DESC");
  EXPECT_EQ(30, sorted->Fields("PointNo")->Value().ToLong());
  sorted->Edit();
  sorted->Fields("Code")->SetValue("Edited");
  sorted->Update();
  sorted->MoveFirst();
  EXPECT_EQ("Edited", sorted->Fields("Code")->Value().ToText());

  auto reader = db_->OpenRecordset("Points");
  auto writer = db_->OpenRecordset("Points");
  EXPECT_EQ("Edited", reader->Fields("Code")->Value().ToText());
  reader->SetIndex("PointNo_Index");
  reader->Seek("=", 10);
  writer->MoveNext();  // on 10
  writer->Edit();
  writer->Fields("Code")->SetValue("Ten");
  writer->Update();
  EXPECT_EQ("Ten", reader->Fields("Code")->Value().ToText());
  db_->Execute("UPDATE Points SET Code = 'Tenth' WHERE PointNo = 10");
  EXPECT_EQ("Tenth", reader->Fields("Code")->Value().ToText());
}

TEST_F(RecordsetTest, DefinitionsDroppedRolledBackOrRefusedWhileRecordsetsReadLazily) {
  auto other = MakeTable(*db_, "Other", {{"X", dbLong, 0}});
  other->IndexesAppend(MakeIndex(*other, "X_Index", "X", false, false));
  MakeTable(*db_, "Spare", {{"X", dbLong, 0}});
  auto walking = db_->OpenRecordset("Points");  // its statement has read one record of three
  auto seeking = db_->OpenRecordset("Points");
  seeking->SetIndex("PointNo_Index");
  seeking->Seek("=", 20);
  seeking->MoveNext();
  EXPECT_EQ("C", seeking->Fields("Code")->Value().ToText());
  db_->Execute("DROP INDEX X_Index ON Other");
  db_->TableDefsDelete("Spare");
  db_->TableDefs("Points")->IndexesDelete("Zone_Code");
  db_->Execute("DROP TABLE Other");
  EXPECT_EQ((std::vector<int>{30, 10, 20}), Walk(*walking));
  EXPECT_EQ(30, seeking->Fields("PointNo")->Value().ToLong());

  auto rs = db_->OpenRecordset("Points");
  ws_->BeginTrans();
  MakeTable(*db_, "Temporary", {{"X", dbLong, 0}});
  ws_->Rollback();
  rs->MoveNext();
  EXPECT_EQ(10, rs->Fields("PointNo")->Value().ToLong());
  // A failed definition is undone the same way.
  auto bad = db_->CreateTableDef("Bad");
  bad->FieldsAppend(bad->CreateField("X", dbLong));
  bad->IndexesAppend(MakeIndex(*bad, "Y_Index", "Y", false, false));
  EXPECT_NRX_ERROR(err::kItemNotFound, db_->TableDefsAppend(bad));
  rs->MoveNext();
  EXPECT_EQ(20, rs->Fields("PointNo")->Value().ToLong());
}

TEST_F(RecordsetTest, RecordsetWhoseTableChangedUnderItIsNoLongerValid) {
  auto rs = db_->OpenRecordset("Points");
  auto codes = db_->OpenRecordset("SELECT PointNo FROM Points");
  db_->TableDefs("Points")->Fields("Code")->SetName("Label");
  EXPECT_NRX_ERROR(err::kObjectClosed, rs->MoveNext());
  EXPECT_NRX_ERROR(err::kObjectClosed, rs->Fields("PointNo")->Value());
  codes->MoveNext();  // its fields are all still there
  EXPECT_EQ(10, codes->Fields("PointNo")->Value().ToLong());

  ws_->BeginTrans();
  MakeTable(*db_, "Temporary", {{"X", dbLong, 0}});
  auto temporary = db_->OpenRecordset("Temporary");
  temporary->AddNew();
  temporary->Fields("X")->SetValue(1);
  ws_->Rollback();
  EXPECT_NRX_ERROR(err::kObjectClosed, temporary->Update());
  EXPECT_NRX_ERROR(err::kObjectClosed, temporary->RecordCount());
}

TEST_F(RecordsetTest, RecordsetFollowsIndexesAndFieldPropertiesDefinedAfterItOpened) {
  auto lines = MakeTable(*db_, "Lines", {{"Point1", dbLong, 0}, {"Code", dbText, 8}});
  auto rs = db_->OpenRecordset("Lines");
  // A record written before the key is defined: the key is then checked from the next on.
  AddRecord(*rs, {{"Point1", 2}, {"Code", "x"}});
  lines->IndexesAppend(MakeIndex(*lines, "Point1_Index", "Point1", true, true));
  lines->Fields("Code")->SetRequired(true);
  rs->SetIndex("Point1_Index");
  EXPECT_EQ("Point1_Index", rs->Index());
  rs->AddNew();
  rs->Fields("Code")->SetValue("x");
  EXPECT_NRX_ERROR(err::kNullInPrimaryKey, rs->Update());
  rs->Fields("Point1")->SetValue(1);
  rs->Fields("Code")->SetValue(Variant::Null());
  EXPECT_NRX_ERROR(err::kNullInRequired, rs->Update());
  rs->Fields("Code")->SetValue("x");
  rs->Update();
  EXPECT_EQ(2, rs->RecordCount());
}

TEST_F(RecordsetTest, ASoughtRecordKeepsItsValuesThroughWhatFollows) {
  auto rs = db_->OpenRecordset("Points");
  rs->SetIndex("PointNo_Index");
  rs->Seek("=", 20);
  // A search that cannot start leaves the record current, values and all.
  EXPECT_THROW(rs->Seek("=", Variant("twenty")), Error);
  EXPECT_EQ("B", rs->Fields("Code")->Value().ToText());
  rs->Seek(">", 20);
  EXPECT_EQ("C", rs->Fields("code")->Value().ToText());
  rs->Seek("=", 10);
  // Dropping a table stops every statement of the file, the one that found the record too.
  MakeTable(*db_, "Spare", {{"X", dbLong, 0}});
  db_->TableDefsDelete("Spare");
  EXPECT_EQ("a", rs->Fields("CODE")->Value().ToText());
  rs->Edit();
  rs->Fields("Code")->SetValue("Ten");
  rs->Update();
  EXPECT_EQ("Ten", rs->Fields("Code")->Value().ToText());
  // However a name is spelt, it is the same field; a name of none is still refused.
  EXPECT_EQ(rs->Fields(1), rs->Fields("cOdE"));
  EXPECT_NRX_ERROR(err::kItemNotFound, rs->Fields("Cod"));
}

TEST_F(RecordsetTest, RecordsetsCollectionAndClosing) {
  EXPECT_EQ(0, db_->RecordsetsCount());
  auto a = db_->OpenRecordset("Points");
  {
    auto b = db_->OpenRecordset("SELECT * FROM Points");
    EXPECT_EQ(2, db_->RecordsetsCount());
    EXPECT_EQ(b, db_->Recordsets(1));
  }
  EXPECT_EQ(1, db_->RecordsetsCount());
  auto field = a->Fields("PointNo");
  a->Close();
  EXPECT_EQ(0, db_->RecordsetsCount());
  EXPECT_NRX_ERROR(err::kObjectClosed, a->MoveFirst());
  EXPECT_NRX_ERROR(err::kObjectClosed, field->Value());
  // Closing each member of the collection while walking it closes them all.
  std::vector<RecordsetPtr> open;
  for (const char* source : {"Points", "SELECT * FROM Points", "SELECT Code FROM Points"})
    open.push_back(db_->OpenRecordset(source));
  int visited = 0;
  for (const auto& rs : db_->Recordsets()) {
    rs->Close();
    ++visited;
  }
  EXPECT_EQ(3, visited);
  EXPECT_EQ(0, db_->RecordsetsCount());
  auto c = db_->OpenRecordset("Points");
  db_->Close();
  EXPECT_FALSE(c->IsOpen());
}

}  // namespace
}  // namespace nrx::test
