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

void PrintSummary(std::FILE* out, const std::vector<nrx::CatalogueList>& lists) {
  std::size_t total = 0;
  fmt::print(out, "{:<16} {:<18} {:>6}\n", "List", "Table", "Fields");
  for (const auto& list : lists) {
    fmt::print(out, "{:<16} {:<18} {:>6}\n", list.list, TableLabel(list), list.fields.size());
    total += list.fields.size();
  }
  fmt::print(out, "{} lists, {} fields (* a prefix, followed by a traverse or data-set number)\n",
             lists.size(), total);
}

void PrintList(std::FILE* out, const nrx::CatalogueList& list) {
  fmt::print(out, "{}: {} {}, {} fields\n", list.list, list.prefix ? "tables" : "table",
             TableLabel(list), list.fields.size());
  for (std::size_t i = 0; i < list.fields.size(); ++i) {
    const auto& field = list.fields[i];
    fmt::print(out, "  {:>3}  {:<26} {:<8} {}\n", i + 1, field.name, FieldTypeName(field.type),
               field.size);
  }
  for (const auto& index : list.indexes) {
    fmt::print(out, "  index {} on {}{}{}\n", index.name, index.fields,
               index.primary ? ", primary" : "", index.unique ? ", unique" : "");
  }
}

void PrintJson(std::FILE* out_file, const std::vector<nrx::CatalogueList>& lists) {
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
  fmt::print(out_file, "{}\n", out);
}

}  // namespace

int RunCatalogue(const CatalogueOptions& options, const Context& context) {
  if (options.table.empty()) {
    const auto lists = nrx::DescribeCatalogue();
    if (options.json)
      PrintJson(context.out, lists);
    else
      PrintSummary(context.out, lists);
    return kExitOk;
  }
  const auto list = nrx::DescribeCatalogueList(options.table);
  if (options.json)
    PrintJson(context.out, {list});
  else
    PrintList(context.out, list);
  return kExitOk;
}

}  // namespace njb
