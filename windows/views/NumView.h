#pragma once
// The numeric window: one row per measurement of its interval, a first
// column with the number or the time, a column per displayed channel, the
// events beside each row, and the two cursors dragged over the rows.
#include <QScrollBar>
#include <QTimer>

#include "IntervalView.h"

class CNumView : public CIntervalView {
 public:
  // Throws TooManyWindows when every numeric window number is taken.
  CNumView(CWindowLayer& layer, CDocument* document, QWidget* parent = nullptr);

  void Draw(CDC& dc, const CRect& client) override;
  int PageCount(CDC& dc, const CSize& page) override;
  void DrawPage(CDC& dc, const CSize& page, int pageNumber) override;
  CSize ContentSize() override;
  // The whole table, whatever part of it the window shows.
  void Copy() override;

  // A new sample is read at once.
  void OnGeneralUpdate(EUpdType kind) override;

  void OnZoomIn() override;
  bool CanZoomIn() const override;

  // While dragging, the table scrolls when the pointer leaves the window.
  void MouseMove(CPoint p) override;
  void ButtonUp(CPoint p) override;
  bool IsAutoScrolling() const { return m_autoScroll; }
  int RowHeight() const { return m_rowHeight; }
  void SetScrollY(int y);
  int ScrollY() const { return m_scrollY; }
  // The measurement number of the row nearest to the document y.
  int PickRow(int documentY);

  static constexpr int kMargin = 3;

 protected:
  void Loaded(bool follow) override;
  const COMeas* MeasAt(CPoint p, bool onlyInside) override;
  bool RunProperties(COMeasInterval& copy) override;
  void UpdateScrollBars() override;
  void wheelEvent(QWheelEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  struct Page {
    int firstRow = 0, lastRow = 0;  // measurement numbers; 0, 0: every row
    bool headers = true;
    bool printing = false;
    int number = 0;
  };
  void DrawTable(CDC& dc, const CRect& client, const Page& page);
  void DrawEvents(CDC& dc, const COMeas& m, int y, const std::vector<int>& edges);
  void DrawRule(CDC& dc, int y, int tick, platform::COLORREF color);
  void DrawCursorLines(CDC& dc);
  int RowsPerPage(CDC& dc, const CSize& page);
  int Y(int documentY) const { return documentY - m_originY; }
  const COMeas* RowAt(int documentY);
  int MaxScrollY() const;

  int m_rowHeight = 16;
  int m_tableWidth = 0;
  int m_originY = 0;  // document y at the top of what is drawn
  int m_scrollY = 0;
  CSize m_extent;
  int m_firstNumber = 0, m_lastNumber = 0;
  bool m_autoScroll = false;
  int m_lastDragY = 0;
  QTimer m_autoScrollTimer;
  QScrollBar m_scrollBar;
};
