#include "OnlineApp.h"

#include <QApplication>
#include <QStatusBar>
#include <QStyle>
#include <ctime>

#include "AlarmView.h"
#include "COGenSub.h"
#include "COMeasObs.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBDoc.h"
#include "DBUtil.h"
#include "EventDialog.h"
#include "FormViews.h"
#include "MeasStartDialog.h"
#include "MonitorMemory.h"
#include "OnlineCommands.h"
#include "OnlineProfile.h"
#include "OnlineStrings.h"
#include "Rs232Trace.h"
#include "StartupConnection.h"
#include "StringIds.h"
#include "TaskDialogs.h"
#include "core/MessageSink.h"
#include "core/Shell.h"
#include "core/StringTable.h"
#include "core/Text.h"


COnlineApp::COnlineApp(std::vector<std::string> args)
    : CMeasProgramApp(OnlineProfile(),
                      {ID_UNITS, ID_COMMUNICATION, ID_ZOOM_IN, ID_ZOOM_OUT, ID_GOTO_START, ID_SCROLL_BACKWARD,
                       ID_SCROLL_FORWARD, ID_GOTO_END, ID_SCALE_LEFT_ZERO,
                       ID_SCALE_LEFT_MINMAX, ID_SCALE_RIGHT_ZERO, ID_SCALE_RIGHT_MINMAX},
                      std::move(args)) {
  m_generator.callOnTimeout([this] {
    COMeas meas;
    meas.SetTime(platform::CTime::GetCurrentTime());
    std::uniform_int_distribution<int> draw(0, 32767);
    for (int channel = 0; channel < 6; ++channel) meas.SetValue(channel, draw(m_random) * 0.0006103702f);
    m_context->GenSub().NotifyMeas(eNewMeas, meas);
    if (--m_generatorLeft <= 0) m_generator.stop();
  });
}

COnlineApp::~COnlineApp() {
  // The windows and the outputs go before the objects they point at.
  m_generator.stop();
  DestroyWindows();
  if (m_context->MeasObs() != nullptr) m_context->SetAlarmOutputs(nullptr, nullptr, nullptr, nullptr);
  if (m_alarmStatus) m_context->GenSub().Detach(m_alarmStatus.get());
  if (m_pageStatus) m_context->GenSub().Detach(m_pageStatus.get());
}

void COnlineApp::Prepare() {
  COMeasObs& obs = *m_context->MeasObs();
  m_context->SetStartupActions({m_exit, {}});

  m_pcBeep = std::make_unique<COPCBeep>([this] {
    // Many desktops have no bell: the main window shows the beep as well.
    if (CMainFrame* frame = Frame()) {
      frame->statusBar()->showMessage("ALARM", 1000);
      QApplication::alert(frame, 1000);
    }
  });
  m_monBeep = std::make_unique<COMonBeep>(obs);
  m_rel1Beep = std::make_unique<CORel1Beep>(obs);
  m_rel2Beep = std::make_unique<CORel2Beep>(obs);
  m_context->SetAlarmOutputs(m_pcBeep.get(), m_monBeep.get(), m_rel1Beep.get(), m_rel2Beep.get());

  m_context->AttachObservers();
  m_alarmStatus = std::make_unique<COAlarmStatus>(*m_context, [this] {
    if (CMainFrame* frame = Frame()) frame->Execute(ID_WINDOW_ALARMS);
  });
  m_context->GenSub().Attach(m_alarmStatus.get());
  m_pageStatus = std::make_unique<COPageStatus>();
  m_context->GenSub().Attach(m_pageStatus.get());
  if (!m_openText) m_openText = [this](const std::string& text) { return OpenText(text); };
}

bool COnlineApp::StartUp() {
  COMeasObs& obs = *m_context->MeasObs();
  m_systemDatabase = m_context->Setup().OpenSystemDatabase();
  MakeFonts();
  ShowMainWindow();

  // Until the monitor has answered, a port with every modem line off has
  // none behind it.
  obs.GetLink().SetCheckModem(true);
  m_context->SerialTrace().SetOn(GetDebugInfo());
  const std::string flags = platform::Format("rs232debug:%d debug:%d rs232_likeYelt_param:%d\n", GetDebugInfo() ? 1 : 0,
                                             GetDebugInfo() ? 1 : 0, GetRS232LikeYeltInfo() ? 1 : 0);
  if (m_systemDatabase)
    obs.InitCommPort();
  else
    ShowMessageWithReason(IDS_OPEN_SYSTEM_DB_FAILED, m_context->Setup().SystemDatabaseFailure());
  ConnectToMonitor(*m_context);
  m_context->SerialTrace().Log(flags);
  return m_systemDatabase;
}

void COnlineApp::MakeCommands() {
  CMainFrame& f = *Frame();
  auto taskOpen = [this] { return TaskOpen(); };
  AddSharedCommands();
  AddMeasurementCommands();
  f.AddCommand({ID_PRINT_MONITOR_DATA, "Print Monitor Measurement &Data...", {}, [this] { OnPrintMonitorData(); }});
  f.AddCommand({ID_USER_EVENT, "User &Event...", {}, [this] { OnUserEvent(); }, taskOpen});
  f.AddCommand({ID_WINDOW_ALARMS, "&Alarm Status", {},
                [this] { Layer().Registry().Open(CMeasViewBase::kAlarmType); }, taskOpen, "Alarm Status",
                QStyle::SP_MessageBoxWarning, "dialog-warning"});
  f.AddCommand({ID_WINDOW_MEASSTATUS, "&Measurement Status", {},
                [this] { Layer().Registry().Open(CMeasViewBase::kStatusType); }});
  // Debugging only: made-up measurements, and the task's start and stop
  // announced without the monitor.
  f.AddCommand({ID_TEST_GENERATOR_5, "Test Generator (5)", {}, [this] { RunTestGenerator(ID_TEST_GENERATOR_5, 5); },
                taskOpen});
  f.AddCommand({ID_TEST_GENERATOR_2500, "Test Generator (2500)", {},
                [this] { RunTestGenerator(ID_TEST_GENERATOR_2500, 2500); }, taskOpen});
  f.AddCommand({ID_TEST_GENERATOR_500, "Test Generator (500)", {},
                [this] { RunTestGenerator(ID_TEST_GENERATOR_500, 500); }, taskOpen});
  f.AddCommand({ID_NOTIFY_TASK_STARTED, "Notify Task Started", {},
                [this] { m_context->GenSub().Notify(eTaskStarted); }, taskOpen});
  f.AddCommand({ID_NOTIFY_TASK_STOPPED, "Notify Task Stopped", {},
                [this] { m_context->GenSub().Notify(eTaskStopped); }, taskOpen});

  f.AddMenu("&Task", {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_CLOSE, CMainFrame::kSeparator, ID_COMMUNICATION, ID_UNITS,
                      ID_FONT, CMainFrame::kSeparator, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP,
                      ID_PRINT_MONITOR_DATA, CMainFrame::kSeparator, ID_APP_EXIT});
  f.AddMenu("&Edit", {ID_EDIT_COPY, ID_WINDOW_PROPERTIES, CMainFrame::kSeparator, ID_USER_EVENT});
  AddViewMenu({ID_ZOOM_IN, ID_ZOOM_OUT, CMainFrame::kSeparator, ID_GOTO_START, ID_SCROLL_BACKWARD,
               ID_SCROLL_FORWARD, ID_GOTO_END, CMainFrame::kSeparator, ID_SCALE_LEFT_ZERO, ID_SCALE_LEFT_MINMAX,
               ID_SCALE_RIGHT_ZERO, ID_SCALE_RIGHT_MINMAX});
  f.AddMenu("&Measurement", {ID_SETTINGS, CMainFrame::kSeparator, ID_START, ID_PAUSE, ID_STOP});
  AddWindowAndHelpMenus({ID_WINDOW_NEW_GRAPHIC, ID_WINDOW_NEW_NUMERIC, ID_VIEW_CURSORS, ID_WINDOW_ALARMS,
                         ID_WINDOW_MEASSTATUS});
  // Started with the debug flag, the program shows its debugging commands.
  if (GetDebugInfo())
    f.AddMenu("&Debug", {ID_TEST_GENERATOR_5, ID_TEST_GENERATOR_500, ID_TEST_GENERATOR_2500, CMainFrame::kSeparator,
                         ID_NOTIFY_TASK_STARTED, ID_NOTIFY_TASK_STOPPED});
  f.AddToolBar({ID_FILE_NEW, ID_FILE_OPEN, CMainFrame::kSeparator, ID_EDIT_COPY, CMainFrame::kSeparator, ID_FILE_PRINT,
                CMainFrame::kSeparator, ID_SETTINGS, CMainFrame::kSeparator, ID_START, ID_PAUSE, ID_STOP,
                CMainFrame::kSeparator, ID_SCALE_LEFT_ZERO, ID_SCALE_LEFT_MINMAX, CMainFrame::kSeparator,
                ID_SCALE_RIGHT_ZERO, ID_SCALE_RIGHT_MINMAX, CMainFrame::kSeparator, ID_ZOOM_IN, ID_ZOOM_OUT,
                CMainFrame::kSeparator, ID_GOTO_START, ID_SCROLL_BACKWARD, ID_SCROLL_FORWARD, ID_GOTO_END,
                CMainFrame::kSeparator, ID_WINDOW_PROPERTIES, CMainFrame::kSeparator, ID_VIEW_CURSORS,
                ID_WINDOW_ALARMS, CMainFrame::kSeparator, ID_APP_ABOUT_CMD});
}

void COnlineApp::RunTestGenerator(unsigned command, int count) {
  if (std::find(m_generatorSeeded.begin(), m_generatorSeeded.end(), command) == m_generatorSeeded.end()) {
    m_generatorSeeded.push_back(command);
    m_random.seed(static_cast<unsigned>(std::time(nullptr)));
  }
  m_generatorLeft = count;
  m_generator.start(m_generatorPause);
}

void COnlineApp::OnStart() {
  COSequence& sequence = m_context->ActiveSequence();
  bool any = false;
  for (int f = 0; f < 6; ++f) any = any || sequence.IsFilterActive(f);
  if (!any) {
    ShowMessage(IDS_ONLINE_NO_GASES);
    return;
  }
  CMeasStart dlg(*m_context, Frame());
  dlg.DoModal();
}

void COnlineApp::OnPause() { m_context->MeasObs()->StartStopMonitor(); }

void COnlineApp::RegisterWindows() {
  CMeasProgramApp::RegisterWindows();
  RegisterSingle(CMeasViewBase::kStatusType, [this] { return new CStatusView(Layer(), &Document()); });
  RegisterSingle(CMeasViewBase::kAlarmType, [this] { return new CAlarmsView(Layer(), &Document(), *m_alarmStatus); });
}

bool COnlineApp::OpenText(const std::string& text) {
  CPrintView* view = OpenView<CPrintView>();
  view->SetText(text);
  return true;
}

void COnlineApp::OnUserEvent() {
  CEventDialog dlg(*m_context, Layer().Cursors(), Frame());
  if (dlg.DoModal() == platform::IDOK) m_context->GenSub().Notify(eUserEvent);
}

void COnlineApp::OnPrintMonitorData() {
  COMeasObs& obs = *m_context->MeasObs();
  MemoryPrint print;
  try {
    platform::WaitCursor wait;
    obs.InitCommPort();
    print = ReadMonitorMemoryPrint(obs, PrintLinesPerPage());
  } catch (const std::exception&) {
    platform::MessageBox("Communication failed.", platform::MB_ICONWARNING);
    return;
  }
  if (print.noData) {
    platform::MessageBox("WARNING: NO MEASURED DATA AVAILABLE", platform::MB_OK, "ONLINE");
    try {
      AcknowledgeNoData(obs);
    } catch (const std::exception&) {
      // The monitor keeps its message; nothing is lost.
    }
    return;
  }
  if (!m_openText || !m_openText(print.text)) ShowMessage(IDS_ONLINE_NO_WINDOW);
}

bool COnlineApp::CloseTask() {
  const bool closed = CMeasProgramApp::CloseTask();
  if (!TaskOpen()) m_generator.stop();
  return closed;
}

void COnlineApp::OpenTaskDocument() {
  ShowTaskTitle(m_context->Setup().GetDatabaseDesc());
  Document().OnOpenDocument("");
}

void COnlineApp::OnNewTask() {
  if (!CloseTask()) return;
  COMeasObs& obs = *m_context->MeasObs();
  if (!obs.Connect(false)) return;
  CNewDatabase dlg(*m_context, Frame());
  if (dlg.DoModal() != platform::IDOK) return;
  if (!obs.LoadSetupFromDatabase()) return;
  if (!CDBDoc::CreateTask(*m_context, dlg.m_description, obs.GetDevice().GetSetup().m_serial.ToString(),
                          IDS_ONLINE_CREATE_DOC_FAILED))
    return;
  OpenTaskDocument();
}

void COnlineApp::OnOpenTask() {
  if (!CloseTask()) return;
  COMeasObs& obs = *m_context->MeasObs();
  if (!obs.Connect(true)) return;
  COpenDatabase dlg(*m_context, Frame());
  if (dlg.DoModal() != platform::IDOK) return;
  if (!obs.LoadSetupFromDatabase()) return;
  if (!CDBDoc::OpenTask(*m_context, dlg.m_selectedName, dlg.m_selectedDescription)) return;
  OpenTaskDocument();
}

void COnlineApp::OnSettings() {
  COMeasObs& obs = *m_context->MeasObs();
  MonitorMemoryAccess memory;
  memory.read = [&obs] {
    obs.InitCommPort();
    return QueryMonitorMemory(obs);
  };
  memory.write = [&obs](bool on) {
    obs.InitCommPort();
    SwitchMonitorMemory(obs, on);
  };
  RunSequenceSettings(*m_context, m_pageStatus.get(), Frame(), memory);
}
