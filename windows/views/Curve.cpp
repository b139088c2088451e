#include "Curve.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "MeasInterval.h"
#include "core/Text.h"

using platform::COLORREF;

namespace {

constexpr COLORREF kBlack = 0x000000;
// Points far outside the plot are moved along their segment to this
// distance, so that no coordinate overflows and the visible part stays.
constexpr double kFar = 100000.0;
// In a path: the point after it is moved to, not drawn to.
const platform::CPoint kPenUp(INT32_MIN, INT32_MIN);

// An event of the columns as the markers read it.
struct StoredEvent {
  const COMeasColumns& rows;
  size_t e;
  int GetType() const { return rows.EventType(e); }
  float GetValue() const { return rows.EventValue(e); }
  const std::string& GetText() const { return rows.EventText(e); }
};

uint64_t ColumnKey(const CColumn& c) {
  return static_cast<uint64_t>(c.GetChannel()) | static_cast<uint64_t>(c.GetUnit()) << 8 |
         static_cast<uint64_t>(c.GetAxis()) << 16 | static_cast<uint64_t>(c.GetPenStyle()) << 24 |
         static_cast<uint64_t>(c.GetColor()) << 32;
}

}  // namespace

bool CCurve::Key::operator==(const Key& o) const {
  return start == o.start && end == o.end && cx == o.cx && cy == o.cy && mode == o.mode && inset == o.inset &&
         min[0] == o.min[0] &&
         min[1] == o.min[1] && max[0] == o.max[0] && max[1] == o.max[1] && mask == o.mask &&
         generation == o.generation && columns == o.columns;
}

void CCurve::SetData(COMeasInterval* interval, const COMeasColumns* rows, std::vector<CColumn>* columns) {
  Invalidate();
  m_interval = interval;
  m_rows = rows;
  m_columns = columns;
}

void CCurve::SetData(COMeasInterval* interval, const std::vector<const COMeas*>* measurements,
                     std::vector<CColumn>* columns) {
  m_ownRows.Clear();
  if (measurements != nullptr)
    for (const COMeas* m : *measurements) m_ownRows.Append(*m);
  SetData(interval, measurements ? &m_ownRows : nullptr, columns);
}

void CCurve::SetConverted(const std::vector<std::vector<float>>* converted) {
  m_converted.clear();
  m_given = converted;
  m_convertedColumns.clear();
  if (m_columns != nullptr)
    for (const CColumn& c : *m_columns) m_convertedColumns.push_back(ColumnKey(c));
  m_convertedGeneration = m_generation;
}

CCurve::Mapping CCurve::MakeMapping(int cx, int cy) const {
  Mapping m;
  m.byNumber = m_interval->GetMeasMode() != 0;
  m.start = m_interval->GetStart();
  // An interval of one measurement, or one instant, is one unit wide.
  m.span = std::max(1.0, static_cast<double>(m_interval->GetEnd()) - m.start);
  m.cx = cx;
  m.cy = cy;
  m.inset = m_inset;
  for (int a = 0; a < 2; ++a) {
    m.min[a] = m_interval->GetAxisMin(a);
    const double range = static_cast<double>(m_interval->GetAxisMax(a)) - m.min[a];
    m.range[a] = range > 0.0 ? range : 1.0;
  }
  return m;
}

int CCurve::Mapping::X(const COMeas& m) const {
  return X(byNumber ? static_cast<double>(m.GetMeasNo()) : static_cast<double>(m.GetMeasTime().GetTime()));
}

int CCurve::Mapping::X(double pos) const {
  const double x = (pos - start) / span * cx;
  return static_cast<int>(std::trunc(std::clamp(x, -kFar, kFar)));
}

double CCurve::Mapping::Y(double v, int axis) const { return ValueToY(v, min[axis], range[axis], cy, inset); }

int CCurve::Position(const COMeas& m, int cx) const { return MakeMapping(cx, 0).X(m); }

int CCurve::Position(size_t i, int cx) const {
  const Mapping map = MakeMapping(cx, 0);
  return map.X(map.byNumber ? static_cast<double>(m_rows->Number(i)) : static_cast<double>(m_rows->Time(i)));
}

double CCurve::ValueY(double v, int axis, int cy) const { return MakeMapping(0, cy).Y(v, axis); }

CCurve::Key CCurve::MakeKey(int cx, int cy) const {
  Key k;
  k.start = m_interval->GetStart();
  k.end = m_interval->GetEnd();
  k.cx = cx;
  k.cy = cy;
  k.inset = m_inset;
  k.mode = m_interval->GetMeasMode();
  for (int a = 0; a < 2; ++a) {
    k.min[a] = m_interval->GetAxisMin(a);
    k.max[a] = m_interval->GetAxisMax(a);
  }
  k.mask = m_interval->GetChannelMask();
  k.generation = m_generation;
  for (const CColumn& c : *m_columns) k.columns.push_back(ColumnKey(c));
  return k;
}

template <typename EventAt, typename Value>
void CCurve::Markers(size_t count, const EventAt& at, const Value& value, int x, int cy, std::vector<Op>& out) {
  m_noLine = false;
  auto fill = [&](int fx, int fy, int w, int h, COLORREF c) { out.push_back({kFill, 0, fx, fy, w, h, c, 0}); };
  auto label = [&](const std::string& text, COLORREF c) {
    m_texts.push_back(text);
    out.push_back({kLabel, 0, x, 0, 0, 0, c, static_cast<int>(m_texts.size()) - 1});
  };
  for (size_t k = 0; k < count; ++k) {
    const auto& e = at(k);
    switch (e.GetType()) {
      case COEvent::typeTaskStarted:
        fill(x, 0, 3, 1, marks::kTask);
        fill(x, 0, 1, cy, marks::kTask);
        break;
      case COEvent::typeTaskStopped:
        m_noLine = true;
        fill(x - 3, 0, 3, 1, marks::kTask);  // the flag to the left
        fill(x, 0, 1, cy, marks::kTask);
        break;
      case COEvent::typeAlarm: {
        if (!m_interval->IsChannelShown(2)) break;
        const int channel = static_cast<int>(e.GetValue());
        for (const CColumn& c : *m_columns) {
          if (c.GetChannel() != channel || channel < 0 || channel >= COMeas::channelCount ||
              !COMeas::IsStoredValueValid(channel, value(channel)))
            continue;
          const MeasValue v = COValueConverter(*m_context, channel, c.GetUnit()).ConvertValue(value(channel));
          if (!v.IsValid()) continue;
          const double y = std::clamp(ValueY(v.GetValue(), c.GetAxis() == 0 ? 0 : 1, cy), -kFar, kFar);
          out.push_back({kTriangle, 0, x, static_cast<int>(std::trunc(y)), 0, 0, marks::kAlarm, 0});
        }
        break;
      }
      case COEvent::typeComment:
        if (!m_interval->IsChannelShown(0)) break;
        fill(x, 0, 1, cy, marks::kComment);
        label(platform::Trim(e.GetText()), marks::kComment);
        break;
      case COEvent::typeReadTimeout:
        if (!m_interval->IsChannelShown(3)) break;
        fill(x, 0, 1, cy, marks::kEvent);
        label("C", marks::kEvent);
        break;
      case COEvent::typeRestart:
      case COEvent::typeStatus:
      case COEvent::typeNoReading:
      case COEvent::typeFault: {
        if (!m_interval->IsChannelShown(4)) break;
        const int t = e.GetType();
        const COLORREF c = t <= COEvent::typeStatus ? marks::kEvent : kBlack;
        fill(x, 0, 1, cy, c);
        label(t == COEvent::typeRestart ? "P" : t == COEvent::typeStatus ? "W" : t == COEvent::typeNoReading ? "B" : "F", c);
        break;
      }
      default:
        break;
    }
  }
}

// The path stands at (x, first); the column's segments cover the span from
// its lowest to its highest point, drawn once, and the path goes on from
// where they ended.
void CCurve::CloseColumn(Trace& t) {
  if (t.low == t.high) return;
  if (t.first != t.low) {
    t.points.push_back(kPenUp);
    t.points.emplace_back(t.x, t.low);
  }
  t.points.emplace_back(t.x, t.high);
  if (t.last != t.high) {
    t.points.push_back(kPenUp);
    t.points.emplace_back(t.x, t.last);
  }
}

void CCurve::EndPath(Trace& t, int column) {
  if (!t.open) return;
  t.open = false;
  CloseColumn(t);
  if (t.points.size() >= 2) {
    t.ended->push_back({t.when, column, std::move(t.points)});
    t.points = std::vector<platform::CPoint>();
  }
  t.points.clear();
}

void CCurve::ContinueAt(Trace& t, int column, int x, int y) {
  if (t.open && t.x == x && t.last == y) return;
  EndPath(t, column);
  t.open = true;
  t.x = x;
  t.first = t.low = t.high = t.last = y;
  t.points.emplace_back(x, y);
}

void CCurve::Segment(Trace& t, int column, int x1, double y1d, int x2, double y2d, int cy) {
  // Ends far off the plot move along the segment towards it.
  const double lo = -kFar, hi = cy + kFar;
  auto pull = [&](int& xa, double& ya, int xb, double yb) {
    if (ya >= lo && ya <= hi) return;
    const double bound = ya < lo ? lo : hi;
    const double f = (bound - yb) / (ya - yb);
    xa = static_cast<int>(std::trunc(xb + (xa - xb) * f));
    ya = bound;
  };
  pull(x1, y1d, x2, y2d);
  pull(x2, y2d, x1, y1d);
  const int y1 = static_cast<int>(std::trunc(y1d));
  const int y2 = static_cast<int>(std::trunc(y2d));
  ContinueAt(t, column, x1, y1);
  if (x2 == t.x) {
    t.low = std::min(t.low, y2);
    t.high = std::max(t.high, y2);
    t.last = y2;
    return;
  }
  // Leaving the pixel column: its span, then on to the next one.
  CloseColumn(t);
  t.points.emplace_back(x2, y2);
  t.x = x2;
  t.first = t.low = t.high = t.last = y2;
}

void CCurve::Build(int cx, int cy) {
  m_ops.clear();
  m_points.clear();
  m_texts.clear();
  m_lastNumber = 0;
  const COMeasColumns& d = *m_rows;
  const size_t rows = d.Size();
  // A single measurement draws neither lines nor markers.
  if (rows < 2) {
    if (rows == 1) m_lastNumber = d.Number(0);
    return;
  }
  const std::vector<CColumn>& cols = *m_columns;
  const size_t n = cols.size();
  const Mapping map = MakeMapping(cx, cy);
  std::vector<double> lo(n), hi(n);
  std::vector<int> axes(n);
  for (size_t c = 0; c < n; ++c) {
    axes[c] = cols[c].GetAxis() == 0 ? 0 : 1;
    lo[c] = m_interval->GetAxisMin(axes[c]);
    hi[c] = m_interval->GetAxisMax(axes[c]);
  }
  // The values in their units, made once for the data.
  std::vector<uint64_t> keys;
  for (const CColumn& c : cols) keys.push_back(ColumnKey(c));
  const std::vector<std::vector<float>>* converted = m_given != nullptr ? m_given : &m_converted;
  auto fits = [&] {
    return converted->size() == n &&
           std::all_of(converted->begin(), converted->end(), [&](const std::vector<float>& v) { return v.size() == rows; });
  };
  if (m_convertedGeneration != m_generation || keys != m_convertedColumns || !fits()) {
    std::vector<COValueConverter> converters;
    for (const CColumn& c : cols) converters.emplace_back(*m_context, c.GetChannel(), c.GetUnit());
    SetConverted(nullptr);
    m_converted = ConvertColumns(d, converters);
    converted = &m_converted;
  }
  const int* numbers = d.Numbers();
  const time_t* times = d.Times();
  auto position = [&](size_t i) { return map.byNumber ? static_cast<double>(numbers[i]) : static_cast<double>(times[i]); };
  auto xAt = [&](size_t i) { return map.X(position(i)); };

  // The markers, row by row; a stop ends the lines after its row.
  std::vector<Op> markers;
  std::vector<uint64_t> markerWhen;
  // The rows with events, in order, and whether each stops the lines.
  std::vector<size_t> markedRows;
  std::vector<char> stops;
  for (size_t e = 0; e < d.EventCount();) {
    const size_t i = d.EventRow(e);
    size_t end = e;
    while (end < d.EventCount() && d.EventRow(end) == i) ++end;
    Markers(end - e, [&](size_t k) { return StoredEvent{d, e + k}; }, [&](int ch) { return d.Value(i, ch); }, xAt(i),
            cy, markers);
    markerWhen.resize(markers.size(), static_cast<uint64_t>(i) * 4 + 2);
    markedRows.push_back(i);
    stops.push_back(m_noLine);
    e = end;
  }
  m_noLine = false;

  // Many rows share a pixel column: a block of them all on one x, without
  // events, every value valid and on the axis, only widens the column's
  // span, which the block's lowest and highest value give without tracing
  // each segment. kMixed: the block spans several x.
  constexpr size_t kBlock = 32;
  constexpr int kMixed = INT32_MIN;
  std::vector<int> blockX(rows / kBlock, kMixed);
  for (size_t b = 0; b < blockX.size(); ++b) {
    double low = position(b * kBlock), high = low;
    for (size_t i = b * kBlock + 1; i < (b + 1) * kBlock; ++i) {
      low = std::min(low, position(i));
      high = std::max(high, position(i));
    }
    const int x = map.X(low);
    if (x == map.X(high)) blockX[b] = x;
  }

  // Each curve on its own, side by side.
  std::vector<std::vector<Path>> paths(n);
  ForEachColumn(n, rows, [&](size_t c) {
    Trace t;
    t.ended = &paths[c];
    const int column = static_cast<int>(c);
    const float* y = (*converted)[c].data();
    double prevV = 0, prevY = 0, curV = 0, curY = 0;
    bool prevValid = MeasValue(y[0]).IsValid();
    if (prevValid) {
      prevV = y[0];
      prevY = map.Y(prevV, axes[c]);
    }
    int prevX = xAt(0);
    size_t mark = 0;  // the first row with events at or after i - 1
    for (size_t i = 1; i < rows; ++i) {
      while (mark < markedRows.size() && markedRows[mark] < i - 1) ++mark;
      const size_t b = (i - 1) / kBlock;
      if ((i - 1) % kBlock == 0 && b < blockX.size() && blockX[b] != kMixed && prevValid &&
          (mark == markedRows.size() || markedRows[mark] >= (b + 1) * kBlock)) {
        const float* v = y + b * kBlock;
        bool clean = true;
        float low = v[0], high = v[0];
        for (size_t k = 0; k < kBlock; ++k) {
          clean &= v[k] != MeasValue::kNoValue && v[k] >= lo[c] && v[k] <= hi[c];
          low = std::min(low, v[k]);
          high = std::max(high, v[k]);
        }
        if (clean) {
          // As the segments through the block would have traced it.
          t.when = static_cast<uint64_t>(i) * 4;
          const int x = blockX[b];
          ContinueAt(t, column, x, static_cast<int>(std::trunc(prevY)));
          const int ya = static_cast<int>(std::trunc(map.Y(low, axes[c])));
          const int yb = static_cast<int>(std::trunc(map.Y(high, axes[c])));
          t.low = std::min({t.low, ya, yb});
          t.high = std::max({t.high, ya, yb});
          const size_t last = (b + 1) * kBlock - 1;
          prevV = y[last];
          prevY = map.Y(prevV, axes[c]);
          curV = y[last - 1];
          curY = map.Y(curV, axes[c]);
          t.last = static_cast<int>(std::trunc(prevY));
          prevX = x;
          i = last;
          continue;
        }
      }
      const bool curValid = MeasValue(y[i]).IsValid();
      if (curValid) {
        curV = y[i];
        curY = map.Y(curV, axes[c]);
      }
      const int x = xAt(i);
      t.when = static_cast<uint64_t>(i) * 4;
      const bool inRange = (prevV >= lo[c] && prevV <= hi[c]) || (curV >= lo[c] && curV <= hi[c]);
      const bool stop = mark < markedRows.size() && markedRows[mark] == i - 1 && stops[mark];
      if (!prevValid || !curValid || stop || !inRange)
        EndPath(t, column);
      else
        Segment(t, column, prevX, prevY, x, curY, cy);
      std::swap(prevV, curV);
      std::swap(prevY, curY);
      prevValid = curValid;
      prevX = x;
      // A marker stands over the lines before it and under those after it.
      const size_t next = mark < markedRows.size() && markedRows[mark] == i - 1 ? mark + 1 : mark;
      if (next < markedRows.size() && markedRows[next] == i) {
        t.when = static_cast<uint64_t>(i) * 4 + 1;
        EndPath(t, column);
      }
    }
    t.when = static_cast<uint64_t>(rows) * 4;
    EndPath(t, column);
  });

  // The paths and markers in the order of one pass over the rows.
  std::vector<const Path*> ordered;
  for (const auto& column : paths)
    for (const Path& p : column) ordered.push_back(&p);
  std::sort(ordered.begin(), ordered.end(), [](const Path* a, const Path* b) {
    return a->when != b->when ? a->when < b->when : a->column < b->column;
  });
  size_t marker = 0;
  for (const Path* p : ordered) {
    for (; marker < markers.size() && markerWhen[marker] < p->when; ++marker) m_ops.push_back(markers[marker]);
    m_ops.push_back({kPath, p->column, static_cast<int>(m_points.size()), 0, static_cast<int>(p->points.size()), 0, 0, 0});
    m_points.insert(m_points.end(), p->points.begin(), p->points.end());
  }
  for (; marker < markers.size(); ++marker) m_ops.push_back(markers[marker]);
  m_lastNumber = d.Number(rows - 1);
}

void CCurve::Replay(const std::vector<Op>& ops, CODCWrapper* dc, int cx, int cy) {
  // Pens are made once per paint, one per column, however many there are.
  std::vector<platform::CPen> pens;
  pens.reserve(m_columns->size());
  for (const CColumn& c : *m_columns) pens.emplace_back(c.GetPenStyle(), 1, c.GetColor());
  platform::CPen* old = nullptr;
  for (const Op& op : ops) {
    switch (op.kind) {
      case kPath: {
        platform::CPen* before = dc->SelectObject(&pens[static_cast<size_t>(op.column)]);
        if (old == nullptr) old = before;
        const platform::CPoint* p = &m_points[static_cast<size_t>(op.x)];
        dc->MoveTo(p[0].x, p[0].y);
        for (int k = 1; k < op.w; ++k) {
          if (p[k] == kPenUp) {
            ++k;
            dc->MoveTo(p[k].x, p[k].y);
          } else {
            dc->LineTo(p[k].x, p[k].y);
          }
        }
        break;
      }
      case kFill:
        dc->FillSolidRect(op.x, op.y, op.w, op.h, op.colour);
        break;
      case kLabel:
        break;
      case kTriangle:
        DrawTriangleDown(dc, op.x, op.y, op.colour);
        break;
    }
  }
  if (old) dc->SelectObject(old);
  // The labels stand above the plot, outside its clip, which each of them
  // lifts and narrows again: they come last, so that no marker after one is
  // cut by the narrowed clip.
  for (const Op& op : ops)
    if (op.kind == kLabel)
      CAxis::DrawCenteredLabel(m_texts[static_cast<size_t>(op.text)], op.colour, op.x, cx, cy, dc, m_font);
  dc->GetDC()->SetBkColor(0xFFFFFF);
}

void CCurve::Draw(CODCWrapper* dc, platform::CSize* area, int* lastMeasNo) {
  if (m_interval == nullptr || m_rows == nullptr || m_columns == nullptr) return;
  m_inset = CAxis::GetValueInset(dc, area->cy);
  Key key = MakeKey(area->cx, area->cy);
  if (!m_built || !(key == m_key)) {
    Build(area->cx, area->cy);
    m_key = std::move(key);
    m_built = true;
  }
  Replay(m_ops, dc, area->cx, area->cy);
  if (!m_rows->Empty() && m_lastNumber >= *lastMeasNo) *lastMeasNo = m_lastNumber;
}

void CCurve::DrawEventMarkers(const COMeas& m, int cx, int cy, CODCWrapper* dc) {
  std::vector<Op> ops;
  m_inset = CAxis::GetValueInset(dc, cy);
  const std::vector<COEvent>& events = m.GetEvents();
  Markers(events.size(), [&](size_t k) -> const COEvent& { return events[k]; },
          [&](int ch) { return m.GetValue(ch).GetValue(); }, Position(m, cx), cy, ops);
  Replay(ops, dc, cx, cy);
}
