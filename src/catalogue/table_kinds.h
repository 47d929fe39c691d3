#pragma once
// The kinds of job table: for each, the table-names property that names it (a whole name or the
// prefix of a family), its catalogue list, the indexes made with it and the index that the
// field check keeps on it. Table creation, the field check and the program's reports all read
// this one table, so they cannot disagree about which list a table has.

#include <span>
#include <string>
#include <string_view>

#include "nrxJobDb/table_catalogue.h"
#include "nrxJobDb/table_names.h"

namespace nrx::catalogue {

// A text property of the table-names object.
using NameProperty = const std::string& (model::TableNames::*)() const;

// An index made together with its table.
struct IndexDef {
  NameProperty name_property;  // the index's name, or nullptr for the fixed `name`
  std::string_view name;
  std::string_view fields;  // ";"-separated, as the engine's index Fields
  bool primary;
  bool unique;           // set only where true; otherwise the engine's default stands
  bool failure_ignored;  // a failure to append it leaves the table without it
};

// The index the field check makes sure of on an existing table.
struct CheckedIndex {
  NameProperty name_property;
  std::string_view fields;  // as written inside a CREATE INDEX statement: "CentroidE, CentroidN"
  bool primary;
};

// How a table of a kind is named: a whole name, or a prefix followed by a traverse number or by
// a least-squares data-set number.
enum class Family { kWholeName, kTraverse, kLeastSquares };

struct TableKind {
  std::string_view list;                   // the list member's name
  TableFieldList TableCatalogue::*member;  // nullptr for the second alpha-ID table: no list
  NameProperty name;
  Family family;
  NameProperty also_created_as;  // a second whole name that creation gives the same list
  std::span<const IndexDef> indexes;
  const CheckedIndex* checked_index;                     // nullptr when the field check keeps none
  std::span<const std::string_view> zero_length_fields;  // Text fields that allow ""

  bool IsPrefix() const { return family != Family::kWholeName; }
};

// The 24 kinds in the order in which creation and the field check test a name.
std::span<const TableKind> TableKinds();

// The kind with this list member's name ("Points", "SecondAlphaIDs"); nullptr when none.
const TableKind* KindOfList(std::string_view list);

// The kind the field check gives an existing table: the first kind, in order, whose whole name
// equals `tableName` or whose prefix begins it (case-sensitive); nullptr when none does. The
// unsuffixed least-squares points table is not examined by the check, so it has no kind here.
const TableKind* KindOfExistingTable(std::string_view tableName, const model::TableNames& names);

// The kind table creation builds for `tableName`: the traverse or least-squares number is
// worked out from the prefixes first, then the first kind whose whole name, or prefix and
// number, equals `tableName` exactly wins. nullptr when none does.
const TableKind* KindOfNewTable(std::string_view tableName, const model::TableNames& names);

// The text of a name property, and the name of an index as the table-names object gives it.
const std::string& NameOf(NameProperty property, const model::TableNames& names);
std::string IndexName(const IndexDef& index, const model::TableNames& names);

}  // namespace nrx::catalogue
