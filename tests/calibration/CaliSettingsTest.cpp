// The calibration sequence settings sheet offscreen against a calibration
// task and the simulated monitor: the calibration type page, the gas and bank
// page, the calibration sampling page and "Default...".
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>

#include "COCaliMeasObs.h"
#include "CaliFilterPage.h"
#include "CaliSettings.h"
#include "CaliUiFixture.h"
#include "CalibrationTypePage.h"
#include "DialogFixture.h"
#include "ModalWatch.h"

namespace kovo::test {
namespace {

using calibration::CCalibrationType;
using calibration::COCaliSettings;
using calibration::COFilterPage;
using T = CCalibrationType;

class CaliSettingsTest : public CaliUiTest {
 protected:
  std::unique_ptr<COCaliSettings> Open(bool readOnly = false) {
    auto sheet = std::make_unique<COCaliSettings>(ctx, caliSequence, readOnly);
    sheet->show();
    return sheet;
  }
};

TEST_F(CaliSettingsTest, TheTypePageStoresTheModeOfEachChoice) {
  caliSequence.SetConcSpanHigh(COConcUnit::ppm, 100.0f);
  caliSequence.SetConcSpanLow(COConcUnit::ppm, 50.0f);
  caliSequence.Save();
  const struct {
    int type;
    bool interference, waterSpan, twoPoint;
    int mode;
    bool bit0, bit1;
  } cases[] = {
      {T::kZeroPoint, false, false, false, COCaliSequence::modeZero, false, false},
      {T::kHumidity, false, true, false, COCaliSequence::modeHumiditySpan, true, false},
      {T::kHumidity, true, false, false, COCaliSequence::modeHumidityInterference, false, true},
      {T::kHumidity, true, true, false, COCaliSequence::modeHumidityInterference, true, true},
      {T::kGasSpan, false, false, false, COCaliSequence::modeSpan1P, false, false},
      {T::kGasSpan, false, false, true, COCaliSequence::modeSpan2P, false, false},
  };
  for (const auto& c : cases) {
    auto sheet = Open();
    CCalibrationType& page = sheet->TypePage();
    Click(page, c.type);
    Click(page, T::kInterference, c.interference);
    Click(page, T::kWaterSpan, c.waterSpan);
    Click(page, T::kTwoPoint, c.twoPoint);
    sheet->accept();
    EXPECT_EQ(Shown(), Texts{}) << c.mode;
    EXPECT_FALSE(sheet->isVisible());
    auto stored = Stored();
    EXPECT_EQ(stored->CaliMode, c.mode);
    EXPECT_EQ(stored->GetCalcSpan(COCaliSequence::calcWaterSpan), c.bit0) << c.mode;
    EXPECT_EQ(stored->GetCalcSpan(COCaliSequence::calcHumidityInterference), c.bit1) << c.mode;
  }
  // Humidity with neither box is no calibration.
  auto sheet = Open();
  Click(sheet->TypePage(), T::kHumidity);
  Click(sheet->TypePage(), T::kInterference, false);
  Click(sheet->TypePage(), T::kWaterSpan, false);
  sheet->accept();
  EXPECT_EQ(Shown(), Texts{"Calibration type not valid"});
  EXPECT_TRUE(sheet->isVisible());
}

TEST_F(CaliSettingsTest, TheTypePageShowsTheControlsOfTheChosenType) {
  auto sheet = Open();
  CCalibrationType& page = sheet->TypePage();
  Click(page, T::kZeroPoint);
  EXPECT_FALSE(IsShown(page, T::kParameters));
  Click(page, T::kHumidity);
  Click(page, T::kWaterSpan, false);
  EXPECT_TRUE(IsShown(page, T::kInterference));
  EXPECT_FALSE(IsShown(page, T::kWaterConc));
  EXPECT_FALSE(IsShown(page, T::kFilter));
  Click(page, T::kWaterSpan, true);
  EXPECT_TRUE(IsShown(page, T::kWaterConc));
  // The spin buttons keep their own height whatever room the page has left.
  QApplication::processEvents();
  for (int spin : {T::kWaterConcSpin, T::kPressureSpin})
    EXPECT_EQ(page.GetDlgItem(spin)->height(), page.GetDlgItem(spin)->sizeHint().height()) << spin;
  Click(page, T::kGasSpan);
  Click(page, T::kTwoPoint, false);
  EXPECT_TRUE(IsShown(page, T::kFilter));
  EXPECT_TRUE(IsShown(page, T::kHighLabel));
  EXPECT_FALSE(IsShown(page, T::kLowConc));
  EXPECT_FALSE(IsShown(page, T::kInterference));
  Click(page, T::kTwoPoint, true);
  EXPECT_TRUE(IsShown(page, T::kLowConc));
  EXPECT_TRUE(IsShown(page, T::kMeasureHigh));
  EXPECT_FALSE(IsShown(page, T::kHighLabel));
  // The span filters are the filters with a gas, named as the sequence names them.
  ASSERT_EQ(page.FilterBox().count(), 5);
  EXPECT_EQ(page.FilterBox().itemText(0).toStdString(), "A: CO2");
  Picture(*sheet, "calibration_settings_type");
}

TEST_F(CaliSettingsTest, TheTargetConcentrationsAreCheckedAndAChangeIsToldOnce) {
  // Stored in ppm, shown in mg/m³: the text shown is not the value stored.
  setup->SetGasConcUnit(COConcUnit::mg_m3);
  caliSequence.CaliMode = COCaliSequence::modeSpan1P;
  caliSequence.SetConcSpanHigh(COConcUnit::ppm, 100.0f);
  caliSequence.Save();
  const std::string changed =
      "The target Gas Concentration has been changed\n"
      "Please make a new Gas Span Calibration measurement for the new target Gas Concentration\n";
  {
    auto sheet = Open();
    sheet->accept();  // unchanged
    EXPECT_EQ(Shown(), Texts{});
  }
  {
    auto sheet = Open();
    sheet->TypePage().SetDlgItemText(T::kHighConc, "0");
    sheet->accept();
    EXPECT_EQ(Shown(), Texts{"The target Gas Concentration value of zero is invalid\n"
                             "Please enter another value for the target Gas Concentration"});
    EXPECT_TRUE(sheet->isVisible());
    messages.Clear();
    sheet->TypePage().SetDlgItemText(T::kHighConc, "250.5");
    ASSERT_TRUE(sheet->SetActivePage(1));
    EXPECT_EQ(Shown(), Texts{changed});
    EXPECT_EQ(messages.Messages()[0].caption, "Calibration");
    ASSERT_TRUE(sheet->SetActivePage(0));
    sheet->accept();  // the change was told
    EXPECT_EQ(Shown(), Texts{changed});
  }
  EXPECT_NEAR(Stored()->GetConcSpanHigh(COConcUnit::mg_m3), 250.5f, 0.01f);
  messages.Clear();
  auto sheet = Open();
  sheet->accept();
  EXPECT_EQ(Shown(), Texts{});
}

TEST_F(CaliSettingsTest, TheLowConcentrationIsComparedOnlyWithAnEarlierOne) {
  caliSequence.CaliMode = COCaliSequence::modeSpan2P;
  caliSequence.CaliTwoPoint = 1;
  caliSequence.SetConcSpanHigh(COConcUnit::ppm, 100.0f);
  caliSequence.SetConcSpanLow(COConcUnit::ppm, 0.0f);
  caliSequence.Save();
  {
    // No low concentration before: one above the high one is taken.
    auto sheet = Open();
    sheet->TypePage().SetDlgItemText(T::kLowConc, "150");
    sheet->accept();
    EXPECT_EQ(Shown(), Texts{});
    EXPECT_FALSE(sheet->isVisible());
  }
  auto sheet = Open();
  sheet->TypePage().SetDlgItemText(T::kLowConc, "120");
  sheet->accept();
  EXPECT_EQ(Shown(), Texts{"The target Gas Low Concentration cannot greater or equal to the target Gas High "
                           "Concentration\nPlease correct the value of the target Gas Low Concentration\n"});
  EXPECT_TRUE(sheet->isVisible());
}

TEST_F(CaliSettingsTest, AChosenBankShowsItsNumberAndMolecularWeight) {
  sim->Modify([](kovo::sim::MonitorState& s) {
    s.params["F_B,3,G_N"] = "\"C2H6\"";
    s.params["F_B,3,G_W"] = " 3.007000E+01";
  });
  ASSERT_TRUE(cali->UploadFilterInfo());
  calibrator.GetBank(1).SetMW(17.5f);  // the working bank's own
  auto sheet = Open();
  ASSERT_TRUE(sheet->SetActivePage(1));
  COFilterPage& page = sheet->FilterPage();
  EXPECT_EQ(page.GetDlgItemText(COFilterPage::kBankNumberIds[1]), "1:");
  EXPECT_EQ(page.MwEdit(1).GetWindowText(), "17.50");
  page.GasBox(1).setCurrentIndex(2);
  page.OnSelchangeGas(1);
  EXPECT_EQ(page.GetDlgItemText(COFilterPage::kBankNumberIds[1]), "3:");
  EXPECT_EQ(page.MwEdit(1).GetWindowText(), "30.07");
  EXPECT_EQ(page.GasBox(1).currentText().toStdString(), "C2H6");
  page.GasBox(1).setCurrentIndex(0);
  page.OnSelchangeGas(1);
  EXPECT_EQ(page.MwEdit(1).GetWindowText(), "17.50");
  EXPECT_EQ(page.GetDlgItemText(COFilterPage::kInstalledIds[0]), "UA1312");
  Picture(*sheet, "calibration_settings_gas");
}

TEST_F(CaliSettingsTest, OnAnotherSequenceOnlyTheActiveSequencesBankShowsTheWorkingWeight) {
  sim->Modify([](kovo::sim::MonitorState& s) { s.params["F_B,3,G_W"] = " 3.007000E+01"; });
  ASSERT_TRUE(cali->UploadFilterInfo());
  calibrator.GetBank(1).SetMW(17.5f);  // the working bank of bank 1
  // A stored run that measured filter B with its bank 3.
  COCaliSequence other(caliSequence);
  other.SetActiveBank(1, 2);
  COCaliSettings sheet(ctx, other, false);
  sheet.show();
  ASSERT_TRUE(sheet.SetActivePage(1));
  COFilterPage& page = sheet.FilterPage();
  EXPECT_EQ(page.MwEdit(1).GetWindowText(), "30.07");
  // Back and forth: each bank shows its own weight.
  for (const auto& [index, mw] : {std::pair<int, const char*>{0, "17.50"}, {2, "30.07"}}) {
    page.GasBox(1).setCurrentIndex(index);
    page.OnSelchangeGas(1);
    EXPECT_EQ(page.MwEdit(1).GetWindowText(), mw) << index;
  }
}

TEST_F(CaliSettingsTest, ASavedBankChangeTakesTheBankWithTheEditedNameAndWeightOnlyOnOk) {
  sim->Modify([](kovo::sim::MonitorState& s) {
    s.params["F_B,3,G_N"] = "\"C2H6\"";
    s.params["F_B,3,C_OF_F"] = " 2.500000E-01";
  });
  ASSERT_TRUE(cali->UploadFilterInfo());
  const BankInfo before = calibrator.GetBank(1);
  // Bank 3 of filter B, renamed and weighed anew.
  auto chooseBank = [](COCaliSettings& sheet) {
    ASSERT_TRUE(sheet.SetActivePage(1));
    COFilterPage& page = sheet.FilterPage();
    page.GasBox(1).setCurrentIndex(2);
    page.OnSelchangeGas(1);
    page.GasBox(1).setEditText("Ethane");
    page.MwEdit(1).SetWindowText("30.10");
  };
  {
    auto sheet = Open();
    chooseBank(*sheet);
    ASSERT_TRUE(sheet->SetActivePage(0));
    EXPECT_EQ(sheet->FilterPage().WorkingBank(1).GetGasName().ToString(), "Ethane");
    sheet->reject();
  }
  // Cancel: neither the sequence nor the working bank changed.
  EXPECT_EQ(caliSequence.GetActiveBank(1), 0);
  EXPECT_EQ(calibrator.GetBank(1).GetGasName().ToString(), before.GetGasName().ToString());

  calibrator.MarkCalculated(1, 0x0F);
  auto sheet = Open();
  chooseBank(*sheet);
  sheet->accept();
  EXPECT_EQ(Shown(), Texts{});
  EXPECT_EQ(caliSequence.GetActiveBank(1), 2);
  EXPECT_EQ(Stored()->GetActiveBank(1), 2);
  const BankInfo& working = calibrator.GetBank(1);
  EXPECT_EQ(working.GetGasName().ToString(), "Ethane");
  EXPECT_FLOAT_EQ(float(working.GetMW()), 30.1f);
  EXPECT_FLOAT_EQ(float(working.GetConcOffset()), 0.25f);  // the new bank's record
  // What was calculated for the bank before is not this bank's.
  EXPECT_EQ(calibrator.CalculatedGroups(1), 0u);
}

TEST_F(CaliSettingsTest, ReloadFilterInfoStoresTheMonitorsBanksAndTakesThemAtOnce) {
  auto sheet = Open();
  ASSERT_TRUE(sheet->SetActivePage(1));
  COFilterPage& page = sheet->FilterPage();
  sim->Modify([](kovo::sim::MonitorState& s) {
    s.params["F_A,1,G_N"] = "\"C2H4\"";
    s.params["F_A,1,G_W"] = " 2.805000E+01";
  });
  page.OnReloadFilterInfo();
  EXPECT_EQ(page.GasBox(0).itemText(0).toStdString(), "C2H4");
  EXPECT_EQ(page.MwEdit(0).GetWindowText(), "28.05");
  EXPECT_EQ(calibrator.GetBank(0).GetGasName().ToString(), "C2H4");
  MonitorSetup stored;
  ASSERT_TRUE(copies->LoadCurrentSet(serial, stored));
  EXPECT_EQ(stored.GetFilter(0).GetBank(0).GetGasName().ToString(), "C2H4");
  sheet->reject();
}

TEST_F(CaliSettingsTest, AMolecularWeightIsReadTheSameWayInEveryFilter) {
  auto sheet = Open();
  ASSERT_TRUE(sheet->SetActivePage(1));
  COFilterPage& page = sheet->FilterPage();
  // Filter E has no filter in the simulated monitor: its edit takes no keys.
  EXPECT_FALSE(page.MwEdit(4).isEnabled());
  for (int f = 0; f < 4; ++f) {
    messages.Clear();
    page.MwEdit(f).SetWindowText("44");
    page.MwEdit(f).end(false);
    TypeChar(&page.MwEdit(f), ',');
    EXPECT_EQ(Shown(), Texts{"Wrong decimal point in Mol Wgt!"}) << f;
    TypeChar(&page.MwEdit(f), '0');  // the same comma warns once
    EXPECT_EQ(Shown(), Texts{"Wrong decimal point in Mol Wgt!"}) << f;
    messages.Clear();
    ASSERT_FALSE(sheet->SetActivePage(0)) << f;
    EXPECT_EQ(Shown(), Texts{"Please enter a number."}) << f;
    page.MwEdit(f).SetWindowText("44.01");
  }
  messages.Clear();
  page.MwEdit(3).SetWindowText("abc");
  sheet->accept();
  EXPECT_EQ(Shown(), Texts{"Please enter a number."});
  EXPECT_TRUE(sheet->isVisible());
  EXPECT_NE(float(calibrator.GetBank(3).GetMW()), 0.0f);
}

TEST_F(CaliSettingsTest, AGasBoxWithoutSelectionStoresNoBank) {
  auto sheet = Open();
  ASSERT_TRUE(sheet->SetActivePage(1));
  COFilterPage& page = sheet->FilterPage();
  page.GasBox(2).setCurrentIndex(-1);
  page.OnSelchangeGas(2);
  EXPECT_EQ(page.GetDlgItemText(COFilterPage::kBankNumberIds[2]), "");
  sheet->accept();
  EXPECT_EQ(Shown(), Texts{});
  EXPECT_EQ(caliSequence.GetActiveBank(2), COCaliSequence::kNoBank);
  // No bank, no gas: the filter is neither named by a bank nor measured.
  EXPECT_FALSE(caliSequence.IsGasDefined(2));
  EXPECT_EQ(caliSequence.GetGasName(2), "C: UA0985");
  MonitorSetup start = cali->GetMonitorSetup();
  caliSequence.GetMonitorSetup(start);
  EXPECT_EQ(start.GetFilter(2).m_active, 0);
}

TEST_F(CaliSettingsTest, AGasNameIsRefusedWhenTooLongOrUnfitForTheMonitor) {
  const struct {
    std::string name;
    Texts shown;
  } cases[] = {
      {std::string(30, 'x'), {"Gas name  too long (Max Length: 29)"}},
      {"N\"O", {"The gas name may not contain a double quote or a control character"}},
      {std::string(29, 'x'), {}},
  };
  for (const auto& c : cases) {
    auto sheet = Open();
    ASSERT_TRUE(sheet->SetActivePage(1));
    sheet->FilterPage().GasBox(0).setEditText(QString::fromStdString(c.name));
    messages.Clear();
    sheet->accept();
    EXPECT_EQ(Shown(), c.shown) << c.name;
    EXPECT_EQ(sheet->isVisible(), !c.shown.empty()) << c.name;
  }
  EXPECT_EQ(calibrator.GetBank(0).GetGasName().ToString(), std::string(29, 'x'));
}

TEST_F(CaliSettingsTest, TheSamplingPageEditsOnlyTheFlushing) {
  caliSequence.FlushMode = 0;
  caliSequence.SetTubeLength(10.0f);
  caliSequence.ChamberTime = 10;
  caliSequence.TubeTime = 20;
  caliSequence.SetAirPres(100.0f);
  caliSequence.Save();
  auto sheet = Open();
  ASSERT_TRUE(sheet->SetActivePage(2));
  COSamplingPage& page = sheet->SamplingPage();
  for (int id : {COSamplingPage::kSamplingGroup, COSamplingPage::kDisplayGroup, COSamplingPage::kCompensationGroup})
    EXPECT_FALSE(IsShown(page, id)) << id;
  EXPECT_FALSE(IsEnabled(page, COSamplingPage::kPressure));
  EXPECT_EQ(page.GetDlgItemText(COSamplingPage::kTubeLength), "10");
  Click(page, COSamplingPage::kFixed);
  page.SetDlgItemText(COSamplingPage::kChamber, "1");
  sheet->accept();
  EXPECT_EQ(Shown(), Texts{"Please enter a number between 2 and 60"});
  messages.Clear();
  page.SetDlgItemText(COSamplingPage::kChamber, "30");
  page.SetDlgItemText(COSamplingPage::kTube, "45");
  page.SetDlgItemText(COSamplingPage::kTubeLength, "12");
  Picture(*sheet, "calibration_settings_sampling");
  sheet->accept();
  EXPECT_EQ(Shown(), Texts{});
  auto stored = Stored();
  EXPECT_EQ(stored->FlushMode, 1);
  EXPECT_EQ(stored->ChamberTime, 30);
  EXPECT_EQ(stored->TubeTime, 45);
  EXPECT_FLOAT_EQ(stored->TubeLength, 12.0f);
  EXPECT_FLOAT_EQ(stored->AirPres, 100.0f);
}

// Saving the gas page locks the channels that the sequence's mode measured
// when the page opened, through the sheet's copy of the sequence; a
// cancelled sheet keeps the mask the sequence had.
TEST_F(CaliSettingsTest, TheGasPageLocksTheChannelsItsModeMeasures) {
  const struct {
    int mode;
    unsigned char cross;
    unsigned char locked;
  } cases[] = {
      {COCaliSequence::modeZero, 0, 0x3F},          // every filter's bank names a gas, and W
      {COCaliSequence::modeHumiditySpan, 0, 0x20},  // the water vapour only
      {COCaliSequence::modeSpan1P, 0, 0x22},        // the span filter B and W
      {COCaliSequence::modeSpan1P, 1, 0x3F},
  };
  for (const auto& c : cases) {
    caliSequence.CaliMode = static_cast<unsigned char>(c.mode);
    caliSequence.CaliCross = c.cross;
    caliSequence.SpanFilter = 1;
    caliSequence.LockedFilter = 0x01;
    caliSequence.Save();
    {
      auto sheet = Open();
      ASSERT_TRUE(sheet->SetActivePage(1));
      sheet->reject();
    }
    EXPECT_EQ(caliSequence.LockedFilter, 0x01) << c.mode;
    auto sheet = Open();
    ASSERT_TRUE(sheet->SetActivePage(1));
    sheet->accept();
    EXPECT_EQ(Shown(), Texts{});
    EXPECT_EQ(int(caliSequence.LockedFilter), int(c.locked)) << c.mode << " " << int(c.cross);
    // A copy of the sequence, as every sheet edits, keeps the mask.
    EXPECT_EQ(int(COCaliSequence(caliSequence).LockedFilter), int(c.locked));
  }
}

TEST_F(CaliSettingsTest, CancelLeavesTheSequenceAsItWas) {
  caliSequence.CaliMode = COCaliSequence::modeZero;
  caliSequence.Save();
  {
    auto sheet = Open();
    Click(sheet->TypePage(), T::kGasSpan);
    sheet->TypePage().SetDlgItemText(T::kHighConc, "42");
    ASSERT_TRUE(sheet->SetActivePage(2));
    EXPECT_EQ(sheet->EditedSequence().CaliMode, COCaliSequence::modeSpan1P);
    sheet->reject();
  }
  EXPECT_EQ(caliSequence.CaliMode, COCaliSequence::modeZero);
  caliSequence.Save();
  EXPECT_EQ(Stored()->CaliMode, COCaliSequence::modeZero);
}

TEST_F(CaliSettingsTest, ADatabaseErrorWhileSavingIsShownAndChangesNothing) {
  caliSequence.CaliMode = COCaliSequence::modeZero;
  caliSequence.Save();
  ExecuteSql("CREATE TRIGGER [NoWrites] BEFORE UPDATE ON [Sequence] BEGIN SELECT RAISE(ABORT, 'the disk is full'); END");
  auto sheet = Open();
  Click(sheet->TypePage(), T::kGasSpan);
  sheet->TypePage().SetDlgItemText(T::kHighConc, "42");
  sheet->accept();
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_NE(Shown()[0].find("the disk is full"), std::string::npos) << Shown()[0];
  EXPECT_TRUE(sheet->isVisible());
  EXPECT_EQ(caliSequence.CaliMode, COCaliSequence::modeZero);
  sheet->reject();
  ExecuteSql("DROP TRIGGER [NoWrites]");
  // The sequence saves again as before.
  caliSequence.Name = "Later";
  EXPECT_TRUE(caliSequence.Save());
  EXPECT_EQ(Stored()->Name, "Later");
  EXPECT_EQ(Stored()->CaliMode, COCaliSequence::modeZero);
}

TEST_F(CaliSettingsTest, DefaultsStoreAndLoadOnlyTheSettings) {
  auto runDefault = [this](int button) {
    int presses = 0;
    ModalWatch answer([button, &presses](platform::CDialog* dlg) {
      if (dlg->GetTemplateId() != calibration::CDefault::IDD) return;
      if (presses++ > 0) {
        dlg->reject();
        return;
      }
      qobject_cast<QAbstractButton*>(dlg->GetDlgItem(button))->click();
      dlg->accept();
    });
    auto sheet = Open();
    sheet->OnDefault();
    sheet->accept();
    EXPECT_EQ(Shown(), Texts{});
  };
  caliSequence.CaliMode = COCaliSequence::modeSpan1P;
  caliSequence.SpanFilter = 2;
  caliSequence.SetConcSpanHigh(COConcUnit::ppm, 100.0f);
  caliSequence.ChamberTime = 33;
  caliSequence.Save();
  runDefault(calibration::CDefault::kUseCurrent);

  caliSequence.CaliMode = COCaliSequence::modeZero;
  caliSequence.SpanFilter = 0;
  caliSequence.ChamberTime = 5;
  caliSequence.Name = "Changed";
  caliSequence.SetActiveBank(0, 3);
  const platform::CTime start(2005, 3, 7, 10, 0, 0);
  caliSequence.SetStart(start, 7);
  caliSequence.Save();
  runDefault(calibration::CDefault::kLoadDefaults);
  auto stored = Stored();
  EXPECT_EQ(stored->CaliMode, COCaliSequence::modeSpan1P);
  EXPECT_EQ(stored->SpanFilter, 2);
  EXPECT_EQ(stored->ChamberTime, 33);
  EXPECT_EQ(stored->Name, "Changed");
  EXPECT_EQ(stored->GetActiveBank(0), 3);
  EXPECT_EQ(stored->StartTime, start);
  EXPECT_EQ(stored->StartNum, 7);
}

TEST_F(CaliSettingsTest, WhileACalibrationRunsNothingButThePagesShows) {
  ASSERT_TRUE(cali->StartMeasurement(platform::CTime::GetCurrentTime(), platform::CTime()));
  ASSERT_TRUE(PumpUntil([&] { return cali->GetState() == MeasState::active; }));
  auto sheet = Open();
  EXPECT_FALSE(IsShown(*sheet, COCaliSettings::ID_DEFAULT));
  EXPECT_FALSE(IsEnabled(sheet->TypePage(), T::kGasSpan));
  EXPECT_FALSE(IsEnabled(sheet->TypePage(), T::kPressure));
  ASSERT_TRUE(sheet->SetActivePage(1));
  EXPECT_FALSE(IsEnabled(sheet->FilterPage(), COFilterPage::kGasIds[0]));
  EXPECT_FALSE(IsEnabled(sheet->FilterPage(), COFilterPage::kReload));
  sheet->reject();
  cali->StopMeasurement();
  ASSERT_TRUE(PumpUntil([&] { return cali->GetState() == MeasState::idle; }));
  // Idle again: "Default..." is back.
  auto idle = Open();
  EXPECT_TRUE(IsShown(*idle, COCaliSettings::ID_DEFAULT));
}

TEST_F(CaliSettingsTest, F1OpensTheManual) {
  std::vector<std::string> opened;
  platform::DesktopOpener previous = platform::SetDesktopOpener([&](const std::string& path, const std::string&) {
    opened.push_back(path);
    return true;
  });
  auto sheet = Open();
  PressKey(&sheet->TypePage().PressureEdit(), Qt::Key_F1);
  platform::SetDesktopOpener(previous);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], setup->GetProgramFolder() + "Gas monitor software Manual Pask.pdf");
}

TEST_F(CaliSettingsTest, TheSheetOpensOnThePageItLastClosedOn) {
  {
    auto sheet = Open();
    ASSERT_TRUE(sheet->SetActivePage(2));
    sheet->reject();
  }
  auto sheet = Open();
  EXPECT_EQ(sheet->GetActiveIndex(), 2);
  EXPECT_EQ(sheet->GetWindowText(), "Calibration Sequence Settings (" + caliSequence.Name + ")");
}

}  // namespace
}  // namespace kovo::test
