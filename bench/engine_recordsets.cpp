// Recordsets against plain SQLite statements: adding, seeking, scanning and finding records, and
// the memory an open recordset of 1,000,000 records holds.

#include <malloc.h>
#include <sqlite3.h>

#include <random>

#include "bench_support.h"
#include "nrxJobDb/engine.h"
#include "points_job.h"

namespace {

std::filesystem::path g_dir;

using nrx::bench::Ws;

std::string MakeJob(const std::string& name, int rows) {
  return nrx::bench::MakePointsJob(g_dir / name, rows);
}

sqlite3* OpenPlain(const std::string& path) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "PRAGMA cache_size=-16384", nullptr, nullptr, nullptr);
  return db;
}

// (a) 200,000 additions in one transaction.
constexpr int kAdds = 200000;

void AddOurs(benchmark::State& state) {
  int n = 0;
  for (auto _ : state) {
    auto db = Ws()->OpenDatabase(MakeJob(fmt::format("add_ours{}.njb", n++), 0), true);
    nrx::bench::AddPoints(*db, kAdds);
  }
}

void AddSqlite(benchmark::State& state) {
  int n = 0;
  for (auto _ : state) {
    sqlite3* db = OpenPlain(MakeJob(fmt::format("add_sqlite{}.njb", n++), 0));
    nrx::bench::InsertPoints(db, kAdds, [](int) { return "CODE"; });
    sqlite3_close(db);
  }
}

// (b) 100,000 random Seeks on the primary index.
constexpr int kSeekRows = 100000;
constexpr int kSeeks = 100000;
std::string g_seek_job;

void SeekOurs(benchmark::State& state) {
  auto db = Ws()->OpenDatabase(g_seek_job);
  auto rs = db->OpenRecordset("Points");
  rs->SetIndex("PointNo_Index");
  auto e = rs->Fields("Easting");
  for (auto _ : state)
    benchmark::DoNotOptimize(nrx::bench::SeekAtRandom(*rs, e, kSeekRows, kSeeks));
}

void SeekSqlite(benchmark::State& state) {
  sqlite3* db = OpenPlain(g_seek_job);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(
      db, "SELECT rowid, PointNo, Easting, Northing, Code FROM Points WHERE PointNo = ?1", -1, &st,
      nullptr);
  // One read transaction, as an open recordset keeps: no lock round trip per statement.
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (auto _ : state) {
    std::mt19937 rng(1);
    double sum = 0;
    for (int i = 0; i < kSeeks; ++i) {
      sqlite3_bind_int(st, 1, static_cast<int>(rng() % kSeekRows) + 1);
      if (sqlite3_step(st) == SQLITE_ROW) sum += sqlite3_column_double(st, 2);
      sqlite3_reset(st);
    }
    benchmark::DoNotOptimize(sum);
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_finalize(st);
  sqlite3_close(db);
}

// (c) A scan of 1,000,000 records reading three fields.
constexpr int kScanRows = 1000000;
std::string g_scan_job;

void ScanOurs(benchmark::State& state) {
  auto db = Ws()->OpenDatabase(g_scan_job);
  for (auto _ : state) {
    benchmark::DoNotOptimize(nrx::bench::ScanPoints(*db));
  }
}

void ScanSqlite(benchmark::State& state) {
  sqlite3* db = OpenPlain(g_scan_job);
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid, PointNo, Easting, Northing, Code FROM Points", -1, &st,
                       nullptr);
    long sum = 0;
    std::string code;
    while (sqlite3_step(st) == SQLITE_ROW) {
      sum += sqlite3_column_int(st, 1);
      sum += static_cast<long>(sqlite3_column_double(st, 2));
      code.assign(reinterpret_cast<const char*>(sqlite3_column_text(st, 4)));
      sum += static_cast<long>(code.size());
    }
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(sum);
  }
  sqlite3_close(db);
}

// (d) FindFirst of the last record of a 100,000-record dynaset.
void FindOurs(benchmark::State& state) {
  auto db = Ws()->OpenDatabase(g_seek_job);
  auto rs = db->OpenRecordset("SELECT * FROM Points WHERE PointNo > 0");
  for (auto _ : state) {
    rs->FindFirst("Easting = " + std::to_string(1000 + kSeekRows));
    benchmark::DoNotOptimize(rs->Fields("PointNo")->Value().ToLong());
  }
}

// The engine's own statement, stepped to its first row: LIMIT 1 would have SQLite choose
// another plan.
void FindSqlite(benchmark::State& state) {
  sqlite3* db = OpenPlain(g_seek_job);
  for (auto _ : state) {
    sqlite3_stmt* st = nullptr;
    std::string sql =
        "SELECT rowid, PointNo, Easting, Northing, Code FROM Points WHERE (PointNo > 0) AND "
        "(Easting = " +
        std::to_string(1000 + kSeekRows) + ") ORDER BY rowid";
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    if (sqlite3_step(st) == SQLITE_ROW) benchmark::DoNotOptimize(sqlite3_column_int(st, 1));
    sqlite3_finalize(st);
  }
  sqlite3_close(db);
}

// The heap an open dynaset of every record holds, once the page cache is warm.
constexpr const char* kEveryPoint = "SELECT * FROM Points WHERE Easting > 0";
void PrintMemory() {
  auto db = Ws()->OpenDatabase(g_scan_job);
  db->TableDefs("Points")->RecordCount();
  {
    auto warm = db->OpenRecordset(kEveryPoint);
    warm->MoveLast();
  }
  malloc_trim(0);
  size_t before = mallinfo2().uordblks;
  // A dynaset: a table-type recordset keeps no keyset, and would hold nothing per record.
  auto rs = db->OpenRecordset(kEveryPoint);
  rs->MoveLast();
  size_t after = mallinfo2().uordblks;
  double per_record = static_cast<double>(after - before) / kScanRows;
  fmt::print("MEMORY case=open_1M bytes_per_record={:.1f}\n", per_record);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  g_dir = nrx::bench::Folder("engine_recordsets");
  g_seek_job = MakeJob("seek.njb", kSeekRows);
  g_scan_job = MakeJob("scan.njb", kScanRows);
  auto ms = benchmark::kMillisecond;
  benchmark::RegisterBenchmark("add_200k/ours", AddOurs)->Unit(ms)->Iterations(2);
  benchmark::RegisterBenchmark("add_200k/sqlite", AddSqlite)->Unit(ms)->Iterations(2);
  benchmark::RegisterBenchmark("seek_100k/ours", SeekOurs)->Unit(ms)->Iterations(3);
  benchmark::RegisterBenchmark("seek_100k/sqlite", SeekSqlite)->Unit(ms)->Iterations(3);
  benchmark::RegisterBenchmark("scan_1M/ours", ScanOurs)->Unit(ms)->Iterations(3);
  benchmark::RegisterBenchmark("scan_1M/sqlite", ScanSqlite)->Unit(ms)->Iterations(3);
  benchmark::RegisterBenchmark("find_last_100k/ours", FindOurs)->Unit(ms)->Iterations(10);
  benchmark::RegisterBenchmark("find_last_100k/sqlite", FindSqlite)->Unit(ms)->Iterations(10);
  nrx::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios({"add_200k", "seek_100k", "scan_1M", "find_last_100k"});
  PrintMemory();
  benchmark::Shutdown();
}
