#include "CalibrationApp.h"

#include <QStyle>

#include "CODBObs.h"
#include "COCaliMeasObs.h"
#include "COCaliSequence.h"
#include "COGenSub.h"
#include "COMeasObs.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "CaliIntervalPage.h"
#include "CaliPrint.h"
#include "CaliSettings.h"
#include "CaliStatus.h"
#include "CaliStatusView.h"
#include "CalibrationAppStrings.h"
#include "CalibrationCommands.h"
#include "Calibrator.h"
#include "CurrentCalibration.h"
#include "DBDoc.h"
#include "DBUtil.h"
#include "DownloadSheet.h"
#include "FilterCopies.h"
#include "FilterCopyDialogs.h"
#include "GraphView.h"
#include "NumView.h"
#include "Rs232Trace.h"
#include "SequenceSheet.h"
#include "StartupConnection.h"
#include "StringIds.h"
#include "TaskDialogs.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"
#include "core/Text.h"

using calibration::COCaliStatus;

// Calls back on the general subject's kinds that change the calibration
// sequence's run or task.
class CCalibrationApp::Mirror : public CObserver {
 public:
  explicit Mirror(std::function<void()> follow) : m_follow(std::move(follow)) {}
  void Update(CSubject* subject) override {
    const EUpdType kind = static_cast<COGenSub*>(subject)->GetUpdType();
    if (kind == eNewMeas || kind == eTaskStarted || kind == eTaskStopped) m_follow();
  }

 private:
  std::function<void()> m_follow;
};

CCalibrationApp::CCalibrationApp(std::vector<std::string> args)
    : CMeasProgramApp("Calibration",
                      {ID_CALI_UNITS, ID_CALI_COMMUNICATION, ID_CALI_ZOOM_IN, ID_CALI_ZOOM_OUT, ID_CALI_GOTO_START,
                       ID_CALI_SCROLL_BACK, ID_CALI_SCROLL_FORWARD, ID_CALI_GOTO_END, 0, 0, 0, 0},
                      std::move(args)) {}

CCalibrationApp::~CCalibrationApp() {
  // The windows go before the objects they show; the monitor's services
  // before the subject they report to.
  DestroyWindows();
  if (!m_observersAttached) return;
  COGenSub& sub = m_context->GenSub();
  sub.Detach(m_status.get());
  sub.Detach(m_pageStatus.get());
  sub.Detach(m_mirror.get());
  sub.Detach(m_sequence.get());
  sub.Detach(&m_context->DBObs());
  m_sequence->Close();
  m_cali->Disconnect();
  m_status.reset();
  m_copies.reset();
  m_cali.reset();
}

void CCalibrationApp::Prepare() {
  ProgramContext& ctx = *m_context;
  ctx.SetStartupActions({[this](int code) { m_exit(code); }, [this] { m_noMonitor = true; }});
  m_calibrator = std::make_unique<Calibrator>(ctx.MeasObs()->GetDevice().Data());
  m_calibrator->SetTrace(&ctx.SerialTrace());
  m_sequence = std::make_unique<COCaliSequenceObs>(ctx, [this] { return m_cali && m_cali->IsConnected(); });
  m_cali = std::make_unique<COCaliMeasObs>(ctx, *m_sequence, *m_calibrator);
  m_copies = std::make_unique<COFilterCopies>(ctx, *m_cali, *m_sequence, *m_calibrator);
  m_pageStatus = std::make_unique<COPageStatus>();
  m_caliContext = std::make_unique<calibration::CaliContext>(
      calibration::CaliContext{ctx, *m_cali, *m_sequence, *m_calibrator, m_pageStatus.get()});
  // The calibration sequence keeps the run's start and stop, in place of
  // the measurement sequence.
  ctx.GenSub().Attach(&ctx.DBObs());
  ctx.GenSub().Attach(m_sequence.get());
  m_mirror = std::make_unique<Mirror>([this] { MirrorSequence(); });
  ctx.GenSub().Attach(m_mirror.get());
  ctx.GenSub().Attach(m_pageStatus.get());
  m_observersAttached = true;
}

bool CCalibrationApp::StartUp() {
  COMeasObs& obs = *m_context->MeasObs();
  if (!m_context->Setup().OpenSystemDatabase()) {
    ShowMessage(IDS_OPEN_SYSTEM_DB_FAILED);
    return false;
  }
  MakeFonts();
  ShowMainWindow();

  Rs232Trace& trace = m_context->SerialTrace();
  trace.SetOn(GetDebugInfo());
  const std::string flags = platform::Format("rs232debug:%d debug:%d rs232_likeYelt_param:%d\n", trace.IsOn() ? 1 : 0,
                                             GetDebugInfo() ? 1 : 0, GetRS232LikeYeltInfo() ? 1 : 0);
  obs.InitCommPort();
  // Cancel in the port dialog leaves the program without a monitor.
  ConnectToMonitor(*m_context);
  trace.Log(flags);
  if (m_noMonitor) return true;
  return CheckUserLevel();
}

bool CCalibrationApp::CheckUserLevel() {
  try {
    if (UserLevelAllowsCalibration(*m_context->MeasObs())) return true;
  } catch (const std::exception& e) {
    platform::MessageBox(CommunicationErrorText(e), platform::MB_ICONWARNING);
    return true;
  }
  m_cali->Disconnect();
  Frame()->hide();
  platform::MessageBox(kUserLevelWarning, platform::MB_ICONWARNING, "Calibration");
  m_exit(0);
  return false;
}

void CCalibrationApp::MakeCommands() {
  CMainFrame& f = *Frame();
  auto taskOpen = [this] { return TaskOpen(); };
  auto idle = [this] { return m_context->MeasurementState() == MeasState::idle; };
  AddSharedCommands();
  AddMeasurementCommands();
  f.AddCommand({ID_CALI_WINDOW_STATUS, "Calibration  &Status", {},
                [this] { Layer().Registry().Open(CMeasViewBase::kStatusType); }, {}, "Calibration Status",
                QStyle::SP_FileDialogInfoView, "dialog-information"});
  f.AddCommand({ID_CALI_MARK_INTERVAL, "&Mark Interval", {}, [this] { m_status->MarkInterval(); }, taskOpen,
                "Mark an interval to be used for calculation", QStyle::SP_DialogApplyButton, "format-indent-more"});
  f.AddCommand({ID_CALI_UNMARK_ALL, "U&nmark All", {}, [this] {
                  m_status->UnmarkAll();
                  if (TaskOpen()) Document().UpdateAllViews(nullptr, kHintRepaintAll);
                }});
  f.AddCommand({ID_CALI_CALCULATE, "&Calculate...", {}, [this] { m_status->Calculate(Frame()); }, taskOpen});
  f.AddCommand({ID_CALI_DOWNLOAD_VALUES, "&Download...", {},
                [this] { calibration::RunDownloadSheet(*m_caliContext, Frame()); },
                [this, idle] { return !m_cali->IsOffline() && idle(); }});
  f.AddCommand({ID_CALI_UPLOAD_BANKS, "&Upload Banks from Gas Monitor...", {}, [this] {
                  if (UploadBanksFromMonitor(*m_copies, *m_sequence, Frame()) == platform::IDOK) OpenGraphAfterBanks();
                },
                idle});
  f.AddCommand({ID_CALI_DOWNLOAD_BANKS, "&Download Banks to Gas Monitor...", {}, [this] {
                  if (DownloadBanksToMonitor(*m_copies, &Document(), Frame()) == platform::IDOK) OpenGraphAfterBanks();
                },
                idle});
  f.AddCommand({ID_CALI_PRINT_BANKS, "&Print all Banks from Gas Monitor...", {}, [this] { OnPrintBanks(); }});
  f.AddCommand({ID_CALI_PRINT_CURRENT, "Print Current Calibration", {}, [this] { OnPrintCurrentCalibration(); }});

  f.AddMenu("&Task", {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_CLOSE, CMainFrame::kSeparator, ID_CALI_COMMUNICATION,
                      ID_CALI_UNITS, ID_FONT, CMainFrame::kSeparator, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW,
                      ID_FILE_PRINT_SETUP, CMainFrame::kSeparator, ID_APP_EXIT});
  f.AddMenu("&Edit", {ID_EDIT_COPY, ID_WINDOW_PROPERTIES});
  AddViewMenu({ID_CALI_ZOOM_IN, ID_CALI_ZOOM_OUT, CMainFrame::kSeparator, ID_CALI_GOTO_START, ID_CALI_SCROLL_BACK,
               ID_CALI_SCROLL_FORWARD, ID_CALI_GOTO_END});
  f.AddMenu("&Calibration", {ID_SETTINGS, CMainFrame::kSeparator, ID_START, ID_PAUSE, ID_STOP, CMainFrame::kSeparator,
                             ID_CALI_MARK_INTERVAL, ID_CALI_UNMARK_ALL, ID_CALI_CALCULATE, CMainFrame::kSeparator,
                             ID_CALI_DOWNLOAD_VALUES});
  f.AddMenu("&Banks", {ID_CALI_UPLOAD_BANKS, ID_CALI_DOWNLOAD_BANKS, CMainFrame::kSeparator, ID_CALI_PRINT_BANKS,
                       ID_CALI_PRINT_CURRENT});
  AddWindowAndHelpMenus(
      {ID_WINDOW_NEW_GRAPHIC, ID_WINDOW_NEW_NUMERIC, ID_VIEW_CURSORS, ID_CALI_WINDOW_STATUS});
  f.AddToolBar({ID_FILE_NEW, ID_FILE_OPEN, CMainFrame::kSeparator, ID_EDIT_COPY, ID_FILE_PRINT, CMainFrame::kSeparator,
                ID_SETTINGS, ID_START, ID_PAUSE, ID_STOP, CMainFrame::kSeparator, ID_CALI_ZOOM_IN, ID_CALI_ZOOM_OUT,
                ID_CALI_GOTO_START, ID_CALI_SCROLL_BACK, ID_CALI_SCROLL_FORWARD, ID_CALI_GOTO_END,
                CMainFrame::kSeparator, ID_CALI_MARK_INTERVAL, ID_WINDOW_PROPERTIES, CMainFrame::kSeparator,
                ID_VIEW_CURSORS, ID_CALI_WINDOW_STATUS, CMainFrame::kSeparator, ID_APP_ABOUT_CMD});
}

void CCalibrationApp::RegisterWindows() {
  CMeasProgramApp::RegisterWindows();
  m_status = std::make_unique<COCaliStatus>(*m_caliContext, Layer().Cursors());
  m_context->GenSub().Attach(m_status.get());
  // The graph and numeric windows show the marked intervals.
  CWindowRegistry& r = Layer().Registry();
  r.Register(CMeasViewBase::kGraphType, [this] {
    auto* view = OpenView<CGraphView>();
    view->SetPlotDecoration([this, view](CODCWrapper& dc, const platform::CSize& plot) {
      m_status->DrawGraphMarks(dc, plot, [view](const COMeas& m, int cx) { return view->Curve().Position(m, cx); });
    });
  });
  r.Register(CMeasViewBase::kNumericType, [this] {
    OpenView<CNumView>()->SetRowDecoration([this](platform::CDC& dc, int measNo, int step, const platform::CRect& row, int labelX) {
      m_status->DrawNumericRow(dc, measNo, step, row, labelX);
    });
  });
  RegisterSingle(CMeasViewBase::kStatusType,
                 [this] { return new CCaliStatusView(Layer(), &Document(), *m_cali, *m_calibrator); });
  Layer().intervalPage = [this](COMeasInterval& interval) -> platform::CPropertyPage* {
    return new calibration::COXAxisPage(*m_context, &interval);
  };
  Layer().showSettingsAt = [this](const COMeas& leftCursor) { ShowSettingsAt(leftCursor); };
}

// --- tasks ---

TaskSequence CCalibrationApp::Sequence() {
  TaskSequence s;
  COCaliSequenceObs& sequence = *m_sequence;
  s.load = [&sequence] { return sequence.Load(); };
  s.setSerial = [&sequence](const std::string& serial) {
    sequence.SerialNum = serial;
    sequence.Save();
  };
  s.stopAt = [&sequence](const COMeas& last) {
    sequence.SetStop(last.GetMeasTime(), last.GetMeasNo());
    sequence.Save();
    sequence.NewSequence();
  };
  s.close = [&sequence] { sequence.Close(); };
  return s;
}

void CCalibrationApp::NewSequenceRow() { m_sequence->NewSequence(); }

bool CCalibrationApp::MayDiscardValues(unsigned questionId) {
  return !m_calibrator || !m_calibrator->HasUndeliveredValues() ||
         platform::MessageBox(platform::LoadString(questionId), platform::MB_YESNO | platform::MB_ICONQUESTION) ==
             platform::IDYES;
}

bool CCalibrationApp::OnMainWindowClose() {
  return MayDiscardValues(IDS_CALI_ASK_DISCARD_VALUES) && CMeasProgramApp::OnMainWindowClose();
}

void CCalibrationApp::MirrorSequence() {
  COSequence& shown = m_context->ActiveSequence();
  const COCaliSequence& sequence = *m_sequence;
  for (int channel = 0; channel <= 5; ++channel) shown.SetFilterActive(channel, sequence.IsFilterActive(channel));
  shown.SetStart(sequence.StartTime, sequence.StartNum);
  shown.SetStop(sequence.StopTime, sequence.StopNum);
}

void CCalibrationApp::OpenTaskDocument() {
  MirrorSequence();
  m_cali->TakeActiveBanks();
  ShowTaskTitle(m_context->Setup().GetDatabaseDesc());
  Document().OnOpenDocument("");
}

void CCalibrationApp::OnNewTask() {
  if (!MayDiscardValues(IDS_CALI_ASK_DISCARD_FOR_TASK) || !CloseTask()) return;
  if (!m_cali->OpenMonitor(false)) return;
  CNewDatabase dlg(*m_context, Frame());
  if (dlg.DoModal() != platform::IDOK) return;
  const std::string serial = m_cali->GetMonitorSetup().m_serial.ToString();
  if (!m_cali->LoadSetupFromDatabase(serial)) return;
  if (!CDBDoc::CreateTask(*m_context, dlg.m_description, serial, IDS_CALI_CREATE_DOC_FAILED, Sequence())) return;
  m_sequence->SetGasNamesFromMonitor();
  m_sequence->Save();
  // A task without saved windows opens in a graph window.
  OpenTaskDocument();
}

void CCalibrationApp::OnOpenTask() {
  if (!MayDiscardValues(IDS_CALI_ASK_DISCARD_FOR_TASK) || !CloseTask()) return;
  if (!m_cali->OpenMonitor(true)) return;
  m_context->MeasObs()->GetLink().SetCheckModem(false);
  COpenDatabase dlg(*m_context, Frame());
  if (dlg.DoModal() != platform::IDOK) return;
  if (!CDBDoc::OpenTask(*m_context, dlg.m_selectedName, dlg.m_selectedDescription, Sequence())) return;
  // The banks of the monitor the task was recorded with.
  if (!m_cali->LoadSetupFromDatabase(m_sequence->SerialNum)) {
    m_context->Setup().SetMeasDatabaseOpen(false);
    CDBDoc::ReleaseTask(*m_context, Sequence());
    return;
  }
  OpenTaskDocument();
}

void CCalibrationApp::Reconnect() {
  // A running calibration keeps its port (the dialog offers no other).
  if (m_cali->GetState() != MeasState::idle) return;
  m_cali->Disconnect();
  // Another port may lead to another monitor: everything is read afresh.
  m_cali->GetDevice().RunFlags() = ClientRunFlags();
  m_context->MeasObs()->InitCommPort();
  if (!m_cali->OpenMonitor(true) || m_cali->IsOffline()) return;
  const MonitorSetup& setup = m_cali->GetMonitorSetup();
  m_context->Instrument().SetInfo(setup.m_model.ToString(), setup.m_serial.ToString());
}

// --- the calibration ---

void CCalibrationApp::OnSettings() {
  calibration::RunCalibrationSettings(*m_caliContext, *m_sequence, Frame());
  MirrorSequence();
}

void CCalibrationApp::OnStart() { m_cali->StartMeasurement(platform::CTime::GetCurrentTime(), platform::CTime()); }

void CCalibrationApp::OnPause() { m_cali->StartStopMonitor(); }

void CCalibrationApp::ShowSettingsAt(const COMeas& leftCursor) {
  COCaliSequence sequence(*m_context, [this] { return m_cali->IsConnected(); });
  if (!sequence.Load() || !sequence.LoadByStopTime(leftCursor.GetMeasTime())) {
    ShowMessage(IDS_CALI_NO_SEQUENCE);
    return;
  }
  calibration::RunCalibrationSettings(*m_caliContext, sequence, Frame());
  sequence.Close();
}

// --- banks ---

void CCalibrationApp::OpenGraphAfterBanks() {
  // Without a task there is nothing to show.
  if (TaskOpen()) OnWindowNewGraphic();
}

void CCalibrationApp::OnPrintBanks() {
  COCaliPrint print(*m_cali, *m_calibrator, *m_sequence, Layer().pageLayout);
  print.PrintAllBanks(Frame(), m_printer);
}

void CCalibrationApp::OnPrintCurrentCalibration() {
  COCaliPrint print(*m_cali, *m_calibrator, *m_sequence, Layer().pageLayout);
  print.PrintCurrentCalibration(Frame(), m_printer);
}
