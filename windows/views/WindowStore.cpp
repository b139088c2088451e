#include "WindowStore.h"

#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBDoc.h"
#include "DBFiles.h"
#include "TaskRecords.h"
#include "ViewBase.h"
#include "WindowLayer.h"
#include "core/MessageSink.h"
#include "db/Database.h"

COOpenWindows::COOpenWindows(CWindowLayer& layer) : m_layer(layer) {}

COOpenWindows::~COOpenWindows() = default;

COOpenWindows::Placement COOpenWindows::CurrentPlacement() const {
  Placement p;
  if (!m_row) return p;
  p.style = m_row->m_WindowStyle;
  p.rect = QRect(QPoint(m_row->m_Left, m_row->m_Top), QPoint(m_row->m_Right - 1, m_row->m_Bottom - 1));
  return p;
}

void COOpenWindows::LoadInterval(COMeasInterval& interval) const {
  if (!m_row) return;
  interval = m_row->m_interval;
  const ShownSequence* sequence = &m_layer.Data().WindowSequence();
  for (CColumn& c : interval.GetColumns()) c.SetSequence(sequence, &interval);
}

void COOpenWindows::StoreInterval(const COMeasInterval& interval) {
  if (m_row) m_row->m_interval = interval;
}

void COOpenWindows::Save() {
  DataContext& data = m_layer.Data();
  if (!data.Setup().IsMeasDatabaseOpen()) return;
  platform::CDatabase db;
  db.Open(dbfiles::ConnectString(data.Setup().GetDatabaseName()));
  // Old rows and new ones change together: a failure leaves the old set.
  db.BeginTrans();
  try {
    db.ExecuteSQL("DELETE FROM [OpenColumns]");
    db.ExecuteSQL("DELETE FROM [OpenWindows]");
    CDocument* doc = data.Document();
    const std::vector<CView*> views = doc ? doc->GetViews() : std::vector<CView*>();
    for (CView* v : views) {
      auto* view = dynamic_cast<CMeasViewBase*>(v);
      if (view == nullptr || view->GetViewType() > CMeasViewBase::kCursorType) continue;
      // The calibration's status window is not kept with the task.
      if (data.Profile().calibrationWindows && view->GetViewType() == CMeasViewBase::kStatusType) continue;
      try {
        m_row = std::make_unique<CORecOpenWindows>(data, &db);
        m_row->m_strFilter = "0 = 1";  // only adds
        m_row->Open(platform::CRecordset::dynaset);
        m_row->AddNew();
        m_row->m_WindowType = view->GetViewType();
        m_row->m_ID = m_layer.Order().IndexOf(view->GetFrameNumber());
        m_row->m_WindowStyle = view->SavedStyle();
        const QRect r = view->SavedRect();
        m_row->m_Left = r.left();
        m_row->m_Top = r.top();
        m_row->m_Right = r.left() + r.width();
        m_row->m_Bottom = r.top() + r.height();
        view->SaveSettings(*this);
        m_row->Update();
        m_row->Close();
        const int type = view->GetViewType();
        if (type == CMeasViewBase::kGraphType || type == CMeasViewBase::kNumericType) {
          CORecOpenColumns columns(data, &db);
          columns.m_strFilter = "0 = 1";
          columns.Open(platform::CRecordset::dynaset);
          for (const CColumn& c : m_row->m_interval.GetColumns()) {
            columns.AddNew();
            columns.m_ID = m_row->m_ID;
            columns.m_column = c;
            columns.Update();
          }
          columns.Close();
        }
      } catch (const platform::CException& e) {
        platform::MessageBox(e.GetMessage(), platform::MB_OK | platform::MB_ICONERROR);
      }
      m_row.reset();
    }
    db.CommitTrans();
  } catch (...) {
    m_row.reset();
    if (db.InTransaction()) db.Rollback();
    throw;
  }
}

void COOpenWindows::Restore() {
  // However the reopening ends, later windows must not take a stale row.
  struct Reset {
    COOpenWindows& s;
    ~Reset() {
      s.m_restoring = false;
      s.m_row.reset();
    }
  } reset{*this};
  // Another task: the property sheets open on their first page again.
  m_layer.lastSheetPages = {};
  m_restoring = true;
  m_row = std::make_unique<CORecOpenWindows>(m_layer.Data());
  m_row->m_strSort = "[ID] DESC";
  m_row->Open();
  if (m_row->IsEOF()) {
    m_row->CloseWithDatabase();
    m_row.reset();
    m_restoring = false;
    m_layer.Registry().Open(CMeasViewBase::kGraphType);
    return;
  }
  for (; !m_row->IsEOF(); m_row->MoveNext()) {
    m_row->LoadColumns(m_row->m_interval.GetColumns());
    m_layer.Registry().Open(m_row->m_WindowType);
  }
  m_row->CloseWithDatabase();
}
