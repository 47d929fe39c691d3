// njb catalogue: the table catalogue, every list or one of them, as text or JSON.

#include <fmt/format.h>

#include <vector>

#include "commands.h"
#include "json.h"
#include "nrxJobDb/catalogue_report.h"
#include "type_names.h"

namespace njb {
namespace {

// A family's tables are named by the prefix and a number, which the star stands for.
std::string TableLabel(const nrx::CatalogueList& list) {
  return list.prefix ? list.table + "*" : list.table;
}

void PrintSummary(const std::vector<nrx::CatalogueList>& lists) {
  std::size_t total = 0;
  fmt::print("{:<16} {:<18} {:>6}\n", "List", "Table", "Fields");
  for (const auto& list : lists) {
    fmt::print("{:<16} {:<18} {:>6}\n", list.list, TableLabel(list), list.fields.size());
    total += list.fields.size();
  }
  fmt::print("{} lists, {} fields (* a prefix, followed by a traverse or data-set number)\n",
             lists.size(), total);
}

void PrintList(const nrx::CatalogueList& list) {
  fmt::print("{}: {} {}, {} fields\n", list.list, list.prefix ? "tables" : "table",
             TableLabel(list), list.fields.size());
  for (std::size_t i = 0; i < list.fields.size(); ++i) {
    const auto& field = list.fields[i];
    fmt::print("  {:>3}  {:<26} {:<8} {}\n", i + 1, field.name, FieldTypeName(field.type),
               field.size);
  }
  for (const auto& index : list.indexes) {
    fmt::print("  index {} on {}{}{}\n", index.name, index.fields, index.primary ? ", primary" : "",
               index.unique ? ", unique" : "");
  }
}

void PrintJson(const std::vector<nrx::CatalogueList>& lists) {
  std::string out = "{\"lists\":[";
  for (std::size_t l = 0; l < lists.size(); ++l) {
    const auto& list = lists[l];
    out += fmt::format("{}{{\"list\":{},\"table\":{},\"prefix\":{},\"fields\":[", l ? "," : "",
                       JsonText(list.list), JsonText(list.table), list.prefix);
    for (std::size_t i = 0; i < list.fields.size(); ++i) {
      const auto& field = list.fields[i];
      out += fmt::format("{}{{\"name\":{},\"type\":{},\"size\":{}}}", i ? "," : "",
                         JsonText(field.name), field.type, field.size);
    }
    out += "]}";
  }
  out += "]}";
  fmt::print("{}\n", out);
}

}  // namespace

void AddCatalogueCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand("catalogue", "Show the table catalogue: every list, or one");
  static std::string table;
  static bool json = false;
  cmd->add_option("--table", table,
                  "One list, by its name (LSOptions) or by a table's name (LS_Options3)");
  cmd->add_flag("--json", json,
                "Print JSON: {\"lists\":[{\"list\",\"table\",\"prefix\",\"fields\"}]}");
  cmd->callback([] {
    if (table.empty()) {
      const auto lists = nrx::DescribeCatalogue();
      if (json)
        PrintJson(lists);
      else
        PrintSummary(lists);
      return;
    }
    const auto list = nrx::DescribeCatalogueList(table);
    if (json)
      PrintJson({list});
    else
      PrintList(list);
  });
}

}  // namespace njb
