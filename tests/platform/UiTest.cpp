#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <thread>

#include "ui/PainterDC.h"
#include "ui/QtMessageSink.h"
#include "ui/WinApp.h"

namespace {

// Clicks the button with the given text on the message box once it is up.
void ClickWhenShown(const QString& text) {
  QTimer::singleShot(10, [text] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return ClickWhenShown(text);
    for (QAbstractButton* b : box->buttons())
      if (b->text().remove('&') == text) return b->click();
  });
}

}  // namespace

TEST(PainterDC, DrawsWithThePenInDeviceCoordinates) {
  platform::EnsureGuiApplication();
  QImage img(40, 30, QImage::Format_RGB32);
  img.fill(Qt::white);
  {
    QPainter painter(&img);
    platform::CPainterDC dc(&painter);
    platform::CPen red(platform::PS_SOLID, 1, platform::RGB(255, 0, 0));
    dc.SelectObject(&red);
    dc.MoveTo(2, 5);
    dc.LineTo(30, 5);
    dc.FillSolidRect(platform::CRect(10, 20, 14, 24), platform::RGB(0, 0, 255));
  }
  EXPECT_EQ(img.pixelColor(15, 5), QColor(255, 0, 0));
  EXPECT_EQ(img.pixelColor(15, 6), QColor(255, 255, 255));
  EXPECT_EQ(img.pixelColor(12, 22), QColor(0, 0, 255));
  EXPECT_EQ(img.pixelColor(14, 22), QColor(255, 255, 255));  // right edge excluded
}

TEST(QtMessageSink, AnswersWithTheButtonClickedAlsoForAWorkerThread) {
  platform::EnsureGuiApplication();
  platform::QtMessageSink sink;
  ClickWhenShown("No");
  EXPECT_EQ(sink.Show("Stop the measurement?", "Online", platform::MB_YESNO | platform::MB_ICONQUESTION), platform::IDNO);

  // A worker's question waits while the user-interface thread shows it.
  int answer = 0;
  std::thread worker([&] { answer = sink.Show("Retry?", "Online", platform::MB_RETRYCANCEL); });
  ClickWhenShown("Cancel");
  while (answer == 0) QApplication::processEvents(QEventLoop::AllEvents, 10);
  worker.join();
  EXPECT_EQ(answer, platform::IDCANCEL);
}

TEST(QtMessageSink, AQuestionAskedWhileWaitingShowsThePointerAndTheWaitComesBack) {
  platform::EnsureGuiApplication();
  platform::QtMessageSink sink;
  Qt::CursorShape during = Qt::BlankCursor;
  {
    platform::WaitCursor wait;  // the application's override cursor
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    QTimer::singleShot(10, [&] { during = QApplication::overrideCursor()->shape(); });
    ClickWhenShown("OK");
    sink.Show("Please insert a disk", "Database Administration", platform::MB_OK);
    EXPECT_EQ(during, Qt::ArrowCursor);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
