// The PC's alarm beep: its first beep a period after it is switched on, one
// every period after that, none once it is off.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <vector>

#include "PCBeep.h"
#include "ui/WinApp.h"

namespace {

TEST(PCBeep, BeepsEveryPeriodFromOnePeriodAfterItIsSwitchedOnUntilItIsOff) {
  platform::EnsureGuiApplication();
  constexpr int kPeriodMs = 100;
  QElapsedTimer clock;
  std::vector<qint64> beeps;
  COPCBeep beep([&] { beeps.push_back(clock.elapsed()); }, kPeriodMs);
  auto pump = [](int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  };
  clock.start();
  beep.Execute(true);
  EXPECT_TRUE(beep.IsSounding());
  pump(kPeriodMs * 3 + kPeriodMs / 2);
  beep.Execute(false);
  EXPECT_FALSE(beep.IsSounding());
  ASSERT_GE(beeps.size(), 2u);
  ASSERT_LE(beeps.size(), 3u);
  // Not at once: a period later.
  EXPECT_GE(beeps[0], kPeriodMs * 9 / 10);
  const size_t heard = beeps.size();
  pump(kPeriodMs * 2);
  EXPECT_EQ(beeps.size(), heard);
}

}  // namespace
