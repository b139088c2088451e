#include "MeasInterval.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <optional>

#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "MeasColumns.h"
#include "MeasReader.h"
#include "TaskRecords.h"
#include "core/Shell.h"
#include "StringEx.h"
#include "core/Text.h"

const platform::COLORREF kCurvePalette[7] = {0x0000FF, 0x00DF00, 0xFF0000, 0x00EFEF, 0xD8D800, 0xCF00EF, 0x000000};

// --- CColumn ---

CColumn::CColumn(DataContext& context) : m_context(&context) {
  if (context.Profile().signalChannels)
    m_unit = 1;  // µV
  else
    m_unit = static_cast<unsigned char>(context.Setup().GetGasConcUnit().GetUnit());
}

void CColumn::Copy(const CColumn& other) {
  m_context = other.m_context;
  m_axis = other.m_axis;
  m_channel = other.m_channel;
  m_unit = other.m_unit;
  m_colorIndex = other.m_colorIndex;
  m_customColor = other.m_customColor;
  m_penStyle = other.m_penStyle;
  m_owner = other.m_owner;
  m_sequence = other.m_sequence;
}

void CColumn::SetDefaultUnit() {
  const COSystemSetup& setup = m_context->Setup();
  const ProgramProfile& program = m_context->Profile();
  const bool bySignal = program.signalChannels;
  if (m_channel <= 4 || (bySignal && m_channel == 5))
    m_unit = bySignal ? 1 : static_cast<unsigned char>(setup.GetGasConcUnit().GetUnit());
  else if (m_channel == 5)
    m_unit = static_cast<unsigned char>(setup.GetHumidityUnit().GetUnit());
  else if (m_channel == 6 && program.temperatureColumn)
    m_unit = static_cast<unsigned char>(setup.GetTempUnit().GetUnit());
  else if (m_channel == 7)
    m_unit = static_cast<unsigned char>(setup.GetPressureUnit().GetUnit());
}

platform::COLORREF CColumn::GetColor() const {
  return m_colorIndex < 7 ? kCurvePalette[m_colorIndex] : m_customColor;
}

char CColumn::GetChannelLetter() const {
  if (m_channel <= 4) return static_cast<char>('A' + m_channel);
  switch (m_channel) {
    case 5: return 'W';
    case 6: return 'T';
    case 7: return 'P';
    default: return 'Z';
  }
}

const ProgramProfile& CColumn::GetProgram() const { return m_context->Profile(); }

std::string CColumn::GetChannelName() const { return m_sequence ? m_sequence->ChannelName(m_channel) : std::string(); }

std::string CColumn::GetUnitText() const {
  const COSystemSetup& setup = m_context->Setup();
  const COTempUnit temp = m_channel == 6 ? COTempUnit(m_unit) : setup.GetTempUnit();
  return GetChannelUnitText(m_context->Profile(), m_channel, COConcUnit(m_unit), COHumiUnit(m_unit), temp,
                            COPresUnit(m_unit), COSignalUnit(m_unit));
}

// --- COMeasInterval ---

COMeasInterval::COMeasInterval(DataContext& context) : m_context(&context) {
  const ShownSequence* sequence = &context.WindowSequence();
  const ProgramProfile& program = context.Profile();
  m_last = sequence->GetStopNum();
  // A sequence without a sample still carries its placeholder stop time.
  m_endTime = std::max(sequence->GetStopTime(), sequence->GetStartTime());
  m_first = m_last - 99;
  m_startTime = m_endTime - platform::CTimeSpan(3600);
  if (program.calibrationWindows) {
    m_mode = kByNumber;
    m_floats.assign(7, 0.0f);
  }
  const int lastChannel = program.temperatureColumn ? 6 : 5;
  for (int ch = 0; ch <= lastChannel; ++ch) {
    bool take = ch == 6 || sequence->IsFilterActive(ch);
    if (!take) continue;
    CColumn c(context);
    c.SetChannel(static_cast<unsigned char>(ch));
    c.SetColorIndex(static_cast<unsigned char>(ch));
    c.SetAxis(program.signalChannels ? (ch == 6 ? 1 : 0) : (ch <= 4 ? 0 : 1));
    c.SetDefaultUnit();
    c.SetSequence(sequence, this);
    m_columns.push_back(c);
  }
}

COMeasInterval& COMeasInterval::operator=(const COMeasInterval& other) {
  if (this == &other) return *this;
  m_context = other.m_context;
  m_mode = other.m_mode;
  m_rollingAvgOn = other.m_rollingAvgOn;
  m_length = other.m_length;
  for (int a = 0; a < 2; ++a) {
    m_scaleMode[a] = other.m_scaleMode[a];
    m_fixedMax[a] = other.m_fixedMax[a];
    m_fixedMin[a] = other.m_fixedMin[a];
    m_autoMax[a] = other.m_autoMax[a];
    m_autoMin[a] = other.m_autoMin[a];
  }
  m_first = other.m_first;
  m_last = other.m_last;
  m_startTime = other.m_startTime;
  m_endTime = other.m_endTime;
  m_channelMask = other.m_channelMask;
  m_leftCursor = other.m_leftCursor;
  m_rightCursor = other.m_rightCursor;
  m_leftMeas = other.m_leftMeas;
  m_rightMeas = other.m_rightMeas;
  m_columns = other.m_columns;
  return *this;
}

platform::CTime COMeasInterval::GetStartTime() const {
  struct tm t = m_startTime.GetLocalTm();
  return platform::CTime(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

long COMeasInterval::GetStart() const {
  return m_mode == kByNumber ? m_first : static_cast<long>(m_startTime.GetTime());
}

long COMeasInterval::GetEnd() const {
  if (m_mode == kByNumber) return m_last;
  struct tm t = m_endTime.GetLocalTm();
  return static_cast<long>(platform::CTime(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec).GetTime());
}

long COMeasInterval::GetTimeSpan() const {
  return m_endTime < m_startTime ? 3600 : static_cast<long>((m_endTime - m_startTime).GetTotalSeconds());
}

bool COMeasInterval::Holds(const COMeas& meas) const {
  if (m_mode == kByNumber) return m_first <= meas.GetMeasNo() && meas.GetMeasNo() <= m_last;
  return GetStartTime() <= meas.GetMeasTime() && meas.GetMeasTime() <= m_endTime;
}

void COMeasInterval::MoveTo(const platform::CTime& endTime, int lastNumber) {
  platform::CTimeSpan span = m_endTime - m_startTime;
  int count = m_last - m_first;
  m_endTime = endTime;
  m_last = lastNumber;
  m_startTime = m_endTime - span;
  m_first = m_last - count;
}

bool COMeasInterval::IsChannelShown(int channel) const {
  return !m_context->Profile().lockedFiltersOnly || IsBitSet(m_channelMask, channel);
}

void COMeasInterval::ResetCursors() {
  m_leftCursor = m_rightCursor = 0;
  m_leftMeas = COMeas();
  m_rightMeas = COMeas();
}

void COMeasInterval::SetChannelShown(int channel, bool shown) { SetBitFlag32(&m_channelMask, channel, shown); }

bool COMeasInterval::IsBeforeInterval(const COMeas& meas) const {
  if (m_mode == kByNumber) return meas.GetMeasNo() < m_first && meas.GetMeasNo() <= m_last;
  return meas.GetMeasTime() < GetStartTime() && meas.GetMeasTime() <= m_endTime;
}

float COMeasInterval::GetAxisMin(int axis) const {
  const int a = Axis(axis);
  if (m_scaleMode[a] == 2) return m_fixedMin[a];
  return m_scaleMode[a] == 1 ? 0.0f : m_autoMin[a];
}

float COMeasInterval::GetAxisMax(int axis) const {
  const int a = Axis(axis);
  return m_scaleMode[a] == 2 ? m_fixedMax[a] : m_autoMax[a];
}

void COMeasInterval::ZoomTo(COMeas a, COMeas b) {
  if (b.GetMeasNo() < a.GetMeasNo()) std::swap(a, b);
  if (m_mode == kByNumber) {
    m_first = a.GetMeasNo();
    m_last = b.GetMeasNo();
  } else {
    m_startTime = a.GetMeasTime();
    m_endTime = b.GetMeasTime();
  }
}

void COMeasInterval::ZoomOut() {
  long length = GetEnd() - GetStart();
  if (length < 2) length = m_mode == kByNumber ? 2 : 40;
  if (m_mode == kByNumber)
    m_first -= static_cast<int>(length >> 1);
  else
    m_startTime = m_startTime - platform::CTimeSpan(length >> 1);
}

void COMeasInterval::Shift(long by) {
  if (m_mode == kByNumber) {
    m_first += static_cast<int>(by);
    m_last += static_cast<int>(by);
  } else {
    m_startTime = m_startTime + platform::CTimeSpan(by);
    m_endTime = m_endTime + platform::CTimeSpan(by);
  }
}

void COMeasInterval::ScrollBack() {
  Shift(-HalfSpan());
  ResetCursors();
}

void COMeasInterval::ScrollForward() {
  Shift(HalfSpan());
  ResetCursors();
}

void COMeasInterval::MoveToFirst() {
  const long length = GetEnd() - GetStart();
  try {
    COMeas row;
    CORecMeas rs(*m_context);
    rs.SetTarget(&row);
    rs.Open();
    if (!rs.IsEOF()) {
      if (m_mode == kByNumber) {
        m_first = row.GetMeasNo();
        m_last = m_first + static_cast<int>(length);
      } else {
        m_startTime = row.GetMeasTime();
        m_endTime = m_startTime + platform::CTimeSpan(length);
      }
    }
  } catch (const platform::CException&) {
  }
  ResetCursors();
}

void COMeasInterval::MoveToLast() {
  const long length = GetEnd() - GetStart();
  try {
    COMeas row;
    CORecMeas rs(*m_context);
    rs.SetTarget(&row);
    rs.Open();
    if (!rs.IsEOF()) {
      rs.MoveLast();
      if (m_mode == kByNumber) {
        m_last = row.GetMeasNo();
        m_first = m_last - static_cast<int>(length);
      } else {
        m_endTime = row.GetMeasTime();
        m_startTime = m_endTime - platform::CTimeSpan(length);
      }
    }
  } catch (const platform::CException&) {
  }
  ResetCursors();
}

// The working sums of one pass; nothing is allocated per measurement.
class COStatisticsPass {
 public:
  // converters: one per column, for Add; AddAll takes the values converted
  // beforehand and needs none.
  // cursorsOnly: only the cursors' figures are made (AddAll), the rest left
  // as it is.
  COStatisticsPass(COMeasInterval& interval, std::vector<COValueConverter> converters, bool cursorsOnly = false)
      : m_i(interval), m_sums(interval.m_columns.size()), m_converters(std::move(converters)),
        m_cursorsOnly(cursorsOnly) {
    m_converters.resize(m_sums.size());
    for (int a = 0; a < 2 && !cursorsOnly; ++a) {
      m_i.m_autoMax[a] = -FLT_MAX;
      m_i.m_autoMin[a] = FLT_MAX;
    }
  }

  // One measurement, on the user-interface thread: a long pass shows the
  // wait cursor.
  void Add(const COMeas& m) {
    if (++m_seen == 1000) m_wait.emplace();
    const int no = m.GetMeasNo();
    const time_t time = m.GetMeasTime().GetTime();
    if (m_seen == 1) m_t0 = time;
    const double x = m_i.m_mode == COMeasInterval::kByNumber ? static_cast<double>(no)
                                                              : static_cast<double>(time - m_t0);
    if (no == m_i.m_leftCursor) m_i.m_leftMeas = m;
    if (no == m_i.m_rightCursor) m_i.m_rightMeas = m;
    const bool counted = m_i.m_leftCursor <= no && no <= m_i.m_rightCursor;
    for (int ch = 0; ch < 7; ++ch) {
      if (!m.IsValueValid(ch)) continue;
      m_channelSum[ch] += m.GetValue(ch).GetValue();
      ++m_channelCount[ch];
    }
    for (size_t c = 0; c < m_sums.size(); ++c) {
      const CColumn& col = m_i.m_columns[c];
      const int channel = col.GetChannel();
      if (channel < 0 || channel >= COMeas::channelCount || !m.IsValueValid(channel)) continue;
      const MeasValue v = m_converters[c].ConvertValue(m.GetValue(channel).GetValue());
      if (!v.IsValid()) continue;  // no curve point for a channel without a conversion
      const double y = v.GetValue();
      const int a = col.GetAxis() == 0 ? 0 : 1;
      if (y < m_i.m_autoMin[a]) m_i.m_autoMin[a] = static_cast<float>(y);
      if (y > m_i.m_autoMax[a]) m_i.m_autoMax[a] = static_cast<float>(y);
      if (!counted) continue;
      m_sums[c].Add(x, y);
    }
  }

  // Every row at once, a column at a time; the sums take their values in
  // the same order as row by row, so the figures are the same to the bit.
  // converted: each column's values in its unit, kNoValue where it has none.
  void AddAll(const COMeasColumns& rows, const std::vector<std::vector<float>>& converted) {
    const size_t n = rows.Size();
    if (n == 0) return;
    m_seen += static_cast<long>(n);
    m_t0 = rows.Time(0);
    const int* numbers = rows.Numbers();
    // The cursors' rows, and the stretch of rows that holds every row
    // between them.
    size_t left = n, right = n, begin = n, end = 0;
    for (size_t i = 0; i < n; ++i) {
      if (numbers[i] == m_i.m_leftCursor) left = i;
      if (numbers[i] == m_i.m_rightCursor) right = i;
      if (numbers[i] >= m_i.m_leftCursor && numbers[i] <= m_i.m_rightCursor) {
        begin = std::min(begin, i);
        end = i + 1;
      }
    }
    if (left < n) m_i.m_leftMeas = rows.Row(left);
    if (right < n) m_i.m_rightMeas = rows.Row(right);
    const time_t* times = rows.Times();
    const bool byNumber = m_i.m_mode == COMeasInterval::kByNumber;
    const size_t columns = std::min(m_sums.size(), converted.size());
    // Each channel's sum and each column's sums alone, side by side.
    std::vector<float> lo(columns), hi(columns);
    const size_t tasks = m_cursorsOnly ? 0 : 7;
    ForEachColumn(tasks + columns, m_cursorsOnly ? end - std::min(begin, end) : n, [&](size_t task) {
      if (task < tasks) {
        const int ch = static_cast<int>(task);
        const float* v = rows.Values(ch);
        double sum = m_channelSum[ch];
        long count = m_channelCount[ch];
        for (size_t i = 0; i < n; ++i) {
          if (!COMeas::IsStoredValueValid(ch, v[i])) continue;
          sum += v[i];
          ++count;
        }
        m_channelSum[ch] = sum;
        m_channelCount[ch] = count;
        return;
      }
      const size_t c = task - tasks;
      const float* y = converted[c].data();
      float low = FLT_MAX, high = -FLT_MAX;
      Sums s = m_sums[c];
      for (size_t i = m_cursorsOnly ? begin : 0; i < (m_cursorsOnly ? end : n); ++i) {
        if (!MeasValue(y[i]).IsValid()) continue;
        const double v = y[i];
        if (v < low) low = static_cast<float>(v);
        if (v > high) high = static_cast<float>(v);
        const int no = numbers[i];
        if (no < m_i.m_leftCursor || no > m_i.m_rightCursor) continue;
        s.Add(byNumber ? static_cast<double>(no) : static_cast<double>(times[i] - m_t0), v);
      }
      lo[c] = low;
      hi[c] = high;
      m_sums[c] = s;
    });
    for (size_t c = 0; c < columns && !m_cursorsOnly; ++c) {
      const int a = m_i.m_columns[c].GetAxis() == 0 ? 0 : 1;
      m_i.m_autoMin[a] = std::min(m_i.m_autoMin[a], lo[c]);
      m_i.m_autoMax[a] = std::max(m_i.m_autoMax[a], hi[c]);
    }
  }

  void Finish() {
    m_wait.reset();
    for (int ch = 0; ch < 7 && !m_cursorsOnly; ++ch)
      m_i.m_channelMeans[ch] = m_channelCount[ch] ? m_channelSum[ch] / m_channelCount[ch] : COMeasInterval::kNoMean;
    for (int a = 0; a < 2 && !m_cursorsOnly; ++a) {
      const bool fixed = m_i.m_scaleMode[a] == 2;
      if (m_i.m_autoMax[a] == -FLT_MAX) m_i.m_autoMax[a] = fixed ? m_i.m_fixedMax[a] : -1.0f;
      if (m_i.m_autoMin[a] == FLT_MAX) m_i.m_autoMin[a] = fixed ? m_i.m_fixedMin[a] : 0.0f;
      const float d = std::fabs(m_i.m_autoMax[a] - m_i.m_autoMin[a]);
      if (d < 0.01f) {
        m_i.m_autoMax[a] += (0.01f - d) / 2;
        m_i.m_autoMin[a] -= (0.01f - std::fabs(m_i.m_autoMax[a] - m_i.m_autoMin[a])) / 2;
      }
    }
    for (size_t c = 0; c < m_sums.size(); ++c) {
      const Sums& s = m_sums[c];
      COMeasStatistics& st = m_i.m_columns[c].m_statistics;
      st = COMeasStatistics();
      if (s.count == 0) continue;
      const double n = s.count;
      const double mx = s.x / n;
      const double my = s.y / n;
      const double sxx = s.xx - n * mx * mx;
      // Rounding can leave a constant column's sum of squares slightly below
      // zero; its spread is none, not NaN.
      const double syy = std::max(0.0, s.yy - n * my * my);
      const double sxy = s.xy - n * mx * my;
      st.SetCount(s.count);
      st.SetMaximum(s.max);
      st.SetMinimum(s.min);
      st.SetAverage(my);
      if (sxx != 0.0) {
        if (s.count > 1) st.SetStdDev(std::sqrt(syy / (n - 1)));
        st.SetSlope(sxy / sxx);
      }
    }
  }

 private:
  struct Sums {
    uint32_t count = 0;
    double x = 0, xx = 0, y = 0, yy = 0, xy = 0, min = 0, max = 0;
    void Add(double px, double py) {
      if (count++ == 0) {
        min = max = py;
      } else {
        min = std::min(min, py);
        max = std::max(max, py);
      }
      x += px;
      xx += px * px;
      y += py;
      yy += py * py;
      xy += px * py;
    }
  };
  COMeasInterval& m_i;
  std::vector<Sums> m_sums;
  std::vector<COValueConverter> m_converters;
  long m_seen = 0;
  double m_channelSum[7] = {};
  long m_channelCount[7] = {};
  time_t m_t0 = 0;
  bool m_cursorsOnly = false;
  std::optional<platform::WaitCursor> m_wait;
};

void COMeasInterval::LoadData(COMeasBuffer& buffer) { LoadData(buffer.Rows(), buffer.Converted(MakeConverters())); }

void COMeasInterval::LoadData(const COMeasColumns& rows) { LoadData(rows, ConvertColumns(rows, MakeConverters())); }

void COMeasInterval::LoadData(const COMeasColumns& rows, const std::vector<std::vector<float>>& converted) {
  COStatisticsPass pass(*this, {});
  pass.AddAll(rows, converted);
  pass.Finish();
}

std::vector<std::vector<float>> ConvertColumns(const COMeasColumns& rows, const std::vector<COValueConverter>& converters) {
  std::vector<std::vector<float>> out(converters.size());
  ForEachColumn(converters.size(), rows.Size(), [&](size_t c) { out[c] = converters[c].ConvertColumn(rows); });
  return out;
}

std::vector<float> COValueConverter::ConvertColumn(const COMeasColumns& rows) const {
  std::vector<float> out;
  ConvertInto(rows, 0, out);
  return out;
}

void COValueConverter::ConvertInto(const COMeasColumns& rows, size_t from, std::vector<float>& out) const {
  const size_t n = rows.Size();
  const size_t count = n > from ? n - from : 0;
  if (m_kind == kNone || m_channel < 0 || m_channel >= COMeas::channelCount) {
    out.resize(out.size() + count, MeasValue::kNoValue);
    return;
  }
  // Each value written once; a fresh column takes its room at once, one
  // that grows with a follow as a vector grows.
  if (out.empty()) out.reserve(count);
  const float* v = rows.Values(m_channel);
  for (size_t i = from; i < n; ++i)
    out.push_back(COMeas::IsStoredValueValid(m_channel, v[i]) ? ConvertValue(v[i]).GetValue() : MeasValue::kNoValue);
}

std::vector<COValueConverter> COMeasInterval::MakeConverters() const {
  std::vector<COValueConverter> converters;
  for (const CColumn& c : m_columns) converters.emplace_back(*m_context, c.GetChannel(), c.GetUnit());
  return converters;
}

void COMeasInterval::LoadCursorFigures(const COMeasColumns& rows, const std::vector<std::vector<float>>& converted,
                                       const COMeasInterval& pass) {
  for (int a = 0; a < 2; ++a) {
    m_autoMin[a] = pass.m_autoMin[a];
    m_autoMax[a] = pass.m_autoMax[a];
  }
  std::copy(std::begin(pass.m_channelMeans), std::end(pass.m_channelMeans), std::begin(m_channelMeans));
  COStatisticsPass cursors(*this, {}, true);
  cursors.AddAll(rows, converted);
  cursors.Finish();
}

void COMeasInterval::TakeFigures(const COMeasInterval& pass) {
  for (int a = 0; a < 2; ++a) {
    m_autoMin[a] = pass.m_autoMin[a];
    m_autoMax[a] = pass.m_autoMax[a];
  }
  m_leftMeas = pass.m_leftMeas;
  m_rightMeas = pass.m_rightMeas;
  for (size_t c = 0; c < m_columns.size() && c < pass.m_columns.size(); ++c)
    m_columns[c].m_statistics = pass.m_columns[c].m_statistics;
  std::copy(std::begin(pass.m_channelMeans), std::end(pass.m_channelMeans), std::begin(m_channelMeans));
}

void COMeasInterval::LoadData(const std::vector<COMeas>& measurements) {
  COStatisticsPass pass(*this, MakeConverters());
  for (const COMeas& m : measurements) pass.Add(m);
  pass.Finish();
}

// --- conversion and formatting ---

namespace {

constexpr float kNormPressure = 101.33f;  // kPa

float NormTempC(DataContext& context) {
  return static_cast<float>(context.Setup().GetNormTempIn(COTempUnit(COTempUnit::celsius)));
}

}  // namespace

COValueConverter::COValueConverter(DataContext& context, int channel, int unit)
    : m_channel(channel), m_unit(unit), m_tempUnit(context.Setup().GetTempUnit()) {
  if (context.Profile().signalChannels) {
    if (channel >= 0 && channel <= 5)
      m_kind = kSignal;
    else if (channel == 6)
      m_kind = kTemperature;
    else if (channel == 7)
      m_kind = kPressure;
    return;
  }
  if (channel >= 0 && channel <= 4) {
    m_kind = kGas;
    m_mw = context.ActiveSequence().GetMW(channel);
  } else if (channel == 5) {
    m_kind = kWater;
  } else if (channel == 7) {
    m_kind = kPressure;
  }
  if (m_kind == kGas || m_kind == kWater) m_normTemp = NormTempC(context);
}

MeasValue COValueConverter::ConvertValue(float v) const {
  switch (m_kind) {
    case kSignal:
      return COSignalUnit(COSignalUnit::microvolt).Convert(COSignalUnit(m_unit), v);
    case kTemperature:
      return COTempUnit(COTempUnit::celsius).Convert(m_tempUnit, v);
    case kPressure:
      return COPresUnit(COPresUnit::hpa).Convert(COPresUnit(m_unit), v);
    case kGas:
      return COConcUnit(COConcUnit::ppm).Convert(COConcUnit(m_unit), v, m_mw, m_normTemp, kNormPressure);
    case kWater: {
      const float r = COHumiUnit(COConcUnit::ppm).Convert(COHumiUnit(m_unit), m_tempUnit, v, m_normTemp, kNormPressure);
      return r == -153.95f ? MeasValue() : MeasValue(r);
    }
    default:
      return MeasValue();
  }
}

MeasValue GetConvertedValue(DataContext& context, const COMeas& meas, int channel, int unit) {
  return COValueConverter(context, channel, unit).Convert(meas);
}

std::string GetValueText(DataContext& context, const COMeas& meas, int channel, int unit) {
  CStringEx text;
  text.m_string = "n/a";
  if (channel >= 0 && channel <= 5) {
    if (!meas.IsValueValid(channel)) return text;
    const MeasValue v = GetConvertedValue(context, meas, channel, unit);
    if (!v.IsValid()) return text;
    if (channel == 5)
      text.TempFormat(v);
    else
      text.NumFormat(v);
  } else if (channel == 6) {
    if (meas.IsValueValid(6)) text.TempFormat(meas.GetValue(6));
  } else if (channel == 7) {
    const MeasValue p = meas.GetPressure();
    if (p.IsValid() && p.GetValue() > 500.0f)
      text.Round(COPresUnit(COPresUnit::hpa).Convert(COPresUnit(unit), p), unit == COPresUnit::kpa ? 1 : 0);
  }
  return text;
}

std::string FormatValue(DataContext& context, const COMeas& meas, int channel) {
  if (!meas.IsValueValid(channel)) return "n/a";
  const COSystemSetup& setup = context.Setup();
  float v = meas.GetValue(channel).GetValue();
  const ProgramProfile& program = context.Profile();
  const bool cali = program.signalChannels;
  if (program.temperatureColumn && channel == 6) {
    v = COTempUnit(COTempUnit::celsius).Convert(setup.GetTempUnit(), v);
  } else if (channel >= 6) {
    v = COPresUnit(COPresUnit::mbar).Convert(setup.GetPressureUnit(), v);
  } else if (!cali && channel <= 4) {
    v = COConcUnit(COConcUnit::ppm)
            .Convert(setup.GetGasConcUnit(), v, context.ActiveSequence().GetMW(channel), 20.0f, kNormPressure);
  } else if (!cali && channel == 5) {
    v = COHumiUnit(COConcUnit::ppm).Convert(setup.GetHumidityUnit(), setup.GetTempUnit(), v, 20.0f, kNormPressure);
  }
  if ((v > -1000.0f && v < 1000.0f) || channel == 7) return platform::Format("%.2f", v);
  return platform::RewriteExponent(platform::Format("%.3e", v), 2);
}
