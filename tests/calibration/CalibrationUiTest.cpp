// The Calibration program's dialogs, status window and print-outs, headless
// against the simulated monitor: the filter copies made and written back
// through their dialogs, the status window following the calibrator, and
// the print-outs as PDF files read back as text.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPrinter>
#include <QRadioButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "CaliPrint.h"
#include "CaliStatusView.h"
#include "CalibrationFixture.h"
#include "CurrentCalibration.h"
#include "FilterCopyDialogs.h"
#include "ModalWatch.h"
#include "Readings.h"
#include "WindowLayer.h"
#include "ui/WinApp.h"

namespace kovo::test {
namespace {

class CalibrationUiTest : public CalibrationFixture {
 protected:
  CalibrationUiTest() { platform::EnsureGuiApplication(); }
  void SetUp() override {
    ASSERT_TRUE(cali->OpenMonitor(false));
    ASSERT_TRUE(cali->UploadFilterInfo());
    serial = cali->GetMonitorSetup().m_serial.ToString();
    ASSERT_TRUE(copies->StoreCurrentSet(serial));
  }
  std::string Param(const std::string& key) { return sim->State().params[key]; }
  static void Choose(QComboBox* combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }
  static void Click(QRadioButton* radio) { radio->click(); }
  std::unique_ptr<QPrinter> Pdf(const std::string& name) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(odbc.Dir().Path() + "/" + name));
    return printer;
  }
  std::string PdfPath(const std::string& name) { return odbc.Dir().Path() + "/" + name; }

  std::string serial;
  QPageLayout pageLayout;
  const std::string today = platform::CTime::GetCurrentTime().Format("%d-%m-%y: ");
};

TEST_F(CalibrationUiTest, TheUploadDialogOffersTheMonitorsFiltersAndDescribesTheCopy) {
  CONewFilterCopy dlg(*copies, caliSequence);
  dlg.show();
  auto* filter = static_cast<QComboBox*>(dlg.GetDlgItem(CONewFilterCopy::kFilter));
  auto* bank = static_cast<QComboBox*>(dlg.GetDlgItem(CONewFilterCopy::kBank));
  std::vector<std::string> filters;
  for (int i = 0; i < filter->count(); ++i) filters.push_back(filter->itemText(i).toStdString());
  EXPECT_EQ(filters, (std::vector<std::string>{"A: UA1312", "B: UA0977", "C: UA0985", "D: UA1103", "E: n/a",
                                               "W: QF3318"}));
  EXPECT_EQ(filter->currentIndex(), 0);
  EXPECT_EQ(bank->count(), 5);
  EXPECT_EQ(bank->itemText(0).toStdString(), "1: CO2");
  EXPECT_EQ(bank->itemText(1).toStdString(), "2: n/a");
  EXPECT_EQ(dlg.GetDlgItemText(CONewFilterCopy::kDescription), today);
  EXPECT_FALSE(filter->isEnabled());
  EXPECT_FALSE(dlg.GetDlgItem(CONewFilterCopy::kBankLabel)->isEnabled());

  Click(static_cast<QRadioButton*>(dlg.GetDlgItem(CONewFilterCopy::kSingleBank)));
  EXPECT_TRUE(filter->isEnabled());
  EXPECT_EQ(dlg.GetDlgItemText(CONewFilterCopy::kDescription), today + " A: UA1312, 1: CO2");
  Choose(filter, 5);
  ASSERT_EQ(bank->count(), 1);
  EXPECT_EQ(bank->itemText(0).toStdString(), "1: (Water Vapour)");
  EXPECT_EQ(dlg.GetDlgItemText(CONewFilterCopy::kDescription), today + " W: QF3318, 1: Water Vapour");
  Choose(filter, 1);
  Choose(bank, 0);
  EXPECT_EQ(dlg.GetDlgItemText(CONewFilterCopy::kDescription), today + " B: UA0977, 1: CH4");

  // What the user typed is the copy's description.
  static_cast<QLineEdit*>(dlg.GetDlgItem(CONewFilterCopy::kDescription))->setText("methane");
  dlg.accept();
  EXPECT_EQ(dlg.result(), platform::IDOK);
  EXPECT_EQ(BankSets().back(), "3:methane");

  // All banks again: the combos are off and the description is the date.
  CONewFilterCopy again(*copies, caliSequence);
  again.show();
  Click(static_cast<QRadioButton*>(again.GetDlgItem(CONewFilterCopy::kSingleBank)));
  Click(static_cast<QRadioButton*>(again.GetDlgItem(CONewFilterCopy::kAllBanks)));
  EXPECT_FALSE(again.GetDlgItem(CONewFilterCopy::kFilter)->isEnabled());
  EXPECT_EQ(again.GetDlgItemText(CONewFilterCopy::kDescription), today);
}

TEST_F(CalibrationUiTest, TheDownloadDialogListsTheCopiesOfItsKindAndWritesTheChosenGroups) {
  ASSERT_TRUE(copies->Upload(true, 0, 0, "all banks"));
  ASSERT_TRUE(copies->Upload(false, 0, 0, "bank A1"));
  const std::string offset = Param("F_A,1,C_OF_F");
  sim->Modify([](kovo::sim::MonitorState& s) {
    s.params["F_A,1,C_OF_F"] = " 9.000000E+00";
    s.params["F_A,1,C_HU_F"] = " 8.000000E+00";
  });

  COOpenFilterCopy dlg(*copies);
  dlg.show();
  QListWidget* list = dlg.List();
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text().toStdString(), "all banks");
  for (int box : {COOpenFilterCopy::kZeroPoint, COOpenFilterCopy::kHumidity, COOpenFilterCopy::kGasSpan}) {
    EXPECT_TRUE(static_cast<QCheckBox*>(dlg.GetDlgItem(box))->isChecked());
    EXPECT_FALSE(dlg.GetDlgItem(box)->isEnabled());
  }
  Click(static_cast<QRadioButton*>(dlg.GetDlgItem(COOpenFilterCopy::kSingleBank)));
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text().toStdString(), "bank A1");
  EXPECT_TRUE(dlg.GetDlgItem(COOpenFilterCopy::kHumidity)->isEnabled());

  // Nothing chosen, or no group: the dialog stays and the monitor is as it was.
  dlg.accept();
  EXPECT_EQ(Shown().back(), "Please select an item");
  list->setCurrentRow(0);
  for (int box : {COOpenFilterCopy::kZeroPoint, COOpenFilterCopy::kHumidity, COOpenFilterCopy::kGasSpan})
    static_cast<QCheckBox*>(dlg.GetDlgItem(box))->setChecked(false);
  dlg.accept();
  EXPECT_EQ(Shown().back(), "Nothing to download");
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_EQ(Param("F_A,1,C_OF_F"), " 9.000000E+00");

  // A double click downloads the zero point only.
  static_cast<QCheckBox*>(dlg.GetDlgItem(COOpenFilterCopy::kZeroPoint))->setChecked(true);
  emit list->itemDoubleClicked(list->item(0));
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), platform::IDOK);
  EXPECT_EQ(Param("F_A,1,C_OF_F"), offset);
  EXPECT_EQ(Param("F_A,1,C_HU_F"), " 8.000000E+00");
}

// The commands as the program runs them: an upload of all banks, and that
// copy written back over banks the monitor changed meanwhile.
TEST_F(CalibrationUiTest, ACopyUploadedThroughItsCommandGoesBackThroughTheOther) {
  int pressed = 0;
  {
    ModalWatch ok([&](platform::CDialog* dlg) {
      if (pressed++ == 0) dlg->accept();
    });
    EXPECT_EQ(UploadBanksFromMonitor(*copies, caliSequence, nullptr), platform::IDOK);
  }
  const auto before = sim->State().params;
  sim->Modify([](kovo::sim::MonitorState& s) {
    s.params["F_B,1,C_CO_F_1"] = " 1.000000E+00";
    s.params["F_W,C_OF_F"] = " 2.000000E+00";
    s.params["F_E,5,G_N"] = "\"XY\"";
  });
  pressed = 0;
  {
    ModalWatch ok([&](platform::CDialog* dlg) {
      auto* open = dynamic_cast<COOpenFilterCopy*>(dlg);
      if (open == nullptr || pressed++ != 0) return;
      open->List()->setCurrentRow(0);
      open->accept();
    });
    EXPECT_EQ(DownloadBanksToMonitor(*copies, nullptr, nullptr), platform::IDOK);
  }
  const auto after = sim->State().params;
  // What a copy holds: not the alarm limits, the calibration concentrations
  // and their signals.
  const std::vector<std::string> notKept = {",A_L", "C_CO_C_", "C_U,", "_V"};
  for (const auto& [key, value] : before) {
    if (std::any_of(notKept.begin(), notKept.end(), [&](const std::string& k) { return key.find(k) != std::string::npos; }))
      continue;
    EXPECT_EQ(after.at(key), value) << key;
  }
}

TEST_F(CalibrationUiTest, TheStatusWindowFollowsTheCalibrator) {
  CWindowLayer layer(*context, obs);
  EXPECT_FALSE(cali->IsStatusViewOpen());
  {
    CCaliStatusView view(layer, nullptr, *cali, calibrator);
    EXPECT_TRUE(cali->IsStatusViewOpen());
    cali->TakeActiveBanks();
    view.Refresh();
    EXPECT_EQ(view.Text(CCaliStatusView::kState), "Idle");
    EXPECT_EQ(view.Text(CCaliStatusView::kZero), "A B C D E W ");
    EXPECT_EQ(view.Text(CCaliStatusView::kCross), "A B C D E ");

    calibrator.GetBank(1).m_concOffset = MeasValue();
    calibrator.Water().m_gain = MeasValue();
    for (int f = 0; f < 5; ++f) calibrator.GetBank(f).m_humiGain = MeasValue();
    cali->Notify();
    EXPECT_EQ(view.Text(CCaliStatusView::kZero), "A C D E W ");
    EXPECT_EQ(view.Text(CCaliStatusView::kHumidity), "(none)");
    EXPECT_EQ(view.Text(CCaliStatusView::kSpan), "A B C D E ");
    EXPECT_EQ(view.Text(CCaliStatusView::kSpanAgain), "A B C D E ");
  }
  EXPECT_FALSE(cali->IsStatusViewOpen());
}

TEST_F(CalibrationUiTest, AllBanksPrintOnSixteenPagesOrTheRangeChosen) {
  auto printer = Pdf("banks.pdf");
  COCaliPrint print(*cali, calibrator, caliSequence, pageLayout);
  ASSERT_TRUE(print.PrintAllBanks(nullptr, printer.get()));
  printer.reset();
  const std::vector<std::string> pages = PdfPages(PdfPath("banks.pdf"));
  ASSERT_EQ(pages.size(), 16u);
  for (size_t p = 0; p < pages.size(); ++p) {
    EXPECT_NE(pages[p].find("1314 - Serial: " + serial + "/12 - "), std::string::npos) << p + 1;
    EXPECT_NE(pages[p].find("Page " + std::to_string(p + 1)), std::string::npos) << p + 1;
  }
  EXPECT_NE(pages[0].find("GENERAL CALIBRATION INFORMATION FOR FILTER A:"), std::string::npos);
  EXPECT_NE(pages[0].find("44.010"), std::string::npos);
  EXPECT_NE(pages[15].find("GENERAL CALIBRATION INFORMATION FOR FILTER W:"), std::string::npos);
  EXPECT_NE(pages[15].find("Factor 10"), std::string::npos);

  printer = Pdf("range.pdf");
  printer->setFromTo(4, 6);
  ASSERT_TRUE(print.PrintAllBanks(nullptr, printer.get()));
  printer.reset();
  const std::vector<std::string> range = PdfPages(PdfPath("range.pdf"));
  ASSERT_EQ(range.size(), 3u);
  EXPECT_NE(range[0].find("Page 4"), std::string::npos);
  EXPECT_NE(range[0].find("FILTER B:"), std::string::npos);
  EXPECT_NE(range[2].find("Page 6"), std::string::npos);
}

TEST_F(CalibrationUiTest, BanksTheMonitorCannotDeliverPrintNothing) {
  const MonitorSetup before = cali->GetDevice().GetSetup();
  sim->Modify([](kovo::sim::MonitorState& s) { s.params["F_A,1,C_OF_F"] = " 5.000000E+00"; });
  // The monitor stops answering halfway through the banks.
  int asked = 0;
  sim->AddHandler("C_P? F_C", [&asked](kovo::sim::MonitorState&, const kovo::sim::Command&) {
    ++asked;
    return std::optional<std::string>();
  });
  auto printer = Pdf("never.pdf");
  COCaliPrint print(*cali, calibrator, caliSequence, pageLayout);
  EXPECT_FALSE(print.PrintAllBanks(nullptr, printer.get()));
  printer.reset();
  EXPECT_GT(asked, 0);
  EXPECT_EQ(Shown().back(), "Communication error");
  EXPECT_FALSE(std::ifstream(PdfPath("never.pdf")).good());
  // The device keeps the banks it had, not the half it read.
  EXPECT_EQ(float(cali->GetDevice().GetSetup().GetFilter(0).GetBank(0).m_concOffset),
            float(before.GetFilter(0).GetBank(0).m_concOffset));
}

TEST_F(CalibrationUiTest, TheCurrentCalibrationPrintsItsPagesOnAnyPaper) {
  auto printer = Pdf("current.pdf");
  COCaliPrint print(*cali, calibrator, caliSequence, pageLayout);
  PrintOutLimits limits;
  limits.longTimeoutMs = 1000;
  limits.normalTimeoutMs = 1000;
  print.SetLimits(limits);
  ASSERT_TRUE(print.PrintCurrentCalibration(nullptr, printer.get()));
  printer.reset();
  const std::vector<std::string> pages = PdfPages(PdfPath("current.pdf"));
  // The heading, one page per filter, the water vapour with the gain factors.
  ASSERT_EQ(pages.size(), 7u);
  for (int f = 0; f < 5; ++f)
    EXPECT_NE(pages[static_cast<size_t>(f + 1)].find(std::string("FILTER ") + char('A' + f)), std::string::npos);
  EXPECT_NE(pages[6].find("Factor 10 :"), std::string::npos);

  // Every line of it on the paper, on every paper.
  const std::string text = ReadCurrentCalibration(*obs, limits);
  size_t textLines = 0;
  for (char c : text) textLines += c == '\n';
  for (const QPageSize::PageSizeId size : {QPageSize::A4, QPageSize::Letter, QPageSize::A5, QPageSize::A6}) {
    for (const QPageLayout::Orientation orientation : {QPageLayout::Portrait, QPageLayout::Landscape}) {
      QPrinter paper(QPrinter::HighResolution);
      paper.setPageSize(QPageSize(size));
      paper.setPageOrientation(orientation);
      const QRect page = paper.pageLayout().paintRectPixels(paper.resolution());
      const MonitorPrintLayout layout = LayOutMonitorPrint(text, paper);
      size_t printed = 0;
      for (const auto& lines : layout.pages) {
        EXPECT_LE(static_cast<int>(lines.size()) * layout.lineHeight, page.height()) << size;
        for (const std::string& line : lines) printed += line.find_first_not_of(' ') != std::string::npos;
      }
      size_t written = 0;
      std::istringstream in(text);
      for (std::string line; std::getline(in, line);) written += line.find_first_not_of(" \r\f") != std::string::npos;
      EXPECT_EQ(printed, written) << size;
      EXPECT_GE(layout.linesPerPage * layout.lineHeight + layout.lineHeight, page.height()) << size;
    }
  }
  EXPECT_GT(textLines, 0u);
}

TEST_F(CalibrationUiTest, ACurrentCalibrationThatDoesNotArriveWholePrintsNothing) {
  COCaliPrint print(*cali, calibrator, caliSequence, pageLayout);
  PrintOutLimits limits;
  limits.longTimeoutMs = 300;
  limits.normalTimeoutMs = 1000;
  // A read of this many characters' time, or one that lasts until the
  // deadline, would outlast the test.
  limits.readSize = limits.maxBytes = 10000000;
  limits.deadlineMs = 3600000;
  print.SetLimits(limits);
  sim->AddRawHandler("O_C_D? AL", [](kovo::sim::MonitorState&, const kovo::sim::Command&) {
    return std::optional<std::string>(std::string(80, '-') + "\r\nFILTER A\r\n");
  });
  auto printer = Pdf("cut.pdf");
  // The monitor falls silent before its end line: the reading ends at the
  // long time-out, not after a read of all those characters' time.
  EXPECT_FALSE(print.PrintCurrentCalibration(nullptr, printer.get()));
  EXPECT_EQ(Shown().back(), "Read communication error");
  cali->Disconnect();
  Unplug();
  EXPECT_FALSE(print.PrintCurrentCalibration(nullptr, printer.get()));
  EXPECT_EQ(Shown().back(), "Open communication error");
  printer.reset();
  EXPECT_FALSE(std::ifstream(PdfPath("cut.pdf")).good());
}

}  // namespace
}  // namespace kovo::test
