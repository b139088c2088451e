#pragma once
// The base of the windows that show an interval of measurements (the graph
// and the numeric window, and the Calibration program's variants of them):
// the window's number, title and interval, the buffer it reads them into,
// the interval commands, what it does on the document's hints and the
// general subject's updates, its property sheet, the two cursors dragged
// with the mouse, its scroll bars and fonts, and its saved settings.
//
// A derived window reads its rows in Loaded(), paints them in Draw()
// (scrolled by ScrollPosition(), in the fonts of SelectFonts()), tells the
// size its scroll bars range over in ScrollSize(), finds the measurement
// under the mouse in MeasAt(), runs its own property sheet in
// RunProperties(), and calls ReloadData() at the end of its constructor.
#include <QScrollBar>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "MeasReader.h"
#include "ViewBase.h"

class CIntervalView : public CMeasViewBase {
 public:
  // type: kNumericType or kGraphType. Throws TooManyWindows when every
  // number of the kind is taken. While the open-window store restores, the
  // interval and its cursors are the store's row's.
  CIntervalView(CWindowLayer& layer, CDocument* document, int type, QWidget* parent = nullptr);
  ~CIntervalView() override;

  COMeasView* MeasView() override { return &m_meas; }
  COMeasInterval& Interval() { return m_meas.GetInterval(); }
  const COMeasInterval& Interval() const { return m_meas.GetInterval(); }
  std::string GetWindowTitle() const override { return m_meas.GetWindowTitle(); }
  void SaveSettings(COOpenWindows& store) override;

  // Reads the interval again: the rows and, where the window or the cursors
  // need them, the limits and statistics. A long read (kLongRead rows or
  // more) goes on on a thread of its own while the window shows that it is
  // loading (a follow: what it showed); a read asked for meanwhile takes
  // its place.
  void ReloadData();
  bool IsLoading() const { return m_load != nullptr; }
  static constexpr long kLongRead = 150000;
  // The interval moved on with a running task: only what it added is read.
  void FollowData();

  void OnUpdate(CView* sender, long hint, void* hintObject) override;
  // The task closes: any read goes no further and delivers nothing.
  void OnDocumentClosing(CDocument* doc) override;
  void OnGeneralUpdate(const CGenEvent& event) override;
  // The window becomes the cursor window.
  void Activated() override;

  // The interval commands; each reads the interval again and repaints.
  void OnZoomOut() override { MoveInterval(&COMeasInterval::ZoomOut); }
  void OnMoveFirst() override { MoveInterval(&COMeasInterval::MoveToFirst); }
  void OnScrollBack() override { MoveInterval(&COMeasInterval::ScrollBack); }
  void OnScrollForward() override { MoveInterval(&COMeasInterval::ScrollForward); }
  void OnMoveLast() override { MoveInterval(&COMeasInterval::MoveToLast); }
  // "Window Properties...": the sheet on a copy of the interval; on OK the
  // copy replaces it and the cursors reset.
  void OnWindowProperties() override;

  // Cursor drag, in widget coordinates. A click within a second of the
  // window's activation starts no drag: only that click is swallowed.
  virtual void ButtonDown(platform::CPoint p, bool shift);
  virtual void MouseMove(platform::CPoint p);
  virtual void ButtonUp(platform::CPoint p);
  void SetActivationTime(std::chrono::steady_clock::time_point t) { m_activated = t; }
  bool IsDragging() const { return m_dragging; }
  // Where the drag started and where it stands.
  const COMeas& DragAnchor() const { return m_anchor; }
  const COMeas& DragEnd() const { return m_dragEnd; }

  // What a paint measures anew (label sizes) is measured at the next one.
  virtual void Relayout() {}
  void Repaint();

  // The whole content on the clipboard, wherever the window is scrolled.
  void Copy() override;
  platform::CRect PaintArea() override;
  // The scroll bars for the content's size: each shows only when the
  // window is smaller than the content that way.
  void UpdateScrollBars();

 protected:
  // After the buffer was given the interval: read what the window keeps.
  virtual void Loaded(bool follow) {}
  // Whether the window needs the interval's limits and statistics even
  // without cursors.
  virtual bool NeedsStatistics() const { return false; }
  // The measurement under p; null there is none, or (onlyInside) p is off
  // the rows.
  virtual const COMeas* MeasAt(platform::CPoint p, bool onlyInside) = 0;
  // The window's sheet on the copy; true on OK.
  virtual bool RunProperties(COMeasInterval& copy) = 0;
  // On a new sample the window waits for the sequence's update; true: it
  // keeps what it shows meanwhile.
  virtual bool KeepsPlace() { return false; }
  // The size the scroll bars range over.
  virtual platform::CSize ScrollSize() = 0;
  // While a long read goes on and the window has no rows to show: the note
  // that it is loading.
  void DrawLoading(platform::CDC& dc, const platform::CRect& client);
  // One step of the scroll bars' arrows and of the mouse wheel.
  virtual int LineStep() const { return 20; }
  // Where the content is scrolled to; nowhere for a print or the
  // clipboard, which take all of it.
  platform::CPoint ScrollPosition(platform::CDC& dc) const;
  // Selects the program's font (m_font) into dc and makes the small one
  // (m_smallFont), both scaled to the device when printing; returns the
  // font selected before.
  platform::CFont* SelectFonts(platform::CDC& dc);

  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

  COMeasView m_meas;
  COMeasBuffer m_buffer;
  // The columns' values in their units (the buffer's), when the read made
  // them: for Loaded() to use.
  const std::vector<std::vector<float>>* m_converted = nullptr;
  bool m_painting = false;
  bool m_dragging = false;
  COMeas m_anchor;
  COMeas m_dragEnd;
  std::chrono::steady_clock::time_point m_activated;
  platform::CFont m_font;
  platform::CFont m_smallFont;
  QScrollBar m_hBar;
  QScrollBar m_vBar;

 private:
  // A read on its own thread: all it works on is its own.
  struct Load {
    Load(DataContext& context, const COMeasInterval& interval);
    COMeasReadRequest request;
    std::vector<COValueConverter> converters;
    COMeasColumns rows;
    std::vector<std::vector<float>> converted;
    std::string error;
    bool ok = false;
    // Asked for by a follow of the running task.
    bool follow = false;
    std::atomic<bool> cancel{false};
    std::thread thread;
  };
  void StartLoad(std::shared_ptr<Load> load);
  void LoadFinished(const std::shared_ptr<Load>& load);
  // Cancels the read that goes on; its thread ends on its own and is
  // waited for when it says so.
  void CancelLoad();
  // Cancels every read and waits for their threads: none delivers.
  void StopLoads();

  bool m_wholeContent = false;
  bool m_defaultColumns = false;
  std::shared_ptr<Load> m_load;  // the read whose rows the window waits for
  std::vector<std::shared_ptr<Load>> m_loads;  // every read whose thread runs
  // A sample came while loading: the rows it added are read after the load.
  bool m_followAfterLoad = false;
  void ReadInterval(bool follow);
  // The columns a new window has: one for each active filter of the task.
  void TakeDefaultColumns();
  void FollowSequence();
  void MoveInterval(void (COMeasInterval::*move)());
};
