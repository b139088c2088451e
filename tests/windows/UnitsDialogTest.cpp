// The units dialog against a real system database: what OK stores is what
// the next start reads, every open window is told, and Cancel changes
// nothing.
#include <gtest/gtest.h>

#include <QAbstractButton>

#include "ProgramProfiles.h"
#include "DBDoc.h"
#include "DataTestSupport.h"
#include "UnitsDialog.h"
#include "ui/WinApp.h"

namespace {

using Texts = std::vector<std::string>;

class HintLog : public CView {
 public:
  void OnUpdate(CView*, long hint, void*) override { hints.push_back(hint); }
  std::vector<long> hints;
};

class UnitsDialogTest : public kovo::test::DataTest {
 protected:
  UnitsDialogTest() {
    platform::EnsureGuiApplication();
    doc.m_bAutoDelete = false;
    doc.AddView(&view);
    setup->SetMeasDatabaseOpen(true);
  }
  ~UnitsDialogTest() override { doc.RemoveView(&view); }

  static void Click(CUnits& dlg, int id) { static_cast<QAbstractButton*>(dlg.GetDlgItem(id))->click(); }
  static bool Checked(CUnits& dlg, int id) { return static_cast<QAbstractButton*>(dlg.GetDlgItem(id))->isChecked(); }
  static Texts Entries(CUnits& dlg) {
    Texts t;
    for (int i = 0; i < dlg.NormTempCombo().GetCount(); ++i) t.push_back(dlg.NormTempCombo().GetLBText(i));
    return t;
  }
  // The settings as the next start of a program reads them.
  struct Stored {
    int humidity, pressure, temp, gas, length;
    double normCelsius;
  };
  Stored NextStart() {
    DataContext next(kovo::test::ProfileOf("Online"));
    EXPECT_TRUE(next.Setup().OpenSystemDatabase());
    const COSystemSetup& s = next.Setup();
    return {s.GetHumidityUnit().GetUnit(), s.GetPressureUnit().GetUnit(), s.GetTempUnit().GetUnit(),
            s.GetGasConcUnit().GetUnit(), s.GetLengthUnit().GetUnit(),
            s.GetNormTempIn(COTempUnit(COTempUnit::celsius))};
  }

  CDBDoc doc{*context};
  HintLog view;
};

TEST_F(UnitsDialogTest, OkStoresTheUnitsForTheNextStartAndTellsEveryWindow) {
  setup->SetTempUnit(COTempUnit::celsius);
  setup->SetGasConcUnit(COConcUnit::ppm);
  setup->SetNormTemp(20.0f);
  setup->Save();

  CUnits dlg(*context);
  dlg.show();
  EXPECT_TRUE(Checked(dlg, 1032));  // °C
  EXPECT_TRUE(Checked(dlg, 1039));  // ppm
  EXPECT_EQ(Entries(dlg), (Texts{"0 °C", "20 °C", "25 °C"}));
  EXPECT_EQ(dlg.NormTempCombo().GetCurSel(), 1);

  // The list follows the temperature unit and keeps its position.
  Click(dlg, 1033);
  EXPECT_EQ(Entries(dlg), (Texts{"32 °F", "68 °F", "77 °F"}));
  EXPECT_EQ(dlg.NormTempCombo().GetCurSel(), 1);
  Click(dlg, 1031);
  EXPECT_EQ(Entries(dlg), (Texts{"273 K", "293 K", "298 K"}));
  EXPECT_EQ(dlg.NormTempCombo().GetCurSel(), 1);

  dlg.NormTempCombo().SetCurSel(2);
  Click(dlg, 1015);  // humidity Pa
  Click(dlg, 1045);  // hPa
  Click(dlg, 1207);  // mg/m³
  Click(dlg, 1036);  // ft
  EXPECT_TRUE(view.hints.empty());
  dlg.accept();
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), platform::IDOK);
  EXPECT_EQ(view.hints, std::vector<long>{kHintReloadInterval});
  EXPECT_EQ(Shown(), Texts{});

  const Stored s = NextStart();
  EXPECT_EQ(s.humidity, COHumiUnit::pa);
  EXPECT_EQ(s.pressure, COPresUnit::hpa);
  EXPECT_EQ(s.temp, COTempUnit::kelvin);
  EXPECT_EQ(s.gas, COConcUnit::mg_m3);
  EXPECT_EQ(s.length, COLengUnit::foot);
  EXPECT_NEAR(s.normCelsius, 25.0, 1e-3);
}

TEST_F(UnitsDialogTest, CancelLeavesTheSettingsAndTheWindowsAlone) {
  setup->SetTempUnit(COTempUnit::celsius);
  setup->SetLengthUnit(COLengUnit::metre);
  setup->SetNormTemp(0.0f);
  setup->Save();
  CUnits dlg(*context);
  dlg.show();
  Click(dlg, 1033);
  Click(dlg, 1036);
  dlg.NormTempCombo().SetCurSel(2);
  dlg.reject();
  EXPECT_EQ(dlg.result(), platform::IDCANCEL);
  EXPECT_EQ(setup->GetTempUnit().GetUnit(), COTempUnit::celsius);
  EXPECT_EQ(setup->GetLengthUnit().GetUnit(), COLengUnit::metre);
  EXPECT_NEAR(setup->GetNormTempIn(COTempUnit(COTempUnit::celsius)), 0.0, 1e-4);
  EXPECT_TRUE(view.hints.empty());
  const Stored s = NextStart();
  EXPECT_EQ(s.temp, COTempUnit::celsius);
  EXPECT_EQ(s.length, COLengUnit::metre);
  EXPECT_NEAR(s.normCelsius, 0.0, 1e-4);
}

TEST_F(UnitsDialogTest, ATemperatureTheListDoesNotOfferIsKeptNotZeroed) {
  // 15 °C is none of 0, 20 and 25 °C: nothing is selected, and OK, even in
  // another unit, keeps it rather than storing 0 of that unit.
  setup->SetTempUnit(COTempUnit::celsius);
  setup->SetNormTemp(15.0f);
  setup->Save();
  CUnits dlg(*context);
  dlg.show();
  EXPECT_EQ(dlg.NormTempCombo().GetCurSel(), -1);
  Click(dlg, 1031);  // K
  EXPECT_EQ(dlg.NormTempCombo().GetCurSel(), -1);
  dlg.accept();
  EXPECT_EQ(setup->GetTempUnit().GetUnit(), COTempUnit::kelvin);
  EXPECT_NEAR(setup->GetNormTempIn(COTempUnit(COTempUnit::celsius)), 15.0, 1e-4);
  EXPECT_NEAR(NextStart().normCelsius, 15.0, 1e-3);
}

TEST_F(UnitsDialogTest, AUnitNoButtonStandsForIsKept) {
  setup->SetHumidityUnit(12);
  CUnits dlg(*context);
  dlg.show();
  for (int id : {1023, 1025, 1024, 1044, 1026, 1042, 1029, 1035, 1015}) EXPECT_FALSE(Checked(dlg, id));
  Click(dlg, 1036);
  dlg.accept();
  EXPECT_EQ(setup->GetHumidityUnit().GetUnit(), 12);
  EXPECT_EQ(setup->GetLengthUnit().GetUnit(), COLengUnit::foot);
}

TEST_F(UnitsDialogTest, WithoutAnOpenTaskNoWindowIsTold) {
  setup->SetMeasDatabaseOpen(false);
  CUnits dlg(*context);
  dlg.show();
  Click(dlg, 1036);
  dlg.accept();
  EXPECT_TRUE(view.hints.empty());
  EXPECT_EQ(NextStart().length, COLengUnit::foot);
}

}  // namespace
