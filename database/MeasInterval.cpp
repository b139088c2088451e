#include "MeasInterval.h"

#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBUtil.h"
#include "DataContext.h"

// --- CCollum ---

CCollum::CCollum(DataContext& context) : m_context(&context) {
  if (context.Identity().isCalibration())
    m_unit = 1;  // µV
  else
    m_unit = static_cast<unsigned char>(context.Setup().GetGasConcUnit().GetUnit());
}

void CCollum::Copy(const CCollum& other) {
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

void CCollum::SetDefaultUnit() {
  const COSystemSetup& setup = m_context->Setup();
  const bool cali = m_context->Identity().isCalibration();
  if (m_channel <= 4 || (cali && m_channel == 5))
    m_unit = cali ? 1 : static_cast<unsigned char>(setup.GetGasConcUnit().GetUnit());
  else if (m_channel == 5)
    m_unit = static_cast<unsigned char>(setup.GetHumidityUnit().GetUnit());
  else if (m_channel == 6 && cali)
    m_unit = static_cast<unsigned char>(setup.GetTempUnit().GetUnit());
  else if (m_channel == 7)
    m_unit = static_cast<unsigned char>(setup.GetPressureUnit().GetUnit());
}

// --- COMeasInterval ---

COMeasInterval::COMeasInterval(DataContext& context) : m_context(&context) {
  COSequence* sequence = &context.ActiveSequence();
  const bool cali = context.Identity().isCalibration();
  m_last = sequence->GetStopNum();
  m_endTime = sequence->GetStopTime();
  m_first = m_last - 99;
  m_startTime = m_endTime - CTimeSpan(3600);
  if (cali) {
    m_mode = kByNumber;
    m_floats.assign(7, 0.0f);
  }
  const int lastChannel = cali ? 6 : 5;
  for (int ch = 0; ch <= lastChannel; ++ch) {
    bool take = ch == 6 || sequence->IsFilterActive(ch);
    if (!take) continue;
    CCollum c(context);
    c.SetChannel(static_cast<unsigned char>(ch));
    c.SetColorIndex(static_cast<unsigned char>(ch));
    c.SetAxis(cali ? (ch == 6 ? 1 : 0) : (ch <= 4 ? 0 : 1));
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

CTime COMeasInterval::GetStartTime() const {
  struct tm t = m_startTime.GetLocalTm();
  return CTime(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
}

long COMeasInterval::GetStart() const {
  return m_mode == kByNumber ? m_first : static_cast<long>(m_startTime.GetTime());
}

long COMeasInterval::GetEnd() const {
  if (m_mode == kByNumber) return m_last;
  struct tm t = m_endTime.GetLocalTm();
  return static_cast<long>(CTime(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec).GetTime());
}

long COMeasInterval::GetTimeSpan() const {
  return m_endTime < m_startTime ? 3600 : static_cast<long>((m_endTime - m_startTime).GetTotalSeconds());
}

void COMeasInterval::MoveTo(const CTime& endTime, int lastNumber) {
  CTimeSpan span = m_endTime - m_startTime;
  int count = m_last - m_first;
  m_endTime = endTime;
  m_last = lastNumber;
  m_startTime = m_endTime - span;
  m_first = m_last - count;
}

bool COMeasInterval::IsChannelShown(int channel) const {
  return !m_context->Identity().isPresentation() || IsBitSet(m_channelMask, channel);
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
