#pragma once
// The table catalogue as a reader sees it: each filled list with the table name or prefix that
// the table-names object gives it, its fields and the indexes made with its tables; and a
// read-only comparison of a job's tables with it.

#include <string>
#include <string_view>
#include <vector>

#include "nrxJobDb/engine.h"
#include "nrxJobDb/export.h"

namespace nrx {

struct NRXJOBDB_API CatalogueField {
  std::string name;
  int type;  // engine type code
  int size;  // Text: maximum characters; 0 otherwise
};

struct NRXJOBDB_API CatalogueIndex {
  std::string name;
  std::string fields;  // ";"-separated
  bool primary;
  bool unique;  // required unique beyond what primary implies
};

// One filled list of the catalogue and the job table, or family of tables, that it describes.
struct NRXJOBDB_API CatalogueList {
  std::string list;   // the list's name: "JobDetails", "LSOptions"
  std::string table;  // the whole table name, or the prefix of the family
  bool prefix;        // a family: `table` followed by a traverse or data-set number
  std::vector<CatalogueField> fields;
  std::vector<CatalogueIndex> indexes;  // made with the table, in order
};

// The 23 filled lists in the order a cJobProcs object fills them, with names from the current
// table-names object.
NRXJOBDB_API std::vector<CatalogueList> DescribeCatalogue();

// The list that `name` designates: a list's own name ("LSOptions"), or the name of a job table
// ("LS_Options3"), assigned to a list as the field check assigns it. Raises 3265 when neither.
NRXJOBDB_API CatalogueList DescribeCatalogueList(std::string_view name);

// What one table of a job lacks against its list. Fields are matched by exact name; an index is
// there when the table has one of its name on the same fields, primary (and unique) where the
// catalogue makes it so.
struct NRXJOBDB_API TableCheck {
  std::string table;
  std::string list;  // empty when the catalogue has no list for the table
  bool known;        // false for a table that no list describes
  std::vector<CatalogueField> missing_fields;
  std::vector<CatalogueIndex> missing_indexes;

  bool Complete() const { return missing_fields.empty() && missing_indexes.empty(); }
};

struct NRXJOBDB_API JobCheck {
  std::vector<TableCheck> tables;  // the job's tables but the engine's own, in collection order
  bool Complete() const;
};

// Compares every table of `db` with its catalogue list, reading only. A table that no list
// describes, or the second alpha-ID table (whose list holds no field), lacks nothing.
NRXJOBDB_API JobCheck CheckJobAgainstCatalogue(Database& db);

}  // namespace nrx
