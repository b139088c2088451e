// How the simulated monitor's readings move: noise, drift, steps and ramps
// around the scene, the scene's lines, and a scene file read again while the
// monitor runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "Readings.h"
#include "SimulatedMonitor.h"

namespace {

using kovo::sim::ApplyScene;
using kovo::sim::ApplySceneLine;
using kovo::sim::MonitorState;
using kovo::sim::Motion;
using kovo::sim::MovedLevel;

TEST(Readings, NoiseIsRepeatableAndOfTheSizeAsked) {
  Motion m;
  m.noise = 0.02;
  EXPECT_EQ(MovedLevel(Motion{}, 0, 380.0f, 12.0, 5), 380.0f);
  EXPECT_EQ(MovedLevel(m, 0, 380.0f, 12.0, 5), MovedLevel(m, 0, 380.0f, 12.0, 5));
  double sum = 0.0, squares = 0.0;
  const int n = 4000;
  for (int i = 0; i < n; ++i) {
    const double v = MovedLevel(m, 1, 100.0f, 0.0, i);
    sum += v;
    squares += v * v;
  }
  const double mean = sum / n;
  EXPECT_NEAR(mean, 100.0, 0.15);
  EXPECT_NEAR(std::sqrt(squares / n - mean * mean), 2.0, 0.15);
  // Another seed, other noise; channels do not move together.
  Motion other = m;
  other.seed = 2;
  EXPECT_NE(MovedLevel(m, 0, 380.0f, 0.0, 1), MovedLevel(other, 0, 380.0f, 0.0, 1));
  EXPECT_NE(MovedLevel(m, 0, 380.0f, 0.0, 1) / 380.0f, MovedLevel(m, 1, 1.8f, 0.0, 1) / 1.8f);
  // Never below zero.
  m.noise = 1.0;
  for (int i = 0; i < 200; ++i) EXPECT_GE(MovedLevel(m, 2, 1.0f, 0.0, i), 0.0f);
}

TEST(Readings, DriftStepsAndRampsFollowTheClock) {
  Motion drift;
  drift.drift = 0.05;
  drift.driftPeriod = 600.0;
  float low = 1e9f, high = 0.0f;
  for (int t = 0; t < 600; t += 5) {
    const float v = MovedLevel(drift, 0, 200.0f, t, 0);
    low = std::min(low, v);
    high = std::max(high, v);
  }
  EXPECT_NEAR(low, 190.0f, 0.2f);
  EXPECT_NEAR(high, 210.0f, 0.2f);

  MonitorState s;
  ASSERT_TRUE(ApplySceneLine(s, "step A=900@60", nullptr));
  ASSERT_TRUE(ApplySceneLine(s, "ramp B=11.8@100+50", nullptr));
  const struct {
    int channel;
    double seconds;
    float level;
  } cases[] = {{0, 59.9, 380.0f}, {0, 60.0, 900.0f}, {0, 1e6, 900.0f}, {1, 100.0, 1.8f},
               {1, 125.0, 6.8f},  {1, 150.0, 11.8f}, {1, 500.0, 11.8f}, {2, 500.0, 0.32f}};
  for (const auto& c : cases)
    EXPECT_NEAR(MovedLevel(s.motion, c.channel, s.levels[static_cast<size_t>(c.channel)], c.seconds, 0), c.level,
                1e-4f)
        << c.channel << " at " << c.seconds;
}

// The motion a person calibrates against: readings that move, whose mean
// over five readings, a minute apart as the monitor samples or a few seconds
// apart, is within 0.5 % of the level at any time of the first hour and for
// every run of reading numbers, so the factors a calibration finds are the
// simulated monitor's own.
TEST(Readings, TheLivelyMotionMovesYetFiveReadingsAgreeWithinHalfAPercent) {
  const Motion lively = kovo::sim::LivelyMotion();
  EXPECT_NE(MovedLevel(lively, 0, 700.0f, 60.0, 1), MovedLevel(lively, 0, 700.0f, 60.0, 2));
  Motion slow = lively;
  slow.noise = 0.0;
  EXPECT_NE(MovedLevel(slow, 0, 700.0f, 0.0, 0), MovedLevel(slow, 0, 700.0f, 150.0, 0));
  double worst = 0.0;
  for (const double pace : {60.0, 4.0})
    for (int channel = 0; channel < 5; ++channel)
      for (double start = 0.0; start < 3600.0; start += 20.0)
        for (long first = 0; first < 200; ++first) {
          double sum = 0.0;
          for (int i = 0; i < 5; ++i) sum += MovedLevel(lively, channel, 700.0f, start + pace * i, first + i);
          worst = std::max(worst, std::fabs(sum / 5.0 / 700.0 - 1.0));
        }
  EXPECT_LE(worst, 0.005);
}

TEST(Readings, SceneLinesSetTheCellAndRefuseWhatTheyCannotTake) {
  MonitorState s;
  EXPECT_TRUE(ApplyScene(s, "# a calibration\nspan C 12.5\nhumidity 8000\ntemperature 30\n\nnoise 0.01\n").empty());
  EXPECT_EQ(s.levels, (std::array<float, 6>{{0.0f, 0.0f, 12.5f, 0.0f, 0.0f, 8000.0f}}));
  EXPECT_EQ(s.celsius, 30.0f);
  EXPECT_EQ(s.motion.noise, 0.01);
  EXPECT_TRUE(ApplyScene(s, "zero\nB 3  # CH4\nsteady").empty());
  EXPECT_EQ(s.levels, (std::array<float, 6>{{0.0f, 3.0f, 0.0f, 0.0f, 0.0f, 0.0f}}));
  EXPECT_EQ(s.motion.noise, 0.0);

  const MonitorState before = s;
  const std::vector<std::string> refused =
      ApplyScene(s, "span W 5\nA -1\nnoise 2\nstep A=9\nramp A=9@5\nstep F=9@5\nfog\nB 4");
  ASSERT_EQ(refused.size(), 7u);
  EXPECT_EQ(refused[0], "line 1: not a gas filter: span W 5");
  EXPECT_EQ(refused[4], "line 5: not a ramp (A=900@60+120): ramp A=9@5");
  EXPECT_EQ(refused[6], "line 7: not a scene line: fog");
  EXPECT_TRUE(s.motion.changes.empty());
  EXPECT_EQ(s.levels[1], 4.0f);  // the good lines still count
  EXPECT_EQ(s.levels[0], before.levels[0]);
}

TEST(Readings, ASceneFileIsAppliedAgainWhenItChanges) {
  const std::string path = testing::TempDir() + "scene.txt";
  auto write = [&](const std::string& text) {
    std::ofstream(path, std::ios::trunc) << text;
  };
  write("span A 700\nstep A=900@60\n");
  kovo::sim::SimulatedMonitor monitor;
  monitor.Modify([](MonitorState& s) { s.celsius = 22.0f; });
  kovo::sim::SceneFile file(path, monitor.State());
  std::vector<std::string> errors;
  ASSERT_TRUE(file.Poll(monitor, &errors));
  EXPECT_EQ(monitor.State().levels[0], 700.0f);
  ASSERT_EQ(monitor.State().motion.changes.size(), 1u);
  // Unchanged, it is not applied again over what a test changed since.
  monitor.Modify([](MonitorState& s) { s.levels[0] = 5.0f; });
  ASSERT_TRUE(file.Poll(monitor, &errors));
  EXPECT_EQ(monitor.State().levels[0], 5.0f);
  // What the file no longer says is gone; a bad line is told.
  write("humidity 12000\ntemperature x\n");
  EXPECT_FALSE(file.Poll(monitor, &errors));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0], path + " line 2: not a temperature: temperature x");
  const MonitorState s = monitor.State();
  EXPECT_EQ(s.levels, (std::array<float, 6>{{380.0f, 1.8f, 0.32f, 0.0f, 0.0f, 12000.0f}}));
  EXPECT_EQ(s.celsius, 22.0f);
  EXPECT_TRUE(s.motion.changes.empty());
  std::remove(path.c_str());
  errors.clear();
  EXPECT_FALSE(file.Poll(monitor, &errors));
  EXPECT_EQ(errors, std::vector<std::string>{"cannot read " + path});
}

}  // namespace
