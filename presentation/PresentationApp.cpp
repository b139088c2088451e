#include "PresentationApp.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <filesystem>

#include "COException.h"
#include "COSequence.h"
#include "PresentationProfile.h"
#include "COSequenceObs.h"
#include "COSystemSetup.h"
#include "DBUtil.h"
#include "MeasReader.h"
#include "PresentationCommands.h"
#include "PresentationStrings.h"
#include "PropertyPages.h"
#include "Rs232Trace.h"
#include "StringIds.h"
#include "TaskDialogs.h"
#include "TaskRecords.h"
#include "TextExport.h"
#include "UserEventDialog.h"
#include "WindowStore.h"
#include "core/MessageSink.h"
#include "core/Shell.h"

namespace {

constexpr const char* kExportTitle = "Export (Active Window)";

// A task counts as empty when its [Event] table holds no row or cannot be
// read: every stored measurement run starts with an event.
bool TaskIsEmpty(DataContext& context) {
  try {
    CORecEvent events(context);
    events.m_strSort = "[EventTime]";
    events.Open(platform::CRecordset::snapshot, std::string(), platform::CRecordset::readOnly);
    const bool empty = events.IsEOF();
    events.CloseWithDatabase();
    return empty;
  } catch (const platform::CException&) {
    return true;
  }
}

// A task still being measured (or left so by a program that ended) has
// its newest stop only in the measuring program's memory: the sequence
// shown here ends at the task's newest row, so that its windows open on
// the newest data, as a finished task's do. Nothing is written.
void FollowToTheNewestRow(DataContext& context) {
  try {
    COMeas last;
    CORecMeas meas(context);
    meas.SetTarget(&last);
    meas.m_strSort = "[MeasNo]";
    meas.Open(platform::CRecordset::snapshot, std::string(), platform::CRecordset::readOnly);
    const bool any = !meas.IsEOF();
    if (any) meas.MoveLast();
    meas.CloseWithDatabase();
    COSequence& sequence = context.ActiveSequence();
    if (any && (last.GetMeasNo() > sequence.GetStopNum() || last.GetMeasTime() > sequence.GetStopTime()))
      sequence.SetStop(last.GetMeasTime(), last.GetMeasNo());
  } catch (const platform::CException&) {
    // The windows read the rows themselves and tell of a failure.
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

}  // namespace


CPresentationApp::CPresentationApp(std::vector<std::string> args)
    : CMeasProgramApp(PresentationProfile(),
                      {ID_UNITS, 0, ID_ZOOM_IN, ID_ZOOM_OUT, ID_GOTO_START, ID_SCROLL_BACKWARD, ID_SCROLL_FORWARD,
                       ID_GOTO_END, ID_SCALE_LEFT_ZERO_MAX, ID_SCALE_LEFT_MIN_MAX, ID_SCALE_RIGHT_ZERO_MAX,
                       ID_SCALE_RIGHT_MIN_MAX},
                      std::move(args)) {}

bool CPresentationApp::StartUp() {
  if (!m_chooseFile)
    m_chooseFile = [this](const std::string& title, const std::string& name, const std::string& filter) {
      return ChooseSaveFile(Frame(), title, name, filter);
    };
  ShowMainWindow();
  m_context->SerialTrace().SetOn(GetDebugInfo());

  try {
    m_systemDatabase = m_context->Setup().OpenSystemDatabase();
  } catch (const platform::CException& e) {
    ReportException(IDS_PRESENTATION_NO_SYSTEM_DB, e);
    return false;
  }
  if (!m_systemDatabase) {
    ShowMessageWithReason(IDS_PRESENTATION_NO_SYSTEM_DB, m_context->Setup().SystemDatabaseFailure());
    return false;
  }
  MakeFonts();
  return true;
}

COMeasView* CPresentationApp::ActiveWindowData() const {
  QMdiSubWindow* sub = Frame() ? Frame()->MdiArea()->currentSubWindow() : nullptr;
  auto* view = sub == nullptr ? nullptr : dynamic_cast<CMeasViewBase*>(sub->widget());
  return view == nullptr ? nullptr : view->MeasView();
}

void CPresentationApp::MakeCommands() {
  CMainFrame& f = *Frame();
  AddSharedCommands();
  f.AddCommand({ID_EXPORT, "&Export Measurements...", {}, [this] { OnExport(); },
                [this] { return TaskOpen() && ActiveWindowData() != nullptr; }});
  f.AddCommand({ID_USER_EVENT, "User &Event...", {}, [this] { OnUserEvent(); }, [this] { return UserEventEnabled(); }});

  f.AddMenu("&Task", {ID_FILE_OPEN, ID_UNITS, ID_FONT, CMainFrame::kSeparator, ID_EXPORT, ID_FILE_CLOSE,
                      CMainFrame::kSeparator, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP,
                      CMainFrame::kSeparator, ID_APP_EXIT});
  f.AddMenu("&Edit", {ID_WINDOW_PROPERTIES, ID_USER_EVENT, ID_EDIT_COPY});
  AddViewMenu({ID_ZOOM_IN, ID_ZOOM_OUT});
  AddWindowAndHelpMenus({ID_WINDOW_NEW_NUMERIC, ID_WINDOW_NEW_GRAPHIC, ID_VIEW_CURSORS});
  f.AddToolBar({ID_FILE_OPEN, CMainFrame::kSeparator, ID_EDIT_COPY, CMainFrame::kSeparator, ID_FILE_PRINT,
                CMainFrame::kSeparator, ID_SCALE_LEFT_ZERO_MAX, ID_SCALE_LEFT_MIN_MAX, CMainFrame::kSeparator,
                ID_SCALE_RIGHT_ZERO_MAX, ID_SCALE_RIGHT_MIN_MAX, CMainFrame::kSeparator, ID_ZOOM_IN, ID_ZOOM_OUT,
                CMainFrame::kSeparator, ID_WINDOW_PROPERTIES, CMainFrame::kSeparator, ID_GOTO_START,
                ID_SCROLL_BACKWARD, ID_SCROLL_FORWARD, ID_GOTO_END, CMainFrame::kSeparator, ID_VIEW_CURSORS,
                CMainFrame::kSeparator, ID_APP_ABOUT_CMD});
}

bool CPresentationApp::OnMainWindowClose() {
  RunReportingDatabaseErrors([this] { CloseTask(); });
  return true;
}

// --- tasks ---

void CPresentationApp::OnFileOpen() {
  COSystemSetup& setup = m_context->Setup();
  // The task list as it stands now.
  setup.OpenSystemDatabase();
  CloseTask();
  COpenDatabase dlg(*m_context, Frame());
  if (dlg.DoModal() != platform::IDOK) return;
  CloseAllWindows();
  setup.SetDatabaseName(dlg.m_selectedName);
  setup.SetDatabaseDesc(dlg.m_selectedDescription);
  bool opened = false;
  try {
    m_context->ActiveSequence().Close();
    // A load that failed has said why.
    if (m_context->Sequence().Load()) {
      if (TaskIsEmpty(*m_context)) {
        ShowMessage(IDS_PRESENTATION_TASK_EMPTY);
      } else {
        FollowToTheNewestRow(*m_context);
        opened = true;
      }
    }
  } catch (const COException& e) {
    ShowCOExceptionMessage(e);
  } catch (const platform::CException& e) {
    ShowExceptionMessage(e);
  }
  if (!opened) {
    setup.SetMeasDatabaseOpen(false);
    CloseAllWindows();
    return;
  }
  setup.SetMeasDatabaseOpen(true);
  ShowTaskTitle(dlg.m_selectedDescription);
  Document().OnOpenDocument(std::string());
}

bool CPresentationApp::CloseTask() {
  COSystemSetup& setup = m_context->Setup();
  if (!setup.IsMeasDatabaseOpen()) return true;
  try {
    // The program's close check: nothing to stop; the windows are saved.
    setup.CanCloseDatabase();
  } catch (const platform::CException& e) {
    ReportException(IDS_DB_ERROR, e);
  }
  setup.SetMeasDatabaseOpen(false);
  CloseAllWindows();
  return true;
}

void CPresentationApp::OnWindowClosing(QWidget* frame) {
  if (m_closingAll) return;
  CMeasViewBase* closing = nullptr;
  bool others = false;
  for (CView* v : Document().GetViews()) {
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
  Document().RemoveView(closing);
}

void CPresentationApp::CloseAllWindows() {
  struct Closing {
    bool& flag;
    explicit Closing(bool& f) : flag(f) { flag = true; }
    ~Closing() { flag = false; }
  } closing(m_closingAll);
  // Each window's own frame closes, never the main window; the views leave
  // the document first, so that closing them saves nothing twice.
  const std::vector<CView*> views = Document().GetViews();
  for (CView* v : views) {
    Document().RemoveView(v);
    if (auto* view = dynamic_cast<CMeasViewBase*>(v)) {
      QWidget* frame = view->Frame();
      if (frame != nullptr && frame != Frame())
        frame->close();
      else
        view->close();
    }
  }
  // The closed windows go now, so that their numbers are free again.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  if (Frame()) {
    ShowTaskTitle();
    Frame()->UpdateCommands();
  }
}

// --- windows ---

void CPresentationApp::RegisterWindows() {
  CMeasProgramApp::RegisterWindows();
  // The range and which events a graph or numeric window shows are this
  // program's pages.
  Layer().intervalPage = [this](COMeasInterval& interval) -> platform::CPropertyPage* {
    return new presentation::COXAxisPage(*m_context, interval);
  };
  Layer().extraPage = [](COMeasInterval& interval) -> platform::CPropertyPage* { return new presentation::COEventPage(interval); };
}

// --- commands ---

bool CPresentationApp::UserEventEnabled() const {
  const COCursorStatus& cursors = Layer().Cursors();
  return TaskOpen() && cursors.IsCursorOn() && cursors.GetWindowData() != nullptr &&
         cursors.GetLeftCursor().GetMeasNo() != 0 && cursors.CursorsCoincide();
}

void CPresentationApp::OnUserEvent() {
  presentation::CEventDialog dlg(*m_context, Layer().Cursors(), Frame());
  if (presentation::RunEventDialog(dlg, *m_context) == platform::IDOK) Document().UpdateAllViews(nullptr, kHintOpened);
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
