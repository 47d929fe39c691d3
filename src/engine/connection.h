#pragma once
// One open job file: the SQLite handle, its advisory lock, prepared statements and the
// savepoints of the workspace's transactions. Nothing above the engine sees this type.

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/file_vfs.h"
#include "engine/lru_cache.h"
#include "nrxJobDb/errors.h"

namespace nrx::detail {

// Raises the engine error that a SQLite result code stands for (3049 damaged, 3043 I/O,
// 3027 read-only, 3022 duplicate, 3314 Null in a required field, ...).
[[noreturn]] void RaiseSqlite(sqlite3* db, int rc, std::string_view source,
                              std::string_view object = {});

// The engine number for a SQLite result code.
int EngineNumberFor(int rc);

// Quotes an identifier for SQLite: "name" with inner quotes doubled.
std::string QuoteName(std::string_view name);
// Quotes a text literal for SQLite: 'text' with inner quotes doubled.
std::string QuoteText(std::string_view text);

struct SchemaCache;  // defined by the schema store

struct StmtDeleter {
  void operator()(sqlite3_stmt* stmt) const noexcept { sqlite3_finalize(stmt); }
};

// A prepared statement with bind and column helpers. Reset on every Step cycle by its user.
class Statement {
 public:
  Statement() = default;
  Statement(sqlite3* db, sqlite3_stmt* stmt, std::string_view source)
      : db_(db), stmt_(stmt), source_(source) {}

  sqlite3_stmt* Get() const { return stmt_.get(); }
  explicit operator bool() const { return stmt_ != nullptr; }

  Statement& Bind(int index, std::string_view text);
  Statement& Bind(int index, std::int64_t value);
  Statement& Bind(int index, double value);
  Statement& BindNull(int index);
  // True while a row is available; raises the mapped error on failure.
  bool Step();
  void Reset();
  std::string Text(int column) const;
  std::int64_t Int(int column) const;
  bool IsNull(int column) const;

 private:
  sqlite3* db_ = nullptr;
  std::unique_ptr<sqlite3_stmt, StmtDeleter> stmt_;
  std::string_view source_;
};

// An object that keeps statements of a connection running between calls, as a recordset does
// while it reads its records lazily. SQLite refuses to drop a table or an index while any
// statement of the connection runs, and a rollback that undoes a change of table definitions
// aborts the statements still running; the connection asks its holders to finish them first.
class StatementHolder {
 public:
  virtual ~StatementHolder() = default;
  // Finishes or drops every statement the holder keeps running, keeping what it has read.
  virtual void ReleaseStatements() noexcept = 0;
};

struct OpenOptions {
  bool exclusive = false;
  bool read_only = false;
  bool create = false;
  bool encrypted = false;  // only for create: an existing file's kind is probed
  bool refuse_network = false;  // refuse even an exclusive open on a network file system
  // The password of a sealed file (";PWD=" of the connect string); creating with one seals
  // the file under it. Empty: the engine's key.
  std::string password;
  // The engine's default password: used for a file that has a password when `password` is
  // empty, ignored by a file without one.
  std::string fallback_password;
};

class Connection {
 public:
  // Opens (or creates) a job file; see Workspace::OpenDatabase for the errors.
  static std::shared_ptr<Connection> Open(const std::string& path, const OpenOptions& options);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  sqlite3* Handle() const { return db_; }
  const std::string& Path() const { return path_; }
  bool ReadOnly() const { return read_only_; }
  bool Exclusive() const { return exclusive_; }
  bool Encrypted() const { return stream_ || key_ != nullptr; }
  bool HasPassword() const;
  bool IsOpen() const { return db_ != nullptr; }
  bool OnNetworkFileSystem() const { return network_; }
  // Where a hot journal of another file found beside the job was moved; "" when none was.
  const std::string& ForeignJournal() const { return foreign_journal_; }

  // Raises 3420 when closed.
  void CheckOpen(std::string_view source) const;
  // Raises 3027 when the file was opened read-only (and 3420 when closed).
  void CheckWritable(std::string_view source) const;

  void Exec(std::string_view sql, std::string_view source);
  Statement Prepare(std::string_view sql, std::string_view source) const;
  // A statement kept prepared while it is among the kMostCached used last; reset before it is
  // handed out. Use it at once: the reference lasts until that many other texts are asked for.
  static constexpr std::size_t kMostCached = 64;
  Statement& Cached(const std::string& sql, std::string_view source);
  std::size_t CachedCount() const { return cache_.Size(); }

  // Savepoints that mirror the workspace's transaction levels. A refused release (3045: the
  // file is busy) keeps the level, to be released again or rolled back; a rollback always ends
  // the level, raising afterwards if SQLite reported trouble.
  int SavepointDepth() const { return savepoint_depth_; }
  void PushSavepoint();
  void ReleaseSavepoint();
  void RollbackSavepoint();
  // The statement that begins a transaction on this connection.
  std::string BeginStatement() const;
  // Rolls back whatever transaction is open and forgets every level; for closing and for units
  // of work outside any level.
  void RollbackAll() noexcept;

  // Holders are registered while they live; the connection does not own them.
  void AddHolder(StatementHolder* holder);
  void RemoveHolder(StatementHolder* holder);
  // Has every holder finish its statements and resets any other statement still running, so
  // that a table or an index can be dropped or a change of definitions rolled back.
  void ReleaseStatements() noexcept;

  // What the connection counts of each table's records (by name, without regard to case). A
  // table's counters stay at the same address for the connection's life.
  struct TableCounters {
    // Changes of the records, so that a recordset can tell whether values it read are still
    // those stored.
    std::uint64_t version = 0;
    // The highest row id the table has had; -1 until read.
    std::int64_t highest_rowid = -1;
    // Records may have been deleted since, so that SQLite could give a row id again.
    bool may_reuse_rowid = false;
    // Dynasets whose statement still reads the table's records: they keep the records they
    // selected, so they read the rest before the table changes.
    std::vector<StatementHolder*> readers;
  };
  TableCounters& Counters(std::string_view table);
  std::uint64_t* DataVersion(std::string_view table) { return &Counters(table).version; }
  void NoteWrite(std::string_view table) { ++*DataVersion(table); }
  // Every table's records may have changed (a rollback).
  void NoteWriteAll();
  // Called before the table's records change.
  void BeforeWrite(TableCounters& counters) {
    if (!counters.readers.empty()) ReleaseReaders(counters);
  }
  // SQLite gives a new record the row id of the last record when that one was deleted, while
  // a dynaset may still list the deleted record by it. After a deletion the engine's own
  // additions take a row id above every one the table has had: the highest is read before the
  // first deletion.
  std::int64_t HighestRowId(TableCounters& counters, std::string_view table);
  // Called before records of the table may be deleted.
  void BeforeDelete(TableCounters& counters, std::string_view table) {
    HighestRowId(counters, table);
    counters.may_reuse_rowid = true;
  }

  // Counts every change of table definitions, so cached definitions can tell they are stale.
  std::uint64_t SchemaGeneration() const { return schema_generation_; }
  void BumpSchemaGeneration() { ++schema_generation_; }

  // The schema store's memory of the file's tables, indexes and field properties, so that
  // reading definitions does not scan SQLite's schema table; dropped whenever work is undone.
  SchemaCache& Cache();
  void ForgetSchema();

  // Rolls back whatever is pending and closes the file; idempotent.
  void Close() noexcept;

  // Writes the whole job anew, sealed under `newPassword` (the engine's key when empty), and
  // puts it in place of the file by one rename: whenever the process stops, the job opens
  // with the old password or the new one. Needs the file open exclusively and writable, with
  // no transaction pending and no statement running. Raises 3031 when `oldPassword` is not the
  // job's (empty for a job without one), 3045 when the file is shared or busy, 3027 when
  // read-only, 3043 when the new file cannot be written.
  void Rekey(std::string_view oldPassword, std::string_view newPassword);

  // Every problem the file has, as sentences: each page that does not open under the job's
  // key (any page of the file, used or free), then what SQLite's integrity check finds.
  // Empty for a sound file.
  std::vector<std::string> Verify(std::size_t most);

 private:
  Connection() = default;
  sqlite3* db_ = nullptr;
  std::unique_ptr<files::FileLock> lock_;
  std::string path_;
  bool read_only_ = false;
  bool exclusive_ = false;
  bool stream_ = false;  // the earlier encrypted format
  std::unique_ptr<files::SealKey> key_;  // a sealed file's key; outlives the SQLite handle
  bool network_ = false;
  std::string foreign_journal_;
  int savepoint_depth_ = 0;
  std::vector<std::uint64_t> savepoint_generations_;  // the schema generation at each savepoint
  std::uint64_t schema_generation_ = 0;
  std::vector<StatementHolder*> holders_;
  std::unordered_map<std::string, TableCounters> counters_;  // by upper-case table name
  LruCache<Statement> cache_{kMostCached};
  std::unique_ptr<SchemaCache> schema_cache_;

  void OpenHandle(bool create);
  void Configure();
  void StampIdentity();
  void ForgetLostTransaction();
  void ReleaseReaders(TableCounters& counters);
};

// Runs a group of engine statements as one unit inside whatever transaction is pending: on
// destruction without Commit() everything since construction is undone.
class ScopedSavepoint {
 public:
  ScopedSavepoint(Connection& conn, std::string_view source);
  ~ScopedSavepoint();
  void Commit();

 private:
  Connection& conn_;
  std::string_view source_;
  std::uint64_t generation_;
  bool outermost_;  // no transaction was open: the unit is one
  bool done_ = false;
};

namespace testing {
// Makes connections opened from now on wait `ms` for a file another process keeps busy, in place
// of the engine's own wait; 0 puts that back. For tests only: a refusal then comes in moments.
void OverrideBusyTimeout(int ms);
}  // namespace testing

}  // namespace nrx::detail
