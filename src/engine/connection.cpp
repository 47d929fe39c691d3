#include "engine/connection.h"

#include <fmt/format.h>

#include <atomic>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "engine/dialect.h"
#include "engine/file_upgrade.h"
#include "engine/page_cipher.h"
#include "engine/sealed_file.h"
#include "engine/schema_store.h"

namespace nrx::detail {
namespace {

constexpr std::string_view kSource = "nrxEngine.Database";

std::string SavepointName(int depth) { return fmt::format("nrx_t{}", depth); }

// How long a statement waits for a file another process is busy with before the engine gives
// up with 3045. Another process's commit holds the file for a fraction of a second on a local
// disk and seldom more than a second or two on a slow share, and a reader's short look takes
// less; five seconds covers those with room to spare, while a user whose commit waits on
// someone who keeps the file open for good hears about it before thinking the program hung.
constexpr int kBusyTimeoutMs = 5000;
std::atomic<int> busy_timeout_override{0};

[[noreturn]] void RaiseBusy(std::string_view source) {
  RaiseText(err::kFileInUse, std::string(source),
            fmt::format("The file is in use by another user, who kept it busy for longer than "
                        "the {} seconds the engine waits; try again when they are done.",
                        kBusyTimeoutMs / 1000));
}

}  // namespace

int EngineNumberFor(int rc) {
  switch (rc & 0xff) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return err::kNotADatabase;
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_CANTOPEN:
    case SQLITE_PROTOCOL:
      return err::kDiskError;
    case SQLITE_READONLY:
    case SQLITE_PERM:
      return err::kReadOnly;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return err::kFileInUse;
    case SQLITE_NOMEM:
      return err::kOutOfMemory;
    case SQLITE_TOOBIG:
      return err::kValueTooLong;
    case SQLITE_CONSTRAINT:
      if (rc == SQLITE_CONSTRAINT_NOTNULL) return err::kNullInRequired;
      return err::kDuplicateKey;
    case SQLITE_MISMATCH:
      return err::kCannotConvert;
    default:
      return err::kSyntaxError;
  }
}

void RaiseSqlite(sqlite3* db, int rc, std::string_view source, std::string_view object) {
  int number = EngineNumberFor(rc);
  if ((rc & 0xff) == SQLITE_BUSY) RaiseBusy(source);
  // A sealed page that did not open reached SQLite as corruption: name the page.
  if (auto failure = files::TakeSealFailure(); failure && number == err::kNotADatabase) {
    throw Error(number, std::string(source),
                files::UnopenablePageText(failure->file, failure->page,
                                          failure->journal));
  }
  std::string detail = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  // A function of the dialect that failed inside a statement names its own number.
  if (int own = dialect::FunctionErrorNumber(detail); own != 0)
    throw Error(own, std::string(source), detail.substr(detail.find(' ') + 1));
  std::string text(ErrorText(number));
  if (!object.empty()) {
    text.pop_back();
    text = fmt::format("{}: '{}'.", text, object);
  }
  // Keep the storage layer's own words for the cases our sentence cannot explain.
  if (number == err::kSyntaxError || number == err::kDiskError) text += " (" + detail + ")";
  throw Error(number, std::string(source), std::move(text));
}

namespace {

// `text` between two `quote` marks, each mark inside it doubled.
std::string Quoted(std::string_view text, char quote) {
  std::string out(1, quote);
  for (char c : text) {
    if (c == quote) out += quote;
    out += c;
  }
  return out + quote;
}

}  // namespace

std::string QuoteName(std::string_view name) { return Quoted(name, '"'); }

std::string QuoteText(std::string_view text) { return Quoted(text, '\''); }

Statement& Statement::Bind(int index, std::string_view text) {
  sqlite3_bind_text(stmt_.get(), index, text.data(), static_cast<int>(text.size()),
                    SQLITE_TRANSIENT);
  return *this;
}
Statement& Statement::Bind(int index, std::int64_t value) {
  sqlite3_bind_int64(stmt_.get(), index, value);
  return *this;
}
Statement& Statement::Bind(int index, double value) {
  sqlite3_bind_double(stmt_.get(), index, value);
  return *this;
}
Statement& Statement::BindNull(int index) {
  sqlite3_bind_null(stmt_.get(), index);
  return *this;
}

bool Statement::Step() {
  int rc = sqlite3_step(stmt_.get());
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  rc = sqlite3_extended_errcode(db_);
  sqlite3_reset(stmt_.get());
  RaiseSqlite(db_, rc, source_);
}

void Statement::Reset() {
  sqlite3_reset(stmt_.get());
  sqlite3_clear_bindings(stmt_.get());
}

std::string Statement::Text(int column) const {
  const auto* p = sqlite3_column_text(stmt_.get(), column);
  if (!p) return {};
  return std::string(reinterpret_cast<const char*>(p),
                     static_cast<size_t>(sqlite3_column_bytes(stmt_.get(), column)));
}
std::int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_.get(), column); }
bool Statement::IsNull(int column) const {
  return sqlite3_column_type(stmt_.get(), column) == SQLITE_NULL;
}

std::shared_ptr<Connection> Connection::Open(const std::string& path, const OpenOptions& options) {
  namespace fs = std::filesystem;
  std::shared_ptr<Connection> conn(new Connection());
  conn->path_ = path;
  conn->read_only_ = options.read_only && !options.create;
  conn->exclusive_ = options.exclusive;
  conn->network_ = files::OnNetworkFileSystem(path);
  // Sharing a job needs locks that every machine sees; on a network file system they may hold
  // on this machine only, and two users could write the job at once. 3043, the engine's "disk
  // or network error", names the cause; 3045 would tell the user to wait for someone who is
  // not there. An exclusive open goes on: the caller can ask OnNetworkFileSystem and warn; so
  // does creating a job, which nobody else can know of yet.
  if (conn->network_ && (!options.exclusive || options.refuse_network) && !options.create) {
    RaiseText(err::kDiskError, std::string(kSource),
              fmt::format("'{}' lies on a network file system, whose locks cannot keep other "
                          "users out; {}",
                          path,
                          options.exclusive ? "copy it to a local disk to work on it."
                                            : "open it exclusively, or copy it to a local disk "
                                              "to share it."));
  }
  std::error_code ec;
  bool sealed = false;
  if (options.create) {
    if (fs::exists(path, ec)) Raise(err::kDatabaseExists, kSource, path);
    sealed = options.encrypted || !options.password.empty();
  } else {
    files::FileKind kind = files::Probe(path);
    if (kind == files::FileKind::Encrypted && !conn->read_only_ && files::UpgradeStreamFile(path))
      kind = files::Probe(path);
    switch (kind) {
      case files::FileKind::Missing: Raise(err::kFileMissing, kSource, path);
      case files::FileKind::Empty:
      case files::FileKind::Jet:
      case files::FileKind::Unknown: Raise(err::kNotADatabase, kSource, path);
      case files::FileKind::Unreadable: Raise(err::kDiskError, kSource, path);
      case files::FileKind::Encrypted: conn->stream_ = true; break;
      case files::FileKind::Sealed: sealed = true; break;
      case files::FileKind::Plain: break;
    }
    // A job without a password must not pass for one that has it.
    if (!sealed && !options.password.empty())
      RaiseText(err::kNotValidPassword, std::string(kSource),
                fmt::format("Not a valid password: '{}' has no password.", path));
  }
  if (options.create && sealed) {
    const std::string& password =
        options.password.empty() ? options.fallback_password : options.password;
    auto source = password.empty() ? files::KeySource::Engine : files::KeySource::Password;
    conn->key_ = std::make_unique<files::SealKey>(
        files::PageCipher::Make(files::SealHeader::Fresh(source), password));
  }
  if (!options.create) {
    conn->lock_ = files::FileLock::Acquire(path, options.exclusive);
    if (sealed)
      conn->key_ = std::make_unique<files::SealKey>(files::UnlockSealedFile(path, options.password, options.fallback_password));
    // Before SQLite reads anything: it would play a hot journal back at once.
    conn->foreign_journal_ = files::SetAsideForeignJournal(
        path, files::FileCipher{conn->stream_, conn->key_ ? &conn->key_->Cipher() : nullptr});
  }
  conn->OpenHandle(options.create);
  if (options.create) conn->lock_ = files::FileLock::Acquire(path, options.exclusive);
  conn->Configure();
  if (options.create) conn->StampIdentity();
  return conn;
}

void Connection::OpenHandle(bool create) {
  // A connection serves one thread at a time, as every engine object does, so SQLite's
  // per-call connection mutex would only cost time.
  int flags = SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX |
              (read_only_ ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
  if (create) flags |= SQLITE_OPEN_CREATE;
  std::string uri = key_ ? files::MakeSealedUri(path_, *key_, read_only_)
                         : files::MakeUri(path_, stream_, read_only_);
  int rc = sqlite3_open_v2(uri.c_str(), &db_, flags, files::VfsName());
  if (rc != SQLITE_OK) {
    int number = EngineNumberFor(rc);
    sqlite3_close_v2(db_);
    db_ = nullptr;
    Raise(number == err::kSyntaxError ? err::kDiskError : number, kSource, path_);
  }
  if (create && key_) files::ReserveSealRoom(db_);
}

void Connection::Configure() {
  sqlite3_extended_result_codes(db_, 1);
  // Set first: even reading the schema below waits while another process commits.
  const int override_ms = busy_timeout_override.load();
  sqlite3_busy_timeout(db_, override_ms > 0 ? override_ms : kBusyTimeoutMs);
  // A double-quoted name that is no column must be an error, not quietly a text.
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
  dialect::RegisterFunctions(db_);
  // Reading the schema proves the file is a sound database before anyone relies on it;
  // SQLite reports a file cut short as corrupt here.
  Exec("PRAGMA temp_store=MEMORY", kSource);
  try {
    Exec("SELECT count(*) FROM sqlite_master", kSource);
  } catch (const Error& e) {
    // A schema format SQLite does not know reaches here as a plain error, yet the file is as
    // unreadable as a corrupt one.
    if (e.Number() == err::kSyntaxError) Raise(err::kNotADatabase, kSource, path_);
    throw;
  }
  if (!read_only_) {
    // A job file must be one self-contained file after every commit: no write-ahead log.
    Exec("PRAGMA journal_mode=DELETE", kSource);
    if (exclusive_) Exec("PRAGMA locking_mode=EXCLUSIVE", kSource);
  }
  Exec("PRAGMA cache_size=-16384", kSource);
}

bool Connection::HasPassword() const {
  return key_ && key_->Cipher().Header().source == files::KeySource::Password;
}

void Connection::Rekey(std::string_view oldPassword, std::string_view newPassword) {
  CheckWritable(kSource);
  if (!exclusive_ || savepoint_depth_ > 0 || !sqlite3_get_autocommit(db_))
    RaiseText(err::kFileInUse, std::string(kSource),
              fmt::format("'{}' must be open exclusively, with no transaction pending, to change "
                          "its password.",
                          path_));
  const files::PageCipher* current = key_ ? &key_->Cipher() : nullptr;
  if (current != nullptr && current->Header().source == files::KeySource::Password) {
    if (!files::PageCipher::Make(current->Header(), oldPassword)->SameKey(*current))
      Raise(err::kNotValidPassword, kSource, path_);
  } else if (!oldPassword.empty()) {
    Raise(err::kNotValidPassword, kSource, path_);
  }
  auto source = newPassword.empty() ? files::KeySource::Engine : files::KeySource::Password;
  auto next = std::make_unique<files::SealKey>(
      files::PageCipher::Make(files::SealHeader::Fresh(source), newPassword));
  const std::string written = path_ + ".rekey";
  ReleaseStatements();
  files::CopySealed(db_, written, *next);
  // Locked before it takes the job's name (the lock follows the file, not the name), so that
  // nobody else can open the new file before this connection has it again.
  auto lock = files::FileLock::Acquire(written, true);
  cache_.Clear();
  sqlite3_close_v2(db_);
  db_ = nullptr;
  try {
    files::PutInPlace(written, path_);
  } catch (...) {
    OpenHandle(false);
    Configure();
    throw;
  }
  lock_ = std::move(lock);
  key_ = std::move(next);
  stream_ = false;
  OpenHandle(false);
  Configure();
  ForgetSchema();
  NoteWriteAll();
}

std::vector<std::string> Connection::Verify(std::size_t most) {
  CheckOpen(kSource);
  std::vector<std::string> problems;
  if (key_) problems = files::UnopenablePages(path_, key_->Cipher(), most);
  // SQLite's check would only stop at the first page already reported.
  if (!problems.empty()) return problems;
  try {
    auto st = Prepare(fmt::format("PRAGMA integrity_check({})", most), kSource);
    while (st.Step()) {
      if (std::string line = st.Text(0); line != "ok") problems.push_back(std::move(line));
    }
  } catch (const Error& e) {
    problems.push_back(e.Description());
  }
  return problems;
}

// A random application id tells this job's journals from those of every other job, copies of
// it made later included once either has committed (see SetAsideForeignJournal).
void Connection::StampIdentity() {
  std::int32_t id = 0;
  while (id == 0) sqlite3_randomness(sizeof(id), &id);
  Exec(fmt::format("PRAGMA application_id={}", id), kSource);
}

Connection::~Connection() { Close(); }

void Connection::Close() noexcept {
  if (!db_) return;
  cache_.Clear();
  schema_cache_.reset();
  RollbackAll();
  sqlite3_close_v2(db_);
  db_ = nullptr;
  // Only now: releasing the lock closes a descriptor of the file, which would drop SQLite's
  // own POSIX locks if SQLite still had it open.
  lock_.reset();
}

void Connection::CheckOpen(std::string_view source) const {
  if (!db_) Raise(err::kObjectClosed, source, path_);
}

void Connection::CheckWritable(std::string_view source) const {
  CheckOpen(source);
  if (read_only_) Raise(err::kReadOnly, source, path_);
}

void Connection::Exec(std::string_view sql, std::string_view source) {
  CheckOpen(source);
  std::string text(sql);
  char* message = nullptr;
  int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &message);
  sqlite3_free(message);
  if (rc != SQLITE_OK) RaiseSqlite(db_, sqlite3_extended_errcode(db_), source);
}

Statement Connection::Prepare(std::string_view sql, std::string_view source) const {
  CheckOpen(source);
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &stmt, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(stmt);
    RaiseSqlite(db_, sqlite3_extended_errcode(db_), source);
  }
  return Statement(db_, stmt, source);
}

Statement& Connection::Cached(const std::string& sql, std::string_view source) {
  Statement& statement = cache_.GetOrMake(sql, [&] { return Prepare(sql, source); });
  statement.Reset();
  return statement;
}

SchemaCache& Connection::Cache() {
  if (!schema_cache_) schema_cache_ = std::make_unique<SchemaCache>();
  return *schema_cache_;
}

void Connection::ForgetSchema() {
  schema_cache_.reset();
  BumpSchemaGeneration();
}

// The outermost level is a real transaction, begun IMMEDIATE on a writable file: it takes the
// write lock at once, waiting while another process has it, instead of reading under a shared
// lock first and then finding the write lock taken, which SQLite reports at once without
// waiting (two writers would each wait on the other). Inner levels are savepoints.
std::string Connection::BeginStatement() const { return read_only_ ? "BEGIN" : "BEGIN IMMEDIATE"; }

void Connection::PushSavepoint() {
  Exec(savepoint_depth_ == 0 ? BeginStatement() : "SAVEPOINT " + SavepointName(savepoint_depth_ + 1),
       kSource);
  savepoint_generations_.push_back(schema_generation_);
  ++savepoint_depth_;
}

void Connection::ReleaseSavepoint() {
  try {
    // COMMIT refused because another process reads the file leaves the transaction open, and a
    // later COMMIT can succeed: the depth stays.
    Exec(savepoint_depth_ == 1 ? std::string("COMMIT") : "RELEASE " + SavepointName(savepoint_depth_),
         kSource);
  } catch (...) {
    ForgetLostTransaction();
    throw;
  }
  savepoint_generations_.pop_back();
  --savepoint_depth_;
}

void Connection::RollbackSavepoint() {
  // Undoing a change of definitions aborts every statement still running.
  if (savepoint_generations_.back() != schema_generation_) ReleaseStatements();
  for (auto& [table, counters] : counters_) BeforeWrite(counters);
  // ROLLBACK needs no lock the connection does not have, so it ends the transaction even after
  // a refused commit left it waiting for the write lock; ROLLBACK TO and RELEASE of the
  // outermost savepoint would have to commit (empty) and be refused again.
  int failure = SQLITE_OK;
  auto run = [&](const std::string& sql) {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK && failure == SQLITE_OK)
      failure = sqlite3_extended_errcode(db_);
  };
  if (savepoint_depth_ == 1) {
    run("ROLLBACK");
  } else {
    run("ROLLBACK TO " + SavepointName(savepoint_depth_));
    run("RELEASE " + SavepointName(savepoint_depth_));
  }
  // The level ends whatever SQLite said: what it could not undo of an inner level stays in the
  // outer one, which the caller can still roll back.
  savepoint_generations_.pop_back();
  --savepoint_depth_;
  ForgetLostTransaction();
  // Records and table definitions may have come or gone with the rolled-back work.
  NoteWriteAll();
  ForgetSchema();
  if (failure != SQLITE_OK) RaiseSqlite(db_, failure, kSource);
}

void Connection::ForgetLostTransaction() {
  // SQLite rolls a whole transaction back on its own after some failures (a full disk, an I/O
  // error); then no level of it is pending any more.
  if (savepoint_depth_ == 0 || !sqlite3_get_autocommit(db_)) return;
  savepoint_depth_ = 0;
  savepoint_generations_.clear();
  NoteWriteAll();
  ForgetSchema();
}

void Connection::RollbackAll() noexcept {
  if (db_ && !sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  savepoint_depth_ = 0;
  savepoint_generations_.clear();
}

Connection::TableCounters& Connection::Counters(std::string_view table) {
  std::string key(table);
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return counters_[key];
}

void Connection::NoteWriteAll() {
  for (auto& [table, counters] : counters_) {
    ++counters.version;
    counters.may_reuse_rowid = true;  // records added in the undone work are gone
  }
}

void Connection::ReleaseReaders(TableCounters& counters) {
  auto readers = counters.readers;  // each leaves the list as it finishes
  for (auto* reader : readers) reader->ReleaseStatements();
}

std::int64_t Connection::HighestRowId(TableCounters& counters, std::string_view table) {
  if (counters.highest_rowid < 0) {
    auto& st = Cached("SELECT max(rowid) FROM " + QuoteName(table), kSource);
    st.Step();
    counters.highest_rowid = st.Int(0);  // 0 for an empty table
    st.Reset();
  }
  return counters.highest_rowid;
}

void Connection::AddHolder(StatementHolder* holder) { holders_.push_back(holder); }

void Connection::RemoveHolder(StatementHolder* holder) { std::erase(holders_, holder); }

void Connection::ReleaseStatements() noexcept {
  for (auto* holder : holders_) holder->ReleaseStatements();
  if (!db_) return;
  for (sqlite3_stmt* st = sqlite3_next_stmt(db_, nullptr); st; st = sqlite3_next_stmt(db_, st))
    if (sqlite3_stmt_busy(st)) sqlite3_reset(st);
}

// Outside any transaction the unit is a transaction of its own, begun as the workspace's are;
// its commit may be refused, and then it is rolled back whole, never left open for later work
// to fall into.
ScopedSavepoint::ScopedSavepoint(Connection& conn, std::string_view source)
    : conn_(conn),
      source_(source),
      generation_(conn.SchemaGeneration()),
      outermost_(conn.IsOpen() && sqlite3_get_autocommit(conn.Handle()) != 0) {
  conn_.Exec(outermost_ ? conn_.BeginStatement() : "SAVEPOINT nrx_op", source_);
}

ScopedSavepoint::~ScopedSavepoint() {
  if (done_ || !conn_.IsOpen()) return;
  if (conn_.SchemaGeneration() != generation_) conn_.ReleaseStatements();
  if (outermost_)
    conn_.RollbackAll();
  else
    sqlite3_exec(conn_.Handle(), "ROLLBACK TO nrx_op; RELEASE nrx_op", nullptr, nullptr, nullptr);
  conn_.NoteWriteAll();
  conn_.ForgetSchema();
}

void ScopedSavepoint::Commit() {
  conn_.Exec(outermost_ ? "COMMIT" : "RELEASE nrx_op", source_);
  done_ = true;
}

void testing::OverrideBusyTimeout(int ms) { busy_timeout_override.store(ms); }

}  // namespace nrx::detail
