// Point entry: points stored one by one through EnterPointsSave, 10 lines to a page, inside the
// job's transaction, against plain SQLite writing the same header and line rows into the same
// tables (same columns, same unique indexes on PageNo and RecordNo) in one transaction. Sizes of
// 10,000, 30,000 and 100,000 points show how the cost of a point grows with the job; the time
// per point is the "per_point" column. Prints
//   RATIO case=enter_points_<n> ours_over_sqlite=<x>
// and last
//   RATIO case=enter_points ours_over_sqlite=<x>   (100,000 points)
//
// The plain SQLite side, per page and per point (Null for the values a point does not have):
//   INSERT INTO GridEntryHeader (PageNo, DecEN, DecHt, TotalPages) VALUES (?1, ?2, ?3, ?4)
//   INSERT INTO GridEntry (RecordNo, PointNo, Easting, Northing, Zone, Height, Description,
//                          N_Value, VertDefNS, VertDefEW, Fixed)
//          VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, NULL, NULL, NULL, 0)
// It writes each line once, with its point; entry writes a page's lines empty when it starts
// the page and fills each line as its point comes. The case enter_points_same_work (printed
// first) measures the engine's own share: plain SQLite doing that same work, each page's lines
//   INSERT INTO GridEntry (RecordNo) VALUES (?1)
// and each point
//   UPDATE GridEntry SET PointNo = ?2, Easting = ?3, Northing = ?4, Zone = ?5, Height = ?6,
//          Description = ?7, N_Value = NULL, VertDefNS = NULL, VertDefEW = NULL, Fixed = 0
//          WHERE RecordNo = ?1

#include <sqlite3.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "nrxJobDb/cjobprocs.h"
#include "nrxJobDb/engine.h"
#include "nrxJobDb/numeric_constants.h"
#include "nrxJobDb/point_entry_model.h"
#include "nrxJobDb/table_names.h"

namespace {

constexpr int kPerPage = 10;

std::filesystem::path g_dir;

using nrx::bench::Ws;

const std::string& HeaderTable() { return nrx::model::TableNames::Instance().GridEntryHeaderTable(); }
const std::string& DataTable() { return nrx::model::TableNames::Instance().GridEntryTable(); }

// A job file holding the empty grid point-entry pair, made as entry makes it.
std::string MakeEntryJob(const std::string& name) {
  const std::string path = (g_dir / name).string();
  std::filesystem::remove(path);
  auto db = Ws()->CreateDatabase(path, nrx::kJobConnect, 0);
  nrx::cJobProcs procs;
  procs.CreateJobDBTable(db, HeaderTable(), path);
  procs.CreateJobDBTable(db, DataTable(), path);
  db->Close();
  return path;
}

nrx::model::Point PointNumber(int i) {
  nrx::model::Point p;
  p.SetPointNo(i);
  p.SetEasting(1000.0 + i);
  p.SetNorthing(5000.0 + i);
  p.SetHeight(100.0 + i % 50);
  p.SetZone(56);
  p.SetDescription(i % 3 == 0 ? "KERB" : "");
  return p;
}

void PerPoint(benchmark::State& state, int points) {
  state.counters["per_point"] =
      benchmark::Counter(points, benchmark::Counter::kIsIterationInvariantRate |
                                     benchmark::Counter::kInvert);
}

void EnterOurs(benchmark::State& state, int points) {
  nrx::cJobProcs procs;
  auto general = std::make_shared<nrx::model::JobGeneral>();
  auto cfg = std::make_shared<nrx::model::JobCfg>();
  auto point = std::make_shared<nrx::model::Point>();
  int run = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto db = Ws()->OpenDatabase(MakeEntryJob(fmt::format("ours{}.njb", run++)), true);
    auto header = db->OpenRecordset(HeaderTable());
    auto data = db->OpenRecordset(DataTable());
    header->SetIndex("PageNo_Index");
    data->SetIndex("RecordNo_Index");
    nrx::model::EnterPointsPtr entry;
    std::vector<std::int32_t> list;
    std::vector<bool> fixed;
    procs.EnterPointsSetup(header, data, entry, 0, list, fixed, general, 0);
    state.ResumeTiming();

    Ws()->BeginTrans();
    for (int i = 1; i <= points; ++i) {
      *point = PointNumber(i);
      procs.EnterPointsSave(point, header, data, entry, 0, list, false, general, false, cfg);
    }
    Ws()->CommitTrans();

    state.PauseTiming();
    header.reset();
    data.reset();
    db->Close();
    state.ResumeTiming();
  }
  PerPoint(state, points);
}

sqlite3_stmt* Prepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    fmt::print(stderr, "cannot prepare {}: {}\n", sql, sqlite3_errmsg(db));
    std::exit(1);
  }
  return st;
}

void BindValueOrNull(sqlite3_stmt* st, int column, double value) {
  if (nrx::model::NumericConstants::Instance().IsNullValue(value)) sqlite3_bind_null(st, column);
  else sqlite3_bind_double(st, column, value);
}

// Binds line `i`: ?1 RecordNo, ?2 PointNo, ?3 Easting, ?4 Northing, ?5 Zone, ?6 Height,
// ?7 Description.
void BindLine(sqlite3_stmt* line, int i) {
  const nrx::model::Point p = PointNumber(i);
  sqlite3_bind_int(line, 1, i);
  sqlite3_bind_int(line, 2, p.PointNo());
  BindValueOrNull(line, 3, p.Easting());
  BindValueOrNull(line, 4, p.Northing());
  sqlite3_bind_int(line, 5, p.Zone());
  BindValueOrNull(line, 6, p.Height());
  if (p.Description().empty()) sqlite3_bind_null(line, 7);
  else sqlite3_bind_text(line, 7, p.Description().c_str(), -1, SQLITE_TRANSIENT);
}

void Run(sqlite3_stmt* st) {
  sqlite3_step(st);
  sqlite3_reset(st);
}

// With `sameWork` the lines of a page are written empty when the page starts and each point is
// then written into its line, as entry does; otherwise each line is written once, with its point.
void EnterSqlite(benchmark::State& state, int points, bool sameWork) {
  int run = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::string path = MakeEntryJob(fmt::format("sqlite{}.njb", run++));
    state.ResumeTiming();

    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "PRAGMA cache_size=-16384", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* page = Prepare(db, fmt::format(
        "INSERT INTO {} (PageNo, DecEN, DecHt, TotalPages) VALUES (?1, ?2, ?3, ?4)", HeaderTable()));
    sqlite3_stmt* empty_line =
        Prepare(db, fmt::format("INSERT INTO {} (RecordNo) VALUES (?1)", DataTable()));
    sqlite3_stmt* line = Prepare(db, fmt::format(
        fmt::runtime(sameWork ? "UPDATE {} SET PointNo = ?2, Easting = ?3, Northing = ?4, Zone = ?5, "
                   "Height = ?6, Description = ?7, N_Value = NULL, VertDefNS = NULL, "
                   "VertDefEW = NULL, Fixed = 0 WHERE RecordNo = ?1"
                 : "INSERT INTO {} (RecordNo, PointNo, Easting, Northing, Zone, Height, "
                   "Description, N_Value, VertDefNS, VertDefEW, Fixed) VALUES (?1, ?2, ?3, ?4, "
                   "?5, ?6, ?7, NULL, NULL, NULL, 0)"),
        DataTable()));
    for (int i = 1; i <= points; ++i) {
      if ((i - 1) % kPerPage == 0) {
        const int number = (i - 1) / kPerPage + 1;
        sqlite3_bind_int(page, 1, number);
        sqlite3_bind_int(page, 2, 3);
        sqlite3_bind_int(page, 3, 3);
        sqlite3_bind_int(page, 4, number);
        Run(page);
        for (int r = i; sameWork && r < i + kPerPage; ++r) {
          sqlite3_bind_int(empty_line, 1, r);
          Run(empty_line);
        }
      }
      BindLine(line, i);
      Run(line);
    }
    for (sqlite3_stmt* st : {page, empty_line, line}) sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  PerPoint(state, points);
}

struct Size {
  const char* name;
  int points;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  g_dir = nrx::bench::Folder("point_entry");
  nrx::model::PageLayout::SetDefaultPointsPerPage(kPerPage);
  const Size sizes[] = {{"enter_points_10k", 10000}, {"enter_points_30k", 30000},
                        {"enter_points", 100000}};
  std::vector<std::string> cases;
  for (const Size& size : sizes) {
    const int points = size.points;
    benchmark::RegisterBenchmark(fmt::format("{}/ours", size.name).c_str(),
                                 [points](benchmark::State& s) { EnterOurs(s, points); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2);
    benchmark::RegisterBenchmark(fmt::format("{}/sqlite", size.name).c_str(),
                                 [points](benchmark::State& s) { EnterSqlite(s, points, false); })
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2);
    cases.emplace_back(size.name);
  }
  // What the engine adds to the same statements: 100,000 points against plain SQLite doing
  // entry's own work.
  benchmark::RegisterBenchmark("enter_points_same_work/ours",
                               [](benchmark::State& s) { EnterOurs(s, 100000); })
      ->Unit(benchmark::kMillisecond)
      ->Iterations(2);
  benchmark::RegisterBenchmark("enter_points_same_work/sqlite",
                               [](benchmark::State& s) { EnterSqlite(s, 100000, true); })
      ->Unit(benchmark::kMillisecond)
      ->Iterations(2);
  cases.insert(cases.begin(), "enter_points_same_work");
  nrx::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios(cases);
  benchmark::Shutdown();
}
