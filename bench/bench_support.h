#pragma once
// Shared by the benchmarks: a fresh folder, timings collected per case, and the closing lines
// "RATIO case=<name> ours_over_sqlite=<x>" comparing each case with plain SQLite.

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "nrxJobDb/engine.h"

namespace nrx::bench {

// The default workspace, where every benchmark does its work.
inline WorkspacePtr Ws() { return DBEngine::Instance().Workspaces(0); }

inline std::filesystem::path Folder(const std::string& name) {
  auto dir = std::filesystem::temp_directory_path() / "nrxjobdb-bench" / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// Prints as the console reporter does, and keeps each run's CPU time by benchmark name: the
// work is single-threaded, and CPU time stays comparable while other work shares the machine.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // Plain text: the closing lines are read by programs and people alike, colour codes in neither.
  RatioReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs)
      if (run.run_type == Run::RT_Iteration) {
        // "case/ours/iterations:3" is kept as "case/ours".
        std::string name = run.benchmark_name();
        name = name.substr(0, name.find("/iterations:"));
        seconds_[name] = run.GetAdjustedCPUTime();
      }
  }
  // The CPU time of one iteration of the benchmark `name` ("<case>/ours"); 0 when it did not run.
  double Seconds(const std::string& name) const {
    auto it = seconds_.find(name);
    return it == seconds_.end() ? 0 : it->second;
  }
  // Benchmarks are named "<case>/ours" and "<case>/sqlite".
  void PrintRatios(const std::vector<std::string>& cases) const {
    PrintRatios(cases, "ours", "sqlite");
  }
  // Benchmarks named "<case>/<measured>" and "<case>/<base>": "<measured>_over_<base>=<x>".
  void PrintRatios(const std::vector<std::string>& cases, const std::string& measured,
                   const std::string& base) const {
    for (const auto& c : cases) {
      auto top = seconds_.find(c + "/" + measured);
      auto bottom = seconds_.find(c + "/" + base);
      if (top == seconds_.end() || bottom == seconds_.end() || bottom->second <= 0) continue;
      fmt::print("RATIO case={} {}_over_{}={:.2f}\n", c, measured, base,
                 top->second / bottom->second);
    }
  }
  // "GROWTH case=<name> ours=<x> sqlite=<y>": the cost of one operation in case `large` over
  // that in case `small`, for cases whose runs differ only in size; `per_run` is the number of
  // operations of a run of `small` over that of `large`.
  void PrintGrowth(const std::string& small, const std::string& large, const std::string& name,
                   double per_run) const {
    auto growth = [&](const char* side) {
      auto from = seconds_.find(small + side);
      auto to = seconds_.find(large + side);
      if (from == seconds_.end() || to == seconds_.end() || from->second <= 0) return 0.0;
      return to->second / from->second * per_run;
    };
    fmt::print("GROWTH case={} ours={:.2f} sqlite={:.2f}\n", name, growth("/ours"),
               growth("/sqlite"));
  }

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace nrx::bench
