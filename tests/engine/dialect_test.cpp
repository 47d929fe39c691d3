// The dialect: criteria are translated and run against a small table, so each case checks which
// rows a text selects (or what a value comes out as), not the SQLite text it becomes.

#include "engine/dialect.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "dialect_sqlite.h"
#include "engine/dialect/like_pattern.h"
#include "support/test_support.h"

namespace nrx::dialect {
namespace {

class DialectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Name is a plain (case-sensitive) TEXT column: case-insensitivity must come from the
    // translation, not from the table.
    db_.Exec(
        "CREATE TABLE t (id INTEGER, PointNo INTEGER, Name TEXT, X REAL, Fixed INTEGER, "
        "\"Two Words\" TEXT, Code TEXT);"
        "INSERT INTO t VALUES (1, 1, 'Alpha', 1.5, -1, 'a b', 'A1');"
        "INSERT INTO t VALUES (2, 2, 'beta', -2.5, 0, 'x', 'B22');"
        "INSERT INTO t VALUES (3, 3, NULL, NULL, NULL, NULL, NULL);"
        "INSERT INTO t VALUES (4, 10, 'O''Brien', 100, -1, 'q\"q', '#5');"
        "INSERT INTO t VALUES (5, 1204, 'Ärger', 0.5, 0, '', 'c[x]');"
        "CREATE TABLE v (Result TEXT); INSERT INTO v VALUES (NULL);");
  }

  // The ids of the rows of t that the criteria select, in order: "1,4".
  std::string Ids(const std::string& criteria, const std::string& table = "t") {
    return db_.Column("SELECT id FROM " + table + " WHERE " + TranslateCriteria(criteria) +
                      " ORDER BY id");
  }

  // A constant condition: "true", "false" or "null".
  std::string Truth(const std::string& criteria) {
    return db_.Column("SELECT CASE WHEN " + TranslateCriteria(criteria) + " THEN 'true' WHEN NOT " +
                      TranslateCriteria(criteria) + " THEN 'false' ELSE 'null' END");
  }

  // A constant value as text, stored by an UPDATE (the statement translator's value path).
  std::string Value(const std::string& expression) {
    db_.Exec(std::get<Action>(ParseStatement("UPDATE v SET Result = " + expression)).sql);
    return db_.Column("SELECT Result FROM v");
  }

  // The engine number of the error SQLite reports when the criteria run.
  int RunError(const std::string& criteria) {
    std::string error;
    EXPECT_FALSE(db_.Query("SELECT id FROM t WHERE " + TranslateCriteria(criteria), &error));
    return FunctionErrorNumber(error);
  }

  test::DialectDb db_;
};

// Expects the call to raise `number` with `quoted` inside its message.
#define EXPECT_DIALECT_ERROR(number, quoted, expr)                      \
  do {                                                                  \
    try {                                                               \
      expr;                                                             \
      ADD_FAILURE() << "expected error " << (number) << " from " #expr; \
    } catch (const ::nrx::Error& e_) {                                  \
      EXPECT_EQ((number), e_.Number()) << e_.what();                    \
      EXPECT_NE(std::string(e_.what()).find(quoted), std::string::npos) \
          << "message lacks \"" << (quoted) << "\": " << e_.what();     \
    }                                                                   \
  } while (0)

TEST_F(DialectTest, TrueIsMinusOneAndBooleansCompareAsNumbers) {
  EXPECT_EQ("1,4", Ids("Fixed = True"));
  EXPECT_EQ("1,4", Ids("Fixed"));
  EXPECT_EQ("2,5", Ids("Not Fixed"));
  EXPECT_EQ("3,4,5", Ids("(PointNo > 2) = True"));
  EXPECT_EQ("-1", Value("True"));
  EXPECT_EQ("-2", Value("(1 = 1) + True"));
  EXPECT_EQ("true", Truth("5 - -True = 4"));
}

TEST_F(DialectTest, LogicalOperatorsFollowPrecedenceAndNullLogic) {
  EXPECT_EQ("1", Ids("PointNo = 1 Or PointNo = 2 And Fixed = True"));
  EXPECT_EQ("2,3,4,5", Ids("Not PointNo = 1"));
  EXPECT_EQ("1,3,4", Ids("Fixed = True Or Name Is Null"));
  // Row 3's Fixed is Null: Xor and Eqv with Null are not known, so it is in neither.
  EXPECT_EQ("2,4", Ids("PointNo < 3 Xor Fixed = True"));
  EXPECT_EQ("1,5", Ids("PointNo < 3 Eqv Fixed = True"));
  EXPECT_EQ("true", Truth("False Imp Null"));
  EXPECT_EQ("null", Truth("True Imp Null"));
  EXPECT_EQ("false", Truth("Null And False"));
}

TEST_F(DialectTest, LongChainsOfAlternativesTranslate) {
  std::string criteria = "PointNo = 10";
  for (int i = 0; i < 600; ++i) criteria += " Or PointNo = " + std::to_string(2000 + i);
  EXPECT_EQ("4", Ids(criteria));
}

TEST_F(DialectTest, ArithmeticHasTheRuntimesMeaning) {
  EXPECT_EQ("true", Truth("7 / 2 = 3.5"));
  EXPECT_EQ("true", Truth("7 \\ 2 = 3"));
  EXPECT_EQ("true", Truth("7.6 \\ 2 = 4"));  // operands round first
  EXPECT_EQ("true", Truth("5.5 Mod 3 = 0"));
  EXPECT_EQ("true", Truth("2 ^ 3 ^ 2 = 64"));
  EXPECT_EQ("true", Truth("-2 ^ 2 = -4"));
  EXPECT_EQ("true", Truth("1 + 2 * 3 - 4 / 2 = 5"));
  EXPECT_EQ("null", Truth("1 / 0 = 1"));
  EXPECT_EQ("4", Ids("PointNo * 2 + 1 = 21"));
  EXPECT_EQ("1,4,5", Ids("X > .4"));
}

TEST_F(DialectTest, TextsAreQuotedEitherWayAndCompareWithoutCase) {
  EXPECT_EQ("4", Ids("Name = 'O''Brien'"));
  EXPECT_EQ("4", Ids("Name = \"O'Brien\""));
  EXPECT_EQ("4", Ids("[Two Words] = \"q\"\"q\""));
  EXPECT_EQ("1", Ids("Name = 'ALPHA'"));
  EXPECT_EQ("2,4", Ids("Name > 'B' And Name < 'p'"));
}

TEST_F(DialectTest, JoiningTreatsNullAsEmptyText) {
  EXPECT_EQ("3", Ids("Name & '' = ''"));
  EXPECT_EQ("1", Ids("Name & Code = 'AlphaA1'"));
  EXPECT_EQ("1", Ids("X & '' = '1.5'"));
  EXPECT_EQ("NULL", Value("Null & Null"));
  // "+" joins two texts, adds otherwise, and propagates Null.
  EXPECT_EQ("1", Ids("Name + Code = 'AlphaA1'"));
  EXPECT_EQ("12", Value("'5' + 7"));
  EXPECT_EQ("3", Ids("Name + 'x' Is Null"));
}

TEST_F(DialectTest, LikeUsesTheDialectsWildcardsWithoutCase) {
  EXPECT_EQ("1", Ids("Name Like 'a*'"));
  EXPECT_EQ("1,2", Ids("Code Like '[AB]*'"));
  EXPECT_EQ("4,5", Ids("Code Like '[!AB]*'"));
  EXPECT_EQ("1,2", Ids("Code Like '[a-b]#*'"));
  EXPECT_EQ("4", Ids("Code Like '[#]#'"));
  EXPECT_EQ("5", Ids("Code Like 'c[[]x]'"));
  EXPECT_EQ("2,4,5", Ids("Name Not Like 'a*'"));
  EXPECT_EQ("5", Ids("Name Like 'ä*'"));
  EXPECT_EQ("5", Ids("PointNo Like '12*'"));
  EXPECT_EQ("", Ids("Name Like 'a[b'"));
  EXPECT_EQ("null", Truth("'abc' Like Null"));
}

TEST(LikePatternTest, ManyStarsOnALongTextStayLinear) {
  LikePattern pattern(std::string(30, '*') + "a*a*a*a*a*a*b");
  EXPECT_FALSE(pattern.Matches(std::string(20000, 'a')));
  EXPECT_TRUE(pattern.Matches(std::string(20000, 'a') + "b"));
  EXPECT_TRUE(LikePattern("[]abc").Matches("abc"));
  EXPECT_TRUE(LikePattern("a-[-z]").Matches("a--"));
}

TEST_F(DialectTest, InBetweenAndIsNull) {
  EXPECT_EQ("1,3,4", Ids("PointNo In (1, 3, 10)"));
  EXPECT_EQ("1,2", Ids("Name In ('ALPHA', 'Beta')"));
  EXPECT_EQ("2,3,4", Ids("PointNo Between 2 And 10"));
  EXPECT_EQ("1,5", Ids("PointNo Not Between 2 And 10"));
  EXPECT_EQ("3", Ids("Name Is Null"));
}

TEST_F(DialectTest, NamesMayBeBracketedQualifiedOrInAnyCase) {
  EXPECT_EQ("2", Ids("[t].[PointNo] = 2"));
  EXPECT_EQ("2", Ids("pointno = 2"));
}

TEST_F(DialectTest, TextFunctionsCountCharacters) {
  EXPECT_EQ("1,5", Ids("Len(Name) = 5"));
  EXPECT_EQ("1", Ids("Left(Name, 2) = 'al'"));
  EXPECT_EQ("1", Ids("Mid(Name, 2, 3) = 'lph'"));
  EXPECT_EQ("ÄRGER", Value("UCase('ärger')"));
  EXPECT_EQ("a b", Value("Trim('  a b  ')"));
  EXPECT_EQ("  x", Value("RTrim('  x  ')"));
  EXPECT_EQ("3", Value("InStr('abcabc', 'C')"));
  EXPECT_EQ("6", Value("InStr(4, 'abcabc', 'c')"));
  EXPECT_EQ("1,4", Ids("IIf(Fixed, 'yes', 'no') = 'yes'"));
  EXPECT_EQ("NULL", Value("Left(Null, 2)"));
}

TEST_F(DialectTest, NumericFunctionsRoundAsTheRuntimeDoes) {
  EXPECT_EQ("true", Truth("Int(-2.5) = -3 And Fix(-2.5) = -2 And Int(2.5) = 2"));
  EXPECT_EQ("true", Truth("CLng(2.5) = 2 And CLng(3.5) = 4 And CInt('12') = 12"));
  EXPECT_EQ("true", Truth("Round(2.5) = 2 And Round(3.14159, 2) = 3.14"));
  EXPECT_EQ("true", Truth("Abs(-3) = 3 And Sgn(-0.5) = -1 And Sqr(16) = 4"));
  EXPECT_EQ("true", Truth("Val(' 12 34abc') = 1234 And Val('&H10') = 16 And Val('1.5e2x') = 150"));
  EXPECT_EQ("2.5", Value("CStr(2.5)"));
  EXPECT_EQ("1E+20", Value("CStr(1E+20)"));
}

TEST_F(DialectTest, FunctionFailuresCarryTheEngineNumber) {
  EXPECT_EQ(err::kCriteriaTypeMismatch, RunError("Int(Name) = 1"));
  EXPECT_EQ(err::kOverflow, RunError("CInt(40000) = 1"));
  EXPECT_EQ(err::kInvalidCall, RunError("Left(Name, -1) = 'a'"));
  EXPECT_EQ(err::kInvalidNull, RunError("Mid(Name, Null) = 'a'"));
}

TEST_F(DialectTest, DateLiteralsAreSerialsOfEitherWriting) {
  EXPECT_EQ("45488.4375", Value("#2024-07-15 10:30#"));
  EXPECT_EQ("45488", Value("#7/15/2024#"));
  EXPECT_EQ("2", Value("1 - #1899-12-29#"));  // a negative serial never makes a comment
  EXPECT_EQ("true", Truth("#2024-07-15# > #2024-07-14 23:59:59#"));
  EXPECT_DIALECT_ERROR(3075, "#2024-02-30#", TranslateCriteria("x = #2024-02-30#"));
  EXPECT_DIALECT_ERROR(3075, "#2024-07-15", TranslateCriteria("x = #2024-07-15"));
}

TEST_F(DialectTest, BadCriteriaRaise3075QuotingTheText) {
  EXPECT_DIALECT_ERROR(3075, "PointNo = 'abc", TranslateCriteria("PointNo = 'abc"));
  EXPECT_DIALECT_ERROR(3075, "[Two Words = 1", TranslateCriteria("[Two Words = 1"));
  EXPECT_DIALECT_ERROR(3075, "Foo", TranslateCriteria("Foo(1) = 2"));
  EXPECT_DIALECT_ERROR(3075, "Left", TranslateCriteria("Left(Name) = 'a'"));
  EXPECT_DIALECT_ERROR(3075, "DROP", TranslateCriteria("PointNo = 3; DROP TABLE t"));
  EXPECT_DIALECT_ERROR(3075, "nested", TranslateCriteria(std::string(5000, '(') + "1"));
  EXPECT_DIALECT_ERROR(3075, "", TranslateCriteria(std::string(5000, '-') + "1"));
  EXPECT_DIALECT_ERROR(3075, "", TranslateCriteria(std::string("a = '\0'", 7)));
}

TEST_F(DialectTest, SelectionsGiveTheirPartsAndTranslatedWhere) {
  Selection s = ParseSelection(
      "select distinct [Two Words], t.Name from [t] where Name like 'a*' "
      "order by [Two Words] desc, t.Name asc;");
  EXPECT_TRUE(s.distinct);
  EXPECT_EQ("t", s.table);
  EXPECT_EQ((std::vector<std::string>{"Two Words", "Name"}), s.fields);
  ASSERT_EQ(2u, s.order_by.size());
  EXPECT_EQ("Two Words", s.order_by[0].field);
  EXPECT_TRUE(s.order_by[0].descending);
  EXPECT_EQ("Name", s.order_by[1].field);
  EXPECT_FALSE(s.order_by[1].descending);
  EXPECT_EQ("1", db_.Column("SELECT id FROM t WHERE " + s.where_sql));

  s = ParseSelection("SELECT t.* FROM t");
  EXPECT_EQ(std::vector<std::string>{"*"}, s.fields);
  EXPECT_TRUE(s.where_sql.empty());
}

TEST_F(DialectTest, SelectionErrorsNameTheirClause) {
  EXPECT_DIALECT_ERROR(3131, "FROM", ParseSelection("SELECT * FROM"));
  EXPECT_DIALECT_ERROR(3131, "FROM t u", ParseSelection("SELECT * FROM t u"));
  EXPECT_DIALECT_ERROR(3075, "'PointNo = = 3'",
                       ParseSelection("SELECT * FROM t WHERE PointNo = = 3 ORDER BY PointNo"));
  EXPECT_DIALECT_ERROR(3075, "a b", ParseSelection("SELECT a b FROM t"));
  EXPECT_DIALECT_ERROR(3000, "ORDER", ParseSelection("SELECT * FROM t ORDER PointNo"));
  EXPECT_DIALECT_ERROR(3000, "", ParseSelection("SELECT * FROM t; DELETE FROM t"));
  EXPECT_DIALECT_ERROR(3061, "x.a", ParseSelection("SELECT x.a FROM t"));
}

TEST(DialectSelectionTest, IsSelectionLooksAtTheFirstWord) {
  EXPECT_TRUE(IsSelection("  select * from t"));
  EXPECT_FALSE(IsSelection("SELECTION"));
  EXPECT_FALSE(IsSelection(""));
}

// What Execute cannot show: the field order and the options an index is read with.
TEST(DialectStatementTest, CreateIndexReadsFieldOrderAndOptions) {
  auto index = std::get<CreateIndex>(ParseStatement(
      "create unique index [My Index] on [My Table] ([A b] desc, c asc) with disallow null"));
  EXPECT_EQ("My Index", index.name);
  EXPECT_EQ("My Table", index.table);
  EXPECT_EQ((std::vector<std::string>{"-A b", "c"}), index.fields);
  EXPECT_TRUE(index.unique && index.required && !index.primary);
  EXPECT_TRUE(std::get<CreateIndex>(ParseStatement("CREATE INDEX i ON t (a) WITH IGNORE NULL"))
                  .ignore_nulls);
}

TEST(DialectStatementTest, StatementErrorsHaveTheirNumbers) {
  EXPECT_DIALECT_ERROR(3291, "CREATE INDEX i ON t PointNo",
                       ParseStatement("CREATE INDEX i ON t PointNo"));
  EXPECT_DIALECT_ERROR(3291, "FOO", ParseStatement("CREATE INDEX i ON t (a) WITH FOO"));
  EXPECT_DIALECT_ERROR(3291, "", ParseStatement("CREATE INDEX i ON t (a); DROP TABLE t"));
  EXPECT_DIALECT_ERROR(3290, "TEXT(300)", ParseStatement("CREATE TABLE t (a TEXT(300))"));
  EXPECT_DIALECT_ERROR(3290, "", ParseStatement("CREATE TABLE t a LONG"));
  EXPECT_DIALECT_ERROR(3259, "MONEYBAG", ParseStatement("CREATE TABLE t (a MONEYBAG)"));
  EXPECT_DIALECT_ERROR(3295, "DROP INDEX i", ParseStatement("DROP INDEX i"));
  EXPECT_DIALECT_ERROR(3293, "", ParseStatement("ALTER TABLE t DROP COLUMN a"));
  EXPECT_DIALECT_ERROR(3251, "", ParseStatement("SELECT * FROM t"));
  EXPECT_DIALECT_ERROR(3000, "GRANT", ParseStatement("GRANT ALL ON t"));
  EXPECT_DIALECT_ERROR(3134, "", ParseStatement("INSERT INTO t (a, b) VALUES (1)"));
  EXPECT_DIALECT_ERROR(3075, "'x' 'y'", ParseStatement("UPDATE t SET a = 'x' 'y' WHERE b = 1"));
  EXPECT_DIALECT_ERROR(3144, "", ParseStatement("UPDATE t a = 1"));
  EXPECT_DIALECT_ERROR(3131, "", ParseStatement("DELETE t"));
  EXPECT_DIALECT_ERROR(3128, "", ParseStatement("DELETE FROM t WHERE a = 1; DROP TABLE t"));
}

TEST(DialectStatementTest, CreateTableReadsTypeSynonymsSizesAndNotNull) {
  auto table = std::get<CreateTable>(ParseStatement(
      "CREATE TABLE Jobs (Name TEXT(16) NOT NULL, Flag YESNO, [Long Note] varchar, C COUNTER, "
      "R real)"));
  ASSERT_EQ(5u, table.columns.size());
  const int types[] = {10, 1, 10, 4, 6};  // Text, Boolean, Text, Long, Single
  for (int i = 0; i < 5; ++i) EXPECT_EQ(types[i], table.columns[i].type) << i;
  EXPECT_EQ(16, table.columns[0].size);
  EXPECT_TRUE(table.columns[0].not_null);
  EXPECT_EQ("Long Note", table.columns[2].name);
  EXPECT_EQ(255, table.columns[2].size);
  EXPECT_EQ(3,  // Integer
            std::get<AlterAddColumn>(ParseStatement("alter table t add z smallint;")).column.type);
  auto kinds = std::get<CreateTable>(
      ParseStatement("CREATE TABLE k (m MONEY, d DATETIME, b LONGBINARY, n MEMO)"));
  const int new_types[] = {5, 8, 11, 12};  // Currency, Date, Long binary, Memo
  for (int i = 0; i < 4; ++i) EXPECT_EQ(new_types[i], kinds.columns[i].type) << i;
}

TEST_F(DialectTest, ActionStatementsChangeTheRowsTheyName) {
  auto run = [&](const std::string& text) {
    Action action = std::get<Action>(ParseStatement(text));
    db_.Exec(action.sql);
    return action.table;
  };
  EXPECT_EQ("t", run("INSERT INTO t (id, PointNo, Name, Fixed) VALUES (6, 7, 'Zeta', True)"));
  EXPECT_EQ("6", Ids("PointNo = 7 And Fixed = True And Name = 'zeta'"));
  run("UPDATE t SET Name = Name & '!', t.X = X * 2 WHERE PointNo <= 3;");
  EXPECT_EQ("Alpha!,beta!,!", db_.Column("SELECT Name FROM t WHERE id <= 3 ORDER BY id"));
  EXPECT_EQ("3.0,-5.0", db_.Column("SELECT X FROM t WHERE id <= 2 ORDER BY id"));
  run("DELETE * FROM t WHERE Fixed Is Null");
  EXPECT_EQ("1,2,4,5,6", Ids("True"));
  db_.Exec("CREATE TABLE t2 (id INTEGER, Name TEXT)");
  EXPECT_EQ("t2", run("INSERT INTO t2 SELECT id, Name FROM t WHERE Fixed ORDER BY id"));
  EXPECT_EQ("1,4,6", db_.Column("SELECT id FROM t2 ORDER BY id"));
  run("DELETE t.* FROM t");
  EXPECT_EQ("", Ids("True"));
}

}  // namespace
}  // namespace nrx::dialect
