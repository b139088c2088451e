#include "DeviceClients.h"

#include "Services.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"

namespace {

IDeviceDialogs* g_dialogs = nullptr;

// The process-wide flags of the dialog clients.
int g_identified = 0;
int g_configurationRead = 0;
int g_allUploaded = 0;

}  // namespace

void ShowCommunicationError() { platform::MessageBox("Communication error", MB_OK); }

IDeviceDialogs* GetDeviceDialogs() { return g_dialogs; }

IDeviceDialogs* SetDeviceDialogs(IDeviceDialogs* dialogs) {
  IDeviceDialogs* previous = g_dialogs;
  g_dialogs = dialogs;
  return previous;
}

// --- COLeanClient ---

COLeanClient::COLeanClient(DeviceKovo* device, int quiet) : m_device(device), m_quiet(quiet) {}

COLeanClient::~COLeanClient() = default;

int COLeanClient::CheckResult(Service* service) {
  if (service->GetState() != Service::stateFinished) return 0;
  if (service->IsFailed() && !m_quiet) ShowCommunicationError();
  return 1;
}

bool COLeanClient::IsIdentified() { return g_identified != 0; }

void COLeanClient::ResetRunFlags() { g_identified = g_configurationRead = g_allUploaded = 0; }

void COLeanClient::StartService(ServiceHandle<Service> service) {
  m_service = std::move(service);
  m_service->Start();
}

bool COLeanClient::Succeeded() const {
  // A window that could not be shown leaves the service unfinished.
  return m_service && m_service->GetLiveState() == Service::stateFinished && !m_service->IsFailed();
}

void COOneShotClient::ServiceDone(Service* service) {
  if (CheckResult(service) != 1) return;
  m_service.reset();
  delete this;
}

void COAlarmClient::SetAlarm(bool on) { StartService(m_device->NewSetAlarmService(this, on)); }

void CORelayClient::SetRelay(int relay, int on) { StartService(m_device->NewSetRelayService(this, relay, on)); }

// --- COMessageDlg ---

COMessageDlg::COMessageDlg(DeviceKovo* device, int quiet) : COLeanClient(device, quiet) {}

COMessageDlg::~COMessageDlg() = default;

int COMessageDlg::DoModal() {
  IDeviceDialogs* dialogs = GetDeviceDialogs();
  if (dialogs == nullptr) return -1;
  m_window = dialogs->CreateMessageWindow(this);
  const int result = m_window->DoModal();
  m_window.reset();
  return result;
}

void COMessageDlg::EndDialog(int result) {
  if (m_window) m_window->EndDialog(result);
}

bool COMessageDlg::IsWindow() const { return m_window && m_window->IsWindow(); }

void COMessageDlg::ServiceDone(Service* service) {
  if (CheckResult(service) == 1) EndDialog(1);
}

bool COLeanClient::CanRunServices() {
  if (m_device->IsOpen()) return true;
  // A closed device runs no service: its window would never close.
  if (!m_quiet) ShowCommunicationError();
  return false;
}

bool COMessageDlg::RunOnce(int& flag, unsigned textId, ServiceHandle<Service> service) {
  if (flag) return true;
  if (!CanRunServices()) return false;
  m_text = platform::LoadString(textId);
  StartService(std::move(service));
  DoModal();
  if (Succeeded()) flag = 1;
  m_service.reset();
  return flag != 0;
}

bool COGetIDClient::GetID() { return RunOnce(g_identified, 194, m_device->NewGetIDService(this)); }

bool COCheckConfigurationClient::CheckConfiguration() {
  return RunOnce(g_configurationRead, 196, m_device->NewCheckConfigService(this));
}

// --- COProgress ---

COProgress::COProgress(DeviceKovo* device, int quiet) : COLeanClient(device, quiet) {}

COProgress::~COProgress() = default;

void COProgress::Create() {
  IDeviceDialogs* dialogs = GetDeviceDialogs();
  if (dialogs == nullptr || m_window) return;
  m_window = dialogs->CreateProgressWindow(this);
  m_window->ShowModeless();
}

int COProgress::DoModalFor(Service* service) {
  IDeviceDialogs* dialogs = GetDeviceDialogs();
  if (dialogs == nullptr) return -1;
  m_watched = service;
  m_window = dialogs->CreateProgressWindow(this);
  const int result = m_window->DoModal();
  m_window.reset();
  m_watched = nullptr;
  return result;
}

void COProgress::EndDialog(int result) {
  if (m_window) m_window->EndDialog(result);
}

bool COProgress::IsWindow() const { return m_window && m_window->IsWindow(); }

void COProgress::OnCancel() {
  if (m_watched) m_watched->Cancel();
}

bool COProgress::OnServiceProgress(Service* service) {
  if (IsWindow()) {
    // Only a service with progress reports any.
    if (auto* progress = dynamic_cast<ServiceWithProgress*>(service)) {
      m_progress = progress->GetProgress();
      m_window->SetProgress(m_progress);
    }
  }
  return CheckResult(service) == 1;
}

bool COUploadAllClient::UploadAll() {
  if (g_allUploaded) return true;
  {
    COGetIDClient id(m_device, 0);
    if (!id.GetID()) return false;
  }
  if (!CanRunServices()) return false;
  m_caption = platform::LoadString(161);
  m_text = platform::LoadString(210);
  StartService(m_device->NewUploadAllService(this));
  DoModalFor(m_service.get());
  if (Succeeded()) g_allUploaded = 1;
  m_service.reset();
  return g_allUploaded != 0;
}

void COUploadAllClient::ServiceDone(Service* service) {
  if (OnServiceProgress(service) && IsWindow()) EndDialog(1);
}
