#pragma once
// The engine's recordset. A table-type recordset shows the table as it is now, so it keeps no
// keyset: the current record is a row id, and a move reads on from it along the selected index
// (one streaming statement while nothing changes, a seek from the record's key after a change),
// so that adding, editing or deleting a record costs nothing more than SQLite's own work.
// Dynasets and snapshots keep the records they selected: a keyset of row ids in the recordset's
// order, filled lazily by one streaming statement, eight bytes per record it has reached. Their
// current record is a position in the keyset, or a row found by Find whose position is worked
// out only when the caller moves from it, searching from where the search began.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/connection.h"
#include "engine/engine_internal.h"
#include "engine/recordset/key_chunks.h"
#include "engine/recordset/order_walk.h"

namespace nrx::detail {

// What a recordset reads: one table, some of its fields, a filter and an order (all SQLite).
struct RecordSource {
  std::string table;
  std::vector<FieldInfo> fields;   // the recordset's fields, in order
  std::vector<IndexInfo> indexes;  // the table's indexes (table-type recordsets select one)
  std::string where_sql;           // empty: every row
  std::vector<OrderKey> order;     // empty: by row id
  bool distinct = false;
};

class RecordsetImpl : public Recordset,
                      public FieldOwner,
                      public StatementHolder,
                      public std::enable_shared_from_this<RecordsetImpl> {
 public:
  RecordsetImpl(std::shared_ptr<Connection> conn, std::string name, int type, RecordSource source,
                bool updatable);
  ~RecordsetImpl() override;

  // Prepares the fields and moves to the first record; called once after construction.
  void Open();

  bool Bof() const override;
  bool Eof() const override;
  const std::string& Name() const override { return name_; }
  int Type() const override { return type_; }
  long RecordCount() override;
  bool Updatable() const override { return updatable_; }
  std::string Index() const override { return index_name_; }
  void SetIndex(std::string_view name) override;
  bool NoMatch() const override { return no_match_; }

  int FieldsCount() const override { return static_cast<int>(fields_.size()); }
  FieldPtr Fields(int index) override;
  FieldPtr Fields(std::string_view name) override;

  void AddNew() override;
  void Edit() override;
  void Update(int type, bool force) override;
  void CancelUpdate(int type) override;
  void Delete() override;
  void Close() override;
  bool IsOpen() const override { return open_; }

  void FindFirst(std::string_view criteria) override;
  void FindNext(std::string_view criteria) override;
  void FindLast(std::string_view criteria) override;
  void FindPrevious(std::string_view criteria) override;
  void Seek(std::string_view comparison, const std::vector<Variant>& keys) override;

  void MoveFirst() override;
  void MoveNext() override;
  void MovePrevious() override;
  void MoveLast(int options) override;
  void Requery() override;

  // FieldOwner: values of the current record, or of the edit buffer while editing.
  Variant FieldValue(const Field& field) const override;
  void SetFieldValue(Field& field, const Variant& value) override;
  bool DefinitionFixed() const override { return true; }

  // StatementHolder: reads the rest of the keyset and lets go of the row last looked up.
  void ReleaseStatements() noexcept override;

 private:
  enum class EditMode { None, Edit, AddNew };
  enum class Where { Bof, Eof, At, Detached };

  std::shared_ptr<Connection> conn_;
  std::string name_;
  int type_;
  RecordSource source_;
  bool updatable_;
  bool open_ = true;
  mutable std::uint64_t schema_seen_ = 0;  // the connection's schema generation last checked
  std::uint64_t definitions_seen_ = 0;     // ... when indexes and field properties were read
  // Reads the table's indexes and its fields' properties again when definitions changed since.
  void RefreshDefinitions();
  std::string index_name_;
  std::vector<FieldPtr> fields_;
  // Where the names callers gave Fields stand, spelt as they gave them: code that writes records
  // asks for the same fields by name for every record.
  struct NameHash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, size_t, NameHash, std::equal_to<>> field_positions_;
  std::string column_list_;  // "rowid", then the fields, quoted

  // The table's counters on the connection. Values read earlier are current only while its
  // version has not moved on.
  Connection::TableCounters* counters_;
  std::uint64_t* version_;

  // The keyset and the statement that fills it.
  // The table's version for which the keyset lists exactly what the selection finds: when the
  // statement started, or after the recordset deleted one of its records.
  std::uint64_t keyset_version_ = 0;
  KeyChunks keys_;
  bool keys_complete_ = false;
  bool keys_stale_ = true;
  Statement cursor_;  // positioned on keys_.back() while !keys_complete_
  bool cursor_has_row_ = false;
  std::uint64_t cursor_version_ = 0;  // the table's version when the cursor started
  // A dynaset in row id order that deleted one of its records lets go of its statement rather
  // than read every record first: it reads on from the last row id it had.
  bool suspended_ = false;
  std::optional<std::int64_t> last_fetched_;
  Statement resume_;  // kept prepared between uses
  bool cursor_is_resume_ = false;
  // Snapshots and distinct selections keep their own copy of every value, row by row.
  bool materialized_ = false;
  std::vector<std::vector<Variant>> rows_;
  int value_offset_ = 1;  // column of the first field in the statements (0 without a row id)

  Where where_ = Where::Bof;
  size_t pos_ = 0;           // when At
  std::int64_t rowid_ = 0;   // when At or Detached
  // The current record was deleted. At a position it stands before keys_[pos_], which is the
  // record that followed it.
  bool deleted_ = false;
  // When Detached after the keyset was read again: the record that stood before the current one
  // (none when it was the first), where moves go on from should the current one no longer be
  // in the keyset.
  bool has_previous_ = false;
  std::optional<std::int64_t> previous_;
  bool no_match_ = false;
  // When Detached by Find on a keyset: where to look for the record's position, and which way.
  size_t hint_ = 0;
  bool hint_forward_ = true;

  // Reading the current record when the cursor is elsewhere.
  mutable Statement lookup_;
  mutable std::int64_t lookup_rowid_ = 0;
  mutable std::uint64_t lookup_version_ = 0;
  mutable bool lookup_valid_ = false;
  // The row Seek or Find found carries its values, so reading it costs nothing more.
  std::vector<Variant> found_values_;
  std::uint64_t found_version_ = 0;
  // The row a Seek found, while its statement stays on it: values are read from it as they are
  // asked for. Null once the statement may have moved.
  sqlite3_stmt* found_row_ = nullptr;
  // A Seek's statement for one comparison and number of key values, with the field of the
  // recordset each key value is converted for (-1: not one of its fields), as the definitions
  // last seen have them.
  struct SeekStatement {
    std::string comparison;
    size_t keys = 0;
    Statement st;
    std::vector<int> key_fields;
    std::uint64_t definitions = 0;
  };
  std::vector<SeekStatement> seek_statements_;
  SeekStatement& SeekStatementFor(std::string_view comparison, const IndexInfo& ix, size_t keys);
  void ForgetFoundRow() noexcept;
  // Statements of walks along the order, kept prepared; made again when the order changes.
  std::unordered_map<std::string, Statement> walk_statements_;
  // The statements of each kind of walk (WalkPlanKey), so that moving on from a record that was
  // not reached by reading on does not make the statements' texts again.
  std::unordered_map<std::string, std::vector<Statement*>> walk_plans_;
  Statement key_lookup_;
  std::vector<int> key_columns_;  // the statement column of each order field; -1 when not read
  RowStream stream_;               // a table-type recordset's walk through its records
  RowKey current_key_, previous_key_;
  std::string last_criteria_;
  std::string last_criteria_sql_;

  EditMode edit_mode_ = EditMode::None;
  std::vector<Variant> buffer_;
  std::vector<bool> dirty_;

  // Keyset.
  std::string SelectSql(std::string_view columns, std::string_view extra_where,
                        bool reverse) const;
  void ResetKeyset();
  bool FetchNextKey();  // one more key from the cursor; false at the end
  void FetchAllKeys();
  void EnsureFresh();   // rebuilds a stale keyset and finds the current row in it
  std::optional<size_t> PositionOf(std::int64_t rowid);
  bool Suspend();  // true when it let go of its statement
  void ResumeReading();
  // A dynaset is listed with its table's readers while its statement reads.
  bool reading_ = false;
  void StartReading();
  void StopReading();
  bool Stale() const { return keys_stale_; }
  // Counts a change the recordset made to its table.
  void NoteOwnWrite();
  void MoveToFirstIfAny();

  // Where the current record stands: the number of keyset records before it, and whether it
  // is itself the record at that position (a deleted one is not). Raises 3021 without one.
  struct Place {
    size_t before;
    bool occupied;
  };
  Place CurrentPlace();
  void SetPrevious();  // remembers the record before the one at pos_
  // Position.
  void SetAt(size_t pos);
  void SetDetached(std::int64_t rowid, std::vector<Variant> values);
  void SetNoCurrent(Where where);
  // What a step does first: a pending edit is dropped, and a step from the `end` it stands at
  // raises 3021.
  void BeginStep(Where end);
  bool Empty() const;  // no record at all
  bool HasCurrent() const { return where_ == Where::At || where_ == Where::Detached; }
  void RequireCurrent() const;
  Variant CurrentValue(int col) const;
  bool CursorOnCurrent() const;

  // Edits.
  void CheckOpen() const;
  // Raises 3420 when the table or one of the recordset's fields was dropped or renamed since the
  // definitions were last seen.
  void CheckSource() const;
  void CheckUpdatable() const;
  void CheckNoEdit() const;
  void EndEdit();
  void ValidateBuffer();
  // The recordset's fields that make up the primary key, each with its name as the index spells
  // it, worked out again when definitions changed.
  struct KeyField {
    size_t position;
    std::string name;
  };
  std::vector<KeyField> primary_fields_;
  std::uint64_t primary_fields_seen_ = 0;
  bool primary_fields_known_ = false;
  const std::vector<KeyField>& PrimaryKeyFields();
  std::string insert_sql_, insert_natural_sql_;  // made on the first addition
  Statement insert_, insert_natural_;              // prepared on their first use
  // UPDATE statements by the fields they change, kept prepared: a caller that edits the same
  // fields record after record neither makes the text again nor looks it up each time.
  struct UpdateStatement {
    std::vector<bool> dirty;
    Statement st;
  };
  std::vector<UpdateStatement> update_statements_;
  Statement& UpdateStatementForDirty();
  std::int64_t InsertBuffer();
  bool RowExists(std::int64_t rowid);
  void UpdateBuffer();

  // Walking the order (order_walk.h).
  bool UniqueOrder();
  void OrderChanged();
  // The key of a record, read again when the table changed since `cache` was filled. Raises
  // 3021 when the record is gone.
  const RowKey& KeyOf(std::int64_t rowid, RowKey& cache);
  // Keeps the key of the row a statement is on, when the statement reads every order field.
  void KeepKey(sqlite3_stmt* row, RowKey& cache);
  // Starts `stream` reading the records after `from` (before it backward; from it on when
  // inclusive), or all of them without it, that also meet `extra`; false when there is none.
  bool Walk(RowStream& stream, bool forward, const RowKey* from, bool inclusive,
            std::string_view extra);
  Statement& WalkStatement(const std::string& sql);
  void ForgetWalkStatements();
  // The statements of a walk, in the order they run; made once for each kind of walk.
  const std::vector<Statement*>& WalkPlan(bool forward, const RowKey* from, bool inclusive,
                                          std::string_view extra);
  std::vector<Variant> ValuesOf(sqlite3_stmt* row) const;

  // Table-type moves: along the index from the current record.
  bool TableFirst();  // false when the table is empty
  void TableLast();
  void TableNext();
  void TablePrevious();
  void LandOnStream();
  // Where a search or a move of a table-type recordset goes on from: the current record, or
  // the one before a deleted record; nullptr when that is the start.
  const RowKey* TableFrom();
  void TableDeleting();  // remembers the record before the current one

  // Finding.
  void Find(std::string_view criteria, bool forward, bool from_current);
  Statement PrepareCriteria(const std::string& sql, std::string_view criteria);
  // Runs the selection with the criteria, for a keyset the table has not changed under.
  void FindInOrder(std::string_view criteria, bool forward, bool from_current);
  // Tests the keyset's records against the rows that match.
  void FindInKeyset(std::string_view criteria, bool forward, std::optional<size_t> bound);
  const IndexInfo& SelectedIndex() const;
};

}  // namespace nrx::detail
