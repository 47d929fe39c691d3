#pragma once
// A plain in-memory SQLite database with the dialect's functions, for the dialect's tests: they
// run translated texts and check what they select, not how they are spelt.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

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

  // Runs one statement; returns every row's columns as text ("NULL" for Null), or nullopt and
  // the error message in `error` when SQLite refuses or fails it.
  std::optional<std::vector<std::vector<std::string>>> Query(const std::string& sql,
                                                             std::string* error = nullptr) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
      if (error) *error = sqlite3_errmsg(db_.get());
      return std::nullopt;
    }
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw, sqlite3_finalize);
    std::vector<std::vector<std::string>> rows;
    int rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int i = 0; i < sqlite3_column_count(raw); ++i) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, i));
        row.push_back(sqlite3_column_type(raw, i) == SQLITE_NULL ? "NULL" : text);
      }
      rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
      if (error) *error = sqlite3_errmsg(db_.get());
      return std::nullopt;
    }
    return rows;
  }

  // The first column of every row, joined by ",": "1,4".
  std::string Column(const std::string& sql) {
    std::string error;
    auto rows = Query(sql, &error);
    if (!rows) {
      ADD_FAILURE() << sql << ": " << error;
      return "<error>";
    }
    std::string out;
    for (const auto& row : *rows) out += (out.empty() ? "" : ",") + row.at(0);
    return out;
  }

 private:
  std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db_{nullptr, sqlite3_close};
};

}  // namespace nrx::test
