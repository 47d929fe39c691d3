// njb schema FILE: the tables of a job file with their fields and indexes.

#include <fmt/format.h>

#include "commands.h"
#include "json.h"
#include "type_names.h"
#include "nrxJobDb/engine.h"

namespace njb {
namespace {


bool IsSystemTable(const std::string& name) { return name.rfind("MSys", 0) == 0; }

void PrintText(std::FILE* out, nrx::Database& db, bool all) {
  for (int t = 0; t < db.TableDefsCount(); ++t) {
    auto table = db.TableDefs(t);
    if (!all && IsSystemTable(table->Name())) continue;
    fmt::print(out, "{}  ({} records)\n", table->Name(), table->RecordCount());
    for (int i = 0; i < table->FieldsCount(); ++i) {
      auto f = table->Fields(i);
      fmt::print(out, "  {:>3}  {:<24} {:<8} {}\n", i + 1, f->Name(), FieldTypeName(f->Type()), f->Size());
    }
    for (int i = 0; i < table->IndexesCount(); ++i) {
      auto ix = table->Indexes(i);
      fmt::print(out, "  index {} on {}{}{}\n", ix->Name(), ix->Fields(), ix->Primary() ? ", primary" : "",
                 ix->Unique() ? ", unique" : "");
    }
  }
}

void PrintJson(std::FILE* file, nrx::Database& db, bool all) {
  std::string out = "{\"tables\":[";
  bool first_table = true;
  for (int t = 0; t < db.TableDefsCount(); ++t) {
    auto table = db.TableDefs(t);
    if (!all && IsSystemTable(table->Name())) continue;
    if (!first_table) out += ",";
    first_table = false;
    out += fmt::format("{{\"name\":{},\"recordCount\":{},\"fields\":[", JsonText(table->Name()),
                       table->RecordCount());
    for (int i = 0; i < table->FieldsCount(); ++i) {
      auto f = table->Fields(i);
      out += fmt::format("{}{{\"name\":{},\"type\":{},\"size\":{}}}", i ? "," : "",
                         JsonText(f->Name()), f->Type(), f->Size());
    }
    out += "],\"indexes\":[";
    for (int i = 0; i < table->IndexesCount(); ++i) {
      auto ix = table->Indexes(i);
      out += fmt::format("{}{{\"name\":{},\"fields\":{},\"primary\":{},\"unique\":{}}}", i ? "," : "",
                         JsonText(ix->Name()), JsonText(ix->Fields()), ix->Primary(), ix->Unique());
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
