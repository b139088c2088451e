#include "PresentationApp.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QTabWidget>
#include <filesystem>

#include "COException.h"
#include "COSequence.h"
#include "COSequenceObs.h"
#include "COSystemSetup.h"
#include "DBUtil.h"
#include "FormViews.h"
#include "InstrumentInfo.h"
#include "MeasReader.h"
#include "GraphView.h"
#include "SequenceSheet.h"
#include "NumView.h"
#include "PresentationCommands.h"
#include "PresentationStrings.h"
#include "PropertyPages.h"
#include "Rs232Trace.h"
#include "StringIds.h"
#include "TaskDialogs.h"
#include "TaskRecords.h"
#include "TextExport.h"
#include "UnitsDialog.h"
#include "UserEventDialog.h"
#include "ViewBase.h"
#include "WindowStore.h"
#include "core/MessageSink.h"
#include "core/Shell.h"
#include "ui/PainterDC.h"

namespace {

constexpr const char* kTitle = "Nolt Presentation";
constexpr const char* kExportTitle = "Export (Active Window)";

// A task counts as empty when its [Event] table holds no row or cannot be
// read: every stored measurement run starts with an event.
bool TaskIsEmpty(DataContext& context) {
  try {
    CORecEvent events(context);
    events.m_strSort = "[EventTime]";
    events.Open(CRecordset::snapshot, std::string(), CRecordset::readOnly);
    const bool empty = events.IsEOF();
    events.CloseWithDatabase();
    return empty;
  } catch (const CException&) {
    return true;
  }
}

std::string ChooseSaveFile(QWidget* parent, const std::string& title, const std::string& name,
                           const std::string& filter) {
  // The replace question is asked by the command, through the message sink.
  QString path = QFileDialog::getSaveFileName(parent, QString::fromStdString(title), QString::fromStdString(name),
                                              QString::fromStdString(filter), nullptr,
                                              QFileDialog::DontConfirmOverwrite);
  if (path.isEmpty()) return std::string();
  if (QFileInfo(path).suffix().isEmpty()) path += ".txt";
  return path.toStdString();
}

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

}  // namespace

CPresentationApp::CPresentationApp(std::vector<std::string> args)
    : TarnicBaseApp("Presentation", std::move(args)),
      m_context(std::make_unique<ProgramContext>(m_program.Identity(),
                                                 InstrumentUtility::GetInstance()->GetInstrumentInfo())) {
  g_rs232LikeYelt = GetRS232LikeYeltInfo() ? 1 : 0;
  m_register.Register(new ProgramAccessor(*m_context));
}

CPresentationApp::~CPresentationApp() {
  // The windows go before the document and the layer they point at.
  m_frame.reset();
  SetDocument(nullptr);
  m_document.reset();
  m_layer.reset();
}

bool CPresentationApp::TaskOpen() const { return m_context->Setup().IsMeasDatabaseOpen(); }

bool CPresentationApp::InitInstance() {
  InitSplashScreen();
  m_layer = std::make_unique<CWindowLayer>(*m_context, nullptr);
  // The cursor-value window shows the stored sequence at its cursor.
  m_layer->showSequenceSettings = [this](COSequence& sequence) {
    ShowSequenceSettings(*m_context, sequence, m_frame.get());
  };
  m_layer->intervalPage = [this](COMeasInterval& interval, QWidget* parent) {
    return MakeIntervalPages(interval, parent);
  };
  // One document for every window of the open task, kept for the whole run.
  m_document = std::make_unique<CDBDoc>(*m_context);
  m_document->m_bAutoDelete = false;
  SetDocument(m_document.get());
  m_frame = std::make_unique<CMainFrame>();
  m_frame->setWindowTitle(kTitle);
  m_frame->resize(1000, 700);
  MakeCommands();
  RegisterWindows();
  m_closeWatch = new CloseWatch([this](QWidget* frame) { Guarded([this, frame] { OnWindowClosing(frame); })(); },
                                m_frame.get());
  // Closing the main window closes the task the way Close does.
  m_frame->onClose = [this] {
    Guarded([this] { CloseTask(); })();
    return true;
  };
  SetMainWnd(m_frame.get());
  if (!m_chooseFile)
    m_chooseFile = [this](const std::string& title, const std::string& name, const std::string& filter) {
      return ChooseSaveFile(m_frame.get(), title, name, filter);
    };
  m_frame->show();
  ShowSplashScreen();
  g_rs232Debug = GetDebugInfo() ? 1 : 0;

  try {
    m_systemDatabase = m_context->Setup().OpenSystemDatabase();
  } catch (const CException& e) {
    ReportException(IDS_PRESENTATION_NO_SYSTEM_DB, e);
    return false;
  }
  if (!m_systemDatabase) {
    ShowMessage(IDS_PRESENTATION_NO_SYSTEM_DB);
    return false;
  }
  MakeFonts();
  m_frame->UpdateCommands();
  return true;
}

void CPresentationApp::MakeFonts() {
  COSystemSetup& setup = m_context->Setup();
  m_curFont.CreateFontIndirect(setup.GetFont());
  m_curSmallFont.CreateFontIndirect(setup.GetSmallFont());
  m_curSmallPrintFont.CreateFontIndirect(setup.GetLargeFont());
}

std::function<void()> CPresentationApp::Guarded(std::function<void()> run) {
  return [run = std::move(run)] { RunReportingDatabaseErrors(run); };
}

CMeasViewBase* CPresentationApp::ActiveMeasView() const {
  QMdiSubWindow* sub = m_frame ? m_frame->MdiArea()->currentSubWindow() : nullptr;
  return sub == nullptr ? nullptr : dynamic_cast<CMeasViewBase*>(sub->widget());
}

COMeasView* CPresentationApp::ActiveWindowData() const {
  CMeasViewBase* view = ActiveMeasView();
  return view == nullptr ? nullptr : view->MeasView();
}

void CPresentationApp::AddViewCommand(unsigned id, const std::string& text, const QKeySequence& key,
                                      const std::string& tip, int icon, CMeasViewBase::Command which) {
  CMainFrame::Command command = ViewCommand(*m_frame, {id, text, key, {}, {}, tip, icon}, which);
  command.run = Guarded(command.run);
  m_frame->AddCommand(std::move(command));
}

void CPresentationApp::MakeCommands() {
  CMainFrame& f = *m_frame;
  auto taskOpen = [this] { return TaskOpen(); };
  f.AddCommand({ID_FILE_OPEN, "&Open...\tCtrl+O", QKeySequence::Open, Guarded([this] { OnFileOpen(); }), {}, "Open",
                QStyle::SP_DialogOpenButton});
  // The dialog stores its settings and has the windows read again itself.
  f.AddCommand({ID_UNITS, "&Units...", {}, Guarded([this] {
                  CUnits dlg(*m_context, m_frame.get());
                  dlg.DoModal();
                })});
  f.AddCommand({ID_FONT, "&Font...", {}, Guarded([this] { OnFont(); })});
  f.AddCommand({ID_EXPORT, "&Export Measurements...", {}, Guarded([this] { OnExport(); }),
                [this] { return TaskOpen() && ActiveWindowData() != nullptr; }});
  f.AddCommand({ID_FILE_CLOSE, "&Close", {}, Guarded([this] { CloseTask(); }), taskOpen});
  f.AddCommand({ID_APP_EXIT, "E&xit", {}, [this] { m_frame->close(); }});
  f.AddCommand({ID_USER_EVENT, "User &Event...", {}, Guarded([this] { OnUserEvent(); }),
                [this] { return UserEventEnabled(); }});
  f.AddCommand({ID_WINDOW_NEW_NUMERIC, "New &Numeric Window", {}, Guarded([this] { OnWindowNewNumeric(); }),
                taskOpen});
  // The graph window comes in when its creator is registered.
  f.AddCommand({ID_WINDOW_NEW_GRAPHIC, "New &Graphic Window", {}, Guarded([this] { OnWindowNewGraphic(); }),
                [this] { return TaskOpen() && m_layer->Registry().Knows(CMeasViewBase::kGraphType); }});
  f.AddCommand({ID_VIEW_CURSORS, "C&ursor Values", {}, Guarded([this] { OnViewCursors(); }), taskOpen,
                "Cursor values", QStyle::SP_FileDialogDetailedView});
  f.AddCommand({ID_WINDOW_CASCADE, "&Cascade", {}, [this] { m_frame->MdiArea()->cascadeSubWindows(); }});
  f.AddCommand({ID_WINDOW_TILE, "&Tile", {}, [this] { m_frame->MdiArea()->tileSubWindows(); }});
  f.AddCommand({ID_APP_ABOUT_CMD, "&About Presentation...", {}, [this] { OnAbout(); }, {}, "About",
                QStyle::SP_MessageBoxInformation});

  using VC = CMeasViewBase::Command;
  AddViewCommand(ID_FILE_PRINT, "&Print...\tCtrl+P", QKeySequence::Print, "Print", QStyle::SP_FileDialogContentsView,
                 VC::print);
  AddViewCommand(ID_FILE_PRINT_PREVIEW, "Print Pre&view", {}, {}, -1, VC::printPreview);
  AddViewCommand(ID_EDIT_COPY, "&Copy to Clipboard\tCtrl+C", QKeySequence::Copy, "Copy",
                 QStyle::SP_DialogSaveButton, VC::copy);
  AddViewCommand(ID_WINDOW_PROPERTIES, "&Window Properties...", {}, "Window properties",
                 QStyle::SP_FileDialogInfoView, VC::properties);
  AddViewCommand(ID_ZOOM_IN, "Zoom &In", {}, "Zoom in", QStyle::SP_ArrowUp, VC::zoomIn);
  AddViewCommand(ID_ZOOM_OUT, "Zoom &Out", {}, "Zoom out", QStyle::SP_ArrowDown, VC::zoomOut);
  AddViewCommand(ID_GOTO_START, "Goto Start", {}, "Goto start", QStyle::SP_MediaSkipBackward, VC::first);
  AddViewCommand(ID_SCROLL_BACKWARD, "Scroll Backward", {}, "Scroll backward", QStyle::SP_MediaSeekBackward, VC::back);
  AddViewCommand(ID_SCROLL_FORWARD, "Scroll Forward", {}, "Scroll forward", QStyle::SP_MediaSeekForward, VC::forward);
  AddViewCommand(ID_GOTO_END, "Goto End", {}, "Goto end", QStyle::SP_MediaSkipForward, VC::last);
  AddViewCommand(ID_SCALE_LEFT_ZERO_MAX, "Left Axis from 0 to Maximum", {}, "Left axis: 0 to maximum",
                 QStyle::SP_TitleBarShadeButton, VC::scaleLeftZero);
  AddViewCommand(ID_SCALE_LEFT_MIN_MAX, "Left Axis from Minimum to Maximum", {}, "Left axis: minimum to maximum",
                 QStyle::SP_TitleBarUnshadeButton, VC::scaleLeftMinMax);
  AddViewCommand(ID_SCALE_RIGHT_ZERO_MAX, "Right Axis from 0 to Maximum", {}, "Right axis: 0 to maximum",
                 QStyle::SP_TitleBarShadeButton, VC::scaleRightZero);
  AddViewCommand(ID_SCALE_RIGHT_MIN_MAX, "Right Axis from Minimum to Maximum", {}, "Right axis: minimum to maximum",
                 QStyle::SP_TitleBarUnshadeButton, VC::scaleRightMinMax);

  // The desktop's icons where its theme has them.
  const std::pair<unsigned, const char*> themed[] = {
      {ID_FILE_OPEN, "document-open"},  {ID_EDIT_COPY, "edit-copy"},      {ID_FILE_PRINT, "document-print"},
      {ID_ZOOM_IN, "zoom-in"},          {ID_ZOOM_OUT, "zoom-out"},        {ID_GOTO_START, "go-first"},
      {ID_SCROLL_BACKWARD, "go-previous"}, {ID_SCROLL_FORWARD, "go-next"}, {ID_GOTO_END, "go-last"},
      {ID_WINDOW_PROPERTIES, "document-properties"}, {ID_APP_ABOUT_CMD, "help-about"}};
  for (const auto& [id, name] : themed)
    if (QAction* a = f.Action(id)) a->setIcon(QIcon::fromTheme(name, a->icon()));

  f.AddMenu("&Task", {ID_FILE_OPEN, ID_UNITS, ID_FONT, CMainFrame::kSeparator, ID_EXPORT, ID_FILE_CLOSE,
                      CMainFrame::kSeparator, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, CMainFrame::kSeparator,
                      ID_APP_EXIT});
  f.AddMenu("&Edit", {ID_WINDOW_PROPERTIES, ID_USER_EVENT, ID_EDIT_COPY});
  f.AddMenu("&View", {ID_ZOOM_IN, ID_ZOOM_OUT});
  f.AddMenu("&Window", {ID_WINDOW_NEW_NUMERIC, ID_WINDOW_NEW_GRAPHIC, ID_VIEW_CURSORS, CMainFrame::kSeparator,
                        ID_WINDOW_CASCADE, ID_WINDOW_TILE});
  f.AddMenu("&Help", {ID_APP_ABOUT_CMD});
  f.AddToolBar({ID_FILE_OPEN, CMainFrame::kSeparator, ID_EDIT_COPY, CMainFrame::kSeparator, ID_FILE_PRINT,
                CMainFrame::kSeparator, ID_SCALE_LEFT_ZERO_MAX, ID_SCALE_LEFT_MIN_MAX, CMainFrame::kSeparator,
                ID_SCALE_RIGHT_ZERO_MAX, ID_SCALE_RIGHT_MIN_MAX, CMainFrame::kSeparator, ID_ZOOM_IN, ID_ZOOM_OUT,
                CMainFrame::kSeparator, ID_WINDOW_PROPERTIES, CMainFrame::kSeparator, ID_GOTO_START,
                ID_SCROLL_BACKWARD, ID_SCROLL_FORWARD, ID_GOTO_END, CMainFrame::kSeparator, ID_VIEW_CURSORS,
                CMainFrame::kSeparator, ID_APP_ABOUT_CMD});
  f.AddIndicators(4);
}

// --- tasks ---

void CPresentationApp::OnFileOpen() {
  COSystemSetup& setup = m_context->Setup();
  // The task list as it stands now.
  setup.OpenSystemDatabase();
  CloseTask();
  COpenDatabase dlg(*m_context, m_frame.get());
  if (dlg.DoModal() != platform::IDOK) return;
  CloseAllWindows();
  setup.SetDatabaseName(dlg.m_selectedName);
  setup.SetDatabaseDesc(dlg.m_selectedDescription);
  bool opened = false;
  try {
    m_context->ActiveSequence().Close();
    // A load that failed has said why.
    if (!m_context->Sequence().Load()) {
    } else if (TaskIsEmpty(*m_context))
      ShowMessage(IDS_PRESENTATION_TASK_EMPTY);
    else
      opened = true;
  } catch (const COException& e) {
    ShowCOExceptionMessage(e);
  } catch (const CException& e) {
    ShowExceptionMessage(e);
  }
  if (!opened) {
    setup.SetMeasDatabaseOpen(false);
    CloseAllWindows();
    return;
  }
  setup.SetMeasDatabaseOpen(true);
  m_frame->setWindowTitle(QString::fromStdString(std::string(kTitle) + " - " + dlg.m_selectedDescription));
  m_document->OnOpenDocument(std::string());
  // Without a graph window a task without saved windows still shows its data.
  if (m_document->GetViews().empty() && !m_layer->Registry().Knows(CMeasViewBase::kGraphType)) OnWindowNewNumeric();
}

void CPresentationApp::CloseTask() {
  COSystemSetup& setup = m_context->Setup();
  if (!setup.IsMeasDatabaseOpen()) return;
  try {
    // The program's close check: nothing to stop; the windows are saved.
    setup.CanCloseDatabase();
  } catch (const CException& e) {
    ReportException(IDS_DB_ERROR, e);
  }
  setup.SetMeasDatabaseOpen(false);
  CloseAllWindows();
}

void CPresentationApp::OnWindowClosing(QWidget* frame) {
  if (m_closingAll) return;
  CMeasViewBase* closing = nullptr;
  bool others = false;
  for (CView* v : m_document->GetViews()) {
    auto* view = dynamic_cast<CMeasViewBase*>(v);
    if (view == nullptr) continue;
    if (view->Frame() == frame)
      closing = view;
    else
      others = true;
  }
  if (closing == nullptr) return;
  // The last window closes the task; its windows are saved with this one.
  if (!others && TaskOpen()) {
    CloseTask();
    return;
  }
  // A closed window is deleted later: until then it is no window of the task.
  m_document->RemoveView(closing);
}

void CPresentationApp::CloseAllWindows() {
  struct Closing {
    bool& flag;
    explicit Closing(bool& f) : flag(f) { flag = true; }
    ~Closing() { flag = false; }
  } closing(m_closingAll);
  // Each window's own frame closes, never the main window; the views leave
  // the document first, so that closing them saves nothing twice.
  const std::vector<CView*> views = m_document->GetViews();
  for (CView* v : views) {
    m_document->RemoveView(v);
    if (auto* view = dynamic_cast<CMeasViewBase*>(v)) {
      QWidget* frame = view->Frame();
      if (frame != nullptr && frame != m_frame.get())
        frame->close();
      else
        view->close();
    }
  }
  // The closed windows go now, so that their numbers are free again.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  if (m_frame) {
    m_frame->setWindowTitle(kTitle);
    m_frame->UpdateCommands();
  }
}

// --- windows ---

template <class View>
View* CPresentationApp::OpenView() {
  auto* view = new View(*m_layer, m_document.get());
  ShowView(*m_frame, view)->installEventFilter(m_closeWatch);
  return view;
}

void CPresentationApp::RegisterWindows() {
  CWindowRegistry& r = m_layer->Registry();
  r.Register(CMeasViewBase::kNumericType, [this] { OpenView<CNumView>(); });
  r.Register(CMeasViewBase::kGraphType, [this] {
    // The range and which events the window shows are this program's pages.
    CGraphView* graph = OpenView<CGraphView>();
    graph->intervalPage = [this](COMeasInterval& interval) -> CPropertyPage* {
      return new presentation::COXAxisPage(*m_context, interval);
    };
    graph->eventPage = [](COMeasInterval& interval) -> CPropertyPage* {
      return new presentation::COEventPage(interval);
    };
  });
  r.Register(CMeasViewBase::kCursorType, [this] {
    // A second command shows the one there is.
    // A closed one still waiting for its deletion goes now: going later, it
    // would end the cursor mode of the new one.
    if (m_cursorWindow != nullptr && m_cursorWindow->parentWidget()->isHidden()) delete m_cursorWindow->parentWidget();
    if (m_cursorWindow != nullptr) {
      m_document->UpdateAllViews(nullptr, kHintRestoreFrame);
      m_frame->MdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(m_cursorWindow->parentWidget()));
      return;
    }
    m_cursorWindow = OpenView<CCursorView>();
    m_layer->Cursors().SetCursorOn(true);
    m_document->UpdateAllViews(nullptr, kHintCursors);
    m_document->UpdateAllViews(nullptr, kHintRepaintAll);
  });
}

void CPresentationApp::OnWindowNewNumeric() { m_layer->Registry().Open(CMeasViewBase::kNumericType); }

void CPresentationApp::OnWindowNewGraphic() {
  if (!m_layer->Registry().Knows(CMeasViewBase::kGraphType)) return;
  m_layer->Registry().Open(CMeasViewBase::kGraphType);
}

void CPresentationApp::OnViewCursors() { m_layer->Registry().Open(CMeasViewBase::kCursorType); }

QWidget* CPresentationApp::MakeIntervalPages(COMeasInterval& interval, QWidget* parent) {
  auto* range = new presentation::COXAxisPage(*m_context, interval, parent);
  auto* events = new presentation::COEventPage(interval, parent);
  presentation::AttachPages(qobject_cast<QTabWidget*>(parent), {range, events});
  return range;
}

// --- commands ---

void CPresentationApp::OnFont() {
  COSystemSetup& setup = m_context->Setup();
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, ToQFont(setup.GetFont()), m_frame.get(), "Font");
  if (!ok) return;
  setup.SetFont(FromQFont(chosen));
  setup.Save();
  MakeFonts();
  if (TaskOpen()) m_document->UpdateAllViews(nullptr, kHintRepaint);
}

bool CPresentationApp::UserEventEnabled() const {
  const COCursorStatus& cursors = m_layer->Cursors();
  return TaskOpen() && cursors.IsCursorOn() && cursors.GetWindowData() != nullptr &&
         cursors.GetLeftCursor().GetMeasNo() != 0 && cursors.CursorsCoincide();
}

void CPresentationApp::OnUserEvent() {
  presentation::CEventDialog dlg(*m_context, m_layer->Cursors(), m_frame.get());
  if (presentation::RunEventDialog(dlg, *m_context) == platform::IDOK) m_document->UpdateAllViews(nullptr, kHintOpened);
}

std::string CPresentationApp::DatePattern() const {
  if (!m_datePattern.empty()) return m_datePattern;
  return QLocale::system().dateFormat(QLocale::ShortFormat).toStdString();
}

void CPresentationApp::OnExport() {
  COMeasView* window = ActiveWindowData();
  if (window == nullptr) return;
  const std::string path = m_chooseFile(kExportTitle, "Export.txt", "Text files (*.txt)");
  if (path.empty()) return;
  std::error_code ec;
  if (std::filesystem::exists(path, ec) &&
      platform::MessageBox(path + " already exists.\nDo you want to replace it?",
                           platform::MB_YESNO | platform::MB_ICONWARNING, kExportTitle) != platform::IDYES)
    return;
  COMeasLoader loader(*m_context);
  bool written = false;
  {
    platform::WaitCursor wait;
    written = text_export::Export(path, *m_context, window->GetInterval(), loader, DatePattern());
  }
  loader.Close();
  if (!written) ShowMessage(IDS_PRESENTATION_CREATE_FILE);
}
