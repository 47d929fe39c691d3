#include "engine/schema_store.h"

#include <fmt/format.h>

#include <algorithm>
#include <cctype>

#include "nrxJobDb/engine.h"

namespace nrx::detail {
namespace {

constexpr std::string_view kSource = "nrxEngine.TableDef";

struct TypeName {
  int type;
  std::string_view declared;
};
// Each name carries the affinity SQLite needs ("INTEGER", "REAL", "TEXT").
constexpr TypeName kTypeNames[] = {
    {dbBoolean, "BIT_INTEGER"},   {dbByte, "BYTE_INTEGER"}, {dbInteger, "SHORT_INTEGER"},
    {dbLong, "LONG_INTEGER"},     {dbSingle, "SINGLE_REAL"}, {dbDouble, "DOUBLE_REAL"},
    // An amount in ten-thousandths; a moment as its serial; bytes as a blob.
    {dbCurrency, "CURRENCY_INTEGER"}, {dbDate, "DATE_REAL"}, {dbLongBinary, "LONGBINARY_BLOB"},
    {dbMemo, "MEMO_TEXT"},
};

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string ColumnDefinition(const FieldInfo& f) {
  std::string def = QuoteName(f.name) + " " + DeclaredType(f.type, f.size);
  // Text compares without regard to case, as job software expects of its criteria and keys.
  if (f.type == dbText || f.type == dbMemo) def += " COLLATE NOCASE";
  return def;
}

std::string JoinFields(const std::vector<std::string>& fields) {
  std::string out;
  for (const auto& f : fields) {
    if (!out.empty()) out += ';';
    out += f;
  }
  return out;
}


std::string BareField(std::string_view f) {
  if (!f.empty() && (f[0] == '-' || f[0] == '+')) f.remove_prefix(1);
  return std::string(f);
}

std::unordered_map<std::string, std::string>& TableNames(Connection& conn) {
  auto& cache = conn.Cache();
  if (cache.tables_loaded) return cache.tables;
  auto& st = conn.Cached(
      "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
      "ESCAPE '\\'",
      kSource);
  while (st.Step()) {
    std::string name = st.Text(0);
    cache.tables.emplace(Upper(name), name);
  }
  st.Reset();
  cache.tables_loaded = true;
  return cache.tables;
}

void NoteTable(Connection& conn, std::string_view name, bool exists) {
  auto& cache = conn.Cache();
  if (!cache.tables_loaded) return;
  if (exists) cache.tables.insert_or_assign(Upper(name), std::string(name));
  else cache.tables.erase(Upper(name));
}

// Every index record of the file, read once and then kept up to date.
std::unordered_map<std::string, std::vector<IndexInfo>>& AllIndexes(Connection& conn) {
  auto& cache = conn.Cache();
  if (cache.indexes_loaded) return cache.indexes;
  if (HasSystemTables(conn)) {
    auto& st = conn.Cached(
        "SELECT TableName, IndexName, Fields, IsPrimary, IsUnique, SqlName FROM MSysIndexes "
        "ORDER BY rowid",
        kSource);
    while (st.Step()) {
      IndexInfo ix;
      ix.name = st.Text(1);
      ix.fields = SplitFields(st.Text(2));
      ix.primary = st.Int(3) != 0;
      ix.unique = st.Int(4) != 0;
      ix.sql_name = st.Text(5);
      cache.indexes[Upper(st.Text(0))].push_back(std::move(ix));
    }
    st.Reset();
  }
  cache.indexes_loaded = true;
  return cache.indexes;
}

// Every field that has properties of its own, read once and then kept up to date.
std::unordered_map<std::string, std::vector<FieldInfo>>& AllFieldProps(Connection& conn) {
  auto& cache = conn.Cache();
  if (cache.props_loaded) return cache.props;
  if (HasSystemTables(conn)) {
    auto& st = conn.Cached(
        "SELECT TableName, FieldName, AllowZeroLength, Required FROM MSysFieldProps", kSource);
    while (st.Step()) {
      FieldInfo f;
      f.name = st.Text(1);
      f.allow_zero_length = st.Int(2) != 0;
      f.required = st.Int(3) != 0;
      cache.props[Upper(st.Text(0))].push_back(std::move(f));
    }
    st.Reset();
  }
  cache.props_loaded = true;
  return cache.props;
}

// Index records and field properties that a rename or a new property changed are read again.
void ForgetDefinitions(Connection& conn) {
  auto& cache = conn.Cache();
  cache.indexes_loaded = false;
  cache.indexes.clear();
  cache.props_loaded = false;
  cache.props.clear();
}

// Builds the SQLite index behind an index of a table. Table names cannot hold a period, so
// "table.index" is unique unless a renamed table left an older index under that name.
std::string CreateSqlIndex(Connection& conn, std::string_view table, const IndexInfo& index,
                           const std::string& columns) {
  std::string base = fmt::format("{}.{}", table, index.name);
  for (int n = 1;; ++n) {
    std::string name = n == 1 ? base : fmt::format("{}#{}", base, n);
    try {
      conn.Exec(fmt::format("CREATE {}INDEX {} ON {} ({})", index.unique ? "UNIQUE " : "",
                            QuoteName(name), QuoteName(table), columns),
                kSource);
      return name;
    } catch (const Error& e) {
      if (e.Number() != err::kSyntaxError || std::string(e.what()).find("already exists") == std::string::npos)
        throw;
    }
  }
}

}  // namespace

std::vector<std::string> SplitFields(std::string_view text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string_view::npos) end = text.size();
    std::string part(text.substr(start, end - start));
    part.erase(0, part.find_first_not_of(' '));
    part.erase(part.find_last_not_of(' ') + 1);
    if (!part.empty()) out.push_back(part);
    start = end + 1;
  }
  return out;
}

std::string DeclaredType(int type, int size) {
  if (type == dbText) return fmt::format("TEXT({})", size > 0 ? size : DefaultSize(dbText));
  for (const auto& t : kTypeNames)
    if (t.type == type) return std::string(t.declared);
  Raise(err::kInvalidFieldType, kSource, std::to_string(type));
}

int DefaultSize(int type) {
  switch (type) {
    case dbBoolean:
    case dbByte: return 1;
    case dbInteger: return 2;
    case dbLong:
    case dbSingle: return 4;
    case dbDouble:
    case dbCurrency:
    case dbDate: return 8;
    case dbLongBinary:
    case dbMemo: return 0;
    default: return 255;
  }
}

bool ValidFieldType(int type) {
  return type == dbText || std::any_of(std::begin(kTypeNames), std::end(kTypeNames),
                                       [type](const TypeName& t) { return t.type == type; });
}

FieldInfo ParseDeclaredType(std::string_view declared) {
  FieldInfo f;
  std::string up = Upper(declared);
  for (const auto& t : kTypeNames) {
    if (up == t.declared) {
      f.type = t.type;
      f.size = DefaultSize(t.type);
      return f;
    }
  }
  if (up.rfind("TEXT(", 0) == 0) {
    f.type = dbText;
    f.size = std::atoi(up.c_str() + 5);
    if (f.size <= 0) f.size = DefaultSize(dbText);
    return f;
  }
  // A file written by other software: map SQLite's affinity rules onto the nearest type.
  if (up.find("INT") != std::string::npos) f.type = dbLong;
  else if (up.find("REAL") != std::string::npos || up.find("FLOA") != std::string::npos ||
           up.find("DOUB") != std::string::npos)
    f.type = dbDouble;
  else f.type = dbText;
  f.size = DefaultSize(f.type);
  return f;
}

std::string SystemTablesSql() {
  return fmt::format(
      "CREATE TABLE IF NOT EXISTS {} (TableName TEXT(64) COLLATE NOCASE, "
      "IndexName TEXT(64) COLLATE NOCASE, Fields TEXT(255), IsPrimary BIT_INTEGER, "
      "IsUnique BIT_INTEGER, SqlName TEXT(255));"
      "CREATE UNIQUE INDEX IF NOT EXISTS \"MSysIndexes.ByName\" ON {} (TableName, IndexName);"
      "CREATE TABLE IF NOT EXISTS {} (TableName TEXT(64) COLLATE NOCASE, "
      "FieldName TEXT(64) COLLATE NOCASE, AllowZeroLength BIT_INTEGER, Required BIT_INTEGER);"
      "CREATE UNIQUE INDEX IF NOT EXISTS \"MSysFieldProps.ByName\" ON {} (TableName, FieldName);"
      "CREATE TABLE IF NOT EXISTS {} (Property TEXT(64) COLLATE NOCASE, Value TEXT(255));",
      kIndexTable, kIndexTable, kFieldPropsTable, kFieldPropsTable, kInfoTable);
}

void CreateSystemTables(Connection& conn) {
  conn.Exec(SystemTablesSql(), kSource);
  conn.ForgetSchema();
}

bool HasSystemTables(Connection& conn) { return FindTable(conn, kIndexTable).has_value(); }

std::vector<std::string> ListTables(Connection& conn) {
  std::vector<std::pair<std::string, std::string>> sorted(TableNames(conn).begin(),
                                                          TableNames(conn).end());
  // Without regard to case, folding to lower case as SQLite's NOCASE does, so "LS_Points"
  // comes before "LSOptions" as punctuation sorts before letters.
  auto lower = [](unsigned char c) { return static_cast<char>(std::tolower(c)); };
  std::sort(sorted.begin(), sorted.end(), [&](const auto& a, const auto& b) {
    return std::lexicographical_compare(a.second.begin(), a.second.end(), b.second.begin(),
                                        b.second.end(), [&](char x, char y) { return lower(x) < lower(y); });
  });
  std::vector<std::string> names;
  names.reserve(sorted.size());
  for (auto& [upper, name] : sorted) names.push_back(std::move(name));
  return names;
}

std::optional<std::string> FindTable(Connection& conn, std::string_view name) {
  auto& names = TableNames(conn);
  auto it = names.find(Upper(name));
  if (it == names.end()) return std::nullopt;
  return it->second;
}

std::vector<FieldInfo> LoadFields(Connection& conn, std::string_view table) {
  std::vector<FieldInfo> fields;
  auto& st = conn.Cached("SELECT name, type FROM pragma_table_info(?1)", kSource);
  st.Bind(1, table);
  while (st.Step()) {
    FieldInfo f = ParseDeclaredType(st.Text(1));
    f.name = st.Text(0);
    fields.push_back(std::move(f));
  }
  st.Reset();
  auto& props = AllFieldProps(conn);
  auto it = props.find(Upper(table));
  if (it == props.end()) return fields;
  for (const auto& p : it->second) {
    for (auto& f : fields) {
      if (SameName(f.name, p.name)) {
        f.allow_zero_length = p.allow_zero_length;
        f.required = p.required;
      }
    }
  }
  return fields;
}

std::vector<IndexInfo> LoadIndexes(Connection& conn, std::string_view table) {
  auto& all = AllIndexes(conn);
  auto it = all.find(Upper(table));
  return it == all.end() ? std::vector<IndexInfo>{} : it->second;
}

void CreateTable(Connection& conn, std::string_view table, const std::vector<FieldInfo>& fields) {
  std::string sql = "CREATE TABLE " + QuoteName(table) + " (";
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) sql += ", ";
    sql += ColumnDefinition(fields[i]);
  }
  sql += ")";
  conn.Exec(sql, kSource);
  NoteTable(conn, table, true);
  for (const auto& f : fields)
    if (f.allow_zero_length || f.required) SaveFieldProps(conn, table, f);
  conn.BumpSchemaGeneration();
}

void DropTable(Connection& conn, std::string_view table) {
  conn.ReleaseStatements();  // SQLite drops nothing while a statement runs
  conn.Exec("DROP TABLE " + QuoteName(table), kSource);
  NoteTable(conn, table, false);
  conn.Cache().indexes.erase(Upper(table));
  conn.Cache().props.erase(Upper(table));
  if (HasSystemTables(conn)) {
    for (auto meta : {kIndexTable, kFieldPropsTable}) {
      auto st = conn.Prepare(fmt::format("DELETE FROM {} WHERE TableName = ?1", meta), kSource);
      st.Bind(1, table);
      st.Step();
    }
  }
  conn.BumpSchemaGeneration();
}

void RenameTable(Connection& conn, std::string_view from, std::string_view to) {
  conn.Exec("ALTER TABLE " + QuoteName(from) + " RENAME TO " + QuoteName(to), kSource);
  NoteTable(conn, from, false);
  NoteTable(conn, to, true);
  ForgetDefinitions(conn);
  if (HasSystemTables(conn)) {
    for (auto meta : {kIndexTable, kFieldPropsTable}) {
      auto st = conn.Prepare(
          fmt::format("UPDATE {} SET TableName = ?2 WHERE TableName = ?1", meta), kSource);
      st.Bind(1, from).Bind(2, to);
      st.Step();
    }
  }
  conn.BumpSchemaGeneration();
}

void AddColumn(Connection& conn, std::string_view table, const FieldInfo& field) {
  conn.Exec("ALTER TABLE " + QuoteName(table) + " ADD COLUMN " + ColumnDefinition(field), kSource);
  if (field.allow_zero_length || field.required) SaveFieldProps(conn, table, field);
  conn.BumpSchemaGeneration();
}

void RenameColumn(Connection& conn, std::string_view table, std::string_view from,
                  std::string_view to) {
  conn.Exec("ALTER TABLE " + QuoteName(table) + " RENAME COLUMN " + QuoteName(from) + " TO " +
                QuoteName(to),
            kSource);
  if (HasSystemTables(conn)) {
    // SQLite renames the column inside its own indexes; our index records name it too.
    for (auto& ix : LoadIndexes(conn, table)) {
      bool changed = false;
      for (auto& f : ix.fields) {
        std::string sign = (f[0] == '-' || f[0] == '+') ? f.substr(0, 1) : "";
        if (SameName(BareField(f), from)) {
          f = sign + std::string(to);
          changed = true;
        }
      }
      if (!changed) continue;
      auto st = conn.Prepare(
          "UPDATE MSysIndexes SET Fields = ?3 WHERE TableName = ?1 AND IndexName = ?2", kSource);
      st.Bind(1, table).Bind(2, ix.name).Bind(3, JoinFields(ix.fields));
      st.Step();
    }
    auto st = conn.Prepare(
        "UPDATE MSysFieldProps SET FieldName = ?3 WHERE TableName = ?1 AND FieldName = ?2",
        kSource);
    st.Bind(1, table).Bind(2, from).Bind(3, to);
    st.Step();
  }
  ForgetDefinitions(conn);
  conn.BumpSchemaGeneration();
}

void SaveFieldProps(Connection& conn, std::string_view table, const FieldInfo& field) {
  if (!HasSystemTables(conn)) CreateSystemTables(conn);
  ForgetDefinitions(conn);
  auto del = conn.Prepare(
      "DELETE FROM MSysFieldProps WHERE TableName = ?1 AND FieldName = ?2", kSource);
  del.Bind(1, table).Bind(2, field.name);
  del.Step();
  conn.BumpSchemaGeneration();  // open recordsets check values against the properties
  if (!field.allow_zero_length && !field.required) return;
  auto& ins = conn.Cached(
      "INSERT INTO MSysFieldProps (TableName, FieldName, AllowZeroLength, Required) "
      "VALUES (?1, ?2, ?3, ?4)",
      kSource);
  ins.Bind(1, table).Bind(2, field.name);
  ins.Bind(3, std::int64_t{field.allow_zero_length ? -1 : 0});
  ins.Bind(4, std::int64_t{field.required ? -1 : 0});
  ins.Step();
  ins.Reset();
}

void CreateIndex(Connection& conn, std::string_view table, IndexInfo& index) {
  if (index.name.empty()) Raise(err::kInvalidCall, kSource, "index without a name");
  if (index.fields.empty()) Raise(err::kNoFields, kSource, index.name);
  if (!HasSystemTables(conn)) CreateSystemTables(conn);
  auto fields = LoadFields(conn, table);
  std::string columns;
  for (auto& f : index.fields) {
    std::string bare = BareField(f);
    auto it = std::find_if(fields.begin(), fields.end(),
                           [&](const FieldInfo& fi) { return SameName(fi.name, bare); });
    if (it == fields.end()) Raise(err::kItemNotFound, kSource, bare);
    if (!columns.empty()) columns += ", ";
    columns += QuoteName(it->name) + (f[0] == '-' ? " DESC" : "");
  }
  for (const auto& existing : LoadIndexes(conn, table)) {
    if (SameName(existing.name, index.name)) Raise(err::kIndexNameExists, kSource, index.name);
    if (existing.primary && index.primary) Raise(err::kPrimaryExists, kSource, table);
  }
  if (index.primary) index.unique = true;
  index.sql_name = CreateSqlIndex(conn, table, index, columns);
  auto& ins = conn.Cached(
      "INSERT INTO MSysIndexes (TableName, IndexName, Fields, IsPrimary, IsUnique, SqlName) "
      "VALUES (?1, ?2, ?3, ?4, ?5, ?6)",
      kSource);
  ins.Bind(1, table).Bind(2, index.name).Bind(3, JoinFields(index.fields));
  ins.Bind(4, std::int64_t{index.primary ? -1 : 0}).Bind(5, std::int64_t{index.unique ? -1 : 0});
  ins.Bind(6, index.sql_name);
  ins.Step();
  ins.Reset();
  AllIndexes(conn)[Upper(table)].push_back(index);
  conn.BumpSchemaGeneration();
}

void DropIndex(Connection& conn, std::string_view table, std::string_view index) {
  for (const auto& existing : LoadIndexes(conn, table)) {
    if (!SameName(existing.name, index)) continue;
    conn.ReleaseStatements();  // SQLite drops nothing while a statement runs
    conn.Exec("DROP INDEX " + QuoteName(existing.sql_name), kSource);
    auto st = conn.Prepare(
        "DELETE FROM MSysIndexes WHERE TableName = ?1 AND IndexName = ?2", kSource);
    st.Bind(1, table).Bind(2, existing.name);
    st.Step();
    std::erase_if(AllIndexes(conn)[Upper(table)],
                  [&](const IndexInfo& ix) { return SameName(ix.name, existing.name); });
    conn.BumpSchemaGeneration();
    return;
  }
  Raise(err::kItemNotFound, kSource, index);
}

void CheckComparedWithText(const std::vector<FieldInfo>& fields,
                           const std::vector<std::string>& compared, std::string_view source) {
  for (const auto& name : compared)
    for (const auto& f : fields)
      if (f.type != dbText && SameName(f.name, name))
        Raise(err::kCriteriaTypeMismatch, source, f.name);
}

}  // namespace nrx::detail
