// njb check JOB: what the job's tables lack against the catalogue. The job is opened read-only,
// so checking can never change it.

#include <fmt/format.h>

#include "commands.h"
#include "nrxJobDb/catalogue_report.h"
#include "type_names.h"

namespace njb {
namespace {

void PrintTable(const nrx::TableCheck& table) {
  if (!table.known) {
    fmt::print("{}: not described by the catalogue\n", table.table);
    return;
  }
  if (table.Complete()) {
    fmt::print("{} ({}): complete\n", table.table, table.list);
    return;
  }
  fmt::print("{} ({}): incomplete\n", table.table, table.list);
  for (const auto& field : table.missing_fields) {
    fmt::print("  lacks field {} ({}{})\n", field.name, FieldTypeName(field.type),
               field.size ? fmt::format(" {}", field.size) : "");
  }
  for (const auto& index : table.missing_indexes) {
    fmt::print("  lacks index {} on {}{}{}\n", index.name, index.fields,
               index.primary ? ", primary" : "", index.unique ? ", unique" : "");
  }
}

}  // namespace

void AddCheckCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand(
      "check", "Report the fields and indexes a job's tables lack (exit 1 when any)");
  static std::string file;
  cmd->add_option("JOB", file, "Job database file (.njb or .MDB)")->required();
  cmd->callback([] {
    auto db = nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(file, false, true);
    const nrx::JobCheck check = nrx::CheckJobAgainstCatalogue(*db);
    db->Close();
    std::size_t incomplete = 0;
    for (const auto& table : check.tables) {
      PrintTable(table);
      if (!table.Complete()) ++incomplete;
    }
    if (incomplete == 0) {
      fmt::print("complete: no table lacks a field or an index\n");
      return;
    }
    fmt::print("{} of {} tables lack fields or indexes\n", incomplete, check.tables.size());
    // Exit 1 without a message: the report above is the message.
    throw CLI::RuntimeError(1);
  });
}

}  // namespace njb
