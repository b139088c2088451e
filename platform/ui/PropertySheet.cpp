#include "PropertySheet.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

#include "core/MessageSink.h"

namespace platform {

namespace {

bool IsEnterKey(const QKeyEvent* event) {
  return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
         (event->modifiers() == Qt::NoModifier ||
          (event->modifiers() == Qt::KeypadModifier && event->key() == Qt::Key_Enter));
}

}  // namespace

// --- page ---

CPropertyPage::CPropertyPage(int templateId, const std::string& caption, QWidget* parent)
    : CDialog(templateId, parent) {
  // A page lives inside its sheet, never as a window of its own.
  setWindowFlags(Qt::Widget);
  if (!caption.empty()) SetWindowText(caption);
}

void CPropertyPage::Initialise() {
  if (m_initialised) return;
  m_initialised = true;
  OnInitDialog();
}

bool CPropertyPage::OnSetActive() {
  if (m_firstSetActive)
    m_firstSetActive = false;
  else
    UpdateData(false);
  return true;
}

bool CPropertyPage::OnKillActive() { return UpdateData(true); }

void CPropertyPage::accept() {
  if (m_sheet)
    m_sheet->accept();
  else
    CDialog::accept();
}

void CPropertyPage::reject() {
  if (m_sheet)
    m_sheet->reject();
  else
    CDialog::reject();
}

void CPropertyPage::keyPressEvent(QKeyEvent* event) {
  // Enter and Escape belong to the sheet's OK and Cancel.
  if (m_sheet && (IsEnterKey(event) || event->matches(QKeySequence::Cancel))) {
    event->ignore();
    return;
  }
  CDialog::keyPressEvent(event);
}

void CPropertyPage::showEvent(QShowEvent* event) {
  if (m_sheet)
    QDialog::showEvent(event);
  else
    CDialog::showEvent(event);
}

// --- sheet ---

CPropertySheet::CPropertySheet(const std::string& caption, QWidget* parent, int selectPage)
    : CDialog(0, parent), m_tabBar(new QTabBar(this)), m_stack(new QStackedWidget(this)), m_initialPage(selectPage) {
  SetWindowText(caption);
  m_tabBar->setDrawBase(false);
  m_tabBar->setExpanding(false);
  m_stack->setFrameShape(QFrame::StyledPanel);

  auto* layout = new QVBoxLayout(this);
  layout->setSpacing(0);
  layout->addWidget(m_tabBar);
  layout->addWidget(m_stack, 1);

  auto* buttons = new QHBoxLayout();
  buttons->setContentsMargins(0, 8, 0, 0);
  auto* ok = new QPushButton("OK", this);
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  auto* apply = new QPushButton("&Apply", this);
  AddItem(platform::IDOK, ok);
  AddItem(platform::IDCANCEL, cancel);
  AddItem(ID_APPLY_NOW, apply);
  connect(ok, &QPushButton::clicked, this, [this] { accept(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
  connect(apply, &QPushButton::clicked, this, [this] { OnApplyNow(); });
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(apply);
  layout->addLayout(buttons);

  connect(m_tabBar, &QTabBar::currentChanged, this, [this](int index) { OnTabChanged(index); });
}

CPropertySheet::~CPropertySheet() {
  // Pages that are members of a derived sheet are gone already; the others
  // are not to call back into a sheet being destroyed.
  for (const QPointer<CPropertyPage>& page : m_pages)
    if (page) page->m_sheet = nullptr;
}

void CPropertySheet::AddPage(CPropertyPage* page) {
  if (!page) return;
  page->m_sheet = this;
  m_pages.emplace_back(page);
  m_stack->addWidget(page);
  QSignalBlocker block(m_tabBar);
  m_tabBar->addTab(page->windowTitle());
  const int current = m_shown ? m_active : m_initialPage;
  if (current >= 0 && current < GetPageCount()) {
    m_tabBar->setCurrentIndex(current);
    m_stack->setCurrentIndex(current);
  }
}

int CPropertySheet::GetPageCount() const { return static_cast<int>(m_pages.size()); }

CPropertyPage* CPropertySheet::GetPage(int index) const {
  return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)].data() : nullptr;
}

CPropertyPage* CPropertySheet::GetActivePage() const { return GetPage(GetActiveIndex()); }

int CPropertySheet::GetActiveIndex() const { return m_shown ? m_active : m_initialPage; }

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const {
  for (int i = 0; i < GetPageCount(); ++i)
    if (m_pages[static_cast<size_t>(i)] == page) return i;
  return -1;
}

bool CPropertySheet::SetActivePage(int index) {
  if (index < 0 || index >= GetPageCount()) return false;
  if (!m_shown) {
    m_initialPage = index;
    QSignalBlocker block(m_tabBar);
    m_tabBar->setCurrentIndex(index);
    m_stack->setCurrentIndex(index);
    return true;
  }
  if (index == m_active) return true;
  if (CPropertyPage* current = GetActivePage())
    if (!current->OnKillActive()) return false;
  Activate(index);
  return true;
}

bool CPropertySheet::SetActivePage(CPropertyPage* page) { return SetActivePage(GetPageIndex(page)); }

void CPropertySheet::Activate(int index) {
  m_active = index;
  {
    QSignalBlocker block(m_tabBar);
    m_tabBar->setCurrentIndex(index);
  }
  m_stack->setCurrentIndex(index);
  CPropertyPage* page = GetPage(index);
  if (!page) return;
  page->Initialise();
  page->OnSetActive();
}

void CPropertySheet::OnTabChanged(int index) {
  if (!m_shown) {
    SetActivePage(index);
    return;
  }
  if (index == m_active) return;
  CPropertyPage* current = GetActivePage();
  if (current && !current->OnKillActive()) {
    // The tab goes back; the page with the wrong entry never went away.
    QSignalBlocker block(m_tabBar);
    m_tabBar->setCurrentIndex(m_active);
    return;
  }
  Activate(index);
}

int CPropertySheet::DoModal() {
  const int result = CDialog::DoModal();
  OnDestroy();
  return result;
}

bool CPropertySheet::OnInitDialog() {
  CDialog::OnInitDialog();
  m_shown = true;
  const int first = m_initialPage >= 0 && m_initialPage < GetPageCount() ? m_initialPage : 0;
  if (GetPageCount() > 0) Activate(first);
  return true;
}

void CPropertySheet::OnOK() {
  if (CPropertyPage* page = GetActivePage())
    if (!page->OnKillActive()) return;
  if (!UpdateData(true)) return;
  EndDialog(platform::IDOK);
}

void CPropertySheet::OnApplyNow() {
  if (CPropertyPage* page = GetActivePage()) page->OnKillActive();
}

void CPropertySheet::keyPressEvent(QKeyEvent* event) {
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  if (ctrl && GetPageCount() > 0 &&
      (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab || event->key() == Qt::Key_PageDown ||
       event->key() == Qt::Key_PageUp)) {
    const bool back = event->key() == Qt::Key_Backtab || event->key() == Qt::Key_PageUp ||
                      (event->modifiers() & Qt::ShiftModifier);
    const int n = GetPageCount();
    SetActivePage((m_active + (back ? n - 1 : 1)) % n);
    return;
  }
  if (IsEnterKey(event)) {
    QWidget* ok = GetDlgItem(platform::IDOK);
    if (ok && ok->isVisible() && ok->isEnabled()) accept();
    return;
  }
  CDialog::keyPressEvent(event);
}

}  // namespace platform
