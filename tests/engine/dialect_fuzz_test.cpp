// Random and hostile criteria, selections and statements: each must either raise nrx::Error with
// a number its clause can raise, or give SQLite text that is one statement, reads only when it
// should, and leaves the database as it was when run. Seeds are fixed, so a failure repeats.

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <string_view>
#include <variant>

#include "dialect_sqlite.h"
#include "engine/dialect.h"
#include "nrxJobDb/errors.h"

namespace nrx::dialect {
namespace {

using namespace std::string_view_literals;

// Tokens of every kind the dialect knows, and some it must refuse.
constexpr std::array<std::string_view, 74> kPieces = {
    "PointNo", "Name",       "[Two Words]", "t",       ".",      "=",     "<>",     "<",
    ">=",      "(",          ")",           ",",       ";",      "'",     "\"",     "[",
    "]",       "'abc'",      "\"x\"\"y\"",  "'it''s'", "1",      "2.5",   "1e3",    ".5",
    "And",     "Or",         "Not",         "Xor",     "Eqv",    "Imp",   "Like",   "In",
    "Between", "Is",         "Null",        "True",    "False",  "Mod",   "\\",     "^",
    "&",       "+",          "-",           "*",       "/",      "Left(", "Mid(",   "Len(",
    "IIf(",    "Val(",       "DROP",        "TABLE",   "DELETE", "FROM",  "INSERT", "INTO",
    "VALUES",  "UPDATE",     "SET",         "--",      "/*",     "*/",    "ATTACH", "PRAGMA",
    "SELECT",  "WHERE",      "#",           "!",       "$",      "@",     "\0"sv,   "\xff",
    "é",       "'*[!a-c]#?'"};

constexpr std::array<std::string_view, 10> kValidCriteria = {
    "PointNo = 3",
    "Name Like 'a*' And Fixed = True",
    "[Two Words] = \"a b\" Or X Between 1 And 2",
    "PointNo In (1, 2, 3) And Not Name Is Null",
    "Len(Trim(Name)) > 2 Xor X * 2 \\ 3 Mod 2 = 1",
    "Name & Code = 'AlphaA1' Or Mid(Name, 2, 1) = 'l'",
    "t.PointNo > 0 And Val(Code) < 10 ^ 2",
    "IIf(Fixed, X, -X) >= -2.5E0",
    "Name Not Like '[!a-m]*' And PointNo Not In (4)",
    "(((Zone < 59 and (Zone + 60 - 59) * 1000000 + X > 480000)))",
};

// Endings written to break out of a criteria or a quoted text.
constexpr std::array<std::string_view, 8> kInjections = {
    "; DROP TABLE t", ") ; DELETE FROM t --", "' OR 1=1 --", "]; DROP TABLE t; --",
    "\" ; DELETE FROM t; --", "'); UPDATE t SET Name = 'x'; --", " /* ", " ATTACH DATABASE 'x' AS y"};

class DialectFuzzTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_.Exec(
        "CREATE TABLE t (id INTEGER, PointNo INTEGER, Name TEXT, X REAL, Fixed INTEGER, "
        "\"Two Words\" TEXT, Code TEXT, Zone INTEGER);"
        "CREATE INDEX t_PointNo ON t (PointNo);"
        "INSERT INTO t VALUES (1, 1, 'Alpha', 1.5, -1, 'a b', 'A1', 59),"
        "(2, 2, 'beta', -2.5, 0, 'x', 'B22', 1), (3, 3, NULL, NULL, NULL, NULL, NULL, NULL);");
    before_ = Snapshot();
  }

  // Everything a statement could change: the schema and every row.
  std::string Snapshot() {
    return db_.Column("SELECT type || name || coalesce(sql, '') FROM sqlite_master ORDER BY name") +
           "|" +
           db_.Column(
               "SELECT quote(id) || quote(PointNo) || quote(Name) || quote(X) || "
               "quote(Fixed) || quote(\"Two Words\") || quote(Code) || quote(Zone) "
               "FROM t ORDER BY id");
  }

  // Prepares `sql` as SQLite would run it and checks that it is one statement, and read-only
  // when `read_only`. Returns the statement for running, or null when SQLite refuses it.
  sqlite3_stmt* PrepareOne(const std::string& sql, bool read_only, const std::string& input) {
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db_.Handle(), sql.c_str(), int(sql.size() + 1), &stmt, &tail) != SQLITE_OK)
      return nullptr;
    EXPECT_EQ(std::string_view(tail).find_first_not_of(" \t\n;"), std::string_view::npos)
        << "more than one statement from " << input << " -> " << sql;
    if (read_only) {
      EXPECT_TRUE(sqlite3_stmt_readonly(stmt)) << input << " -> " << sql;
    }
    return stmt;
  }

  void RunCount(const std::string& where_sql, const std::string& input) {
    const std::string sql = "SELECT count(*) FROM t WHERE " + where_sql;
    sqlite3_stmt* stmt = PrepareOne(sql, true, input);
    if (!stmt) return;  // SQLite may refuse it (an unknown column): that is fine
    while (sqlite3_step(stmt) == SQLITE_ROW) continue;
    sqlite3_finalize(stmt);
    ASSERT_EQ(before_, Snapshot()) << "database changed by " << input << " -> " << sql;
  }

  void CheckCriteria(const std::string& criteria) {
    std::string sql;
    try {
      sql = TranslateCriteria(criteria);
    } catch (const Error& e) {
      EXPECT_EQ(err::kExpressionSyntax, e.Number()) << criteria << ": " << e.what();
      return;
    }
    RunCount(sql, criteria);
  }

  void CheckSelection(const std::string& text) {
    Selection selection;
    try {
      selection = ParseSelection(text);
    } catch (const Error& e) {
      const int n = e.Number();
      EXPECT_TRUE(n == err::kExpressionSyntax || n == err::kFromSyntax || n == err::kSyntaxError ||
                  n == err::kTooFewParameters)
          << text << ": " << n << " " << e.what();
      return;
    }
    if (!selection.where_sql.empty()) RunCount(selection.where_sql, text);
  }

  // Statements write by design, so they are prepared, not run: one statement each.
  void CheckStatement(const std::string& text) {
    Statement statement;
    try {
      statement = ParseStatement(text);
    } catch (const Error& e) {
      EXPECT_GE(e.Number(), 3000) << text << ": " << e.what();
      return;
    }
    if (const auto* action = std::get_if<Action>(&statement)) {
      sqlite3_stmt* stmt = PrepareOne(action->sql, false, text);
      sqlite3_finalize(stmt);
    }
  }

  std::string_view Piece() { return kPieces[Pick(kPieces.size())]; }
  std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }

  std::string TokenSoup() {
    std::string out;
    const std::size_t count = 1 + Pick(12);
    for (std::size_t i = 0; i < count; ++i) {
      out += Piece();
      if (Pick(3)) out += ' ';
    }
    return out;
  }

  // One random edit: insert a piece, delete a run, duplicate a run or append an injection.
  std::string Mutate(std::string text) {
    const std::size_t at = Pick(text.size() + 1);
    switch (Pick(4)) {
      case 0: return text.insert(at, Piece());
      case 1: return text.erase(at, Pick(6));
      case 2: return text.insert(at, text.substr(Pick(text.size() + 1), Pick(8)));
      default: return text + std::string(kInjections[Pick(kInjections.size())]);
    }
  }

  std::string MutatedCriteria() {
    std::string text(kValidCriteria[Pick(kValidCriteria.size())]);
    const std::size_t edits = 1 + Pick(3);
    for (std::size_t i = 0; i < edits; ++i) text = Mutate(text);
    return text;
  }

  // A well-formed criteria of random shape over t's fields; composite operands are bracketed,
  // so every text this makes is valid.
  std::string Generated(int depth) {
    static constexpr std::array<std::string_view, 7> kAtoms = {
        "PointNo", "Name", "X", "Fixed", "[Two Words]", "t.Code", "Zone"};
    static constexpr std::array<std::string_view, 8> kConstants = {
        "0", "2.5", "-1E2", "'a''b'", "\"B22\"", "True", "False", "Null"};
    static constexpr std::array<std::string_view, 19> kBinary = {
        "=",   "<>", "<", "<=", ">", ">=", "And", "Or", "Xor", "Eqv",
        "Imp", "+",  "-", "*",  "/", "\\", "Mod", "^",  "&"};
    static constexpr std::array<std::string_view, 12> kCalls = {
        "Abs(#)",    "Int(#)",        "Len(#)",         "Trim$(#)",  "UCase(#)", "Left(#, 2)",
        "Mid(#, 2)", "InStr(#, 'a')", "IIf(#, 1, 'x')", "IsNull(#)", "CStr(#)",  "Val(#)"};
    if (depth == 0 || Pick(4) == 0)
      return std::string(Pick(2) ? kAtoms[Pick(kAtoms.size())]
                                 : kConstants[Pick(kConstants.size())]);
    auto sub = [&] { return "(" + Generated(depth - 1) + ")"; };
    switch (Pick(7)) {
      case 0: return sub() + " " + std::string(kBinary[Pick(kBinary.size())]) + " " + sub();
      case 1: return (Pick(2) ? "Not " : "-") + sub();
      case 2: {
        std::string call(kCalls[Pick(kCalls.size())]);
        return call.replace(call.find('#'), 1, sub());
      }
      case 3: return sub() + (Pick(2) ? " Like '*a?[!b-d]#'" : " Not Like " + sub());
      case 4: return sub() + (Pick(2) ? " In (" : " Not In (") + sub() + ", " + sub() + ")";
      case 5: return sub() + " Between " + sub() + " And " + sub();
      default: return sub() + (Pick(2) ? " Is Null" : " Is Not Null");
    }
  }

  test::DialectDb db_;
  std::string before_;
  std::mt19937 rng_;
};

TEST_F(DialectFuzzTest, InjectedAndRandomCriteriaRaiseOrLeaveTheDatabaseAlone) {
  for (std::string_view injection : kInjections) {
    for (std::string_view valid : kValidCriteria) CheckCriteria(std::string(valid) + std::string(injection));
    CheckCriteria("Name = '" + std::string(injection) + "'");
    CheckCriteria("[" + std::string(injection) + "] = 1");
  }
  for (unsigned seed : {1u, 2u, 3u}) {
    rng_.seed(seed);
    for (int i = 0; i < 1500 && !HasFatalFailure(); ++i) {
      CheckCriteria(TokenSoup());
      CheckCriteria(MutatedCriteria());
    }
  }
}

TEST_F(DialectFuzzTest, WellFormedCriteriaAlwaysBecomeValidSqlite) {
  rng_.seed(11);
  for (int i = 0; i < 1500; ++i) {
    const std::string criteria = Generated(4);
    std::string sql;
    try {
      sql = TranslateCriteria(criteria);
    } catch (const Error& e) {
      ADD_FAILURE() << criteria << ": " << e.what();
      continue;
    }
    sqlite3_stmt* stmt = PrepareOne("SELECT count(*) FROM t WHERE " + sql, true, criteria);
    ASSERT_NE(nullptr, stmt) << criteria << " -> " << sql << ": " << sqlite3_errmsg(db_.Handle());
    // Running may fail inside a function (a text where a number is needed), never elsewhere.
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) {
      EXPECT_NE(0, FunctionErrorNumber(sqlite3_errmsg(db_.Handle())))
          << criteria << " -> " << sql << ": " << sqlite3_errmsg(db_.Handle());
    }
    sqlite3_finalize(stmt);
  }
}

TEST_F(DialectFuzzTest, RandomSelectionsAndStatementsRaiseOrStayOneStatement) {
  rng_.seed(7);
  for (int i = 0; i < 1500; ++i) {
    const std::string criteria = MutatedCriteria();
    CheckSelection(Mutate("SELECT DISTINCT Name, [Two Words] FROM t WHERE " + criteria +
                          " ORDER BY PointNo DESC"));
    CheckSelection("SELECT * " + TokenSoup());
    CheckStatement(Mutate("UPDATE t SET Name = Name & 'x' WHERE " + criteria));
    CheckStatement(Mutate("DELETE FROM t WHERE " + criteria));
    CheckStatement(Mutate("INSERT INTO t (id, Name) VALUES (9, " + criteria + ")"));
    CheckStatement(Mutate("CREATE UNIQUE INDEX i ON t (PointNo, Name DESC) WITH PRIMARY"));
    CheckStatement(Mutate("CREATE TABLE u (a TEXT(20) NOT NULL, b LONG)"));
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace nrx::dialect
