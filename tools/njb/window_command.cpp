// njb window JOB --min X,Y,ZONE --max X,Y,ZONE: the condition that MultiZoneSELECT builds for a
// window across projection zones, and the points of the job it selects through the engine. The
// job is opened read-only.

#include <fmt/format.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "commands.h"
#include "json.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/table_names.h"

namespace njb {
namespace {

// One corner of the window: an easting and northing in its own zone.
struct Corner {
  double x = 0;
  double y = 0;
  std::int16_t zone = 0;
};

[[noreturn]] void BadCorner(std::string_view option, std::string_view text) {
  nrx::RaiseText(nrx::err::kInvalidCall, "njb",
                 fmt::format("{} wants X,Y,ZONE (two numbers and a whole zone number), not '{}'.",
                             option, text));
}

Corner ParseCorner(std::string_view option, std::string_view text) {
  std::vector<double> parts;
  for (std::string_view rest = text;;) {
    const std::size_t comma = rest.find(',');
    const std::optional<double> number = nrx::ParseNumber(rest.substr(0, comma));
    if (!number || !std::isfinite(*number)) BadCorner(option, text);
    parts.push_back(*number);
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  if (parts.size() != 3) BadCorner(option, text);
  const double zone = parts[2];
  if (zone != std::trunc(zone) || zone < std::numeric_limits<std::int16_t>::min() ||
      zone > std::numeric_limits<std::int16_t>::max()) {
    BadCorner(option, text);
  }
  return {parts[0], parts[1], static_cast<std::int16_t>(zone)};
}

struct SelectedPoint {
  nrx::Variant number, x, y, zone;
};

std::vector<SelectedPoint> SelectPoints(nrx::Database& db, const std::string& condition) {
  const std::string& table = nrx::model::TableNames::Instance().PointsTable();
  nrx::RecordsetPtr rs = db.OpenRecordset(
      fmt::format("SELECT [PointNo], [X], [Y], [Zone] FROM [{}] WHERE {} ORDER BY [PointNo]", table,
                  condition),
      nrx::dbOpenSnapshot);
  std::vector<SelectedPoint> points;
  for (; !rs->Eof(); rs->MoveNext()) {
    points.push_back({rs->Fields("PointNo")->Value(), rs->Fields("X")->Value(),
                      rs->Fields("Y")->Value(), rs->Fields("Zone")->Value()});
  }
  return points;
}

// A number of a point in JSON: the shortest form that reads back as the same double, or null.
std::string JsonNumber(const nrx::Variant& value) {
  return value.IsNull() ? "null" : fmt::format("{}", value.ToDouble());
}
std::string TextNumber(const nrx::Variant& value) {
  return value.IsNull() ? "Null" : fmt::format("{}", value.ToDouble());
}

void PrintJson(std::FILE* out, const std::string& condition,
               const std::vector<SelectedPoint>& points) {
  std::string items;
  for (const SelectedPoint& p : points) {
    items +=
        fmt::format("{}{{\"pointNo\":{},\"x\":{},\"y\":{},\"zone\":{}}}", items.empty() ? "" : ",",
                    JsonNumber(p.number), JsonNumber(p.x), JsonNumber(p.y), JsonNumber(p.zone));
  }
  fmt::print(out, "{{\"condition\":{},\"points\":[{}]}}\n", JsonText(condition), items);
}

void PrintText(std::FILE* out, const std::string& condition, bool outside,
               const std::vector<SelectedPoint>& points) {
  fmt::print(out, "Condition: {}\n", condition);
  fmt::print(out, "{} point{} {} the window\n", points.size(), points.size() == 1 ? "" : "s",
             outside ? "outside" : "inside");
  if (points.empty()) return;
  fmt::print(out, "  {:>10}  {:>16}  {:>16}  {:>5}\n", "PointNo", "X", "Y", "Zone");
  for (const SelectedPoint& p : points) {
    fmt::print(out, "  {:>10}  {:>16}  {:>16}  {:>5}\n", TextNumber(p.number), TextNumber(p.x),
               TextNumber(p.y), TextNumber(p.zone));
  }
}

}  // namespace

int RunWindow(const WindowOptions& options, const Context& context) {
  const Corner west = ParseCorner("--min", options.min);
  const Corner east = ParseCorner("--max", options.max);
  const std::string condition = nrx::cJobProcs::Default()->MultiZoneSELECT(
      west.x, west.y, east.x, east.y, west.zone, east.zone, options.outside);
  auto db = nrx::DBEngine::Instance().Workspaces(0)->OpenDatabase(options.file, false, true);
  const std::vector<SelectedPoint> points = SelectPoints(*db, condition);
  db->Close();
  if (options.json) {
    PrintJson(context.out, condition, points);
  } else {
    PrintText(context.out, condition, options.outside, points);
  }
  return kExitOk;
}

}  // namespace njb
