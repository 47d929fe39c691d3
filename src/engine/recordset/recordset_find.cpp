// Recordset: Seek on a table-type recordset's index, and the Find family on criteria.

#include <algorithm>
#include <cstdint>
#include <unordered_set>

#include "engine/dialect.h"
#include "engine/recordset/recordset_impl.h"
#include "engine/recordset/value_codec.h"
#include "engine/schema_field_types.h"

namespace nrx::detail {
namespace {

constexpr std::string_view kSource = "nrxEngine.Recordset";

// Called while handling `e`: a criterion naming no field raises 3070, anything else goes on.
[[noreturn]] void RaiseUnknownName(const Error& e, std::string_view criteria) {
  std::string what = e.what();
  if (what.find("no such column") != std::string::npos)
    RaiseText(err::kUnknownName, kSource,
              std::string(ErrorText(err::kUnknownName)) + " (" + std::string(criteria) + ")");
  throw;
}

bool IsKnownComparison(std::string_view c) {
  return c == "=" || c == "<" || c == "<=" || c == ">=" || c == ">";
}

}  // namespace

const IndexInfo& RecordsetImpl::SelectedIndex() const {
  for (const auto& ix : source_.indexes)
    if (SameName(ix.name, index_name_)) return ix;
  Raise(err::kNoIndexSelected, kSource, name_);
}

namespace {

std::string BareFieldName(const std::string& index_field) {
  return index_field[0] == '-' ? index_field.substr(1) : index_field;
}

}  // namespace

RecordsetImpl::SeekStatement& RecordsetImpl::SeekStatementFor(std::string_view comparison,
                                                               const IndexInfo& ix, size_t keys) {
  auto it = std::find_if(seek_statements_.begin(), seek_statements_.end(),
                         [&](const SeekStatement& s) {
                           return s.keys == keys && s.comparison == comparison;
                         });
  if (it == seek_statements_.end()) {
    std::string lhs, rhs;
    for (size_t i = 0; i < keys; ++i) {
      lhs += (i ? ", " : "") + QuoteName(BareFieldName(ix.fields[i]));
      rhs += (i ? ", " : "") + std::string("?") + std::to_string(i + 1);
    }
    std::string condition = "(" + lhs + ") " + std::string(comparison) + " (" + rhs + ")";
    // "<" and "<=" search from the end of the index, the others from its start.
    bool backward = comparison[0] == '<';
    std::string sql = SelectSql(column_list_, condition, backward) + " LIMIT 1";
    SeekStatement made{std::string(comparison), keys, conn_->Prepare(sql, kSource), {}, 0};
    // Statements move in the list as it grows: the found row is read again rather than kept.
    ForgetFoundRow();
    seek_statements_.push_back(std::move(made));
    it = std::prev(seek_statements_.end());
  }
  if (it->key_fields.empty() || it->definitions != definitions_seen_) {
    it->key_fields.clear();
    for (size_t i = 0; i < keys; ++i) {
      std::string f = BareFieldName(ix.fields[i]);
      auto field = std::find_if(source_.fields.begin(), source_.fields.end(),
                                [&](const FieldInfo& fi) { return SameName(fi.name, f); });
      it->key_fields.push_back(field == source_.fields.end()
                                   ? -1
                                   : static_cast<int>(field - source_.fields.begin()));
    }
    it->definitions = definitions_seen_;
  }
  return *it;
}

void RecordsetImpl::Seek(std::string_view comparison, const std::vector<Variant>& keys) {
  CheckOpen();
  if (type_ != dbOpenTable) Raise(err::kNotSupported, kSource, name_);
  if (index_name_.empty()) Raise(err::kNoIndexSelected, kSource, name_);
  if (!IsKnownComparison(comparison)) Raise(err::kInvalidCall, kSource, comparison);
  const auto& ix = SelectedIndex();
  if (keys.empty() || keys.size() > ix.fields.size()) Raise(err::kInvalidCall, kSource, ix.name);
  edit_mode_ = EditMode::None;

  SeekStatement& seek = SeekStatementFor(comparison, ix, keys.size());
  auto& st = seek.st;
  // The current record stays should the search fail to start: its values are then read again.
  if (found_row_ == st.Get()) ForgetFoundRow();
  st.Reset();
  for (size_t i = 0; i < keys.size(); ++i) {
    const int field = seek.key_fields[i];
    Variant key = field < 0 ? keys[i]
                            : ConvertForField(keys[i], source_.fields[static_cast<size_t>(field)],
                                              kSource);
    BindValue(st.Get(), static_cast<int>(i) + 1, key);
  }
  if (!st.Step()) {
    no_match_ = true;
    SetNoCurrent(Where::Eof);
    return;
  }
  no_match_ = false;
  KeepKey(st.Get(), current_key_);
  SetDetached(st.Int(0), {});
  found_row_ = st.Get();
}

void RecordsetImpl::FindFirst(std::string_view criteria) { Find(criteria, true, false); }
void RecordsetImpl::FindLast(std::string_view criteria) { Find(criteria, false, false); }
void RecordsetImpl::FindNext(std::string_view criteria) { Find(criteria, true, true); }
void RecordsetImpl::FindPrevious(std::string_view criteria) { Find(criteria, false, true); }

void RecordsetImpl::Find(std::string_view criteria, bool forward, bool from_current) {
  CheckOpen();
  if (source_.distinct) Raise(err::kNotSupported, kSource, name_);
  edit_mode_ = EditMode::None;
  if (criteria != last_criteria_ || last_criteria_sql_.empty()) {
    std::vector<std::string> text_compared;
    const SchemaFieldTypes types(*conn_);
    last_criteria_sql_ =
        dialect::TranslateCriteria(criteria, &text_compared, source_.table, &types);
    if (!text_compared.empty())
      CheckComparedWithText(LoadFields(*conn_, source_.table), text_compared, kSource);
    last_criteria_ = std::string(criteria);
  }
  // Which records the search covers: forward, those after the current one; backward, those
  // before it. From BOF forward or EOF backward, all of them.
  if (from_current && where_ == (forward ? Where::Eof : Where::Bof)) {
    no_match_ = true;
    return;
  }
  bool bounded = from_current && where_ != (forward ? Where::Bof : Where::Eof);
  EnsureFresh();
  // A table-type recordset is the table in its order; a keyset is the selection until the
  // table changes.
  if (type_ == dbOpenTable || keyset_version_ == *version_)
    return FindInOrder(criteria, forward, bounded);
  std::optional<size_t> bound;
  if (bounded) {
    Place place = CurrentPlace();
    bound = place.before + (forward && place.occupied ? 1 : 0);
  }
  FindInKeyset(criteria, forward, bound);
}

Statement RecordsetImpl::PrepareCriteria(const std::string& sql, std::string_view criteria) {
  try {
    return conn_->Prepare(sql, kSource);
  } catch (const Error& e) {
    RaiseUnknownName(e, criteria);
  }
}

void RecordsetImpl::FindInOrder(std::string_view criteria, bool forward, bool bounded) {
  // Searching on from the current record: after it, or before it; after a deleted record, on
  // from the one that stood before it, which itself comes first backward.
  const RowKey* from = nullptr;
  bool inclusive = false;
  if (bounded) {
    if (!deleted_) {
      from = &KeyOf(rowid_, current_key_);
    } else {
      if (!has_previous_) Raise(err::kNoCurrentRecord, kSource, name_);
      if (previous_) from = &KeyOf(*previous_, previous_key_);
      else if (!forward) {
        no_match_ = true;  // nothing stands before the first record
        return;
      }
      inclusive = !forward;
    }
  }
  RowStream matches;
  bool hit = false;
  try {
    hit = Walk(matches, forward, from, inclusive, last_criteria_sql_);
  } catch (const Error& e) {
    RaiseUnknownName(e, criteria);
  }
  no_match_ = !hit;
  if (!hit) return;
  std::int64_t rowid = sqlite3_column_int64(matches.Row(), 0);
  std::vector<Variant> values = ValuesOf(matches.Row());
  RowKey key;
  KeepKey(matches.Row(), key);
  matches.Stop();
  if (type_ != dbOpenTable) {
    // Where the keyset lists the record: after the place the search began (before it backward).
    if (!bounded) {
      hint_ = forward ? 0 : SIZE_MAX;
      hint_forward_ = forward;
    } else if (where_ == Where::At) {
      hint_ = pos_;
      hint_forward_ = forward;
    } else if (hint_forward_ != forward) {
      hint_ = 0;  // no better hint
      hint_forward_ = true;
    }
  }
  if (materialized_) {
    // Copies read their own values, so the found record needs its place in the copy.
    auto pos = PositionOf(rowid);
    no_match_ = !pos;
    if (pos) SetAt(*pos);
    return;
  }
  SetDetached(rowid, std::move(values));
  current_key_ = std::move(key);
}

void RecordsetImpl::FindInKeyset(std::string_view criteria, bool forward,
                                 std::optional<size_t> bound) {
  // The rows that match now; the keyset says which are the recordset's and in what order.
  Statement st = PrepareCriteria(
      "SELECT rowid FROM " + QuoteName(source_.table) + " WHERE " + last_criteria_sql_, criteria);
  std::unordered_set<std::int64_t> matches;
  while (st.Step()) matches.insert(st.Int(0));
  std::optional<size_t> hit;
  if (forward) {
    for (size_t i = bound.value_or(0); !hit && (i < keys_.size() || FetchNextKey()); ++i)
      if (matches.count(keys_[i])) hit = i;
  } else {
    FetchAllKeys();
    for (size_t i = bound.value_or(keys_.size()); !hit && i-- > 0;)
      if (matches.count(keys_[i])) hit = i;
  }
  no_match_ = !hit;
  if (hit) SetAt(*hit);
}

}  // namespace nrx::detail
