// njb fixed JOB: the fixed points of a job's points table, counted and listed as cFixedPoints
// sees them, each with whether point entry also holds it fixed. The job is opened read-only, so
// looking can never change it.

#include <fmt/format.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "commands.h"
#include "json.h"
#include "nrxJobDb/cfixedpoints.h"
#include "nrxJobDb/table_names.h"

namespace njb {
namespace {

struct FixedPoint {
  std::int32_t number;
  bool in_point_entry;
};

struct FixedReport {
  std::string table;
  std::int32_t count;
  std::vector<FixedPoint> points;
};

// A Byte flag (1) and a Boolean one (True, -1) both count: not Null and not 0.
std::string FixedSelection(const std::string& table) {
  return fmt::format("SELECT * FROM [{}] WHERE Fixed <> 0 ORDER BY PointNo", table);
}

FixedReport Collect(const nrx::DatabasePtr& db) {
  FixedReport report{nrx::model::TableNames::Instance().PointsTable(), 0, {}};
  auto fixed = std::make_shared<nrx::cFixedPoints>();
  fixed->CountFixedPts(db, FixedSelection(report.table), true);
  report.count = fixed->FixedDBPoints();
  if (report.count == 0) return report;
  nrx::Recordset& rs = *fixed->FixedPointsTable();
  for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
    const std::int32_t number = rs.Fields("PointNo")->Value().ToLong();
    report.points.push_back({number, fixed->PointFixedInPE(number, false, db)});
  }
  return report;
}

void PrintText(std::FILE* out, const FixedReport& report) {
  fmt::print(out, "{}: {} fixed point{}\n", report.table, report.count,
             report.count == 1 ? "" : "s");
  for (const FixedPoint& point : report.points) {
    fmt::print(out, "  {:>10}  {}\n", point.number,
               point.in_point_entry ? "fixed in point entry" : "not fixed in point entry");
  }
}

void PrintJson(std::FILE* out, const FixedReport& report) {
  std::string text =
      fmt::format("{{\"table\":{},\"count\":{},\"points\":[", JsonText(report.table), report.count);
  const char* separator = "";
  for (const FixedPoint& point : report.points) {
    text += fmt::format("{}{{\"pointNo\":{},\"fixedInPointEntry\":{}}}",
                        std::exchange(separator, ","), point.number, point.in_point_entry);
  }
  fmt::print(out, "{}]}}\n", text);
}

}  // namespace

int RunFixed(const FixedOptions& options, const Context& context) {
  auto db = nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(options.file, false, true);
  FixedReport report;
  try {
    report = Collect(db);
  } catch (const nrx::Error& e) {
    // The component passes an error on under its member's label, without the engine's words.
    nrx::RaiseText(e.Number(), "njb",
                   fmt::format("{} cannot be read for fixed points ({}): {}", options.file,
                               e.Source(), e.what()));
  }
  db->Close();
  if (options.json) PrintJson(context.out, report);
  else PrintText(context.out, report);
  return kExitOk;
}

}  // namespace njb
