// njb check JOB: what the job's tables lack against the catalogue. The job is opened read-only,
// so checking can never change it.

#include <fmt/format.h>

#include "commands.h"
#include "nrxJobDb/catalogue_report.h"
#include "type_names.h"

namespace njb {
namespace {

void PrintTable(std::FILE* out, const nrx::TableCheck& table) {
  if (!table.known) {
    fmt::print(out, "{}: not described by the catalogue\n", table.table);
    return;
  }
  if (table.Complete()) {
    fmt::print(out, "{} ({}): complete\n", table.table, table.list);
    return;
  }
  fmt::print(out, "{} ({}): incomplete\n", table.table, table.list);
  for (const auto& field : table.missing_fields) {
    fmt::print(out, "  lacks field {} ({}{})\n", field.name, FieldTypeName(field.type),
               field.size ? fmt::format(" {}", field.size) : "");
  }
  for (const auto& index : table.missing_indexes) {
    fmt::print(out, "  lacks index {} on {}{}{}\n", index.name, index.fields,
               index.primary ? ", primary" : "", index.unique ? ", unique" : "");
  }
}

}  // namespace

int RunCheck(const CheckOptions& options, const Context& context) {
  auto db = nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(options.file, false, true);
  const nrx::JobCheck check = nrx::CheckJobAgainstCatalogue(*db);
  db->Close();
  std::size_t incomplete = 0;
  for (const auto& table : check.tables) {
    PrintTable(context.out, table);
    if (!table.Complete()) ++incomplete;
  }
  if (incomplete == 0) {
    fmt::print(context.out, "complete: no table lacks a field or an index\n");
    return kExitOk;
  }
  fmt::print(context.out, "{} of {} tables lack fields or indexes\n", incomplete,
             check.tables.size());
  return kExitNegative;
}

}  // namespace njb
