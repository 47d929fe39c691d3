// njb schema FILE: the tables of a job file with their fields and indexes.

#include <fmt/format.h>

#include <utility>

#include "commands.h"
#include "json.h"
#include "type_names.h"
#include "nrxJobDb/engine.h"

namespace njb {
namespace {

void PrintText(std::FILE* out, nrx::Database& db, bool all) {
  for (const auto& table : db.TableDefs()) {
    if (!all && table->IsSystem()) continue;
    fmt::print(out, "{}  ({} records)\n", table->Name(), table->RecordCount());
    int position = 0;
    for (const auto& f : table->Fields()) {
      fmt::print(out, "  {:>3}  {:<24} {:<8} {}\n", ++position, f->Name(), FieldTypeName(f->Type()), f->Size());
    }
    for (const auto& ix : table->Indexes()) {
      fmt::print(out, "  index {} on {}{}{}\n", ix->Name(), ix->Fields(), ix->Primary() ? ", primary" : "",
                 ix->Unique() ? ", unique" : "");
    }
  }
}

void PrintJson(std::FILE* file, nrx::Database& db, bool all) {
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
  fmt::print(file, "{}\n", out);
}

}  // namespace

void PrintSchema(std::FILE* out, nrx::Database& db, bool all, bool json) {
  if (json) PrintJson(out, db, all);
  else PrintText(out, db, all);
}

int RunSchema(const SchemaOptions& options, const Context& context) {
  auto db = nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(options.file, false, true);
  PrintSchema(context.out, *db, options.all, options.json);
  db->Close();
  return kExitOk;
}

}  // namespace njb
