#include "Paired.h"

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <vector>

namespace kovo::bench {

namespace {

// One side's figures by round.
struct Samples {
  std::map<int, double> wall, cpu, peak;
  std::map<std::string, std::map<int, double>> counters;
};

struct Figure {
  std::string ours;
  std::string baseline;
  Samples oursSamples, baselineSamples;
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

std::vector<double> Values(const std::map<int, double>& byRound) {
  std::vector<double> v;
  for (const auto& [round, x] : byRound) v.push_back(x);
  return v;
}

// The median of each round's ratio, ours over the baseline's.
double PairedRatio(const std::map<int, double>& ours, const std::map<int, double>& baseline) {
  std::vector<double> ratios;
  for (const auto& [round, x] : ours) {
    auto b = baseline.find(round);
    if (b != baseline.end() && b->second > 0) ratios.push_back(x / b->second);
  }
  return Median(ratios);
}

// A figure of /proc/self/status in kB; -1 when there is none.
long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + key.size());
  return -1;
}

long g_peakBaseKb = 0;

constexpr char kPeak[] = "peak_MiB";

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
      const double n = static_cast<double>(r.iterations);
      Samples& s = side == it->second.ours ? it->second.oursSamples : it->second.baselineSamples;
      s.wall[round] = r.real_accumulated_time / n;
      s.cpu[round] = r.cpu_accumulated_time / n;
      for (const auto& [counter, value] : r.counters) {
        if (counter == kPeak)
          s.peak[round] = value;
        else
          s.counters[counter][round] = value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    // Per figure: each side's medians, then the ratios of the medians and,
    // in brackets, the median of the rounds' own ratios.
    std::printf("\n%-34s %-10s %10s %10s %10s %6s  %s\n", "figure", "side", "wall s", "cpu s", "peak MiB", "rounds",
                "other (median)");
    for (const std::string& name : Order()) {
      const Figure& f = Figures()[name];
      const Samples& o = f.oursSamples;
      const Samples& b = f.baselineSamples;
      if (o.wall.empty() || b.wall.empty()) continue;
      for (const auto* side : {&o, &b}) {
        std::string other;
        for (const auto& [counter, byRound] : side->counters) {
          char text[96];
          std::snprintf(text, sizeof text, "%s %.3g  ", counter.c_str(), Median(Values(byRound)));
          other += text;
        }
        std::printf("%-34s %-10s %10.3f %10.3f %10.1f %6zu  %s\n", side == &o ? name.c_str() : "",
                    (side == &o ? f.ours : f.baseline).c_str(), Median(Values(side->wall)),
                    Median(Values(side->cpu)), Median(Values(side->peak)), side->wall.size(), other.c_str());
      }
      auto ratio = [](const std::map<int, double>& x, const std::map<int, double>& y) {
        const double my = Median(Values(y));
        char text[40];
        std::snprintf(text, sizeof text, "%.2f (%.2f)", my > 0 ? Median(Values(x)) / my : 0.0, PairedRatio(x, y));
        return std::string(text);
      };
      std::printf("%-34s %-10s %10s %10s %10s\n", "", "ratio", ratio(o.wall, b.wall).c_str(),
                  ratio(o.cpu, b.cpu).c_str(), ratio(o.peak, b.peak).c_str());
    }
    std::fflush(stdout);
  }
};

}  // namespace

void ResetPeak() {
  // Memory freed before is given back first, so that what the round keeps
  // is not hidden in the heap's free space.
  malloc_trim(0);
  g_peakBaseKb = StatusKb("VmRSS");
  std::ofstream("/proc/self/clear_refs") << "5";
}

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
                                   [body](benchmark::State& state) {
                                     ResetPeak();
                                     body(state);
                                     const long peak = StatusKb("VmHWM");
                                     state.counters[kPeak] = std::max(0L, peak - g_peakBaseKb) / 1024.0;
                                   })
          ->Iterations(1)
          ->Unit(benchmark::kMillisecond)
          ->MeasureProcessCPUTime()
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
