#pragma once
// The base of the MDI measurement programs (Online, Presentation,
// Calibration): it owns the program context, the window layer, the document
// every window of the task shares and the main window, and gives each
// program what they share: the fonts, the windows (a single window such as
// cursor values or a status window is activated, not opened twice), the
// window, view, print, font, units and communication commands, the
// measurement commands, task close, the question before a running
// measurement stops, and the wait for it to stop when the program ends.
//
// A program derives from it and keeps only what is its own:
//  - its ids where they differ (Ids), given to the constructor;
//  - Prepare(): its objects that the windows and commands use, made before
//    the main window (observers, alarm outputs);
//  - MakeCommands(): AddSharedCommands() (and AddMeasurementCommands() in a
//    program that measures), its own commands, then its menus and toolbar;
//  - RegisterWindows(): the base's creators (numeric, graph, cursor values)
//    and its own (a status window with RegisterSingle);
//  - StartUp(): its start-up steps in its order (system database, fonts,
//    ShowMainWindow(), the monitor); a request to close the main window
//    before StartUp has returned is carried out once it has.
#include <QPointer>
#include <chrono>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DBDoc.h"
#include "MainFrame.h"
#include "MeasProgramCommands.h"
#include "ProgramContext.h"
#include "TarnicBaseApp.h"
#include "ViewBase.h"
#include "WindowLayer.h"

class CODeviceDialogs;
class QMdiSubWindow;
namespace platform {
class UiNotifier;
}

class CMeasProgramApp : public TarnicBaseApp {
 public:
  // The commands whose ids differ between the programs, in this order; 0:
  // the program has no such command.
  struct Ids {
    unsigned units = 0;
    unsigned communication = 0;
    unsigned zoomIn = 0, zoomOut = 0;
    unsigned first = 0, back = 0, forward = 0, last = 0;
    unsigned scaleLeftZero = 0, scaleLeftMinMax = 0, scaleRightZero = 0, scaleRightMinMax = 0;
  };
  ~CMeasProgramApp() override;

  // The start-up (see above); true when the program runs.
  bool InitInstance() final;
  // Waits, a bounded time, for a measurement that is still stopping.
  int ExitInstance() override;

  ProgramContext& Context() { return *m_context; }
  CMainFrame* Frame() const { return m_frame.get(); }
  CWindowLayer& Layer() const { return *m_layer; }
  bool TaskOpen() const;
  // How long the end of the program waits at most for a running measurement
  // to stop (5 s).
  void SetStopWait(std::chrono::milliseconds wait) { m_stopWait = wait; }

  // Task > Close: false leaves the task open. The base asks before it stops
  // a running measurement and saves the task's windows.
  virtual bool CloseTask();

  // The window commands, which the window store reopens saved windows by.
  void OnWindowNewGraphic();
  void OnWindowNewNumeric();
  void OnViewCursors();

 protected:
  // profile: what sets the program apart, its name ("Online") among it; the
  // main window's title is "Nolt <name>".
  CMeasProgramApp(ProgramProfile profile, Ids ids, std::vector<std::string> args);

  virtual void Prepare() {}
  virtual void MakeCommands() = 0;
  virtual void RegisterWindows();
  virtual bool StartUp() = 0;
  // The main window is asked to close: false keeps it open. The base asks
  // before it stops a running measurement and saves the task's windows.
  virtual bool OnMainWindowClose();
  // A window of the task is about to close (its frame).
  virtual void OnWindowClosing(QWidget* frame) {}
  // After the communication settings changed: the monitor on the port that
  // is set now.
  virtual void Reconnect();
  // The measurement commands' work.
  virtual void OnSettings() {}
  virtual void OnStart() {}
  virtual void OnPause() {}
  // The next [Sequence] row of the task, where a run that did not stop in
  // time at the program's end leaves its row.
  virtual void NewSequenceRow();
  // Stop is enabled while a task is open and the state allows it.
  virtual bool CanStop(MeasState state) const { return state == MeasState::active; }

  // The commands of every program: Close, Print, Print Preview, Print Setup,
  // Copy, Window Properties, zoom, scrolling and axis scaling, Units, Font,
  // Communication, the window commands, Cascade, Tile, Arrange Icons,
  // Toolbar, Status Bar, About and Exit; New and Open run OnNewTask and
  // OnOpenTask.
  void AddSharedCommands();
  virtual void OnNewTask() {}
  virtual void OnOpenTask() {}
  // Settings, Start, Pause and Stop.
  void AddMeasurementCommands();
  // "&View" with the ids, then Toolbar and Status Bar; "&Window" with the
  // ids, then Cascade, Tile and Arrange Icons, and "&Help".
  void AddViewMenu(std::initializer_list<unsigned> ids);
  void AddWindowAndHelpMenus(std::initializer_list<unsigned> ids);

  // Shows the main window, then the splash over it.
  void ShowMainWindow();
  // The three fonts from the system set-up.
  void MakeFonts();
  void OnFont();
  // A view in its window inside the main window, activated.
  QMdiSubWindow* Show(CMeasViewBase* view);
  template <class View>
  View* OpenView() {
    auto* view = new View(*m_layer, m_document.get());
    Show(view);
    return view;
  }
  // A window type of which there is one: a second command activates the
  // one there is. make builds the view; shown runs once it is in its frame.
  void RegisterSingle(int type, std::function<CMeasViewBase*()> make,
                      std::function<void(QMdiSubWindow*)> shown = {});
  // The window of a single type, or null.
  QWidget* SingleWindow(int type) const;

  CDBDoc& Document() { return *m_document; }
  // A blank document in place of the one that was closed.
  void RenewDocument();
  // The main window's title with the task's description, or without a task.
  void ShowTaskTitle(const std::string& description = std::string());
  // Before the task or the program closes: a running measurement stops if
  // the user agrees (false when not); one still starting stops without a
  // question.
  bool StopMeasurementForClose();
  // The monitor's print-outs: 85 lines a page where the default printer's
  // text is 50 units high without leading, else 78.
  int PrintLinesPerPage();

  // Where a program keeps the outputs of its own objects: the windows go
  // before them (a derived destructor calls it first).
  void DestroyWindows();

  std::unique_ptr<ProgramContext> m_context;

 private:
  class StateWatch;
  bool ActivateSingle(int type);
  void WatchState();
  // Stores the stop of a run that did not end in time, as the measurement
  // subject would have.
  void StoreLateStop();

  Ids m_ids;
  std::string m_title;
  std::unique_ptr<platform::UiNotifier> m_notifier;
  std::unique_ptr<CODeviceDialogs> m_dialogs;
  std::unique_ptr<CWindowLayer> m_layer;
  std::unique_ptr<CDBDoc> m_document;
  std::unique_ptr<CMainFrame> m_frame;
  QObject* m_closeWatch = nullptr;
  std::map<int, QPointer<QWidget>> m_singles;
  std::unique_ptr<StateWatch> m_stateWatch;
  std::chrono::milliseconds m_stopWait{5000};
};

// Runs the event loop until the measurement of the context is idle, at most
// for the wait, with the wait cursor; true when it is idle. An idle one
// returns at once, without the wait cursor.
bool WaitForMeasurementStop(DataContext& context, std::chrono::milliseconds wait);
