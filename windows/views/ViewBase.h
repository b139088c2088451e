#pragma once
// The base of the measurement windows (graph, numeric, cursor values, status,
// text).
//
// How a view plugs in:
//  - Derive from CMeasViewBase and give the constructor the program's
//    CWindowLayer (WindowLayer.h), the task's document (may be null in
//    tests) and the view type (Type below); types 0 to 4 are persistent and
//    take a place in the activation order.
//  - A window over an interval of measurements derives from CIntervalView
//    (IntervalView.h), which owns its COMeasView (number, title, interval)
//    and returns it from MeasView(). Its constructor throws TooManyWindows
//    past the numbering; CWindowRegistry::Open turns that into a message.
//  - Paint everything in Draw(CDC&, const CRect& client): the widget's
//    paintEvent, Copy (SVG and PNG on the clipboard, at ContentSize()) and
//    printing all call it, so a test draws into a RecordingDC and reads what
//    was drawn; dc.IsPrinting() tells a print-out. Override PageCount() and
//    DrawPage() to page a print-out; the default prints Draw on one page.
//    Copy(), Print() and PrintPreview() are the commands.
//  - Override OnUpdate(sender, hint, object) for the document's hints and
//    OnGeneralUpdate(event) for the general subject (a stored measurement,
//    which the event carries, a task started or stopped); both run on the
//    user-interface thread. Where a
//    window waits before following the data, use FollowLater(), a
//    single-shot timer, never a sleep.
//  - Cursors: on activation a window that holds cursors makes itself the
//    cursor window (Layer().Cursors().SetWindowData(MeasView())), forgets
//    itself in its destructor (RemoveWindowData) and tells the others with
//    UpdateAllViewsOfDoc(kHintCursors) whenever its cursors or statistics
//    change; the cursor-value window reads them through CursorTool.
//  - Register the window type's creator in the layer's CWindowRegistry so
//    the open-window store can restore it. The creator builds the view in its
//    frame and calls RestorePlacement() on the frame; while the store
//    restores (Store().IsRestoring()), an interval view takes its interval
//    from Store().LoadInterval() in its constructor, and stores it again
//    (SaveSettings) when the task closes. CNumView is a complete example.
//  - Activated() runs when the view gets the focus; call it also when its
//    frame is activated otherwise.
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "COGenSub.h"
#include "DBDoc.h"
#include "MeasInterval.h"
#include "core/DeviceContext.h"
#include "core/Subject.h"
#include "MainFrame.h"
#include "WindowLayer.h"

class DataContext;
class QPrinter;

// The window numbers 1 to 1000 of one kind, the smallest free one first.
class TooManyWindows : public std::runtime_error {
 public:
  TooManyWindows();
};

class COMeasView {
 public:
  enum Kind { kNumeric = 0, kGraphic = 1 };
  static constexpr int kMaxNumber = COWindowOrder::kSize;

  // Takes the smallest free number of the kind from the table; throws
  // TooManyWindows when all are taken.
  COMeasView(COWindowOrder& numbers, DataContext& context, int kind);
  ~COMeasView();
  COMeasView(const COMeasView&) = delete;
  COMeasView& operator=(const COMeasView&) = delete;

  int GetWindowNumber() const { return m_number; }
  int GetKind() const { return m_kind; }
  COMeasInterval& GetInterval() { return m_interval; }
  const COMeasInterval& GetInterval() const { return m_interval; }
  // "Graphic Window %d" or "Numeric Window %d".
  std::string GetWindowTitle() const;

 private:
  COWindowOrder& m_numbers;
  int m_number;
  int m_kind;
  COMeasInterval m_interval;
};

class COOpenWindows;

class CMeasViewBase : public QWidget, public CView, public CGenObserver {
 public:
  // The view types the open-window store knows.
  enum Type { kNumericType = 0, kGraphType = 1, kStatusType = 2, kAlarmType = 3, kCursorType = 4, kTextType = 5 };

  // The frame's saved style: normal, minimised, maximised.
  static constexpr long kStyleMinimized = 0x20000000;
  static constexpr long kStyleMaximized = 0x1000000;

  CMeasViewBase(CWindowLayer& layer, CDocument* document, int type, QWidget* parent = nullptr);
  ~CMeasViewBase() override;

  int GetViewType() const { return m_type; }
  CWindowLayer& Layer() const { return m_layer; }
  DataContext& Context() const { return m_layer.Data(); }
  bool IsCalibration() const;
  // The persistent frame's number; 0 for the text window.
  int GetFrameNumber() const { return m_frameNumber; }
  // The widget that carries the window's placement: the MDI sub-window
  // around the view, else its top-level window.
  QWidget* Frame();
  // Saved style and rectangle of the frame, as the store writes them.
  long SavedStyle();
  QRect SavedRect();
  // While the store restores: the row's placement onto the frame.
  void RestorePlacement(QWidget* frame);
  // Writes the view's own settings into the store's new row.
  virtual void SaveSettings(COOpenWindows& store) {}
  // The window became active: it moves to the front of the order.
  virtual void Activated();
  CDocument* Document() const { return m_document; }
  // The graph and numeric windows' number, title and interval; null else.
  virtual COMeasView* MeasView() { return nullptr; }
  virtual std::string GetWindowTitle() const = 0;

  // Draws the whole window; client is the area to fill.
  virtual void Draw(platform::CDC& dc, const platform::CRect& client) = 0;
  // A print-out: pages of page size (device units).
  virtual int PageCount(platform::CDC& dc, const platform::CSize& page);
  virtual void DrawPage(platform::CDC& dc, const platform::CSize& page, int pageNumber);
  // Its full size for the clipboard; the widget's size unless the view knows
  // more (a table longer than the window).
  virtual platform::CSize ContentSize() { return platform::CSize(width(), height()); }
  // Where a paint of the widget draws: all of it, unless scroll bars take
  // a part.
  virtual platform::CRect PaintArea() { return platform::CRect(0, 0, width(), height()); }

  void OnUpdate(CView* sender, long hint, void* hintObject) override;
  void OnDocumentClosing(CDocument* doc) override;
  void Update(const CGenEvent& event) override { OnGeneralUpdate(event); }
  virtual void OnGeneralUpdate(const CGenEvent& event) {}

  // What the programs' menus ask of the active window, whatever ids they
  // give it.
  enum class Command {
    copy, print, printPreview, properties, zoomIn, zoomOut, first, back, forward, last,
    scaleLeftZero, scaleLeftMinMax, scaleRightZero, scaleRightMinMax
  };
  // False when the window has no such command or it cannot run now. A
  // window with an interval (MeasView()) has the interval commands below.
  virtual bool CanRun(Command command);
  virtual void Run(Command command);
  virtual void OnZoomIn() {}
  virtual bool CanZoomIn() const { return false; }
  virtual void OnZoomOut() {}
  virtual void OnMoveFirst() {}
  virtual void OnScrollBack() {}
  virtual void OnScrollForward() {}
  virtual void OnMoveLast() {}
  virtual void OnWindowProperties() {}

  // The program's font: the window's text is in it on screen, on the
  // clipboard and, at a print's units, on paper.
  QFont ProgramFont() const;
  // The window on the clipboard as SVG and PNG.
  virtual void Copy();
  // Sets up the printer before the print dialog or the preview.
  virtual void PreparePrinter(QPrinter& printer) {}
  // Paints every page onto the printer, in kPrintUnitsPerInch units.
  static constexpr int kPrintUnitsPerInch = 100;
  void PrintTo(QPrinter& printer);
  // The system's print dialog, then printing.
  void Print();
  void PrintPreview();

  // Tells the other views of the document.
  void UpdateAllViewsOfDoc(long hint);
  // After a stored measurement: a second later the interval moves to the
  // newest one stored meanwhile, the cursors with it unless the cursor
  // window's settings are open on this window; then, when no measurement is
  // under way, reread runs. stay, when given and true at that time, leaves
  // the window where it is.
  void FollowTaskLater(const COMeas& stored, std::function<void()> reread, std::function<bool()> stay = {});
  // A maximised frame is restored before another window comes up.
  void RestoreFrame();
  // Runs the step once after the delay on the user-interface thread; a
  // request while one is pending replaces its step, not its time.
  void FollowLater(int milliseconds, std::function<void()> step);

 protected:
  void paintEvent(QPaintEvent*) override;
  void focusInEvent(QFocusEvent*) override;

 private:
  CWindowLayer& m_layer;
  int m_frameNumber = 0;
  CDocument* m_document;
  int m_type;
  QTimer m_follow;
  std::function<void()> m_followStep;
};

// A main-window command that the active measurement window runs, enabled as
// that window says; id, text, key and toolbar look come from the given one.
CMainFrame::Command ViewCommand(CMainFrame& frame, CMainFrame::Command command, CMeasViewBase::Command which);

// Puts a new view into its own window inside the main window, where the
// open-window store placed it while the store restores, and activates it.
QMdiSubWindow* ShowView(CMainFrame& frame, CMeasViewBase* view);
