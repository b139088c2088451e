#include "OfflineApp.h"

#include "COMeasObs.h"
#include "COOfflineMeasObs.h"
#include "OfflineProfile.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBUtil.h"
#include "DeviceDialogs.h"
#include "InstrumentInfo.h"
#include "OfflineSheet.h"
#include "OfflineStrings.h"
#include "ProgramContext.h"
#include "Rs232Trace.h"
#include "StringIds.h"
#include "TaskRecords.h"
#include "UpDownload.h"
#include "core/Text.h"
#include "ui/UiNotifier.h"

COfflineApp::COfflineApp(std::vector<std::string> args)
    : TarnicBaseApp(OfflineProfile(), std::move(args)),
      m_context(std::make_unique<ProgramContext>(Profile())) {
  LinkOptions link;
  link.ctsFlow = GetRS232LikeYeltInfo();
  m_context->SetLinkOptions(link);
}

COfflineApp::~COfflineApp() {
  // The sheet and the upload go before the objects they point at.
  m_sheet.reset();
  m_transfer.reset();
  m_measObs.reset();
  m_context->DetachObservers();
  m_context->SetDeviceDialogs(nullptr);
}

void COfflineApp::PublishIdentity() {
  const MonitorSetup& setup = m_context->MeasObs()->GetDevice().Setup();
  m_context->Instrument().SetInfo(setup.m_model.ToString(), setup.m_serial.ToString());
  m_context->MeasObs()->GetLink().SetCheckModem(false);
}

void COfflineApp::TakeDefaultSampling() {
  COSequence defaults(*m_context);
  CORecSequence prototype(*m_context);
  prototype.SetTarget(&defaults, 1);
  prototype.Open();
  prototype.CloseWithDatabase();
  m_context->ActiveSequence().CopySampling(defaults);
}

bool COfflineApp::Start() {
  InitSplashScreen();
  COMeasObs& obs = *m_context->MeasObs();
  PublishIdentity();
  // The worker's finished services come back to this thread.
  m_notifier = std::make_unique<platform::UiNotifier>([this, &obs] {
    obs.GetDevice().DispatchDone();
    PublishIdentity();
  });
  m_context->SetNotifier(m_notifier->AsNotifier());
  m_context->SetStartupActions({m_exit, {}});
  m_measObs = std::make_unique<COOfflineMeasObs>(*m_context);
  m_transfer = std::make_unique<COUpDownload>(*m_context, *m_measObs);
  m_sheet = std::make_unique<COOfflineSheet>(*m_context, *m_measObs, *m_transfer, [this] { OnAbout(); });
  m_dialogs = std::make_unique<CODeviceDialogs>(*m_context, m_sheet.get());
  m_context->SetDeviceDialogs(m_dialogs.get());
  SetMainWnd(m_sheet.get());
  ShowSplashScreen();

  // Until the monitor has answered, a port without its modem lines is none.
  obs.GetLink().SetCheckModem(true);
  m_context->SerialTrace().SetOn(GetDebugInfo());
  const std::string flags = platform::Format("rs232debug:%d debug:%d rs232_likeYelt_param:%d\n", GetDebugInfo() ? 1 : 0,
                                             GetDebugInfo() ? 1 : 0, GetRS232LikeYeltInfo() ? 1 : 0);
  bool systemDatabase = false;
  try {
    systemDatabase = m_context->Setup().OpenSystemDatabase();
  } catch (const platform::CException& e) {
    ReportException(IDS_OFFLINE_NO_SYSTEM_DB, e);
    return false;
  }
  if (systemDatabase) {
    RunReportingDatabaseErrors([this] {
      m_context->Setup().ConfigDataSource(dbfiles::kMeasPrototype);
      TakeDefaultSampling();
    });
  }
  m_context->AttachObservers();
  if (!systemDatabase) {
    ShowMessageWithReason(IDS_OPEN_SYSTEM_DB_FAILED, m_context->Setup().SystemDatabaseFailure());
    return false;
  }
  obs.InitCommPort();
  m_context->SerialTrace().Log(flags);
  return true;
}

bool COfflineApp::InitInstance() {
  if (Start()) m_sheet->DoModal();
  SetMainWnd(nullptr);
  return false;
}
