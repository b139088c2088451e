#pragma once
// The graph window: the measurements of its interval as curves over time or
// measurement number, two legends, three axes, event markers, and the two
// cursors dragged over the plot, whose range the cursor-value window shows.
#include <QScrollBar>
#include <functional>
#include <vector>

#include "Axis.h"
#include "Curve.h"
#include "GraphProperties.h"
#include "Legend.h"
#include "IntervalView.h"

class CGraphView : public CIntervalView {
 public:
  // Throws TooManyWindows when every graph window number is taken.
  CGraphView(CWindowLayer& layer, CDocument* document, QWidget* parent = nullptr);

  void Draw(platform::CDC& dc, const platform::CRect& client) override;
  // One page: the graph on the middle four fifths, a title line above it.
  void DrawPage(platform::CDC& dc, const platform::CSize& page, int pageNumber) override;
  // The window's size, at least the graph's least size, 18 % larger.
  platform::CSize ContentSize() override;
  void Copy() override;

  // The commands of the window's menu besides the interval's.
  bool CanRun(Command command) override;
  void Run(Command command) override;
  void OnZoomIn() override;
  bool CanZoomIn() const override;
  // axis 0 left, 1 right; fromZero: 0 to the data's maximum, else the
  // data's minimum to its maximum. Enabled only while the axis is fixed.
  void OnScale(int axis, bool fromZero);
  bool CanScale(int axis) const;

  // The measurement nearest to x (relative to the plot's left edge); null
  // without measurements.
  const COMeas* Nearest(int x) const;
  // The plot's place after the last full paint.
  platform::CRect PlotRect() const { return m_plot; }
  int LastMeasNo() const { return m_lastMeasNo; }
  // The least size the graph is drawn at before scroll bars appear.
  platform::CSize MinimumSize() const;
  const CCurve& Curve() const { return m_curve; }

  // The label sizes are measured again at the next paint.
  void Relayout() override { m_relayout = true; }
  // Drawn over the plot (offset at its top left, its size given) after its
  // top line: the Calibration program's interval marks.
  using PlotDecoration = std::function<void(CODCWrapper&, const platform::CSize& plot)>;
  void SetPlotDecoration(PlotDecoration decoration) { m_plotDecoration = std::move(decoration); }

 protected:
  void Loaded(bool follow) override;
  bool NeedsStatistics() const override { return true; }
  const COMeas* MeasAt(platform::CPoint p, bool onlyInside) override;
  bool RunProperties(COMeasInterval& copy) override;
  bool KeepsPlace() override;
  platform::CSize ScrollSize() override { return MinimumSize(); }

 private:
  // Paints the whole graph into a page of the given size at the origin.
  void Paint(platform::CDC& dc, platform::CSize page, platform::CPoint origin);
  void DrawCursors(platform::CDC& dc);
  void DrawDragMarks(platform::CDC& dc);
  platform::CPoint ToPlot(platform::CPoint widget) const { return platform::CPoint(widget.x - m_plot.left, widget.y - m_plot.top); }

  int m_legendRows = -1;
  int m_textHeight = -1;
  // The measurement Nearest found last.
  mutable COMeas m_nearest;
  bool m_relayout = true;
  CLeftLegend m_leftLegend;
  CRightLegend m_rightLegend;
  CYAxis m_leftAxis;
  CYAxis m_rightAxis;
  CXAxis m_xAxis;
  CCurve m_curve;
  platform::CRect m_plot;
  int m_lastMeasNo = 0;
  int m_legendGap = 3;
  PlotDecoration m_plotDecoration;
};
