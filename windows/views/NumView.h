#pragma once
// The numeric window: one row per measurement of its interval, a first
// column with the number or the time, a column per displayed channel, the
// events beside each row, and the two cursors dragged over the rows.
#include <QScrollBar>
#include <QTimer>
#include <chrono>

#include "MeasReader.h"
#include "ViewBase.h"
#include "WindowStore.h"

class CNumView : public CMeasViewBase {
 public:
  // Throws TooManyWindows when every numeric window number is taken.
  CNumView(CWindowLayer& layer, CDocument* document, QWidget* parent = nullptr);
  ~CNumView() override;

  COMeasView* MeasView() override { return &m_meas; }
  COMeasInterval& Interval() { return m_meas.GetInterval(); }
  std::string GetWindowTitle() const override { return m_meas.GetWindowTitle(); }

  void Draw(CDC& dc, const CRect& client) override;
  int PageCount(CDC& dc, const CSize& page) override;
  void DrawPage(CDC& dc, const CSize& page, int pageNumber) override;
  CSize ContentSize() override;
  // The whole table, whatever part of it the window shows.
  void Copy() override;
  void SaveSettings(COOpenWindows& store) override;

  void OnUpdate(CView* sender, long hint, void* hintObject) override;
  void OnGeneralUpdate(EUpdType kind) override;
  void Activated() override;

  // Interval commands; each reloads and repaints.
  void ReloadData();
  // Takes in what a running task added, keeping the rows still inside.
  void FollowData();
  void OnZoomIn() override;
  bool CanZoomIn() const override;
  void OnZoomOut() override;
  void OnMoveFirst() override;
  void OnScrollBack() override;
  void OnScrollForward() override;
  void OnMoveLast() override;
  // Opens the properties sheet on a copy of the interval; on OK the copy
  // replaces it.
  void OnWindowProperties() override;

  // Cursor drag, in widget coordinates.
  void ButtonDown(int y, bool shift);
  void MouseMove(int y);
  void ButtonUp(int y);
  // When the window was last activated (a click within a second of it
  // starts no drag).
  void SetActivationTime(std::chrono::steady_clock::time_point t) { m_activated = t; }
  bool IsAutoScrolling() const { return m_autoScroll; }
  int RowHeight() const { return m_rowHeight; }
  void SetScrollY(int y);
  int ScrollY() const { return m_scrollY; }
  // The measurement number of the row nearest to the document y.
  int PickRow(int documentY);

  static constexpr int kMargin = 3;

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
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
  void Repaint();
  void AfterLoad();
  int Y(int documentY) const { return documentY - m_originY; }
  const COMeas* RowAt(int documentY);
  void UpdateScrollBar();

  COMeasView m_meas;
  COMeasBuffer m_buffer;
  int m_rowHeight = 16;
  int m_tableWidth = 0;
  int m_originY = 0;  // document y at the top of what is drawn
  int m_scrollY = 0;
  CSize m_extent;
  int m_firstNumber = 0, m_lastNumber = 0;
  bool m_dragging = false;
  bool m_autoScroll = false;
  int m_lastDragY = 0;
  COMeas m_anchor, m_moving;
  std::chrono::steady_clock::time_point m_activated;
  QTimer m_autoScrollTimer;
  QScrollBar m_scrollBar;
};
