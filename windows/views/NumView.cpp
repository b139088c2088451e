#include "NumView.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

#include "Axis.h"
#include "COMeasObs.h"
#include "COSequence.h"
#include "NumProperties.h"
#include "core/MessageSink.h"
#include "DataContext.h"
#include "core/Text.h"
#include "ui/PainterDC.h"

using platform::COLORREF;
using platform::DT_CENTER;
using platform::DT_RIGHT;
using platform::DT_SINGLELINE;
using platform::DT_VCENTER;

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr int kPrintTitleHeight = 200;

}  // namespace

CNumView::CNumView(CWindowLayer& layer, CDocument* document, QWidget* parent)
    : CIntervalView(layer, document, kNumericType, parent) {
  m_autoScrollTimer.setInterval(50);
  QObject::connect(&m_autoScrollTimer, &QTimer::timeout, this, [this] {
    if (m_autoScroll)
      MouseMove(platform::CPoint(0, m_lastDragY));
    else
      m_autoScrollTimer.stop();
  });
  // The person's own scrolling decides whether the newest row is kept in
  // view (the bars also move when the table grows or shrinks).
  QObject::connect(&m_vBar, &QScrollBar::actionTriggered, this, [this] { PersonScrolled(m_vBar.sliderPosition()); });
  ReloadData();
}

void CNumView::PersonScrolled(int y) { m_keepNewest = y >= m_vBar.maximum(); }

// --- data ---

void CNumView::Loaded(bool follow) {
  if (!follow) {
    m_firstNumber = m_lastNumber = 0;
    m_labelRight = 0;
    return;
  }
  // Following a running task, the newest row stays in view, unless the
  // person scrolled away from it.
  if (!m_keepNewest) return;
  UpdateScrollBars();
  m_vBar.setValue(m_vBar.maximum());
}

bool CNumView::CanZoomIn() const {
  return Layer().Cursors().IsCursorOn() && m_anchor.GetMeasNo() != 0 &&
         std::abs(m_lastNumber - m_dragEnd.GetMeasNo()) >= 1;
}

void CNumView::OnZoomIn() {
  if (m_anchor.GetMeasNo() == 0 || std::abs(m_lastNumber - m_dragEnd.GetMeasNo()) < 1) return;
  Interval().ZoomTo(m_anchor, m_dragEnd);
  ReloadData();
  Repaint();
}

bool CNumView::RunProperties(COMeasInterval& copy) {
  CWindowLayer& layer = Layer();
  COWindowPropertiesNum sheet(Context(), copy, this, layer.intervalPage, layer.extraPage,
                              &layer.lastSheetPages.numeric);
  return sheet.DoModal() == platform::IDOK;
}

// --- updates ---

void CNumView::OnGeneralUpdate(const CGenEvent& event) {
  CIntervalView::OnGeneralUpdate(event);
  if (event.kind != eMeasStored) return;
  FollowData();
  Repaint();
}

// --- drawing ---

void CNumView::DrawRule(platform::CDC& dc, int y, int tick, COLORREF color) {
  // A tick at either end and a line of the table's width between them.
  const int top = tick < 0 ? y + tick : y;
  const int h = std::abs(tick);
  dc.FillSolidRect(Cell(kMargin, top, kMargin + 1, top + h), color);
  dc.FillSolidRect(Cell(kMargin + m_tableWidth - 1, top, kMargin + m_tableWidth, top + h), color);
  dc.FillSolidRect(Cell(kMargin, y, kMargin + m_tableWidth, y + 1), color);
}

void CNumView::Label(platform::CDC& dc, const std::string& text, COLORREF colour, int x, int y) {
  CAxis::DrawLabel(text, colour, X(x), Y(y), &dc, &m_smallFont);
  // Where the text ends, for the table's width (the label stands 5 right).
  platform::CFont* old = dc.SelectObject(&m_smallFont);
  m_labelRight = std::max(m_labelRight, x + 5 + static_cast<int>(dc.GetTextExtent(text).cx));
  dc.SelectObject(old);
}

void CNumView::DrawEvents(platform::CDC& dc, const COMeas& m, int y, const std::vector<int>& edges) {
  const int rh = m_rowHeight;
  int x = m_tableWidth + 2 * rh / 3;
  const int centre = y + rh / 2 - kMargin / 2;
  const COMeasInterval& in = Interval();
  const std::vector<CColumn>& cols = in.GetColumns();
  for (const COEvent& e : m.GetEvents()) {
    const int type = e.GetType();
    if (type == COEvent::typeTaskStarted) {
      DrawRule(dc, y - kMargin / 2, 3, marks::kTask);
      continue;
    }
    if (type == COEvent::typeTaskStopped) {
      DrawRule(dc, y + rh - kMargin / 2, -3, marks::kTask);
      continue;
    }
    if (!in.IsChannelShown(type >= 7 && type <= 10 ? 4 : type)) continue;
    switch (type) {
      case COEvent::typeAlarm: {
        const int half = dc.IsPrinting() ? 3 * dc.GetTextHeight() / 16 : 3;
        for (size_t c = 0; c < cols.size(); ++c) {
          if (cols[c].GetChannel() != static_cast<int>(e.GetValue())) continue;
          const int left = edges[c] + 1;
          platform::CPen pen(platform::PS_SOLID, 1, marks::kAlarm);
          platform::CPen* old = dc.SelectObject(&pen);
          const platform::CPoint tri[3] = {platform::CPoint(X(left), Y(centre)), platform::CPoint(X(left + 2 * half), Y(centre - half)),
                                 platform::CPoint(X(left + 2 * half), Y(centre + half))};
          dc.Polygon(tri, 3);
          dc.SelectObject(old);
        }
        break;
      }
      case COEvent::typeComment:
        Label(dc, platform::Trim(e.GetText()), marks::kComment, x, centre);
        x += 2 * rh / 3;
        break;
      case 3:
      case 7:
      case 8: {
        const char* label = type == 3 ? "C" : type == 7 ? "P" : "W";
        Label(dc, label, marks::kEvent, x, centre);
        x += 2 * rh / 3;
        break;
      }
      case 9:
      case 10:
        for (size_t c = 0; c < cols.size(); ++c)
          if (cols[c].GetChannel() == static_cast<int>(e.GetValue()))
            Label(dc, type == 9 ? "B" : "F", 0x000000, edges[c + 1], centre);
        break;
      default:
        break;
    }
  }
}

void CNumView::DrawTable(platform::CDC& dc, const platform::CRect& client, const Page& page) {
  platform::CFont* oldFont = SelectFonts(dc);
  const COMeasInterval& in = Interval();
  const bool byNumber = in.GetMeasMode() != 0;
  m_rowHeight = kMargin + dc.GetTextExtent("ABCDEFGHIJKLMNOPQERSTUVXYZ").cy;
  const int rh = m_rowHeight;

  // Edges: [0] the first column's right edge, then each value column's.
  std::vector<int> edges;
  edges.push_back(3 * kMargin + dc.GetTextExtent(byNumber ? "Meas. No." : "88-88-88 88:88:88").cx);
  const int digits = 12 * dc.GetTextExtent("0").cx;
  std::vector<std::string> line1, line2;
  for (const CColumn& c : in.GetColumns()) {
    // The Calibration program's channel names need no letter, as in its legends.
    line1.push_back(IsCalibration() ? c.GetChannelName()
                                    : std::string(1, c.GetChannelLetter()) + ": " + c.GetChannelName());
    line2.push_back("[" + c.GetUnitText() + "]");
    edges.push_back(edges.back() + std::max(digits, dc.GetTextExtent(line1.back()).cx + rh));
  }
  m_tableWidth = edges.back();

  if (page.headers) {
    platform::CRect r = Cell(0, 0, edges[0], rh);
    dc.DrawText(byNumber ? "Meas. No." : "Time", &r, DT_CENTER | DT_SINGLELINE);
    for (size_t c = 0; c < line1.size(); ++c) {
      platform::CRect r1 = Cell(edges[c], 0, edges[c + 1], rh);
      dc.DrawText(line1[c], &r1, DT_RIGHT | DT_SINGLELINE);
      platform::CRect r2 = Cell(edges[c], rh, edges[c + 1], 2 * rh);
      dc.DrawText(line2[c], &r2, DT_RIGHT | DT_SINGLELINE);
    }
    dc.MoveTo(X(kMargin), Y(2 * rh));
    dc.LineTo(X(m_tableWidth + kMargin), Y(2 * rh));
  }

  int y = 5 * rh / 2;
  // The first pass reads every row and keeps it; later passes on screen go
  // straight to the rows in the client area, so a long interval costs a
  // screenful, not its length.
  const int count = m_buffer.GetCount();
  if (count < 0)
    m_buffer.MoveFirst();
  else
    m_buffer.MoveToIndex(0);
  if (m_buffer.IsAtEnd()) {
    platform::CRect r = Cell(0, y, edges[0], y + rh);
    dc.DrawText("(No data)", &r, DT_SINGLELINE);
  }
  m_firstNumber = m_buffer.IsAtEnd() ? 0 : m_buffer.GetCurrent().GetMeasNo();
  const int firstVisible = page.printing ? 0 : std::max(0, (m_originY - 5 * rh / 2) / rh - 1);
  const int lastVisible = page.printing ? INT32_MAX : firstVisible + client.Height() / rh + 3;
  int index = 0;
  if (count >= 0 && firstVisible > 0) {
    index = std::min(firstVisible, count);
    m_buffer.MoveToIndex(index);
    y += index * rh;
  }
  for (; !m_buffer.IsAtEnd(); m_buffer.MoveNext(), ++index, y += rh) {
    if (count >= 0 && index > lastVisible) break;
    const COMeas& m = m_buffer.GetCurrent();
    m_lastNumber = m.GetMeasNo();
    const bool onPage = page.printing ? index >= page.firstRow && index <= page.lastRow
                                      : index >= firstVisible && index <= lastVisible;
    if (!onPage) continue;
    platform::CRect first = Cell(0, y, edges[0], y + rh);
    dc.DrawText(byNumber ? platform::Format("%d", m.GetMeasNo()) : m.GetMeasTime().Format("%y-%m-%d %X"), &first,
                DT_CENTER | DT_SINGLELINE);
    for (size_t c = 0; c < in.GetColumns().size(); ++c) {
      const CColumn& col = in.GetColumns()[c];
      platform::CRect cell = Cell(0, y, edges[c + 1], y + rh);
      dc.DrawText(GetValueText(Context(), m, col.GetChannel(), col.GetUnit()), &cell, DT_RIGHT | DT_SINGLELINE);
    }
    DrawEvents(dc, m, y, edges);
    if (m_rowDecoration)
      m_rowDecoration(dc, m.GetMeasNo(), 1, Cell(0, y, m_tableWidth, y + rh),
                      X(std::max(m_tableWidth + 2 * rh / 3, m_labelRight + rh / 2)));
  }
  const int rows = count >= 0 ? count : index;
  if (count > 0) {
    m_buffer.MoveToIndex(count - 1);
    m_lastNumber = m_buffer.GetCurrent().GetMeasNo();
  }
  m_extent = platform::CSize(std::max(3 * rh + 2 * kMargin + m_tableWidth, m_labelRight + kMargin),
                   rows * rh + 5 * rh / 2 + kMargin / 2);
  dc.SelectObject(oldFont);
}

void CNumView::DrawCursorLines(platform::CDC& dc) {
  const COMeasInterval& in = Interval();
  const int rh = m_rowHeight;
  int left, right;
  COLORREF color = marks::kCursor;
  if (m_dragging) {
    left = std::min(m_anchor.GetMeasNo(), m_dragEnd.GetMeasNo());
    right = std::max(m_anchor.GetMeasNo(), m_dragEnd.GetMeasNo());
  } else {
    if (in.GetLeftCursor() == 0 || in.GetLeftCursor() < m_firstNumber) return;
    left = in.GetLeftCursor();
    right = in.GetRightCursor();
  }
  const int yLeft = (left - m_firstNumber + 2) * rh + rh / 2 - 1;
  const int yRight = (right - m_firstNumber + 3) * rh + rh / 2 - 1;
  for (int y : {yLeft, yRight}) {
    if (m_dragging) {
      // The drag marks: two pixels wide, eight high.
      for (const platform::CRect& r : {Cell(kMargin, y - 3, kMargin + 2, y + 5),
                             Cell(kMargin + m_tableWidth - 1, y - 3, kMargin + m_tableWidth + 1, y + 5),
                             Cell(kMargin, y, kMargin + m_tableWidth, y + 2)})
        dc.Rectangle(r.left, r.top, r.right, r.bottom);
    } else {
      dc.FillSolidRect(Cell(kMargin, y - 3, kMargin + 1, y + 4), color);
      dc.FillSolidRect(Cell(kMargin + m_tableWidth - 1, y - 3, kMargin + m_tableWidth, y + 4), color);
      dc.FillSolidRect(Cell(kMargin, y, kMargin + m_tableWidth, y + 1), color);
    }
  }
}

void CNumView::Draw(platform::CDC& dc, const platform::CRect& client) {
  dc.FillSolidRect(client, kWhite);
  dc.SetBkMode(platform::TRANSPARENT);
  const platform::CPoint scrolled = ScrollPosition(dc);
  m_originX = scrolled.x;
  m_originY = scrolled.y;
  Page page;
  DrawTable(dc, client, page);
  if (Layer().Cursors().IsCursorOn() || m_dragging) DrawCursorLines(dc);
  DrawLoading(dc, client);
}

platform::CSize CNumView::ScrollSize() {
  // A pass in the window's font to know the table's size.
  QImage image(1, 1, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setFont(ProgramFont());
  platform::CPainterDC probe(&painter);
  Draw(probe, PaintArea());
  return m_extent;
}

platform::CSize CNumView::ContentSize() {
  const platform::CSize table = ScrollSize();
  return platform::CSize(table.cx + table.cx * 18 / 100, table.cy + table.cy * 18 / 100);
}

// --- printing ---

int CNumView::RowsPerPage(platform::CDC& dc, const platform::CSize& page) {
  SelectFonts(dc);
  m_rowHeight = kMargin + dc.GetTextExtent("ABCDEFGHIJKLMNOPQERSTUVXYZ").cy;
  // A font too large for the page still prints a few rows per page.
  return std::max(4, page.cy * 80 / 100 / std::max(1, m_rowHeight));
}

int CNumView::PageCount(platform::CDC& dc, const platform::CSize& page) {
  const int rows = RowsPerPage(dc, page);
  int count = 0;
  for (m_buffer.MoveFirst(); !m_buffer.IsAtEnd(); m_buffer.MoveNext()) ++count;
  const int h = rows * m_rowHeight;
  return (count * m_rowHeight + 5 * m_rowHeight / 2) / h + 1;
}

void CNumView::DrawPage(platform::CDC& dc, const platform::CSize& size, int pageNumber) {
  const int rows = RowsPerPage(dc, size);
  const int rh = m_rowHeight;
  const int margin = std::max((size.cy - rows * rh) / 2, 2 * rh);
  // The title line half a margin below the top of the page.
  // The monitor's identity as the device read it.
  const MonitorSetup& monitor = Context().GetMonitorSetup();
  const std::string title = GetWindowTitle() + " - " + monitor.m_model.ToString() + " - Serial: " +
                            monitor.m_serial.ToString() + "/" + monitor.m_version.ToString() + " - " +
                            platform::CTime::GetCurrentTime().Format("%y-%m-%d %X");
  platform::CRect tr(0, margin / 2 - kPrintTitleHeight, size.cx - margin, margin / 2 + kPrintTitleHeight);
  dc.DrawText(title, &tr, DT_SINGLELINE | DT_VCENTER);
  dc.DrawText(platform::Format("Page: %d", pageNumber), &tr, DT_RIGHT | DT_SINGLELINE | DT_VCENTER);

  Page page;
  page.printing = true;
  page.number = pageNumber;
  // Page 1 carries the headers and so three rows fewer.
  page.firstRow = pageNumber == 1 ? 0 : (pageNumber - 1) * rows - 3;
  page.lastRow = pageNumber == 1 ? rows - 4 : page.firstRow + rows - 1;
  page.headers = pageNumber == 1;
  m_originX = 0;
  m_originY = pageNumber == 1 ? -margin : 5 * rh / 2 + page.firstRow * rh - margin;
  DrawTable(dc, platform::CRect(0, 0, size.cx, size.cy), page);
}

// --- cursor drag ---

const COMeas* CNumView::RowAt(int documentY) {
  const int count = m_buffer.GetCount();
  if (count > 0) {
    // Row n's boundary lies at (n + 3) row heights; of two equally near the
    // later one is taken.
    const int rh = std::max(1, m_rowHeight);
    const int near = std::clamp(documentY / rh - 3, 0, count - 1);
    int best = std::max(0, near - 1);
    for (int n = best + 1; n <= std::min(count - 1, near + 1); ++n)
      if (std::abs((n + 3) * rh - documentY) <= std::abs((best + 3) * rh - documentY)) best = n;
    m_buffer.MoveToIndex(best);
    return &m_buffer.GetCurrent();
  }
  const COMeas* best = nullptr;
  int bestDistance = INT32_MAX;
  int index = 0;
  for (m_buffer.MoveFirst(); !m_buffer.IsAtEnd(); m_buffer.MoveNext(), ++index) {
    const int boundary = (index + 3) * m_rowHeight;
    const int distance = std::abs(boundary - documentY);
    if (best && distance > bestDistance) break;
    best = &m_buffer.GetCurrent();
    bestDistance = distance;
  }
  return best;
}

int CNumView::PickRow(int documentY) {
  const COMeas* m = RowAt(documentY);
  return m ? m->GetMeasNo() : 0;
}

const COMeas* CNumView::MeasAt(platform::CPoint p, bool) { return RowAt(p.y + ScrollY()); }

void CNumView::MouseMove(platform::CPoint p) {
  if (!m_dragging) return;
  const int y = p.y;
  m_lastDragY = y;
  const COMeas* row = RowAt(y + ScrollY());
  const bool changed = row && row->GetMeasNo() != m_dragEnd.GetMeasNo();
  if (row) m_dragEnd = *row;
  const int shown = PaintArea().Height();
  if (!changed && y >= 0 && y < shown) return;
  const bool wasScrolling = m_autoScroll;
  if (y < 0 && ScrollY() > 0) {
    SetScrollY(ScrollY() - m_rowHeight);
    m_autoScroll = true;
  } else if (y >= shown && ScrollY() < m_vBar.maximum()) {
    SetScrollY(ScrollY() + m_rowHeight);
    m_autoScroll = true;
  } else {
    m_autoScroll = false;
  }
  if (m_autoScroll && !wasScrolling) m_autoScrollTimer.start();
  update();
}

void CNumView::ButtonUp(platform::CPoint p) {
  m_autoScroll = false;
  CIntervalView::ButtonUp(p);
}

void CNumView::SetScrollY(int y) {
  UpdateScrollBars();
  m_vBar.setValue(y);
  PersonScrolled(m_vBar.value());
}

void CNumView::wheelEvent(QWheelEvent* e) {
  CIntervalView::wheelEvent(e);
  PersonScrolled(m_vBar.value());
}
