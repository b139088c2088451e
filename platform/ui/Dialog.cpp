#include "Dialog.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "core/MessageSink.h"

namespace {
struct DataExchangeFailed {};
}  // namespace

void CDataExchange::Fail() { throw DataExchangeFailed(); }

CDialog::CDialog(int templateId, QWidget* parent) : QDialog(parent), m_templateId(templateId) {}

int CDialog::DoModal() {
  int r = exec();
  return r == QDialog::Rejected ? IDCANCEL : r;
}

bool CDialog::UpdateData(bool saveAndValidate) {
  CDataExchange dx(this, saveAndValidate);
  try {
    DoDataExchange(&dx);
  } catch (const DataExchangeFailed&) {
    return false;
  }
  return true;
}

QWidget* CDialog::GetDlgItem(int id) const {
  auto it = m_items.find(id);
  return it == m_items.end() ? nullptr : it->second;
}

void CDialog::AddItem(int id, QWidget* control) { m_items[id] = control; }

void CDialog::SetDlgItemText(int id, const std::string& text) {
  QWidget* w = GetDlgItem(id);
  QString t = QString::fromStdString(text);
  if (auto* l = qobject_cast<QLabel*>(w)) l->setText(t);
  else if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(t);
  else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) p->setPlainText(t);
  else if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(t);
  else if (w) w->setWindowTitle(t);
}

std::string CDialog::GetDlgItemText(int id) const {
  QWidget* w = GetDlgItem(id);
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text().toStdString();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text().toStdString();
  if (auto* p = qobject_cast<QPlainTextEdit*>(w)) return p->toPlainText().toStdString();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text().toStdString();
  return std::string();
}

void CDialog::SetWindowText(const std::string& text) { setWindowTitle(QString::fromStdString(text)); }

std::string CDialog::GetWindowText() const { return windowTitle().toStdString(); }

void CDialog::EndDialog(int result) { done(result); }

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::showEvent(QShowEvent* event) {
  if (!m_initialised) {
    m_initialised = true;
    OnInitDialog();
  }
  QDialog::showEvent(event);
}
