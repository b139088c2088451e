#include "BanksPrint.h"

#include "COCaliSequence.h"
#include "Calibrator.h"
#include "core/Text.h"

using platform::Format;

namespace {

constexpr int kLeft = 60;

std::string ValueText(MeasValue v) { return v.IsValid() ? Format("%1.4e", static_cast<double>(v.GetValue())) : "n/a"; }

std::string DateText(const CalibTime& t) { return t.GetValidFlag() != 0 ? t.GetTime().Format("%y-%m-%d") : "n/a"; }

std::string Letter(int filter) { return std::string(1, filter == 5 ? 'W' : static_cast<char>('A' + filter)); }

}  // namespace

BanksReport MakeBanksReport(const MonitorSetup& setup, const Calibrator& calibrator, const COCaliSequence& sequence) {
  BanksReport r;
  r.model = setup.m_model.ToString();
  r.serial = setup.m_serial.ToString();
  r.version = setup.m_version.ToString();
  r.setup = setup;
  const int gains[] = {1, 4, 6, 10};
  for (size_t i = 0; i < 4; ++i) r.gainFactors[i] = calibrator.GetGainFactor(gains[i]);
  for (int f = 0; f < 6; ++f) r.filterTexts[static_cast<size_t>(f)] = sequence.GetFilterText(f);
  r.printed = platform::CTime::GetCurrentTime();
  return r;
}

void COTextView::BeginPrinting(int pageWidth, int pageHeight) {
  m_pageWidth = pageWidth;
  m_pageHeight = pageHeight;
}

void COTextView::Header(int y, int page) {
  const std::string text = m_report.model + " - Serial: " + m_report.serial + "/" + m_report.version + " - " +
                           m_report.printed.Format("%y-%m-%d %X");
  m_lines.push_back({Line::header, y, text, Format("Page %d", page), std::string()});
}

void COTextView::Labelled(int y, const std::string& label, const std::string& value, const std::string& unit) {
  m_lines.push_back({Line::labelled, y, label, value, unit});
}

void COTextView::Plain(int y, const std::string& text) { m_lines.push_back({Line::plain, y, text, {}, {}}); }

void COTextView::FilterHeading(int filter, int y0) {
  Header(y0, 3 * filter + 1);
  Plain(y0 + 2 * m_h, "GENERAL CALIBRATION INFORMATION FOR FILTER " + Letter(filter) + ":");
  Labelled(y0 + 4 * m_h, "Installed Optical Filter", m_report.filterTexts[static_cast<size_t>(filter)]);
}

void COTextView::BankBlock(int filter, int bank, int y) {
  const int h = m_h;
  // Each line, then the step to the next one in lines.
  auto row = [&](const std::string& label, const std::string& value, int steps, const std::string& unit = {}) {
    Labelled(y, label, value, unit);
    y += steps * h;
  };
  auto text = [&](const std::string& line, int steps) {
    Plain(y, line);
    y += steps * h;
  };
  row("CALIBRATION DATA IN FILTER BANK NUMBER", Format("%d", bank + 1), 2);
  if (filter == 5) {
    const WaterInfo& w = m_report.setup.m_water;
    text("Gas name : Water Vapour", 1);
    row("Molecular Weight", "18.020", 2);
    row("Span Calibration performed", DateText(w.m_spanDate), 1);
    row("Conversion Factor", ValueText(w.m_gain), 2);
    row("Zero Point Calibration performed", DateText(w.m_zeroDate), 1);
    row("Concentration Offset factor", ValueText(w.m_concOffset), 4);
    text("System Gain Factors:", 1);
    const char* const names[] = {"Factor 1", "Factor 4", "Factor 6", "Factor 10"};
    for (size_t i = 0; i < 4; ++i) row(names[i], ValueText(m_report.gainFactors[i]), 1);
    return;
  }
  const BankInfo& b = m_report.setup.GetFilter(filter).GetBank(bank);
  const std::string gas = b.GetGasName().ToString();
  text("Gas name : " + gas, 1);
  // An absent weight is no number to print.
  row("Molecular Weight", b.m_mw.IsValid() ? Format("%.3f", static_cast<double>(b.m_mw.GetValue())) : "n/a", 2);
  row("Span Calibration performed", DateText(b.m_spanDate), 1);
  // The curve's second factor tells a two-point calibration, not the flag.
  const bool twoPoint = b.m_spanHigh.IsValid();
  row("Type of Span Calibration", twoPoint ? "Two Point" : "Single Point", 1);
  row("Conversion Factor", ValueText(b.m_spanLow), 1);
  if (twoPoint) {
    row("Conversion Factor (low)", ValueText(b.m_spanHigh), 1);
    row("Concentration (low)", "n/a", 1, "mg/m3");
  } else {
    y += 2 * h;
  }
  row("Zero Point Calibration performed", DateText(b.m_zeroDate), 1);
  row("Concentration Offset factor", ValueText(b.m_concOffset), 2);
  row("Hum. Interference Calibration performed", DateText(b.m_humiDate), 1);
  row("Humidity Gain factor", ValueText(b.m_humiGain), 2);
  row("Cross Interference Calibration performed", DateText(b.m_crosDate), 1);
  text(gas + " interference on :", 1);
  for (int other = 0; other < 5; ++other)
    if (other != filter) row("Filter " + Letter(other), ValueText(b.m_cross[other]), 1);
}

void COTextView::OnDraw(platform::CDC& dc, int page) {
  if (page < 1 || page > kPages) return;
  const int margin = dc.GetTextExtent("88888").cx;
  m_h = dc.GetTextExtent("8").cy;
  const int h = m_h;
  const int H = m_pageHeight;
  m_lines.clear();
  for (int f = 0; f < 6; ++f) {
    const int y0 = 3 * f * H;
    // Only the filter whose pages these are.
    if (page < 3 * f + 1 || page > 3 * f + 3) continue;
    FilterHeading(f, y0);
    BankBlock(f, 0, y0 + 8 * h);
    if (f == 5) break;
    BankBlock(f, 1, y0 + 36 * h);
    Header(y0 + H, 3 * f + 2);
    BankBlock(f, 2, y0 + H + 2 * h);
    BankBlock(f, 3, y0 + H + 28 * h);
    Header(y0 + 2 * H, 3 * f + 3);
    BankBlock(f, 4, y0 + 2 * H + 2 * h);
  }
  // The page's band of the canvas, below the margin.
  const int top = (page - 1) * H;
  const int right = m_pageWidth - margin - 120;
  for (const Line& line : m_lines) {
    if (line.y < top || line.y >= top + H) continue;
    const int y = margin + line.y - top;
    platform::CRect rect(margin + kLeft, y, margin + right, y + h);
    switch (line.kind) {
      case Line::header: {
        platform::CRect r = rect;
        dc.DrawText(line.text, &r, platform::DT_LEFT | platform::DT_SINGLELINE);
        r = rect;
        dc.DrawText(line.value, &r, platform::DT_RIGHT | platform::DT_SINGLELINE);
        break;
      }
      case Line::plain:
        dc.DrawText(line.text, &rect, platform::DT_LEFT | platform::DT_SINGLELINE);
        break;
      case Line::labelled:
        DrawLabelLine(dc, line, rect);
        break;
    }
  }
}

// The unit in a column at the right, the label left and the value right of
// the space before it, and every colon of the report in one column.
void COTextView::DrawLabelLine(platform::CDC& dc, const Line& line, const platform::CRect& rect) {
  const int w = dc.GetTextExtent("mg/m388").cx;
  if (!line.unit.empty()) {
    platform::CRect unit(rect.right - w, rect.top, rect.right, rect.bottom);
    dc.DrawText(line.unit, &unit, platform::DT_LEFT | platform::DT_SINGLELINE);
  }
  const int v = rect.right - w - m_h;
  platform::CRect text(rect.left, rect.top, v, rect.bottom);
  dc.DrawText(line.text, &text, platform::DT_LEFT | platform::DT_SINGLELINE);
  text = platform::CRect(rect.left, rect.top, v, rect.bottom);
  dc.DrawText(line.value, &text, platform::DT_RIGHT | platform::DT_SINGLELINE);
  platform::CRect colon(rect.left, rect.top, v - (14 * w) / 6, rect.bottom);
  dc.DrawText(":", &colon, platform::DT_RIGHT | platform::DT_SINGLELINE);
}
