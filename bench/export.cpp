// njb export of a job's points to GeoPackage against ogr2ogr converting a CSV of the same points
// into a GeoPackage, at two sizes. Each side is timed by its CPU time (ours in this process,
// ogr2ogr as a child), the best of five runs taken in turns with the other side's, so that other
// work on the machine weighs little and weighs on both alike:
//   RATIO case=export_gpkg_10k ours_over_ogr2ogr=<x>      (10,000 points)
//   RATIO case=export_gpkg ours_over_ogr2ogr=<x>          (100,000 points)
//   GROWTH case=export_gpkg ours=<x> ogr2ogr=<y>          (cost of a point at 100k over at 10k)
// ogr2ogr starts a process each run (some 0.1 s of CPU) where ours runs in this one, which weighs
// at the small size; at the large one both spend most of it in SQLite's R-tree, built on closing.

#include <fmt/format.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <utility>

#include "bench_support.h"
#include "commands.h"
#include "nrxJobDb/catalogue_report.h"
#include "nrxJobDb/engine.h"

namespace {

namespace fs = std::filesystem;
constexpr int kRuns = 5;

double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The CPU time of `run`, counted for this process and its children.
double CpuTimeOf(const std::function<void()>& run) {
  const double before = CpuSeconds(RUSAGE_SELF) + CpuSeconds(RUSAGE_CHILDREN);
  run();
  return CpuSeconds(RUSAGE_SELF) + CpuSeconds(RUSAGE_CHILDREN) - before;
}

// The least CPU time of each side over kRuns runs taken in turns.
std::pair<double, double> BestInTurns(const std::function<void()>& ours,
                                      const std::function<void()>& theirs) {
  std::pair<double, double> best{1e300, 1e300};
  for (int i = 0; i < kRuns; ++i) {
    best.first = std::min(best.first, CpuTimeOf(ours));
    best.second = std::min(best.second, CpuTimeOf(theirs));
  }
  return best;
}

double LoadAverage() {
  double load = 0;
  return getloadavg(&load, 1) == 1 ? load : -1;
}

double Easting(int i) { return 300000.0 + (i % 400) * 2.5; }
double Northing(int i) { return 6200000.0 + (i / 400) * 2.5; }

// A job of points 1..`points` in zone 56 south on GDA2020, a datum whose zone systems PROJ is
// slow to identify; the points go in through plain SQLite.
void MakeJob(const fs::path& path, int points) {
  {
    auto db = nrx::DBEngine::Instance().Workspaces(0)->CreateDatabase(path.string(),
                                                                      nrx::kJobConnect, 0);
    for (const char* list : {"JobDetails", "Points"}) {
      const nrx::CatalogueList described = nrx::DescribeCatalogueList(list);
      auto table = db->CreateTableDef(described.table);
      for (const auto& f : described.fields) {
        table->FieldsAppend(table->CreateField(f.name, f.type, f.size));
      }
      db->TableDefsAppend(table);
    }
    db->Execute("INSERT INTO JobDetails (Projection, DatumH, Zone, ApproxLat) "
                "VALUES ('UTM', 'GDA2020', 56, -34)");
    db->Close();
  }
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db,
                     "INSERT INTO Points (PointNo, X, Y, Z, Zone, Description, Fixed) "
                     "VALUES (?1, ?2, ?3, ?4, 56, 'PEG', 0)",
                     -1, &st, nullptr);
  for (int i = 1; i <= points; ++i) {
    sqlite3_bind_int(st, 1, i);
    sqlite3_bind_double(st, 2, Easting(i));
    sqlite3_bind_double(st, 3, Northing(i));
    sqlite3_bind_double(st, 4, 10.0 + i % 7);
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
}

// The same points with the attributes our GeoPackage carries.
void MakeCsv(const fs::path& path, int points) {
  std::FILE* out = std::fopen(path.c_str(), "w");
  fmt::print(out, "point_no,easting,northing,height,zone,desc,fixed,alpha_id\n");
  for (int i = 1; i <= points; ++i) {
    fmt::print(out, "{},{:.3f},{:.3f},{:.3f},56,PEG,0,\n", i, Easting(i), Northing(i),
               10.0 + i % 7);
  }
  std::fclose(out);
}

// CPU seconds of our export and of ogr2ogr's conversion of `points` points.
std::pair<double, double> Measure(const fs::path& parent, int points) {
  const fs::path dir = parent / std::to_string(points);
  fs::create_directories(dir);
  MakeJob(dir / "job.njb", points);
  MakeCsv(dir / "points.csv", points);
  const std::string ogr2ogr = fmt::format(
      "ogr2ogr -f GPKG '{}' '{}' -nln points_z56 -a_srs EPSG:7856 -oo X_POSSIBLE_NAMES=easting "
      "-oo Y_POSSIBLE_NAMES=northing -oo KEEP_GEOM_COLUMNS=YES -oo AUTODETECT_TYPE=YES",
      (dir / "theirs.gpkg").string(), (dir / "points.csv").string());
  const auto [ours, theirs] = BestInTurns(
      [&] {
        fs::remove(dir / "ours.gpkg");
        std::FILE* sink = std::fopen("/dev/null", "w");
        njb::RunExport({.file = (dir / "job.njb").string(), .format = "gpkg",
                        .out = (dir / "ours.gpkg").string()},
                       {sink, false});
        std::fclose(sink);
      },
      [&] {
        fs::remove(dir / "theirs.gpkg");
        if (std::system(ogr2ogr.c_str()) != 0) std::abort();
      });
  fmt::print("export_gpkg {} points: ours {:.3f} s, ogr2ogr {:.3f} s (CPU, best of {}, load {:.2f})\n",
             points, ours, theirs, kRuns, LoadAverage());
  return {ours, theirs};
}

}  // namespace

int main() {
  const fs::path dir = nrx::bench::Folder("export");
  constexpr int kSmall = 10000;
  constexpr int kLarge = 100000;
  const auto [small_ours, small_theirs] = Measure(dir, kSmall);
  const auto [large_ours, large_theirs] = Measure(dir, kLarge);
  fmt::print("RATIO case=export_gpkg_10k ours_over_ogr2ogr={:.2f}\n", small_ours / small_theirs);
  fmt::print("RATIO case=export_gpkg ours_over_ogr2ogr={:.2f}\n", large_ours / large_theirs);
  constexpr double kPerPoint = static_cast<double>(kSmall) / kLarge;
  fmt::print("GROWTH case=export_gpkg ours={:.2f} ogr2ogr={:.2f}\n",
             large_ours / small_ours * kPerPoint, large_theirs / small_theirs * kPerPoint);
  return 0;
}
