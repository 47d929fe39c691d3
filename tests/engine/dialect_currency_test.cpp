// Currency fields in the dialect: criteria, FindFirst and action statements read a Currency
// field as its amount and store amounts exactly, as recordsets do.

#include <fmt/format.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/connection.h"
#include "engine/dialect.h"
#include "engine/engine_access.h"
#include "engine/engine_fixture.h"
#include "engine/schema_field_types.h"

namespace nrx::test {
namespace {

constexpr std::int64_t kMaxScaled = 9223372036854775807;

class DialectCurrencyTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    db_ = Create("currency.njb");
    auto t = MakeTable(*db_, "Pay",
                       {{"Id", dbLong, 0},
                        {"H", dbCurrency, 0},
                        {"G", dbCurrency, 0},
                        {"D", dbDouble, 0},
                        {"T", dbText, 30}});
    t->IndexesAppend(MakeIndex(*t, "H_Index", "H", false, false));
    Add(1, Currency{35000});
    Add(2, Currency{-1});
    Add(3, Currency{kMaxScaled});
    Add(4, Variant::Null());
    Add(5, Currency{10000});
    Add(6, Currency{kMaxScaled - 1});  // a double cannot tell it from the maximum
  }

  void Add(int id, const Variant& h) {
    auto rs = db_->OpenRecordset("Pay");
    rs->AddNew();
    rs->Fields("Id")->SetValue(id);
    rs->Fields("H")->SetValue(h);
    rs->Update();
  }

  // The ids of the rows, in order, that a selection and the Find family find.
  std::string SelectedIds(const std::string& criteria) {
    auto rs = db_->OpenRecordset("SELECT Id FROM Pay WHERE " + criteria + " ORDER BY Id");
    std::string ids;
    for (; !rs->Eof(); rs->MoveNext()) AppendId(ids, *rs);
    return ids;
  }
  std::string FoundIds(const std::string& criteria) {
    auto rs = db_->OpenRecordset("SELECT * FROM Pay ORDER BY Id");
    std::string ids;
    for (rs->FindFirst(criteria); !rs->NoMatch(); rs->FindNext(criteria)) AppendId(ids, *rs);
    return ids;
  }
  static void AppendId(std::string& ids, Recordset& rs) {
    ids += (ids.empty() ? "" : ",") + std::to_string(rs["Id"].ToLong());
  }
  long DeletedCount(const std::string& criteria) {
    ws_->BeginTrans();
    db_->Execute("DELETE FROM Pay WHERE " + criteria);
    ws_->Rollback();
    return db_->RecordsAffected();
  }

  // A field of one row as a recordset reads it: the amount's exact text, or "Null".
  std::string Read(int id, const std::string& field = "H") {
    auto rs = db_->OpenRecordset("SELECT * FROM Pay WHERE Id = " + std::to_string(id));
    if (rs->Eof()) return "no row";
    Variant v = rs->Fields(field)->Value();
    if (v.IsNull()) return "Null";
    return v.Type() == VarType::Currency ? FormatCurrency(v.ToCurrency()) : v.ToText();
  }

  DatabasePtr db_;
};

TEST_F(DialectCurrencyTest, CriteriaCompareAmountsInSelectionsFindAndDelete) {
  struct Case {
    const char* criteria;
    const char* ids;
  };
  const Case cases[] = {
      {"H = 3.5", "1"},
      {"3.5 = Pay.H", "1"},
      {"H = -0.0001", "2"},
      {"H = 922337203685477.5807", "3"},  // exact where a double is not
      {"H - 0.0001 = 922337203685477.5806", "3"},
      {"-H = -922337203685477.5806", "6"},
      {"H < 922337203685477.5807 And H > 100", "6"},
      {"H > 1", "1,3,6"},
      {"H Between -0.0001 And 1", "2,5"},
      {"H Not In (3.5, 1)", "2,3,6"},
      {"H = '3.5'", "1"},
      // Not exact as a scaled literal: compared as amounts.
      {"H = 3.50000", "1"},
      {"H < 0.00005", "2"},
      {"H * 2 = 7", "1"},
      {"H = 1E20", ""},
      // Texts that are not exact literals are read as numbers, as against a Double field.
      {"H < '0.00005'", "2"},
      {"H = '3.50000'", "1"},
      {"H < '1e3'", "1,2,5"},
      {"H Is Null", "4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.criteria);
    const std::string expected = c.ids;
    EXPECT_EQ(expected, SelectedIds(c.criteria));
    EXPECT_EQ(expected, FoundIds(c.criteria));
    EXPECT_EQ(expected.empty() ? 0 : std::count(expected.begin(), expected.end(), ',') + 1,
              DeletedCount(c.criteria));
  }
  EXPECT_NRX_ERROR(err::kCriteriaTypeMismatch, SelectedIds("H = 'abc'"));
}

TEST_F(DialectCurrencyTest, ActionStatementsStoreAmountsExactly) {
  db_->Execute("UPDATE Pay SET H = 4.25, D = 2.5, T = ' 12.3456 ' WHERE Id = 1");
  EXPECT_EQ("4.25", Read(1));
  db_->Execute("INSERT INTO Pay (Id, H) VALUES (7, 922337203685477.5807)");
  db_->Execute("INSERT INTO Pay (Id, H) VALUES (8, -922337203685477.5808)");
  // Without a field list the values go to the table's fields in order.
  db_->Execute("INSERT INTO Pay VALUES (9, -0.0001, '0.5', 1.25, Null)");
  EXPECT_EQ("922337203685477.5807", Read(7));
  EXPECT_EQ("-922337203685477.5808", Read(8));
  EXPECT_EQ("-0.0001", Read(9));
  EXPECT_EQ("0.5", Read(9, "G"));

  // From other kinds: a text exactly, a double rounded to four decimals, a whole number
  // beyond a double's precision exactly, a truth value as -1.
  db_->Execute("UPDATE Pay SET H = T, G = D WHERE Id = 1");
  EXPECT_EQ("12.3456", Read(1));
  EXPECT_EQ("2.5", Read(1, "G"));
  db_->Execute("UPDATE Pay SET H = 0.00005 + 0.00001, G = 92233720368547 WHERE Id = 5");
  EXPECT_EQ("0.0001", Read(5));
  EXPECT_EQ("92233720368547", Read(5, "G"));
  db_->Execute("UPDATE Pay SET G = True WHERE Id = 3");
  EXPECT_EQ("-1", Read(3, "G"));

  // A Currency field copied into another stays exact; into a Double it is the amount.
  db_->Execute("UPDATE Pay SET G = H WHERE Id = 6");
  EXPECT_EQ("922337203685477.5806", Read(6, "G"));
  db_->Execute("UPDATE Pay SET D = H WHERE Id = 1");
  EXPECT_EQ("12.3456", Read(1, "D"));
}

// Each statement's reading of the fields beside it, from the fixture's rows 3 (the maximum),
// 6 (one below) and 7 (the minimum).
TEST_F(DialectCurrencyTest, SumsAndDifferencesOfAmountsAreExactAcrossTheRange) {
  Add(7, Currency{-kMaxScaled - 1});
  const struct {
    int id;
    const char* set;
    const char* field;
    const char* expected;
  } steps[] = {
      {3, "H = H + 0", "H", "922337203685477.5807"},
      {3, "H = H - 0.0001", "H", "922337203685477.5806"},
      {6, "G = 0.0001", "G", "0.0001"},
      {6, "H = H + G", "H", "922337203685477.5807"},
      {6, "H = -(-H) - +G", "H", "922337203685477.5806"},
      {7, "H = H + 1", "H", "-922337203685476.5808"},
      {7, "G = -(H + 1) + -0", "G", "922337203685475.5808"},
      {7, "H = H - 1", "H", "-922337203685477.5808"},
      {7, "H = H + G", "H", "-2"},
      // Anywhere but a Currency field a sum is its amount, exact to the fourth decimal.
      {3, "D = H - 922337203685477", "D", "0.5806"},
      {6, "T = H - G - 922337203685477", "T", "0.5805"},
      {4, "H = H + 1, G = -H", "H", "Null"},
  };
  for (const auto& step : steps) {
    const std::string statement =
        fmt::format("UPDATE Pay SET {} WHERE Id = {}", step.set, step.id);
    SCOPED_TRACE(statement);
    db_->Execute(statement);
    EXPECT_EQ(step.expected, Read(step.id, step.field));
  }
}

TEST_F(DialectCurrencyTest, CriteriaCompareSumsOfAmountsAsWholeNumbers) {
  // H + 1 lands on either side of G by the last digit, where a double cannot tell them apart.
  db_->Execute("UPDATE Pay SET H = H - 1 WHERE Id IN (3, 6)");
  db_->Execute("UPDATE Pay SET G = 922337203685477.5806 WHERE Id IN (3, 6)");
  db_->Execute("UPDATE Pay SET G = H + 0.9999 WHERE Id IN (1, 5)");
  db_->Execute("UPDATE Pay SET G = G + 0.0002 WHERE Id = 5");
  for (const char* criteria : {"H + 1 > G", "G < H - -1"}) {
    SCOPED_TRACE(criteria);
    EXPECT_EQ("1,3", SelectedIds(criteria));
    EXPECT_EQ("1,3", FoundIds(criteria));
  }
  EXPECT_EQ("2,5", SelectedIds("H + 1 Between -1 And 2.0001"));
}

TEST_F(DialectCurrencyTest, InsertSelectScalesOnlyWhatIsNotAlreadyAnAmount) {
  db_->Execute("CREATE TABLE Src (Id LONG, Amount DOUBLE, Money CURRENCY)");
  db_->Execute("INSERT INTO Src (Id, Amount, Money) VALUES (20, 7.125, 922337203685477.5807)");
  db_->Execute("INSERT INTO Pay (Id, H, G) SELECT Id, Amount, Money FROM Src WHERE Money > 1");
  EXPECT_EQ("7.125", Read(20));
  EXPECT_EQ("922337203685477.5807", Read(20, "G"));
  // Every field by position: Amount lands in a Currency field, Money in a Double as its amount.
  db_->Execute("UPDATE Src SET Id = 21, Money = 2.5");
  db_->Execute("INSERT INTO Pay (Id, G, D) SELECT * FROM Src");
  EXPECT_EQ("7.125", Read(21, "G"));
  EXPECT_EQ("2.5", Read(21, "D"));
}

TEST_F(DialectCurrencyTest, RefusedValuesLeaveTheTableUnchanged) {
  struct Case {
    int number;
    const char* statement;
  };
  const Case cases[] = {
      {err::kOverflow, "UPDATE Pay SET H = H * 2"},
      {err::kOverflow, "UPDATE Pay SET H = H + 0.0001"},
      {err::kOverflow, "UPDATE Pay SET G = -H - 1"},
      {err::kOverflow, "DELETE FROM Pay WHERE H + 1 > 0"},
      {err::kOverflow, "UPDATE Pay SET G = 922337203685478"},
      {err::kOverflow, "INSERT INTO Pay (Id, H) VALUES (10, 1E20)"},
      {err::kOverflow, "INSERT INTO Pay (Id, H) VALUES (10, 922337203685477.5808)"},
      // A text that is no number: as in any other number field.
      {err::kCriteriaTypeMismatch, "UPDATE Pay SET Id = 'abc'"},
      {err::kCriteriaTypeMismatch, "UPDATE Pay SET H = 'abc' WHERE Id = 1"},
      {err::kCriteriaTypeMismatch, "INSERT INTO Pay (Id, H) VALUES (10, '3.5 EUR')"},
  };
  for (const auto& c : cases) EXPECT_NRX_ERROR(c.number, db_->Execute(c.statement));
  EXPECT_EQ(6, Count(*db_, "Pay"));
  EXPECT_EQ("3.5", Read(1));
  EXPECT_EQ("922337203685477.5807", Read(3));
  EXPECT_EQ("Null", Read(1, "G"));
}

TEST_F(DialectCurrencyTest, ComparisonWithANumberKeepsTheIndex) {
  auto& conn = *detail::EngineAccess::Conn(*db_);
  const detail::SchemaFieldTypes types(conn);
  auto plan = [&](const std::string& criteria) {
    const std::string where = dialect::TranslateCriteria(criteria, nullptr, "Pay", &types);
    auto st = conn.Prepare("EXPLAIN QUERY PLAN SELECT Id FROM Pay WHERE " + where, "test");
    std::string details;
    while (st.Step()) details += st.Text(3) + ";";
    return details;
  };
  EXPECT_NE(std::string::npos, plan("H = 3.5").find("INDEX"));
  EXPECT_NE(std::string::npos, plan("H Between -1 And 2").find("INDEX"));
  EXPECT_EQ(std::string::npos, plan("H * 2 = 7").find("INDEX"));
}

}  // namespace
}  // namespace nrx::test
