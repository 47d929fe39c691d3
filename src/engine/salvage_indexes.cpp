// After the rows of a damaged file are salvaged, the engine's index records and SQLite's
// indexes are made to agree again: damage may have taken either one without the other. An
// index whose record survived is built again from it; an index whose record was lost gets a
// record made from the index itself (not primary: that flag lived only in the lost record).

#include <fmt/format.h>

#include <string>
#include <vector>

#include "engine/connection.h"
#include "engine/salvage.h"
#include "engine/schema_store.h"

namespace nrx::files::detail {
namespace {

struct IndexRecord {
  long long rowid;
  std::string table;
  std::string fields;  // "A;-B": a leading "-" orders that field downwards
  bool unique;
  std::string sql_name;
};

// Runs `sql` with text parameters, calling `row` for each row; false when it cannot run.
template <class Row>
bool Query(sqlite3* db, const std::string& sql, const std::vector<std::string>& params, Row row) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return false;
  }
  for (std::size_t i = 0; i < params.size(); ++i) {
    sqlite3_bind_text(stmt, static_cast<int>(i) + 1, params[i].c_str(), -1, SQLITE_TRANSIENT);
  }
  int rc;
  while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) row(stmt);
  sqlite3_finalize(stmt);
  return rc == SQLITE_DONE;
}

bool Run(sqlite3* db, const std::string& sql, const std::vector<std::string>& params = {}) {
  return Query(db, sql, params, [](sqlite3_stmt*) {});
}

bool IndexExists(sqlite3* db, const std::string& name) {
  bool found = false;
  Query(db, "SELECT 1 FROM main.sqlite_master WHERE type = 'index' AND name = ?1", {name},
        [&](sqlite3_stmt*) { found = true; });
  return found;
}

std::string ColumnList(const std::string& fields) {
  std::string columns;
  for (std::string field : nrx::detail::SplitFields(fields)) {
    const bool down = field[0] == '-';
    if (field[0] == '-' || field[0] == '+') field.erase(0, 1);
    columns += fmt::format("{}{}{}", columns.empty() ? "" : ", ", nrx::detail::QuoteName(field),
                           down ? " DESC" : "");
  }
  return columns;
}

// Builds the indexes whose records survived; a record whose index cannot be built (its table
// or fields are gone, or the rows left break its uniqueness) is dropped with it.
void BuildRecordedIndexes(sqlite3* db) {
  std::vector<IndexRecord> records;
  Query(db,
        fmt::format("SELECT rowid, TableName, Fields, IsUnique, SqlName FROM main.{}",
                    nrx::detail::QuoteName(nrx::detail::kIndexTable)),
        {}, [&](sqlite3_stmt* row) {
          records.push_back({sqlite3_column_int64(row, 0), TextAt(row, 1), TextAt(row, 2),
                             sqlite3_column_int64(row, 3) != 0, TextAt(row, 4)});
        });
  for (const IndexRecord& record : records) {
    if (IndexExists(db, record.sql_name)) continue;
    const bool built =
        !record.sql_name.empty() &&
        Run(db, fmt::format("CREATE {}INDEX main.{} ON {} ({})", record.unique ? "UNIQUE " : "",
                            nrx::detail::QuoteName(record.sql_name),
                            nrx::detail::QuoteName(record.table), ColumnList(record.fields)));
    if (!built) {
      Run(db, fmt::format("DELETE FROM main.{} WHERE rowid = {}",
                          nrx::detail::QuoteName(nrx::detail::kIndexTable), record.rowid));
    }
  }
}

// "Table.Index" or "Table.Index#2", the names the engine gives SQLite's indexes.
std::string RecordedName(const std::string& sql_name, const std::string& table) {
  if (sql_name.size() <= table.size() + 1 || sql_name[table.size()] != '.' ||
      sqlite3_strnicmp(sql_name.c_str(), table.c_str(), static_cast<int>(table.size())) != 0) {
    return {};
  }
  std::string name = sql_name.substr(table.size() + 1);
  return name.substr(0, name.find('#'));
}

std::string FieldsOf(sqlite3* db, const std::string& sql_name) {
  std::string fields;
  Query(db, "SELECT name, desc FROM pragma_index_xinfo(?1) WHERE key = 1 ORDER BY seqno",
        {sql_name}, [&](sqlite3_stmt* row) {
          fields += fmt::format("{}{}{}", fields.empty() ? "" : ";",
                                sqlite3_column_int(row, 1) ? "-" : "", TextAt(row, 0));
        });
  return fields;
}

// Gives every index of the engine's naming that has no record one made from the index.
void RecordUnrecordedIndexes(sqlite3* db) {
  std::vector<std::vector<std::string>> missing;  // sql name, table, unique
  Query(db,
        fmt::format("SELECT m.name, m.tbl_name, m.sql FROM main.sqlite_master m "
                    "WHERE m.type = 'index' AND m.sql IS NOT NULL AND m.tbl_name NOT LIKE 'MSys%' "
                    "AND NOT EXISTS (SELECT 1 FROM main.{} r WHERE r.SqlName = m.name)",
                    nrx::detail::QuoteName(nrx::detail::kIndexTable)),
        {}, [&](sqlite3_stmt* row) {
          missing.push_back({TextAt(row, 0), TextAt(row, 1), TextAt(row, 2)});
        });
  for (const auto& index : missing) {
    const std::string name = RecordedName(index[0], index[1]);
    if (name.empty()) continue;
    const bool unique = sqlite3_strnicmp(index[2].c_str(), "CREATE UNIQUE", 13) == 0;
    Run(db,
        fmt::format("INSERT INTO main.{} (TableName, IndexName, Fields, IsPrimary, IsUnique, "
                    "SqlName) VALUES (?1, ?2, ?3, 0, {}, ?4)",
                    nrx::detail::QuoteName(nrx::detail::kIndexTable), unique ? -1 : 0),
        {index[1], name, FieldsOf(db, index[0]), index[0]});
  }
}

}  // namespace

void ReconcileIndexes(sqlite3* target) {
  BuildRecordedIndexes(target);
  RecordUnrecordedIndexes(target);
}

}  // namespace nrx::files::detail
