// The alarm page and the alarm list: composing, adding, inserting and
// removing alarms, their limits in the display unit, and acknowledging
// them as the alarm window does.
#include <gtest/gtest.h>

#include <cmath>

#include "COSystemSetup.h"
#include "ModalWatch.h"
#include "SettingsFixture.h"
#include "core/DeviceContext.h"

namespace kovo::test {
namespace {

using A = COAlarmPage;

class AlarmPageTest : public SettingsTest {
 protected:
  COAlarmPage& Page(COSequenceSheet& sheet) {
    EXPECT_TRUE(sheet.SetActivePage(2));
    return *sheet.AlarmPage();
  }
  COAlarm Alarm(int filter, float ppm) {
    COAlarm a(*context);
    a.SetFilter(static_cast<unsigned char>(filter));
    a.SetStoredLimit(ppm);
    a.SetRollingAvg(10);
    return a;
  }
  static std::vector<float> Limits(const COAlarmList& list) {
    std::vector<float> v;
    for (int r = 0; r < list.GetCount(); ++r) v.push_back(list.GetAlarm(r).GetStoredLimit());
    return v;
  }
};

TEST_F(AlarmPageTest, TheSingleAlarmIsCheckedBeforeItJoinsTheList) {
  const struct {
    std::string limit;
    std::string average;
    Texts shown;
  } cases[] = {
      {"-1", "10", {"Please enter a valid float between 0.00 and 1000000.00"}},
      {"1000001", "10", {"Please enter a valid float between 0.00 and 1000000.00"}},
      {"x", "10", {"Please enter a valid float"}},
      {"5", "9", {"Please enter a number between 10 and 720"}},
      {"5", "721", {"Please enter a number between 10 and 720"}},
      {"5", "", {"Please enter a valid number"}},
      {"1000000", "720", {}},
      {"0", "10", {}},
  };
  auto sheet = Open();
  COAlarmPage& page = Page(*sheet);
  int rows = 0;
  for (const auto& c : cases) {
    page.SetDlgItemText(A::kLimit, c.limit);
    page.SetDlgItemText(A::kAverage, c.average);
    messages.Clear();
    page.OnAddNew();
    EXPECT_EQ(messages.Texts(), c.shown) << c.limit << " " << c.average;
    if (c.shown.empty()) ++rows;
    EXPECT_EQ(page.List().GetCount(), rows) << c.limit << " " << c.average;
  }
}

TEST_F(AlarmPageTest, AnAlarmAsThePageOpensIsAddedAsItStands) {
  auto sheet = Open();
  COAlarmPage& page = Page(*sheet);
  EXPECT_EQ(page.GetDlgItemText(A::kAverage), "10");
  page.OnAddNew();
  EXPECT_TRUE(messages.Texts().empty()) << ::testing::PrintToString(messages.Texts());
  EXPECT_EQ(page.List().GetCount(), 1);
}

TEST_F(AlarmPageTest, RowsAreAddedInsertedAndRemovedAroundTheSelection) {
  sequence.GetAlarms() = {Alarm(0, 1), Alarm(0, 2)};
  auto sheet = Open();
  COAlarmPage& page = Page(*sheet);
  COAlarmList& list = page.List();
  EXPECT_EQ(Limits(list), (std::vector<float>{1, 2}));
  EXPECT_EQ(list.GetCurSel(), 0);  // the page selects the first row

  list.SetCurSel(-1);
  page.SetDlgItemText(A::kLimit, "3");
  page.OnInsertBefore();  // no selection: at the top
  EXPECT_EQ(Limits(list), (std::vector<float>{3, 1, 2}));
  EXPECT_EQ(list.GetCurSel(), 0);

  list.SetCurSel(2);
  page.SetDlgItemText(A::kLimit, "4");
  page.OnInsertBefore();
  EXPECT_EQ(Limits(list), (std::vector<float>{3, 1, 4, 2}));
  EXPECT_EQ(list.GetCurSel(), 2);

  page.OnRemove();
  EXPECT_EQ(Limits(list), (std::vector<float>{3, 1, 2}));
  EXPECT_EQ(list.GetCurSel(), 1);
  list.SetCurSel(0);
  page.OnRemove();
  EXPECT_EQ(list.GetCurSel(), -1);
  page.OnRemove();  // nothing selected: nothing goes
  EXPECT_EQ(Limits(list), (std::vector<float>{1, 2}));

  sheet->accept();
  ASSERT_EQ(Stored()->GetAlarmCount(), 2);
  EXPECT_FLOAT_EQ(Stored()->GetAlarm(1).GetStoredLimit(), 2.0f);
}

TEST_F(AlarmPageTest, ARowChosenFillsTheControlsAndTheUnitFollowsTheGas) {
  setup->SetHumidityUnit(COHumiUnit::kpa);
  COAlarm water = Alarm(5, 500);
  water.SetLimit2(true);
  water.SetUseRollingAvg(true);
  water.SetActionMonitor(true);
  sequence.GetAlarms() = {Alarm(0, 25), water};
  auto sheet = Open();
  COAlarmPage& page = Page(*sheet);
  EXPECT_EQ(page.GetDlgItemText(A::kLimit), "25.00");
  EXPECT_EQ(page.GetDlgItemText(A::kUnit), "ppm");
  page.List().SetCurSel(1);
  EXPECT_EQ(page.GasCombo().GetSelItemData(), 5);
  EXPECT_EQ(page.GetDlgItemText(A::kUnit), setup->GetHumidityUnitText());
  EXPECT_TRUE(qobject_cast<QRadioButton*>(page.GetDlgItem(A::kLimit2))->isChecked());
  EXPECT_TRUE(qobject_cast<QRadioButton*>(page.GetDlgItem(A::kRollingAvg))->isChecked());
  EXPECT_TRUE(qobject_cast<QCheckBox*>(page.GetDlgItem(A::kActionMonitor))->isChecked());
  EXPECT_FALSE(qobject_cast<QCheckBox*>(page.GetDlgItem(A::kActionPC))->isChecked());
  // A million ppm of water vapour in kPa bounds the limit.
  page.SetDlgItemText(A::kLimit, "200");
  messages.Clear();
  page.OnAddNew();
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_EQ(messages.Texts()[0].rfind("Please enter a valid float between 0.00 and ", 0), 0u);
  EXPECT_EQ(page.List().GetCount(), 2);
}

TEST_F(AlarmPageTest, AfterDefaultsTheSingleAlarmControlsStartAfresh) {
  COAlarm a = Alarm(1, 7);
  a.SetLimit2(true);
  a.SetUseRollingAvg(true);
  a.SetRollingAvg(60);
  sequence.GetAlarms() = {a};
  auto sheet = Open();
  COAlarmPage& page = Page(*sheet);
  EXPECT_EQ(page.GetDlgItemText(A::kAverage), "60");
  ModalWatch press([](platform::CDialog* dlg) {
    if (dlg->GetTemplateId() == 148) dlg->accept();  // "Load default values"
  });
  sheet->OnDefault();
  EXPECT_EQ(page.GetDlgItemText(A::kLimit), "0");
  EXPECT_EQ(page.GetDlgItemText(A::kAverage), "10");
  EXPECT_TRUE(qobject_cast<QRadioButton*>(page.GetDlgItem(A::kInstantaneous))->isChecked());
  EXPECT_TRUE(qobject_cast<QRadioButton*>(page.GetDlgItem(A::kLimit1))->isChecked());
  EXPECT_FALSE(qobject_cast<QRadioButton*>(page.GetDlgItem(A::kLimit2))->isChecked());
}

TEST_F(AlarmPageTest, AMassLimitCountsWithTheGasChosenOnTheGasPage) {
  setup->SetGasConcUnit(COConcUnit::mg_m3);
  auto sheet = Open();
  ASSERT_TRUE(sheet->SetActivePage(1));
  COFilterPage& gas = sheet->FilterPage();
  gas.BankBox(0)->setCurrentIndex(gas.BankBox(0)->findText("SO2"));
  COAlarmPage& page = Page(*sheet);
  page.SetDlgItemText(A::kLimit, "100");
  page.SetDlgItemText(A::kAverage, "10");
  page.OnAddNew();
  ASSERT_EQ(page.List().GetCount(), 1);
  const float normTemp = static_cast<float>(setup->GetNormTempIn(COTempUnit(COTempUnit::celsius)));
  const float so2 = COConcUnit(COConcUnit::mg_m3).Convert(COConcUnit(COConcUnit::ppm), 100.0f, 64.06f, normTemp, 101.33f);
  const float co2 = COConcUnit(COConcUnit::mg_m3).Convert(COConcUnit(COConcUnit::ppm), 100.0f, 44.01f, normTemp, 101.33f);
  ASSERT_GT(std::fabs(so2 - co2), 1.0f);
  EXPECT_NEAR(page.List().GetAlarm(0).GetStoredLimit(), so2, 0.01f);
  sheet->accept();
  EXPECT_NEAR(Stored()->GetAlarm(0).GetStoredLimit(), so2, 0.01f);
  // Shown again in mg/m³ now that the task measures SO2 with filter A.
  EXPECT_NEAR(sequence.GetAlarm(0).GetLimit(), 100.0f, 0.01f);
}

class AlarmListTest : public AlarmPageTest {
 protected:
  AlarmListTest() : list(*context) { platform::EnsureGuiApplication(); }
  // As the alarm window fills it: the triggered alarms of the active
  // sequence, each tagged with its place in the table.
  void Fill() {
    list.ResetContent();
    const auto& table = sequence.GetAlarms();
    for (size_t i = 0; i < table.size(); ++i)
      if (table[i].IsTriggered()) list.InsertAlarm(table[i], static_cast<int>(i));
  }
  void Measure(float value) {
    monitor.state = MeasState::active;
    ++seconds;
    COMeas m = MakeMeas(platform::CTime(2026, 12, 11, 0, 0, 0), seconds, seconds, value);
    sequence.CheckAlarms(m);
  }
  std::vector<std::string> Drawn(int row) {
    platform::RecordingDC dc;
    DrawItemInfo info;
    info.itemID = row;
    info.rcItem = platform::CRect(0, row * 17, 300, row * 17 + 17);
    list.DrawItem(dc, info);
    std::vector<std::string> polygons;
    for (const std::string& call : dc.Calls())
      if (call.rfind("Polygon", 0) == 0) polygons.push_back(call);
    return polygons;
  }
  COAlarmList list;
  int seconds = 0;
};

TEST_F(AlarmListTest, AcknowledgementsFollowTheAlarmNotTheRow) {
  COAlarm relay = Alarm(0, 10);
  relay.SetActionRelay1(true);
  // Only the third alarm of the table will trigger: it is the list's row 0.
  sequence.GetAlarms() = {Alarm(1, 100), Alarm(1, 100), relay};
  Measure(50);
  Fill();
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.GetTag(0), 2);
  EXPECT_EQ(Drawn(0), Texts{"Polygon 2,2 14,2 8,10"});

  list.SetCurSel(0);
  list.ConfirmSelected();
  EXPECT_FALSE(sequence.GetAlarms()[2].IsTriggered());
  EXPECT_TRUE(list.IsAcknowledged(0));
  const auto& acks = context->AlarmAcknowledgements();
  EXPECT_EQ(acks.count(0), 0u);  // row 0 is alarm 2
  EXPECT_EQ(acks.at(2), true);
  // The only row confirmed: the outputs go off.
  EXPECT_EQ(switches, Texts({"relay1:on", "relay1:off"}));

  // Still exceeded at the next check, which clears alarm 2's mark: the row
  // shows the large mark again.
  Measure(50);
  EXPECT_FALSE(acks.count(2) && acks.at(2));
  Fill();
  EXPECT_EQ(Drawn(0), Texts{"Polygon 2,2 14,2 8,10"});
}

TEST_F(AlarmListTest, AnAcknowledgedAlarmStillExceededShowsTheSmallMarkAndBlinking) {
  sequence.GetAlarms() = {Alarm(0, 10)};
  Measure(50);
  Fill();
  context->AlarmAcknowledgements()[0] = true;
  EXPECT_EQ(Drawn(0), Texts{"Polygon 5,5 11,5 8,9"});
  context->AlarmAcknowledgements()[0] = false;
  list.ToggleBlink();
  EXPECT_TRUE(Drawn(0).empty());
  list.ToggleBlink();
  EXPECT_EQ(Drawn(0).size(), 1u);
}

TEST_F(AlarmListTest, ConfirmingOneOfSeveralRowsLeavesTheOutputsOn) {
  COAlarm a = Alarm(0, 10);
  a.SetActionPC(true);
  COAlarm b = Alarm(1, 10);
  b.SetActionRelay2(true);
  sequence.GetAlarms() = {a, b};
  Measure(50);
  Fill();
  ASSERT_EQ(list.GetCount(), 2);
  list.SetCurSel(1);
  list.ConfirmSelected();
  EXPECT_EQ(switches, Texts({"pc:on", "relay2:on"}));
  EXPECT_FALSE(sequence.GetAlarms()[1].IsTriggered());
  EXPECT_TRUE(sequence.GetAlarms()[0].IsTriggered());
  list.ConfirmAll();
  EXPECT_EQ(switches, Texts({"pc:on", "relay2:on", "pc:off", "relay2:off"}));
  EXPECT_FALSE(sequence.GetAlarms()[0].IsTriggered());
}

}  // namespace
}  // namespace kovo::test
