#pragma once
// Walking a recordset's order from one of its rows. SQLite answers "the rows after this one in
// this order" with a range an index can seek to, as long as every value is known; Null keys and
// descending fields split the range in pieces, each read by a statement of its own, one after
// the other. Moving, finding the next match and finding the record before a deleted one then
// cost a seek, whatever the number of records.

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/connection.h"

namespace nrx::detail {

struct OrderKey {
  std::string column;  // a field of the table
  bool descending = false;
};

struct ValueFree {
  void operator()(sqlite3_value* v) const noexcept { sqlite3_value_free(v); }
};
using SqlValue = std::unique_ptr<sqlite3_value, ValueFree>;

// A row's place in an order: its values of the order's fields, exactly as stored, and its row
// id. Known only while the table's version has not moved on.
struct RowKey {
  std::int64_t rowid = 0;
  std::vector<SqlValue> values;
  std::uint64_t version = 0;
  bool known = false;

  bool Holds(std::int64_t row, std::uint64_t now) const {
    return known && rowid == row && version == now;
  }
  // Copies the values from a row of a statement: `columns` gives the column of each field.
  void Read(sqlite3_stmt* row, const std::vector<int>& columns, std::int64_t id, std::uint64_t now);
};

// The conditions whose statements, run one after another in the walk's direction, read the rows
// after `from` (before it walking backward), or from it on with `inclusive`. Parameters: ?1 ...
// ?n are the key's values, ?n+1 its row id. Under a unique index a key without Null is the row's
// alone, so the rows sharing it need no statement.
std::vector<std::string> RangeConditions(const std::vector<OrderKey>& order, const RowKey& from,
                                         bool forward, bool inclusive, bool unique);

// Binds a key to the parameters a statement made from RangeConditions has.
void BindKey(sqlite3_stmt* stmt, const RowKey& key);

// Rows read by a chain of statements, each to its end before the next starts.
class RowStream {
 public:
  // Takes statements already bound; `version` is the table's version as they start.
  void Start(std::vector<Statement*> parts, bool forward, std::uint64_t version);
  // Moves to the next row; false, and stopped, at the end.
  bool Next();
  void Stop() noexcept;
  // On that row, reading in that direction, and the table unchanged since it started.
  bool On(std::int64_t rowid, bool forward, std::uint64_t version) const;
  bool OnRow(std::int64_t rowid, std::uint64_t version) const;
  sqlite3_stmt* Row() const { return parts_[part_]->Get(); }

 private:
  std::vector<Statement*> parts_;
  size_t part_ = 0;
  bool forward_ = true;
  bool on_row_ = false;
  std::uint64_t version_ = 0;
};

}  // namespace nrx::detail
