#pragma once
// The document of every window of a task. It holds no data: it ties the
// windows of the open task together, restores their placement when the task
// opens and keeps the task open while the user declines to stop a running
// measurement.
//
// CDocument and CView are the few document/view operations the data layer
// relies on, free of any window system; the window layer derives its views
// from CView and closes their frames in OnDocumentClosing.
#include <functional>
#include <string>
#include <vector>

class CDocument;
class COMeas;
class DataContext;

// What the task commands do with the sequence of the program's task: the
// measurement sequence's, unless a program keeps its own (the calibration
// sequence).
struct TaskSequence {
  // False when the task's rows could not be read (it has shown why).
  std::function<bool()> load;
  // The monitor's serial into the new task's row, saved.
  std::function<void(const std::string& serial)> setSerial;
  // An interrupted run: its stop at the last measurement, saved, then the
  // next row.
  std::function<void(const COMeas& last)> stopAt;
  // Lets go of the task's database.
  std::function<void()> close;

  static TaskSequence Measurement(DataContext& context);
};

// Why the views of a document are updated (the hint of UpdateAllViews).
enum ViewHint : long {
  kHintOpened = 0,        // the task opened: everything is new
  kHintTaskChanged = 8,   // the sequence's settings or its stop changed
  kHintRepaint = 10,
  kHintCursors = 11,      // the cursors or their statistics changed
  kHintRestoreFrame = 12,  // a maximized window is restored before another one is activated
  kHintRepaintAll = 13,
  // The cursor mode ended or the stored rows changed: the windows drop their
  // cursors and read their intervals again.
  kHintReloadInterval = 14,
};

class CView {
 public:
  virtual ~CView() = default;
  // hint: the reason (repaint, cursors moved, ...); sender: the view that
  // caused it, null for the data layer.
  virtual void OnUpdate(CView* sender, long hint, void* hintObject) = 0;
  // The document is closing: the view's frame goes.
  virtual void OnDocumentClosing(CDocument* doc) {}
};

class CDocument {
 public:
  CDocument() = default;
  virtual ~CDocument() = default;
  CDocument(const CDocument&) = delete;
  CDocument& operator=(const CDocument&) = delete;

  void AddView(CView* view);
  void RemoveView(CView* view);
  const std::vector<CView*>& GetViews() const { return m_views; }
  void UpdateAllViews(CView* sender, long hint = 0, void* hintObject = nullptr);

  virtual bool IsModified() { return m_modified; }
  virtual void SetModifiedFlag(bool modified = true) { m_modified = modified; }
  virtual bool OnOpenDocument(const std::string& path) { return true; }
  // Closes every view's frame; a document created with new (auto-delete, the
  // default) then deletes itself, so the caller must not touch it afterwards.
  virtual void OnCloseDocument();

  bool m_bAutoDelete = true;

 protected:
  bool m_modified = false;

 private:
  std::vector<CView*> m_views;
};

class CDBDoc : public CDocument {
 public:
  // The document of the task open in the program's context; it is the
  // context's document while it lives.
  explicit CDBDoc(DataContext& context);
  ~CDBDoc() override;

  bool IsModified() override;
  void SetModifiedFlag(bool modified = true) override;
  // Reads no file: restores the windows saved with the open task and updates
  // every view with hint 0.
  bool OnOpenDocument(const std::string& path) override;
  // Closes only when the system set-up agrees (a running measurement may be
  // stopped first); otherwise nothing changes.
  void OnCloseDocument() override;
  // A task whose last start has no stop after it (the program ended while it
  // measured) is closed: the stop event at its last measurement, the
  // sequence's stop, and a new sequence row. True when it was interrupted.
  static bool CloseInterruptedSequence(DataContext& context);
  static bool CloseInterruptedSequence(DataContext& context, const TaskSequence& sequence);
  // A new task database for the description, the monitor's serial in its
  // sequence, marked open. A failure shows the message with the database's
  // reason and leaves no task open.
  static bool CreateTask(DataContext& context, const std::string& description, const std::string& serial,
                         unsigned failureMessage);
  static bool CreateTask(DataContext& context, const std::string& description, const std::string& serial,
                         unsigned failureMessage, const TaskSequence& sequence);
  // The stored task becomes the open one (an interrupted run closed first).
  // A failure shows the reason and leaves no task open.
  static bool OpenTask(DataContext& context, const std::string& name, const std::string& description);
  static bool OpenTask(DataContext& context, const std::string& name, const std::string& description,
                       const TaskSequence& sequence);
  // The sequence's and the database observer's record sets let go of the
  // task's database.
  static void ReleaseTask(DataContext& context);
  static void ReleaseTask(DataContext& context, const TaskSequence& sequence);

 private:
  DataContext& m_context;
};
