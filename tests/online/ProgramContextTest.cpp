// The program context: what a program's start-up builds and hands on.
#include <gtest/gtest.h>

#include "CODBObs.h"
#include "COGenSub.h"
#include "COMeasObs.h"
#include "COSequenceObs.h"
#include "OnlineFixture.h"
#include "ProgramContext.h"

namespace {

using kovo::test::OnlineFixture;

TEST(ProgramContext, EachProgramGetsTheObjectsItHasAndItsIdentity) {
  const struct {
    const char* program;
    bool monitor;
    unsigned doneCommand;
  } cases[] = {{"Online", true, 214},        {"Calibration", true, 214},       {"Offline", true, 214},
               {"Presentation", false, 0},   {"Database Administration", false, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    ProgramContext context{ProgramIdentity(c.program)};
    EXPECT_TRUE(context.Identity().isApp(c.program));
    EXPECT_EQ(context.MeasObs() != nullptr, c.monitor);
    EXPECT_EQ(context.Measurement(), static_cast<IMeasurementLink*>(context.MeasObs()));
    EXPECT_EQ(context.MeasurementState(), MeasState::idle);
    if (!c.monitor) continue;
    unsigned told = 0;
    context.SetNotifier([&](unsigned command) { told = command; });
    context.MeasObs()->GetDevice().GetScheduler().NotifyDone();
    EXPECT_EQ(told, c.doneCommand);
  }
}

// The sequence follows the numbers the store gave; the store and the
// sequence are attached once.
TEST_F(OnlineFixture, TheStartUpAttachesTheStoreAndTheSequenceOnce) {
  PrepareTask("order");
  const platform::CTime base(2024, 6, 1, 8, 0, 0);
  genSub.NotifyMeas(eNewMeas, kovo::test::MakeMeas(base, 0, 0, 1.0f));
  genSub.NotifyMeas(eNewMeas, kovo::test::MakeMeas(base, 1, 0, 1.0f));
  EXPECT_EQ(sequence.GetStopNum(), 2);
  EXPECT_EQ(sequence.GetStopTime(), base + platform::CTimeSpan(1));
  program.AttachObservers();  // once only: a second pass would number on
  genSub.NotifyMeas(eNewMeas, kovo::test::MakeMeas(base, 2, 0, 1.0f));
  EXPECT_EQ(sequence.GetStopNum(), 3);
  EXPECT_EQ(StoredMeas().size(), 3u);
}

TEST(ProgramContext, TheStartUpPublishesTheMonitorInTheContextsOwnRecord) {
  ProgramContext online{ProgramIdentity("Online")};
  ProgramContext other{ProgramIdentity("Online")};
  online.Instrument().SetInfo("Tebb", "K1");
  EXPECT_TRUE(online.Instrument().isTebb());
  EXPECT_FALSE(other.Instrument().isTebb());
}

}  // namespace
