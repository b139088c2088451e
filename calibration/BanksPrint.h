#pragma once
// The print-out of every filter bank the monitor holds: for each gas filter A
// to E a page with its general block and its banks 1 and 2, a page with banks
// 3 and 4 and a page with bank 5, and a sixteenth page for the water-vapour
// filter with the system gain factors. Every page starts with a header line
// (the monitor, the time of printing, the page number).
//
// The report is laid out on one tall canvas in device units, each page one
// band of it; a page draws the lines of its band. The caller gives the print
// font, small enough that a page's deepest line (59 lines down, below the
// margin) stays on the paper.
#include <array>
#include <string>
#include <vector>

#include "FilterData.h"
#include "core/DeviceContext.h"
#include "core/Time.h"

class COCaliSequence;
class Calibrator;

// What the print-out shows, taken when printing begins.
struct BanksReport {
  std::string model, serial, version;
  MonitorSetup setup;
  std::array<MeasValue, 4> gainFactors;  // system gain factors 1, 4, 6 and 10
  std::array<std::string, 6> filterTexts;
  platform::CTime printed;
};

// From the device's set-up, the calibrator's gain factors and the sequence's
// filter texts, printed now.
BanksReport MakeBanksReport(const MonitorSetup& setup, const Calibrator& calibrator, const COCaliSequence& sequence);

class COTextView {
 public:
  static constexpr int kPages = 16;
  // The lines from a page's top down to its deepest one.
  static constexpr int kLinesPerPage = 59;

  explicit COTextView(BanksReport report) : m_report(std::move(report)) {}

  // The printable area of a page, in device units.
  void BeginPrinting(int pageWidth, int pageHeight);
  // Draws page 1 to 16 with the font the dc holds, its top left at the
  // printable area's. Margin, line height and right edge come from the font.
  void OnDraw(platform::CDC& dc, int page);

 private:
  // One line of the canvas: a header line, a labelled line or plain text.
  struct Line {
    enum Kind { header, labelled, plain } kind;
    int y;
    std::string text, value, unit;
  };

  void FilterHeading(int filter, int y0);
  void BankBlock(int filter, int bank, int y);
  void Header(int y, int page);
  void Labelled(int y, const std::string& label, const std::string& value, const std::string& unit = std::string());
  void Plain(int y, const std::string& text);
  void DrawLabelLine(platform::CDC& dc, const Line& line, const platform::CRect& rect);

  BanksReport m_report;
  int m_pageWidth = 0;
  int m_pageHeight = 1000;
  // While a page is drawn: the line height and the canvas' lines.
  int m_h = 0;
  std::vector<Line> m_lines;
};
