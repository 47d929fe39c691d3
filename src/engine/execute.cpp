// Database::Execute: the data-definition and action statements of the engine's dialect.

#include <fmt/format.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <type_traits>

#include "engine/dialect.h"
#include "engine/engine_internal.h"
#include "engine/schema_field_types.h"
#include "nrxJobDb/name_table.h"

namespace nrx {
namespace {

constexpr std::string_view kSource = "nrxEngine.Database";

std::string RequireTable(detail::Connection& conn, std::string_view table, int number) {
  auto found = detail::FindTable(conn, table);
  if (!found) Raise(number, kSource, table);
  return *found;
}

// What a field cannot hold, as a condition on its column: the number to raise when it is met.
struct FieldCheck {
  std::string condition;
  int number;
  std::string field;
};

// The values a numeric type holds, as a condition on its column.
constexpr Named<int> kNumericRanges[] = {
    {dbByte, "BETWEEN 0 AND 255"},
    {dbInteger, "BETWEEN -32768 AND 32767"},
    {dbLong, "BETWEEN -2147483648 AND 2147483647"},
    {dbSingle, "BETWEEN -3.4028234663852886e38 AND 3.4028234663852886e38"}};

// The checks a recordset makes of each value before storing it, in the order it makes them.
std::vector<FieldCheck> FieldChecks(detail::Connection& conn, const std::string& table,
                                    const std::vector<detail::FieldInfo>& fields) {
  std::vector<FieldCheck> checks;
  auto indexes = detail::LoadIndexes(conn, table);
  for (const auto& f : fields) {
    std::string q = detail::QuoteName(f.name);
    if (f.type == dbText || f.type == dbMemo) {
      if (f.type == dbText)
        checks.push_back({fmt::format("length({}) > {}", q, f.size), err::kValueTooLong, f.name});
      if (!f.allow_zero_length) checks.push_back({q + " = ''", err::kZeroLength, f.name});
    } else if (f.type != dbLongBinary) {
      checks.push_back({fmt::format("typeof({}) NOT IN ('integer', 'real', 'null')", q),
                        err::kCriteriaTypeMismatch, f.name});
      if (auto range = FindName(kNumericRanges, f.type))
        checks.push_back({fmt::format("{} NOT {}", q, *range), err::kNumericOverflow, f.name});
    }
    if (f.required) checks.push_back({q + " IS NULL", err::kNullInRequired, f.name});
    bool in_primary = std::any_of(indexes.begin(), indexes.end(), [&](const detail::IndexInfo& ix) {
      return ix.primary &&
             std::any_of(ix.fields.begin(), ix.fields.end(), [&](const std::string& k) {
               return detail::SameName(k[0] == '-' || k[0] == '+' ? k.substr(1) : k, f.name);
             });
    });
    if (in_primary) checks.push_back({q + " IS NULL", err::kNullInPrimaryKey, f.name});
  }
  return checks;
}

// What a recordset would have stored for a number written to a Boolean or whole-number field:
// -1 or 0 for a Boolean, the fraction rounded by the runtime's rule (the dialect's Round) for the
// others. Values of other kinds stay as written for the checks to refuse.
std::vector<std::string> NormalisedAssignments(const std::vector<detail::FieldInfo>& fields) {
  std::vector<std::string> sets;
  for (const auto& f : fields) {
    std::string q = detail::QuoteName(f.name);
    if (f.type == dbBoolean)
      sets.push_back(fmt::format(
          "{0} = CASE WHEN typeof({0}) IN ('integer', 'real') THEN -({0} <> 0) ELSE {0} END", q));
    else if (f.type == dbByte || f.type == dbInteger || f.type == dbLong)
      sets.push_back(
          fmt::format("{0} = CASE WHEN typeof({0}) = 'real' THEN nrx_round({0}) ELSE {0} END", q));
  }
  return sets;
}

void NormaliseRows(detail::Connection& conn, const std::string& table,
                   const std::vector<detail::FieldInfo>& fields,
                   const std::vector<std::int64_t>& rowids) {
  auto sets = NormalisedAssignments(fields);
  if (sets.empty()) return;
  auto update = conn.Prepare(fmt::format("UPDATE {} SET {} WHERE rowid = ?1",
                                         detail::QuoteName(table), fmt::join(sets, ", ")),
                             kSource);
  for (std::int64_t rowid : rowids) {
    update.Reset();
    update.Bind(1, rowid);
    update.Step();
  }
}

// SQLite gives an added row the row id after the highest one present, which may be that of a
// deleted last record a dynaset still lists. As AddNew does, the added rows go above every row
// id the table has had (`floor`), the highest first so that no two meet on the way.
void PlaceAboveFloor(detail::Connection& conn, const std::string& table, std::int64_t floor,
                     std::vector<std::int64_t>& added) {
  if (added.empty() || *std::min_element(added.begin(), added.end()) > floor) return;
  std::sort(added.begin(), added.end(), std::greater<>());
  const std::int64_t shift = floor + 1 - added.back();
  auto move = conn.Prepare(
      fmt::format("UPDATE {} SET rowid = rowid + ?1 WHERE rowid = ?2", detail::QuoteName(table)),
      kSource);
  for (std::int64_t& rowid : added) {
    move.Reset();
    move.Bind(1, shift);
    move.Bind(2, rowid);
    move.Step();
    rowid += shift;
  }
}

// Runs an INSERT or UPDATE and checks every row it wrote; the caller's savepoint undoes it all
// when one holds what its field cannot. An INSERT's rows go above `floor` when it is given.
// Returns the row ids written.
std::vector<std::int64_t> RunChecked(detail::Connection& conn, const dialect::Action& action,
                                     std::optional<std::int64_t> floor) {
  std::vector<std::int64_t> written;
  {
    auto st = conn.Prepare(action.sql + " RETURNING rowid", kSource);
    while (st.Step()) written.push_back(st.Int(0));
  }
  if (floor) PlaceAboveFloor(conn, action.table, *floor, written);
  auto fields = detail::LoadFields(conn, action.table);
  NormaliseRows(conn, action.table, fields, written);
  auto checks = FieldChecks(conn, action.table, fields);
  if (checks.empty() || written.empty()) return written;
  std::string cases;
  for (size_t i = 0; i < checks.size(); ++i)
    cases += fmt::format(" WHEN {} THEN {}", checks[i].condition, i + 1);
  auto check = conn.Prepare(fmt::format("SELECT CASE{} ELSE 0 END FROM {} WHERE rowid = ?1", cases,
                                        detail::QuoteName(action.table)),
                            kSource);
  for (std::int64_t rowid : written) {
    check.Reset();
    check.Bind(1, rowid);
    if (!check.Step()) continue;
    if (auto failed = check.Int(0); failed > 0) {
      const auto& c = checks[static_cast<size_t>(failed - 1)];
      Raise(c.number, kSource, c.field);
    }
  }
  return written;
}

bool Inserts(const dialect::Action& action) { return action.sql.rfind("INSERT", 0) == 0; }

bool WritesValues(const dialect::Action& action) {
  return Inserts(action) || action.sql.rfind("UPDATE", 0) == 0;
}

detail::FieldInfo ToFieldInfo(const dialect::ColumnDef& column) {
  detail::FieldInfo f;
  f.name = column.name;
  f.type = column.type;
  f.size = column.size > 0 ? column.size : detail::DefaultSize(column.type);
  f.required = column.not_null;
  return f;
}

}  // namespace

void Database::Execute(std::string_view statement, int /*options*/) {
  conn_->CheckWritable(kSource);
  auto& conn = *conn_;
  const detail::SchemaFieldTypes types(conn);
  auto parsed = dialect::ParseStatement(statement, &types);
  records_affected_ = 0;
  detail::ScopedSavepoint unit(conn, kSource);
  std::visit(
      [&](auto& st) {
        using T = std::decay_t<decltype(st)>;
        if constexpr (std::is_same_v<T, dialect::CreateIndex>) {
          auto table = RequireTable(conn, st.table, err::kNoSuchTableOrConstraint);
          detail::IndexInfo info;
          info.name = st.name;
          info.fields = st.fields;
          info.primary = st.primary;
          info.unique = st.unique || st.primary;
          detail::CreateIndex(conn, table, info);
        } else if constexpr (std::is_same_v<T, dialect::DropIndex>) {
          auto table = RequireTable(conn, st.table, err::kNoSuchTableOrConstraint);
          try {
            detail::DropIndex(conn, table, st.name);
          } catch (const Error& e) {
            if (e.Number() != err::kItemNotFound) throw;
            Raise(err::kNoSuchTableOrConstraint, kSource, st.name);
          }
        } else if constexpr (std::is_same_v<T, dialect::CreateTable>) {
          if (detail::FindTable(conn, st.table)) Raise(err::kTableExists, kSource, st.table);
          std::vector<detail::FieldInfo> fields;
          for (const auto& c : st.columns) {
            for (const auto& seen : fields)
              if (detail::SameName(seen.name, c.name)) Raise(err::kFieldTwice, kSource, c.name);
            fields.push_back(ToFieldInfo(c));
          }
          if (fields.empty()) Raise(err::kNoFields, kSource, st.table);
          detail::CreateTable(conn, st.table, fields);
        } else if constexpr (std::is_same_v<T, dialect::AlterAddColumn>) {
          auto table = RequireTable(conn, st.table, err::kNoSuchTable);
          for (const auto& f : detail::LoadFields(conn, table))
            if (detail::SameName(f.name, st.column.name)) Raise(err::kFieldExists, kSource, f.name);
          detail::AddColumn(conn, table, ToFieldInfo(st.column));
        } else if constexpr (std::is_same_v<T, dialect::DropTable>) {
          auto table = RequireTable(conn, st.table, err::kNoSuchTableOrConstraint);
          detail::DropTable(conn, table);
        } else {
          auto table = RequireTable(conn, st.table, err::kNoSuchTable);
          if (!st.text_compared.empty())
            detail::CheckComparedWithText(detail::LoadFields(conn, table), st.text_compared,
                                          kSource);
          auto& counters = conn.Counters(st.table);
          conn.BeforeWrite(counters);
          conn.BeforeDelete(counters, st.table);
          std::int64_t last_insert = sqlite3_last_insert_rowid(conn.Handle());
          std::optional<std::int64_t> floor;
          if (Inserts(st) && counters.may_reuse_rowid)
            floor = conn.HighestRowId(counters, table);
          try {
            if (WritesValues(st)) {
              auto written = RunChecked(conn, st, floor);
              records_affected_ = static_cast<int>(written.size());
              if (floor && !written.empty()) {
                counters.highest_rowid = std::max(
                    counters.highest_rowid, *std::max_element(written.begin(), written.end()));
                counters.may_reuse_rowid = false;  // the added records are now the last
              }
            } else {
              conn.Exec(st.sql, kSource);
              records_affected_ = sqlite3_changes(conn.Handle());
            }
          } catch (const Error& e) {
            // A name that is no field of the table reads, in this dialect, as a parameter
            // nobody supplied.
            std::string what = e.what();
            if (e.Number() == err::kSyntaxError && what.find("no such column") != std::string::npos)
              RaiseText(err::kTooFewParameters, kSource, what);
            throw;
          }
          ++counters.version;
          // Rows an INSERT added come last: the row id of the last is the highest.
          if (std::int64_t added = sqlite3_last_insert_rowid(conn.Handle()); added != last_insert)
            counters.highest_rowid = std::max(counters.highest_rowid, added);
        }
      },
      parsed);
  unit.Commit();
  tabledefs_loaded_ = false;
}

}  // namespace nrx
