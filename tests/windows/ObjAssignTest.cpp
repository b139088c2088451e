// Binding a page's controls to the fields of the objects the pages edit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ProgramProfiles.h"
#include "COAlarm.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "DataContext.h"
#include "DialogFixture.h"
#include "MeasInterval.h"
#include "ObjAssign.h"
#include "ui/DataExchange.h"

namespace {

class ObjAssignTest : public ::testing::Test {
 protected:
  Gui gui;
  platform::ScriptedMessageSink messages;
  TestDialog dlg;
};

// Counts what reaches the setter.
struct Probe {
  int value = 5;
  std::vector<int> set;
  int Get() const { return value; }
  void Put(int v) {
    set.push_back(v);
    value = v;
  }
};

TEST_F(ObjAssignTest, LoadingWritesBackWhatItReadAndSavingWritesTheControl) {
  dlg.AddEdit(1030);
  Probe probe;
  dlg.exchange = [&](platform::CDataExchange* dx) {
    ObjAssign<int, Probe>(&probe, &Probe::Get, &Probe::Put).Exchange(dx, 1030, platform::DDX_Text);
  };
  ASSERT_TRUE(dlg.UpdateData(false));
  EXPECT_EQ(dlg.GetDlgItemText(1030), "5");
  EXPECT_EQ(probe.set, std::vector<int>{5});

  dlg.SetDlgItemText(1030, "17");
  ASSERT_TRUE(dlg.UpdateData(true));
  EXPECT_EQ(probe.set, (std::vector<int>{5, 17}));

  // A refused text reaches no setter.
  dlg.SetDlgItemText(1030, "17x");
  EXPECT_FALSE(dlg.UpdateData(true));
  EXPECT_EQ(probe.set, (std::vector<int>{5, 17}));
  EXPECT_EQ(messages.Texts().size(), 1u);
}

TEST_F(ObjAssignTest, PagesBindTheFieldsOfTheSequenceAlarmSetUpAndInterval) {
  dlg.AddEdit(1031);  // tube time, a byte seen as int
  dlg.AddEdit(1027);  // tube length
  dlg.AddEdit(1101);  // sequence name
  dlg.AddEdit(1024);  // alarm rolling average, an int seen as long
  dlg.AddEdit(1091);  // interval length
  dlg.AddEdit(1092);  // interval time span, long
  auto* box = dlg.Add(0, new QWidget(&dlg));
  for (int id = 1018; id <= 1021; ++id) dlg.AddRadio(id, box);
  auto* flush = dlg.Add(1, new QWidget(&dlg));
  dlg.AddRadio(1026, flush);
  dlg.AddRadio(1029, flush);

  DataContext context(kovo::test::ProfileOf("Online"));
  COSequence sequence(context);
  sequence.SetTubeTime(30);
  sequence.SetTubeLength(12.5f);
  sequence.SetName("Hall 3");
  sequence.SetModeFlag2(true);
  COAlarm alarm(context);
  alarm.SetRollingAvg(15);
  COSystemSetup& setup = context.Setup();
  setup.SetComPort(2);
  COMeasInterval interval(context);
  interval.SetInterval(60);
  interval.SetEndTime(platform::CTime(2005, 7, 1, 12, 0, 0));
  interval.SetTimeSpan(3600);

  dlg.exchange = [&](platform::CDataExchange* dx) {
    ObjAssign<int, COSequence>(&sequence, &COSequence::GetTubeTime, &COSequence::SetTubeTime)
        .Exchange(dx, 1031, platform::DDX_Text);
    ObjAssign<float, COSequence>(&sequence, &COSequence::GetTubeLength, &COSequence::SetTubeLength)
        .Exchange(dx, 1027, platform::DDX_Text);
    ObjAssign<std::string, COSequence>(&sequence, &COSequence::GetName, &COSequence::SetName)
        .Exchange(dx, 1101, platform::DDX_Text);
    ObjAssign<int, COSequence>(&sequence, &COSequence::GetModeFlag2, &COSequence::SetModeFlag2)
        .Exchange(dx, 1026, platform::DDX_Radio);
    ObjAssign<long, COAlarm>(&alarm, &COAlarm::GetRollingAvg, &COAlarm::SetRollingAvg).Exchange(dx, 1024, platform::DDX_Text);
    ObjAssign<int, COSystemSetup>(&setup, &COSystemSetup::GetComPort, &COSystemSetup::SetComPort)
        .Exchange(dx, 1018, platform::DDX_Radio);
    ObjAssign<int, COMeasInterval>(&interval, &COMeasInterval::GetInterval, &COMeasInterval::SetInterval)
        .Exchange(dx, 1091, platform::DDX_Text);
    ObjAssign<long, COMeasInterval>(&interval, &COMeasInterval::GetTimeSpan, &COMeasInterval::SetTimeSpan)
        .Exchange(dx, 1092, platform::DDX_Text);
  };
  ASSERT_TRUE(dlg.UpdateData(false));
  const std::vector<std::string> shown = {dlg.GetDlgItemText(1031), dlg.GetDlgItemText(1027),
                                          dlg.GetDlgItemText(1101), dlg.GetDlgItemText(1024),
                                          dlg.GetDlgItemText(1091), dlg.GetDlgItemText(1092)};
  EXPECT_EQ(shown, (std::vector<std::string>{"30", "12.5", "Hall 3", "15", "60", "3600"}));
  EXPECT_TRUE(static_cast<QRadioButton*>(dlg.GetDlgItem(1020))->isChecked());
  EXPECT_TRUE(static_cast<QRadioButton*>(dlg.GetDlgItem(1029))->isChecked());

  for (auto [id, text] : {std::pair{1031, "0"}, {1027, "7.25"}, {1101, "Hall 4"}, {1024, "720"}, {1091, "10"},
                          {1092, "7200"}})
    dlg.SetDlgItemText(id, text);
  static_cast<QRadioButton*>(dlg.GetDlgItem(1021))->setChecked(true);
  static_cast<QRadioButton*>(dlg.GetDlgItem(1026))->setChecked(true);
  ASSERT_TRUE(dlg.UpdateData(true));
  EXPECT_EQ(sequence.GetTubeTime(), 0);
  EXPECT_FLOAT_EQ(sequence.GetTubeLength(), 7.25f);
  EXPECT_EQ(sequence.GetName(), "Hall 4");
  EXPECT_FALSE(sequence.GetModeFlag2());
  EXPECT_EQ(alarm.GetRollingAvg(), 720);
  EXPECT_EQ(setup.GetComPort(), 3);
  EXPECT_EQ(interval.GetInterval(), 10);
  EXPECT_EQ(interval.GetTimeSpan(), 7200);
}

}  // namespace
