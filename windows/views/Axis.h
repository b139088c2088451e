#pragma once
// The graph's drawing objects' base and its three axes: a horizontal axis of
// time or measurement number and two vertical axes. Each axis chooses its
// tick step from a fixed table so that labels never overlap, draws through
// the offset wrapper and hands the rest of the plot area on. The ranges come
// from the window's interval; the axes hold no data of their own.
#include <string>
#include <vector>

#include "DCWrapper.h"
#include "core/DeviceContext.h"

class COMeasInterval;

// Two words, both -1 at first; the legends keep their row height in the
// second.
class CVO {
 public:
  virtual ~CVO() = default;
  virtual int GetFirst() const { return m_first; }
  virtual int GetSecond() const { return m_second; }
  virtual void SetFirst(int v) { m_first = v; }
  virtual void SetSecond(int v) { m_second = v; }

 private:
  int m_first = -1;
  int m_second = -1;
};

// Dots per inch of the device behind dc (96 for one without a device).
int LogPixelsY(platform::CDC& dc);
int MulDiv(int a, int b, int c);

class CAxis : public CVO {
 public:
  void SetWindowData(COMeasInterval* interval) { m_interval = interval; }
  void SetLabelSize(int size) { m_labelSize = size; }
  int GetLabelSize() const { return m_labelSize; }
  // 4 on the screen, 4/80 inch on a printer.
  static int GetTickLength(CODCWrapper* dc);
  // How far the values keep from the plot's bottom and top edge on a
  // vertical axis of the given height: a tick's length, less on a plot too
  // low for it.
  static int GetValueInset(CODCWrapper* dc, int height);

  // A short text centred above the plot's top edge at x, in the font given
  // (none: the current one); the clip of the plot (cx, cy) is set again
  // afterwards.
  static void DrawCenteredLabel(const std::string& text, platform::COLORREF colour, int x, int cx, int cy,
                                CODCWrapper* dc, platform::CFont* font);
  // A short text to the right of a point.
  static void DrawLabel(const std::string& text, platform::COLORREF colour, int x, int y, platform::CDC* dc, platform::CFont* font);

 protected:
  COMeasInterval* m_interval = nullptr;  // not owned
  int m_labelSize = 0;
  int m_gap = 3;
  int m_lineOffset = 1;
};

class CYAxis : public CAxis {
 public:
  CYAxis();
  // 2: the left axis (labels right-aligned to its left, the interval's
  // axis 0); 0: the right axis (labels left-aligned, axis 1).
  void SetAlign(int align) { m_align = align; }
  int GetAlign() const { return m_align; }
  int AxisIndex() const { return m_align == 2 ? 0 : 1; }
  // The step for a plot of the given height; 0 when no label fits or the
  // range gives no finite positive step.
  double TickStep(int available) const;
  // The tick values for the step: none for a step of 0; never more than
  // the label slots allow.
  std::vector<double> Ticks(double step, int available) const;
  int LabelWidth(CODCWrapper* dc, platform::CSize* area);
  void Draw(CODCWrapper* dc, platform::CSize* area);

 private:
  std::vector<double> m_steps;
  int m_align = 2;
};

// The y of a value on a vertical axis height high whose range starts at min
// and is range wide (positive): the range spans the height less the inset
// at either end, so that a value at either limit of the range, such as a
// flat line at the lowest or highest value of the data, stands inside the
// plot, clear of the axis line below and the plot's top line.
double ValueToY(double value, double min, double range, int height, int inset);

class CXAxis : public CAxis {
 public:
  CXAxis();
  void SetExtent(int x0, int x1) {
    m_x0 = x0;
    m_x1 = x1;
  }
  int GetX0() const { return m_x0; }
  int GetX1() const { return m_x1; }
  void GetAxisPosition(CODCWrapper* dc, platform::CSize* out, int cx, int cy);
  // Measurements or seconds between two ticks; 0 when no label fits.
  long TickStep(int width) const;
  std::vector<long> Ticks(long step) const;
  void Draw(CODCWrapper* dc, platform::CSize* area);

 private:
  int m_x0 = 0;
  int m_x1 = 0;
  std::vector<int> m_timeSteps;
  std::vector<int> m_numberSteps;
};

// The colours the graph and the numeric window mark events and cursors in.
namespace marks {
constexpr platform::COLORREF kComment = 0xC00000;
constexpr platform::COLORREF kEvent = 0xC000FF;  // the letters C, P and W
constexpr platform::COLORREF kAlarm = 0x0000FF;
constexpr platform::COLORREF kTask = 0x808080;  // started and stopped
constexpr platform::COLORREF kCursor = 0x800000;
}  // namespace marks

// Filled marker triangles: tip down at the point (graph alarms), tip left
// (numeric window alarms), tip down of fixed size 5 (alarm list).
void DrawTriangleDown(CODCWrapper* dc, int x, int y, platform::COLORREF colour);
void DrawTriangleLeft(platform::CDC* dc, int x, int y, platform::COLORREF colour);
void DrawTriangleDownFixed(platform::CDC* dc, int x, int y, platform::COLORREF colour);
