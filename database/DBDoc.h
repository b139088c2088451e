#pragma once
// The document of every window of a task. It holds no data: it ties the
// windows of the open task together, restores their placement when the task
// opens and keeps the task open while the user declines to stop a running
// measurement.
//
// CDocument and CView are the few document/view operations the data layer
// relies on, free of any window system; the window layer derives its views
// from CView and closes their frames in OnDocumentClosing.
#include <string>
#include <vector>

class CDocument;

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
  bool IsModified() override;
  void SetModifiedFlag(bool modified = true) override;
  // Reads no file: restores the windows saved with the open task and updates
  // every view with hint 0.
  bool OnOpenDocument(const std::string& path) override;
  // Closes only when the system set-up agrees (a running measurement may be
  // stopped first); otherwise nothing changes.
  void OnCloseDocument() override;
};
