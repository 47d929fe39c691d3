#pragma once
// A plain in-memory SQLite database with the dialect's functions, for the dialect's tests: they
// run translated texts and check what they select, not how they are spelt.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <optional>
#include <string>

#include "engine/dialect.h"

namespace nrx::test {

class DialectDb {
 public:
  DialectDb() {
    sqlite3* db = nullptr;
    EXPECT_EQ(SQLITE_OK, sqlite3_open(":memory:", &db));
    db_.reset(db);
    dialect::RegisterFunctions(db);
  }

  sqlite3* Handle() const { return db_.get(); }

  void Exec(const std::string& sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &message);
    EXPECT_EQ(SQLITE_OK, rc) << sql << ": " << (message ? message : "");
    sqlite3_free(message);
  }

  // Runs one statement and joins the first column of its rows by ",": "1,4" ("NULL" for Null);
  // or gives nullopt and SQLite's message in `error` when SQLite refuses or fails it.
  std::optional<std::string> Query(const std::string& sql, std::string* error = nullptr) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db_.get(), sql.c_str(), -1, &raw, nullptr);
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw, sqlite3_finalize);
    std::string out;
    for (bool first = true; rc == SQLITE_OK || rc == SQLITE_ROW; first = false) {
      if ((rc = sqlite3_step(raw)) != SQLITE_ROW) break;
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, 0));
      out += (first ? "" : ",") + std::string(text ? text : "NULL");
    }
    if (rc == SQLITE_DONE) return out;
    if (error) *error = sqlite3_errmsg(db_.get());
    return std::nullopt;
  }

  std::string Column(const std::string& sql) {
    std::string error;
    std::optional<std::string> out = Query(sql, &error);
    if (!out) ADD_FAILURE() << sql << ": " << error;
    return out.value_or("<error>");
  }

 private:
  std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db_{nullptr, sqlite3_close};
};

}  // namespace nrx::test
