#include "COAlarm.h"

#include "COSequence.h"
#include "COSystemSetup.h"
#include "DataLinks.h"
#include "GlobalAccessor.h"
#include "MeasReader.h"
#include "StringEx.h"
#include "core/Text.h"

namespace {

// Limits are converted at the normalisation temperature and this pressure.
constexpr float kNormPressure = 101.33f;

COSequence* ActiveSequence() {
  IGlobalAccessor* tool = AppRegister::GetAccessor();
  return tool ? tool->GetActiveSequence() : nullptr;
}

}  // namespace

COAlarm::COAlarm() = default;
COAlarm::~COAlarm() = default;

COAlarm::COAlarm(const COAlarm& other) { *this = other; }

COAlarm& COAlarm::operator=(const COAlarm& other) {
  m_filter = other.m_filter;
  m_limit = other.m_limit;
  m_rollingAvg = other.m_rollingAvg;
  m_isLimit2 = other.m_isLimit2;
  m_useRollingAvg = other.m_useRollingAvg;
  m_actionPC = other.m_actionPC;
  m_actionMonitor = other.m_actionMonitor;
  m_actionRelay1 = other.m_actionRelay1;
  m_actionRelay2 = other.m_actionRelay2;
  m_triggered = other.m_triggered;
  m_exceeded = other.m_exceeded;
  return *this;
}

void COAlarm::SetLimit(float value) {
  COSystemSetup* setup = COSystemSetup::Current();
  if (setup == nullptr) {
    m_limit = value;
    return;
  }
  const float normTemp = static_cast<float>(setup->GetNormTempIn(COTempUnit(COTempUnit::celsius)));
  if (m_filter < 5) {
    COSequence* seq = ActiveSequence();
    const float mw = seq ? seq->GetMW(m_filter) : 1.0f;
    m_limit = setup->GetGasConcUnit().Convert(COConcUnit(COConcUnit::ppm), value, mw, normTemp, kNormPressure);
  } else {
    m_limit = setup->GetHumidityUnit().Convert(COHumiUnit(COConcUnit::ppm), setup->GetTempUnit(), value, normTemp,
                                               kNormPressure);
  }
}

float COAlarm::GetLimit() const {
  COSystemSetup* setup = COSystemSetup::Current();
  if (setup == nullptr) return m_limit;
  const float normTemp = static_cast<float>(setup->GetNormTempIn(COTempUnit(COTempUnit::celsius)));
  if (m_filter < 5) {
    COSequence* seq = ActiveSequence();
    const float mw = seq ? seq->GetMW(m_filter) : 1.0f;
    return COConcUnit(COConcUnit::ppm).Convert(setup->GetGasConcUnit(), m_limit, mw, normTemp, kNormPressure);
  }
  return COHumiUnit(COConcUnit::ppm)
      .Convert(setup->GetHumidityUnit(), setup->GetTempUnit(), m_limit, normTemp, kNormPressure);
}

std::string COAlarm::GetDescription() const {
  COSequence* seq = ActiveSequence();
  COSystemSetup* setup = COSystemSetup::Current();
  std::string text = seq ? seq->GetGasName(m_filter) : std::string();
  CStringEx number;
  number.NumFormat(GetLimit());
  text += ": " + number.GetString() + " ";
  if (setup != nullptr) text += m_filter < 5 ? setup->GetGasConcUnitText() : setup->GetHumidityUnitText();
  text += m_isLimit2 ? " (Limit 2" : " (Limit 1";
  if (m_useRollingAvg) text += platform::Format(", Rol. Avg %d min", m_rollingAvg);
  if (m_actionPC) text += ", PC";
  if (m_actionMonitor) text += ", Monitor";
  if (m_actionRelay1) text += ", Rel. 1";
  if (m_actionRelay2) text += ", Rel. 2";
  return text + ")";
}

void COAlarm::Check(COMeas& meas) {
  if (!meas.IsValueValid(m_filter)) return;
  if (m_useRollingAvg) {
    if (!m_interval) {
      m_interval = std::make_unique<COMeasInterval>();
      m_loader = std::make_unique<COMeasLoader>();
    }
    m_interval->SetMeasMode(COMeasInterval::kByTime);
    m_interval->SetEndTime(meas.GetMeasTime());
    m_interval->SetStartTime(meas.GetMeasTime() - CTimeSpan(static_cast<int64_t>(2) * m_rollingAvg * 60));
    m_interval->SetInterval(m_rollingAvg);
    m_interval->SetMeasAvg(1);
    m_loader->SetInterval(m_interval.get());
    m_loader->MoveFirst();
    while (!m_loader->IsEOF() && m_loader->GetCurrent().GetMeasNo() != meas.GetMeasNo()) m_loader->MoveNext();
    meas = m_loader->GetCurrent();
  }
  const float v = meas.GetValue(m_filter);
  m_exceeded = v > m_limit;
  if (!m_exceeded) return;
  m_triggered = 1;
  const bool actions[DataLinks::kOutputCount] = {m_actionPC != 0, m_actionMonitor != 0, m_actionRelay1 != 0,
                                                 m_actionRelay2 != 0};
  for (int o = 0; o < DataLinks::kOutputCount; ++o)
    if (COAction* out = DataLinks::AlarmOutput(o); out != nullptr && actions[o]) out->m_request = 1;
}
