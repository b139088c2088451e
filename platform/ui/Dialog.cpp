#include "Dialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "Edit.h"
#include "core/MessageSink.h"

namespace platform {

namespace {
struct DataExchangeFailed {};
}  // namespace

void CDataExchange::PrepareCtrl(int id) {
  m_idLastControl = id;
  m_bEditLastControl = false;
}

void CDataExchange::PrepareEditCtrl(int id) {
  m_idLastControl = id;
  m_bEditLastControl = true;
}

void CDataExchange::Fail() {
  QWidget* w = m_bSaveAndValidate && m_pDlgWnd && m_idLastControl ? m_pDlgWnd->GetDlgItem(m_idLastControl) : nullptr;
  if (w) {
    w->setFocus(Qt::OtherFocusReason);
    if (m_bEditLastControl) {
      if (auto* edit = qobject_cast<CEdit*>(w))
        edit->SetSel(0, -1);
      else if (auto* line = qobject_cast<QLineEdit*>(w))
        line->selectAll();
    }
  }
  throw DataExchangeFailed();
}

CDialog::CDialog(int templateId, QWidget* parent) : QDialog(parent), m_templateId(templateId) {}

int CDialog::DoModal() {
  int r = exec();
  return r == QDialog::Rejected ? platform::IDCANCEL : r;
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

std::vector<QRadioButton*> CDialog::AddRadioGroup(QWidget* parent,
                                                  std::initializer_list<std::pair<int, const char*>> buttons) {
  auto* group = new QButtonGroup(parent);
  std::vector<QRadioButton*> radios;
  for (const auto& [id, text] : buttons) {
    auto* radio = new QRadioButton(QString::fromUtf8(text), parent);
    group->addButton(radio, static_cast<int>(radios.size()));
    AddItem(id, radio);
    radios.push_back(radio);
  }
  return radios;
}

bool CDialog::ReplaceDlgItem(int id, QWidget* control) {
  QWidget* old = GetDlgItem(id);
  if (!old || !control) return false;
  if (old == control) return true;
  const bool explicitlyHidden = old->testAttribute(Qt::WA_WState_ExplicitShowHide) && old->isHidden();
  const bool hadFocus = old->hasFocus();
  QWidget* parent = old->parentWidget();
  QLayoutItem* slot = parent && parent->layout() ? parent->layout()->replaceWidget(old, control) : nullptr;
  if (slot) {
    delete slot;
  } else {
    control->setParent(parent);
    control->setGeometry(old->geometry());
  }
  if (control->objectName().isEmpty()) control->setObjectName(old->objectName());
  control->setEnabled(old->isEnabled());
  control->setToolTip(old->toolTip());
  if (explicitlyHidden)
    control->hide();
  else if (parent && parent->isVisible())
    control->show();
  QWidget::setTabOrder(old, control);
  for (QLabel* label : findChildren<QLabel*>())
    if (label->buddy() == old) label->setBuddy(control);
  m_items[id] = control;
  delete old;
  if (hadFocus) control->setFocus(Qt::OtherFocusReason);
  return true;
}

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
  EndDialog(platform::IDOK);
}

void CDialog::OnCancel() { EndDialog(platform::IDCANCEL); }

void CDialog::showEvent(QShowEvent* event) {
  if (!m_initialised) {
    m_initialised = true;
    OnInitDialog();
  }
  QDialog::showEvent(event);
}

void CDialog::AddOkCancel(QBoxLayout* layout) {
  auto* buttons = new QHBoxLayout();
  auto* ok = new QPushButton("OK", this);
  ok->setDefault(true);
  auto* cancel = new QPushButton("Cancel", this);
  AddItem(platform::IDOK, ok);
  AddItem(platform::IDCANCEL, cancel);
  connect(ok, &QPushButton::clicked, this, [this] { accept(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
}

}  // namespace platform
