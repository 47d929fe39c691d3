// njb export JOB --format F OUT: the job's points and lines out to GIS and CAD formats.

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <filesystem>

#include "commands.h"
#include "exchange/export.h"
#include "job_exchange.h"
#include "progress_bar.h"

namespace njb {
namespace {

namespace ex = nrx::exchange;

void PrintSummary(std::FILE* out, const ex::ExportSummary& summary) {
  std::size_t points = 0;
  std::size_t lines = 0;
  for (const ex::LayerCount& layer : summary.layers) {
    std::string counts;
    if (layer.points || !layer.lines) counts = fmt::format("{} points", layer.points);
    if (layer.lines) counts += fmt::format("{}{} lines", counts.empty() ? "" : ", ", layer.lines);
    fmt::print(out, "  {:<24} {}\n", layer.name, counts);
    points += layer.points;
    lines += layer.lines;
  }
  fmt::print(out, "{} points and {} lines in {} layer{}\n", points, lines, summary.layers.size(),
             summary.layers.size() == 1 ? "" : "s");
  if (summary.lines_skipped) {
    fmt::print(out, "{} lines left out: they name points the job does not have\n",
               summary.lines_skipped);
  }
}

}  // namespace

int RunExport(const ExportOptions& options, const Context& context) {
  ex::ExportOptions exporting;
  exporting.format = ex::ParseFormat(options.format);
  exporting.out = options.out;
  exporting.split_zones = options.split_zones;
  exporting.columns = options.columns;
  exporting.progress = ProgressCallback(context.out, context.terminal, "Exporting");
  if (exporting.format != ex::Format::kCsv && options.columns != "PENZD") {
    nrx::RaiseText(nrx::err::kInvalidCall, "njb.export", "--columns is for csv only");
  }
  std::optional<ex::Crs> given;
  if (!options.crs.empty()) given = ex::ParseCrs(options.crs);

  if (!std::filesystem::exists(options.file)) {
    nrx::Raise(nrx::err::kFileNotFound, "njb.export", options.file);
  }
  auto db = nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(options.file, false, true);
  const ex::JobData job = ReadJobData(*db);
  ex::ZoneSystems systems(ReadJobProjection(*db), given);
  db->Close();

  const ex::ExportSummary summary = ex::Export(job, systems, exporting);
  fmt::print(context.out, "Exported {} to {}:\n", options.file,
             fmt::join(summary.files, ", "));
  PrintSummary(context.out, summary);
  return kExitOk;
}

}  // namespace njb
