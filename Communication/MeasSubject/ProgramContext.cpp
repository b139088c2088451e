#include "ProgramContext.h"

#include "CODBObs.h"
#include "COGenSub.h"
#include "COMeasObs.h"
#include "COSequenceObs.h"

ProgramContext::ProgramContext(ProgramProfile profile) : DataContext(std::move(profile)) {
  m_linkOptions.trace = &m_trace;
  if (!Profile().talksToMonitor) return;
  m_measObs = std::make_unique<COMeasObs>(*this, Instrument());
  m_measObs->GetLink().SetOptions(m_linkOptions);
  SetMeasurement(m_measObs.get());
}

void ProgramContext::SetLinkOptions(LinkOptions options) {
  if (options.trace == nullptr) options.trace = &m_trace;
  m_linkOptions = options;
  if (m_measObs) m_measObs->GetLink().SetOptions(m_linkOptions);
}

ProgramContext::~ProgramContext() {
  DetachObservers();
  SetMeasurement(nullptr);
  // The measurement subject, its services and its device go before the data
  // objects it stores into.
  m_measObs.reset();
}

void ProgramContext::AttachObservers() {
  if (m_observersAttached) return;
  GenSub().Attach(&DBObs());
  GenSub().Attach(&Sequence());
  m_observersAttached = true;
}

void ProgramContext::DetachObservers() {
  if (!m_observersAttached) return;
  GenSub().Detach(&Sequence());
  GenSub().Detach(&DBObs());
  m_observersAttached = false;
}

void ProgramContext::SetDeviceDialogs(IDeviceDialogs* dialogs) {
  if (m_measObs) m_measObs->GetDevice().SetDialogs(dialogs);
}

void ProgramContext::SetNotifier(DeviceKovo::Notifier notifier) {
  if (m_measObs) m_measObs->GetDevice().SetNotifier(std::move(notifier));
}
