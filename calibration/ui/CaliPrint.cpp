#include "CaliPrint.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>
#include <sstream>

#include "COCaliMeasObs.h"
#include "COCaliSequence.h"
#include "Calibrator.h"
#include "CurrentCalibration.h"
#include "Exceptions.h"
#include "core/MessageSink.h"
#include "core/Shell.h"
#include "ui/PainterDC.h"

namespace {

QRect PageRect(QPrinter& printer) { return printer.pageLayout().paintRectPixels(printer.resolution()); }

// The printer's page range within pages 1 to count.
std::pair<int, int> PageRange(QPrinter& printer, int count) {
  const int from = printer.fromPage() > 0 ? std::min(printer.fromPage(), count) : 1;
  const int to = printer.toPage() > 0 ? std::min(printer.toPage(), count) : count;
  return {from, std::max(from, to)};
}

}  // namespace

// --- all banks ---

void PrintBanksReport(const BanksReport& report, QPrinter& printer) {
  QPainter painter;
  if (!painter.begin(&printer)) return;
  platform::CPainterDC dc(&painter);
  dc.SetPrinting(true);
  const QRect page = PageRect(printer);
  COTextView view(report);
  view.BeginPrinting(page.width(), page.height());
  // The largest font in which a page's deepest line stays on the paper.
  platform::LOGFONT lf;
  lf.lfFaceName = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family().toStdString();
  platform::CFont font;
  for (int px = std::max(1, page.height() / 64);; --px) {
    lf.lfHeight = -px;
    font.CreateFontIndirect(lf);
    dc.SelectObject(&font);
    const int deepest = dc.GetTextExtent("88888").cx + COTextView::kLinesPerPage * dc.GetTextExtent("8").cy;
    if (deepest <= page.height() || px == 1) break;
  }
  const auto [from, to] = PageRange(printer, COTextView::kPages);
  for (int p = from; p <= to; ++p) {
    if (p > from) printer.newPage();
    view.OnDraw(dc, p);
  }
  painter.end();
}

// --- the monitor's print ---

MonitorPrintLayout LayOutMonitorPrint(const std::string& text, QPrinter& printer) {
  MonitorPrintLayout layout;
  const QRect page = PageRect(printer);
  size_t longest = 1;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    line.erase(std::remove_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\f'; }), line.end());
    longest = std::max(longest, line.size());
  }
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  int px = std::max(1, printer.resolution() * 10 / 72);
  for (;; --px) {
    font.setPixelSize(px);
    const QFontMetrics metrics(font, &printer);
    layout.lineHeight = std::max(1, metrics.lineSpacing());
    if (static_cast<long>(longest) * metrics.horizontalAdvance('M') <= page.width() || px == 1) break;
  }
  layout.fontPixels = px;
  layout.linesPerPage = std::max(1, page.height() / layout.lineHeight);
  layout.pages = PrintOutPages(LayoutPrintOut(text, layout.linesPerPage), layout.linesPerPage);
  return layout;
}

void PrintMonitorText(const std::string& text, QPrinter& printer) {
  const MonitorPrintLayout layout = LayOutMonitorPrint(text, printer);
  QPainter painter;
  if (!painter.begin(&printer)) return;
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPixelSize(layout.fontPixels);
  painter.setFont(font);
  const int ascent = QFontMetrics(font, &printer).ascent();
  const auto [from, to] = PageRange(printer, static_cast<int>(layout.pages.size()));
  for (int p = from; p <= to; ++p) {
    if (p > from) printer.newPage();
    const std::vector<std::string>& lines = layout.pages[static_cast<size_t>(p - 1)];
    for (size_t i = 0; i < lines.size(); ++i)
      painter.drawText(0, static_cast<int>(i) * layout.lineHeight + ascent, QString::fromStdString(lines[i]));
  }
  painter.end();
}

// --- the commands ---

COCaliPrint::COCaliPrint(COCaliMeasObs& obs, Calibrator& calibrator, const COCaliSequence& sequence,
                         const QPageLayout& pageLayout)
    : m_obs(obs), m_calibrator(calibrator), m_sequence(sequence), m_pageLayout(pageLayout) {}

void COCaliPrint::Prepare(QPrinter& printer) const {
  if (m_pageLayout.isValid()) printer.setPageLayout(m_pageLayout);
}

bool COCaliPrint::PrintOn(QPrinter* given, QWidget* parent, bool pageRange,
                          const std::function<void(QPrinter&)>& print) const {
  if (given != nullptr) {
    print(*given);
    return true;
  }
  QPrinter printer(QPrinter::HighResolution);
  Prepare(printer);
  QPrintDialog dialog(&printer, parent);
  if (pageRange) {
    dialog.setMinMax(1, COTextView::kPages);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
  }
  if (dialog.exec() != QDialog::Accepted) return false;
  print(printer);
  return true;
}

bool COCaliPrint::ReadBanks() {
  DeviceKovo& device = m_obs.GetDevice();
  const MonitorSetup before = device.GetSetup();
  // A part of the banks is no print-out of the monitor's.
  if (m_obs.UploadFilterInfo()) return true;
  device.SetSetup(before);
  return false;
}

bool COCaliPrint::PrintAllBanks(QWidget* parent, QPrinter* given) {
  if (!ReadBanks()) return false;
  const BanksReport report = MakeBanksReport(m_obs.GetDevice().GetSetup(), m_calibrator, m_sequence);
  return PrintOn(given, parent, true, [&report](QPrinter& printer) { PrintBanksReport(report, printer); });
}

bool COCaliPrint::PrintCurrentCalibration(QWidget* parent, QPrinter* given) {
  std::string text;
  {
    platform::WaitCursor wait;
    try {
      text = ReadCurrentCalibration(m_obs.GetSerialStack(), m_limits);
    } catch (const std::exception& e) {
      wait.Restore();
      platform::MessageBox(CommunicationErrorText(e), platform::MB_ICONWARNING);
      return false;
    }
  }
  // A print cut short or never begun is no print of the calibration.
  if (!IsCompleteCurrentCalibration(text)) {
    platform::MessageBox(CommunicationErrorText(CommException(CommException::read)), platform::MB_ICONWARNING);
    return false;
  }
  return PrintOn(given, parent, false, [&text](QPrinter& printer) { PrintMonitorText(text, printer); });
}
