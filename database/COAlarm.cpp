#include "COAlarm.h"

#include "COSequence.h"
#include "COSystemSetup.h"
#include "DataContext.h"
#include "MeasReader.h"
#include "StringEx.h"
#include "core/Text.h"

namespace {

// Limits are converted at the normalisation temperature and this pressure.
constexpr float kNormPressure = 101.33f;

}  // namespace

COAlarm::COAlarm(DataContext& context) : m_context(&context) {}
COAlarm::~COAlarm() = default;

COAlarm::COAlarm(const COAlarm& other) : m_context(other.m_context) { *this = other; }

COAlarm& COAlarm::operator=(const COAlarm& other) {
  m_context = other.m_context;
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

// Between the display unit of the system set-up and ppm, with the molecular
// weight of the active sequence's gas.
float COAlarm::Convert(float value, bool toPpm) const {
  const COSystemSetup& setup = m_context->Setup();
  const int display = m_filter < 5 ? setup.GetGasConcUnit().GetUnit() : setup.GetHumidityUnit().GetUnit();
  return ConvertUnit(value, toPpm, display);
}

// Between ppm and the unit kind, a gas unit for filters 0 to 4, a humidity
// unit for the water vapour.
float COAlarm::ConvertUnit(float value, bool toPpm, int kind) const {
  const COSystemSetup& setup = m_context->Setup();
  const float normTemp = static_cast<float>(setup.GetNormTempIn(COTempUnit(COTempUnit::celsius)));
  if (m_filter < 5) {
    const float mw = m_context->ActiveSequence().GetMW(m_filter);
    const COConcUnit other(kind);
    const COConcUnit ppm(COConcUnit::ppm);
    return (toPpm ? other : ppm).Convert(toPpm ? ppm : other, value, mw, normTemp, kNormPressure);
  }
  const COHumiUnit other(kind);
  const COHumiUnit ppm(COConcUnit::ppm);
  return (toPpm ? other : ppm).Convert(toPpm ? ppm : other, setup.GetTempUnit(), value, normTemp, kNormPressure);
}

float COAlarm::GetMonitorLimit() const {
  return m_filter <= 5 ? ConvertUnit(m_limit, false, COConcUnit::mg_m3) : m_limit;
}

void COAlarm::SetLimit(float value) { m_limit = Convert(value, true); }

float COAlarm::GetLimit() const { return Convert(m_limit, false); }

std::string COAlarm::GetDescription() const {
  const COSystemSetup& setup = m_context->Setup();
  std::string text = m_context->ActiveSequence().GetGasName(m_filter);
  CStringEx number;
  number.NumFormat(GetLimit());
  text += ": " + number.GetString() + " ";
  text += m_filter < 5 ? setup.GetGasConcUnitText() : setup.GetHumidityUnitText();
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
      m_interval = std::make_unique<COMeasInterval>(*m_context);
      m_loader = std::make_unique<COMeasLoader>(*m_context);
    }
    m_interval->SetMeasMode(COMeasInterval::kByTime);
    m_interval->SetEndTime(meas.GetMeasTime());
    m_interval->SetStartTime(meas.GetMeasTime() - platform::CTimeSpan(static_cast<int64_t>(2) * m_rollingAvg * 60));
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
  m_triggered = true;
  const bool actions[DataContext::kOutputCount] = {m_actionPC, m_actionMonitor, m_actionRelay1, m_actionRelay2};
  for (int o = 0; o < DataContext::kOutputCount; ++o)
    if (COAction* out = m_context->AlarmOutput(o); out != nullptr && actions[o]) out->m_request = true;
}
