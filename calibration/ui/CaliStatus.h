#pragma once
// The calibration status: which intervals of the calibration measurement the
// user marked for each calibration mode, with the average of each; Mark
// Interval, Unmark All and Calculate, which runs the calculation on the marks
// and shows what it calculated; and the marks as the graph and numeric
// windows draw them.
//
// How a window shows the marks:
//  - graph: SetPlotDecoration on the graph view with a call of DrawGraphMarks
//    for the plot it is given and the view's curve mapping (CCurve::Position);
//  - numeric: for each row it draws, DrawNumericRow with the row's
//    measurement number, +1 (the rows run upwards in number), the row's
//    rectangle and where its label may start.
// Both redraw on the document's hint 13 (kHintRepaintAll), which Mark
// Interval and Unmark All send.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "COMeas.h"
#include "CaliCalculation.h"
#include "CaliContext.h"
#include "core/DeviceContext.h"
#include "core/Subject.h"

class CODCWrapper;
class COCursorStatus;
class COCaliSequence;
class QWidget;

namespace calibration {

class COCaliStatus : public CObserver {
 public:
  // An interval mark: the measurements at the left and right cursor.
  using Mark = CaliMark;
  // A mark's place in a window: a measurement and the label drawn at it.
  struct MarkPoint {
    COMeas meas;
    std::string label;
  };
  static constexpr platform::COLORREF kMarkColor = platform::RGB(0, 128, 0);

  // cursors: the windows' cursor status, whose cursor window's cursors Mark
  // Interval takes.
  COCaliStatus(CaliContext& context, COCursorStatus& cursors);
  ~COCaliStatus() override;

  // Kind 0 (another task opened) forgets every mark.
  void Update(CSubject* subject) override;

  // The interval between the cursors for the mode of its sequence; the
  // windows are redrawn. False when nothing was marked.
  bool MarkInterval();
  void UnmarkAll();
  // The calculation on the marks, its results kept in the context, then
  // "Calculation finished".
  void Calculate(QWidget* parent = nullptr);

  const CaliMarks& Marks() const { return m_marks; }
  const Mark& ZeroMark() const { return m_marks.zero; }
  const Mark& HumiditySpanMark() const { return m_marks.humiditySpan; }
  const Mark& InterferenceMark() const { return m_marks.interference; }
  const Mark& SpanHighMark(int filter) const { return m_marks.spanHigh[filter]; }
  const Mark& SpanLowMark(int filter) const { return m_marks.spanLow[filter]; }
  const COMeas& ZeroAverage() const { return m_marks.zero.average; }
  const COMeas& HumiditySpanAverage() const { return m_marks.humiditySpan.average; }
  const COMeas& InterferenceAverage() const { return m_marks.interference.average; }
  const COMeas& SpanHighAverage(int filter) const { return m_marks.spanHigh[filter].average; }
  const COMeas& SpanLowAverage(int filter) const { return m_marks.spanLow[filter].average; }

  // Every measurement of every set mark with its label; humidity
  // interference and span marks that start together are one "HIS" mark.
  std::vector<MarkPoint> MarkPoints() const;
  // Where a measurement stands across a plot cx wide.
  using XPosition = std::function<int(const COMeas& meas, int cx)>;
  // The marks within the plot, drawn with the drawing's offset at the plot's
  // top left: a green line from 3 above the plot to its bottom, a tick at
  // its top and the label beside it, on its left where the right side has
  // no room.
  void DrawGraphMarks(CODCWrapper& dc, const platform::CSize& plot, const XPosition& x) const;
  // The labels of the marks at a numeric window's row, "ZP, HS, SHA"; the
  // row of a mark's measurement and the next one in the direction step.
  std::string NumericLabel(int measNo, int step) const;
  // Green ticks at both ends of the row's top and the label from labelX.
  void DrawNumericRow(platform::CDC& dc, int measNo, int step, const platform::CRect& row, int labelX) const;

 private:
  // The average of the valid values of channels 0 to 6 between the two
  // measurements, as the calibrator takes it: signals in volts, the
  // temperature in kelvin. False, after the database's message, when the
  // measurements could not be read.
  bool Average(const COMeas& first, const COMeas& second, COMeas& average) const;
  // The sequence whose run holds the measurement, loaded into the sequence
  // given; false when there is none.
  bool FindSequence(const COMeas& meas, COCaliSequence& sequence) const;
  void Redraw();
  // The results of a calculation on the marks; none when it was refused.
  std::optional<CaliResults> Run();

  CaliContext& m_context;
  COCursorStatus& m_cursors;
  CaliMarks m_marks;
};

}  // namespace calibration
