// njb export of 100,000 points to GeoPackage against ogr2ogr converting a CSV of the same points
// into a GeoPackage in the same run. Each side is timed by its CPU time (ours in this process,
// ogr2ogr as a child), best of three, so that other work on the machine weighs little:
//   RATIO case=export_gpkg ours_over_ogr2ogr=<x>

#include <fmt/format.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "bench_support.h"
#include "commands.h"
#include "nrxJobDb/catalogue_report.h"
#include "nrxJobDb/engine.h"

namespace {

namespace fs = std::filesystem;
constexpr int kPoints = 100000;

double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The least CPU time of three runs of `run`, counted for this process and its children.
double BestOfThree(const std::function<void()>& run) {
  double best = 1e300;
  for (int i = 0; i < 3; ++i) {
    const double before = CpuSeconds(RUSAGE_SELF) + CpuSeconds(RUSAGE_CHILDREN);
    run();
    best = std::min(best, CpuSeconds(RUSAGE_SELF) + CpuSeconds(RUSAGE_CHILDREN) - before);
  }
  return best;
}

double Easting(int i) { return 300000.0 + (i % 400) * 2.5; }
double Northing(int i) { return 6200000.0 + (i / 400) * 2.5; }

// A job of points 1..kPoints in zone 56 south; the points go in through plain SQLite.
void MakeJob(const fs::path& path) {
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
                "VALUES ('UTM', 'WGS84', 56, -34)");
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
  for (int i = 1; i <= kPoints; ++i) {
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
void MakeCsv(const fs::path& path) {
  std::FILE* out = std::fopen(path.c_str(), "w");
  fmt::print(out, "point_no,easting,northing,height,zone,desc,fixed,alpha_id\n");
  for (int i = 1; i <= kPoints; ++i) {
    fmt::print(out, "{},{:.3f},{:.3f},{:.3f},56,PEG,0,\n", i, Easting(i), Northing(i),
               10.0 + i % 7);
  }
  std::fclose(out);
}

}  // namespace

int main() {
  const fs::path dir = nrx::bench::Folder("export");
  MakeJob(dir / "job.njb");
  MakeCsv(dir / "points.csv");

  const double ours = BestOfThree([&] {
    fs::remove(dir / "ours.gpkg");
    std::FILE* sink = std::fopen("/dev/null", "w");
    njb::RunExport({.file = (dir / "job.njb").string(), .format = "gpkg",
                    .out = (dir / "ours.gpkg").string()},
                   {sink, false});
    std::fclose(sink);
  });
  const std::string ogr2ogr = fmt::format(
      "ogr2ogr -f GPKG '{}' '{}' -nln points_z56 -a_srs EPSG:32756 -oo X_POSSIBLE_NAMES=easting "
      "-oo Y_POSSIBLE_NAMES=northing -oo KEEP_GEOM_COLUMNS=YES -oo AUTODETECT_TYPE=YES",
      (dir / "theirs.gpkg").string(), (dir / "points.csv").string());
  const double theirs = BestOfThree([&] {
    fs::remove(dir / "theirs.gpkg");
    if (std::system(ogr2ogr.c_str()) != 0) std::abort();
  });
  fmt::print("export_gpkg: ours {:.3f} s, ogr2ogr {:.3f} s (CPU, best of 3, {} points)\n", ours,
             theirs, kPoints);
  fmt::print("RATIO case=export_gpkg ours_over_ogr2ogr={:.2f}\n", ours / theirs);
  return 0;
}
