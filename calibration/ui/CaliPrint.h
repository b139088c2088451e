#pragma once
// The Calibration program's print-outs through Qt's printer (a printer or a
// PDF file, with the print dialog or the preview): every bank of the
// monitor on 16 pages, and the monitor's own print of its current
// calibration laid out in the chosen paper's pages.
#include <QPageLayout>
#include <functional>
#include <string>
#include <vector>

#include "BanksPrint.h"
#include "PrintOut.h"

class COCaliMeasObs;
class COCaliSequence;
class Calibrator;
class QPrinter;
class QWidget;

// The 16 pages of the report, or the printer's page range of them, in a
// print font that keeps every line on the paper.
void PrintBanksReport(const BanksReport& report, QPrinter& printer);

// How the monitor's print fits the printer's paper: a fixed font in which
// the longest line fits the width (10 points at most), and the pages of as
// many lines as the printable height holds.
struct MonitorPrintLayout {
  int fontPixels = 0;
  int lineHeight = 0;
  int linesPerPage = 0;
  std::vector<std::vector<std::string>> pages;
};
MonitorPrintLayout LayOutMonitorPrint(const std::string& text, QPrinter& printer);
void PrintMonitorText(const std::string& text, QPrinter& printer);

class COCaliPrint {
 public:
  // pageLayout: the page the print-outs start from (the window layer's,
  // which Print Setup changes); it must outlive the object.
  COCaliPrint(COCaliMeasObs& obs, Calibrator& calibrator, const COCaliSequence& sequence,
              const QPageLayout& pageLayout);

  // The bounds of reading the monitor's print (tests shorten them).
  void SetLimits(const PrintOutLimits& limits) { m_limits = limits; }

  // "Print all Banks from Gas Monitor": every bank read from the monitor,
  // then the print dialog and the print; with a printer given, onto it as
  // it is set up. Nothing is printed when the monitor could not deliver
  // every bank ("Communication error"; the device keeps the banks it had),
  // or when the dialog is cancelled.
  bool PrintAllBanks(QWidget* parent, QPrinter* printer = nullptr);

  // "Print Current Calibration": the monitor's print read with a wait cursor
  // by the one-exchange path, then the print dialog (or the printer given)
  // and its pages. A communication failure or a print that did not come to
  // its end line is shown as "... communication error" and prints nothing.
  bool PrintCurrentCalibration(QWidget* parent, QPrinter* printer = nullptr);

 private:
  bool ReadBanks();
  void Prepare(QPrinter& printer) const;
  // Prints on the printer given, else on the one chosen in the print dialog
  // (offering the pages' range when asked); false when the dialog was
  // cancelled.
  bool PrintOn(QPrinter* given, QWidget* parent, bool pageRange, const std::function<void(QPrinter&)>& print) const;

  COCaliMeasObs& m_obs;
  Calibrator& m_calibrator;
  const COCaliSequence& m_sequence;
  const QPageLayout& m_pageLayout;
  PrintOutLimits m_limits;
};
