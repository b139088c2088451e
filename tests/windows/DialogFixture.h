#pragma once
// A dialog whose controls are made by id, as a dialog template makes them,
// and whose data exchange the test gives; and synthetic keys.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <functional>

#include "core/MessageSink.h"
#include "ui/Dialog.h"
#include "ui/SpinButton.h"
#include "ui/WinApp.h"

// Declared first in a fixture, so that the GUI exists before its widgets.
struct Gui {
  Gui() { platform::EnsureGuiApplication(); }
};

class TestDialog : public platform::CDialog {
 public:
  TestDialog() : platform::CDialog(100), m_layout(new QGridLayout(this)) {
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { accept(); });
    m_layout->addWidget(ok, 99, 0);
  }

  QLineEdit* AddEdit(int id, const QString& text = QString()) { return Add(id, new QLineEdit(text, this)); }
  platform::CSpinButtonCtrl* AddSpin(int id) { return Add(id, new platform::CSpinButtonCtrl(this)); }
  QCheckBox* AddCheck(int id) { return Add(id, new QCheckBox(this)); }
  QRadioButton* AddRadio(int id, QWidget* container) {
    auto* radio = new QRadioButton(container);
    AddItem(id, radio);
    return radio;
  }
  template <class W>
  W* Add(int id, W* w) {
    m_layout->addWidget(w, m_row++, 1);
    AddItem(id, w);
    return w;
  }
  QGridLayout* Layout() const { return m_layout; }

  std::function<void(platform::CDataExchange*)> exchange;

 protected:
  void DoDataExchange(platform::CDataExchange* dx) override {
    if (exchange) exchange(dx);
  }

 private:
  QGridLayout* m_layout;
  int m_row = 0;
};

// A key pressed and released on the widget, as the keyboard would send it.
inline void PressKey(QWidget* w, int key, const QString& text = QString(),
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
  QApplication::sendEvent(w, &release);
}

inline void TypeChar(QWidget* w, char c) {
  const int key = c >= 'a' && c <= 'z' ? Qt::Key_A + (c - 'a') : c;
  PressKey(w, key, QString(QChar(c)));
}
