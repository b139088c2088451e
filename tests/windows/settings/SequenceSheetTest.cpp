// The sequence settings sheet and its Sampling and Gas pages, driven through
// their controls against a real task database.
#include <gtest/gtest.h>

#include <QTabWidget>

#include "COGenSub.h"
#include "CORecBankSet.h"
#include "DBFiles.h"
#include "DefaultDialog.h"
#include "db/Database.h"
#include "TaskRecords.h"
#include <cstdio>
#include "MonitorAccess.h"
#include "ModalWatch.h"
#include "SettingsFixture.h"

namespace kovo::test {
namespace {

using P = COSamplingPage;

TEST_F(SettingsTest, TheSamplingPageRefusesEachEntryOutsideItsRangeWithItsMessage) {
  const struct {
    int id;
    std::string text;
    Texts shown;
  } cases[] = {
      {P::kInterval, "0", {"Please enter a number between 1 and 60"}},
      {P::kInterval, "61", {"Please enter a number between 1 and 60"}},
      {P::kInterval, "60", {}},
      {P::kChamber, "1", {"Please enter a number between 2 and 60"}},
      {P::kChamber, "2", {}},
      {P::kTube, "1", {"Please enter a tube flushing time between 3 and 120, or 0 for no flushing"}},
      {P::kTube, "2", {"Please enter a tube flushing time between 3 and 120, or 0 for no flushing"}},
      {P::kTube, "0", {}},
      {P::kTube, "121", {"Please enter a tube flushing time between 3 and 120, or 0 for no flushing"}},
      {P::kTubeLength, "99.6", {"Please enter a valid float between 0.00 and 99.00"}},
      {P::kTubeLength, "abc", {"Please enter a valid float"}},
      {P::kAverage, "00:05", {"Please enter an interval between 00:10 and 12:00"}},
      {P::kAverage, "12:01", {"Please enter an interval between 00:10 and 12:00"}},
      {P::kAverage, "5", {"Please enter a valid interval (HH:MM)"}},
      {P::kAverage, "12:00", {}},
      {P::kPressure, "49.99", {"Please enter a valid float between 50.00 and 150.00"}},
      {P::kPressure, "150", {}},
  };
  for (const auto& c : cases) {
    auto sheet = Open();
    sheet->SamplingPage().SetDlgItemText(c.id, c.text);
    messages.Clear();
    sheet->accept();
    EXPECT_EQ(messages.Texts(), c.shown) << c.id << " " << c.text;
    EXPECT_EQ(sheet->isVisible(), !c.shown.empty()) << c.id << " " << c.text;
  }
  // The valid entries of the table reached the task.
  auto stored = Stored();
  EXPECT_EQ(stored->GetSampleInterval(), 60);
  EXPECT_EQ(stored->GetChamberTime(), 2);
  EXPECT_EQ(stored->GetTubeTime(), 0);
  EXPECT_EQ(stored->GetRollingAvg(), 720);
  EXPECT_FLOAT_EQ(stored->GetAirPres(), 150.0f);
}

TEST_F(SettingsTest, TheTubeLengthIsStoredWholeAndClampedInFeet) {
  setup->SetLengthUnit(COLengUnit::foot);
  const struct {
    std::string text;
    Texts shown;
    float stored;
  } cases[] = {
      {"12.6", {}, 13.0f},
      {"325", {}, 324.9f},
      {"326", {"Please enter a valid float between 0.00 and 324.90"}, 0.0f},
  };
  for (const auto& c : cases) {
    auto sheet = Open();
    sheet->SamplingPage().SetDlgItemText(P::kTubeLength, c.text);
    messages.Clear();
    sheet->accept();
    EXPECT_EQ(messages.Texts(), c.shown) << c.text;
    if (c.shown.empty()) EXPECT_NEAR(sequence.GetTubeLength(), c.stored, 0.01f) << c.text;
  }
}

TEST_F(SettingsTest, TheTubeTimeSpinSkipsTheRefusedTimes) {
  auto sheet = Open();
  CONumEdit& tube = sheet->SamplingPage().TubeTimeEdit();
  tube.SetValue(0);
  tube.SpinUp();
  EXPECT_EQ(tube.GetWindowText(), "3");
  tube.SpinDown();
  EXPECT_EQ(tube.GetWindowText(), "0");
}

TEST_F(SettingsTest, CancelLeavesTheSequenceAndTheTaskAsTheyWere) {
  {
    auto sheet = Open();
    sheet->SamplingPage().SetDlgItemText(P::kInterval, "42");
    ASSERT_TRUE(sheet->SetActivePage(1));  // the page change takes the entry
    EXPECT_EQ(sheet->EditedSequence().GetSampleInterval(), 42);
    sheet->reject();
  }
  EXPECT_EQ(sequence.GetSampleInterval(), 5);
  // A later save writes nothing the user cancelled.
  sequence.Save();
  EXPECT_EQ(Stored()->GetSampleInterval(), 5);
}

TEST_F(SettingsTest, OkStoresEveryPageInTheTask) {
  auto sheet = Open();
  COSamplingPage& sampling = sheet->SamplingPage();
  sampling.SetDlgItemText(P::kInterval, "7");
  Check(sampling, P::kFixed, true);
  Check(sampling, P::kWater, true);
  sampling.SetDlgItemText(P::kPressure, "99.5");
  ASSERT_TRUE(sheet->SetActivePage(1));
  COFilterPage& gas = sheet->FilterPage();
  gas.BankBox(0)->setCurrentIndex(gas.BankBox(0)->findText("SO2"));
  Check(gas, COFilterPage::kCheckA, true);
  Check(gas, COFilterPage::kCheckW, true);
  gas.ModeBox()->setCurrentIndex(3);
  gas.SitBox(1)->setCurrentIndex(6);
  ASSERT_TRUE(sheet->SetActivePage(2));
  COAlarmPage& alarms = *sheet->AlarmPage();
  alarms.SetDlgItemText(COAlarmPage::kLimit, "25");
  alarms.SetDlgItemText(COAlarmPage::kAverage, "10");
  Check(alarms, COAlarmPage::kActionRelay2, true);
  alarms.OnAddNew();
  sheet->accept();
  EXPECT_EQ(messages.Texts(), Texts{});
  EXPECT_FALSE(sheet->isVisible());

  auto stored = Stored();
  EXPECT_EQ(stored->GetSampleInterval(), 7);
  EXPECT_TRUE(stored->GetModeFlag2());
  EXPECT_TRUE(stored->GetWaterCompensation());
  EXPECT_NEAR(stored->GetAirPres(), 99.5f, 0.001f);
  EXPECT_EQ(stored->GetActiveBank(0), 2);
  EXPECT_TRUE(stored->IsFilterActive(0));
  EXPECT_TRUE(stored->IsFilterActive(5));
  EXPECT_EQ(stored->GetMeasTimeMode(), 3);
  EXPECT_EQ(stored->GetMeasTime(1), 6);
  ASSERT_EQ(stored->GetAlarmCount(), 1);
  EXPECT_NEAR(stored->GetAlarm(0).GetStoredLimit(), 25.0f, 0.001f);
  EXPECT_TRUE(stored->GetAlarm(0).GetActionRelay2());
  EXPECT_FALSE(stored->GetAlarm(0).IsLimit2());
}

TEST_F(SettingsTest, AFilterWithoutBankKeepsNoBankAndReloadSkipsIt) {
  sequence.SetActiveBank(0, 255);
  auto sheet = Open();
  ASSERT_TRUE(sheet->SetActivePage(1));
  COFilterPage& gas = sheet->FilterPage();
  EXPECT_EQ(gas.BankBox(0)->currentIndex(), -1);
  EXPECT_EQ(gas.BankBox(0)->count(), 2);
  EXPECT_EQ(gas.BankBox(1)->currentText().toStdString(), "CH4");
  // Filter C has no bank: neither its box nor its name shows, its time is off.
  EXPECT_FALSE(IsShown(gas, COFilterPage::kCheckC));
  EXPECT_FALSE(IsShown(gas, COFilterPage::kGasName1 + 2));
  EXPECT_FALSE(IsEnabled(gas, COFilterPage::kSitC));

  // The upload brings another bank for B; A's bank stays none.
  monitor.uploaded = monitor.setup;
  SetBank(monitor.uploaded, 1, 3, "N2O", 44.01f);
  gas.OnReloadFilterInfo();
  EXPECT_EQ(monitor.uploads, 1);
  EXPECT_EQ(gas.BankBox(1)->count(), 2);
  CORecBankSet sets(*context);
  const int current = sets.FindSet(CORecBankSet::kCurrent, "SN1001");
  ASSERT_GE(current, 0);
  MonitorSetup loaded;
  ASSERT_TRUE(sets.LoadSet(current, loaded));
  EXPECT_EQ(loaded.GetFilter(1).GetBank(3).GetGasName().ToString(), "N2O");
  sets.CloseWithDatabase();

  sheet->accept();
  EXPECT_EQ(sequence.GetActiveBank(0), 255);
  EXPECT_EQ(Stored()->GetActiveBank(0), 255);
}

TEST_F(SettingsTest, TheIntegrationTimesOfEachFilterShowOnlyInTheAdvancedMode) {
  auto sheet = Open();
  ASSERT_TRUE(sheet->SetActivePage(1));
  COFilterPage& gas = sheet->FilterPage();
  gas.ModeBox()->setCurrentIndex(1);
  EXPECT_FALSE(IsShown(gas, COFilterPage::kSitA));
  EXPECT_FALSE(IsShown(gas, COFilterPage::kSitW));
  gas.ModeBox()->setCurrentIndex(3);
  EXPECT_TRUE(IsShown(gas, COFilterPage::kSitA));
  EXPECT_TRUE(IsShown(gas, COFilterPage::kSitB));
  EXPECT_FALSE(IsShown(gas, COFilterPage::kSitC));
  EXPECT_TRUE(IsShown(gas, COFilterPage::kSitW));
  // Each time stands at the index of its code.
  QStringList times;
  for (int i = 0; i < gas.SitBox(5)->count(); ++i) times << gas.SitBox(5)->itemText(i);
  EXPECT_EQ(times.join(", ").toStdString(), "0.5 s, 1 s, 2 s, 5 s, 10 s, 20 s, 50 s");
}

TEST_F(SettingsTest, ViewOnlyWritesNothingBackAndLeavesOutTheAlarmsOfARecording) {
  sequence.SetReservedFlag(true);
  auto sheet = Open(true);
  EXPECT_EQ(sheet->GetPageCount(), 2);
  EXPECT_EQ(sheet->AlarmPage(), nullptr);
  EXPECT_TRUE(sheet->GetDlgItem(COSequenceSheet::ID_DEFAULT)->isHidden());
  COSamplingPage& sampling = sheet->SamplingPage();
  EXPECT_FALSE(IsEnabled(sampling, P::kInterval));
  EXPECT_FALSE(IsEnabled(sampling, P::kPressure));
  EXPECT_FALSE(IsShown(sampling, P::kDisplayGroup));
  ASSERT_TRUE(sheet->SetActivePage(1));
  COFilterPage& gas = sheet->FilterPage();
  EXPECT_FALSE(IsEnabled(gas, COFilterPage::kReload));
  gas.BankBox(0)->setCurrentIndex(1);
  Check(gas, COFilterPage::kCheckB, true);
  sheet->accept();
  EXPECT_FALSE(sheet->isVisible());
  EXPECT_EQ(sequence.GetActiveBank(0), 0);
  EXPECT_FALSE(sequence.IsFilterActive(1));
}

TEST_F(SettingsTest, WhileMeasuringOnlyTheAirPressureIsEditedAndNothingIsWritten) {
  monitor.state = MeasState::active;
  auto sheet = Open();
  EXPECT_TRUE(sheet->GetDlgItem(COSequenceSheet::ID_DEFAULT)->isHidden());
  COSamplingPage& sampling = sheet->SamplingPage();
  EXPECT_FALSE(IsEnabled(sampling, P::kInterval));
  EXPECT_FALSE(IsEnabled(sampling, P::kTube));
  EXPECT_TRUE(IsEnabled(sampling, P::kPressure));
  sampling.SetDlgItemText(P::kPressure, "120");
  // The measurement moves on while the sheet is open.
  sequence.SetStop(platform::CTime(2026, 12, 11, 1, 0, 0), 77);
  sheet->accept();
  EXPECT_FALSE(sheet->isVisible());
  EXPECT_FLOAT_EQ(sequence.GetAirPres(), 120.0f);
  EXPECT_EQ(sequence.GetStopNum(), 77);
  EXPECT_FLOAT_EQ(Stored()->GetAirPres(), 101.0f);
}

TEST_F(SettingsTest, TheSheetReopensOnTheLastPageUntilAnotherTaskOpens) {
  {
    auto sheet = Open();
    ASSERT_TRUE(sheet->SetActivePage(1));
    sheet->reject();
  }
  EXPECT_EQ(Open()->GetActiveIndex(), 1);
  genSub.Attach(&pageStatus);
  genSub.Notify(eDBChanged);
  genSub.Detach(&pageStatus);
  EXPECT_EQ(Open()->GetActiveIndex(), 0);
}

TEST_F(SettingsTest, AWrongEntryKeepsTheSheetOnItsPage) {
  auto sheet = Open();
  sheet->SamplingPage().SetDlgItemText(P::kChamber, "1");
  EXPECT_FALSE(sheet->SetActivePage(1));
  EXPECT_EQ(sheet->GetActiveIndex(), 0);
  EXPECT_EQ(messages.Texts(), Texts{"Please enter a number between 2 and 60"});
}


TEST_F(SettingsTest, AFailedSaveIsShownAndLeavesTheSequenceAsTheTaskHasIt) {
  auto sheet = Open();
  ASSERT_TRUE(sheet->SetActivePage(2));
  sheet->AlarmPage()->SetDlgItemText(COAlarmPage::kAverage, "10");
  sheet->AlarmPage()->OnAddNew();
  {
    platform::CDatabase db;
    ASSERT_TRUE(db.Open(dbfiles::ConnectString(setup->GetDatabaseName())));
    db.ExecuteSQL("DROP TABLE [Alarm]");
    db.Close();
  }
  sheet->accept();
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_TRUE(sheet->isVisible());
  EXPECT_EQ(sequence.GetAlarmCount(), 0);
}

// The prototype's sampling settings.
struct Defaults {
  int interval;
  int chamber;
  float pressure;
};

class DefaultTest : public SettingsTest {
 protected:
  Defaults Prototype() {
    COSequence defaults(*context);
    CORecSequence record(*context);
    record.SetTarget(&defaults, 1);
    record.Open();
    Defaults d{defaults.GetSampleInterval(), defaults.GetChamberTime(), defaults.GetAirPres()};
    record.CloseWithDatabase();
    return d;
  }
  // Runs "Default..." on the sheet with the choice given; OK, then Cancel
  // when the dialog is still open.
  void RunDefault(COSequenceSheet& sheet, int choice) {
    int presses = 0;
    ModalWatch watch([&](platform::CDialog* dlg) {
      if (dlg->GetTemplateId() != CDefault::IDD) return;
      if (presses++ == 0) {
        qobject_cast<QRadioButton*>(dlg->GetDlgItem(choice == 0 ? CDefault::kUseCurrent : CDefault::kLoadDefaults))
            ->setChecked(true);
        dlg->accept();
      } else {
        dlg->reject();
      }
    });
    sheet.OnDefault();
  }
};

TEST_F(DefaultTest, OkWithoutAChoiceLoadsTheStoredDefaultsIntoTheSheetOnly) {
  const Defaults stored = Prototype();
  auto sheet = Open();
  sheet->SamplingPage().SetDlgItemText(P::kInterval, "33");
  ModalWatch watch([](platform::CDialog* dlg) {
    if (dlg->GetTemplateId() == CDefault::IDD) dlg->accept();
  });
  sheet->OnDefault();
  EXPECT_EQ(sheet->SamplingPage().GetDlgItemText(P::kInterval), std::to_string(stored.interval));
  EXPECT_EQ(sheet->EditedSequence().GetChamberTime(), stored.chamber);
  EXPECT_EQ(sequence.GetSampleInterval(), 5);  // the task waits for OK
  sheet->reject();
  EXPECT_EQ(Stored()->GetSampleInterval(), 5);
}

TEST_F(DefaultTest, CheckedSettingsBecomeTheDefaultsOfTheNextTask) {
  auto sheet = Open();
  sheet->SamplingPage().SetDlgItemText(P::kInterval, "33");
  sheet->SamplingPage().SetDlgItemText(P::kChamber, "44");
  RunDefault(*sheet, CDefault::kStoreAsDefault);
  EXPECT_EQ(messages.Texts(), Texts{});
  EXPECT_EQ(Prototype().interval, 33);
  EXPECT_EQ(Prototype().chamber, 44);
  sheet->reject();
  EXPECT_EQ(Stored()->GetSampleInterval(), 5);
  sequence.Close();
  NewTask("Next");
  EXPECT_EQ(sequence.GetSampleInterval(), 33);
}

TEST_F(DefaultTest, UncheckedSettingsNeverBecomeTheDefaults) {
  const Defaults before = Prototype();
  auto sheet = Open();
  sheet->SamplingPage().SetDlgItemText(P::kChamber, "1");
  sheet->SamplingPage().SetDlgItemText(P::kInterval, "33");
  RunDefault(*sheet, CDefault::kStoreAsDefault);
  EXPECT_EQ(messages.Texts(), Texts{"Please enter a number between 2 and 60"});
  EXPECT_EQ(Prototype().chamber, before.chamber);
  EXPECT_EQ(Prototype().interval, before.interval);
  // Loading the defaults needs no valid entry.
  messages.Clear();
  RunDefault(*sheet, CDefault::kLoadDefault);
  EXPECT_EQ(messages.Texts(), Texts{});
  EXPECT_EQ(sheet->SamplingPage().GetDlgItemText(P::kChamber), std::to_string(before.chamber));
  // A wrong interval is told first; the defaults come all the same.
  sheet->SamplingPage().SetDlgItemText(P::kInterval, "0");
  RunDefault(*sheet, CDefault::kLoadDefault);
  EXPECT_EQ(messages.Texts(), Texts{"Please enter a number between 1 and 60"});
  EXPECT_EQ(sheet->SamplingPage().GetDlgItemText(P::kInterval), std::to_string(before.interval));
}

TEST_F(DefaultTest, ADatabaseErrorIsShownAndChangesNothing) {
  auto sheet = Open();
  sheet->SamplingPage().SetDlgItemText(P::kInterval, "33");
  const std::string prototype = setup->GetProgramFolder() + "prototyp/MEAS.db";
  ASSERT_EQ(std::rename(prototype.c_str(), (prototype + ".away").c_str()), 0);
  RunDefault(*sheet, CDefault::kLoadDefault);
  ASSERT_EQ(std::rename((prototype + ".away").c_str(), prototype.c_str()), 0);
  // The database's own message.
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_EQ(messages.Texts()[0].rfind("Unable to open data source TARNIC:MEAS", 0), 0u);
  EXPECT_EQ(sheet->EditedSequence().GetSampleInterval(), 33);
  EXPECT_EQ(sequence.GetSampleInterval(), 5);
}

}  // namespace
}  // namespace kovo::test
