#pragma once
// A filled list of the catalogue by its name, and a job of an older version made from the lists:
// its tables lack the fields added to their lists since.

#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "catalogue/catalogue_lists.h"
#include "nrxJobDb/engine.h"

namespace nrx::test {

inline const catalogue::ListRows& ListRowsOf(std::string_view list) {
  for (const catalogue::ListRows& rows : catalogue::FilledLists()) {
    if (rows.list == list) return rows;
  }
  throw std::invalid_argument(std::string(list));
}

// A new encrypted job at `path` with a table for each of `lists`, named after it, holding the
// list's fields but the last `missing`.
inline void MakeOlderJob(const std::string& path, std::initializer_list<std::string_view> lists,
                         std::size_t missing) {
  auto ws = std::make_shared<Workspace>("maker");
  DatabasePtr db = ws->CreateDatabase(path, kJobConnect, dbEncrypt);
  for (std::string_view list : lists) {
    const auto rows = ListRowsOf(list).rows;
    TableDefPtr table = db->CreateTableDef(list);
    for (std::size_t i = 0; i + missing < rows.size(); ++i) {
      table->FieldsAppend(table->CreateField(rows[i].name, rows[i].type, rows[i].size));
    }
    db->TableDefsAppend(table);
  }
  db->Close();
}

}  // namespace nrx::test
