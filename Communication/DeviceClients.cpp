#include "DeviceClients.h"

#include "Services.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"
#include "StringIds.h"

void ShowCommunicationError() { platform::MessageBox("Communication error", platform::MB_OK); }

// --- COLeanClient ---

COLeanClient::COLeanClient(DeviceKovo* device, bool quiet) : m_device(device), m_quiet(quiet) {}

COLeanClient::~COLeanClient() = default;

bool COLeanClient::CheckResult(Service* service) {
  if (service->GetState() != Service::stateFinished) return false;
  if (service->IsFailed() && !m_quiet) ShowCommunicationError();
  return true;
}

void COLeanClient::StartService(ServiceHandle<Service> service) {
  m_service = std::move(service);
  m_service->Start();
}

bool COLeanClient::Succeeded() const {
  // A window that could not be shown leaves the service unfinished.
  return m_service && m_service->GetLiveState() == Service::stateFinished && !m_service->IsFailed();
}

void COOneShotClient::ServiceDone(Service* service) {
  if (!CheckResult(service)) return;
  m_service.reset();
  delete this;
}

void COAlarmClient::SetAlarm(bool on) { StartService(m_device->NewSetAlarmService(this, on)); }

void CORelayClient::SetRelay(int relay, int on) { StartService(m_device->NewSetRelayService(this, relay, on)); }

// --- COMessageDlg ---

COMessageDlg::COMessageDlg(DeviceKovo* device, bool quiet) : COLeanClient(device, quiet) {}

COMessageDlg::~COMessageDlg() = default;

int COMessageDlg::DoModal() {
  IDeviceDialogs* dialogs = Dialogs();
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
  if (CheckResult(service)) EndDialog(1);
}

bool COLeanClient::CanRunServices() {
  if (m_device->IsOpen()) return true;
  // A closed device runs no service: its window would never close.
  if (!m_quiet) ShowCommunicationError();
  return false;
}

bool COMessageDlg::RunOnce(bool& flag, unsigned textId, ServiceHandle<Service> service) {
  if (flag) return true;
  if (!CanRunServices()) return false;
  m_text = platform::LoadString(textId);
  StartService(std::move(service));
  DoModal();
  if (Succeeded()) flag = true;
  m_service.reset();
  return flag;
}

bool COGetIDClient::GetID() {
  return RunOnce(m_device->RunFlags().identified, IDS_RETRIEVING_ID, m_device->NewGetIDService(this));
}

bool COCheckConfigurationClient::CheckConfiguration() {
  return RunOnce(m_device->RunFlags().configurationRead, IDS_RETRIEVING_UA_NUMBERS,
                 m_device->NewCheckConfigService(this));
}

// --- COProgress ---

COProgress::COProgress(DeviceKovo* device, bool quiet) : COLeanClient(device, quiet) {}

COProgress::~COProgress() = default;

void COProgress::Create() {
  IDeviceDialogs* dialogs = Dialogs();
  if (dialogs == nullptr || m_window) return;
  m_window = dialogs->CreateProgressWindow(this);
  m_window->ShowModeless();
}

int COProgress::DoModalFor(Service* service) {
  IDeviceDialogs* dialogs = Dialogs();
  if (dialogs == nullptr) return -1;
  m_watched = service;
  m_cancelled = false;
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
  if (!m_watched) return;
  if (m_watched->GetLiveState() != Service::stateFinished && !m_watched->IsFailed()) m_cancelled = true;
  m_watched->Cancel();
}

void COProgress::SetProgress(int percent) {
  m_progress = percent;
  if (IsWindow()) m_window->SetProgress(percent);
}

bool COProgress::OnServiceProgress(Service* service) {
  if (IsWindow()) {
    // Only a service with progress reports any.
    if (auto* progress = dynamic_cast<ServiceWithProgress*>(service)) {
      m_progress = progress->GetProgress();
      m_window->SetProgress(m_progress);
    }
  }
  return CheckResult(service);
}

bool COUploadAllClient::UploadAll() {
  bool& uploaded = m_device->RunFlags().allUploaded;
  if (uploaded) return true;
  {
    COGetIDClient id(m_device, false);
    if (!id.GetID()) return false;
  }
  if (!CanRunServices()) return false;
  m_caption = platform::LoadString(IDS_UPLOADING);
  m_text = platform::LoadString(IDS_RETRIEVING_FILTER_INFO);
  StartService(m_device->NewUploadAllService(this));
  DoModalFor(m_service.get());
  if (Succeeded()) uploaded = true;
  m_service.reset();
  return uploaded;
}

void COUploadAllClient::ServiceDone(Service* service) {
  if (OnServiceProgress(service) && IsWindow()) EndDialog(1);
}
