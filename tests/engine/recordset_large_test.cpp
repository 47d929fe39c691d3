// Recordsets over a few thousand records, where table-type recordsets walk their index from a
// key and dynasets keep their keyset in chunks: places found after additions, deletions, edits
// and Seek, in both directions, across Null and repeated keys.

#include <algorithm>
#include <optional>
#include <set>
#include <tuple>

#include "engine/engine_fixture.h"

namespace nrx::test {
namespace {

constexpr int kRecords = 9000;  // more than two chunks of a keyset

// Repeated keys, Null among them, and codes that sort apart from their case.
std::optional<int> KOf(int no) { return no % 7 == 0 ? std::nullopt : std::optional(no % 5); }
std::string CodeOf(int no) { return no % 100 == 0 ? "HIT" : "c" + std::to_string(no % 3); }

class RecordsetLargeTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    db_ = Create("large.njb");
    auto t = MakeTable(*db_, "T", {{"No", dbLong, 0}, {"K", dbInteger, 0}, {"Code", dbText, 8}});
    t->IndexesAppend(MakeIndex(*t, "No_Index", "No", true, true));
    t->IndexesAppend(MakeIndex(*t, "K_Code", "K;-Code", false, false));
    auto rs = db_->OpenRecordset("T");
    ws_->BeginTrans();
    for (int no = 1; no <= kRecords; ++no) Add(*rs, no, KOf(no), CodeOf(no));
    ws_->CommitTrans();
  }

  static void Add(Recordset& rs, int no, std::optional<int> k, const std::string& code) {
    AddRecord(rs, {{"No", no}, {"K", k ? Variant(*k) : Variant::Null()}, {"Code", code}});
  }

  static int No(Recordset& rs) { return static_cast<int>(rs.Fields("No")->Value().ToLong()); }

  DatabasePtr db_;
};

// The order of K_Code: K ascending with Null first, Code descending, then the order of adding.
std::vector<int> KCodeOrder(int records) {
  std::vector<std::tuple<std::optional<int>, std::string, int>> rows;
  for (int no = 1; no <= records; ++no) rows.emplace_back(KOf(no), CodeOf(no), no);
  std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
    if (std::get<0>(a) != std::get<0>(b)) return std::get<0>(a) < std::get<0>(b);  // Null first
    // Case-insensitive, descending: "HIT" sorts as "hit", after every "c".
    auto fold = [](std::string s) {
      for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      return s;
    };
    if (fold(std::get<1>(a)) != fold(std::get<1>(b)))
      return fold(std::get<1>(a)) > fold(std::get<1>(b));
    return std::get<2>(a) < std::get<2>(b);
  });
  std::vector<int> out;
  for (const auto& r : rows) out.push_back(std::get<2>(r));
  return out;
}

TEST_F(RecordsetLargeTest, TableTypeMovesFromEachKeyInBothDirections) {
  auto rs = db_->OpenRecordset("T");
  rs->SetIndex("K_Code");
  auto expected = KCodeOrder(kRecords);
  // Every step turns round once, so each move starts from the current record's key rather than
  // reading on.
  std::vector<int> forward{No(*rs)};
  for (rs->MoveNext(); !rs->Eof(); rs->MoveNext()) {
    rs->MovePrevious();
    rs->MoveNext();
    forward.push_back(No(*rs));
  }
  EXPECT_EQ(expected, forward);
  std::vector<int> backward;
  for (rs->MoveLast(); !rs->Bof(); rs->MovePrevious()) {
    rs->MoveNext();
    rs->MovePrevious();
    backward.push_back(No(*rs));
  }
  std::reverse(backward.begin(), backward.end());
  EXPECT_EQ(expected, backward);
}

TEST_F(RecordsetLargeTest, TableTypeFindsAddedRecordsAtTheirPlaceInTheIndex) {
  auto rs = db_->OpenRecordset("T");
  rs->SetIndex("No_Index");
  rs->Seek("=", 4000);
  Add(*rs, kRecords + 1, 1, "x");  // after every other record
  EXPECT_EQ(4000, No(*rs));        // the current record stays
  rs->MoveLast();
  EXPECT_EQ(kRecords + 1, No(*rs));
  rs->Seek("=", 4000);
  rs->Edit();
  rs->Fields("No")->SetValue(-1);  // now the first
  rs->Update();
  Add(*rs, 0, 1, "x");  // between it and the record that was first
  rs->MoveNext();
  EXPECT_EQ(0, No(*rs));
  rs->MoveNext();
  EXPECT_EQ(1, No(*rs));
  rs->MovePrevious();
  rs->MovePrevious();
  EXPECT_EQ(-1, No(*rs));
  rs->MovePrevious();
  EXPECT_TRUE(rs->Bof());
  EXPECT_EQ(kRecords + 2, rs->RecordCount());
}

// Seek and moves at the ends of an index are the model test's; here a Seek on the first field of
// two: Null keys come first, and it lands among equal keys in the order of adding.
TEST_F(RecordsetLargeTest, SeekOnTheFirstOfTwoFieldsThenMovesInBothDirections) {
  auto rs = db_->OpenRecordset("T");
  rs->SetIndex("K_Code");
  auto order = KCodeOrder(kRecords);
  rs->Seek(">=", 0);
  auto at = std::find(order.begin(), order.end(), No(*rs));
  ASSERT_NE(order.end(), at);
  rs->MovePrevious();
  EXPECT_EQ(*(at - 1), No(*rs));
  EXPECT_TRUE(rs->Fields("K")->Value().IsNull());
  rs->MoveNext();
  rs->MoveNext();
  EXPECT_EQ(*(at + 1), No(*rs));
}

TEST_F(RecordsetLargeTest, FindNextAfterEditsAndDeletes) {
  auto dynaset = db_->OpenRecordset("SELECT * FROM T WHERE No > 0");
  auto table = db_->OpenRecordset("T");
  table->SetIndex("No_Index");
  for (auto* rs : {dynaset.get(), table.get()}) {
    SCOPED_TRACE(rs->Type());
    ws_->BeginTrans();
    rs->FindFirst("Code = 'HIT'");
    EXPECT_EQ(100, No(*rs));
    rs->FindNext("Code = 'HIT'");
    EXPECT_EQ(200, No(*rs));
    rs->Delete();  // goes on from the record before it
    rs->FindNext("Code = 'HIT'");
    EXPECT_EQ(300, No(*rs));
    rs->FindPrevious("Code = 'HIT'");
    EXPECT_EQ(100, No(*rs));
    rs->FindNext("Code = 'HIT'");
    rs->Edit();
    rs->Fields("Code")->SetValue("none");  // no longer a match, and the current record
    rs->Update();
    db_->Execute("UPDATE T SET Code = 'HIT' WHERE No = 350");
    rs->FindNext("Code = 'HIT'");
    EXPECT_EQ(350, No(*rs));
    ws_->Rollback();
  }
}

TEST_F(RecordsetLargeTest, DeleteThenMovesAtTheStartMiddleAndEnd) {
  auto dynaset = db_->OpenRecordset("SELECT * FROM T WHERE No > 0");
  auto table = db_->OpenRecordset("T");
  table->SetIndex("No_Index");
  for (auto* rs : {dynaset.get(), table.get()}) {
    SCOPED_TRACE(rs->Type());
    ws_->BeginTrans();
    rs->MoveLast();
    long count = rs->RecordCount();
    std::set<int> left;
    for (int no = 1; no <= kRecords; ++no) left.insert(no);
    // The first record, either side of the keyset's chunk bounds, one in the middle, the last.
    for (int no : {1, 4096, 4097, 4098, 8193, 4500, kRecords}) {
      rs->FindFirst("No = " + std::to_string(no));
      rs->Delete();
      left.erase(no);
      EXPECT_NRX_ERROR(err::kRecordDeleted, rs->Fields("No")->Value());
      rs->MoveNext();
      auto after = left.upper_bound(no);
      if (after == left.end())
        EXPECT_TRUE(rs->Eof());
      else
        EXPECT_EQ(*after, No(*rs));
      rs->MovePrevious();
      if (after == left.begin())
        EXPECT_TRUE(rs->Bof());
      else
        EXPECT_EQ(*std::prev(after), No(*rs));
      EXPECT_EQ(--count, rs->RecordCount());
    }
    rs->MoveLast();
    EXPECT_EQ(kRecords - 1, No(*rs));
    ws_->Rollback();
  }
}

// A record deleted by a statement or another recordset leaves its place: moves go on from it.
TEST_F(RecordsetLargeTest, TableTypeGoesOnFromARecordDeletedElsewhere) {
  auto rs = db_->OpenRecordset("T");
  rs->SetIndex("K_Code");
  const std::vector<int> order = KCodeOrder(kRecords);
  for (bool forward : {true, false}) {
    const std::size_t at = forward ? 4000 : 6000;
    rs->FindFirst("No = " + std::to_string(order[at]));
    db_->Execute("DELETE FROM T WHERE No = " + std::to_string(order[at]));
    forward ? rs->MoveNext() : rs->MovePrevious();
    EXPECT_EQ(order[forward ? at + 1 : at - 1], No(*rs));
  }
}

TEST_F(RecordsetLargeTest, DynasetDeletingAsItReadsKeepsWhatItSelected) {
  ws_->BeginTrans();
  auto rs = db_->OpenRecordset("SELECT * FROM T WHERE No > 0");
  for (int i = 0; i < 100; ++i) {
    rs->Delete();
    rs->MoveNext();
  }
  EXPECT_EQ(101, No(*rs));
  // Changes made elsewhere do not reach the records it selected, read or not yet.
  db_->Execute("DELETE FROM T WHERE No = 5000");
  db_->Execute("INSERT INTO T (No, K, Code) VALUES (20000, 1, 'x')");
  rs->MoveLast();
  EXPECT_EQ(kRecords - 100, rs->RecordCount());
  EXPECT_EQ(kRecords, No(*rs));
  rs->FindFirst("No = 4999");
  rs->MoveNext();
  EXPECT_NRX_ERROR(err::kRecordDeleted, rs->Fields("No")->Value());
  rs->MoveFirst();
  EXPECT_EQ(101, No(*rs));
}

}  // namespace
}  // namespace nrx::test
