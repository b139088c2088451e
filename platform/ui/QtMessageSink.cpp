#include "QtMessageSink.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>
#include <QShortcut>
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
  // Ctrl+C copies the message (to quote it in a report), as message boxes do
  // on the desktop the programs came from: title, text and buttons between
  // rules.
  auto* copy = new QShortcut(QKeySequence::Copy, &box);
  QObject::connect(copy, &QShortcut::activated, &box, [&box] {
    const QString rule = "---------------------------\n";
    QString text = rule + box.windowTitle() + "\n" + rule + box.text() + "\n" + rule;
    for (QAbstractButton* b : box.buttons()) text += b->text().remove('&') + "   ";
    QGuiApplication::clipboard()->setText(text + "\n" + rule);
  });
  // Wide enough for its caption, which the window's title bar would cut off.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const int caption = QFontMetrics(box.font()).horizontalAdvance(box.windowTitle()) + 120;
    grid->addItem(new QSpacerItem(caption, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
  }
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
