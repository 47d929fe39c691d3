// Converting the Jet files of older jobs against reading them with Debian's mdb-export (every
// table to /dev/null), in the same run. Both work in processes of their own, so wall time is
// compared. Closes with "RATIO case=jet_import ours_over_mdb_export=<x>"; the goal is at most 2.

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "bench_support.h"
#include "nrxJobDb/engine.h"

namespace {

namespace fs = std::filesystem;

const fs::path kJetData = fs::path(NRX_TEST_DATA) / "jet";
const char* const kFiles[] = {"testV2000.mdb", "testV2003.mdb"};

void Import(benchmark::State& state) {
  const fs::path dir = nrx::bench::Folder("jet_import");
  for (auto _ : state) {
    for (const char* file : kFiles) {
      const std::string target = (dir / file).replace_extension(".njb").string();
      nrx::DBEngine::Instance().ConvertJetDatabase((kJetData / file).string(), target);
      state.PauseTiming();
      fs::remove(target);
      state.ResumeTiming();
    }
  }
}

void MdbExport(benchmark::State& state) {
  for (auto _ : state) {
    for (const char* file : kFiles) {
      const std::string path = (kJetData / file).string();
      const std::string command = fmt::format(
          "for t in $(mdb-tables -1 '{0}'); do mdb-export '{0}' \"$t\" > /dev/null; done", path);
      if (std::system(command.c_str()) != 0) state.SkipWithError("mdb-export failed");
    }
  }
}

BENCHMARK(Import)->Name("jet_import/ours")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(MdbExport)->Name("jet_import/mdb_export")->UseRealTime()->Unit(benchmark::kMillisecond);

class WallTimeReporter : public benchmark::ConsoleReporter {
 public:
  WallTimeReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs)
      if (run.run_type == Run::RT_Iteration) seconds_[run.run_name.function_name] = run.GetAdjustedRealTime();
  }
  double Of(const std::string& name) const {
    auto it = seconds_.find(name);
    return it == seconds_.end() ? 0 : it->second;
  }

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  WallTimeReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double ours = reporter.Of("jet_import/ours");
  const double theirs = reporter.Of("jet_import/mdb_export");
  if (ours > 0 && theirs > 0)
    fmt::print("RATIO case=jet_import ours_over_mdb_export={:.2f}\n", ours / theirs);
  benchmark::Shutdown();
  return 0;
}
