#include "DBDoc.h"

#include <algorithm>

#include "CODBObs.h"
#include "COSystemSetup.h"
#include "COSequence.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "TaskRecords.h"
#include "COException.h"
#include "core/Text.h"

void CDocument::AddView(CView* view) {
  if (view != nullptr && std::find(m_views.begin(), m_views.end(), view) == m_views.end()) m_views.push_back(view);
}

void CDocument::RemoveView(CView* view) { m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end()); }

void CDocument::UpdateAllViews(CView* sender, long hint, void* hintObject) {
  // A view may close itself while it is updated; the copy keeps the walk safe.
  std::vector<CView*> views = m_views;
  for (CView* v : views)
    if (v != sender && std::find(m_views.begin(), m_views.end(), v) != m_views.end()) v->OnUpdate(sender, hint, hintObject);
}

void CDocument::OnCloseDocument() {
  std::vector<CView*> views = m_views;
  for (CView* v : views) v->OnDocumentClosing(this);
  m_views.clear();
  if (m_bAutoDelete) delete this;
}

CDBDoc::CDBDoc(DataContext& context) : m_context(context) { m_context.SetDocument(this); }

CDBDoc::~CDBDoc() {
  if (m_context.Document() == this) m_context.SetDocument(nullptr);
}

bool CDBDoc::IsModified() { return m_modified; }

void CDBDoc::SetModifiedFlag(bool modified) { m_modified = modified; }

bool CDBDoc::OnOpenDocument(const std::string&) {
  if (IWindowStore* store = m_context.WindowStore()) store->Restore();
  UpdateAllViews(nullptr, kHintOpened, nullptr);
  return true;
}

void CDBDoc::OnCloseDocument() {
  if (!m_context.Setup().CanCloseDatabase()) return;
  CDocument::OnCloseDocument();
}

TaskSequence TaskSequence::Measurement(DataContext& context) {
  TaskSequence s;
  s.load = [&context] { return context.ActiveSequence().Load(); };
  s.setSerial = [&context](const std::string& serial) {
    COSequence& sequence = context.ActiveSequence();
    sequence.SetSerialNum(serial);
    sequence.Save();
  };
  s.stopAt = [&context](const COMeas& last) {
    COSequence& sequence = context.ActiveSequence();
    sequence.SetStop(last.GetMeasTime(), last.GetMeasNo());
    sequence.Save();
    sequence.NewSequence();
  };
  s.close = [&context] { context.ActiveSequence().Close(); };
  return s;
}

bool CDBDoc::CloseInterruptedSequence(DataContext& context) {
  return CloseInterruptedSequence(context, TaskSequence::Measurement(context));
}

bool CDBDoc::CloseInterruptedSequence(DataContext& context, const TaskSequence& sequence) {
  CORecEvent events(context);
  events.m_strFilter = platform::Format("[EventType] = %d OR [EventType] = %d", COEvent::typeTaskStarted,
                                        COEvent::typeTaskStopped);
  events.Open();
  if (events.IsEOF()) return false;
  events.MoveLast();
  if (events.m_EventType != COEvent::typeTaskStarted) return false;
  COMeas last;
  CORecMeas meas(context);
  meas.SetTarget(&last);
  meas.m_strSort = "[MeasNo]";
  meas.Open();
  if (meas.IsEOF()) return false;
  meas.MoveLast();
  meas.CloseWithDatabase();
  events.m_strFilter.clear();
  events.AddEventById(last, IDS_TASK_STOPPED, COEvent::typeTaskStopped, 0.0f);
  events.CloseWithDatabase();
  sequence.stopAt(last);
  return true;
}

void CDBDoc::ReleaseTask(DataContext& context) { ReleaseTask(context, TaskSequence::Measurement(context)); }

void CDBDoc::ReleaseTask(DataContext& context, const TaskSequence& sequence) {
  sequence.close();
  context.DBObs().CloseRecordsets();
}

bool CDBDoc::CreateTask(DataContext& context, const std::string& description, const std::string& serial,
                        unsigned failureMessage) {
  return CreateTask(context, description, serial, failureMessage, TaskSequence::Measurement(context));
}

bool CDBDoc::CreateTask(DataContext& context, const std::string& description, const std::string& serial,
                        unsigned failureMessage, const TaskSequence& sequence) {
  ReleaseTask(context, sequence);
  COSystemSetup& setup = context.Setup();
  try {
    setup.CreateMeasDatabase(description);
    if (!sequence.load()) {  // it has shown why
      ReleaseTask(context, sequence);
      return false;
    }
    sequence.setSerial(serial);
  } catch (const platform::CException& e) {
    ReleaseTask(context, sequence);
    ReportException(failureMessage, e);
    return false;
  }
  setup.SetMeasDatabaseOpen(true);
  setup.SetDatabaseDesc(description);
  return true;
}

bool CDBDoc::OpenTask(DataContext& context, const std::string& name, const std::string& description) {
  return OpenTask(context, name, description, TaskSequence::Measurement(context));
}

bool CDBDoc::OpenTask(DataContext& context, const std::string& name, const std::string& description,
                      const TaskSequence& sequence) {
  COSystemSetup& setup = context.Setup();
  setup.SetDatabaseName(name);
  setup.SetDatabaseDesc(description);
  ReleaseTask(context, sequence);
  try {
    // A failed load has shown why.
    if (!sequence.load()) {
      setup.SetMeasDatabaseOpen(false);
      return false;
    }
    try {
      CloseInterruptedSequence(context, sequence);
    } catch (const platform::CDBException& e) {
      // A full disk still lets the task be read; an open with room closes
      // the run.
      if (!e.IsDiskFull()) throw;
    }
  } catch (const COException& e) {
    ShowCOExceptionMessage(e);
    setup.SetMeasDatabaseOpen(false);
    return false;
  } catch (const platform::CException& e) {
    ShowExceptionMessage(e);
    setup.SetMeasDatabaseOpen(false);
    return false;
  }
  setup.SetMeasDatabaseOpen(true);
  return true;
}
