// What sealing every page costs: a job with a password against a plain job, in the same run,
// through the engine alike. A scan of 1,000,000 records, random Seeks in them (the file is
// larger than the page cache, so pages come from the file and are opened again), and 200,000
// additions. Closes with "RATIO case=<scan|seek|add> encrypted_over_plain=<x>".

#include <random>

#include "bench_support.h"
#include "nrxJobDb/engine.h"
#include "points_job.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kSeeks = 100000;
constexpr int kAdds = 200000;
const std::string kPasswordConnect = std::string(nrx::kJobConnect) + ";PWD=bench password";

std::filesystem::path g_dir;

using nrx::bench::Ws;

struct Kind {
  const char* name;
  std::string connect;
  int options;
};
const Kind kEncrypted{"encrypted", kPasswordConnect, nrx::dbEncrypt};
const Kind kPlain{"plain", std::string(nrx::kJobConnect), 0};

// Table Points (PointNo Long primary, Easting, Northing Double, Code Text 16) with `rows`
// records numbered from 1, added through the engine: a sealed file takes no other writer.
nrx::DatabasePtr MakeJob(const std::string& name, const Kind& kind, int rows) {
  auto db = Ws()->CreateDatabase((g_dir / name).string(), kind.connect, kind.options);
  auto t = db->CreateTableDef("Points");
  t->FieldsAppend(t->CreateField("PointNo", nrx::dbLong));
  t->FieldsAppend(t->CreateField("Easting", nrx::dbDouble));
  t->FieldsAppend(t->CreateField("Northing", nrx::dbDouble));
  t->FieldsAppend(t->CreateField("Code", nrx::dbText, 16));
  db->TableDefsAppend(t);
  auto ix = t->CreateIndex("PointNo_Index");
  ix->SetFields("PointNo");
  ix->SetPrimary(true);
  t->IndexesAppend(ix);
  nrx::bench::AddPoints(*db, rows);
  return db;
}

std::string Job(const Kind& kind) { return (g_dir / (std::string(kind.name) + ".njb")).string(); }

nrx::DatabasePtr Open(const Kind& kind) {
  return Ws()->OpenDatabase(Job(kind), false, false, kind.connect);
}

void Scan(benchmark::State& state, const Kind& kind) {
  auto db = Open(kind);
  for (auto _ : state) {
    benchmark::DoNotOptimize(nrx::bench::ScanPoints(*db));
  }
}

void Seek(benchmark::State& state, const Kind& kind) {
  auto db = Open(kind);
  auto rs = db->OpenRecordset("Points");
  rs->SetIndex("PointNo_Index");
  auto e = rs->Fields("Easting");
  for (auto _ : state) benchmark::DoNotOptimize(nrx::bench::SeekAtRandom(*rs, e, kRows, kSeeks));
}

// The additions alone: making the job (and deriving a password's key) is not timed.
void Add(benchmark::State& state, const Kind& kind) {
  int n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto db = MakeJob(fmt::format("add_{}{}.njb", kind.name, n++), kind, 0);
    state.ResumeTiming();
    nrx::bench::AddPoints(*db, kAdds);
    db->Close();
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  g_dir = nrx::bench::Folder("cipher");
  for (const Kind* kind : {&kEncrypted, &kPlain})
    MakeJob(std::string(kind->name) + ".njb", *kind, kRows)->Close();
  auto ms = benchmark::kMillisecond;
  for (const Kind* kind : {&kEncrypted, &kPlain}) {
    std::string name = kind->name;
    benchmark::RegisterBenchmark(("scan/" + name).c_str(), Scan, *kind)->Unit(ms)->Iterations(3);
    benchmark::RegisterBenchmark(("seek/" + name).c_str(), Seek, *kind)->Unit(ms)->Iterations(3);
    benchmark::RegisterBenchmark(("add/" + name).c_str(), Add, *kind)->Unit(ms)->Iterations(2);
  }
  nrx::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios({"scan", "seek", "add"}, "encrypted", "plain");
  benchmark::Shutdown();
  return 0;
}
