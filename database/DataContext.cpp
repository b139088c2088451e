#include "DataContext.h"

#include "CODBObs.h"
#include "COGenSub.h"
#include "COSequenceObs.h"
#include "COSystemSetup.h"
#include "FilterData.h"

DataContext::DataContext(ProgramProfile profile)
    : m_profile(std::move(profile)),
      m_setup(std::make_unique<COSystemSetup>(*this)),
      m_genSub(std::make_unique<COGenSub>()),
      m_dbObs(std::make_unique<CODBObs>(*this)),
      m_sequence(std::make_unique<COSequenceObs>(*this)) {}

DataContext::~DataContext() = default;

COSequence& DataContext::ActiveSequence() { return *m_sequence; }

ShownSequence& DataContext::WindowSequence() {
  if (m_windowSequence != nullptr) return *m_windowSequence;
  return *m_sequence;
}

MeasState DataContext::MeasurementState() const {
  return m_measurement ? m_measurement->GetState() : MeasState::idle;
}

const MonitorSetup& DataContext::GetMonitorSetup() const {
  static const MonitorSetup empty;
  return m_measurement ? m_measurement->GetMonitorSetup() : empty;
}

COAction* DataContext::AlarmOutput(int output) const {
  return output >= 0 && output < kOutputCount ? m_outputs[static_cast<size_t>(output)] : nullptr;
}

void DataContext::SetAlarmOutputs(COAction* pcBeep, COAction* monitorBeep, COAction* relay1, COAction* relay2) {
  m_outputs = {pcBeep, monitorBeep, relay1, relay2};
}
