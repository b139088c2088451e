#include "SequenceSheet.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "AlarmPage.h"
#include "COGenSub.h"
#include "COSequence.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "DefaultDialog.h"
#include "FilterPage.h"
#include "SamplingPage.h"
#include "core/MessageSink.h"

int COPageStatus::UpdateKind(CSubject* subject) {
  auto* genSub = dynamic_cast<COGenSub*>(subject);
  if (genSub == nullptr) return -1;
  const int kind = genSub->GetUpdType();
  if (kind != eDBChanged) return kind;
  m_sequencePage = m_graphPage = m_numericPage = -1;
  return -1;
}

COSequenceSheet::COSequenceSheet(DataContext& context, COSequence& sequence, bool viewOnly, QWidget* parent,
                                 int selectPage, COPageStatus* pageStatus)
    : CDialog(0, parent),
      m_context(context),
      m_sequence(sequence),
      m_viewOnly(viewOnly),
      m_pageStatus(pageStatus),
      m_edited(std::make_unique<COSequence>(sequence)),
      m_initialPage(selectPage) {
  SetWindowText("Sequence Settings (" + sequence.GetName() + ")");
  m_samplingPage = std::make_unique<COSamplingPage>(context, *m_edited, viewOnly, m_flags);
  m_filterPage = std::make_unique<COFilterPage>(context, *m_edited, viewOnly, m_flags);
  m_pages = {m_samplingPage.get(), m_filterPage.get()};
  // A stand-alone recording had no alarms of the PC.
  if (!(sequence.IsReservedFlag() && viewOnly)) {
    m_alarmPage = std::make_unique<COAlarmPage>(context, *m_edited, viewOnly, m_flags);
    m_pages.push_back(m_alarmPage.get());
  }
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(&m_tabs);
  for (COSequencePage* page : m_pages) m_tabs.addTab(page, QString::fromStdString(page->Caption()));

  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  auto* ok = new QPushButton("OK", this);
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  auto* defaults = new QPushButton("Default...", this);
  AddItem(platform::IDOK, ok);
  AddItem(platform::IDCANCEL, cancel);
  AddItem(ID_DEFAULT, defaults);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(defaults);
  layout->addLayout(buttons);
  QObject::connect(ok, &QPushButton::clicked, this, [this] { accept(); });
  QObject::connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
  QObject::connect(defaults, &QPushButton::clicked, this, [this] { OnDefault(); });
  QObject::connect(&m_tabs, &QTabWidget::currentChanged, this, [this](int index) { OnTabChanged(index); });
}

COSequenceSheet::~COSequenceSheet() {
  // The pages go before the tabs that show them.
  for (COSequencePage* page : m_pages) page->setParent(nullptr);
}

COSequencePage* COSequenceSheet::GetActivePage() const {
  return m_active >= 0 && m_active < static_cast<int>(m_pages.size()) ? m_pages[static_cast<size_t>(m_active)]
                                                                        : nullptr;
}

bool COSequenceSheet::OnInitDialog() {
  if (m_context.MeasurementState() != MeasState::idle || m_viewOnly) GetDlgItem(ID_DEFAULT)->hide();
  int first = m_initialPage;
  if (m_pageStatus != nullptr && m_pageStatus->m_sequencePage != -1) first = m_pageStatus->m_sequencePage;
  if (first < 0 || first >= static_cast<int>(m_pages.size())) first = 0;
  Activate(first);
  return true;
}

void COSequenceSheet::Activate(int index) {
  m_active = index;
  {
    const QSignalBlocker quiet(&m_tabs);
    m_tabs.setCurrentIndex(index);
  }
  m_pages[static_cast<size_t>(index)]->Activate();
}

void COSequenceSheet::OnTabChanged(int index) {
  if (index == m_active || index < 0) return;
  COSequencePage* left = GetActivePage();
  if (left != nullptr && !left->UpdateData(true)) {
    // A page with a wrong entry cannot be left.
    const QSignalBlocker quiet(&m_tabs);
    m_tabs.setCurrentIndex(m_active);
    return;
  }
  Activate(index);
}

bool COSequenceSheet::SetActivePage(int index) {
  if (index < 0 || index >= static_cast<int>(m_pages.size())) return false;
  if (m_active < 0) {
    m_initialPage = index;
    return true;
  }
  m_tabs.setCurrentIndex(index);
  return m_active == index;
}

void COSequenceSheet::OnDefault() {
  COSequencePage* page = GetActivePage();
  if (page == nullptr) return;
  // Gather what the controls hold, checked or not: loading the defaults
  // must not wait for a valid entry.
  m_flags.ddxValidate = false;
  page->UpdateData(true);
  m_flags.ddxValidate = true;
  CDefault dlg(m_context, m_edited.get(), [page] { return page->UpdateData(true); }, this);
  if (dlg.DoModal() != platform::IDOK) return;
  m_flags.defaultsLoaded = true;
  page->UpdateData(false);
  m_flags.defaultsLoaded = false;
}

void COSequenceSheet::HandBack(COSequence& target) const {
  const COSequence& edited = *m_edited;
  if (m_context.MeasurementState() != MeasState::idle) {
    // The measurement owns the rest meanwhile (its stop, its alarms' state).
    target.SetAirPres(edited.GetAirPres());
    return;
  }
  target.CopySampling(edited);
  for (int f = 0; f < 6; ++f) target.SetFilterActive(f, edited.IsFilterActive(f));
  for (int f = 0; f < 5; ++f) target.SetActiveBank(f, edited.GetActiveBank(f));
  target.GetAlarms() = edited.GetAlarms();
}

void COSequenceSheet::OnOK() {
  if (!m_viewOnly) {
    COSequencePage* page = GetActivePage();
    if (page != nullptr && !page->UpdateData(true)) return;
    const COSequence before(m_sequence);
    HandBack(m_sequence);
    if (m_context.MeasurementState() != MeasState::active && !m_sequence.Save()) {
      // Shown by the save; the sequence keeps what the task holds.
      m_sequence = before;
      return;
    }
  }
  UpdateAllViewsOfDoc(m_context, kHintSequenceChanged);
  Finish(platform::IDOK);
}

void COSequenceSheet::OnCancel() { Finish(platform::IDCANCEL); }

void COSequenceSheet::Finish(int result) {
  if (m_pageStatus != nullptr && m_active >= 0) m_pageStatus->m_sequencePage = m_active;
  EndDialog(result);
}
