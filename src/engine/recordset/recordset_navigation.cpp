// Recordset: opening, the keyset, moving and reading the current record.

#include <algorithm>

#include "engine/collection_items.h"
#include "engine/recordset/recordset_impl.h"
#include "engine/recordset/value_codec.h"

namespace nrx::detail {
namespace {
constexpr std::string_view kSource = "nrxEngine.Recordset";
}

RecordsetImpl::RecordsetImpl(std::shared_ptr<Connection> conn, std::string name, int type,
                             RecordSource source, bool updatable)
    : conn_(std::move(conn)),
      name_(std::move(name)),
      type_(type),
      source_(std::move(source)),
      updatable_(updatable),
      counters_(&conn_->Counters(source_.table)),
      version_(&counters_->version) {
  materialized_ = type_ == dbOpenSnapshot || source_.distinct;
  value_offset_ = source_.distinct ? 0 : 1;
  column_list_ = source_.distinct ? "" : "rowid";
  for (const auto& f : source_.fields) {
    if (!column_list_.empty()) column_list_ += ", ";
    column_list_ += QuoteName(f.name);
  }
  schema_seen_ = definitions_seen_ = conn_->SchemaGeneration();
  OrderChanged();
  conn_->AddHolder(this);
}

RecordsetImpl::~RecordsetImpl() { Close(); }

void RecordsetImpl::ForgetFoundRow() noexcept {
  if (found_row_) sqlite3_reset(found_row_);
  found_row_ = nullptr;
}

void RecordsetImpl::ReleaseStatements() noexcept {
  ForgetFoundRow();
  lookup_valid_ = false;
  if (lookup_) sqlite3_reset(lookup_.Get());
  stream_.Stop();  // a table-type recordset seeks its place again
  if (keys_complete_ || (!cursor_ && !suspended_)) return;
  if (Stale()) {
    cursor_ = Statement();  // the keyset is read again anyway
    cursor_has_row_ = false;
    suspended_ = false;
    StopReading();
    return;
  }
  try {
    while (FetchNextKey()) {
    }
  } catch (...) {
    // Read it again, from the start, when it is next needed.
    cursor_ = Statement();
    cursor_has_row_ = false;
    suspended_ = false;
    keys_stale_ = true;
    StopReading();
  }
}

void RecordsetImpl::StartReading() {
  if (reading_ || type_ == dbOpenTable) return;  // a table-type recordset follows the table
  counters_->readers.push_back(this);
  reading_ = true;
}

void RecordsetImpl::StopReading() {
  if (!reading_) return;
  std::erase(counters_->readers, static_cast<StatementHolder*>(this));
  reading_ = false;
}

void RecordsetImpl::Open() {
  std::weak_ptr<FieldOwner> self = shared_from_this();
  for (size_t i = 0; i < source_.fields.size(); ++i) {
    auto f = MakeField(source_.fields[i]);
    EngineAccess::Bind(*f, self, static_cast<int>(i));
    fields_.push_back(std::move(f));
  }
  MoveToFirstIfAny();
}

void RecordsetImpl::MoveToFirstIfAny() {
  if (type_ == dbOpenTable) {
    if (!TableFirst()) SetNoCurrent(Where::Eof);
    return;
  }
  EnsureFresh();
  if (!keys_.empty() || FetchNextKey()) SetAt(0);
  else SetNoCurrent(Where::Eof);
}

void RecordsetImpl::CheckOpen() const {
  if (!open_) Raise(err::kObjectClosed, kSource, name_);
  conn_->CheckOpen(kSource);
  if (conn_->SchemaGeneration() != schema_seen_) CheckSource();
}

void RecordsetImpl::RefreshDefinitions() {
  if (definitions_seen_ == conn_->SchemaGeneration()) return;
  source_.indexes = LoadIndexes(*conn_, source_.table);
  for (const auto& stored : LoadFields(*conn_, source_.table)) {
    for (auto& f : source_.fields) {
      if (!SameName(f.name, stored.name)) continue;
      f.allow_zero_length = stored.allow_zero_length;
      f.required = stored.required;
    }
  }
  definitions_seen_ = conn_->SchemaGeneration();
}

void RecordsetImpl::CheckSource() const {
  auto table = FindTable(*conn_, source_.table);
  bool valid = table.has_value();
  if (valid) {
    auto stored = LoadFields(*conn_, *table);
    for (const auto& f : source_.fields)
      valid = valid && std::any_of(stored.begin(), stored.end(),
                                   [&](const FieldInfo& s) { return SameName(s.name, f.name); });
  }
  if (!valid) Raise(err::kObjectClosed, kSource, name_);
  schema_seen_ = conn_->SchemaGeneration();
}

void RecordsetImpl::Close() {
  if (!open_) return;
  open_ = false;
  conn_->RemoveHolder(this);
  StopReading();
  edit_mode_ = EditMode::None;
  cursor_ = Statement();
  resume_ = Statement();
  lookup_ = Statement();
  ForgetWalkStatements();
  key_lookup_ = Statement();
  insert_ = Statement();
  insert_natural_ = Statement();
  update_statements_.clear();
  ForgetFoundRow();
  seek_statements_.clear();
  keys_.clear();
  rows_.clear();
}

std::string RecordsetImpl::SelectSql(std::string_view columns, std::string_view extra_where,
                                     bool reverse) const {
  std::string sql = "SELECT ";
  if (source_.distinct) sql += "DISTINCT ";
  sql += std::string(columns) + " FROM " + QuoteName(source_.table);
  std::string where;
  if (!source_.where_sql.empty()) where = "(" + source_.where_sql + ")";
  if (!extra_where.empty()) where += (where.empty() ? "(" : " AND (") + std::string(extra_where) + ")";
  if (!where.empty()) sql += " WHERE " + where;
  std::string order;
  for (const auto& k : source_.order) {
    if (!order.empty()) order += ", ";
    order += QuoteName(k.column) + ((k.descending != reverse) ? " DESC" : "");
  }
  // Ties keep the order rows were added in, so every statement agrees on one order.
  if (!source_.distinct) order += std::string(order.empty() ? "" : ", ") + (reverse ? "rowid DESC" : "rowid");
  if (!order.empty()) sql += " ORDER BY " + order;
  return sql;
}

void RecordsetImpl::ResetKeyset() {
  // Stale until the statement is ready: a failure leaves it to be read again next time.
  keys_stale_ = true;
  cursor_ = Statement();
  keys_.clear();
  rows_.clear();
  keys_complete_ = false;
  cursor_has_row_ = false;
  cursor_is_resume_ = false;
  suspended_ = false;
  last_fetched_.reset();
  lookup_valid_ = false;
  hint_ = 0;
  hint_forward_ = true;
  keyset_version_ = cursor_version_ = *version_;
  StopReading();
  cursor_ = conn_->Prepare(SelectSql(column_list_, {}, false), kSource);
  if (!materialized_) {
    StartReading();
    keys_stale_ = false;
    return;
  }
  std::int64_t n = 0;
  while (cursor_.Step()) {
    std::vector<Variant> row;
    row.reserve(source_.fields.size());
    for (size_t i = 0; i < source_.fields.size(); ++i)
      row.push_back(ReadValue(cursor_.Get(), static_cast<int>(i) + value_offset_, source_.fields[i].type));
    rows_.push_back(std::move(row));
    keys_.push_back(source_.distinct ? n++ : cursor_.Int(0));
  }
  cursor_ = Statement();
  keys_complete_ = true;
  keys_stale_ = false;
}

bool RecordsetImpl::FetchNextKey() {
  if (keys_complete_) return false;
  if (!cursor_) {
    if (!suspended_) return false;  // no statement: the keyset is stale
    ResumeReading();
  }
  if (cursor_.Step()) {
    last_fetched_ = cursor_.Int(0);
    keys_.push_back(*last_fetched_);
    cursor_has_row_ = true;
    return true;
  }
  keys_complete_ = true;
  cursor_has_row_ = false;
  cursor_ = Statement();
  StopReading();
  return false;
}

bool RecordsetImpl::Suspend() {
  // Only in row id order does reading on from the last row id read what the first statement
  // would have: records the recordset deleted are behind it, and any other change has the
  // recordset read every record first.
  if (type_ != dbOpenDynaset || !source_.order.empty() || source_.distinct || keys_complete_ ||
      !cursor_ || !last_fetched_ || Stale())
    return false;
  sqlite3_reset(cursor_.Get());
  if (cursor_is_resume_) resume_ = std::move(cursor_);
  cursor_ = Statement();
  cursor_has_row_ = false;
  suspended_ = true;
  return true;
}

void RecordsetImpl::ResumeReading() {
  if (!resume_) resume_ = conn_->Prepare(SelectSql(column_list_, "rowid > ?1", false), kSource);
  resume_.Reset();
  resume_.Bind(1, *last_fetched_);
  cursor_ = std::move(resume_);
  cursor_is_resume_ = true;
  cursor_version_ = *version_;
  suspended_ = false;
}

void RecordsetImpl::FetchAllKeys() {
  EnsureFresh();
  while (FetchNextKey()) {
  }
}

void RecordsetImpl::NoteOwnWrite() { ++*version_; }

void RecordsetImpl::EnsureFresh() {
  if (type_ == dbOpenTable || !Stale()) return;
  if (where_ == Where::At) {
    // The current record keeps its place by identity, not by position; should it be gone from
    // the new keyset, moves go on from the record before it.
    if (!deleted_) SetPrevious();
    where_ = Where::Detached;
  }
  ResetKeyset();
}

void RecordsetImpl::SetPrevious() {
  has_previous_ = true;
  previous_ = pos_ > 0 ? std::optional(keys_[pos_ - 1]) : std::nullopt;
}

RecordsetImpl::Place RecordsetImpl::CurrentPlace() {
  EnsureFresh();
  if (where_ == Where::At) return {pos_, !deleted_};
  if (where_ != Where::Detached) Raise(err::kNoCurrentRecord, kSource, name_);
  if (!deleted_) {
    if (auto pos = PositionOf(rowid_)) {
      where_ = Where::At;
      pos_ = *pos;
      return {pos_, true};
    }
  }
  if (!has_previous_) Raise(err::kNoCurrentRecord, kSource, name_);
  if (!previous_) return {0, false};
  auto pos = PositionOf(*previous_);
  if (!pos) Raise(err::kNoCurrentRecord, kSource, name_);
  return {*pos + 1, false};
}

std::optional<size_t> RecordsetImpl::PositionOf(std::int64_t rowid) {
  EnsureFresh();
  // Find leaves a hint of where the record is: searching from it costs what the search did.
  if (!hint_forward_ && hint_ > keys_.size()) FetchAllKeys();
  size_t from = std::min(hint_, keys_.size());
  if (!hint_forward_)
    if (auto pos = keys_.Find(rowid, from, false)) return pos;
  if (auto pos = keys_.Find(rowid, from, true)) return pos;
  while (FetchNextKey())
    if (keys_.back() == rowid) return keys_.size() - 1;
  if (hint_forward_) return keys_.Find(rowid, from, false);
  return std::nullopt;
}

void RecordsetImpl::SetAt(size_t pos) {
  where_ = Where::At;
  pos_ = pos;
  rowid_ = keys_[pos];
  deleted_ = false;
  has_previous_ = false;
  found_values_.clear();
  ForgetFoundRow();
}

void RecordsetImpl::SetDetached(std::int64_t rowid, std::vector<Variant> values) {
  where_ = Where::Detached;
  rowid_ = rowid;
  deleted_ = false;
  has_previous_ = false;
  found_values_ = std::move(values);
  found_version_ = *version_;
  ForgetFoundRow();
}

void RecordsetImpl::SetNoCurrent(Where where) {
  where_ = where;
  deleted_ = false;
  has_previous_ = false;
  found_values_.clear();
  ForgetFoundRow();
}

bool RecordsetImpl::Bof() const {
  return where_ == Where::Bof || (where_ == Where::Eof && Empty());
}

bool RecordsetImpl::Eof() const {
  return where_ == Where::Eof || (where_ == Where::Bof && Empty());
}

bool RecordsetImpl::Empty() const {
  if (!open_) return false;
  CheckOpen();
  if (type_ == dbOpenTable) {
    auto& st = conn_->Cached("SELECT 1 FROM " + QuoteName(source_.table) + " LIMIT 1", kSource);
    bool empty = !st.Step();
    st.Reset();
    return empty;
  }
  // The keyset is filled as it is needed; whether it holds anything is part of the state the
  // caller sees, so finding out does not change what the recordset is.
  auto* self = const_cast<RecordsetImpl*>(this);
  self->EnsureFresh();
  return keys_.empty() && !self->FetchNextKey();
}

void RecordsetImpl::RequireCurrent() const {
  if (!HasCurrent()) Raise(err::kNoCurrentRecord, kSource, name_);
  if (deleted_) Raise(err::kRecordDeleted, kSource, name_);
}

long RecordsetImpl::RecordCount() {
  CheckOpen();
  if (type_ == dbOpenTable) {
    auto& st = conn_->Cached("SELECT count(*) FROM " + QuoteName(source_.table), kSource);
    st.Step();
    long n = static_cast<long>(st.Int(0));
    st.Reset();
    return n;
  }
  EnsureFresh();
  return static_cast<long>(keys_.size());
}

void RecordsetImpl::MoveFirst() {
  CheckOpen();
  if (edit_mode_ != EditMode::None) edit_mode_ = EditMode::None;
  if (type_ == dbOpenTable) {
    if (!TableFirst()) Raise(err::kNoCurrentRecord, kSource, name_);
    return;
  }
  EnsureFresh();
  if (keys_.empty() && !FetchNextKey()) Raise(err::kNoCurrentRecord, kSource, name_);
  SetAt(0);
}

void RecordsetImpl::MoveLast(int /*options*/) {
  CheckOpen();
  edit_mode_ = EditMode::None;
  if (type_ == dbOpenTable) return TableLast();
  FetchAllKeys();
  if (keys_.empty()) Raise(err::kNoCurrentRecord, kSource, name_);
  SetAt(keys_.size() - 1);
}

void RecordsetImpl::BeginStep(Where end) {
  CheckOpen();
  edit_mode_ = EditMode::None;
  if (where_ == end) Raise(err::kNoCurrentRecord, kSource, name_);
}

void RecordsetImpl::MoveNext() {
  BeginStep(Where::Eof);
  if (type_ == dbOpenTable) return TableNext();
  size_t target = 0;
  if (where_ == Where::Bof) {
    EnsureFresh();
  } else {
    Place place = CurrentPlace();
    target = place.before + (place.occupied ? 1 : 0);
  }
  while (target >= keys_.size())
    if (!FetchNextKey()) return SetNoCurrent(Where::Eof);
  SetAt(target);
}

void RecordsetImpl::MovePrevious() {
  BeginStep(Where::Bof);
  if (type_ == dbOpenTable) return TablePrevious();
  size_t before = 0;
  if (where_ == Where::Eof) {
    FetchAllKeys();
    before = keys_.size();
  } else {
    before = CurrentPlace().before;
  }
  if (before == 0) return SetNoCurrent(Where::Bof);
  SetAt(before - 1);
}

void RecordsetImpl::Requery() {
  CheckOpen();
  edit_mode_ = EditMode::None;
  keys_stale_ = true;
  stream_.Stop();
  where_ = Where::Bof;
  MoveToFirstIfAny();
}

void RecordsetImpl::SetIndex(std::string_view name) {
  CheckOpen();
  if (type_ != dbOpenTable) Raise(err::kNotSupported, kSource, name_);
  RefreshDefinitions();
  std::vector<OrderKey> order;
  std::string chosen;
  if (!name.empty()) {
    auto it = std::find_if(source_.indexes.begin(), source_.indexes.end(),
                           [&](const IndexInfo& ix) { return SameName(ix.name, name); });
    if (it == source_.indexes.end()) Raise(err::kNoSuchIndex, kSource, name);
    chosen = it->name;
    for (const auto& f : it->fields) {
      bool desc = !f.empty() && f[0] == '-';
      order.push_back({desc ? f.substr(1) : f, desc});
    }
  }
  index_name_ = chosen;
  source_.order = std::move(order);
  OrderChanged();
  ForgetFoundRow();
  seek_statements_.clear();
  Requery();
}

FieldPtr RecordsetImpl::Fields(int index) {
  CheckOpen();
  return ItemAt(fields_, index, kSource);
}

FieldPtr RecordsetImpl::Fields(std::string_view name) {
  CheckOpen();
  if (auto known = field_positions_.find(name); known != field_positions_.end())
    return fields_[known->second];
  FieldPtr field = ItemNamed(fields_, name, kSource);
  // Spellings are few; a caller inventing them without end is not worth remembering.
  if (field_positions_.size() < 4 * fields_.size() + 16) {
    auto position = std::find(fields_.begin(), fields_.end(), field) - fields_.begin();
    field_positions_.emplace(std::string(name), static_cast<size_t>(position));
  }
  return field;
}

bool RecordsetImpl::CursorOnCurrent() const {
  // A statement that sorts copies the records when it starts; one that reads an index or the
  // table reads each when it reaches it. Either way a change since it started may not show.
  return where_ == Where::At && cursor_has_row_ && !keys_complete_ && pos_ + 1 == keys_.size() &&
         cursor_version_ == *version_;
}

Variant RecordsetImpl::CurrentValue(int col) const {
  int type = source_.fields[static_cast<size_t>(col)].type;
  if (materialized_) return rows_[pos_][static_cast<size_t>(col)];
  if (!found_values_.empty() && found_version_ == *version_)
    return found_values_[static_cast<size_t>(col)];
  if (found_row_ && found_version_ == *version_)
    return ReadValue(found_row_, col + value_offset_, type);
  if (type_ == dbOpenTable && stream_.OnRow(rowid_, *version_))
    return ReadValue(stream_.Row(), col + value_offset_, type);
  if (CursorOnCurrent()) return ReadValue(cursor_.Get(), col + value_offset_, type);
  if (!lookup_valid_ || lookup_rowid_ != rowid_ || lookup_version_ != *version_) {
    if (!lookup_)
      lookup_ = conn_->Prepare("SELECT " + column_list_ + " FROM " + QuoteName(source_.table) +
                                   " WHERE rowid = ?1",
                               kSource);
    lookup_.Reset();
    lookup_.Bind(1, rowid_);
    if (!lookup_.Step()) {
      lookup_valid_ = false;
      Raise(err::kRecordDeleted, kSource, name_);  // removed through another recordset
    }
    lookup_rowid_ = rowid_;
    lookup_version_ = *version_;
    lookup_valid_ = true;
  }
  return ReadValue(lookup_.Get(), col + value_offset_, type);
}

Variant RecordsetImpl::FieldValue(const Field& field) const {
  CheckOpen();
  if (edit_mode_ != EditMode::None) return buffer_[static_cast<size_t>(EngineAccess::Position(field))];
  RequireCurrent();
  const int position = EngineAccess::Position(field);
  Variant value = CurrentValue(position);
  CheckStoredValue(value, source_.fields[static_cast<size_t>(position)], kSource);
  return value;
}

}  // namespace nrx::detail
