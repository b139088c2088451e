#include "MeasProgramApp.h"

#include <QEventLoop>
#include <QFontDialog>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>

#include "Bitmaps.h"
#include "COGenSub.h"
#include "COMeasObs.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "ComDialog.h"
#include "DBUtil.h"
#include "DeviceDialogs.h"
#include "FormViews.h"
#include "GraphView.h"
#include "InstrumentInfo.h"
#include "NumView.h"
#include "Rs232Trace.h"
#include "SequenceSheet.h"
#include "StringIds.h"
#include "UnitsDialog.h"
#include "WindowStore.h"
#include "core/MessageSink.h"
#include "core/Shell.h"
#include "core/StringTable.h"
#include "core/Text.h"
#include "ui/PainterDC.h"
#include "ui/UiNotifier.h"

namespace {

// Tells of each window frame that is about to close.
class CloseWatch : public QObject {
 public:
  CloseWatch(std::function<void(QWidget*)> closing, QObject* parent) : QObject(parent), m_closing(std::move(closing)) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Close && watched->isWidgetType()) m_closing(static_cast<QWidget*>(watched));
    return false;
  }

 private:
  std::function<void(QWidget*)> m_closing;
};

bool Stoppable(MeasState state) {
  return state == MeasState::delayedStart || state == MeasState::starting || state == MeasState::active;
}

}  // namespace

// The commands follow the measurement's state, the run's start and stop and
// the task; a sample changes none.
class CMeasProgramApp::StateWatch : public CObserver, public CGenObserver {
 public:
  StateWatch(COGenSub& general, CSubject* measurement, std::function<void()> changed)
      : m_general(general), m_measurement(measurement), m_changed(std::move(changed)) {
    m_general.Attach(this);
    if (m_measurement) m_measurement->Attach(this);
  }
  ~StateWatch() override {
    if (m_measurement) m_measurement->Detach(this);
    m_general.Detach(this);
  }
  void Update(CSubject*) override { m_changed(); }
  void Update(const CGenEvent& event) override {
    if (event.kind != eNewMeas && event.kind != eMeasStored) m_changed();
  }

 private:
  COGenSub& m_general;
  CSubject* m_measurement;
  std::function<void()> m_changed;
};

bool WaitForMeasurementStop(DataContext& context, std::chrono::milliseconds wait) {
  const auto idle = [&context] { return context.MeasurementState() == MeasState::idle; };
  if (idle()) return true;
  platform::WaitCursor cursor;
  bool over = false;
  QTimer deadline;
  deadline.setSingleShot(true);
  QObject::connect(&deadline, &QTimer::timeout, [&over] { over = true; });
  deadline.start(wait);
  // The stop arrives as an event (the worker's finished service); the
  // deadline is one too.
  while (!idle() && !over) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return idle();
}

CMeasProgramApp::CMeasProgramApp(std::string name, Ids ids, std::vector<std::string> args)
    : TarnicBaseApp(name, std::move(args)),
      m_context(std::make_unique<ProgramContext>(Identity())),
      m_ids(ids),
      m_title("Nolt " + name) {
  LinkOptions link;
  link.ctsFlow = GetRS232LikeYeltInfo();
  m_context->SetLinkOptions(link);
}

CMeasProgramApp::~CMeasProgramApp() {
  DestroyWindows();
  m_stateWatch.reset();
  m_context->DetachObservers();
  m_context->SetDeviceDialogs(nullptr);
}

void CMeasProgramApp::DestroyWindows() {
  // The windows go before the document and the layer they point at; the
  // commands no longer follow subjects a program may now take down.
  m_stateWatch.reset();
  m_frame.reset();
  SetDocument(nullptr);
  m_document.reset();
  m_layer.reset();
}

bool CMeasProgramApp::TaskOpen() const { return m_context->Setup().IsMeasDatabaseOpen(); }

bool CMeasProgramApp::InitInstance() {
  InitSplashScreen();
  if (COMeasObs* obs = m_context->MeasObs()) {
    // The worker's finished services come back to this thread.
    m_notifier = std::make_unique<platform::UiNotifier>([obs] { obs->GetDevice().DispatchDone(); });
    m_context->SetNotifier(m_notifier->AsNotifier());
  }
  Prepare();
  m_layer = std::make_unique<CWindowLayer>(*m_context, m_context->MeasObs());
  m_layer->SetFonts(GetCurFont(), GetCurSmallFont());
  m_layer->showSequenceSettings = [this](COSequence& sequence) {
    ShowSequenceSettings(*m_context, sequence, m_frame.get());
  };
  // The document all windows share, empty until a task opens.
  RenewDocument();
  m_frame = std::make_unique<CMainFrame>();
  ShowTaskTitle();
  m_frame->RememberPlacement(GetAppName(), QSize(1000, 700));
  m_closeWatch = new CloseWatch([this](QWidget* frame) { RunReportingDatabaseErrors([&] { OnWindowClosing(frame); }); },
                                m_frame.get());
  MakeCommands();
  m_frame->AddIndicators(4);
  RegisterWindows();
  m_frame->onClose = [this] { return OnMainWindowClose(); };
  SetMainWnd(m_frame.get());
  if (m_context->MeasObs() != nullptr) {
    m_dialogs = std::make_unique<CODeviceDialogs>(*m_context, m_frame.get());
    m_context->SetDeviceDialogs(m_dialogs.get());
  }
  WatchState();

  // A close asked for while the program starts (splash, connection) waits
  // for the end of the start-up; the connection's windows leave the main
  // window open to it.
  struct Hold {
    CMainFrame& frame;
    CODeviceDialogs* dialogs;
    Hold(CMainFrame& f, CODeviceDialogs* d) : frame(f), dialogs(d) {
      frame.HoldCloseRequests(true);
      if (dialogs) dialogs->SetBlocking(false);
    }
    ~Hold() {
      if (dialogs) dialogs->SetBlocking(true);
      frame.HoldCloseRequests(false);
    }
  } hold(*m_frame, m_dialogs.get());
  const bool started = StartUp();
  m_frame->UpdateCommands();
  return started;
}

void CMeasProgramApp::WatchState() {
  m_stateWatch = std::make_unique<StateWatch>(m_context->GenSub(), dynamic_cast<CSubject*>(m_context->Measurement()),
                                              [this] {
                                                if (m_frame) m_frame->UpdateCommandsLater();
                                              });
}

int CMeasProgramApp::ExitInstance() {
  IMeasurementLink* link = m_context->Measurement();
  if (link == nullptr) return 0;
  if (Stoppable(link->GetState())) link->StopMeasurement();
  // A measurement that is still stopping gets its time, no more; the
  // program stays responsive while it waits.
  if (!WaitForMeasurementStop(*m_context, m_stopWait)) StoreLateStop();
  return 0;
}

void CMeasProgramApp::StoreLateStop() {
  IMeasurementLink* link = m_context->Measurement();
  if (link->HasLastMeas()) NewSequenceRow();
  m_context->GenSub().Notify(eTaskStopped);
}

void CMeasProgramApp::NewSequenceRow() { m_context->ActiveSequence().NewSequence(); }

// --- start-up ---

void CMeasProgramApp::ShowMainWindow() {
  m_frame->show();
  ShowSplashScreen();
}

void CMeasProgramApp::MakeFonts() {
  COSystemSetup& setup = m_context->Setup();
  m_curSmallFont.CreateFontIndirect(setup.GetSmallFont());
  m_curSmallPrintFont.CreateFontIndirect(setup.GetLargeFont());
  m_curFont.CreateFontIndirect(setup.GetFont());
}

void CMeasProgramApp::RenewDocument() {
  SetDocument(nullptr);
  m_document = std::make_unique<CDBDoc>(*m_context);
  // The program owns its document; closing it only closes its windows.
  m_document->m_bAutoDelete = false;
  SetDocument(m_document.get());
  if (m_frame) ShowTaskTitle();
}

void CMeasProgramApp::ShowTaskTitle(const std::string& description) {
  m_frame->setWindowTitle(QString::fromStdString(description.empty() ? m_title : m_title + " - " + description));
}

// --- commands ---

void CMeasProgramApp::AddSharedCommands() {
  CMainFrame& f = *m_frame;
  auto taskOpen = [this] { return TaskOpen(); };
  const auto icon = [](int id) { return QIcon(kovo::LoadIconResource(id)); };
  f.AddCommand({ID_FILE_NEW, "&New\tCtrl+N", QKeySequence::New, [this] { OnNewTask(); }, {}, "New",
                QStyle::SP_FileIcon, "document-new"});
  f.AddCommand({ID_FILE_OPEN, "&Open...\tCtrl+O", QKeySequence::Open, [this] { OnOpenTask(); }, {}, "Open",
                QStyle::SP_DialogOpenButton, "document-open"});
  f.AddCommand({ID_FILE_CLOSE, "&Close", {}, [this] { CloseTask(); }, taskOpen});
  f.AddCommand({ID_FILE_PRINT_SETUP, "P&rint Setup...", {}, [this] {
                  QPrinter printer(QPrinter::HighResolution);
                  if (m_layer->pageLayout.isValid()) printer.setPageLayout(m_layer->pageLayout);
                  QPageSetupDialog dlg(&printer, m_frame.get());
                  if (dlg.exec() == QDialog::Accepted) m_layer->pageLayout = printer.pageLayout();
                }});
  // The dialog stores its settings and has the windows read again itself.
  if (m_ids.units != 0)
    f.AddCommand({m_ids.units, "&Units...", {}, [this] {
                    CUnits dlg(*m_context, m_frame.get());
                    dlg.DoModal();
                  }});
  if (m_ids.communication != 0)
    f.AddCommand({m_ids.communication, "Co&mmunication...", {}, [this] {
                    COComDialog dlg(*m_context, m_frame.get());
                    if (dlg.DoModal() == platform::IDOK) Reconnect();
                  }});
  f.AddCommand({ID_FONT, "&Font...", {}, [this] { OnFont(); }});
  f.AddCommand({ID_APP_EXIT, "E&xit", {}, [this] { m_frame->close(); }});
  f.AddCommand({ID_WINDOW_NEW_GRAPHIC, "New &Graphic Window", {}, [this] { OnWindowNewGraphic(); }, taskOpen});
  f.AddCommand({ID_WINDOW_NEW_NUMERIC, "New &Numeric Window", {}, [this] { OnWindowNewNumeric(); }, taskOpen});
  f.AddCommand({ID_VIEW_CURSORS, "C&ursor Values", {}, [this] { OnViewCursors(); }, taskOpen, "Cursor Values", -1,
                "view-statistics", icon(kovo::IDI_CURSOR_VALUES)});
  f.AddCommand({ID_WINDOW_CASCADE, "&Cascade", {}, [this] { m_frame->CascadeWindows(); }});
  f.AddCommand({ID_WINDOW_TILE, "&Tile", {}, [this] { m_frame->TileWindows(); }});
  f.AddCommand({ID_WINDOW_ARRANGE, "&Arrange Icons", {}, [this] { m_frame->ArrangeIcons(); }});
  CMainFrame* frame = m_frame.get();
  f.AddCommand({ID_VIEW_TOOLBAR, "&Toolbar", {},
                [frame] { frame->ToolBar()->setVisible(!frame->ToolBar()->isVisible()); },
                [frame] { return frame->ToolBar() != nullptr; }, {}, -1, {}, {},
                [frame] { return frame->ToolBar() != nullptr && frame->ToolBar()->isVisible(); }});
  f.AddCommand({ID_VIEW_STATUS_BAR, "&Status Bar", {},
                [frame] { frame->statusBar()->setVisible(!frame->statusBar()->isVisible()); }, {}, {}, -1, {}, {},
                [frame] { return frame->statusBar()->isVisible(); }});
  f.AddCommand({ID_APP_ABOUT_CMD, "&About " + GetAppName() + "...", {}, [this] { OnAbout(); }, {}, "About",
                QStyle::SP_MessageBoxInformation, "help-about"});

  // What the active window does: print, copy and its interval.
  using VC = CMeasViewBase::Command;
  struct ViewEntry {
    unsigned id;
    const char* text;
    QKeySequence key;
    const char* tip;
    int standard;
    const char* theme;
    int bundled;
    VC which;
  };
  const ViewEntry entries[] = {
      {ID_FILE_PRINT, "&Print...\tCtrl+P", QKeySequence::Print, "Print", -1, "document-print", kovo::IDI_PRINT,
       VC::print},
      {ID_FILE_PRINT_PREVIEW, "Print Pre&view", {}, "Print Preview", -1, "", 0, VC::printPreview},
      {ID_EDIT_COPY, "&Copy to Clipboard\tCtrl+C", QKeySequence::Copy, "Copy", -1, "edit-copy", kovo::IDI_COPY,
       VC::copy},
      {ID_WINDOW_PROPERTIES, "&Window Properties...", {}, "Window Properties", QStyle::SP_FileDialogInfoView,
       "document-properties", 0, VC::properties},
      {m_ids.zoomIn, "Zoom &In", {}, "Zoom in", QStyle::SP_ArrowUp, "zoom-in", 0, VC::zoomIn},
      {m_ids.zoomOut, "Zoom &Out", {}, "Zoom out", QStyle::SP_ArrowDown, "zoom-out", 0, VC::zoomOut},
      {m_ids.first, "Goto Start", {}, "Goto start", QStyle::SP_MediaSkipBackward, "go-first", 0, VC::first},
      {m_ids.back, "Scroll Backward", {}, "Scroll backward", QStyle::SP_MediaSeekBackward, "go-previous", 0, VC::back},
      {m_ids.forward, "Scroll Forward", {}, "Scroll forward", QStyle::SP_MediaSeekForward, "go-next", 0, VC::forward},
      {m_ids.last, "Goto End", {}, "Goto end", QStyle::SP_MediaSkipForward, "go-last", 0, VC::last},
      {m_ids.scaleLeftZero, "Scale left y-axis from 0 to max", {}, "Scale left y-axis from 0 to max",
       QStyle::SP_TitleBarShadeButton, "", 0, VC::scaleLeftZero},
      {m_ids.scaleLeftMinMax, "Scale left y-axis from min to max", {}, "Scale left y-axis from min to max",
       QStyle::SP_TitleBarUnshadeButton, "", 0, VC::scaleLeftMinMax},
      {m_ids.scaleRightZero, "Scale right y-axis from 0 to max", {}, "Scale right y-axis from 0 to max",
       QStyle::SP_TitleBarShadeButton, "", 0, VC::scaleRightZero},
      {m_ids.scaleRightMinMax, "Scale right y-axis from min to max", {}, "Scale right y-axis from min to max",
       QStyle::SP_TitleBarUnshadeButton, "", 0, VC::scaleRightMinMax},
  };
  for (const ViewEntry& e : entries) {
    if (e.id == 0) continue;
    f.AddCommand(ViewCommand(f, {e.id, e.text, e.key, {}, {}, e.tip, e.standard, e.theme,
                                 e.bundled != 0 ? icon(e.bundled) : QIcon()},
                             e.which));
  }
}

void CMeasProgramApp::AddMeasurementCommands() {
  CMainFrame& f = *m_frame;
  auto state = [this] { return m_context->MeasurementState(); };
  auto taskOpen = [this] { return TaskOpen(); };
  f.AddCommand({ID_SETTINGS, "&Settings...", {}, [this] { OnSettings(); }, taskOpen, "Settings",
                QStyle::SP_FileDialogDetailedView, "preferences-system"});
  f.AddCommand({ID_START, "S&tart...\tF3", QKeySequence(Qt::Key_F3), [this] { OnStart(); },
                [taskOpen, state] { return taskOpen() && state() == MeasState::idle; }, "Start", QStyle::SP_MediaPlay,
                "media-playback-start"});
  f.AddCommand({ID_PAUSE, "&Pause\tF4", QKeySequence(Qt::Key_F4), [this] { OnPause(); },
                [taskOpen, state] {
                  return taskOpen() && (state() == MeasState::active || state() == MeasState::restartStopped);
                },
                "Pause", QStyle::SP_MediaPause, "media-playback-pause"});
  f.AddCommand({ID_STOP, "St&op\tF5", QKeySequence(Qt::Key_F5), [this] { m_context->Measurement()->StopMeasurement(); },
                [this, taskOpen, state] { return taskOpen() && CanStop(state()); }, "Stop", QStyle::SP_MediaStop,
                "media-playback-stop"});
}

void CMeasProgramApp::AddViewMenu(std::initializer_list<unsigned> ids) {
  std::vector<unsigned> all(ids);
  if (!all.empty()) all.push_back(CMainFrame::kSeparator);
  all.push_back(ID_VIEW_TOOLBAR);
  all.push_back(ID_VIEW_STATUS_BAR);
  m_frame->AddMenu("&View", all);
}

void CMeasProgramApp::AddWindowAndHelpMenus(std::initializer_list<unsigned> ids) {
  std::vector<unsigned> all(ids);
  for (unsigned id : {CMainFrame::kSeparator, unsigned(ID_WINDOW_CASCADE), unsigned(ID_WINDOW_TILE),
                      unsigned(ID_WINDOW_ARRANGE)})
    all.push_back(id);
  m_frame->AddMenu("&Window", all);
  m_frame->AddMenu("&Help", {ID_APP_ABOUT_CMD});
}

void CMeasProgramApp::OnFont() {
  COSystemSetup& setup = m_context->Setup();
  // The dialog is offered the face that the windows draw in, by its own
  // style name: given none, it marks the family's first style (an oblique
  // one for some), and its sizes are whole points. OK on what it offered
  // keeps the font as it is.
  QFont drawn = platform::ToQFont(setup.GetFont());
  const QFontInfo face(drawn);
  drawn.setFamily(face.family());
  drawn.setStyleName(face.styleName());
  QFontDialog dlg(drawn, m_frame.get());
  dlg.setWindowTitle("Font");
  const QFont offered = dlg.currentFont();
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFont() == offered) return;
  setup.SetFont(platform::FromQFont(dlg.selectedFont()));
  setup.Save();
  MakeFonts();
  if (TaskOpen()) m_document->UpdateAllViews(nullptr, kHintRepaint);
}

void CMeasProgramApp::Reconnect() {
  COMeasObs* obs = m_context->MeasObs();
  // A running measurement keeps its port (the dialog offers no other).
  if (obs == nullptr || obs->GetState() != MeasState::idle) return;
  obs->Disconnect();
  // Another port may lead to another monitor: everything is read afresh.
  obs->GetDevice().RunFlags() = ClientRunFlags();
  obs->InitCommPort();
  if (!obs->Connect(true) || obs->IsOffline()) return;
  const MonitorSetup setup = obs->GetDevice().GetSetup();
  m_context->Instrument().SetInfo(setup.m_model.ToString(), setup.m_serial.ToString());
  obs->LoadSetupFromDatabase();
}

// A page holds 85 lines only where the default printer's text is 50 units
// high without leading, else 78.
int CMeasProgramApp::PrintLinesPerPage() {
  Rs232Trace& trace = m_context->SerialTrace();
  QPrinter printer;
  if (!printer.isValid()) platform::MessageBox("Failed to create printer DC", platform::MB_OK, "check_printer");
  const QFontMetrics metrics(QFont(), &printer);
  if (trace.IsOn()) {
    const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
    trace.Log(platform::Format("tmHeight:%d tmAscent:%d tmDescent:%d tmExternalLeading:%d", metrics.height(),
                                   metrics.ascent(), metrics.descent(), metrics.leading()));
    trace.Log(platform::Format(
        "page.bottom:%d x:%f textheight:%d vertres:%d vertsize:%d LOGPIXELSY:%d ASPECTY:%d", page.bottom(),
        static_cast<double>(page.height()) / std::max(1, metrics.height()), metrics.height(), printer.height(),
        printer.heightMM(), printer.logicalDpiY(), printer.physicalDpiY()));
  }
  return metrics.height() == 50 && metrics.leading() == 0 ? 85 : 78;
}

// --- tasks ---

bool CMeasProgramApp::StopMeasurementForClose() {
  IMeasurementLink* link = m_context->Measurement();
  if (link == nullptr) return true;
  const MeasState state = link->GetState();
  if (state == MeasState::active &&
      platform::MessageBox(platform::LoadString(IDS_STOP_MEASUREMENT), platform::MB_OKCANCEL) != platform::IDOK)
    return false;
  // The measurement subject stores the stop and starts the next sequence
  // row, as after Stop.
  if (Stoppable(state)) link->StopMeasurement();
  return true;
}

bool CMeasProgramApp::CloseTask() {
  if (!TaskOpen()) return true;
  // Asks before it stops a running measurement; saves the task's windows.
  if (!m_context->Setup().CanCloseDatabase()) return false;
  m_document->OnCloseDocument();
  RenewDocument();
  return true;
}

// The task's windows are kept for its next opening.
bool CMeasProgramApp::OnMainWindowClose() {
  if (!StopMeasurementForClose()) return false;
  if (TaskOpen()) m_layer->Store().Save();
  return true;
}

// --- windows ---

QMdiSubWindow* CMeasProgramApp::Show(CMeasViewBase* view) {
  QMdiSubWindow* sub = ShowView(*m_frame, view);
  sub->installEventFilter(m_closeWatch);
  m_frame->KeepInside(sub);
  return sub;
}

void CMeasProgramApp::RegisterWindows() {
  CWindowRegistry& r = m_layer->Registry();
  r.Register(CMeasViewBase::kNumericType, [this] { OpenView<CNumView>(); });
  r.Register(CMeasViewBase::kGraphType, [this] { OpenView<CGraphView>(); });
  RegisterSingle(CMeasViewBase::kCursorType, [this] { return new CCursorView(*m_layer, m_document.get()); },
                 [this](QMdiSubWindow*) {
                   m_layer->Cursors().SetCursorOn(true);
                   m_document->UpdateAllViews(nullptr, kHintCursors);
                   m_document->UpdateAllViews(nullptr, kHintRepaintAll);
                 });
}

void CMeasProgramApp::RegisterSingle(int type, std::function<CMeasViewBase*()> make,
                                     std::function<void(QMdiSubWindow*)> shown) {
  m_layer->Registry().Register(type, [this, type, make = std::move(make), shown = std::move(shown)] {
    if (ActivateSingle(type)) return;
    CMeasViewBase* view = make();
    m_singles[type] = view;
    QMdiSubWindow* sub = Show(view);
    if (shown) shown(sub);
  });
}

QWidget* CMeasProgramApp::SingleWindow(int type) const {
  const auto it = m_singles.find(type);
  return it == m_singles.end() ? nullptr : it->second.data();
}

bool CMeasProgramApp::ActivateSingle(int type) {
  QWidget* window = SingleWindow(type);
  if (window == nullptr) return false;
  // A closed one still waiting for its deletion goes now: going later, it
  // would take the new one's state with it (the cursor mode).
  if (window->parentWidget() != nullptr && window->parentWidget()->isHidden()) {
    delete window->parentWidget();
    return false;
  }
  m_document->UpdateAllViews(nullptr, kHintRestoreFrame);
  m_frame->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(window->parentWidget()));
  return true;
}

void CMeasProgramApp::OnWindowNewGraphic() { m_layer->Registry().Open(CMeasViewBase::kGraphType); }

void CMeasProgramApp::OnWindowNewNumeric() { m_layer->Registry().Open(CMeasViewBase::kNumericType); }

void CMeasProgramApp::OnViewCursors() { m_layer->Registry().Open(CMeasViewBase::kCursorType); }
