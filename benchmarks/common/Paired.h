#pragma once
// Figures measured beside their raw baselines in one run. The machine is
// shared and its speed wanders, so each figure and its baseline run in turns,
// round after round (which of the two goes first alternates), and the end of
// the run prints the medians side by side with their ratios: wall time, the
// processor time of all the process's threads, and the peak memory, which
// is how far the resident memory rose above where it stood when the round
// began (or when the body last called ResetPeak()).
//
// $KOVO_BENCH_ROUNDS sets the rounds (5 by default).
#include <benchmark/benchmark.h>

#include <functional>
#include <string>

namespace kovo::bench {

// One timed run of one side; it may pause the timing for its set-up.
using Body = std::function<void(benchmark::State&)>;

struct Side {
  std::string name;
  Body body;
};

// Registers the rounds of a figure, each a single run of ours and one of the
// baseline. Names: "<figure>/<side>/<round>". Counters a body sets
// (state.counters) are printed with their medians beside the figure.
void RegisterPair(const std::string& figure, const Side& ours, const Side& baseline);

// Starts the peak memory afresh from what is resident now: for a body whose
// untimed set-up should not count.
void ResetPeak();

// Runs what is registered (the usual benchmark options apply) and prints the
// table of figures; returns main's exit code.
int RunPairs(int argc, char** argv);

}  // namespace kovo::bench
