// The condition of cJobProcs::MultiZoneSELECT for a window across the wrap from zone 60 to 1, run
// over a points table through a dynaset, against plain SQLite running the same condition, at
// 10,000, 100,000 and 1,000,000 points. Every selected record is read: PointNo, X, Y and Zone.
// Prints
//   RATIO case=window_select ours_over_sqlite=<x>          (1,000,000 points; goal: at most 2)
//   RATIO case=window_select_<n> ours_over_sqlite=<x>      (the smaller sizes)
//   GROWTH case=window_select ours=<x> sqlite=<y>          (time at 1M over time at 10k)
//
// SQLite runs, on a connection of its own with the engine's page cache:
//   SELECT rowid, PointNo, X, Y, Zone FROM Points WHERE <condition> ORDER BY rowid
// where <condition> is the text MultiZoneSELECT returns, which SQLite reads as it stands:
//       (((Zone < 59 and (Zone + 60 - 59) * 1000000 + X > 480000)   or (Zone >= 59 and ...
//   ... and Y > 6050000 and Y < 6150000

#include <sqlite3.h>

#include <random>

#include "bench_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/engine.h"

namespace {

const int kSizes[] = {10000, 100000, 1000000};
std::map<int, std::string> g_jobs;
std::string g_condition;

using nrx::bench::Ws;

// Points in zones 59, 60, 1 and 2 in turn, eastings anywhere in their zone, northings over
// 200 km: the window holds about a quarter of them. Filled through plain SQLite.
std::string MakeZonedJob(const std::filesystem::path& path, int rows) {
  {
    auto db = Ws()->CreateDatabase(path.string(), nrx::kJobConnect, 0);
    auto t = db->CreateTableDef("Points");
    t->FieldsAppend(t->CreateField("PointNo", nrx::dbLong));
    t->FieldsAppend(t->CreateField("X", nrx::dbDouble));
    t->FieldsAppend(t->CreateField("Y", nrx::dbDouble));
    t->FieldsAppend(t->CreateField("Zone", nrx::dbInteger));
    db->TableDefsAppend(t);
    db->Close();
  }
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO Points (PointNo, X, Y, Zone) VALUES (?1, ?2, ?3, ?4)", -1,
                     &st, nullptr);
  std::mt19937 rng(1);
  std::uniform_real_distribution<double> easting(0, 1000000), northing(6000000, 6200000);
  const int zones[] = {59, 60, 1, 2};
  for (int i = 1; i <= rows; ++i) {
    sqlite3_bind_int(st, 1, i);
    sqlite3_bind_double(st, 2, easting(rng));
    sqlite3_bind_double(st, 3, northing(rng));
    sqlite3_bind_int(st, 4, zones[i % 4]);
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return path.string();
}

void WindowOurs(benchmark::State& state, int rows) {
  auto db = Ws()->OpenDatabase(g_jobs.at(rows));
  long selected = 0;
  for (auto _ : state) {
    auto rs = db->OpenRecordset("SELECT * FROM Points WHERE " + g_condition, nrx::dbOpenDynaset);
    auto no = rs->Fields("PointNo"), x = rs->Fields("X"), y = rs->Fields("Y"),
         zone = rs->Fields("Zone");
    double sum = 0;
    selected = 0;
    for (; !rs->Eof(); rs->MoveNext(), ++selected) {
      sum += no->Value().ToDouble() + x->Value().ToDouble() + y->Value().ToDouble() +
             zone->Value().ToDouble();
    }
    benchmark::DoNotOptimize(sum);
  }
  state.counters["selected"] = static_cast<double>(selected);
}

void WindowSqlite(benchmark::State& state, int rows) {
  sqlite3* db = nullptr;
  sqlite3_open(g_jobs.at(rows).c_str(), &db);
  sqlite3_exec(db, "PRAGMA cache_size=-16384", nullptr, nullptr, nullptr);
  const std::string sql =
      "SELECT rowid, PointNo, X, Y, Zone FROM Points WHERE " + g_condition + " ORDER BY rowid";
  long selected = 0;
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      state.SkipWithError(sqlite3_errmsg(db));
      break;
    }
    double sum = 0;
    selected = 0;
    for (; sqlite3_step(st) == SQLITE_ROW; ++selected) {
      sum += sqlite3_column_int(st, 1) + sqlite3_column_double(st, 2) +
             sqlite3_column_double(st, 3) + sqlite3_column_int(st, 4);
    }
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(sum);
  }
  state.counters["selected"] = static_cast<double>(selected);
  sqlite3_close(db);
}

// "window_select" at the largest size, "window_select_<n>" below it.
std::string CaseName(int rows) {
  return rows == kSizes[std::size(kSizes) - 1] ? "window_select"
                                               : fmt::format("window_select_{}", rows);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  const auto dir = nrx::bench::Folder("window_select");
  g_condition = nrx::cJobProcs().MultiZoneSELECT(480000, 6050000, 220000, 6150000, 59, 1);
  std::vector<std::string> cases;
  for (int rows : kSizes) {
    g_jobs[rows] = MakeZonedJob(dir / fmt::format("zoned{}.njb", rows), rows);
    const std::string name = CaseName(rows);
    cases.push_back(name);
    const int iterations = rows >= 1000000 ? 3 : 10;
    benchmark::RegisterBenchmark((name + "/ours").c_str(), WindowOurs, rows)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(iterations);
    benchmark::RegisterBenchmark((name + "/sqlite").c_str(), WindowSqlite, rows)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(iterations);
  }
  nrx::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios(cases);
  const std::string& small = cases.front();
  const std::string& large = cases.back();
  fmt::print("GROWTH case=window_select ours={:.2f} sqlite={:.2f} (points x{})\n",
             reporter.Seconds(large + "/ours") / reporter.Seconds(small + "/ours"),
             reporter.Seconds(large + "/sqlite") / reporter.Seconds(small + "/sqlite"),
             kSizes[std::size(kSizes) - 1] / kSizes[0]);
  benchmark::Shutdown();
  return 0;
}
