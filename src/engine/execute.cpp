// Database::Execute: the data-definition and action statements of the engine's dialect.

#include <algorithm>
#include <type_traits>

#include "engine/dialect.h"
#include "engine/engine_internal.h"

namespace nrx {
namespace {

constexpr std::string_view kSource = "nrxEngine.Database";

std::string RequireTable(detail::Connection& conn, std::string_view table, int number) {
  auto found = detail::FindTable(conn, table);
  if (!found) Raise(number, kSource, table);
  return *found;
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
  auto parsed = dialect::ParseStatement(statement);
  auto& conn = *conn_;
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
          RequireTable(conn, st.table, err::kNoSuchTable);
          auto& counters = conn.Counters(st.table);
          conn.BeforeWrite(counters);
          conn.BeforeDelete(counters, st.table);
          std::int64_t last_insert = sqlite3_last_insert_rowid(conn.Handle());
          try {
            conn.Exec(st.sql, kSource);
          } catch (const Error& e) {
            // A name that is no field of the table reads, in this dialect, as a parameter
            // nobody supplied.
            std::string what = e.what();
            if (e.Number() == err::kSyntaxError && what.find("no such column") != std::string::npos)
              RaiseText(err::kTooFewParameters, kSource, what);
            throw;
          }
          records_affected_ = sqlite3_changes(conn.Handle());
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
