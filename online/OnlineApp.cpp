#include "OnlineApp.h"

#include <QFontDialog>
#include <QPageSetupDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QFontMetrics>
#include <QPrinter>
#include <QStatusBar>
#include <QStyle>
#include <chrono>
#include <thread>

#include "AlarmView.h"
#include "COGenSub.h"
#include "COMeasObs.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBDoc.h"
#include "ComDialog.h"
#include "DBUtil.h"
#include "InstrumentInfo.h"
#include "EventDialog.h"
#include "FormViews.h"
#include "GraphView.h"
#include "NumView.h"
#include "WindowStore.h"
#include "MeasStartDialog.h"
#include "MonitorMemory.h"
#include "OnlineCommands.h"
#include "OnlineStrings.h"
#include "Rs232Trace.h"
#include "StartupConnection.h"
#include "StringIds.h"
#include "TaskDialogs.h"
#include "UnitsDialog.h"
#include "SamplingPage.h"
#include "SequenceSheet.h"
#include "core/MessageSink.h"
#include "core/Shell.h"
#include "core/StringTable.h"
#include "core/Text.h"
#include "ui/PainterDC.h"

namespace {

constexpr const char* kTitle = "Nolt Online";

}  // namespace

COnlineApp::COnlineApp(std::vector<std::string> args)
    : TarnicBaseApp("Online", std::move(args)),
      m_context(std::make_unique<ProgramContext>(Identity())) {
  LinkOptions link;
  link.ctsFlow = GetRS232LikeYeltInfo();
  m_context->SetLinkOptions(link);
}

COnlineApp::~COnlineApp() {
  // The windows and the outputs go before the objects they point at.
  m_frame.reset();
  SetDocument(nullptr);
  m_document.reset();
  m_layer.reset();
  if (m_context->MeasObs() != nullptr) m_context->SetAlarmOutputs(nullptr, nullptr, nullptr, nullptr);
  if (m_alarmStatus) m_context->GenSub().Detach(m_alarmStatus.get());
  if (m_pageStatus) m_context->GenSub().Detach(m_pageStatus.get());
  m_context->DetachObservers();
  m_context->SetDeviceDialogs(nullptr);
}

bool COnlineApp::TaskOpen() const { return m_context->Setup().IsMeasDatabaseOpen(); }

bool COnlineApp::InitInstance() {
  InitSplashScreen();
  COMeasObs& obs = *m_context->MeasObs();

  // The worker's finished services come back to this thread.
  m_notifier = std::make_unique<platform::UiNotifier>([&obs] { obs.GetDevice().DispatchDone(); });
  m_context->SetNotifier(m_notifier->AsNotifier());
  m_context->SetStartupActions({m_exit, {}});

  m_pcBeep = std::make_unique<COPCBeep>([this] {
    // Many desktops have no bell: the main window shows the beep as well.
    if (m_frame) {
      m_frame->statusBar()->showMessage("ALARM", 1000);
      QApplication::alert(m_frame.get(), 1000);
    }
  });
  m_monBeep = std::make_unique<COMonBeep>(obs);
  m_rel1Beep = std::make_unique<CORel1Beep>(obs);
  m_rel2Beep = std::make_unique<CORel2Beep>(obs);
  m_context->SetAlarmOutputs(m_pcBeep.get(), m_monBeep.get(), m_rel1Beep.get(), m_rel2Beep.get());

  m_context->AttachObservers();
  m_alarmStatus = std::make_unique<COAlarmStatus>(*m_context, [this] {
    if (m_frame) m_frame->Execute(ID_WINDOW_ALARMS);
  });
  m_context->GenSub().Attach(m_alarmStatus.get());

  m_pageStatus = std::make_unique<COPageStatus>();
  m_context->GenSub().Attach(m_pageStatus.get());
  m_layer = std::make_unique<CWindowLayer>(*m_context, &obs);
  m_layer->showSequenceSettings = [this](COSequence& sequence) {
    ShowSequenceSettings(*m_context, sequence, m_frame.get());
  };
  // The document all windows share, empty until a task opens.
  RenewDocument();
  if (!m_openText) m_openText = [this](const std::string& text) { return OpenText(text); };
  m_frame = std::make_unique<CMainFrame>();
  m_frame->setWindowTitle(kTitle);
  m_frame->resize(1000, 700);
  MakeCommands();
  RegisterWindows();
  m_frame->onClose = [this] { return OnMainWindowClose(); };
  SetMainWnd(m_frame.get());
  m_dialogs = std::make_unique<CODeviceDialogs>(*m_context, m_frame.get());
  m_context->SetDeviceDialogs(m_dialogs.get());

  m_systemDatabase = m_context->Setup().OpenSystemDatabase();
  MakeFonts();
  m_frame->show();
  ShowSplashScreen();

  m_context->SerialTrace().SetOn(GetDebugInfo());
  const std::string flags = platform::Format("rs232debug:%d debug:%d rs232_likeYelt_param:%d\n", GetDebugInfo() ? 1 : 0,
                                             GetDebugInfo() ? 1 : 0, GetRS232LikeYeltInfo() ? 1 : 0);
  if (m_systemDatabase)
    obs.InitCommPort();
  else
    ShowMessage(IDS_OPEN_SYSTEM_DB_FAILED);
  ConnectToMonitor(*m_context);
  m_context->SerialTrace().Log(flags);
  m_frame->UpdateCommands();
  return m_systemDatabase;
}

int COnlineApp::ExitInstance() {
  COMeasObs& obs = *m_context->MeasObs();
  obs.StopService();
  if (obs.GetState() == MeasState::idle) return 0;
  // A measurement that is still stopping gets its time, no more; the
  // program stays responsive while it waits.
  platform::WaitCursor wait;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_stopWaitMs);
  while (obs.GetState() != MeasState::idle && std::chrono::steady_clock::now() < deadline) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return 0;
}

void COnlineApp::MakeFonts() {
  COSystemSetup& setup = m_context->Setup();
  m_curSmallFont.CreateFontIndirect(setup.GetSmallFont());
  m_curSmallPrintFont.CreateFontIndirect(setup.GetLargeFont());
  m_curFont.CreateFontIndirect(setup.GetFont());
}

void COnlineApp::MakeCommands() {
  CMainFrame& f = *m_frame;
  COMeasObs* obs = m_context->MeasObs();
  auto state = [obs] { return obs->GetState(); };
  auto taskOpen = [this] { return TaskOpen(); };
  f.AddCommand({ID_FILE_NEW, "&New\tCtrl+N", QKeySequence(Qt::CTRL | Qt::Key_N), [this] { OnNewTask(); }, {}, "New",
                QStyle::SP_FileIcon});
  f.AddCommand({ID_FILE_OPEN, "&Open...\tCtrl+O", QKeySequence(Qt::CTRL | Qt::Key_O), [this] { OnOpenTask(); }, {},
                "Open", QStyle::SP_DialogOpenButton});
  f.AddCommand({ID_FILE_CLOSE, "&Close", {}, [this] { CloseTask(); }, taskOpen});
  using VC = CMeasViewBase::Command;
  f.AddCommand(ViewCommand(f, {ID_FILE_PRINT, "&Print...\tCtrl+P", QKeySequence(Qt::CTRL | Qt::Key_P), {}, {}, "Print"},
                           VC::print));
  f.AddCommand(ViewCommand(f, {ID_FILE_PRINT_PREVIEW, "Print Pre&view"}, VC::printPreview));
  f.AddCommand({ID_FILE_PRINT_SETUP, "P&rint Setup...", {}, [this] {
                  QPrinter printer(QPrinter::HighResolution);
                  if (m_layer->pageLayout.isValid()) printer.setPageLayout(m_layer->pageLayout);
                  QPageSetupDialog dlg(&printer, m_frame.get());
                  if (dlg.exec() == QDialog::Accepted) m_layer->pageLayout = printer.pageLayout();
                }});
  f.AddCommand(ViewCommand(f, {ID_EDIT_COPY, "&Copy\tCtrl+C", QKeySequence(Qt::CTRL | Qt::Key_C), {}, {}, "Copy"},
                           VC::copy));
  f.AddCommand(ViewCommand(f, {ID_WINDOW_PROPERTIES, "&Window Properties...", {}, {}, {}, "Window Properties",
                               QStyle::SP_FileDialogInfoView}, VC::properties));
  f.AddCommand(ViewCommand(f, {ID_ZOOM_IN, "Zoom &In", {}, {}, {}, "Zoom In", QStyle::SP_ArrowUp}, VC::zoomIn));
  f.AddCommand(ViewCommand(f, {ID_ZOOM_OUT, "Zoom &Out", {}, {}, {}, "Zoom Out", QStyle::SP_ArrowDown}, VC::zoomOut));
  f.AddCommand(ViewCommand(f, {ID_SCALE_LEFT_ZERO, "Scale left y-axis from 0 to max", {}, {}, {},
                               "Scale left y-axis from 0 to max", QStyle::SP_TitleBarShadeButton}, VC::scaleLeftZero));
  f.AddCommand(ViewCommand(f, {ID_SCALE_LEFT_MINMAX, "Scale left y-axis from min to max", {}, {}, {},
                               "Scale left y-axis from min to max", QStyle::SP_TitleBarUnshadeButton},
                           VC::scaleLeftMinMax));
  f.AddCommand(ViewCommand(f, {ID_SCALE_RIGHT_ZERO, "Scale right y-axis from 0 to max", {}, {}, {},
                               "Scale right y-axis from 0 to max", QStyle::SP_TitleBarShadeButton}, VC::scaleRightZero));
  f.AddCommand(ViewCommand(f, {ID_SCALE_RIGHT_MINMAX, "Scale right y-axis from min to max", {}, {}, {},
                               "Scale right y-axis from min to max", QStyle::SP_TitleBarUnshadeButton},
                           VC::scaleRightMinMax));
  f.AddCommand({ID_WINDOW_NEW_GRAPHIC, "New &Graphic Window", {},
                [this] { m_layer->Registry().Open(CMeasViewBase::kGraphType); }, taskOpen});
  f.AddCommand({ID_COMMUNICATION, "Co&mmunication...", {}, [this] {
                  COComDialog dlg(*m_context, m_frame.get());
                  if (dlg.DoModal() == platform::IDOK) m_context->MeasObs()->InitCommPort();
                }});
  f.AddCommand({ID_UNITS, "&Units...", {}, [this] {
                  CUnits dlg(*m_context, m_frame.get());
                  dlg.DoModal();
                }});
  f.AddCommand({ID_FONT, "&Font...", {}, [this] { OnFont(); }});
  f.AddCommand({ID_PRINT_MONITOR_DATA, "Print Monitor Measurement &Data...", {}, [this] { OnPrintMonitorData(); }});
  f.AddCommand({ID_APP_EXIT, "E&xit", {}, [this] { m_frame->close(); }});
  f.AddCommand({ID_SETTINGS, "&Settings...", {}, [this] { OnSettings(); }, taskOpen, "Settings",
                QStyle::SP_FileDialogDetailedView});
  f.AddCommand({ID_START, "S&tart...\tF3", QKeySequence(Qt::Key_F3), [this] { OnStart(); },
                [taskOpen, state] { return taskOpen() && state() == MeasState::idle; }, "Start",
                QStyle::SP_MediaPlay});
  f.AddCommand({ID_PAUSE, "&Pause\tF4", QKeySequence(Qt::Key_F4), [obs] { obs->StartStopMonitor(); },
                [taskOpen, state] {
                  return taskOpen() && (state() == MeasState::active || state() == MeasState::restartStopped);
                },
                "Pause", QStyle::SP_MediaPause});
  f.AddCommand({ID_STOP, "St&op\tF5", QKeySequence(Qt::Key_F5), [obs] { obs->StopMeasurement(); },
                [taskOpen, state] {
                  return taskOpen() && (state() == MeasState::active || state() == MeasState::delayedStart);
                },
                "Stop", QStyle::SP_MediaStop});
  f.AddCommand({ID_USER_EVENT, "User &Event...", {}, [this] { OnUserEvent(); }, taskOpen});
  f.AddCommand({ID_WINDOW_NEW_NUMERIC, "New &Numeric Window", {}, [this] { m_layer->Registry().Open(CMeasViewBase::kNumericType); },
                taskOpen});
  f.AddCommand({ID_VIEW_CURSORS, "C&ursor Values", {}, [this] { m_layer->Registry().Open(CMeasViewBase::kCursorType); },
                taskOpen});
  f.AddCommand({ID_WINDOW_ALARMS, "&Alarm Status", {}, [this] { m_layer->Registry().Open(CMeasViewBase::kAlarmType); },
                taskOpen, "Alarm Status", QStyle::SP_MessageBoxWarning});
  f.AddCommand({ID_WINDOW_MEASSTATUS, "&Measurement Status", {},
                [this] { m_layer->Registry().Open(CMeasViewBase::kStatusType); }});
  f.AddCommand({ID_WINDOW_CASCADE, "&Cascade", {}, [this] { m_frame->MdiArea()->cascadeSubWindows(); }});
  f.AddCommand({ID_WINDOW_TILE, "&Tile", {}, [this] { m_frame->MdiArea()->tileSubWindows(); }});
  f.AddCommand({ID_APP_ABOUT_CMD, "&About Online...", {}, [this] { OnAbout(); }, {}, "About",
                QStyle::SP_MessageBoxInformation});

  f.AddMenu("&Task", {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_CLOSE, CMainFrame::kSeparator, ID_COMMUNICATION, ID_UNITS, ID_FONT,
                      CMainFrame::kSeparator, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP,
                      ID_PRINT_MONITOR_DATA, CMainFrame::kSeparator, ID_APP_EXIT});
  f.AddMenu("&Edit", {ID_EDIT_COPY, ID_WINDOW_PROPERTIES, CMainFrame::kSeparator, ID_USER_EVENT});
  f.AddMenu("&View", {ID_ZOOM_IN, ID_ZOOM_OUT, CMainFrame::kSeparator, ID_SCALE_LEFT_ZERO, ID_SCALE_LEFT_MINMAX,
                      ID_SCALE_RIGHT_ZERO, ID_SCALE_RIGHT_MINMAX});
  f.AddMenu("&Measurement", {ID_SETTINGS, CMainFrame::kSeparator, ID_START, ID_PAUSE, ID_STOP});
  f.AddMenu("&Window", {ID_WINDOW_NEW_GRAPHIC, ID_WINDOW_NEW_NUMERIC, ID_VIEW_CURSORS, ID_WINDOW_ALARMS, ID_WINDOW_MEASSTATUS, CMainFrame::kSeparator,
                        ID_WINDOW_CASCADE, ID_WINDOW_TILE});
  f.AddMenu("&Help", {ID_APP_ABOUT_CMD});
  f.AddToolBar({ID_FILE_NEW, ID_FILE_OPEN, CMainFrame::kSeparator, ID_EDIT_COPY, CMainFrame::kSeparator, ID_FILE_PRINT,
                CMainFrame::kSeparator, ID_SETTINGS, CMainFrame::kSeparator, ID_START, ID_PAUSE, ID_STOP,
                CMainFrame::kSeparator, ID_SCALE_LEFT_ZERO, ID_SCALE_LEFT_MINMAX, CMainFrame::kSeparator,
                ID_SCALE_RIGHT_ZERO, ID_SCALE_RIGHT_MINMAX, CMainFrame::kSeparator, ID_ZOOM_IN, ID_ZOOM_OUT,
                CMainFrame::kSeparator, ID_WINDOW_PROPERTIES, CMainFrame::kSeparator, ID_VIEW_CURSORS,
                ID_WINDOW_ALARMS, CMainFrame::kSeparator, ID_APP_ABOUT_CMD});
  f.AddIndicators(4);
}

void COnlineApp::OnFont() {
  COSystemSetup& setup = m_context->Setup();
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, ToQFont(setup.GetFont()), m_frame.get(), "Font");
  if (!ok) return;
  setup.SetFont(FromQFont(chosen));
  setup.Save();
  MakeFonts();
  if (TaskOpen() && GetDocument() != nullptr) GetDocument()->UpdateAllViews(nullptr, kHintRepaint);
}

void COnlineApp::OnStart() {
  COSequence& sequence = m_context->ActiveSequence();
  bool any = false;
  for (int f = 0; f < 6; ++f) any = any || sequence.IsFilterActive(f);
  if (!any) {
    ShowMessage(IDS_ONLINE_NO_GASES);
    return;
  }
  CMeasStart dlg(*m_context, m_frame.get());
  dlg.DoModal();
}

// A page holds 85 lines only where the default printer's text is 50 units
// high without leading, else 78.
int COnlineApp::PrintLinesPerPage() {
  QPrinter printer;
  const QFontMetrics metrics(QFont(), &printer);
  return metrics.height() == 50 && metrics.leading() == 0 ? 85 : 78;
}

template <class View>
View* COnlineApp::OpenView() {
  auto* view = new View(*m_layer, m_document.get());
  ShowView(*m_frame, view);
  return view;
}


void COnlineApp::RegisterWindows() {
  CWindowRegistry& r = m_layer->Registry();
  r.Register(CMeasViewBase::kNumericType, [this] { OpenNumeric(); });
  r.Register(CMeasViewBase::kGraphType, [this] { OpenView<CGraphView>(); });
  r.Register(CMeasViewBase::kStatusType, [this] { OpenStatus(); });
  r.Register(CMeasViewBase::kCursorType, [this] { OpenCursorValues(); });
  r.Register(CMeasViewBase::kAlarmType, [this] {
    if (ActivateSingle(m_alarmWindow)) return;
    auto* view = new CAlarmsView(*m_layer, m_document.get(), *m_alarmStatus);
    m_alarmWindow = view;
    // A form of fixed size: it can be minimised, not maximised.
    ShowView(*m_frame, view)->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                             Qt::WindowMinimizeButtonHint);
  });
}

void COnlineApp::OpenNumeric() { OpenView<CNumView>(); }

// The single windows: a second command shows the one there is.
bool COnlineApp::ActivateSingle(QWidget* window) {
  if (window == nullptr) return false;
  m_document->UpdateAllViews(nullptr, kHintRestoreFrame);
  m_frame->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window->parentWidget()));
  return true;
}

void COnlineApp::OpenStatus() {
  if (!ActivateSingle(m_statusWindow)) m_statusWindow = OpenView<CStatusView>();
}

void COnlineApp::OpenCursorValues() {
  if (ActivateSingle(m_cursorWindow)) return;
  m_cursorWindow = OpenView<CCursorView>();
  m_layer->Cursors().SetCursorOn(true);
  m_document->UpdateAllViews(nullptr, kHintCursors);
  m_document->UpdateAllViews(nullptr, kHintRepaintAll);
}

bool COnlineApp::OpenText(const std::string& text) {
  CPrintView* view = OpenView<CPrintView>();
  view->SetText(text);
  return true;
}

// A running measurement is ended as a stop of the task, if the user agrees;
// the task's windows are kept for its next opening either way.
bool COnlineApp::OnMainWindowClose() {
  if (m_context->MeasObs()->GetState() == MeasState::active) {
    if (platform::MessageBox(platform::LoadString(IDS_STOP_MEASUREMENT), platform::MB_OKCANCEL) != platform::IDOK)
      return false;
    m_context->GenSub().Notify(eTaskStopped);
    m_context->ActiveSequence().NewSequence();
  }
  if (TaskOpen()) m_layer->Store().Save();
  return true;
}

void COnlineApp::OnUserEvent() {
  CEventDialog dlg(*m_context, m_layer->Cursors(), m_frame.get());
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

void COnlineApp::RenewDocument() {
  SetDocument(nullptr);
  m_document = std::make_unique<CDBDoc>(*m_context);
  // The program owns its document; closing it only closes its windows.
  m_document->m_bAutoDelete = false;
  SetDocument(m_document.get());
  if (m_frame) m_frame->setWindowTitle(kTitle);
}

bool COnlineApp::CloseTask() {
  if (!TaskOpen()) return true;
  // Asks before it stops a running measurement; saves the task's windows.
  if (!m_context->Setup().CanCloseDatabase()) return false;
  m_document->OnCloseDocument();
  RenewDocument();
  return true;
}

void COnlineApp::OpenTaskDocument() {
  m_frame->setWindowTitle(QString::fromStdString(std::string(kTitle) + " - " + m_context->Setup().GetDatabaseDesc()));
  m_document->OnOpenDocument("");
}

void COnlineApp::OnNewTask() {
  if (!CloseTask()) return;
  COMeasObs& obs = *m_context->MeasObs();
  if (!obs.Connect(false)) return;
  CNewDatabase dlg(*m_context, m_frame.get());
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
  COpenDatabase dlg(*m_context, m_frame.get());
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
  RunSequenceSettings(*m_context, m_pageStatus.get(), m_frame.get(), memory);
}
