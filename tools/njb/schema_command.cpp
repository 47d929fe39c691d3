// njb schema FILE: the tables of a job file with their fields and indexes.

#include <fmt/format.h>

#include <utility>

#include "commands.h"
#include "json.h"
#include "type_names.h"
#include "nrxJobDb/engine.h"

namespace njb {
namespace {

void PrintText(nrx::Database& db, bool all) {
  for (const auto& table : db.TableDefs()) {
    if (!all && table->IsSystem()) continue;
    fmt::print("{}  ({} records)\n", table->Name(), table->RecordCount());
    int position = 0;
    for (const auto& f : table->Fields()) {
      fmt::print("  {:>3}  {:<24} {:<8} {}\n", ++position, f->Name(), FieldTypeName(f->Type()), f->Size());
    }
    for (const auto& ix : table->Indexes()) {
      fmt::print("  index {} on {}{}{}\n", ix->Name(), ix->Fields(), ix->Primary() ? ", primary" : "",
                 ix->Unique() ? ", unique" : "");
    }
  }
}

void PrintJson(nrx::Database& db, bool all) {
  std::string out = "{\"tables\":[";
  bool first_table = true;
  for (const auto& table : db.TableDefs()) {
    if (!all && table->IsSystem()) continue;
    if (!first_table) out += ",";
    first_table = false;
    out += fmt::format("{{\"name\":{},\"recordCount\":{},\"fields\":[", JsonText(table->Name()),
                       table->RecordCount());
    const char* separator = "";
    for (const auto& f : table->Fields()) {
      out += fmt::format("{}{{\"name\":{},\"type\":{},\"size\":{}}}", std::exchange(separator, ","),
                         JsonText(f->Name()), f->Type(), f->Size());
    }
    out += "],\"indexes\":[";
    separator = "";
    for (const auto& ix : table->Indexes()) {
      out += fmt::format("{}{{\"name\":{},\"fields\":{},\"primary\":{},\"unique\":{}}}",
                         std::exchange(separator, ","), JsonText(ix->Name()), JsonText(ix->Fields()),
                         ix->Primary(), ix->Unique());
    }
    out += "]}";
  }
  out += "]}";
  fmt::print("{}\n", out);
}

}  // namespace

void PrintSchema(nrx::Database& db, bool all, bool json) {
  if (json) PrintJson(db, all);
  else PrintText(db, all);
}

void AddSchemaCommand(CLI::App& app) {
  auto* cmd = app.add_subcommand("schema", "Show the tables of a job file: fields and indexes");
  static std::string file;
  static bool all = false;
  static bool json = false;
  cmd->add_option("FILE", file, "Job database file (.njb or .MDB)")->required();
  cmd->add_flag("--all", all, "Include the engine's own system tables (MSys...)");
  cmd->add_flag("--json", json, "Print JSON: {\"tables\":[{\"name\",\"recordCount\",\"fields\",\"indexes\"}]}");
  cmd->callback([] {
    auto db = nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(file, false, true);
    PrintSchema(*db, all, json);
    db->Close();
  });
}

}  // namespace njb
