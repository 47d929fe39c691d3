// njb import OLD.MDB [NEW.njb]: the conversion of an older job's Jet database on its own, with a
// progress bar on a terminal and the report of what arrived.

#include <fmt/format.h>

#include "commands.h"
#include "json.h"
#include "type_names.h"

namespace njb {
namespace {

constexpr int kBarWidth = 30;

// "\r[#########.....] 1234/5678 rows", redrawn in place.
void DrawBar(std::FILE* out, long done, long total) {
  const int filled = total > 0 ? static_cast<int>(kBarWidth * done / total) : kBarWidth;
  fmt::print(out, "\r[{}{}] {}/{} rows", std::string(filled, '#'), std::string(kBarWidth - filled, '.'),
             done, total);
  std::fflush(out);
}

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
  const bool bar = context.terminal && !options.json;
  nrx::JetProgress progress;
  if (bar) progress = [&](long done, long total) { DrawBar(context.out, done, total); };
  nrx::JetConversionReport report =
      nrx::DBEngine::Instance().ConvertJetDatabase(options.source, target, progress);
  if (bar) fmt::print(context.out, "\n");
  if (options.json) PrintJson(context.out, report);
  else PrintText(context.out, report);
  return kExitOk;
}

}  // namespace njb
