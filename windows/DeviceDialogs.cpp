#include "DeviceDialogs.h"

#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "ComDialog.h"
#include "core/MessageSink.h"
#include "ui/DataExchange.h"

// --- COClientWnd ---

COClientWnd::COClientWnd(int templateId, QWidget* parent) : platform::CDialog(templateId, parent) {}

int COClientWnd::DoModal() {
  // The service may have ended before the window could open.
  if (m_ended) return m_result;
  if (m_blocking) return platform::CDialog::DoModal();
  QEventLoop loop;
  connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
  show();
  if (!m_ended) loop.exec();
  return m_result;
}

void COClientWnd::ShowModeless() { show(); }

void COClientWnd::EndDialog(int result) {
  m_ended = true;
  m_result = result;
  platform::CDialog::EndDialog(result);
}

bool COClientWnd::IsWindow() const { return isVisible(); }

// --- COMessageWnd ---

COMessageWnd::COMessageWnd(COMessageDlg* dialog, QWidget* parent)
    : COClientWnd(IDD, parent), m_dialog(dialog) {
  setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(this);
  text->setMinimumWidth(240);
  text->setAlignment(Qt::AlignCenter);
  layout->addWidget(text);
  AddItem(kText, text);
}

bool COMessageWnd::OnInitDialog() {
  COClientWnd::OnInitDialog();
  SetDlgItemText(kText, m_dialog->m_text);
  return true;
}

// --- COProgressWnd ---

COProgressWnd::COProgressWnd(COProgress* dialog, QWidget* parent)
    : COClientWnd(IDD, parent), m_dialog(dialog), m_progress(new QProgressBar(this)) {
  setWindowTitle("Progress");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_progress);
  AddItem(kBar, m_progress);
  auto* text = new QLabel("Text", this);
  layout->addWidget(text);
  AddItem(kText, text);
  auto* cancel = new QPushButton("Cancel", this);
  layout->addWidget(cancel, 0, Qt::AlignRight);
  AddItem(platform::IDCANCEL, cancel);
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
}

void COProgressWnd::DoDataExchange(platform::CDataExchange* dx) { platform::DDX_Text(dx, kText, m_dialog->m_text); }

bool COProgressWnd::OnInitDialog() {
  COClientWnd::OnInitDialog();
  if (!m_dialog->m_caption.empty()) SetWindowText(m_dialog->m_caption);
  m_progress->setRange(0, 100);
  m_progress->setValue(0);
  return true;
}

void COProgressWnd::SetProgress(int percent) { m_progress->setValue(percent); }

void COProgressWnd::OnCancel() { m_dialog->OnCancel(); }

// --- CODeviceDialogs ---

std::unique_ptr<IClientWindow> CODeviceDialogs::CreateMessageWindow(COMessageDlg* dialog) {
  auto window = std::make_unique<COMessageWnd>(dialog, m_parent);
  window->SetBlocking(m_blocking);
  return window;
}

std::unique_ptr<IClientWindow> CODeviceDialogs::CreateProgressWindow(COProgress* dialog) {
  auto window = std::make_unique<COProgressWnd>(dialog, m_parent);
  window->SetBlocking(m_blocking);
  return window;
}

int CODeviceDialogs::RunComDialog() {
  COComDialog dialog(m_context, m_parent);
  return dialog.DoModal();
}
