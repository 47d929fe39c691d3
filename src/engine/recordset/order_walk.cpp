#include "engine/recordset/order_walk.h"

namespace nrx::detail {
namespace {

std::string And(const std::string& a, const std::string& b) { return a.empty() ? b : a + " AND " + b; }

std::string Param(size_t i) { return "?" + std::to_string(i + 1); }

}  // namespace

void RowKey::Read(sqlite3_stmt* row, const std::vector<int>& columns, std::int64_t id,
                  std::uint64_t now) {
  values.clear();
  for (int col : columns) values.emplace_back(sqlite3_value_dup(sqlite3_column_value(row, col)));
  rowid = id;
  version = now;
  known = true;
}

std::vector<std::string> RangeConditions(const std::vector<OrderKey>& order, const RowKey& from,
                                         bool forward, bool inclusive, bool unique) {
  const size_t n = order.size();
  auto is_null = [&](size_t i) { return sqlite3_value_type(from.values[i].get()) == SQLITE_NULL; };
  std::vector<std::string> prefixes(n + 1);  // the first i fields equal to the key's
  for (size_t i = 0; i < n; ++i)
    prefixes[i + 1] = And(prefixes[i], QuoteName(order[i].column) + " IS " + Param(i));

  std::vector<std::string> out;
  bool has_null = false;
  for (size_t i = 0; i < n; ++i) has_null = has_null || is_null(i);
  if (inclusive || !unique || has_null || n == 0) {
    std::string op = forward ? (inclusive ? ">=" : ">") : (inclusive ? "<=" : "<");
    out.push_back(And(prefixes[n], "rowid " + op + " " + Param(n)));
  }
  // Then the rows whose first i fields equal the key's and whose next one comes after it. Null
  // is below every value: first walking up a field's values, last walking down.
  for (size_t i = n; i-- > 0;) {
    std::string col = QuoteName(order[i].column);
    bool rising = forward != order[i].descending;
    if (rising) {
      out.push_back(And(prefixes[i], is_null(i) ? col + " IS NOT NULL" : col + " > " + Param(i)));
    } else if (!is_null(i)) {
      out.push_back(And(prefixes[i], col + " < " + Param(i)));
      out.push_back(And(prefixes[i], col + " IS NULL"));
    }
  }
  return out;
}

void BindKey(sqlite3_stmt* stmt, const RowKey& key) {
  int count = sqlite3_bind_parameter_count(stmt);
  for (int i = 0; i < count; ++i) {
    if (static_cast<size_t>(i) < key.values.size())
      sqlite3_bind_value(stmt, i + 1, key.values[static_cast<size_t>(i)].get());
    else
      sqlite3_bind_int64(stmt, i + 1, key.rowid);
  }
}

void RowStream::Start(std::vector<Statement*> parts, bool forward, std::uint64_t version) {
  Stop();
  parts_ = std::move(parts);
  part_ = 0;
  forward_ = forward;
  version_ = version;
}

bool RowStream::Next() {
  while (part_ < parts_.size()) {
    try {
      if (parts_[part_]->Step()) return on_row_ = true;
    } catch (...) {
      Stop();
      throw;
    }
    sqlite3_reset(parts_[part_]->Get());
    ++part_;
  }
  Stop();
  return false;
}

void RowStream::Stop() noexcept {
  for (auto* p : parts_) sqlite3_reset(p->Get());
  parts_.clear();
  part_ = 0;
  on_row_ = false;
}

bool RowStream::OnRow(std::int64_t rowid, std::uint64_t version) const {
  return on_row_ && version_ == version && sqlite3_column_int64(Row(), 0) == rowid;
}

bool RowStream::On(std::int64_t rowid, bool forward, std::uint64_t version) const {
  return forward_ == forward && OnRow(rowid, version);
}

}  // namespace nrx::detail
