#pragma once
// The engine's SQL dialect: selections, criteria and statements as job software writes them,
// parsed and translated into SQLite. Nothing here touches a database; every text that cannot be
// translated raises nrx::Error with the engine's number and the offending text in the message.

#include <string>
#include <string_view>
#include <variant>
#include <vector>

struct sqlite3;

namespace nrx::dialect {

struct OrderTerm {
  std::string field;  // as written, brackets removed
  bool descending = false;
};

// SELECT [DISTINCT] fields FROM table [WHERE criteria] [ORDER BY f [ASC|DESC], ...] [;]
struct Selection {
  bool distinct = false;
  std::vector<std::string> fields;  // {"*"} for every field; brackets removed
  std::string table;                // brackets removed
  std::string where_sql;            // SQLite expression; empty when there is no WHERE
  std::vector<OrderTerm> order_by;
  std::vector<std::string> text_compared;  // fields compared with a text that is not a number
};

// The field types of the tables a text names, as the caller's schema holds them. The dialect
// asks only this, so that Currency fields (stored as the amount times 10000) read and store as
// amounts. Without it every field reads as it is stored.
class FieldTypes {
 public:
  virtual ~FieldTypes() = default;
  // The engine type code of a field of a table (names found case-insensitively); 0 when either
  // is unknown.
  virtual int TypeOf(std::string_view table, std::string_view field) const = 0;
  // The table's fields in their stored order; empty for an unknown table.
  virtual std::vector<std::string> FieldsOf(std::string_view table) const = 0;
};

// True when the text is a selection (begins with SELECT) rather than a table name.
bool IsSelection(std::string_view source);

// Raises 3075 (expression), 3131 (FROM clause) or 3000-range numbers for other syntax errors.
Selection ParseSelection(std::string_view text, const FieldTypes* types = nullptr);

// Translates a criteria expression (WHERE clause body or FindFirst argument) into a SQLite
// expression. Raises 3075 with the text when it cannot.
// Fields compared with a text that is not a number go to `text_compared` when it is given.
// `types` tells the fields of `table`, the table the criteria are applied to.
std::string TranslateCriteria(std::string_view criteria,
                              std::vector<std::string>* text_compared = nullptr,
                              std::string_view table = {}, const FieldTypes* types = nullptr);

struct ColumnDef {
  std::string name;
  int type = 10;  // engine type code
  int size = 0;   // Text size; 0 means the default (255)
  bool not_null = false;
};

struct CreateIndex {
  std::string name;
  std::string table;
  std::vector<std::string> fields;  // "-Name" for a descending field
  bool unique = false;
  bool primary = false;
  bool required = false;      // WITH DISALLOW NULL
  bool ignore_nulls = false;  // WITH IGNORE NULL
};
struct DropIndex {
  std::string name;
  std::string table;
};
struct CreateTable {
  std::string table;
  std::vector<ColumnDef> columns;
};
struct AlterAddColumn {
  std::string table;
  ColumnDef column;
};
struct DropTable {
  std::string table;
};
// INSERT, UPDATE or DELETE, translated to SQLite; `table` is the table it writes.
struct Action {
  std::string table;
  std::string sql;
  std::vector<std::string> text_compared;  // fields compared with a text that is not a number
};
using Statement = std::variant<CreateIndex, DropIndex, CreateTable, AlterAddColumn, DropTable, Action>;

// Parses a statement for Database::Execute. Raises 3291 (CREATE INDEX), 3290 (CREATE TABLE),
// 3075/3131 and others with the offending text for syntax errors.
Statement ParseStatement(std::string_view text, const FieldTypes* types = nullptr);

// Registers the SQLite functions that translated texts call (nrx_like, ...) on a connection.
void RegisterFunctions(sqlite3* db);

// When one of those functions fails while a statement runs (a text where a number is needed,
// an invalid argument, an amount out of a Currency field's range), SQLite's error message
// carries the engine number: 3464, 5, 6 or 94.
// Returns that number, or 0 for a message that did not come from them.
int FunctionErrorNumber(std::string_view sqlite_message);

}  // namespace nrx::dialect
