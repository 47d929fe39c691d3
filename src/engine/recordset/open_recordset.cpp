// Database::OpenRecordset: a table name or a selection becomes a recordset of the right type.

#include <fmt/format.h>

#include "engine/dialect.h"
#include "engine/recordset/recordset_impl.h"
#include "engine/schema_field_types.h"

namespace nrx {
namespace {

constexpr std::string_view kSource = "nrxEngine.Database";

const detail::FieldInfo& FieldNamed(const std::vector<detail::FieldInfo>& fields, std::string_view name,
                                    std::string_view text) {
  for (const auto& f : fields)
    if (detail::SameName(f.name, name)) return f;
  // A name that is no field of the table reads, in this dialect, as a parameter nobody gave.
  RaiseText(err::kTooFewParameters, kSource,
            fmt::format("{} Unknown name '{}' in '{}'.", ErrorText(err::kTooFewParameters), name, text));
}

detail::RecordSource SourceOfSelection(detail::Connection& conn, std::string_view text) {
  const detail::SchemaFieldTypes types(conn);
  auto sel = dialect::ParseSelection(text, &types);
  auto table = detail::FindTable(conn, sel.table);
  if (!table) Raise(err::kNoSuchTable, kSource, sel.table);
  detail::RecordSource src;
  src.table = *table;
  auto all = detail::LoadFields(conn, *table);
  detail::CheckComparedWithText(all, sel.text_compared, kSource);
  if (sel.fields.size() == 1 && sel.fields[0] == "*") src.fields = all;
  else
    for (const auto& name : sel.fields) src.fields.push_back(FieldNamed(all, name, text));
  for (const auto& term : sel.order_by)
    src.order.push_back({FieldNamed(all, term.field, text).name, term.descending});
  src.where_sql = sel.where_sql;
  src.distinct = sel.distinct;
  src.indexes = detail::LoadIndexes(conn, *table);
  return src;
}

}  // namespace

RecordsetPtr Database::OpenRecordset(std::string_view source, std::optional<int> type) {
  CheckOpen();
  auto& conn = *conn_;
  bool selection = dialect::IsSelection(source);
  int kind = type.value_or(selection ? dbOpenDynaset : dbOpenTable);
  if (kind != dbOpenTable && kind != dbOpenDynaset && kind != dbOpenSnapshot)
    Raise(err::kInvalidCall, kSource, std::to_string(kind));
  if (kind == dbOpenTable && selection) Raise(err::kNotSupported, kSource, source);

  detail::RecordSource src;
  if (selection) {
    src = SourceOfSelection(conn, source);
  } else {
    auto table = detail::FindTable(conn, source);
    if (!table) Raise(err::kNoSuchTable, kSource, source);
    src.table = *table;
    src.fields = detail::LoadFields(conn, *table);
    src.indexes = detail::LoadIndexes(conn, *table);
  }
  bool updatable = !conn.ReadOnly() && kind != dbOpenSnapshot && !src.distinct;
  auto rs = std::make_shared<detail::RecordsetImpl>(conn_, std::string(source), kind, std::move(src),
                                                    updatable);
  try {
    rs->Open();
  } catch (const Error& e) {
    std::string what = e.what();
    if (what.find("no such column") != std::string::npos)
      RaiseText(err::kTooFewParameters, kSource,
                fmt::format("{} ({})", ErrorText(err::kTooFewParameters), source));
    throw;
  }
  RegisterRecordset(rs);
  return rs;
}

}  // namespace nrx
