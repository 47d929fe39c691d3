#pragma once
// The embedded database engine: a DAO-style object model (engine, workspace, database, table
// definition, field, index, recordset) over SQLite. Objects are shared: an empty pointer is
// "Nothing", and a recordset closes when its last reference goes. Every failure is an nrx::Error
// carrying the engine's error number (see errors.h).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "nrxJobDb/errors.h"
#include "nrxJobDb/export.h"
#include "nrxJobDb/jet_conversion.h"
#include "nrxJobDb/variant.h"

namespace nrx {

// Field type codes.
inline constexpr int dbBoolean = 1;
inline constexpr int dbByte = 2;
inline constexpr int dbInteger = 3;
inline constexpr int dbLong = 4;
inline constexpr int dbCurrency = 5;  // a Currency: four exact decimals
inline constexpr int dbSingle = 6;
inline constexpr int dbDouble = 7;
inline constexpr int dbDate = 8;
inline constexpr int dbText = 10;
inline constexpr int dbLongBinary = 11;  // bytes of any length; size 0
inline constexpr int dbMemo = 12;        // text of any length; size 0

// Recordset types.
inline constexpr int dbOpenTable = 1;
inline constexpr int dbOpenDynaset = 2;
inline constexpr int dbOpenSnapshot = 4;

// Options.
inline constexpr int dbUseJet = 2;        // DBEngine::DefaultType
inline constexpr int dbEncrypt = 2;       // CreateDatabase option
inline constexpr int dbUpdateRegular = 1;  // Update / CancelUpdate type
inline constexpr int dbForceOSFlush = 1;  // CommitTrans option

// The connect string of new job databases.
inline constexpr std::string_view kJobConnect = ";LANGID=0x0409;CP=1252;COUNTRY=0";

class Workspace;
class Database;
class TableDef;
class Field;
class Index;
class Recordset;
using WorkspacePtr = std::shared_ptr<Workspace>;
using DatabasePtr = std::shared_ptr<Database>;
using TableDefPtr = std::shared_ptr<TableDef>;
using FieldPtr = std::shared_ptr<Field>;
using IndexPtr = std::shared_ptr<Index>;
using RecordsetPtr = std::shared_ptr<Recordset>;

namespace detail {
class Connection;
struct WorkspaceState;
class FieldOwner;
struct TableDefState;
// How the engine's own code reaches the members below that callers must not use.
struct EngineAccess;
}  // namespace detail

// A snapshot of one of the engine's collections, for range-for and look-ups by name. A snapshot
// rather than a live view: it holds its items, so a loop that deletes from or appends to the
// collection it came from stays valid (and does not see those changes; ask again for them).
template <typename T>
class NRXJOBDB_API Collection {
 public:
  using Ptr = std::shared_ptr<T>;

  Collection() = default;
  explicit Collection(std::vector<Ptr> items) : items_(std::move(items)) {}

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }

  // The item of that name, letter case ignored as in the engine's own look-ups; nullptr if none.
  Ptr Find(std::string_view name) const;
  // The item of exactly that name, letter case included; nullptr if none.
  Ptr FindExact(std::string_view name) const;

 private:
  std::vector<Ptr> items_;
};

// True when a database of this engine, in this process or another, holds the file open (in any
// way, or exclusively). False for a missing file. Asking never disturbs the engine's own locks.
NRXJOBDB_API bool IsFileHeld(const std::string& path);
NRXJOBDB_API bool IsFileHeldExclusively(const std::string& path);

// Whether the file at `path` (or, for a file not made yet, its folder) lies on a network or
// user-space file system, whose locks may hold on this machine only.
NRXJOBDB_API bool IsOnNetworkFileSystem(const std::string& path);

// One per process, made on first use.
class NRXJOBDB_API DBEngine : public Object {
 public:
  static DBEngine& Instance();

  int DefaultType() const { return default_type_; }
  void SetDefaultType(int type) { default_type_ = type; }

  // Workspaces(0) is the default workspace; any other position raises 3265.
  WorkspacePtr Workspaces(int index);

  // Rewrites the database file `name` as a sound file of the same name holding every row that
  // can still be read; the damaged original is kept beside it as name + ".damaged". Raises 3024
  // when the file does not exist, 3045 when it is held open, 3049 when nothing can be read.
  // An encrypted job stays encrypted; one with a password needs it in `connect` (";PWD=...",
  // else 3031). A page that fails its authentication check is never read: its rows are lost
  // like those of any damaged page. `losses`, when given, receives a sentence for each such
  // page and for each thing not saved whole: a table that could not be made again, a table
  // whose damaged stretch lost rows, an index or view that could not be rebuilt. Empty when
  // everything was saved.
  void RepairDatabase(const std::string& name, std::string_view connect = {},
                      std::vector<std::string>* losses = nullptr);

  // Checks every page of the job file `name` (used or free) and its structure, and returns each
  // problem as a sentence naming the page or object; empty for a sound file. A page of an
  // encrypted job that fails its authentication check (damaged, altered, moved, or from another
  // file) is reported, as is a file that cannot be opened as a database at all. Raises 3024 when
  // the file does not exist, 3031 for a missing or wrong password (";PWD=" of `connect`), 3045
  // when it is held exclusively elsewhere, 3043 on an I/O failure.
  std::vector<std::string> VerifyDatabase(const std::string& name, std::string_view connect = {});

  // The password the engine falls back on, for a program that works on one protected job at a
  // time through code that opens it without a connect string: OpenDatabase, VerifyDatabase and
  // RepairDatabase use it for a job that has a password when `connect` gives none, and
  // CreateDatabase seals a new encrypted job under it. A job without a password ignores it.
  // "" (the default) sets none.
  void SetDefaultPassword(std::string password) { default_password_ = std::move(password); }
  const std::string& DefaultPassword() const { return default_password_; }

  // With this set, an exclusive open of a file on a network file system is refused as a shared
  // one always is (3043), for callers that would rather copy the job to a local disk than
  // trust the share's locks. Off by default: one user working alone on a share is common.
  bool RefusesNetworkFiles() const { return refuses_network_files_; }
  void SetRefusesNetworkFiles(bool refuse) { refuses_network_files_ = refuse; }

  // Writes a new job file `target` holding every user table of the Jet database `source` (no
  // MSys table): fields in order with their types, sizes, Required and AllowZeroLength, every
  // row not deleted, and the indexes. The source is only read; the target appears whole or not
  // at all. Raises 3024 when the source is missing, 3204 when the target exists, 3044 when its
  // folder does not, 3049 when the source is no Jet database or cannot be read.
  JetConversionReport ConvertJetDatabase(const std::string& source, const std::string& target,
                                         const JetProgress& progress = {});

 private:
  DBEngine();
  int default_type_ = dbUseJet;
  bool refuses_network_files_ = false;
  WorkspacePtr default_workspace_;
  std::string default_password_;
};

// A session: owns the transactions, which cover every database open in it.
class NRXJOBDB_API Workspace : public Object, public std::enable_shared_from_this<Workspace> {
 public:
  explicit Workspace(std::string name);
  ~Workspace() override;

  const std::string& Name() const { return name_; }

  // Opens a job file. `exclusive` keeps every other opener, in this process or another, out
  // (they get 3045); `readOnly` makes every write raise 3027. `connect` carries the password of
  // a job that has one (";PWD=..."). Raises 3024 when the file does not exist, 3049 when it is
  // not a job database or is damaged (the text names a page that fails its authentication
  // check), 3031 when the password is missing or wrong (or given for a job without one), 3043
  // on an I/O failure. A job of the earlier encrypted format is rewritten in the current one
  // when it is opened for writing and nobody else has it open.
  DatabasePtr OpenDatabase(const std::string& name, bool exclusive = false, bool readOnly = false,
                           std::string_view connect = {});

  // Creates a new job file and opens it; `options` may hold dbEncrypt, which seals every page
  // under a key of the file's own made from the engine's key, or, when `connect` holds
  // ";PWD=...", from that password (which is never stored). Raises 3204 when the file exists,
  // 3043 when it cannot be written.
  DatabasePtr CreateDatabase(const std::string& name, std::string_view connect,
                             int options = 0);

  // The databases still open in this workspace, in opening order.
  int DatabasesCount() const;
  DatabasePtr Databases(int index) const;
  Collection<Database> Databases() const;

  // Nested transactions; there is no small nesting limit. CommitTrans and Rollback raise 3034
  // when none is pending.
  void BeginTrans();
  void CommitTrans(int options = 0);
  void Rollback();
  int TransactionLevel() const;

  // Rolls back what is pending and closes every database of the workspace.
  void Close();

 private:
  std::string name_;
  std::shared_ptr<detail::WorkspaceState> state_;
};

// An open job file.
class NRXJOBDB_API Database : public Object, public std::enable_shared_from_this<Database> {
 public:
  ~Database() override;

  const std::string& Name() const;  // the file path as opened
  std::string Connect() const;
  bool ReadOnly() const;
  bool Exclusive() const;
  bool IsOpen() const;
  // True when the job lies on a network file system. Only an exclusive open gets that far (a
  // shared one is refused with 3043); the caller may warn that the file's safety rests on the
  // share.
  bool OnNetworkFileSystem() const;
  // The unfinished changes of another file, found beside this job when it was opened, are never
  // played back into it: they are moved to this name ("<job>-journal.foreign-<n>"), which the
  // caller may report; "" when there were none. Not an error: the job itself opened sound.
  const std::string& ForeignJournal() const;

  // Table definitions, ordered by name case-insensitively; the engine's own tables begin with
  // "MSys" (TableDef::IsSystem). Items are looked up by position or by name (case-insensitive);
  // unknown ones raise 3265. FindTableDef returns nullptr instead.
  Collection<TableDef> TableDefs();
  int TableDefsCount();
  TableDefPtr TableDefs(int index);
  TableDefPtr TableDefs(std::string_view name);
  TableDefPtr FindTableDef(std::string_view name);
  void TableDefsRefresh();
  // Creates the table of an unappended definition, with its fields and indexes. Raises 3010 when
  // the name is taken, 3264 when it has no field, 3191 when a field is named twice.
  void TableDefsAppend(const TableDefPtr& tableDef);
  void TableDefsDelete(std::string_view name);

  TableDefPtr CreateTableDef(std::string_view name = {});

  // Runs a data-definition or action statement of the engine's dialect. The rows an INSERT or
  // UPDATE writes are checked as a recordset's are (3163, 3349, 3315, 3314, 3058, 3464); a
  // statement that fails changes nothing.
  void Execute(std::string_view statement, int options = 0);
  // Rows touched by the last action statement.
  int RecordsAffected() const;

  // Opens a recordset on a table name or a selection. Without a type a table name gives a
  // table-type recordset and a selection a dynaset.
  RecordsetPtr OpenRecordset(std::string_view source, std::optional<int> type = std::nullopt);

  // The recordsets still open on this database, in opening order; the collection does not keep
  // them alive (a snapshot of it does, while it lasts).
  Collection<Recordset> Recordsets();
  int RecordsetsCount();
  RecordsetPtr Recordsets(int index);

  // Closes every recordset and the file; a transaction still pending on it is rolled back.
  void Close();

  // Encryption: changing the password, and checking every page.
  // Changes the job's password from `oldPassword` ("" for a job without one) to `newPassword`
  // ("" removes it; the job stays encrypted under the engine's key), writing the whole job anew
  // and putting it in place in one rename: whenever the process stops, the job opens with the
  // old password or the new one. A job without encryption becomes encrypted. Needs the job open
  // exclusively and writable with no transaction pending and no recordset open (3045, 3027).
  // Raises 3031 when `oldPassword` is wrong.
  void NewPassword(std::string_view oldPassword, std::string_view newPassword);
  // Whether the job is sealed under a password (rather than the engine's key, or not at all).
  bool HasPassword() const;
  // What DBEngine::VerifyDatabase reports, for a job already open.
  std::vector<std::string> Verify();

 private:
  friend struct detail::EngineAccess;
  Database() = default;
  std::shared_ptr<detail::Connection> conn_;
  std::weak_ptr<detail::WorkspaceState> workspace_;
  std::vector<TableDefPtr> tabledefs_;
  bool tabledefs_loaded_ = false;
  std::uint64_t tabledefs_generation_ = 0;
  std::vector<std::weak_ptr<Recordset>> recordsets_;
  int records_affected_ = 0;

  static DatabasePtr Make(std::shared_ptr<detail::Connection> conn,
                          std::weak_ptr<detail::WorkspaceState> ws);
  void RegisterRecordset(const std::shared_ptr<Recordset>& rs);
  void LoadTableDefs();
  void CheckOpen() const;
};

// A field of a table definition, an index or a recordset.
class NRXJOBDB_API Field : public Object {
 public:
  Field(std::string name, int type, int size);

  const std::string& Name() const { return name_; }
  // On a field of an existing table this renames the column, keeping its data.
  void SetName(std::string_view name);
  int Type() const { return type_; }
  int Size() const { return size_; }
  void SetType(int type);
  void SetSize(int size);

  bool AllowZeroLength() const { return allow_zero_length_; }
  void SetAllowZeroLength(bool allow);
  bool Required() const { return required_; }
  void SetRequired(bool required);

  // The value of the current record on a recordset field; raises 3021 without one. On a field
  // that belongs to no recordset, reading and writing raise 3251.
  Variant Value() const;
  void SetValue(const Variant& value);

 private:
  friend struct detail::EngineAccess;
  std::string name_;
  int type_;
  int size_;
  bool allow_zero_length_ = false;
  bool required_ = false;
  std::weak_ptr<detail::FieldOwner> owner_;
  detail::FieldOwner* owner_raw_ = nullptr;  // valid while owner_ has not expired
  bool bound_ = false;
  int position_ = -1;
  // The owner, or 3420 when it is gone. Objects are used from one thread, so an owner that has
  // not expired stays alive for the call that follows.
  detail::FieldOwner* LockOwner() const;
  // Sets AllowZeroLength or Required and has the owner store it.
  void SetProperty(bool& property, bool value);
  // Binds the field to the object that owns it (a table or a recordset), which must outlive the
  // binding or be detected as gone (3420).
  void Bind(std::weak_ptr<detail::FieldOwner> owner, int position);
  // Sets the stored definition without going through the owner (used by owners themselves).
  void Define(std::string name, int type, int size, bool allowZeroLength, bool required);
};

// A named index of a table: one or more fields, with the Primary and Unique flags.
class NRXJOBDB_API Index : public Object {
 public:
  explicit Index(std::string name);

  const std::string& Name() const { return name_; }
  void SetName(std::string_view name);
  // Field names separated by ";" (a leading "+" or "-" marks the order of one field).
  const std::string& Fields() const { return fields_; }
  void SetFields(std::string_view fields);
  std::vector<std::string> FieldNames() const;
  bool Primary() const { return primary_; }
  void SetPrimary(bool primary);
  bool Unique() const { return unique_ || primary_; }
  void SetUnique(bool unique);
  // Appends a field made with CreateField to the index's fields.
  void AppendField(const FieldPtr& field);

 private:
  friend struct detail::EngineAccess;
  std::string name_;
  std::string fields_;
  bool primary_ = false;
  bool unique_ = false;
  bool appended_ = false;
  void CheckChangeable() const;
};

// A table's definition: its fields and indexes. Made by Database::CreateTableDef (unappended
// until TableDefsAppend) or read from the file.
class NRXJOBDB_API TableDef : public Object, public std::enable_shared_from_this<TableDef> {
 public:
  ~TableDef() override;

  const std::string& Name() const;
  void SetName(std::string_view name);
  bool Appended() const;
  // One of the engine's own tables, whose names begin with "MSys".
  bool IsSystem() const;

  // Rows in the table; -1 when the engine cannot count it.
  long RecordCount();

  Collection<Field> Fields();
  int FieldsCount();
  FieldPtr Fields(int index);
  FieldPtr Fields(std::string_view name);
  FieldPtr FindField(std::string_view name);
  // On an appended table this adds the column at once (3380 when the name is taken).
  void FieldsAppend(const FieldPtr& field);
  FieldPtr CreateField(std::string_view name = {}, int type = dbText, int size = 0);

  Collection<Index> Indexes();
  int IndexesCount();
  IndexPtr Indexes(int index);
  IndexPtr Indexes(std::string_view name);
  IndexPtr FindIndex(std::string_view name);
  // On an appended table this builds the index at once: 3375 when the table has an index of
  // that name, 3283 for a second primary index, 3022 when existing rows hold duplicates.
  void IndexesAppend(const IndexPtr& index);
  void IndexesDelete(std::string_view name);
  void IndexesRefresh();
  IndexPtr CreateIndex(std::string_view name = {});

 private:
  friend struct detail::EngineAccess;
  TableDef() = default;
  std::shared_ptr<detail::TableDefState> state_;
  static TableDefPtr MakeUnappended(std::weak_ptr<Database> db, std::string name);
  static TableDefPtr MakeAppended(std::weak_ptr<Database> db, std::shared_ptr<detail::Connection> conn,
                                  std::string name);
};

// A set of records from a table or a selection. Types: dbOpenTable (follows the selected Index,
// supports Seek, and shows the table as it is now, records added anywhere at their place),
// dbOpenDynaset (updatable view of a single-table selection: it keeps the records it selected
// in their places, edited ones included, shows records added through it at its end, and takes
// up other changes by Requery), dbOpenSnapshot (read-only copy). After AddNew + Update the
// current record is the one current before. A deleted record stays current (reading it raises
// 3167) until a move, which goes on from the record that stood before it. Find searches the
// recordset's own records in their order. Using a recordset whose table or fields were dropped
// or renamed raises 3420. Implemented in the recordset part of the engine.
class NRXJOBDB_API Recordset : public Object {
 public:
  ~Recordset() override = default;

  // BOF and EOF ("EOF" itself is a C library macro).
  virtual bool Bof() const = 0;
  virtual bool Eof() const = 0;
  virtual const std::string& Name() const = 0;
  virtual int Type() const = 0;
  virtual long RecordCount() = 0;
  virtual bool Updatable() const = 0;
  virtual std::string Index() const = 0;
  virtual void SetIndex(std::string_view name) = 0;
  virtual bool NoMatch() const = 0;

  virtual int FieldsCount() const = 0;
  virtual FieldPtr Fields(int index) = 0;
  virtual FieldPtr Fields(std::string_view name) = 0;
  Collection<Field> Fields();

  virtual void AddNew() = 0;
  virtual void Edit() = 0;
  virtual void Update(int type = dbUpdateRegular, bool force = false) = 0;
  virtual void CancelUpdate(int type = dbUpdateRegular) = 0;
  virtual void Delete() = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  virtual void FindFirst(std::string_view criteria) = 0;
  virtual void FindNext(std::string_view criteria) = 0;
  virtual void FindLast(std::string_view criteria) = 0;
  virtual void FindPrevious(std::string_view criteria) = 0;
  // comparison is one of "=", "<", "<=", ">=", ">"; one key per field of the selected index.
  virtual void Seek(std::string_view comparison, const std::vector<Variant>& keys) = 0;
  void Seek(std::string_view comparison, const Variant& key) { Seek(comparison, std::vector{key}); }

  virtual void MoveFirst() = 0;
  virtual void MoveNext() = 0;
  virtual void MovePrevious() = 0;
  virtual void MoveLast(int options = 0) = 0;
  virtual void Requery() = 0;

  // Shorthand for Fields(name)->Value().
  Variant operator[](std::string_view name) { return Fields(name)->Value(); }
};

}  // namespace nrx
