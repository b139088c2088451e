#include "DBDoc.h"

#include <algorithm>

#include "COSystemSetup.h"
#include "DataLinks.h"

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

bool CDBDoc::IsModified() { return m_modified; }

void CDBDoc::SetModifiedFlag(bool modified) { m_modified = modified; }

bool CDBDoc::OnOpenDocument(const std::string&) {
  if (IWindowStore* store = DataLinks::WindowStore()) store->Restore();
  UpdateAllViews(nullptr, 0, nullptr);
  return true;
}

void CDBDoc::OnCloseDocument() {
  COSystemSetup* setup = COSystemSetup::Current();
  if (setup != nullptr && !setup->CanCloseDatabase()) return;
  CDocument::OnCloseDocument();
}
