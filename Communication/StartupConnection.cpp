#include "StartupConnection.h"

#include <cstdlib>
#include <mutex>
#include <vector>

#include "AppFinder.h"
#include "COAirPressure.h"
#include "COMeasObs.h"
#include "DeviceClients.h"
#include "GlobalAccessor.h"
#include "InstrumentInfo.h"
#include "Rs232Trace.h"
#include "core/App.h"
#include "core/MessageSink.h"
#include "core/Text.h"

namespace {

StartupActions& Actions() {
  static StartupActions actions;
  return actions;
}

void ExitProgram(int code) {
  if (Actions().exitProgram)
    Actions().exitProgram(code);
  else
    std::exit(code);
}

}  // namespace

StartupActions SetStartupActions(StartupActions actions) {
  StartupActions previous = Actions();
  Actions() = std::move(actions);
  return previous;
}

COMeasObs* FindMeasObs() {
  if (platform::AppCore::Current() == nullptr) return nullptr;
  IGlobalAccessor* tool = AppRegister::GetAccessor();
  return tool ? tool->GetMeaseasurement() : nullptr;
}

void ConnectToMonitor() {
  COMeasObs* obs = FindMeasObs();
  if (obs == nullptr) return;
  for (;;) {
    if (obs->Connect(false)) break;
    IDeviceDialogs* dialogs = GetDeviceDialogs();
    if (dialogs != nullptr && dialogs->RunComDialog() != IDCANCEL) continue;
    if (AppFinder::isCalibration()) {
      if (Actions().setNoMonitor) Actions().setNoMonitor();
      g_rs232CheckModem = 0;
      return;
    }
    ExitProgram(1);
    return;
  }
  g_rs232CheckModem = 0;
  const MonitorSetup setup = obs->GetDevice().GetSetup();
  InstrumentUtility::GetInstance()->GetInstrumentInfo()->SetInfo(setup.m_model.ToString(), setup.m_serial.ToString());
}

void ReadAirPressure(COAirPressure& pressure) {
  ConnectToMonitor();
  if (!InstrumentUtility::GetInstance()->GetInstrumentInfo()->isTebb()) return;
  const std::string value = QueryDirect("M_A_P?", 10);
  const std::string unit = QueryDirect("SE? PR_U", 9);
  pressure.SetUnitFromReply(unit);
  pressure.SetValue(static_cast<float>(std::atof(value.c_str())));
}

std::string QueryDirect(const std::string& text, unsigned length) {
  COMeasObs* obs = FindMeasObs();
  if (obs == nullptr) return std::string();
  std::lock_guard<std::mutex> exchange(obs->GetDevice().GetScheduler().ExchangeLock());
  obs->InitCommPort();
  DataLinkRS232& link = obs->GetLink();
  const std::string request = text + " \r\n\n";
  const bool wasOpen = link.isOpen();
  if (!wasOpen) link.Open();
  std::vector<char> reply(length + 1, '\0');
  unsigned got = 0;
  try {
    link.Write(ChBufWrapper(request.c_str(), static_cast<unsigned>(request.size())));
    got = link.ReadDirect(reply.data(), length);
    // What a longer reply leaves behind must not start the worker's next one.
    if (got == length && got > 0 && reply[got - 1] != '\n') link.DiscardInput();
  } catch (...) {
    if (!wasOpen) link.Close();
    throw;
  }
  if (!wasOpen) link.Close();
  return platform::Trim(std::string(reply.data(), got));
}
