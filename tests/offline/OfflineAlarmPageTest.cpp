// The Offline program's alarm page: the gases each model offers, the alarms
// per filter it takes, and a page that only shows while the upload runs.
#include <QApplication>
#include <QComboBox>

#include "COSequence.h"
#include "OfflineAlarmPage.h"
#include "OfflineFixture.h"
#include "OfflineStrings.h"
#include "SequenceSheet.h"
#include "StartupConnection.h"
#include "ui/WinApp.h"

namespace kovo::test {
namespace {

class OfflineAlarmPageTest : public OfflineFixture {
 protected:
  OfflineAlarmPageTest() { platform::EnsureGuiApplication(); }
  // The sheet on the active sequence with the offline alarm page, shown on it.
  COOfflineAlarmPage& Open(bool busy = false) {
    sheet = std::make_unique<COSequenceSheet>(
        program, sequence, false, nullptr, 2, nullptr,
        [this, busy](COSequence& edited, bool viewOnly, SequenceSheetFlags& flags) {
          return std::make_unique<COOfflineAlarmPage>(program, edited, viewOnly, flags, [busy] { return busy; });
        });
    sheet->show();
    return *dynamic_cast<COOfflineAlarmPage*>(sheet->AlarmPage());
  }
  // The leak detector behind the port, as the connection makes it known.
  void LeakDetector() {
    sim->Modify([](kovo::sim::MonitorState& m) { m.BeLeakDetector(); });
    ConnectToMonitor(program);
  }
  COAlarm Alarm(int filter, bool limit2 = false) {
    COAlarm a(*context);
    a.SetFilter(static_cast<unsigned char>(filter));
    a.SetLimit2(limit2);
    a.SetRollingAvg(10);
    return a;
  }
  static std::vector<int> Offered(COOfflineAlarmPage& page) {
    std::vector<int> filters;
    for (int i = 0; i < page.GasCombo().count(); ++i) {
      page.GasCombo().SetCurSel(i);
      filters.push_back(page.GasCombo().GetSelItemData());
    }
    return filters;
  }
  static bool Shown(COOfflineAlarmPage& page, int id) { return !page.GetDlgItem(id)->isHidden(); }

  std::unique_ptr<COSequenceSheet> sheet;
};

TEST_F(OfflineAlarmPageTest, GasMonitorTakesOneAlarmPerGasFilter) {
  // Filter B has no gas: the entries carry the filter, not their row.
  MonitorSetup s = obs->GetDevice().GetSetup();
  s.GetFilter(1) = FilterInfo();
  obs->GetDevice().SetSetup(s);
  COOfflineAlarmPage& page = Open();
  EXPECT_EQ(Offered(page), (std::vector<int>{0, 2}));
  for (int id : {COAlarmPage::kActionGroup, COAlarmPage::kActionPC, COAlarmPage::kActionMonitor,
                 COAlarmPage::kActionRelay1, COAlarmPage::kActionRelay2})
    EXPECT_FALSE(Shown(page, id)) << id;
  EXPECT_EQ(page.GetDlgItemText(COAlarmPage::kLimit), "0");

  // Limit 1 and limit 2 on one filter: the monitor raises only one.
  page.List().AddAlarm(Alarm(0));
  page.List().AddAlarm(Alarm(2, false));
  page.List().AddAlarm(Alarm(2, true));
  EXPECT_FALSE(page.OnKillActive());
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Only one alarm per filter can be triggered in Gas Monitor"});
  EXPECT_TRUE(sheet->EditedSequence().GetAlarms().empty());
  page.List().SetCurSel(2);
  page.OnRemove();
  EXPECT_TRUE(page.OnKillActive());
  EXPECT_EQ(sheet->EditedSequence().GetAlarmCount(), 2);
}

TEST_F(OfflineAlarmPageTest, AWaterVapourAlarmOfAnOlderTaskIsRefusedOnTheGasMonitor) {
  sequence.GetAlarms() = {Alarm(0), Alarm(5)};
  COOfflineAlarmPage& page = Open();
  EXPECT_EQ(page.List().GetCount(), 2);
  EXPECT_EQ(Offered(page), (std::vector<int>{0, 1, 2}));
  EXPECT_FALSE(page.OnKillActive());
  EXPECT_EQ(messages.Texts(),
            std::vector<std::string>{"An alarm on Water Vapour cannot be triggered in this Gas Monitor: remove it from the list"});
}

TEST_F(OfflineAlarmPageTest, LeakDetectorTakesTwoAlarmsPerFilterWaterVapourIncluded) {
  LeakDetector();
  COOfflineAlarmPage& page = Open();
  EXPECT_EQ(Offered(page), (std::vector<int>{0, 1, 2, 5}));
  page.List().AddAlarm(Alarm(5));
  page.List().AddAlarm(Alarm(5, true));
  page.List().AddAlarm(Alarm(1));
  EXPECT_TRUE(page.OnKillActive());
  EXPECT_TRUE(messages.Texts().empty());
  page.List().AddAlarm(Alarm(5));
  EXPECT_FALSE(page.OnKillActive());
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{kTwoAlarmsPerFilter});
  EXPECT_EQ(sheet->EditedSequence().GetAlarmCount(), 3);
}

TEST_F(OfflineAlarmPageTest, WhileTheObserverIsBusyEveryControlIsDisabled) {
  COOfflineAlarmPage& page = Open(true);
  for (int id : {COAlarmPage::kGas, COAlarmPage::kGasLabel, COAlarmPage::kLimitGroup, COAlarmPage::kLimit,
                 COAlarmPage::kLimitSpin, COAlarmPage::kLimitLabel, COAlarmPage::kLimit1, COAlarmPage::kLimit2,
                 COAlarmPage::kInstantaneous, COAlarmPage::kRollingAvg, COAlarmPage::kAverage,
                 COAlarmPage::kAverageSpin, COAlarmPage::kAverageUnit, COAlarmPage::kAddNew,
                 COAlarmPage::kInsertBefore, COAlarmPage::kRemove, COAlarmPage::kList, COAlarmPage::kListLabel,
                 COAlarmPage::kUnit})
    EXPECT_FALSE(page.GetDlgItem(id)->isEnabled()) << id;
  EXPECT_FALSE(Shown(page, COAlarmPage::kActionGroup));
  EXPECT_EQ(page.GetDlgItemText(COAlarmPage::kLimit), "0");
}

}  // namespace
}  // namespace kovo::test
