#pragma once
// The numeric window: one row per measurement of its interval, a first
// column with the number or the time, a column per displayed channel, the
// events beside each row, and the two cursors dragged over the rows.
#include <QScrollBar>
#include <QTimer>
#include <functional>

#include "IntervalView.h"

class CNumView : public CIntervalView {
 public:
  // Throws TooManyWindows when every numeric window number is taken.
  CNumView(CWindowLayer& layer, CDocument* document, QWidget* parent = nullptr);

  void Draw(platform::CDC& dc, const platform::CRect& client) override;
  int PageCount(platform::CDC& dc, const platform::CSize& page) override;
  void DrawPage(platform::CDC& dc, const platform::CSize& page, int pageNumber) override;
  // The whole table, whatever part of it the window shows, 18 % larger.
  platform::CSize ContentSize() override;

  // A new sample is read at once.
  void OnGeneralUpdate(const CGenEvent& event) override;

  void OnZoomIn() override;
  bool CanZoomIn() const override;

  // While dragging, the table scrolls when the pointer leaves the window.
  void MouseMove(platform::CPoint p) override;
  void ButtonUp(platform::CPoint p) override;
  bool IsAutoScrolling() const { return m_autoScroll; }
  int RowHeight() const { return m_rowHeight; }
  // Scrolls as the person does: away from the end, the window no longer
  // keeps the newest row in view; back at the end, it does again.
  void SetScrollY(int y);
  int ScrollY() const { return m_vBar.value(); }
  int ScrollX() const { return m_hBar.value(); }
  // The measurement number of the row nearest to the document y.
  int PickRow(int documentY);

  static constexpr int kMargin = 3;

  // Drawn on each row after its events (the Calibration program's interval
  // marks): the row's measurement number, +1 (the rows run upwards in
  // number), the row's rectangle and where a label may start.
  using RowDecoration = std::function<void(platform::CDC& dc, int measNo, int step, const platform::CRect& row, int labelX)>;
  void SetRowDecoration(RowDecoration decoration) { m_rowDecoration = std::move(decoration); }

 protected:
  void Loaded(bool follow) override;
  const COMeas* MeasAt(platform::CPoint p, bool onlyInside) override;
  bool RunProperties(COMeasInterval& copy) override;
  // The table's size, its event texts as far as they were drawn included.
  platform::CSize ScrollSize() override;
  int LineStep() const override { return m_rowHeight; }
  void wheelEvent(QWheelEvent* e) override;

 private:
  struct Page {
    int firstRow = 0, lastRow = 0;  // measurement numbers; 0, 0: every row
    bool headers = true;
    bool printing = false;
    int number = 0;
  };
  void DrawTable(platform::CDC& dc, const platform::CRect& client, const Page& page);
  void DrawEvents(platform::CDC& dc, const COMeas& m, int y, const std::vector<int>& edges);
  // An event's text at the document's (x, y).
  void Label(platform::CDC& dc, const std::string& text, platform::COLORREF colour, int x, int y);
  void DrawRule(platform::CDC& dc, int y, int tick, platform::COLORREF color);
  void DrawCursorLines(platform::CDC& dc);
  int RowsPerPage(platform::CDC& dc, const platform::CSize& page);
  int X(int documentX) const { return documentX - m_originX; }
  int Y(int documentY) const { return documentY - m_originY; }
  platform::CRect Cell(int l, int t, int r, int b) const { return platform::CRect(X(l), Y(t), X(r), Y(b)); }
  const COMeas* RowAt(int documentY);
  // The person scrolled to y: the newest row is kept in view while that is
  // the end.
  void PersonScrolled(int y);

  int m_rowHeight = 16;
  int m_tableWidth = 0;
  int m_originX = 0;  // document x at the left of what is drawn
  int m_originY = 0;  // document y at the top of what is drawn
  int m_labelRight = 0;  // the right end of the event texts drawn
  platform::CSize m_extent;
  int m_firstNumber = 0, m_lastNumber = 0;
  // Until the person scrolls away from the end, new rows are kept in view.
  bool m_keepNewest = true;
  bool m_autoScroll = false;
  int m_lastDragY = 0;
  QTimer m_autoScrollTimer;
  RowDecoration m_rowDecoration;
};
