// cFixedPoints::PointFixedInTable asked about every point of a table-type recordset of Points
// (PointNo_Index selected), against plain SQLite answering the same question with one indexed
// SELECT per point:
//   SELECT Fixed FROM Points WHERE PointNo = ?1
// prepared once, inside one transaction, fixed when the value is not Null and not 0. Our side
// runs inside BeginTrans ... Rollback, as the application works inside the job's transaction.
// Cases: the points in the recordset's own order (the fast path: the next record answers, no
// search), and the same points in a random order (each a search: Seek on the index). Prints
//   RATIO case=fixed_in_order ours_over_sqlite=<x>   (100,000 points; goal at most 1)
//   RATIO case=fixed_random ours_over_sqlite=<x>     (100,000 points; goal at most 3)
//   GROWTH case=<case> ours=<x> sqlite=<y>           (cost of one question at the largest size
//                                                     over that at the smallest)
// Times are CPU times.

#include <sqlite3.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "bench_support.h"
#include "nrxJobDb/cfixedpoints.h"
#include "points_job.h"

namespace {

constexpr int kRatioSize = 100000;
const int kSizes[] = {10000, kRatioSize, 400000};
constexpr int kFixedEvery = 3;

std::filesystem::path g_dir;

using nrx::bench::Ws;

// The points job with a Byte "Fixed" on every third point, as Points keeps it.
std::string MakeJob(int rows) {
  const std::string path = nrx::bench::MakePointsJob(g_dir / fmt::format("fixed{}.njb", rows), rows);
  {
    auto db = Ws()->OpenDatabase(path);
    auto points = db->TableDefs("Points");
    points->FieldsAppend(points->CreateField("Fixed", nrx::dbByte));
    db->Close();
  }
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, fmt::format("UPDATE Points SET Fixed = (PointNo % {} = 0)", kFixedEvery).c_str(),
               nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return path;
}

// Point numbers 1..rows, in order or shuffled the same way for both sides.
std::vector<int> Order(int rows, bool random) {
  std::vector<int> points(static_cast<size_t>(rows));
  std::iota(points.begin(), points.end(), 1);
  if (random) std::shuffle(points.begin(), points.end(), std::mt19937(1));
  return points;
}

// Both sides count the fixed points they find, and must agree.
int Expected(int rows) { return rows / kFixedEvery; }

void CheckCount(benchmark::State& state, int found, int rows) {
  if (found != Expected(rows)) state.SkipWithError("wrong number of fixed points found");
}

void Ours(benchmark::State& state, const std::string& path, int rows, bool random) {
  const std::vector<int> points = Order(rows, random);
  auto db = Ws()->OpenDatabase(path);
  auto rs = db->OpenRecordset("Points", nrx::dbOpenTable);
  rs->SetIndex("PointNo_Index");
  nrx::cFixedPoints fixed;
  Ws()->BeginTrans();
  for (auto _ : state) {
    int found = 0;
    for (int point : points) found += fixed.PointFixedInTable(point, rs) ? 1 : 0;
    CheckCount(state, found, rows);
  }
  Ws()->Rollback();
  state.SetItemsProcessed(state.iterations() * rows);
}

void Sqlite(benchmark::State& state, const std::string& path, int rows, bool random) {
  const std::vector<int> points = Order(rows, random);
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "PRAGMA cache_size=-16384", nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT Fixed FROM Points WHERE PointNo = ?1", -1, &st, nullptr);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (auto _ : state) {
    int found = 0;
    for (int point : points) {
      sqlite3_bind_int(st, 1, point);
      if (sqlite3_step(st) == SQLITE_ROW && sqlite3_column_type(st, 0) != SQLITE_NULL &&
          sqlite3_column_int(st, 0) != 0)
        ++found;
      sqlite3_reset(st);
    }
    CheckCount(state, found, rows);
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_finalize(st);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * rows);
}

std::string CaseName(const char* base, int rows) {
  return rows == kRatioSize ? base : fmt::format("{}_{}k", base, rows / 1000);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  g_dir = nrx::bench::Folder("fixed_points");
  std::vector<std::string> cases;
  for (int rows : kSizes) {
    const std::string path = MakeJob(rows);
    for (bool random : {false, true}) {
      const std::string name = CaseName(random ? "fixed_random" : "fixed_in_order", rows);
      cases.push_back(name);
      benchmark::RegisterBenchmark((name + "/ours").c_str(), Ours, path, rows, random)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(3);
      benchmark::RegisterBenchmark((name + "/sqlite").c_str(), Sqlite, path, rows, random)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(3);
    }
  }
  nrx::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios(cases);
  const int small = kSizes[0], large = kSizes[std::size(kSizes) - 1];
  for (const char* base : {"fixed_in_order", "fixed_random"})
    reporter.PrintGrowth(CaseName(base, small), CaseName(base, large), base,
                         static_cast<double>(small) / large);
  benchmark::Shutdown();
}
