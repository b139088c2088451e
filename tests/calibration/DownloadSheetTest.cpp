// The calibration download sheet against the simulated monitor: which banks
// its pages tick and mark, the groups each ticked bank is downloaded with and
// in which order, and the current bank set afterwards, also when a download
// fails part-way.
#include <gtest/gtest.h>

#include <QCheckBox>

#include "BankValues.h"
#include "CORecBankSet.h"
#include "CaliUiFixture.h"
#include "CaliValues.h"
#include "Calibrator.h"
#include "DownloadSheet.h"
#include "ModalWatch.h"
#include "core/Text.h"

namespace kovo::test {
namespace {

using calibration::CODownloadPage;
using calibration::CODownloadSheet;
using P = CODownloadPage;

class DownloadSheetTest : public CaliUiTest {
 protected:
  static void Tick(CODownloadPage& page, int id, bool on) {
    auto* box = qobject_cast<QCheckBox*>(page.GetDlgItem(id));
    ASSERT_NE(box, nullptr) << id;
    box->setChecked(on);
  }
  // Ticks exactly the boxes given on the page ("A1", "W") and leaves it.
  static void Choose(CODownloadSheet& sheet, int page, const Texts& banks) {
    ASSERT_TRUE(sheet.SetActivePage(page));
    CODownloadPage& p = *static_cast<CODownloadPage*>(sheet.GetActivePage());
    p.OnUnselectAll();
    Tick(p, P::kWater, false);
    for (const std::string& bank : banks) {
      if (bank == "W")
        Tick(p, P::kWater, true);
      else
        Tick(p, P::kBoxes[bank[0] - 'A'][bank[1] - '1'], true);
    }
  }
  // The bank of each calibration write since the mark, in the order sent,
  // each bank once: "F_A,2", "F_W".
  std::vector<std::string> BanksWritten(size_t mark) const {
    std::vector<std::string> banks;
    for (const std::string& line : LinesStarting("C_P ", mark)) {
      const std::string filter = line.substr(4, 3);
      const std::string bank = filter == "F_W" ? filter : line.substr(4, 5);
      if (banks.empty() || banks.back() != bank) banks.push_back(bank);
    }
    return banks;
  }
  std::vector<std::string> KeywordsOf(size_t mark, const std::string& bank) const {
    std::vector<std::string> keys;
    for (const std::string& line : LinesStarting("C_P " + bank + ",", mark)) {
      const size_t from = 5 + bank.size();
      keys.push_back(line.substr(from, line.find(',', from) - from));
    }
    return keys;
  }
  MonitorSetup CurrentSet() {
    MonitorSetup stored;
    CORecBankSet sets(*context);
    sets.LoadSet(sets.FindSet(COFilterCopies::kCurrent, serial), stored);
    sets.CloseWithDatabase();
    return stored;
  }
};

TEST_F(DownloadSheetTest, ThePagesStartOnTheActiveBanksAndMarkThem) {
  sim->Modify([](kovo::sim::MonitorState& s) {
    s.params["F_B,3,G_N"] = "\"C2H6\"";
    s.params["F_E,1,G_N"] = "\"_\"";  // filter E measures no gas
  });
  ASSERT_TRUE(cali->UploadFilterInfo());
  caliSequence.SetActiveBank(1, 2);
  CODownloadSheet sheet(ctx);
  sheet.show();
  CODownloadPage& zero = sheet.ZeroPointPage();
  EXPECT_EQ(zero.m_check[0][0], 1);
  EXPECT_EQ(zero.m_check[1][2], 1);
  EXPECT_EQ(zero.m_check[1][0], 0);
  EXPECT_EQ(zero.m_check[4][0], 0);
  EXPECT_EQ(zero.m_waterCheck, 1);
  EXPECT_EQ(zero.BoxMark(1, 2), P::kActiveMark);
  EXPECT_EQ(zero.BoxMark(1, 0), P::kHoldsValueMark);  // the monitor's bank 1 of B has an offset
  EXPECT_EQ(zero.BoxMark(1, 3), P::kNoMark);
  EXPECT_FALSE(IsEnabled(zero, P::kBoxes[4][0]));
  EXPECT_EQ(zero.GetDlgItemText(P::kRowLabels[0]), "A: CO2");
  EXPECT_EQ(sheet.GetDlgItemText(CODownloadSheet::ID_EDIT_VALUES), "Edit Values...");
  Picture(sheet, "calibration_download_zero");
  ASSERT_TRUE(sheet.SetActivePage(1));
  EXPECT_FALSE(IsShown(sheet.HumidityPage(), P::kWater));
  Picture(sheet, "calibration_download_humidity");
  ASSERT_TRUE(sheet.SetActivePage(2));
  sheet.GasPage().OnSelectAll();
  Picture(sheet, "calibration_download_gas");
  ASSERT_TRUE(sheet.SetActivePage(0));
  EXPECT_EQ(sheet.GasPage().m_check[3][4], 1);
  EXPECT_EQ(sheet.GasPage().m_check[4][4], 0);
}

TEST_F(DownloadSheetTest, EachTickedBankIsDownloadedOnceWithEveryKindTickedForIt) {
  CODownloadSheet sheet(ctx);
  sheet.show();
  Choose(sheet, 0, {"C2", "A1", "W"});
  Choose(sheet, 1, {"A1"});
  Choose(sheet, 2, {"A1", "B3", "W"});
  ASSERT_TRUE(sheet.SetActivePage(0));
  EXPECT_EQ(sheet.MaskOf(0, 0), 15u);
  EXPECT_EQ(sheet.MaskOf(1, 2), 12u);
  EXPECT_EQ(sheet.MaskOf(2, 1), 1u);
  EXPECT_EQ(sheet.MaskOf(Calibrator::kWater, 0), 5u);
  const size_t mark = sim->Lines().size();
  EXPECT_TRUE(sheet.Download());
  EXPECT_EQ(Shown(), Texts{"The download has finished.\nThe gas monitor received: A1, B3, C2, W"});
  EXPECT_EQ(BanksWritten(mark), (Texts{"F_A,1", "F_B,3", "F_C,2", "F_W"}));
  EXPECT_EQ(KeywordsOf(mark, "F_C,2"), (Texts{"C_OF_F", "C_OF_D", "C_OF_V"}));
  const Texts b3 = KeywordsOf(mark, "F_B,3");
  EXPECT_EQ(b3.front(), "C_CO_T");
  EXPECT_EQ(b3.back(), "C_CR_D");
  EXPECT_EQ(KeywordsOf(mark, "F_A,1").size(), 3u + 3u + 12u + 5u);
  // The water vapour takes its zero and span, never a humidity value.
  EXPECT_EQ(KeywordsOf(mark, "F_W"), (Texts{"C_OF_F", "C_OF_D", "C_CO_F_1", "C_CO_D"}));
  EXPECT_EQ(sheet.Reached(), (Texts{"A1", "B3", "C2", "W"}));
}

TEST_F(DownloadSheetTest, OkWithNothingTickedDownloadsNothingAndStillStoresTheBanks) {
  // The device knows a value the stored set does not have yet.
  MonitorSetup s = cali->GetDevice().GetSetup();
  s.GetFilter(3).GetBank(4).SetGasName("NO2");
  cali->GetDevice().SetSetup(s);
  CODownloadSheet sheet(ctx);
  sheet.show();
  for (int page = 0; page < 3; ++page) Choose(sheet, page, {});
  ASSERT_TRUE(sheet.SetActivePage(0));
  const size_t mark = sim->Lines().size();
  EXPECT_TRUE(sheet.Download());
  EXPECT_TRUE(LinesStarting("C_P ", mark).empty());
  EXPECT_EQ(Shown(), Texts{"Nothing to download"});
  EXPECT_EQ(CurrentSet().GetFilter(3).GetBank(4).GetGasName().ToString(), "NO2");
}

// A ticked kind whose value the working bank does not hold is not written
// over the bank's own; the message names it, and a bank that takes nothing
// else did not receive anything. Cross factors travel with a span: a span
// without them is written alone, without a word.
TEST_F(DownloadSheetTest, AKindWithoutAValueIsNotDownloadedAndTheMessageNamesIt) {
  calibrator.GetBank(1).m_humiGain.SetNoValue();
  calibrator.GetBank(2).m_spanLow.SetNoValue();
  for (MeasValue& cross : calibrator.GetBank(3).m_cross) cross.SetNoValue();
  calibrator.Water().m_gain.SetNoValue();
  const MonitorSetup before = cali->GetMonitorSetup();
  CODownloadSheet sheet(ctx);
  sheet.show();
  Choose(sheet, 0, {"C1"});
  Choose(sheet, 1, {"B1", "B2"});
  Choose(sheet, 2, {"C1", "D2", "W"});
  ASSERT_TRUE(sheet.SetActivePage(0));
  const size_t mark = sim->Lines().size();
  EXPECT_TRUE(sheet.Download());
  EXPECT_EQ(BanksWritten(mark), (Texts{"F_C,1", "F_D,2"}));
  EXPECT_EQ(KeywordsOf(mark, "F_C,1"), (Texts{"C_OF_F", "C_OF_D", "C_OF_V"}));
  const Texts d2 = KeywordsOf(mark, "F_D,2");
  EXPECT_EQ(d2.back(), "C_CO_D");
  EXPECT_EQ(sheet.Reached(), (Texts{"C1", "D2"}));
  EXPECT_EQ(Shown(), Texts{"The download has finished.\nThe gas monitor received: C1, D2\n\n"
                           "Not downloaded, as there is no value to download:\n"
                           "Humidity Interference: B1, B2\nGas: C1, W"});
  const MonitorSetup after = cali->GetMonitorSetup();
  EXPECT_EQ(after.GetFilter(1).GetBank(1).m_humiGain.IsValid(), before.GetFilter(1).GetBank(1).m_humiGain.IsValid());
  EXPECT_FLOAT_EQ(float(after.m_water.m_gain), float(before.m_water.m_gain));
  EXPECT_FLOAT_EQ(float(CurrentSet().GetFilter(3).GetBank(1).m_spanLow), 3000.0f);  // D1's, copied into D2
}

TEST_F(DownloadSheetTest, AFailedBankIsReportedAndTheStoredBanksAreWhatTheMonitorHolds) {
  calibrator.GetBank(1).m_concOffset = 0.5f;
  calibrator.GetBank(2).m_concOffset = 0.75f;
  calibrator.GetBank(0).m_concOffset = 0.25f;
  const float before = float(cali->GetMonitorSetup().GetFilter(1).GetBank(0).GetConcOffset());
  // Filter B's zero never arrives: the monitor reports a fault instead.
  sim->AddHandler("C_P F_B,1,C_OF_F", [](kovo::sim::MonitorState& s, const kovo::sim::Command&) {
    s.messagePending = true;
    s.message = "Parameter not stored";
    return std::optional<std::string>();
  });
  CODownloadSheet sheet(ctx);
  sheet.show();
  Choose(sheet, 0, {"A1", "B1", "C1"});
  Choose(sheet, 1, {});
  Choose(sheet, 2, {});
  ASSERT_TRUE(sheet.SetActivePage(0));
  EXPECT_FALSE(sheet.Download());
  EXPECT_EQ(sheet.Reached(), (Texts{"A1", "C1"}));
  EXPECT_EQ(sheet.Missed(), (Texts{"B1"}));
  EXPECT_EQ(Shown().back(), "The gas monitor received: A1, C1\nThe gas monitor did not receive: B1");
  const MonitorSetup stored = CurrentSet();
  EXPECT_FLOAT_EQ(float(stored.GetFilter(0).GetBank(0).GetConcOffset()), 0.25f);
  EXPECT_FLOAT_EQ(float(stored.GetFilter(1).GetBank(0).GetConcOffset()), before);
  EXPECT_FLOAT_EQ(float(stored.GetFilter(2).GetBank(0).GetConcOffset()), 0.75f);
}

TEST_F(DownloadSheetTest, ABankSetThatCannotBeStoredIsShownAndKeptWhole) {
  const MonitorSetup before = CurrentSet();
  calibrator.GetBank(0).m_concOffset = 0.25f;
  calibrator.GetBank(2).m_concOffset = 0.75f;
  ExecuteSql("CREATE TRIGGER [NoBankC] BEFORE UPDATE ON [Bank] WHEN NEW.[Filter] = 2 "
             "BEGIN SELECT RAISE(ABORT, 'the bank table is read-only'); END",
             dbfiles::kSystemName);
  CODownloadSheet sheet(ctx);
  sheet.show();
  Choose(sheet, 0, {"A1", "C1"});
  Choose(sheet, 1, {});
  Choose(sheet, 2, {});
  ASSERT_TRUE(sheet.SetActivePage(0));
  EXPECT_TRUE(sheet.Download());  // the monitor has both
  ASSERT_EQ(Shown().size(), 2u);
  EXPECT_NE(Shown()[0].find("the bank table is read-only"), std::string::npos) << Shown()[0];
  EXPECT_EQ(Shown()[1], "The download has finished.\nThe gas monitor received: A1, C1");
  // Filter A was written before C failed: neither is stored.
  const MonitorSetup stored = CurrentSet();
  EXPECT_EQ(float(stored.GetFilter(0).GetBank(0).GetConcOffset()),
            float(before.GetFilter(0).GetBank(0).GetConcOffset()));
  ExecuteSql("DROP TRIGGER [NoBankC]", dbfiles::kSystemName);
}

TEST_F(DownloadSheetTest, EditValuesShowsTheValuesAndTakesThePagesBoxes) {
  CODownloadSheet sheet(ctx);
  sheet.show();
  Tick(sheet.ZeroPointPage(), P::kBoxes[2][3], true);
  bool shown = false;
  ModalWatch watch([&](platform::CDialog* dlg) {
    if (dlg->GetTemplateId() != calibration::COCaliValues::IDD) return;
    shown = true;
    dlg->SetDlgItemText(calibration::COCaliValues::kOffset + 2, "0.125");
    dlg->accept();
  });
  sheet.OnEditValues();
  EXPECT_TRUE(shown);
  EXPECT_FLOAT_EQ(float(calibrator.GetBank(2).GetConcOffset()), 0.125f);
  EXPECT_EQ(sheet.ZeroPointPage().m_check[2][3], 1);
}

}  // namespace
}  // namespace kovo::test
