#pragma once
// Looks at the modal dialog every few milliseconds while a modal loop runs,
// so a test can see (and press) what the user would.
#include <QApplication>
#include <QTimer>
#include <functional>

#include "ui/Dialog.h"

class ModalWatch {
 public:
  explicit ModalWatch(std::function<void(platform::CDialog*)> look) {
    QObject::connect(&m_timer, &QTimer::timeout, [look] {
      if (auto* dlg = dynamic_cast<platform::CDialog*>(QApplication::activeModalWidget())) look(dlg);
    });
    m_timer.start(5);
  }

 private:
  QTimer m_timer;
};
