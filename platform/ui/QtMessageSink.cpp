#include "QtMessageSink.h"

#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <vector>

namespace platform {
namespace {

struct Button {
  QMessageBox::StandardButton qt;
  int answer;
};

std::vector<Button> ButtonsFor(unsigned type) {
  switch (type & MB_BUTTONMASK) {
    case MB_OKCANCEL: return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNOCANCEL:
      return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL: return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default: return {{QMessageBox::Ok, IDOK}};
  }
}

int ShowOnThisThread(const std::string& text, const std::string& caption, unsigned type) {
  QMessageBox box(QApplication::activeWindow());
  box.setText(QString::fromStdString(text));
  box.setWindowTitle(QString::fromStdString(caption));
  switch (type & MB_ICONMASK) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
  }
  const std::vector<Button> buttons = ButtonsFor(type);
  QMessageBox::StandardButtons set;
  for (const Button& b : buttons) set |= b.qt;
  box.setStandardButtons(set);
  box.setDefaultButton(buttons.front().qt);
  // A question asked while the user waits wants the pointer back.
  const bool waiting = QApplication::overrideCursor() != nullptr;
  if (waiting) QApplication::setOverrideCursor(Qt::ArrowCursor);
  int clicked = box.exec();
  if (waiting) QApplication::restoreOverrideCursor();
  for (const Button& b : buttons)
    if (clicked == b.qt) return b.answer;
  // Closed without a button: the dialog's cancel, or its only button.
  return (type & MB_BUTTONMASK) == MB_OK ? IDOK : (type & MB_BUTTONMASK) == MB_YESNO ? IDNO : IDCANCEL;
}

}  // namespace

int QtMessageSink::Show(const std::string& text, const std::string& caption, unsigned type) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return DefaultAnswer(type);
  if (QThread::currentThread() == app->thread()) return ShowOnThisThread(text, caption, type);
  int answer = DefaultAnswer(type);
  QMetaObject::invokeMethod(
      app, [&] { answer = ShowOnThisThread(text, caption, type); }, Qt::BlockingQueuedConnection);
  return answer;
}

}  // namespace platform
