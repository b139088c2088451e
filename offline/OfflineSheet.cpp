#include "OfflineSheet.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

#include "COOfflineMeasObs.h"
#include "OfflineAlarmPage.h"
#include "OfflineStrings.h"
#include "ProgramContext.h"
#include "UnitsDialog.h"
#include "UpDownloadPage.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"

namespace {

constexpr const char* kCaption = "Offline - Sequence Settings";

}  // namespace

int COOfflineSheet::s_activePage = 0;

COOfflineSheet::COOfflineSheet(ProgramContext& context, COOfflineMeasObs& measObs, COUpDownload& transfer,
                               std::function<void()> about)
    : COSequenceSheet(context, context.ActiveSequence(), false, nullptr, kUpDownloadPage, nullptr,
                      [&context, &measObs](COSequence& edited, bool viewOnly, SequenceSheetFlags& flags) {
                        return std::make_unique<COOfflineAlarmPage>(
                            context, edited, viewOnly, flags,
                            [&measObs] { return measObs.GetState() != MeasState::idle; });
                      }),
      m_context(context),
      m_measObs(measObs),
      m_upDownload(std::make_unique<CUpDownloadPage>(context, transfer)),
      m_about(std::move(about)) {
  SetWindowText(kCaption);
  AddPage(m_upDownload.get());
}

COOfflineSheet::~COOfflineSheet() = default;

COOfflineAlarmPage* COOfflineSheet::OfflineAlarmPage() { return dynamic_cast<COOfflineAlarmPage*>(AlarmPage()); }

bool COOfflineSheet::OnInitDialog() {
  SetDlgItemText(ID_DEFAULT, "Default...");
  SetDlgItemText(platform::IDCANCEL, "Units...");
  // Enter in a field is no "Close": a button of its own, which the dialog
  // never took for its default.
  auto* closeButton = new QPushButton("Close", this);
  closeButton->setAutoDefault(false);
  if (ReplaceDlgItem(platform::IDOK, closeButton))
    connect(closeButton, &QPushButton::clicked, this, [this] { OnOK(); });
  else
    delete closeButton;
  const std::string aboutText = platform::LoadString(IDS_ABOUT_OFFLINE);
  QWidget* close = GetDlgItem(platform::IDOK);
  if (!aboutText.empty() && close != nullptr && GetDlgItem(ID_ABOUT) == nullptr) {
    auto* about = new QPushButton(QString::fromStdString(aboutText), this);
    about->setAutoDefault(false);
    AddItem(ID_ABOUT, about);
    connect(about, &QPushButton::clicked, this, [this] {
      if (m_about) m_about();
    });
    // At the left of the sheet's own buttons.
    for (QBoxLayout* row : findChildren<QBoxLayout*>())
      if (row->indexOf(close) >= 0) row->insertWidget(0, about);
  }
  const bool busy = m_measObs.GetState() != MeasState::idle;
  // The sheet opens on the Up/Download page, whose opening talks to the
  // monitor; then it turns to the page of the last sheet.
  COSequenceSheet::OnInitDialog();
  if (busy) GetDlgItem(ID_DEFAULT)->hide();
  if (s_activePage != -1) SetActivePage(s_activePage);
  return true;
}

void COOfflineSheet::OnOK() { EndDialog(platform::IDOK); }

void COOfflineSheet::OnDestroy() { s_activePage = GetActiveIndex(); }

void COOfflineSheet::OnUnits() {
  platform::CPropertyPage* page = GetActivePage();
  if (page != nullptr && !page->OnKillActive()) return;
  CUnits dlg(m_context, this);
  dlg.DoModal();
  if (page == nullptr) return;
  page->update();
  page->UpdateData(false);
}

void COOfflineSheet::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Cancel)) {
    OnOK();
    return;
  }
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    event->accept();
    return;
  }
  COSequenceSheet::keyPressEvent(event);
}

void COOfflineSheet::closeEvent(QCloseEvent* event) {
  EndDialog(platform::IDOK);
  event->accept();
}
