// The start of a measurement sequence through its dialog: which start and
// stop times are taken, which are refused and with what, and that a refused
// start leaves the sequence as it was.
#include <gtest/gtest.h>

#include <QRadioButton>

#include "COSequence.h"
#include "MeasStartDialog.h"
#include "OnlineFixture.h"
#include "core/App.h"
#include "core/StringTable.h"
#include "ui/WinApp.h"

namespace kovo::test {
namespace {

class MeasStartDialogTest : public OnlineFixture {
 protected:
  MeasStartDialogTest() { platform::EnsureGuiApplication(); }
  void SetUp() override {
    ASSERT_TRUE(obs->Connect(false));
    GiveBanks();
    PrepareTask("start");
    program.ActiveSequence().SetName("before");
    dlg = std::make_unique<CMeasStart>(program);
    dlg->SetClock([this] { return now; });
    dlg->show();
  }
  void TearDown() override {
    if (obs->GetState() != MeasState::idle) {
      obs->StopMeasurement();
      EXPECT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::idle; }));
    }
  }
  QRadioButton* Radio(int id) { return static_cast<QRadioButton*>(dlg->GetDlgItem(id)); }
  void Enter(int dateId, int timeId, const platform::CTime& t) {
    dlg->SetDlgItemText(dateId, t.Format("%y-%m-%d"));
    dlg->SetDlgItemText(timeId, t.Format("%X"));
  }

  platform::ProgramTexts texts{"Online", kovo::ProgramStrings("Online")};
  platform::CTime now = platform::CTime::GetCurrentTime();
  std::unique_ptr<CMeasStart> dlg;
};

TEST_F(MeasStartDialogTest, OpensOnNowAndNoneWithTheNextHourAsStopTime) {
  EXPECT_TRUE(Radio(CMeasStart::kStartNow)->isChecked());
  EXPECT_TRUE(Radio(CMeasStart::kStopNone)->isChecked());
  EXPECT_EQ(dlg->GetDlgItemText(CMeasStart::kStopTime), (now + platform::CTimeSpan(3600)).Format("%X"));
  EXPECT_EQ(dlg->GetDlgItemText(CMeasStart::kDescription), "before");
  // Going into a time field chooses it.
  dlg->GetDlgItem(CMeasStart::kStopDate)->setFocus();
  QApplication::processEvents();
  EXPECT_TRUE(Radio(CMeasStart::kStopAt)->isChecked());
  EXPECT_FALSE(Radio(CMeasStart::kStopNone)->isChecked());
}

TEST_F(MeasStartDialogTest, RefusedTimesKeepTheDialogOpenAndTheSequenceAsItWas) {
  struct {
    long startAhead;  // < 0: now
    long stopAhead;   // < 0: none
    const char* shown;
  } cases[] = {
      {179, -1, "The starttime is not valid"},
      {4000001, -1, "The starttime is not valid"},
      {-1, 239, "Stoptime not valid"},
      {-1, 4000001, "Stoptime not valid"},
      {600, 600, "The starttime is not valid"},  // a start at the stop time
      {60, 60, "Stoptime not valid"},            // the stop time is checked first
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.startAhead << ' ' << c.stopAhead);
    Radio(c.startAhead < 0 ? CMeasStart::kStartNow : CMeasStart::kStartAt)->setChecked(true);
    Radio(c.stopAhead < 0 ? CMeasStart::kStopNone : CMeasStart::kStopAt)->setChecked(true);
    if (c.startAhead >= 0) Enter(CMeasStart::kStartDate, CMeasStart::kStartTime, now + platform::CTimeSpan(c.startAhead));
    if (c.stopAhead >= 0) Enter(CMeasStart::kStopDate, CMeasStart::kStopTime, now + platform::CTimeSpan(c.stopAhead));
    dlg->SetDlgItemText(CMeasStart::kDescription, "changed");
    messages.Clear();
    dlg->accept();
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{c.shown});
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(obs->GetState(), MeasState::idle);
  }
  dlg->reject();
  EXPECT_EQ(program.ActiveSequence().GetName(), "before");
}

TEST_F(MeasStartDialogTest, AStartAtASetTimeWithAStopTimeIsHandedToTheMonitor) {
  Radio(CMeasStart::kStartAt)->setChecked(true);
  Radio(CMeasStart::kStopAt)->setChecked(true);
  Enter(CMeasStart::kStartDate, CMeasStart::kStartTime, now + platform::CTimeSpan(180));
  Enter(CMeasStart::kStopDate, CMeasStart::kStopTime, now + platform::CTimeSpan(240));
  dlg->SetDlgItemText(CMeasStart::kDescription, "night run");
  dlg->accept();
  EXPECT_TRUE(messages.Texts().empty());
  EXPECT_FALSE(dlg->isVisible());
  EXPECT_EQ(program.ActiveSequence().GetName(), "night run");
  EXPECT_EQ(obs->GetState(), MeasState::delayedStart);
  const MonitorSetup setup = obs->GetDevice().GetSetup();
  EXPECT_TRUE(setup.m_startTime.IsValid());
  EXPECT_TRUE(setup.m_stopTime.IsValid());
}

TEST_F(MeasStartDialogTest, NowWithoutStopStartsAtOnceWithoutAStopTime) {
  dlg->accept();
  EXPECT_TRUE(messages.Texts().empty());
  EXPECT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::active; }));
  EXPECT_FALSE(obs->GetDevice().GetSetup().m_stopTime.IsValid());
}

}  // namespace
}  // namespace kovo::test
