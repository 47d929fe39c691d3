// Salvaging rows from a damaged database. SQLite reads a table as a b-tree in row id order; a
// damaged page stops a plain scan, but a seek to a row id beyond the page's range descends
// the tree through other pages and finds the rows that follow. So: scan; on an error, probe
// forward with growing jumps until a seek works again, narrow down the first start that works,
// and go on scanning from there.

#include "engine/salvage.h"

#include <fmt/format.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "engine/connection.h"
#include "engine/schema_store.h"
#include "nrxJobDb/errors.h"

namespace nrx::files::detail {
namespace {

constexpr std::string_view kSource = "nrxEngine.DBEngine";
constexpr long long kFirstRowId = std::numeric_limits<long long>::min();
constexpr long long kLastRowId = std::numeric_limits<long long>::max();

struct StmtFinalizer {
  void operator()(sqlite3_stmt* stmt) const noexcept { sqlite3_finalize(stmt); }
};
using Stmt = std::unique_ptr<sqlite3_stmt, StmtFinalizer>;

// Null when the statement cannot be prepared (on a damaged source: its table is unreadable).
Stmt TryPrepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt);
    return nullptr;
  }
  return Stmt(stmt);
}

bool SameName(const std::string& a, const std::string& b) {
  return sqlite3_stricmp(a.c_str(), b.c_str()) == 0;
}

// ---- Reading --------------------------------------------------------------------------

enum class Outcome { kRow, kEnd, kDamaged };

Outcome StepSource(sqlite3_stmt* stmt) {
  int rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW) return Outcome::kRow;
  if (rc == SQLITE_DONE) return Outcome::kEnd;
  // Running out of memory says nothing about the file; skipping on would lose good rows.
  if ((rc & 0xff) == SQLITE_NOMEM) {
    RaiseText(err::kDiskError, std::string(kSource), "Out of memory while reading a damaged file.");
  }
  return Outcome::kDamaged;
}

// Whether a seek to the first row at or after `start` reads cleanly (or finds the end).
bool SeekWorks(sqlite3_stmt* probe, long long start) {
  sqlite3_reset(probe);
  sqlite3_bind_int64(probe, 1, start);
  return StepSource(probe) != Outcome::kDamaged;
}

// Where to try next after a failed seek at `after`, when reading stopped at `damaged`: jumps
// that double, counted from the damage. When the damage lies below zero (nothing read yet),
// also zero and every power of two, where row ids normally are, so that the jumps do not leap
// over all of them at once.
long long NextProbe(long long damaged, long long after) {
  constexpr unsigned long long kTop = 1ULL << 63;
  auto gap = static_cast<unsigned long long>(after) - static_cast<unsigned long long>(damaged);
  long long by_jump = kLastRowId;
  if (gap < kTop) {
    // Unsigned arithmetic: the sum fits, but the jump may not fit a signed number.
    unsigned long long jump = std::bit_ceil(gap + 1);
    unsigned long long room =
        static_cast<unsigned long long>(kLastRowId) - static_cast<unsigned long long>(damaged);
    if (jump < room) {
      by_jump = static_cast<long long>(static_cast<unsigned long long>(damaged) + jump);
    }
  }
  if (damaged >= 0) return by_jump;
  long long near_zero =
      after < 0 ? 0
                : static_cast<long long>(std::bit_ceil(static_cast<unsigned long long>(after) + 1));
  return std::min(by_jump, near_zero < 0 ? kLastRowId : near_zero);
}

// The smallest start after `damaged` from which a seek works, or none. Narrows a successful
// jump down by bisection, which assumes the stretch it jumped over is damaged, then readable.
std::optional<long long> FindResume(sqlite3_stmt* probe, long long damaged) {
  long long bad = damaged;
  long long good;
  for (;;) {
    good = NextProbe(damaged, bad);
    if (SeekWorks(probe, good)) break;
    if (good == kLastRowId) return std::nullopt;
    bad = good;
  }
  while (static_cast<unsigned long long>(good) - static_cast<unsigned long long>(bad) > 1) {
    auto half = (static_cast<unsigned long long>(good) - static_cast<unsigned long long>(bad)) / 2;
    long long middle = bad + static_cast<long long>(half);
    (SeekWorks(probe, middle) ? good : bad) = middle;
  }
  return good;
}

bool ScanInOnePass(sqlite3* db, const std::string& select, std::size_t most,
                   const std::function<void(sqlite3_stmt*)>& visit) {
  Stmt scan = TryPrepare(db, select);
  if (!scan) return true;
  Outcome outcome;
  for (std::size_t seen = 0; (outcome = StepSource(scan.get())) == Outcome::kRow; ++seen) {
    if (seen == most) return true;
    visit(scan.get());
  }
  return outcome == Outcome::kDamaged;
}

// ---- Writing --------------------------------------------------------------------------

[[noreturn]] void RaiseTarget(sqlite3* target, const std::string& name) {
  RaiseText(err::kDiskError, std::string(kSource),
            fmt::format("The repaired copy of '{}' cannot be written ({}).", name,
                        sqlite3_errmsg(target)));
}

void ExecTarget(sqlite3* target, const std::string& sql, const std::string& name) {
  if (sqlite3_exec(target, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    RaiseTarget(target, name);
  }
}

// Runs a definition taken from the damaged file. One that no longer parses or applies is left
// out; a failure to write is not.
bool TryDefine(sqlite3* target, const std::string& sql, const std::string& name) {
  if (sqlite3_exec(target, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  switch (sqlite3_errcode(target) & 0xff) {
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_NOMEM:
    case SQLITE_CANTOPEN:
      RaiseTarget(target, name);
    default:
      return false;
  }
}

// ---- Schema ---------------------------------------------------------------------------

struct SchemaEntry {
  std::string type;
  std::string name;
  std::string table;
  std::string sql;
};

// The readable entries of sqlite_master; `damaged` tells whether some could not be read.
std::vector<SchemaEntry> ReadSchema(sqlite3* source, std::size_t most, bool& damaged) {
  std::vector<SchemaEntry> entries;
  damaged = ScanReadableRows(
      source, "SELECT rowid, type, name, tbl_name, sql FROM main.sqlite_master", "rowid", most,
      [&](sqlite3_stmt* row) {
        entries.push_back({TextAt(row, 1), TextAt(row, 2), TextAt(row, 3), TextAt(row, 4)});
      });
  return entries;
}

std::optional<long long> PragmaNumber(sqlite3* db, const std::string& pragma) {
  Stmt stmt = TryPrepare(db, "PRAGMA main." + pragma);
  if (!stmt || sqlite3_step(stmt.get()) != SQLITE_ROW) return std::nullopt;
  return sqlite3_column_int64(stmt.get(), 0);
}

// Settings that must be in place before the first table is written.
void CopyFileSettings(sqlite3* source, sqlite3* target, const std::string& name) {
  for (const char* pragma : {"page_size", "auto_vacuum"}) {
    if (auto value = PragmaNumber(source, pragma)) {
      ExecTarget(target, fmt::format("PRAGMA main.{} = {}", pragma, *value), name);
    }
  }
  Stmt encoding = TryPrepare(source, "PRAGMA main.encoding");
  if (encoding && sqlite3_step(encoding.get()) == SQLITE_ROW) {
    ExecTarget(target, fmt::format("PRAGMA main.encoding = '{}'", TextAt(encoding.get(), 0)), name);
  }
}

// The most rows a file of its size can hold: every cell takes its 2-byte pointer and at least
// 2 bytes of its own. Anything read beyond that comes from a tree that leads back into itself.
std::size_t MostRows(sqlite3* source) {
  const auto pages = PragmaNumber(source, "page_count");
  const auto page_size = PragmaNumber(source, "page_size");
  if (!pages || !page_size || *pages <= 0 || *page_size <= 0) return 1 << 20;
  return static_cast<std::size_t>(*pages) * static_cast<std::size_t>(*page_size) / 4 + 1;
}

void CopyHeaderNumbers(sqlite3* source, sqlite3* target, const std::string& name) {
  for (const char* pragma : {"user_version", "application_id"}) {
    if (auto value = PragmaNumber(source, pragma)) {
      ExecTarget(target, fmt::format("PRAGMA main.{} = {}", pragma, *value), name);
    }
  }
}

std::vector<std::string> IndexesOf(const std::vector<SchemaEntry>& schema,
                                   const std::string& table) {
  std::vector<std::string> indexes;
  for (const auto& entry : schema) {
    if (entry.type == "index" && SameName(entry.table, table)) indexes.push_back(entry.name);
  }
  return indexes;
}

bool IsInternal(const std::string& name) {
  return sqlite3_strnicmp(name.c_str(), "sqlite_", 7) == 0;
}

// The engine's files are told by their index records' table, as the engine itself tells them.
bool IsEngineFile(const std::vector<SchemaEntry>& schema) {
  return std::any_of(schema.begin(), schema.end(), [](const SchemaEntry& entry) {
    return SameName(entry.name, std::string(nrx::detail::kIndexTable));
  });
}

bool IsVirtual(const std::string& sql) {
  return sqlite3_strnicmp(sql.c_str(), "CREATE VIRTUAL", 14) == 0;
}

bool TargetHas(sqlite3* target, const std::string& type, const std::string& name) {
  Stmt stmt =
      TryPrepare(target, "SELECT 1 FROM main.sqlite_master WHERE type = ?1 AND name = ?2");
  if (!stmt) return false;
  sqlite3_bind_text(stmt.get(), 1, type.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(stmt.get(), 2, name.c_str(), -1, SQLITE_TRANSIENT);
  return sqlite3_step(stmt.get()) == SQLITE_ROW;
}

bool TargetHasTable(sqlite3* target, const std::string& table) {
  return TargetHas(target, "table", table);
}

// ---- Rows -----------------------------------------------------------------------------

std::vector<std::string> ColumnsOf(sqlite3* source, const std::string& table) {
  std::vector<std::string> columns;
  Stmt stmt = TryPrepare(source, "SELECT name FROM pragma_table_info(?1, 'main')");
  if (!stmt) return columns;
  sqlite3_bind_text(stmt.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
  while (sqlite3_step(stmt.get()) == SQLITE_ROW) columns.push_back(TextAt(stmt.get(), 0));
  return columns;
}

// A name for the row id that no column hides; empty when the table has none (WITHOUT ROWID,
// or every alias taken).
std::string RowIdName(sqlite3* source, const std::string& table,
                      const std::vector<std::string>& columns) {
  for (const char* alias : {"rowid", "_rowid_", "oid"}) {
    bool hidden = std::any_of(columns.begin(), columns.end(),
                              [&](const std::string& c) { return SameName(c, alias); });
    if (hidden) continue;
    if (TryPrepare(source,
                   fmt::format("SELECT {} FROM main.{}", alias, nrx::detail::QuoteName(table)))) {
      return alias;
    }
    return {};
  }
  return {};
}

std::string JoinQuoted(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& n : names) out += (out.empty() ? "" : ", ") + nrx::detail::QuoteName(n);
  return out;
}

// The row ids that the table's indexes list, read from the indexes alone: they name rows that
// a scan of the table may have jumped over along with a damaged stretch.
std::vector<long long> RowIdsInIndexes(sqlite3* source, const std::string& table,
                                       const std::string& rowid,
                                       const std::vector<std::string>& indexes, std::size_t most) {
  std::vector<long long> ids;
  for (const auto& index : indexes) {
    Stmt stmt = TryPrepare(
        source, fmt::format("SELECT {} FROM main.{} INDEXED BY {}", rowid,
                            nrx::detail::QuoteName(table), nrx::detail::QuoteName(index)));
    if (!stmt) continue;
    for (std::size_t seen = 0; seen < most && StepSource(stmt.get()) == Outcome::kRow; ++seen)
      ids.push_back(sqlite3_column_int64(stmt.get(), 0));
  }
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

bool CopyRows(sqlite3* source, sqlite3* target, const std::string& table,
              const std::vector<std::string>& indexes, std::size_t most, const std::string& name) {
  std::vector<std::string> columns = ColumnsOf(source, table);
  // Columns go by position: an engine table made anew from its own definition keeps its
  // columns' order even where the damaged definition misspells a name.
  std::vector<std::string> target_columns = ColumnsOf(target, table);
  columns.resize(std::min(columns.size(), target_columns.size()));
  target_columns.resize(columns.size());
  if (columns.empty()) return true;
  std::string rowid = RowIdName(source, table, columns);
  std::string list = JoinQuoted(columns);
  std::string target_list = JoinQuoted(target_columns);
  if (!rowid.empty()) {
    list = rowid + ", " + list;
    target_list = "rowid, " + target_list;
  }
  std::string placeholders;
  int count = static_cast<int>(columns.size()) + (rowid.empty() ? 0 : 1);
  for (int i = 1; i <= count; ++i) placeholders += fmt::format("{}?{}", i > 1 ? ", " : "", i);

  // OR IGNORE: a row that breaks a constraint of its table is damage too, not a reason to stop.
  Stmt insert =
      TryPrepare(target, fmt::format("INSERT OR IGNORE INTO main.{} ({}) VALUES ({})",
                                     nrx::detail::QuoteName(table), target_list, placeholders));
  if (!insert) RaiseTarget(target, name);
  auto copy = [&](sqlite3_stmt* row) {
    sqlite3_reset(insert.get());
    for (int i = 0; i < count; ++i) {
      sqlite3_bind_value(insert.get(), i + 1, sqlite3_column_value(row, i));
    }
    if (sqlite3_step(insert.get()) != SQLITE_DONE) RaiseTarget(target, name);
  };
  std::string select = fmt::format("SELECT {} FROM main.{}", list, nrx::detail::QuoteName(table));
  std::vector<long long> copied;  // ascending: the scan goes in row id order
  bool damaged = ScanReadableRows(source, select, rowid, most, [&](sqlite3_stmt* row) {
    if (!rowid.empty()) copied.push_back(sqlite3_column_int64(row, 0));
    copy(row);
  });
  if (!damaged || rowid.empty()) return damaged;

  Stmt lookup = TryPrepare(source, fmt::format("{} WHERE {} = ?1", select, rowid));
  if (!lookup) return true;
  for (long long id : RowIdsInIndexes(source, table, rowid, indexes, most)) {
    if (std::binary_search(copied.begin(), copied.end(), id)) continue;
    sqlite3_reset(lookup.get());
    sqlite3_bind_int64(lookup.get(), 1, id);
    if (StepSource(lookup.get()) == Outcome::kRow) copy(lookup.get());
  }
  return true;
}

}  // namespace

std::string TextAt(sqlite3_stmt* stmt, int column) {
  const auto* text = sqlite3_column_text(stmt, column);
  return text ? reinterpret_cast<const char*>(text) : "";
}

bool ScanReadableRows(sqlite3* db, const std::string& select, const std::string& rowid,
                      std::size_t most, const std::function<void(sqlite3_stmt*)>& visit) {
  if (rowid.empty()) return ScanInOnePass(db, select, most, visit);
  std::string ordered = fmt::format("{} WHERE {} >= ?1 ORDER BY {}", select, rowid, rowid);
  Stmt scan = TryPrepare(db, ordered);
  Stmt probe = TryPrepare(db, ordered + " LIMIT 1");
  if (!scan || !probe) return true;

  bool damaged = false;
  long long next = kFirstRowId;
  for (std::size_t seen = 0;;) {
    sqlite3_reset(scan.get());
    sqlite3_bind_int64(scan.get(), 1, next);
    Outcome outcome;
    while ((outcome = StepSource(scan.get())) == Outcome::kRow) {
      long long id = sqlite3_column_int64(scan.get(), 0);
      if (seen++ == most) return true;
      if (id < next) {
        outcome = Outcome::kDamaged;  // the tree led back: seek past what was read instead
        break;
      }
      visit(scan.get());
      if (id == kLastRowId) return damaged;
      next = id + 1;
    }
    if (outcome == Outcome::kEnd) return damaged;
    // The row at or after `next` cannot be read: look for where reading works again.
    damaged = true;
    std::optional<long long> resume = FindResume(probe.get(), next);
    if (!resume) return damaged;
    next = *resume;
  }
}

void CopyReadable(sqlite3* source, sqlite3* target, const std::string& name,
                  std::vector<std::string>& losses) {
  // Lets SQLite load what it can of a damaged schema, and read a file cut short up to its
  // end instead of refusing it.
  sqlite3_exec(source, "PRAGMA writable_schema = ON", nullptr, nullptr, nullptr);
  bool damaged = false;
  const std::size_t most = MostRows(source);
  std::vector<SchemaEntry> schema = ReadSchema(source, most, damaged);
  if (schema.empty() && damaged) Raise(err::kNotADatabase, kSource, name);
  if (damaged) {
    losses.push_back("Part of the list of tables could not be read: any table listed there is lost.");
  }

  CopyFileSettings(source, target, name);
  ExecTarget(target, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN", name);
  // The engine's own tables are made from their one true definition, whatever the damaged
  // file says of them: a definition changed by damage would make the job unreadable.
  const bool engine_file = IsEngineFile(schema);
  if (engine_file) ExecTarget(target, nrx::detail::SystemTablesSql(), name);
  for (const auto& entry : schema) {
    if (entry.type == "table" && !IsInternal(entry.name) && !IsVirtual(entry.sql) &&
        !TargetHasTable(target, entry.name) && !TryDefine(target, entry.sql, name)) {
      losses.push_back(fmt::format("Table '{}' could not be made again: its rows are lost.",
                                   entry.name));
    }
  }
  // Internal tables such as sqlite_sequence come into being with the tables that use them.
  for (const auto& entry : schema) {
    if (entry.type == "table" && TargetHasTable(target, entry.name) &&
        CopyRows(source, target, entry.name, IndexesOf(schema, entry.name), most, name) &&
        !IsInternal(entry.name)) {
      losses.push_back(fmt::format(
          "Table '{}': rows on damaged pages could not be read and are lost.", entry.name));
    }
  }
  // Indexes after the rows (a unique index the salvaged rows break is left out), triggers
  // last so that they do not fire on the copy.
  for (const char* type : {"index", "view", "trigger"}) {
    for (const auto& entry : schema) {
      // The engine's own indexes came with its tables' one true definition.
      if (entry.type == type && !entry.sql.empty() && !TargetHas(target, type, entry.name) &&
          !TryDefine(target, entry.sql, name)) {
        losses.push_back(fmt::format("The {} '{}' could not be made again.", type, entry.name));
      }
    }
  }
  if (engine_file) ReconcileIndexes(target);
  CopyHeaderNumbers(source, target, name);
  ExecTarget(target, "COMMIT", name);
}

}  // namespace nrx::files::detail
