#pragma once
// Shared by the benchmarks: a fresh folder, timings collected per case, and the closing lines
// "RATIO case=<name> ours_over_sqlite=<x>" comparing each case with plain SQLite.

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace nrx::bench {

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

 private:
  std::map<std::string, double> seconds_;
};

}  // namespace nrx::bench
