// Recordset: adding, editing and deleting records.

#include <algorithm>

#include "engine/recordset/recordset_impl.h"
#include "engine/recordset/value_codec.h"

namespace nrx::detail {
namespace {
constexpr std::string_view kSource = "nrxEngine.Recordset";

// For a statement just reset, whose parameters are all Null: a record's values are mostly Null
// (a new line, a point without its optional values), and binding them again is wasted work.
void BindUnlessNull(Statement& st, int index, const Variant& value) {
  if (!value.IsNull() && !value.IsEmpty()) BindValue(st.Get(), index, value);
}
}  // namespace

void RecordsetImpl::CheckUpdatable() const {
  CheckOpen();
  if (!updatable_) Raise(err::kReadOnly, kSource, name_);
}

void RecordsetImpl::CheckNoEdit() const {
  if (edit_mode_ != EditMode::None) Raise(err::kEditPending, kSource, name_);
}

void RecordsetImpl::AddNew() {
  CheckUpdatable();
  CheckNoEdit();
  buffer_.assign(source_.fields.size(), Variant::Null());
  // A Yes/No field is never Null: a new record starts with No.
  for (size_t i = 0; i < source_.fields.size(); ++i)
    if (source_.fields[i].type == dbBoolean) buffer_[i] = Variant(false);
  dirty_.assign(source_.fields.size(), false);
  edit_mode_ = EditMode::AddNew;
}

void RecordsetImpl::Edit() {
  CheckUpdatable();
  CheckNoEdit();
  RequireCurrent();
  buffer_.clear();
  for (size_t i = 0; i < source_.fields.size(); ++i) buffer_.push_back(CurrentValue(static_cast<int>(i)));
  dirty_.assign(source_.fields.size(), false);
  edit_mode_ = EditMode::Edit;
}

void RecordsetImpl::SetFieldValue(Field& field, const Variant& value) {
  CheckUpdatable();
  if (edit_mode_ == EditMode::None) Raise(err::kUpdateWithoutEdit, kSource, field.Name());
  auto col = static_cast<size_t>(EngineAccess::Position(field));
  buffer_[col] = ConvertForField(value, source_.fields[col], kSource);
  if (source_.fields[col].type == dbBoolean && buffer_[col].IsNull()) buffer_[col] = Variant(false);
  dirty_[col] = true;
}

const std::vector<RecordsetImpl::KeyField>& RecordsetImpl::PrimaryKeyFields() {
  if (primary_fields_known_ && primary_fields_seen_ == definitions_seen_) return primary_fields_;
  primary_fields_.clear();
  for (const auto& ix : source_.indexes) {
    if (!ix.primary) continue;
    for (const auto& name : ix.fields) {
      std::string bare = (name[0] == '-' || name[0] == '+') ? name.substr(1) : name;
      for (size_t i = 0; i < source_.fields.size(); ++i)
        if (SameName(source_.fields[i].name, bare)) primary_fields_.push_back({i, bare});
    }
  }
  primary_fields_seen_ = definitions_seen_;
  primary_fields_known_ = true;
  return primary_fields_;
}

void RecordsetImpl::ValidateBuffer() {
  for (size_t i = 0; i < source_.fields.size(); ++i) {
    const auto& f = source_.fields[i];
    const auto& v = buffer_[i];
    if (v.IsNull() && f.required) Raise(err::kNullInRequired, kSource, f.name);
    if ((f.type == dbText || f.type == dbMemo) && v.IsText() && v.ToText().empty() && !f.allow_zero_length)
      Raise(err::kZeroLength, kSource, f.name);
  }
  for (const auto& key : PrimaryKeyFields())
    if (buffer_[key.position].IsNull()) Raise(err::kNullInPrimaryKey, kSource, key.name);
}

std::int64_t RecordsetImpl::InsertBuffer() {
  if (insert_sql_.empty()) {
    std::string columns, params;
    for (size_t i = 0; i < source_.fields.size(); ++i) {
      columns += ", " + QuoteName(source_.fields[i].name);
      params += ", ?" + std::to_string(i + 1);
    }
    // The row id comes last. Without it SQLite makes its own choice, which costs less while it
    // cannot be one used before.
    std::string head = "INSERT INTO " + QuoteName(source_.table) + " (";
    insert_natural_sql_ = head + columns.substr(2) + ") VALUES (" + params.substr(2) + ")";
    insert_sql_ = head + columns.substr(2) + ", rowid) VALUES (" + params.substr(2) + ", ?" +
                  std::to_string(source_.fields.size() + 1) + ")";
  }
  conn_->BeforeWrite(*counters_);
  bool natural = !counters_->may_reuse_rowid;
  Statement& st = natural ? insert_natural_ : insert_;
  if (!st) st = conn_->Prepare(natural ? insert_natural_sql_ : insert_sql_, kSource);
  st.Reset();
  const int rowid_param = static_cast<int>(buffer_.size()) + 1;
  for (size_t i = 0; i < buffer_.size(); ++i) BindUnlessNull(st, static_cast<int>(i) + 1, buffer_[i]);
  std::int64_t rowid = 0;
  if (natural) {
    st.Step();
    rowid = sqlite3_last_insert_rowid(conn_->Handle());
  } else {
    rowid = conn_->HighestRowId(*counters_, source_.table) + 1;
    st.Bind(rowid_param, rowid);
    try {
      st.Step();
    } catch (const Error& e) {
      // Another connection to the file may have added records meanwhile.
      if (e.Number() != err::kDuplicateKey || !RowExists(rowid)) throw;
      counters_->highest_rowid = -1;
      rowid = conn_->HighestRowId(*counters_, source_.table) + 1;
      st.Bind(rowid_param, rowid);
      st.Step();
    }
    counters_->may_reuse_rowid = false;  // the new record is now the last
  }
  st.Reset();
  counters_->highest_rowid = std::max(counters_->highest_rowid, rowid);
  NoteOwnWrite();
  return rowid;
}

bool RecordsetImpl::RowExists(std::int64_t rowid) {
  auto& st =
      conn_->Cached("SELECT 1 FROM " + QuoteName(source_.table) + " WHERE rowid = ?1", kSource);
  st.Bind(1, rowid);
  bool exists = st.Step();
  st.Reset();
  return exists;
}

Statement& RecordsetImpl::UpdateStatementForDirty() {
  for (auto& known : update_statements_)
    if (known.dirty == dirty_) return known.st;
  std::string sets;
  int param = 2;
  for (size_t i = 0; i < source_.fields.size(); ++i) {
    if (!dirty_[i]) continue;
    if (param > 2) sets += ", ";
    sets += QuoteName(source_.fields[i].name) + " = ?" + std::to_string(param++);
  }
  Statement st = conn_->Prepare(
      "UPDATE " + QuoteName(source_.table) + " SET " + sets + " WHERE rowid = ?1", kSource);
  // Callers edit few different sets of fields; one inventing them without end is not worth
  // keeping statements for.
  constexpr size_t kKept = 8;
  if (update_statements_.size() == kKept) update_statements_.erase(update_statements_.begin());
  update_statements_.push_back({dirty_, std::move(st)});
  return update_statements_.back().st;
}

void RecordsetImpl::UpdateBuffer() {
  if (std::find(dirty_.begin(), dirty_.end(), true) == dirty_.end()) return;
  conn_->BeforeWrite(*counters_);
  Statement& st = UpdateStatementForDirty();
  st.Reset();
  st.Bind(1, rowid_);
  int param = 2;
  for (size_t i = 0; i < buffer_.size(); ++i)
    if (dirty_[i]) BindUnlessNull(st, param++, buffer_[i]);
  st.Step();
  st.Reset();
  if (sqlite3_changes(conn_->Handle()) == 0)
    Raise(err::kRecordDeleted, kSource, name_);  // elsewhere
  // A table-type recordset follows its index: a changed key moves the record, which the next
  // move finds from its key as it is then.
  NoteOwnWrite();
}

void RecordsetImpl::Update(int /*type*/, bool /*force*/) {
  CheckUpdatable();
  if (edit_mode_ == EditMode::None) Raise(err::kUpdateWithoutEdit, kSource, name_);
  RefreshDefinitions();
  ValidateBuffer();
  // A dynaset keeps the records it selected, in their places, until Requery: its statement is
  // read to the end before the table changes, so that it cannot bring a changed or added record
  // round again, and an added record goes to its end. A table-type recordset shows the table in
  // the order of its index. Either way the current record stays.
  if (type_ != dbOpenTable) FetchAllKeys();
  // The row a search stopped on is out of date once the table changes; let go of it first, so
  // that SQLite need not keep an open read in step with the write.
  ForgetFoundRow();
  if (edit_mode_ == EditMode::AddNew) {
    // A table-type recordset finds the new record at its place in the index when it gets there.
    std::int64_t rowid = InsertBuffer();
    if (type_ != dbOpenTable) keys_.push_back(rowid);
  } else {
    UpdateBuffer();
  }
  EndEdit();
}

void RecordsetImpl::CancelUpdate(int /*type*/) {
  CheckOpen();
  if (edit_mode_ == EditMode::None) Raise(err::kUpdateWithoutEdit, kSource, name_);
  EndEdit();
}

void RecordsetImpl::EndEdit() {
  edit_mode_ = EditMode::None;
  buffer_.clear();
  dirty_.clear();
}

void RecordsetImpl::Delete() {
  CheckUpdatable();
  RequireCurrent();
  EndEdit();
  // Find the record's place as it is now, so the next move knows where the following record
  // is: its position in the keyset, or the record before it in the index.
  try {
    if (type_ == dbOpenTable)
      TableDeleting();
    else
      CurrentPlace();
  } catch (const Error& e) {
    if (e.Number() != err::kNoCurrentRecord) throw;
    // Not in the keyset (removed from it elsewhere): it is deleted all the same.
  }
  bool in_sync = type_ != dbOpenTable && where_ == Where::At && keyset_version_ == *version_;
  // A dynaset that can read on from its last row id does so later instead of reading every
  // record now: its own deletion changes nothing it has not read.
  bool suspended = Suspend();
  if (suspended) StopReading();
  conn_->BeforeWrite(*counters_);
  if (suspended) StartReading();
  conn_->BeforeDelete(*counters_, source_.table);  // its row id must not come back
  auto& st = conn_->Cached("DELETE FROM " + QuoteName(source_.table) + " WHERE rowid = ?1", kSource);
  st.Bind(1, rowid_);
  st.Step();
  st.Reset();
  if (sqlite3_changes(conn_->Handle()) == 0)
    Raise(err::kRecordDeleted, kSource, name_);  // elsewhere
  NoteOwnWrite();
  if (type_ == dbOpenTable) {
    // Deleting another record leaves the key of the one before as it was.
    if (previous_key_.known) previous_key_.version = *version_;
  } else if (where_ == Where::At) {
    // Later records move up one place; the deleted one stays current until the next move.
    SetPrevious();
    bool was_cursor_row = pos_ + 1 == keys_.size() && !keys_complete_;
    keys_.erase(pos_);
    if (was_cursor_row) cursor_has_row_ = false;
    // The keyset no longer lists the record, and neither does the selection.
    if (in_sync) keyset_version_ = *version_;
  }
  deleted_ = true;
}

}  // namespace nrx::detail
