#pragma once
// The graph's curves, one polyline per displayed column, and the event
// markers of every measurement: vertical lines, letters, comment texts and
// alarm triangles.
//
// One pass over the measurements turns them into a picture whose size
// follows the plot, not the measurement count: within one pixel column a
// curve keeps only where it enters, its lowest and highest point and where
// it leaves, which covers the same pixels as every segment would. The
// picture is kept until the data, the plot size or the scaling change, so a
// repaint (a cursor moved) only replays it.
#include <cstdint>
#include <string>
#include <vector>

#include "Axis.h"
#include "COMeas.h"
#include "MeasColumns.h"

class CColumn;
class COMeasInterval;
class DataContext;

class CCurve : public CVO {
 public:
  explicit CCurve(DataContext& context) : m_context(&context) {}
  // rows: the window's measurements in reading order (not owned; they must
  // stay put until the next SetData or Invalidate).
  void SetData(COMeasInterval* interval, const COMeasColumns* rows, std::vector<CColumn>* columns);
  // The same for measurements one by one, which the curve copies.
  void SetData(COMeasInterval* interval, const std::vector<const COMeas*>* measurements,
               std::vector<CColumn>* columns);
  // The small font for marker labels; none: the current font.
  void SetFont(platform::CFont* font) { m_font = font; }
  // The data changed: the next Draw makes the picture again.
  void Invalidate() {
    ++m_generation;
    m_converted.clear();
    m_given = nullptr;
  }
  // The columns' values in their units (ConvertColumns), made elsewhere for
  // the data of the last SetData (not owned; they must stay put as the
  // rows); else each Build makes them.
  void SetConverted(const std::vector<std::vector<float>>* converted);

  // Draws every curve and marker into the plot of size area; raises
  // *lastMeasNo to the number of the last measurement drawn.
  void Draw(CODCWrapper* dc, platform::CSize* area, int* lastMeasNo);
  // The markers of one measurement.
  void DrawEventMarkers(const COMeas& m, int cx, int cy, CODCWrapper* dc);

  // The x of a measurement in a plot cx wide (number or time against the
  // interval's ends).
  int Position(const COMeas& m, int cx) const;
  // The same for row i of the data.
  int Position(size_t i, int cx) const;
  // The y of a value on an axis in a plot cy high, kept off its edges as
  // in the last drawing.
  double ValueY(double v, int axis, int cy) const;
  // Calls of the last picture made, for tests of its size.
  size_t PictureSize() const { return m_ops.size() + m_points.size(); }

 private:
  enum OpKind : uint8_t { kPath, kFill, kLabel, kTriangle };
  struct Op {
    OpKind kind;
    int column;  // pen of a path
    int x, y, w, h;  // fill; x, y of a label or triangle; path: first point, count
    platform::COLORREF colour;
    int text;  // a label's index in m_texts
  };
  // A path of a curve as traced, and when in the pass it ended: row * 4 and
  // a phase (0 at the row, 1 before the row's markers), which orders the
  // paths of all curves as one pass over the rows would have drawn them.
  struct Path {
    uint64_t when;
    int column;
    std::vector<platform::CPoint> points;
  };
  // A curve being traced: the open pixel column and the points of the path.
  struct Trace {
    bool open = false;
    int x = 0, first = 0, low = 0, high = 0, last = 0;
    std::vector<platform::CPoint> points;
    uint64_t when = 0;
    std::vector<Path>* ended = nullptr;
  };
  struct Key {
    long start = 0, end = 0;
    int cx = -1, cy = -1, mode = -1, inset = -1;
    float min[2] = {0, 0}, max[2] = {0, 0};
    uint32_t mask = 0;
    uint64_t generation = 0;
    std::vector<uint64_t> columns;
    bool operator==(const Key& o) const;
  };
  // Position and value to plot coordinates, the interval's ends and the
  // axes' limits taken once.
  struct Mapping {
    bool byNumber = true;
    double start = 0, span = 1;
    int cx = 0, cy = 0, inset = 0;
    double min[2] = {0, 0}, range[2] = {1, 1};
    int X(const COMeas& m) const;
    int X(double position) const;
    double Y(double v, int axis) const;
  };
  Mapping MakeMapping(int cx, int cy) const;
  Key MakeKey(int cx, int cy) const;
  void Build(int cx, int cy);
  // The markers of the count events at(0) to at(count - 1) of a measurement
  // whose stored value of a channel value(channel) gives.
  template <typename EventAt, typename Value>
  void Markers(size_t count, const EventAt& at, const Value& value, int x, int cy, std::vector<Op>& out);
  void Segment(Trace& t, int column, int x1, double y1, int x2, double y2, int cy);
  void CloseColumn(Trace& t);
  void EndPath(Trace& t, int column);
  // The path goes on from (x, y), or a new one starts there.
  void ContinueAt(Trace& t, int column, int x, int y);
  void Replay(const std::vector<Op>& ops, CODCWrapper* dc, int cx, int cy);

  DataContext* m_context;
  bool m_noLine = false;
  COMeasInterval* m_interval = nullptr;
  const COMeasColumns* m_rows = nullptr;
  COMeasColumns m_ownRows;  // the copy of measurements handed one by one
  std::vector<CColumn>* m_columns = nullptr;
  platform::CFont* m_font = nullptr;
  uint64_t m_generation = 0;

  std::vector<std::vector<float>> m_converted;  // made by Build
  const std::vector<std::vector<float>>* m_given = nullptr;  // or by SetConverted
  std::vector<uint64_t> m_convertedColumns;  // the column keys they were made for
  uint64_t m_convertedGeneration = 0;

  Key m_key;
  bool m_built = false;
  std::vector<Op> m_ops;
  std::vector<platform::CPoint> m_points;
  std::vector<std::string> m_texts;
  int m_lastNumber = 0;
  int m_inset = 0;  // the values' distance from the plot's edges (Axis.h)
};
