// Recordset: walking the order from a record, and the moves of a table-type recordset, which
// follow the selected index through the table as it is now.

#include "engine/recordset/recordset_impl.h"
#include "engine/recordset/value_codec.h"

namespace nrx::detail {
namespace {
constexpr std::string_view kSource = "nrxEngine.Recordset";
constexpr size_t kWalkStatementsKept = 64;
}

void RecordsetImpl::ForgetWalkStatements() {
  stream_.Stop();
  walk_plans_.clear();
  walk_statements_.clear();
}

void RecordsetImpl::OrderChanged() {
  ForgetWalkStatements();
  key_lookup_ = Statement();
  current_key_.known = previous_key_.known = false;
  key_columns_.clear();
  for (const auto& k : source_.order) {
    int col = -1;
    for (size_t i = 0; i < source_.fields.size(); ++i)
      if (SameName(source_.fields[i].name, k.column)) col = static_cast<int>(i) + value_offset_;
    key_columns_.push_back(col);
  }
}

bool RecordsetImpl::UniqueOrder() {
  if (type_ != dbOpenTable || index_name_.empty()) return false;
  RefreshDefinitions();  // an index dropped since no longer keeps its keys apart
  for (const auto& ix : source_.indexes)
    if (SameName(ix.name, index_name_)) return ix.unique || ix.primary;
  return false;
}

Statement& RecordsetImpl::WalkStatement(const std::string& sql) {
  auto it = walk_statements_.find(sql);
  if (it == walk_statements_.end()) it = walk_statements_.emplace(sql, conn_->Prepare(sql, kSource)).first;
  sqlite3_reset(it->second.Get());
  return it->second;
}

void RecordsetImpl::KeepKey(sqlite3_stmt* row, RowKey& cache) {
  cache.known = false;
  for (int col : key_columns_)
    if (col < 0) return;
  cache.Read(row, key_columns_, sqlite3_column_int64(row, 0), *version_);
}

const RowKey& RecordsetImpl::KeyOf(std::int64_t rowid, RowKey& cache) {
  if (cache.Holds(rowid, *version_)) return cache;
  if (stream_.OnRow(rowid, *version_)) {
    KeepKey(stream_.Row(), cache);
    if (cache.known) return cache;
  }
  if (!key_lookup_) {
    std::string columns = "rowid";
    for (const auto& k : source_.order) columns += ", " + QuoteName(k.column);
    key_lookup_ = conn_->Prepare(
        "SELECT " + columns + " FROM " + QuoteName(source_.table) + " WHERE rowid = ?1", kSource);
  }
  key_lookup_.Reset();
  key_lookup_.Bind(1, rowid);
  if (!key_lookup_.Step()) {
    key_lookup_.Reset();
    // Removed elsewhere: the key it had when last read still marks its place.
    if (cache.known && cache.rowid == rowid) return cache;
    Raise(err::kNoCurrentRecord, kSource, name_);
  }
  std::vector<int> columns;
  for (size_t i = 0; i < source_.order.size(); ++i) columns.push_back(static_cast<int>(i) + 1);
  cache.Read(key_lookup_.Get(), columns, rowid, *version_);
  key_lookup_.Reset();
  return cache;
}

namespace {

// What the statements of a walk depend on besides the order: its direction, where it starts
// (which of the key's values are Null), whether the index keeps keys apart, and the criteria.
std::string WalkPlanKey(bool forward, const RowKey* from, bool inclusive, bool unique,
                        std::string_view extra) {
  std::string key{forward ? 'F' : 'B', inclusive ? 'I' : '-', unique ? 'U' : '-'};
  if (from) {
    for (const auto& v : from->values) key += sqlite3_value_type(v.get()) == SQLITE_NULL ? 'n' : 'v';
  } else {
    key += '*';
  }
  key += '|';
  key += extra;
  return key;
}

}  // namespace

const std::vector<Statement*>& RecordsetImpl::WalkPlan(bool forward, const RowKey* from,
                                                       bool inclusive, std::string_view extra) {
  const bool unique = from && UniqueOrder();
  std::string key = WalkPlanKey(forward, from, inclusive, unique, extra);
  if (auto it = walk_plans_.find(key); it != walk_plans_.end()) return it->second;
  std::vector<std::string> conditions{""};
  if (from) conditions = RangeConditions(source_.order, *from, forward, inclusive, unique);
  std::vector<Statement*> parts;
  for (const auto& c : conditions) {
    std::string where = extra.empty() ? c
                        : c.empty()   ? std::string(extra)
                                      : "(" + std::string(extra) + ") AND " + c;
    parts.push_back(&WalkStatement(SelectSql(column_list_, where, !forward)));
  }
  return walk_plans_.emplace(std::move(key), std::move(parts)).first->second;
}

bool RecordsetImpl::Walk(RowStream& stream, bool forward, const RowKey* from, bool inclusive,
                         std::string_view extra) {
  // Every criterion Find is given makes statements of its own: keep a bounded number.
  if (walk_statements_.size() > kWalkStatementsKept) ForgetWalkStatements();
  std::vector<Statement*> parts = WalkPlan(forward, from, inclusive, extra);
  for (Statement* st : parts) {
    sqlite3_reset(st->Get());
    if (from) BindKey(st->Get(), *from);
  }
  stream.Start(std::move(parts), forward, *version_);
  return stream.Next();
}

std::vector<Variant> RecordsetImpl::ValuesOf(sqlite3_stmt* row) const {
  std::vector<Variant> values;
  values.reserve(source_.fields.size());
  for (size_t i = 0; i < source_.fields.size(); ++i)
    values.push_back(ReadValue(row, static_cast<int>(i) + value_offset_, source_.fields[i].type));
  return values;
}

void RecordsetImpl::LandOnStream() {
  where_ = Where::Detached;
  rowid_ = sqlite3_column_int64(stream_.Row(), 0);
  if (type_ == dbOpenTable) KeepKey(stream_.Row(), current_key_);
  deleted_ = false;
  has_previous_ = false;
  previous_.reset();
  found_values_.clear();
  ForgetFoundRow();
}

const RowKey* RecordsetImpl::TableFrom() {
  if (!deleted_) return &KeyOf(rowid_, current_key_);
  if (!has_previous_) Raise(err::kNoCurrentRecord, kSource, name_);
  return previous_ ? &KeyOf(*previous_, previous_key_) : nullptr;
}

bool RecordsetImpl::TableFirst() {
  if (!Walk(stream_, true, nullptr, false, {})) return false;
  LandOnStream();
  return true;
}

void RecordsetImpl::TableLast() {
  if (!Walk(stream_, false, nullptr, false, {})) Raise(err::kNoCurrentRecord, kSource, name_);
  LandOnStream();
}

void RecordsetImpl::TableNext() {
  bool found = false;
  if (where_ == Where::Bof)
    found = Walk(stream_, true, nullptr, false, {});
  else if (!deleted_ && stream_.On(rowid_, true, *version_))
    found = stream_.Next();  // scanning: the statement reads on
  else
    found = Walk(stream_, true, TableFrom(), false, {});
  if (found) LandOnStream();
  else SetNoCurrent(Where::Eof);
}

void RecordsetImpl::TablePrevious() {
  bool found = false;
  if (where_ == Where::Eof) {
    found = Walk(stream_, false, nullptr, false, {});
  } else if (deleted_) {
    // The record that stood before the deleted one, itself.
    const RowKey* from = TableFrom();
    found = from && Walk(stream_, false, from, true, {});
  } else if (stream_.On(rowid_, false, *version_)) {
    found = stream_.Next();
  } else {
    found = Walk(stream_, false, TableFrom(), false, {});
  }
  if (found) LandOnStream();
  else SetNoCurrent(Where::Bof);
}

void RecordsetImpl::TableDeleting() {
  has_previous_ = false;
  previous_.reset();
  const RowKey& key = KeyOf(rowid_, current_key_);
  RowStream before;
  if (Walk(before, false, &key, false, {})) {
    previous_ = sqlite3_column_int64(before.Row(), 0);
    KeepKey(before.Row(), previous_key_);
  }
  before.Stop();
  has_previous_ = true;
}

}  // namespace nrx::detail
