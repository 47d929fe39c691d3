// njb import OLD.MDB [NEW.njb]: the conversion of an older job's Jet database on its own, with a
// progress bar on a terminal and the report of what arrived.

#include <fmt/format.h>

#include <algorithm>

#include "commands.h"
#include "json.h"
#include "progress_bar.h"
#include "type_names.h"

namespace njb {
namespace {

void PrintText(std::FILE* out, const nrx::JetConversionReport& r) {
  fmt::print(out, "Converted {} to {}: {} table{}, {} row{}, {} index{}\n", r.source, r.target,
             r.tables.size(), r.tables.size() == 1 ? "" : "s", r.Rows(), r.Rows() == 1 ? "" : "s",
             r.Indexes(), r.Indexes() == 1 ? "" : "es");
  for (const nrx::JetTableCopy& t : r.tables)
    fmt::print(out, "  {}: {} rows, {} indexes\n", t.name, t.rows, t.indexes);
  if (r.changes.empty()) return;
  fmt::print(out, "Fields held as another type:\n");
  for (const nrx::JetTypeChange& c : r.changes)
    fmt::print(out, "  {}.{}: {} as {}\n", c.table, c.field, c.jet_type, FieldTypeName(c.type));
}

void PrintJson(std::FILE* out, const nrx::JetConversionReport& r) {
  fmt::print(out, "{{\"source\":{},\"target\":{},\"rows\":{},\"indexes\":{},\"tables\":[",
             JsonText(r.source), JsonText(r.target), r.Rows(), r.Indexes());
  for (size_t i = 0; i < r.tables.size(); ++i) {
    const nrx::JetTableCopy& t = r.tables[i];
    fmt::print(out, "{}{{\"name\":{},\"rows\":{},\"indexes\":{}}}", i ? "," : "", JsonText(t.name),
               t.rows, t.indexes);
  }
  fmt::print(out, "],\"changes\":[");
  for (size_t i = 0; i < r.changes.size(); ++i) {
    const nrx::JetTypeChange& c = r.changes[i];
    fmt::print(out, "{}{{\"table\":{},\"field\":{},\"jetType\":{},\"type\":{}}}", i ? "," : "",
               JsonText(c.table), JsonText(c.field), JsonText(c.jet_type),
               JsonText(FieldTypeName(c.type)));
  }
  fmt::print(out, "]}}\n");
}

}  // namespace

int RunImport(const ImportOptions& options, const Context& context) {
  const std::string target =
      options.target.empty() ? nrx::ConvertedJobName(options.source) : options.target;
  nrx::JetProgress progress;
  if (auto bar = ProgressCallback(context.out, context.terminal && !options.json, "Converting")) {
    progress = [bar](long done, long total) {
      bar(static_cast<std::size_t>(std::max(done, 0L)), static_cast<std::size_t>(std::max(total, 0L)));
    };
  }
  nrx::JetConversionReport report =
      nrx::DBEngine::Instance().ConvertJetDatabase(options.source, target, progress);
  if (options.json) PrintJson(context.out, report);
  else PrintText(context.out, report);
  return kExitOk;
}

}  // namespace njb
