#include "SpinButton.h"

#include <QToolButton>
#include <QVBoxLayout>

#include "Dialog.h"

namespace platform {

namespace {

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow) {
  auto* b = new QToolButton(parent);
  b->setArrowType(arrow);
  b->setAutoRepeat(true);
  // The arrows never take the focus from the edit they serve.
  b->setFocusPolicy(Qt::NoFocus);
  b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  b->setFixedWidth(16);
  return b;
}

}  // namespace

CSpinButtonCtrl::CSpinButtonCtrl(QWidget* parent)
    : QWidget(parent), m_up(MakeArrow(this, Qt::UpArrow)), m_down(MakeArrow(this, Qt::DownArrow)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(m_up);
  layout->addWidget(m_down);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  setFocusPolicy(Qt::NoFocus);
  connect(m_up, &QToolButton::clicked, this, [this] { OnDeltaPos(-1); });
  connect(m_down, &QToolButton::clicked, this, [this] { OnDeltaPos(1); });
}

bool CSpinButtonCtrl::SubclassDlgItem(int id, CDialog* parent) {
  if (!parent || !parent->ReplaceDlgItem(id, this)) return false;
  m_id = id;
  return true;
}

}  // namespace platform
