#pragma once
// Reading what is left of a damaged database: every row SQLite can still decode, table by
// table, into a fresh database. The file handling around it lives in repair.cpp.

#include <sqlite3.h>

#include <functional>
#include <string>

namespace nrx::files::detail {

// Calls `visit` with every row of `select` ("SELECT <rowid>, <columns> FROM <table>") that can
// be read, in row id order, with the row id in column 0. A damaged stretch of the table is
// stepped over: later rows are found again by seeking past it. `rowid` names the row id in the
// selection; empty for a table without one, which is read in one pass up to its first
// damage. Returns true when damage was met.
bool ScanReadableRows(sqlite3* db, const std::string& select, const std::string& rowid,
                      const std::function<void(sqlite3_stmt*)>& visit);

// Copies every readable definition and row of `source` into the empty database `target`:
// tables (with their original SQL and row ids), then their rows, then indexes, views and
// triggers; definitions that no longer parse or apply are left out. Raises 3049 when nothing
// can be read (not even the schema), 3043 when `target` cannot be written. `name` is the
// damaged file's name for messages.
void CopyReadable(sqlite3* source, sqlite3* target, const std::string& name);

}  // namespace nrx::files::detail
