#pragma once
// How table definitions live in a job file. Tables are SQLite tables of the same name; a
// field's type code and size are kept in the column's declared type ("TEXT(16)",
// "BYTE_INTEGER", ...), which SQLite keeps verbatim. Indexes are SQLite indexes under a name
// unique to the file, with their own name, field list and flags in the system table
// MSysIndexes, because index names belong to a table while SQLite's are global. Field
// properties that differ from the defaults live in MSysFieldProps.

#include <optional>
#include <string>
#include <unordered_map>
#include <string_view>
#include <vector>

#include "engine/connection.h"

namespace nrx::detail {

// The engine's own tables are the ones whose names begin with this (letter case included).
inline constexpr std::string_view kSystemTablePrefix = "MSys";
inline constexpr std::string_view kIndexTable = "MSysIndexes";
inline constexpr std::string_view kFieldPropsTable = "MSysFieldProps";
inline constexpr std::string_view kInfoTable = "MSysInfo";

struct FieldInfo {
  std::string name;
  int type = 10;
  int size = 255;
  bool allow_zero_length = false;
  bool required = false;
};

struct IndexInfo {
  std::string name;
  std::vector<std::string> fields;  // "-Name" for descending
  bool primary = false;
  bool unique = false;
  std::string sql_name;  // the SQLite index behind it
};

// Names of tables, fields and indexes compare without regard to (ASCII) case.
bool SameName(std::string_view a, std::string_view b);

// What the schema store remembers of a file between calls, kept by its Connection. Keys are
// upper-case table names.
struct SchemaCache {
  bool tables_loaded = false;
  std::unordered_map<std::string, std::string> tables;  // the stored name of each table
  bool indexes_loaded = false;
  std::unordered_map<std::string, std::vector<IndexInfo>> indexes;  // in order of creation
  bool props_loaded = false;
  std::unordered_map<std::string, std::vector<FieldInfo>> props;  // fields with their own properties
};

// The declared column type of a field, and back. Foreign declared types map by affinity.
std::string DeclaredType(int type, int size);
FieldInfo ParseDeclaredType(std::string_view declared);
// The size a field of a type has when none is given.
int DefaultSize(int type);
bool ValidFieldType(int type);

// The field names of an index record's "A;-B" text, each with its order sign.
std::vector<std::string> SplitFields(std::string_view text);
// The statements that create the system tables and their indexes, where they are missing.
std::string SystemTablesSql();
// Creates the system tables in a new file.
void CreateSystemTables(Connection& conn);
bool HasSystemTables(Connection& conn);

// Table names, ordered by name case-insensitively (system tables included).
std::vector<std::string> ListTables(Connection& conn);
// The exact stored name of a table, found case-insensitively.
std::optional<std::string> FindTable(Connection& conn, std::string_view name);

std::vector<FieldInfo> LoadFields(Connection& conn, std::string_view table);

// Raises 3464 when one of `compared`, fields a criterion compares with a text that is not a
// number, holds numbers or truth values: such a criterion can never hold.
void CheckComparedWithText(const std::vector<FieldInfo>& fields,
                           const std::vector<std::string>& compared, std::string_view source);
std::vector<IndexInfo> LoadIndexes(Connection& conn, std::string_view table);

// Each of these changes the file inside the caller's transaction and raises engine errors.
void CreateTable(Connection& conn, std::string_view table, const std::vector<FieldInfo>& fields);
void DropTable(Connection& conn, std::string_view table);
void RenameTable(Connection& conn, std::string_view from, std::string_view to);
void AddColumn(Connection& conn, std::string_view table, const FieldInfo& field);
void RenameColumn(Connection& conn, std::string_view table, std::string_view from,
                  std::string_view to);
void SaveFieldProps(Connection& conn, std::string_view table, const FieldInfo& field);
// Validates against the table's fields and indexes and builds the index: 3375 name taken,
// 3283 second primary, 3265 unknown field, 3264 no field, 3022 duplicates in existing rows.
void CreateIndex(Connection& conn, std::string_view table, IndexInfo& index);
void DropIndex(Connection& conn, std::string_view table, std::string_view index);

}  // namespace nrx::detail
