// What the settings pages ask of the simulated monitor: the leak detector's
// air pressure on the Sampling page, and "Reload Filter Info" on the Gas page.
#include <gtest/gtest.h>

#include <stdexcept>

#include <algorithm>

#include "COAirPressure.h"
#include "CORecBankSet.h"
#include "FilterPage.h"
#include "ModalWatch.h"
#include "MonitorAccess.h"
#include <QCheckBox>
#include "OnlineFixture.h"
#include "SamplingPage.h"
#include "SequenceSheet.h"
#include "ui/WinApp.h"

namespace kovo::test {
namespace {

class SettingsMonitorTest : public OnlineFixture {
 protected:
  SettingsMonitorTest() {
    platform::EnsureGuiApplication();
    setup->SetPressureUnit(COPresUnit::kpa);
    program.SetStartupActions({[this](int code) { exits.push_back(code); }, {}});
  }
  // The published identity of a leak detector.
  void LeakDetector() {
    sim->Modify([](kovo::sim::MonitorState& s) { s.airPressure = 987.5f; });
    program.Instrument().SetInfo("Tebb", "K0042");
  }
  bool Asked(const std::string& line) {
    const auto lines = sim->Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  std::unique_ptr<COSequenceSheet> Open() {
    auto sheet = std::make_unique<COSequenceSheet>(program, sequence, false);
    sheet->show();
    return sheet;
  }
  std::vector<int> exits;
};

TEST_F(SettingsMonitorTest, TheLeakDetectorsAirPressureIsReadOneExchangeAtATime) {
  ASSERT_TRUE(obs->Connect(false));
  PrepareTask("pressure");
  LeakDetector();
  sim->ClearLines();
  auto sheet = Open();
  COSamplingPage& page = sheet->SamplingPage();
  // 987.5 hPa, in the display unit.
  EXPECT_EQ(page.GetDlgItemText(COSamplingPage::kPressure), "98.75");
  EXPECT_FALSE(page.GetDlgItem(COSamplingPage::kPressure)->isEnabled());
  EXPECT_TRUE(Asked("M_A_P? "));
  EXPECT_FALSE(page.GetDlgItem(COSamplingPage::kStoreHistory)->isHidden());
}

TEST_F(SettingsMonitorTest, WhileMeasuringTheAirPressureIsNotAskedFor) {
  ASSERT_TRUE(obs->Connect(false));
  GiveBanks();
  PrepareTask("measuring");
  sequence.SetAirPres(101.0f);
  LeakDetector();
  ASSERT_TRUE(StartNow());
  ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::active; }));
  sim->ClearLines();
  {
    auto sheet = Open();
    EXPECT_EQ(sheet->SamplingPage().GetDlgItemText(COSamplingPage::kPressure), "101.00");
    sheet->reject();
  }
  PumpFor(100);
  EXPECT_FALSE(Asked("M_A_P? "));
  obs->StopMeasurement();
  ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::idle; }));
}

TEST_F(SettingsMonitorTest, CancellingThePortDialogEndsOnlyTheRead) {
  PrepareTask("unplugged");
  sequence.SetAirPres(101.0f);
  LeakDetector();
  Unplug();
  auto sheet = Open();
  EXPECT_EQ(dialogs->comDialogs, 1);
  EXPECT_TRUE(exits.empty());
  EXPECT_TRUE(sheet->isVisible());
  EXPECT_EQ(sheet->SamplingPage().GetDlgItemText(COSamplingPage::kPressure), "101.00");
}

TEST_F(SettingsMonitorTest, ReloadStoresTheCurrentBanksAndSkipsAFilterWithoutBank) {
  ASSERT_TRUE(obs->Connect(false));
  GiveBanks();
  PrepareTask("reload");
  sequence.SetActiveBank(0, 0);
  sequence.SetActiveBank(2, 255);
  MonitorData& data = obs->GetDevice().Data();
  data.GetBank(0).SetGasName("OLD");
  data.GetBank(2).SetGasName("KEEP");
  auto sheet = Open();
  ASSERT_TRUE(sheet->SetActivePage(1));
  sheet->FilterPage().OnReloadFilterInfo();
  EXPECT_TRUE(messages.Texts().empty());

  const MonitorSetup uploaded = obs->GetDevice().GetSetup();
  EXPECT_EQ(data.GetBank(0).GetGasName().ToString(), uploaded.GetFilter(0).GetBank(0).GetGasName().ToString());
  EXPECT_NE(data.GetBank(0).GetGasName().ToString(), "OLD");
  EXPECT_EQ(data.GetBank(2).GetGasName().ToString(), "KEEP");
  CORecBankSet sets(*context);
  const std::string serial = uploaded.m_serial.ToString();
  EXPECT_GE(sets.FindSet(CORecBankSet::kCurrent, serial), 0);
  sets.CloseWithDatabase();
}

TEST_F(SettingsMonitorTest, TheCommandHandsTheLeakDetectorsMemoryToTheSheetAndBack) {
  ASSERT_TRUE(obs->Connect(false));
  PrepareTask("memory");
  std::vector<std::string> calls;
  MonitorMemoryAccess memory{[&] {
                               calls.push_back("read");
                               return true;
                             },
                             [&](bool on) { calls.push_back(on ? "write Y" : "write N"); }};
  auto answer = [&](bool ok) {
    return ModalWatch([&calls, ok](platform::CDialog* dlg) {
      auto* sheet = dynamic_cast<COSequenceSheet*>(dlg);
      if (sheet == nullptr) return;
      auto* history = qobject_cast<QCheckBox*>(sheet->SamplingPage().GetDlgItem(COSamplingPage::kStoreHistory));
      calls.push_back(history->isChecked() ? "shown Y" : "shown N");
      history->setChecked(false);
      if (ok)
        dlg->accept();
      else
        dlg->reject();
    });
  };
  // Another monitor type has no memory switch.
  {
    auto watch = answer(true);
    EXPECT_EQ(RunSequenceSettings(program, nullptr, nullptr, memory), platform::IDOK);
  }
  EXPECT_EQ(calls, std::vector<std::string>({"shown N"}));
  calls.clear();
  LeakDetector();
  {
    auto watch = answer(true);
    EXPECT_EQ(RunSequenceSettings(program, nullptr, nullptr, memory), platform::IDOK);
  }
  EXPECT_EQ(calls, std::vector<std::string>({"read", "shown Y", "write N"}));
  calls.clear();
  {
    auto watch = answer(false);
    EXPECT_EQ(RunSequenceSettings(program, nullptr, nullptr, memory), platform::IDCANCEL);
  }
  EXPECT_EQ(calls, std::vector<std::string>({"read", "shown Y"}));
  calls.clear();

  // A question that failed leaves the monitor's setting alone after OK.
  memory.read = [&]() -> bool {
    calls.push_back("read");
    throw std::runtime_error("no reply");
  };
  messages.Clear();
  {
    auto watch = answer(true);
    EXPECT_EQ(RunSequenceSettings(program, nullptr, nullptr, memory), platform::IDOK);
  }
  EXPECT_EQ(calls, std::vector<std::string>({"read", "shown Y"}));
  EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Communication failed."});
}

TEST_F(SettingsMonitorTest, EachReloadReadsTheMonitorAgain) {
  ASSERT_TRUE(obs->Connect(false));
  PrepareTask("again");
  auto sheet = Open();
  ASSERT_TRUE(sheet->SetActivePage(1));
  COFilterPage& gas = sheet->FilterPage();
  // Nothing known of the monitor's filters yet: none is offered.
  EXPECT_TRUE(gas.GetDlgItem(COFilterPage::kCheckA)->isHidden());
  gas.OnReloadFilterInfo();
  EXPECT_EQ(gas.BankBox(0)->count(), 1);
  // The filters the reload brought are offered, each on the sequence's bank.
  EXPECT_FALSE(gas.GetDlgItem(COFilterPage::kCheckA)->isHidden());
  EXPECT_FALSE(gas.GetDlgItem(COFilterPage::kBankA)->isHidden());
  EXPECT_TRUE(gas.GetDlgItem(COFilterPage::kGasName1)->isHidden());
  EXPECT_EQ(gas.BankBox(0)->currentText().toStdString(), "CO2");
  // A bank the monitor has since been given.
  sim->Modify([](kovo::sim::MonitorState& s) {
    s.params["F_A,2,G_N"] = "\"SO2\"";
    s.params["F_A,2,G_W"] = " 6.406000E+01";
  });
  gas.OnReloadFilterInfo();
  ASSERT_EQ(gas.BankBox(0)->count(), 2);
  EXPECT_EQ(gas.BankBox(0)->itemText(1).toStdString(), "SO2");
}

}  // namespace
}  // namespace kovo::test
