#include "DataLinks.h"

#include "FilterData.h"

namespace {
IMeasurementLink* g_measurement = nullptr;
IWindowStore* g_windowStore = nullptr;
COAction* g_outputs[DataLinks::kOutputCount] = {};
const COMeas* g_lastMeas = nullptr;
int g_acks[DataLinks::kAckEntries] = {};
}  // namespace

IMeasurementLink* DataLinks::Measurement() { return g_measurement; }
void DataLinks::SetMeasurement(IMeasurementLink* link) { g_measurement = link; }
int DataLinks::MeasurementState() { return g_measurement ? g_measurement->GetState() : 0; }

const MonitorSetup& DataLinks::GetMonitorSetup() {
  static const MonitorSetup empty;
  return g_measurement ? g_measurement->GetMonitorSetup() : empty;
}

IWindowStore* DataLinks::WindowStore() { return g_windowStore; }
void DataLinks::SetWindowStore(IWindowStore* store) { g_windowStore = store; }

COAction* DataLinks::AlarmOutput(int output) {
  return output >= 0 && output < kOutputCount ? g_outputs[output] : nullptr;
}

void DataLinks::SetAlarmOutputs(COAction* pcBeep, COAction* monitorBeep, COAction* relay1, COAction* relay2) {
  g_outputs[kPCBeep] = pcBeep;
  g_outputs[kMonitorBeep] = monitorBeep;
  g_outputs[kRelay1] = relay1;
  g_outputs[kRelay2] = relay2;
}

const COMeas* DataLinks::LastWrittenMeas() { return g_lastMeas; }
void DataLinks::SetLastWrittenMeas(const COMeas* meas) { g_lastMeas = meas; }

int* DataLinks::AlarmAcknowledgements() { return g_acks; }
