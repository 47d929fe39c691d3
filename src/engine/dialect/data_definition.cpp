#include "engine/dialect/data_definition.h"

#include <fmt/format.h>

#include <initializer_list>

#include "engine/dialect/clause.h"
#include "engine/dialect/lexer.h"
#include "nrxJobDb/errors.h"

namespace nrx::dialect {
namespace {

constexpr int kTextType = 10;
constexpr int kMaxTextSize = 255;

struct TypeNames {
  int code;
  std::initializer_list<std::string_view> names;
};

// The dialect's type names and their synonyms, by engine type code. COUNTER reads as Long: the
// engine has no self-numbering fields.
const TypeNames kTypeNames[] = {
    {1, {"BIT", "YESNO", "LOGICAL", "LOGICAL1", "BOOLEAN"}},
    {2, {"BYTE", "TINYINT", "INTEGER1"}},
    {3, {"SHORT", "SMALLINT", "INTEGER2"}},
    {4, {"LONG", "INT", "INTEGER", "INTEGER4", "COUNTER", "AUTOINCREMENT"}},
    {6, {"SINGLE", "REAL", "FLOAT4", "IEEESINGLE"}},
    {7, {"DOUBLE", "FLOAT", "FLOAT8", "NUMBER", "NUMERIC", "IEEEDOUBLE"}},
    {kTextType, {"TEXT", "VARCHAR", "CHAR", "CHARACTER", "STRING", "ALPHANUMERIC"}},
    {5, {"CURRENCY", "MONEY"}},
    {8, {"DATETIME", "DATE", "TIME", "TIMESTAMP"}},
    {11, {"LONGBINARY", "OLEOBJECT", "GENERAL", "IMAGE"}},
    {12, {"MEMO", "LONGTEXT", "LONGCHAR", "NOTE"}},
};

int ReadTextSize(TokenStream& tokens) {
  const Token& size = tokens.Peek();
  const bool whole = size.kind == TokenKind::kNumber && size.value.size() <= 3 &&
                     size.value.find_first_not_of("0123456789") == std::string::npos;
  const int value = whole ? std::stoi(size.value) : 0;
  if (value < 1 || value > kMaxTextSize)
    tokens.Fail(fmt::format("a Text size is a whole number from 1 to {}", kMaxTextSize));
  tokens.Next();
  return value;
}

// name TYPE[(size)] [NOT NULL]
ColumnDef ReadColumn(TokenStream& tokens) {
  ColumnDef column;
  column.name = tokens.ExpectName("a field name");
  const Token& type = tokens.Peek();
  if (type.kind != TokenKind::kWord) tokens.Unexpected("a field type");
  column.type = FieldTypeCode(type.value);
  if (column.type == 0) Raise(err::kInvalidFieldType, kDialectSource, type.value);
  tokens.Next();
  if (column.type == kTextType) column.size = kMaxTextSize;
  if (tokens.AcceptSymbol("(")) {
    if (column.type != kTextType) tokens.Fail("only a Text field takes a size");
    column.size = ReadTextSize(tokens);
    tokens.ExpectSymbol(")");
  }
  if (tokens.AcceptKeyword("NOT")) {
    tokens.ExpectKeyword("NULL");
    column.not_null = true;
  }
  return column;
}

// CREATE [UNIQUE] INDEX name ON table (field [ASC|DESC], ...) [WITH PRIMARY|DISALLOW NULL|IGNORE
// NULL]
CreateIndex ReadCreateIndex(TokenStream& tokens) {
  CreateIndex index;
  index.unique = tokens.AcceptKeyword("UNIQUE");
  tokens.ExpectKeyword("INDEX");
  index.name = tokens.ExpectName("an index name");
  tokens.ExpectKeyword("ON");
  index.table = tokens.ExpectName("a table name");
  tokens.ExpectSymbol("(");
  do {
    std::string field = tokens.ExpectName("a field name");
    if (tokens.AcceptKeyword("DESC")) {
      field.insert(field.begin(), '-');
    } else {
      tokens.AcceptKeyword("ASC");
    }
    index.fields.push_back(std::move(field));
  } while (tokens.AcceptSymbol(","));
  tokens.ExpectSymbol(")");
  if (tokens.AcceptKeyword("WITH")) {
    if (tokens.AcceptKeyword("PRIMARY")) {
      index.primary = true;
      index.unique = true;  // a primary key is unique whatever the statement says
    } else if (tokens.AcceptKeyword("DISALLOW")) {
      tokens.ExpectKeyword("NULL");
      index.required = true;
    } else if (tokens.AcceptKeyword("IGNORE")) {
      tokens.ExpectKeyword("NULL");
      index.ignore_nulls = true;
    } else {
      tokens.Unexpected("PRIMARY, DISALLOW NULL or IGNORE NULL");
    }
  }
  tokens.ExpectStatementEnd();
  return index;
}

// CREATE TABLE name (column, ...)
CreateTable ReadCreateTable(TokenStream& tokens) {
  CreateTable table;
  tokens.ExpectKeyword("TABLE");
  table.table = tokens.ExpectName("a table name");
  tokens.ExpectSymbol("(");
  do {
    if (tokens.PeekKeyword("CONSTRAINT"))
      tokens.Fail("constraints are not supported; create indexes instead");
    table.columns.push_back(ReadColumn(tokens));
  } while (tokens.AcceptSymbol(","));
  tokens.ExpectSymbol(")");
  tokens.ExpectStatementEnd();
  return table;
}

}  // namespace

int FieldTypeCode(std::string_view type_name) {
  for (const TypeNames& type : kTypeNames) {
    for (std::string_view name : type.names) {
      if (IsKeyword(type_name, name)) return type.code;
    }
  }
  return 0;
}

Statement ReadCreate(TokenStream& tokens) {
  tokens.ExpectKeyword("CREATE");
  const bool index = tokens.PeekKeyword("INDEX") ||
                     (tokens.PeekKeyword("UNIQUE") && tokens.PeekKeyword("INDEX", 1));
  try {
    if (index) return ReadCreateIndex(tokens);
    return ReadCreateTable(tokens);
  } catch (const SyntaxError& error) {
    if (index)
      RaiseSyntax(err::kCreateIndexSyntax, "Syntax error in CREATE INDEX statement", tokens.Rest(0),
                  error);
    RaiseSyntax(err::kCreateTableSyntax, "Syntax error in CREATE TABLE statement", tokens.Rest(0),
                error);
  }
}

// DROP TABLE name | DROP INDEX name ON table
Statement ReadDrop(TokenStream& tokens) {
  return ReadStatementPart(tokens, err::kDropSyntax,
                           "Syntax error in DROP TABLE or DROP INDEX statement",
                           [&]() -> Statement {
                             tokens.ExpectKeyword("DROP");
                             if (tokens.AcceptKeyword("TABLE")) {
                               DropTable drop{tokens.ExpectName("a table name")};
                               tokens.ExpectStatementEnd();
                               return drop;
                             }
                             tokens.ExpectKeyword("INDEX");
                             DropIndex drop;
                             drop.name = tokens.ExpectName("an index name");
                             tokens.ExpectKeyword("ON");
                             drop.table = tokens.ExpectName("a table name");
                             tokens.ExpectStatementEnd();
                             return drop;
                           });
}

// ALTER TABLE name ADD [COLUMN] column
Statement ReadAlter(TokenStream& tokens) {
  return ReadStatementPart(tokens, err::kAlterTableSyntax, "Syntax error in ALTER TABLE statement",
                           [&] {
                             tokens.ExpectKeyword("ALTER");
                             tokens.ExpectKeyword("TABLE");
                             AlterAddColumn alter;
                             alter.table = tokens.ExpectName("a table name");
                             tokens.ExpectKeyword("ADD");
                             tokens.AcceptKeyword("COLUMN");
                             alter.column = ReadColumn(tokens);
                             tokens.ExpectStatementEnd();
                             return alter;
                           });
}

}  // namespace nrx::dialect
