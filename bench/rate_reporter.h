// Keeps the rates a benchmark run reports (items per second, by the name of
// the benchmark's function), so that a program can print its comparison after
// the table.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace korvex {

class RateReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    // The best of a benchmark's repetitions: the machine is shared.
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate) continue;
      auto it = run.counters.find("items_per_second");
      if (it == run.counters.end()) continue;
      double& rate = rates[run.run_name.function_name];
      rate = std::max(rate, it->second.value);
    }
  }
  std::map<std::string, double> rates;
};

// Runs the registered benchmarks, printing their table, and gives their rates.
inline std::map<std::string, double> RunForRates(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return reporter.rates;
}

}  // namespace korvex
