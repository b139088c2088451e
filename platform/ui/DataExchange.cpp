#include "DataExchange.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QRadioButton>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "Dialog.h"
#include "core/MessageSink.h"
#include "core/Text.h"

namespace platform {

namespace {

// What the user is told when a field holds no number of its type.
constexpr const char* kNotAnInteger = "Please enter an integer.";
constexpr const char* kNotANumber = "Please enter a number.";

bool IsBlankFrom(const std::string& text, size_t pos) {
  return platform::Trim(std::string_view(text).substr(std::min(pos, text.size()))).empty();
}

bool ReadWholeLong(const std::string& text, long* out) {
  const std::string t = platform::Trim(text);
  if (t.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(t.c_str(), &end, 10);
  if (end == t.c_str() || *end != '\0' || errno == ERANGE) return false;
  *out = v;
  return true;
}

bool ReadWholeFloat(const std::string& text, float* out) {
  double v = 0;
  int used = 0;
  if (platform::Scan(text, "%lf%n", &v, &used) != 1 || !IsBlankFrom(text, static_cast<size_t>(used))) return false;
  if (!std::isfinite(v) || std::fabs(v) > FLT_MAX) return false;
  *out = static_cast<float>(v);
  return true;
}

// Shows the message and fails the exchange.
[[noreturn]] void Refuse(CDataExchange* dx, const char* message) {
  platform::MessageBox(message, platform::MB_OK);
  dx->Fail();
}

template <class T, class Read>
void ExchangeNumber(CDataExchange* dx, int id, T& value, const char* fmt, Read read, const char* message) {
  dx->PrepareEditCtrl(id);
  CDialog* dlg = dx->m_pDlgWnd;
  if (!dlg->GetDlgItem(id)) return;
  if (!dx->m_bSaveAndValidate) {
    dlg->SetDlgItemText(id, platform::Format(fmt, value));
    return;
  }
  if (!read(dlg->GetDlgItemText(id), &value)) Refuse(dx, message);
}

QList<QAbstractButton*> RadioGroup(QAbstractButton* first) {
  QList<QAbstractButton*> all;
  if (QButtonGroup* group = first->group()) {
    all = group->buttons();
  } else if (QWidget* parent = first->parentWidget()) {
    for (QObject* child : parent->children())
      if (auto* radio = qobject_cast<QRadioButton*>(child)) all.append(radio);
  }
  const qsizetype at = all.indexOf(first);
  return at < 0 ? QList<QAbstractButton*>{first} : all.mid(at);
}

}  // namespace

void DDX_Text(CDataExchange* dx, int id, int& value) {
  ExchangeNumber(
      dx, id, value, "%d",
      [](const std::string& text, int* out) {
        long v = 0;
        if (!ReadWholeLong(text, &v) || v < INT_MIN || v > INT_MAX) return false;
        *out = static_cast<int>(v);
        return true;
      },
      kNotAnInteger);
}

void DDX_Text(CDataExchange* dx, int id, long& value) {
  ExchangeNumber(dx, id, value, "%ld", ReadWholeLong, kNotAnInteger);
}

void DDX_Text(CDataExchange* dx, int id, float& value) {
  ExchangeNumber(dx, id, value, "%.6g", ReadWholeFloat, kNotANumber);
}

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
  dx->PrepareEditCtrl(id);
  CDialog* dlg = dx->m_pDlgWnd;
  if (!dlg->GetDlgItem(id)) return;
  if (dx->m_bSaveAndValidate)
    value = dlg->GetDlgItemText(id);
  else
    dlg->SetDlgItemText(id, value);
}

void DDX_Radio(CDataExchange* dx, int id, int& value) {
  dx->PrepareCtrl(id);
  auto* first = qobject_cast<QAbstractButton*>(dx->m_pDlgWnd->GetDlgItem(id));
  if (!first) return;
  const QList<QAbstractButton*> buttons = RadioGroup(first);
  if (dx->m_bSaveAndValidate) {
    value = -1;
    for (qsizetype i = 0; i < buttons.size() && value < 0; ++i)
      if (buttons[i]->isChecked()) value = static_cast<int>(i);
    return;
  }
  // Exclusive groups would refuse to end up with no button checked.
  QButtonGroup* group = first->group();
  const bool exclusive = group && group->exclusive();
  if (group) group->setExclusive(false);
  for (qsizetype i = 0; i < buttons.size(); ++i) {
    QAbstractButton* b = buttons[i];
    const bool autoExclusive = b->autoExclusive();
    b->setAutoExclusive(false);
    b->setChecked(i == value);
    b->setAutoExclusive(autoExclusive);
  }
  if (group) group->setExclusive(exclusive);
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
  dx->PrepareCtrl(id);
  QWidget* w = dx->m_pDlgWnd->GetDlgItem(id);
  auto* box = qobject_cast<QCheckBox*>(w);
  auto* button = qobject_cast<QAbstractButton*>(w);
  if (!button) return;
  if (dx->m_bSaveAndValidate) {
    if (!box)
      value = button->isChecked() ? 1 : 0;
    else
      value = box->checkState() == Qt::Checked ? 1 : box->checkState() == Qt::PartiallyChecked ? 2 : 0;
    return;
  }
  if (box)
    box->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
  else
    button->setChecked(value == 1);
}

}  // namespace platform
