#pragma once
// What a graph or numeric window shows: the stretch of measurements (by
// number or by time), the rolling average, the axes' scaling, the columns and
// the cursors. The data part lives here, for the window store, the alarms and
// the measurement reader; the windows add the drawing and the statistics pass.
#include <cstdint>
#include <string>
#include <vector>

#include "COMeas.h"
#include "core/Geometry.h"
#include "core/Time.h"

class COMeasBuffer;
class COMeasColumns;
class COValueConverter;
class COMeasInterval;
class COSequence;
class ShownSequence;
class DataContext;
struct ProgramProfile;

// Statistics of one column between the cursors; 1e34 means "no figure".
struct COMeasStatistics {
  static constexpr double kNone = 1e34;
  uint32_t m_count = 0;
  double m_maximum = kNone;
  double m_minimum = kNone;
  double m_average = kNone;
  double m_stdDev = kNone;
  double m_slope = kNone;

  bool HasValues() const { return m_count != 0; }
  double GetMaximum() const { return m_maximum; }
  double GetMinimum() const { return m_minimum; }
  double GetAverage() const { return m_average; }
  double GetStdDev() const { return m_stdDev; }
  double GetSlope() const { return m_slope; }
  void SetCount(uint32_t c) { m_count = c; }
  void SetMaximum(double v) { m_maximum = v; }
  void SetMinimum(double v) { m_minimum = v; }
  void SetAverage(double v) { m_average = v; }
  void SetStdDev(double v) { m_stdDev = v; }
  void SetSlope(double v) { m_slope = v; }
};

// The curve colours by colour index 0 to 6 (red, green, blue, yellow, cyan,
// magenta, black); index 7 is a column's own colour.
extern const platform::COLORREF kCurvePalette[7];

// One displayed channel: a curve of a graph or a column of a numeric window.
class CColumn {
 public:
  // In the gas unit of the program's system set-up (µV in the Calibration
  // program).
  explicit CColumn(DataContext& context);
  CColumn(const CColumn& other) { Copy(other); }
  // Copies everything but the statistics.
  CColumn& operator=(const CColumn& other) {
    Copy(other);
    return *this;
  }
  void Copy(const CColumn& other);

  void SetSequence(const ShownSequence* sequence, COMeasInterval* owner) {
    m_sequence = sequence;
    m_owner = owner;
  }
  const ShownSequence* GetSequence() const { return m_sequence; }
  COMeasInterval* GetOwner() const { return m_owner; }

  void SetAxis(unsigned char axis) { m_axis = axis; }
  unsigned char GetAxis() const { return m_axis; }
  void SetChannel(unsigned char channel) { m_channel = channel; }
  unsigned char GetChannel() const { return m_channel; }
  void SetUnit(unsigned char unit) { m_unit = unit; }
  unsigned char GetUnit() const { return m_unit; }
  void SetPenStyle(unsigned char style) { m_penStyle = style; }
  unsigned char GetPenStyle() const { return m_penStyle; }
  void SetColorIndex(unsigned char index) { m_colorIndex = index; }
  unsigned char GetColorIndex() const { return m_colorIndex; }
  // Sets colour index 7 and keeps the colour.
  void SetCustomColor(platform::COLORREF color) {
    m_colorIndex = 7;
    m_customColor = color;
  }
  platform::COLORREF GetCustomColor() const { return m_customColor; }
  // The palette entry, or the custom colour for index 7.
  platform::COLORREF GetColor() const;
  // The unit of the channel from the system set-up (temperature keeps its own).
  void SetDefaultUnit();
  // 'A'..'E' for the gases, 'W', 'T', 'P'; 'Z' for anything else.
  char GetChannelLetter() const;
  // The program the column is shown in.
  const ProgramProfile& GetProgram() const;
  // The sequence's name of the channel; empty without a sequence.
  std::string GetChannelName() const;
  std::string GetUnitText() const;
  const COMeasStatistics& GetStatistics() const { return m_statistics; }

  COMeasStatistics m_statistics;

 private:
  friend class CORecOpenColumns;
  DataContext* m_context;
  unsigned char m_axis = 0xFF;
  unsigned char m_channel = 0;
  unsigned char m_unit = 0;
  unsigned char m_penStyle = 0;
  unsigned char m_colorIndex = 0;
  platform::COLORREF m_customColor = 0;
  COMeasInterval* m_owner = nullptr;
  const ShownSequence* m_sequence = nullptr;
};

class COMeasInterval {
 public:
  enum Mode { kByTime = 0, kByNumber = 1 };

  // The columns are one per channel that the program's active sequence
  // measures, ending at its latest measurement.
  explicit COMeasInterval(DataContext& context);
  COMeasInterval(const COMeasInterval& other) : m_context(other.m_context) { *this = other; }
  COMeasInterval& operator=(const COMeasInterval& other);

  unsigned char GetMeasMode() const { return m_mode; }
  void SetMeasMode(unsigned char mode) { m_mode = mode; }
  unsigned char GetMeasAvg() const { return m_rollingAvgOn; }
  void SetMeasAvg(unsigned char on) { m_rollingAvgOn = on; }
  // The rolling-average length: measurements by number, minutes by time.
  int GetInterval() const { return m_length; }
  void SetInterval(int length) { m_length = length; }
  unsigned char GetAutoScaleMode(int axis) const { return m_scaleMode[Axis(axis)]; }
  void SetAutoScaleMode(int axis, unsigned char mode) { m_scaleMode[Axis(axis)] = mode; }
  float GetScaleMin(int axis) const { return m_fixedMin[Axis(axis)]; }
  void SetScaleMin(int axis, float v) { m_fixedMin[Axis(axis)] = v; }
  float GetScaleMax(int axis) const { return m_fixedMax[Axis(axis)]; }
  void SetScaleMax(int axis, float v) { m_fixedMax[Axis(axis)] = v; }
  float GetDataMin(int axis) const { return m_autoMin[Axis(axis)]; }
  float GetDataMax(int axis) const { return m_autoMax[Axis(axis)]; }
  // The axis ends in use: fixed, from zero or the data's.
  float GetAxisMin(int axis) const;
  float GetAxisMax(int axis) const;

  int GetFirst() const { return m_first; }
  int GetLast() const { return m_last; }
  void SetStartTime(const platform::CTime& t) { m_startTime = t; }
  void SetEndTime(const platform::CTime& t) { m_endTime = t; }
  platform::CTime GetEndTime() const { return m_endTime; }
  // The start rebuilt from its local-time fields, so that the current
  // daylight-saving rule applies.
  platform::CTime GetStartTime() const;
  long GetStart() const;
  long GetEnd() const;
  int GetCount() const { return m_last < m_first ? 1 : m_last - m_first + 1; }
  long GetTimeSpan() const;
  // Whether the measurement lies inside: by its number or by its time, as
  // the interval counts.
  bool Holds(const COMeas& meas) const;
  void SetLength(int n) { m_first = m_last - n + 1; }
  void SetTimeSpan(long seconds) { m_startTime = m_endTime - platform::CTimeSpan(seconds); }
  // Keeps both spans and moves the end to the time and number given.
  void MoveTo(const platform::CTime& endTime, int lastNumber);
  // The lower- and higher-numbered measurement become the ends.
  void ZoomTo(COMeas a, COMeas b);
  // Doubles the span by moving the start back; a tiny span counts as 2
  // measurements or 40 seconds so that zooming out always widens.
  void ZoomOut();
  void ScrollBack();
  void ScrollForward();
  // Moves to the task's first or last measurement, keeping the span; a
  // database failure leaves the interval where it was. Both reset the cursors.
  void MoveToFirst();
  void MoveToLast();

  // One pass over the measurements: the axes' data limits, the cursor
  // measurements and each column's statistics between the cursors.
  void LoadData(COMeasBuffer& buffer);
  void LoadData(const COMeasColumns& rows);
  // The same pass with the columns' values converted beforehand
  // (ConvertColumns): it touches nothing of the program, so it may run on
  // another thread, on a copy of the interval.
  void LoadData(const COMeasColumns& rows, const std::vector<std::vector<float>>& converted);
  // A converter per column.
  std::vector<COValueConverter> MakeConverters() const;
  void LoadData(const std::vector<COMeas>& measurements);
  // The figures of a pass made on another copy of the interval: the axes'
  // data limits, the cursor measurements, the statistics and the means.
  void TakeFigures(const COMeasInterval& pass);
  // The same pass for cursors that moved since pass was made over the same
  // rows: what does not depend on the cursors (the limits and the means) is
  // pass's, and only the rows between the cursors are gone over.
  void LoadCursorFigures(const COMeasColumns& rows, const std::vector<std::vector<float>>& converted,
                         const COMeasInterval& pass);
  // The mean of the valid stored values of channel 0 to 6 in the last pass,
  // 3e34 when it had none (the Calibration program's interval marks).
  double GetChannelMean(int channel) const {
    return channel >= 0 && channel < 7 ? m_channelMeans[channel] : kNoMean;
  }
  static constexpr double kNoMean = 3e34;

  bool IsChannelShown(int channel) const;
  void SetChannelShown(int channel, bool shown);
  // Before the start of the interval (by number or by time) and not past its end.
  bool IsBeforeInterval(const COMeas& meas) const;
  uint32_t GetChannelMask() const { return m_channelMask; }
  void SetChannelMask(uint32_t mask) { m_channelMask = mask; }

  int GetLeftCursor() const { return m_leftCursor; }
  void SetLeftCursor(int n) { m_leftCursor = n; }
  int GetRightCursor() const { return m_rightCursor; }
  void SetRightCursor(int n) { m_rightCursor = n; }
  COMeas* GetLeftCursorMeas() { return &m_leftMeas; }
  COMeas* GetRightCursorMeas() { return &m_rightMeas; }
  void ResetCursors();
  void MoveCursorsRight() {
    ++m_leftCursor;
    ++m_rightCursor;
  }

  std::vector<CColumn>& GetColumns() { return m_columns; }
  const std::vector<CColumn>& GetColumns() const { return m_columns; }

 private:
  friend class CORecOpenWindows;
  friend class COStatisticsPass;
  static int Axis(int axis) { return axis == 0 ? 0 : 1; }
  long HalfSpan() const { return (GetEnd() - GetStart()) >> 1; }
  void Shift(long by);

  DataContext* m_context;
  std::vector<CColumn> m_columns;
  unsigned char m_mode = kByTime;
  unsigned char m_rollingAvgOn = 0;
  int m_length = 10;
  unsigned char m_scaleMode[2] = {0, 0};
  float m_fixedMax[2] = {50.0f, 50.0f};
  float m_fixedMin[2] = {0.0f, 0.0f};
  float m_autoMax[2] = {20.0f, 30.0f};
  float m_autoMin[2] = {0.0f, 0.0f};
  int m_first = 0;
  int m_last = 0;
  platform::CTime m_startTime;
  platform::CTime m_endTime;
  uint32_t m_channelMask = 0xFFFFFFFFu;
  int m_leftCursor = 0;
  int m_rightCursor = 0;
  COMeas m_leftMeas;
  COMeas m_rightMeas;
  std::vector<float> m_floats;  // owned, not copied
  double m_channelMeans[7] = {kNoMean, kNoMean, kNoMean, kNoMean, kNoMean, kNoMean, kNoMean};
};

// A channel's value in a unit: gases and water from ppm, pressure from hPa,
// detector signals and temperature in the Calibration program. Absent for
// channels without a conversion. Presence of the stored value is not tested.
MeasValue GetConvertedValue(DataContext& context, const COMeas& meas, int channel, int unit);

// The same conversion of one channel into one unit, with what it needs of
// the program's settings looked up once: a pass converts many values alike.
class COValueConverter {
 public:
  COValueConverter(DataContext& context, int channel, int unit);
  // Converts nothing.
  COValueConverter() : m_channel(-1), m_unit(0) {}
  MeasValue Convert(const COMeas& meas) const { return ConvertValue(meas.GetValue(m_channel)); }
  // The stored value v of the channel.
  MeasValue ConvertValue(float v) const;
  // The channel's column of the rows in the unit; kNoValue where the stored
  // value does not count or has no conversion.
  std::vector<float> ConvertColumn(const COMeasColumns& rows) const;
  // Appends the rows' values from row from on to out, converted.
  void ConvertInto(const COMeasColumns& rows, size_t from, std::vector<float>& out) const;
  // The same conversion of the same channel.
  bool operator==(const COValueConverter& o) const {
    return m_kind == o.m_kind && m_channel == o.m_channel && m_unit == o.m_unit && m_mw == o.m_mw &&
           m_normTemp == o.m_normTemp && m_tempUnit.GetUnit() == o.m_tempUnit.GetUnit();
  }

 private:
  enum Kind { kNone, kSignal, kTemperature, kPressure, kGas, kWater };
  Kind m_kind = kNone;
  int m_channel;
  int m_unit;
  float m_mw = 0.0f;
  float m_normTemp = 0.0f;
  COTempUnit m_tempUnit;
};
// Each converter's column of the rows.
std::vector<std::vector<float>> ConvertColumns(const COMeasColumns& rows, const std::vector<COValueConverter>& converters);
// The numeric window's cell text; "n/a" when there is no value.
std::string GetValueText(DataContext& context, const COMeas& meas, int channel, int unit);
// The status window's text in the system set-up's units.
std::string FormatValue(DataContext& context, const COMeas& meas, int channel);
