#pragma once
// The graph window: the measurements of its interval as curves over time or
// measurement number, two legends, three axes, event markers, and the two
// cursors dragged over the plot, whose range the cursor-value window shows.
#include <QScrollBar>
#include <chrono>
#include <functional>
#include <vector>

#include "Axis.h"
#include "Curve.h"
#include "GraphProperties.h"
#include "Legend.h"
#include "MeasReader.h"
#include "ViewBase.h"
#include "WindowStore.h"

class CGraphView : public CMeasViewBase {
 public:
  // Throws TooManyWindows when every graph window number is taken.
  CGraphView(CWindowLayer& layer, CDocument* document, QWidget* parent = nullptr);
  ~CGraphView() override;

  COMeasView* MeasView() override { return &m_meas; }
  COMeasInterval& Interval() { return m_meas.GetInterval(); }
  std::string GetWindowTitle() const override { return m_meas.GetWindowTitle(); }

  void Draw(CDC& dc, const CRect& client) override;
  // One page: the graph on the middle four fifths, a title line above it.
  void DrawPage(CDC& dc, const CSize& page, int pageNumber) override;
  // The window's size, at least the graph's least size, 18 % larger.
  CSize ContentSize() override;
  void Copy() override;
  void SaveSettings(COOpenWindows& store) override;

  void OnUpdate(CView* sender, long hint, void* hintObject) override;
  void OnGeneralUpdate(EUpdType kind) override;
  void Activated() override;

  // Reads the interval again: values, axis limits, statistics.
  // Follow: the interval moved on with a running task; only what it added
  // is read.
  void Recompute(bool follow = false);
  // The commands of the window's menu; each recomputes where the interval
  // moves and repaints.
  bool CanRun(Command command) override;
  void Run(Command command) override;
  void OnZoomIn() override;
  bool CanZoomIn() const override;
  void OnZoomOut() override;
  // axis 0 left, 1 right; fromZero: 0 to the data's maximum, else the
  // data's minimum to its maximum. Enabled only while the axis is fixed.
  void OnScale(int axis, bool fromZero);
  bool CanScale(int axis) const;
  void OnMoveFirst() override;
  void OnScrollBack() override;
  void OnScrollForward() override;
  void OnMoveLast() override;
  // "Window Properties...": the sheet on a copy of the interval; on OK the
  // copy replaces it, the cursors reset.
  void OnWindowProperties() override;
  // The Presentation program's fourth page of the sheet, on the interval the
  // sheet edits; none elsewhere.
  std::function<CPropertyPage*(COMeasInterval&)> eventPage;
  // A program's own interval page in the property sheet; none: the shared one.
  std::function<CPropertyPage*(COMeasInterval&)> intervalPage;

  // Cursor drag, in widget coordinates.
  void ButtonDown(CPoint p, bool shift);
  void MouseMove(CPoint p);
  void ButtonUp(CPoint p);
  void SetActivationTime(std::chrono::steady_clock::time_point t) { m_activated = t; }
  bool IsDragging() const { return m_dragging; }
  // The measurement nearest to x (relative to the plot's left edge); null
  // without measurements.
  const COMeas* Nearest(int x) const;
  const COMeas& DragAnchor() const { return m_anchor; }
  const COMeas& DragEnd() const { return m_dragEnd; }
  // The plot's place after the last full paint.
  CRect PlotRect() const { return m_plot; }
  int LastMeasNo() const { return m_lastMeasNo; }
  // The least size the graph is drawn at before scroll bars appear.
  CSize MinimumSize() const;
  const CCurve& Curve() const { return m_curve; }

  // The label sizes are measured again at the next paint.
  void Relayout() { m_relayout = true; }
  // Drawn over the plot (offset at its top left, its size given) after its
  // top line: the Calibration program's interval marks.
  using PlotDecoration = std::function<void(CODCWrapper&, const CSize& plot)>;
  void SetPlotDecoration(PlotDecoration decoration) { m_plotDecoration = std::move(decoration); }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  // Paints the whole graph into a page of the given size at the origin.
  void Paint(CDC& dc, CSize page, CPoint origin);
  void DrawCursors(CDC& dc);
  void DrawDragMarks(CDC& dc);
  void Repaint();
  void BuildIndex();
  bool IsCalibration() const;
  void UpdateScrollBars();
  CPoint ToPlot(CPoint widget) const { return CPoint(widget.x - m_plot.left, widget.y - m_plot.top); }

  COMeasView m_meas;
  bool m_painting = false;
  bool m_onScreen = false;
  std::chrono::steady_clock::time_point m_activated;
  int m_legendRows = -1;
  int m_textHeight = -1;
  COMeasBuffer m_buffer;
  // The buffer's measurements in order, for the curves and the nearest
  // measurement (the buffer holds them in memory after a pass).
  std::vector<const COMeas*> m_index;
  std::vector<COMeas> m_own;  // only when the buffer cannot hold them
  bool m_relayout = true;
  CLeftLegend m_leftLegend;
  CRightLegend m_rightLegend;
  CYAxis m_leftAxis;
  CYAxis m_rightAxis;
  CXAxis m_xAxis;
  CCurve m_curve;
  CRect m_plot;
  bool m_dragging = false;
  COMeas m_anchor;
  COMeas m_dragEnd;
  int m_lastMeasNo = 0;
  int m_legendGap = 3;
  CFont m_printFont;
  CFont m_smallFont;
  PlotDecoration m_plotDecoration;
  QScrollBar m_hBar;
  QScrollBar m_vBar;
};
