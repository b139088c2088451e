#include "StartupConnection.h"

#include <cstdlib>
#include <mutex>
#include <vector>

#include "COAirPressure.h"
#include "COMeasObs.h"
#include "DeviceClients.h"
#include "ProgramContext.h"
#include "core/MessageSink.h"
#include "core/Text.h"

namespace {

void ExitProgram(const ProgramContext& context, int code) {
  if (context.GetStartupActions().exitProgram)
    context.GetStartupActions().exitProgram(code);
  else
    std::exit(code);
}

}  // namespace

void ConnectToMonitor(ProgramContext& context) {
  COMeasObs* obs = context.MeasObs();
  if (obs == nullptr) return;
  for (;;) {
    if (obs->Connect(false)) break;
    IDeviceDialogs* dialogs = obs->GetDevice().GetDialogs();
    if (dialogs != nullptr && dialogs->RunComDialog() != platform::IDCANCEL) continue;
    if (context.Profile().worksWithoutMonitor) {
      if (context.GetStartupActions().setNoMonitor) context.GetStartupActions().setNoMonitor();
      obs->GetLink().SetCheckModem(false);
      return;
    }
    ExitProgram(context, 1);
    return;
  }
  obs->GetLink().SetCheckModem(false);
  const MonitorSetup setup = obs->GetDevice().GetSetup();
  context.Instrument().SetInfo(setup.m_model.ToString(), setup.m_serial.ToString());
}

void ReadAirPressure(ProgramContext& context, COAirPressure& pressure) {
  ConnectToMonitor(context);
  COMeasObs* obs = context.MeasObs();
  if (obs == nullptr || !context.Instrument().isTebb()) return;
  const std::string value = QueryDirect(*obs, "M_A_P?", 10);
  const std::string unit = QueryDirect(*obs, "SE? PR_U", 9);
  pressure.SetUnitFromReply(unit);
  pressure.SetValue(static_cast<float>(std::atof(value.c_str())));
}

std::string QueryDirect(COMeasObs& obs, const std::string& text, unsigned length) {
  std::lock_guard<std::mutex> exchange(obs.GetDevice().GetScheduler().ExchangeLock());
  obs.InitCommPort();
  DataLinkRS232& link = obs.GetLink();
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

void WriteDirect(COMeasObs& obs, const std::string& text) {
  std::lock_guard<std::mutex> exchange(obs.GetDevice().GetScheduler().ExchangeLock());
  obs.InitCommPort();
  DataLinkRS232& link = obs.GetLink();
  const bool wasOpen = link.isOpen();
  if (!wasOpen) link.Open();
  try {
    link.Write(ChBufWrapper(text.c_str(), static_cast<unsigned>(text.size())));
  } catch (...) {
    if (!wasOpen) link.Close();
    throw;
  }
  if (!wasOpen) link.Close();
}
