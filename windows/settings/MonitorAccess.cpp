#include "MonitorAccess.h"

#include "COAirPressure.h"
#include "COMeasObs.h"
#include "CORecBankSet.h"
#include "COSequence.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "DeviceClients.h"
#include "ProgramContext.h"
#include "StartupConnection.h"
#include "core/MessageSink.h"
#include "db/Database.h"

namespace {

constexpr unsigned char kBanks = 5;

// The measurement subject of a program that talks to the monitor.
COMeasObs* MeasObsOf(DataContext& context) {
  auto* program = dynamic_cast<ProgramContext*>(&context);
  return program != nullptr ? program->MeasObs() : nullptr;
}

// Unlike the start-up, giving up on the port here ends only this read.
bool EnsureConnected(COMeasObs& obs) {
  while (!obs.IsConnected()) {
    if (obs.Connect(false)) break;
    IDeviceDialogs* dialogs = obs.GetDevice().GetDialogs();
    if (dialogs == nullptr || dialogs->RunComDialog() == platform::IDCANCEL) return false;
  }
  return true;
}

}  // namespace

std::string CurrentBanksDescription(const std::string& serial) { return "Current banks (Serial: " + serial + ")"; }

bool ReadMonitorAirPressure(DataContext& context, COAirPressure& pressure) {
  auto* program = dynamic_cast<ProgramContext*>(&context);
  COMeasObs* obs = MeasObsOf(context);
  if (obs == nullptr || !program->Instrument().isTebb()) return false;
  // The port belongs to the worker while a measurement runs.
  if (context.MeasurementState() != MeasState::idle) return false;
  if (!EnsureConnected(*obs)) return false;
  try {
    const std::string value = QueryDirect(*obs, "M_A_P?", 10);
    const std::string unit = QueryDirect(*obs, "SE? PR_U", 9);
    pressure.SetUnitFromReply(unit);
    pressure.SetValue(static_cast<float>(std::atof(value.c_str())));
  } catch (const std::exception&) {
    ShowCommunicationError();
    return false;
  }
  return true;
}

bool ReloadFilterInfo(DataContext& context) {
  IMeasurementLink* link = context.Measurement();
  if (link == nullptr) return false;
  const std::string serial = context.GetMonitorSetup().m_serial.ToString();
  // The user asks for the monitor's filters as they are now, not for what an
  // earlier upload brought.
  if (COMeasObs* obs = MeasObsOf(context)) obs->GetDevice().RunFlags().allUploaded = false;
  const bool uploaded = link->UploadFilterInfo();
  const MonitorSetup setup = context.GetMonitorSetup();
  bool stored = uploaded;
  if (uploaded) {
    try {
      CORecBankSet sets(context);
      sets.SetSetup(setup);
      sets.SaveSet(CORecBankSet::kCurrent, CurrentBanksDescription(serial));
      sets.CloseWithDatabase();
    } catch (const platform::CException& e) {
      ShowExceptionMessage(e);
      stored = false;
    }
  }
  if (COMeasObs* obs = MeasObsOf(context)) {
    MonitorData& data = obs->GetDevice().Data();
    const COSequence& sequence = context.ActiveSequence();
    for (int f = 0; f < 5; ++f) {
      const unsigned char bank = sequence.GetActiveBank(f);
      if (bank < kBanks) data.GetBank(f) = setup.GetFilter(f).GetBank(bank);
    }
  }
  return stored;
}
