#pragma once
// Reading what is left of a damaged database: every row SQLite can still decode, table by
// table, into a fresh database. The file handling around it lives in repair.cpp.

#include <sqlite3.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace nrx::files::detail {

// A text column of the current row; "" for Null.
std::string TextAt(sqlite3_stmt* stmt, int column);

// Calls `visit` with every row of `select` ("SELECT <rowid>, <columns> FROM <table>") that can
// be read, in row id order, with the row id in column 0. A damaged stretch of the table is
// stepped over: later rows are found again by seeking past it. `rowid` names the row id in the
// selection; empty for a table without one, which is read in one pass up to its first
// damage. A damaged tree can lead back into itself: a row id that does not rise counts as
// damage, and no more than `most` rows are visited. Returns true when damage was met.
bool ScanReadableRows(sqlite3* db, const std::string& select, const std::string& rowid,
                      std::size_t most, const std::function<void(sqlite3_stmt*)>& visit);

// Copies every readable definition and row of `source` into the empty database `target`:
// tables (with their original SQL and row ids), then their rows, then indexes, views and
// triggers; definitions that no longer parse or apply are left out. Each thing not saved whole
// (a table, the rows of a damaged stretch, an index) gets a sentence in `losses`. Raises 3049
// when nothing can be read (not even the schema), 3043 when `target` cannot be written. `name`
// is the damaged file's name for messages.
void CopyReadable(sqlite3* source, sqlite3* target, const std::string& name,
                  std::vector<std::string>& losses);

// Makes the engine's index records in `target` and SQLite's indexes agree after a salvage: an
// index whose record survived is built again (the record goes when it cannot be), and an index
// without a record gets one made from it. Does nothing to a file without the engine's tables.
void ReconcileIndexes(sqlite3* target);

}  // namespace nrx::files::detail
