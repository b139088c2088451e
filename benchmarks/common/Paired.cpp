#include "Paired.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace kovo::bench {

namespace {

struct Figure {
  std::string ours;
  std::string baseline;
  std::map<int, double> oursSeconds;  // by round
  std::map<int, double> baselineSeconds;
};

std::vector<std::string>& Order() {
  static std::vector<std::string> order;
  return order;
}

std::map<std::string, Figure>& Figures() {
  static std::map<std::string, Figure> figures;
  return figures;
}

int Rounds() {
  const char* n = std::getenv("KOVO_BENCH_ROUNDS");
  return n && std::atoi(n) > 0 ? std::atoi(n) : 5;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

class PairReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred || r.iterations == 0) continue;
      // "<figure>/<side>/<round>"
      const std::string& name = r.run_name.function_name;
      const size_t last = name.rfind('/');
      const size_t middle = last == std::string::npos ? last : name.rfind('/', last - 1);
      if (middle == std::string::npos) continue;
      auto it = Figures().find(name.substr(0, middle));
      if (it == Figures().end()) continue;
      const std::string side = name.substr(middle + 1, last - middle - 1);
      const int round = std::atoi(name.c_str() + last + 1);
      const double seconds = r.real_accumulated_time / static_cast<double>(r.iterations);
      (side == it->second.ours ? it->second.oursSeconds : it->second.baselineSeconds)[round] = seconds;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-28s %-34s %-34s %8s %8s %6s\n", "figure", "ours: median", "baseline: median", "ratio",
                "paired", "rounds");
    for (const std::string& name : Order()) {
      const Figure& f = Figures()[name];
      std::vector<double> ours, baseline, ratios;
      for (const auto& [round, s] : f.oursSeconds) {
        ours.push_back(s);
        auto b = f.baselineSeconds.find(round);
        if (b != f.baselineSeconds.end() && b->second > 0) ratios.push_back(s / b->second);
      }
      for (const auto& [round, s] : f.baselineSeconds) baseline.push_back(s);
      if (ours.empty() || baseline.empty()) continue;
      const double mo = Median(ours), mb = Median(baseline);
      char left[64], right[64];
      std::snprintf(left, sizeof left, "%s %.3f s", f.ours.c_str(), mo);
      std::snprintf(right, sizeof right, "%s %.3f s", f.baseline.c_str(), mb);
      // ratio: of the medians; paired: the median of each round's ratio.
      std::printf("%-28s %-34s %-34s %8.2f %8.2f %6zu\n", name.c_str(), left, right, mb > 0 ? mo / mb : 0.0,
                  Median(ratios), ratios.size());
    }
    std::fflush(stdout);
  }
};

}  // namespace

void RegisterPair(const std::string& figure, const Side& ours, const Side& baseline) {
  Order().push_back(figure);
  Figures()[figure] = Figure{ours.name, baseline.name, {}, {}};
  const int rounds = Rounds();
  for (int round = 1; round <= rounds; ++round) {
    const Side* first = round % 2 ? &ours : &baseline;
    const Side* second = round % 2 ? &baseline : &ours;
    for (const Side* side : {first, second}) {
      const Body body = side->body;
      benchmark::RegisterBenchmark((figure + "/" + side->name + "/" + std::to_string(round)).c_str(),
                                   [body](benchmark::State& state) { body(state); })
          ->Iterations(1)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
  }
}

int RunPairs(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  PairReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace kovo::bench
