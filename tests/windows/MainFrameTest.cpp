// The MDI main window as a person uses it: commands that follow what
// changed, windows kept inside it, its size kept between runs, a close asked
// for while the program starts; and the bounded wait for a measurement to
// stop when a program ends.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QSettings>
#include <QStyle>
#include <QTimer>

#include "DataTestSupport.h"
#include "MainFrame.h"
#include "MeasProgramApp.h"
#include "TestSupport.h"
#include "ui/WinApp.h"

namespace kovo::test {
namespace {

// The application comes before every widget and wait cursor of a test.
struct Gui {
  Gui() { platform::EnsureGuiApplication(); }
};

class MainFrameTest : public ::testing::Test {
 protected:
  MainFrameTest() {
    frame.resize(600, 400);
    frame.show();
  }
  // A window that cannot be made smaller than a graph to read.
  QMdiSubWindow* AddWindow(const QString& title) {
    auto* view = new QWidget;
    view->setMinimumSize(300, 200);
    QMdiSubWindow* sub = frame.AddWindow(view);
    sub->setWindowTitle(title);
    sub->show();
    return sub;
  }
  QRect Area() const { return frame.MdiArea()->viewport()->rect(); }

  Gui gui;
  CMainFrame frame;
};

TEST_F(MainFrameTest, CommandsFollowTheStateWhenTheProgramSaysItChangedAndAfterTheUsersInput) {
  bool on = false;
  bool shown = true;
  frame.AddCommand({1, "Act", {}, [] {}, [&on] { return on; }});
  frame.AddCommand({2, "Show", {}, [&shown] { shown = !shown; }, {}, {}, -1, {}, {}, [&shown] { return shown; }});
  frame.UpdateCommands();
  EXPECT_FALSE(frame.Action(1)->isEnabled());
  EXPECT_TRUE(frame.Action(2)->isCheckable());
  EXPECT_TRUE(frame.Action(2)->isChecked());

  // Asked twice, updated once, on the next turn of the event loop.
  on = true;
  frame.UpdateCommandsLater();
  frame.UpdateCommandsLater();
  EXPECT_FALSE(frame.Action(1)->isEnabled());
  QCoreApplication::processEvents();
  EXPECT_TRUE(frame.Action(1)->isEnabled());

  // A click in a window of the program.
  on = false;
  QMdiSubWindow* sub = AddWindow("clicked");
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(sub->widget(), &release);
  QCoreApplication::processEvents();
  EXPECT_FALSE(frame.Action(1)->isEnabled());

  EXPECT_TRUE(frame.Execute(2));
  EXPECT_FALSE(frame.Action(2)->isChecked());
}

TEST_F(MainFrameTest, AButtonThatDoesNothingLooksFaded) {
  const QIcon icon = WithDisabledLook(frame.style()->standardIcon(QStyle::SP_MediaPlay));
  const QImage normal = icon.pixmap(QSize(24, 24), QIcon::Normal).toImage();
  const QImage disabled = icon.pixmap(QSize(24, 24), QIcon::Disabled).toImage();
  ASSERT_EQ(normal.size(), disabled.size());
  int inked = 0;
  for (int y = 0; y < normal.height(); ++y)
    for (int x = 0; x < normal.width(); ++x) {
      if (qAlpha(normal.pixel(x, y)) < 200) continue;
      ++inked;
      EXPECT_LT(qAlpha(disabled.pixel(x, y)), 100);
    }
  EXPECT_GT(inked, 0);
}

TEST_F(MainFrameTest, TileAndCascadeArrangeInsideTheMainWindowWithoutResizingIt) {
  for (int i = 0; i < 7; ++i) AddWindow(QString("window %1").arg(i));
  QCoreApplication::processEvents();
  const QSize before = frame.size();
  frame.TileWindows();
  QCoreApplication::processEvents();
  EXPECT_EQ(frame.size(), before);
  // A window without a size of its own keeps one to read it by.
  auto* bare = frame.AddWindow(new QWidget);
  bare->show();
  frame.CascadeWindows();
  QCoreApplication::processEvents();
  EXPECT_EQ(frame.size(), before);
  EXPECT_LE(frame.minimumSizeHint().width(), before.width());
  const QList<QMdiSubWindow*> stacked = frame.MdiArea()->subWindowList(QMdiArea::StackingOrder);
  for (int i = 0; i < stacked.size(); ++i) {
    EXPECT_GE(stacked[i]->width(), Area().width() / 2) << i;
    EXPECT_GE(stacked[i]->height(), Area().height() / 2) << i;
    EXPECT_TRUE(Area().contains(stacked[i]->geometry())) << i;
    // Each one a step lower than the one under it, or from the top again.
    if (i > 0) EXPECT_TRUE(stacked[i]->y() > stacked[i - 1]->y() || stacked[i]->y() == 0) << i;
  }
  EXPECT_EQ(stacked.back(), bare);
  frame.grab().save(QString::fromStdString(::testing::TempDir() + "mainframe_cascaded.png"));
}

// Tile in a small main window: every window whole inside the client area,
// the forms of a fixed size (a status window, the cursor values, one in a
// frame of fixed size) at their size, the others sharing the rest.
TEST_F(MainFrameTest, TileFitsEveryWindowInsideASmallMainWindow) {
  frame.resize(700, 500);
  std::vector<QMdiSubWindow*> windows{AddWindow("graph"), AddWindow("table")};
  std::vector<QWidget*> forms;
  for (QSize size : {QSize(270, 250), QSize(512, 163), QSize(240, 150)}) {
    auto* form = new QWidget;
    form->setFixedSize(size);
    forms.push_back(form);
    windows.push_back(frame.AddWindow(form));
    windows.back()->show();
  }
  windows.back()->setFixedSize(windows.back()->sizeHint());
  for (size_t i = 0; i < windows.size(); ++i) windows[i]->setGeometry(QRect(QPoint(150 * i, 100 * i), QSize(600, 400)));
  QCoreApplication::processEvents();
  frame.TileWindows();
  QCoreApplication::processEvents();
  frame.grab().save(QString::fromStdString(::testing::TempDir() + "mainframe_tiled.png"));
  EXPECT_EQ(Area(), frame.MdiArea()->contentsRect());  // nothing to scroll to
  for (size_t i = 0; i < windows.size(); ++i)
    EXPECT_TRUE(Area().contains(windows[i]->geometry())) << windows[i]->windowTitle().toStdString() << " at "
                                                         << windows[i]->x() << "," << windows[i]->y() << " "
                                                         << windows[i]->width() << "x" << windows[i]->height();
  for (QWidget* form : forms) EXPECT_EQ(form->size(), form->minimumSize());
}

TEST_F(MainFrameTest, AWindowComesInsideTheVisibleAreaAndMinimisedOnesLineUpAtTheBottom) {
  QMdiSubWindow* far = AddWindow("far");
  far->setGeometry(900, 700, 800, 600);
  frame.KeepInside(far);
  EXPECT_TRUE(Area().contains(far->geometry())) << far->geometry().x() << "," << far->geometry().y();
  QMdiSubWindow* tiny = frame.AddWindow(new QWidget);
  tiny->setGeometry(10, 10, 120, 24);
  frame.KeepInside(tiny);
  EXPECT_GE(tiny->width(), 200);
  EXPECT_GE(tiny->height(), 120);

  std::vector<QMdiSubWindow*> icons;
  for (int i = 0; i < 3; ++i) {
    icons.push_back(AddWindow(QString("icon %1").arg(i)));
    icons.back()->move(40 * i, 30 * i);
    icons.back()->showMinimized();
  }
  frame.ArrangeIcons();
  for (size_t i = 0; i < icons.size(); ++i) {
    EXPECT_EQ(icons[i]->geometry().bottom(), Area().bottom()) << i;
    EXPECT_TRUE(Area().contains(icons[i]->geometry())) << i;
    if (i > 0) EXPECT_EQ(icons[i]->x(), icons[i - 1]->geometry().right() + 1) << i;
  }
}

TEST_F(MainFrameTest, TheMainWindowsSizeIsKeptBetweenRuns) {
  TempDir settings;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(settings.Path()));
  {
    CMainFrame first;
    first.RememberPlacement("Test", QSize(700, 500));
    EXPECT_EQ(first.size(), QSize(700, 500));
    first.show();
    first.resize(640, 470);
    QCoreApplication::processEvents();
    EXPECT_TRUE(first.close());
  }
  CMainFrame second;
  second.RememberPlacement("Test", QSize(700, 500));
  EXPECT_EQ(second.size(), QSize(640, 470));
  CMainFrame other;
  other.RememberPlacement("Other", QSize(700, 500));
  EXPECT_EQ(other.size(), QSize(700, 500));
}

TEST_F(MainFrameTest, ACloseAskedForWhileTheProgramStartsIsCarriedOutOnceItHasStarted) {
  int asked = 0;
  frame.onClose = [&asked] {
    ++asked;
    return true;
  };
  frame.HoldCloseRequests(true);
  EXPECT_FALSE(frame.close());
  EXPECT_TRUE(frame.isVisible());
  EXPECT_TRUE(frame.CloseRequestKept());
  EXPECT_EQ(asked, 0);
  frame.HoldCloseRequests(false);
  QCoreApplication::processEvents();
  EXPECT_FALSE(frame.isVisible());
  EXPECT_EQ(asked, 1);

  // Without a request, releasing the hold closes nothing.
  frame.show();
  frame.HoldCloseRequests(true);
  frame.HoldCloseRequests(false);
  QCoreApplication::processEvents();
  EXPECT_TRUE(frame.isVisible());
  EXPECT_EQ(asked, 1);
}

class StopWaitTest : public DataTest {
 protected:
  Gui gui;
  WaitCursorLog cursor;
};

TEST_F(StopWaitTest, AnIdleMeasurementIsNotWaitedFor) {
  monitor.state = MeasState::idle;
  EXPECT_TRUE(WaitForMeasurementStop(*context, std::chrono::seconds(60)));
  EXPECT_TRUE(cursor.events.empty());
}

TEST_F(StopWaitTest, TheWaitEndsWhenTheMeasurementStopsOrAtItsDeadline) {
  monitor.state = MeasState::stopping;
  QTimer::singleShot(20, [this] { monitor.state = MeasState::idle; });
  EXPECT_TRUE(WaitForMeasurementStop(*context, std::chrono::seconds(60)));
  EXPECT_EQ(cursor.events, (std::vector<std::string>{"wait", "done"}));

  monitor.state = MeasState::stopping;
  EXPECT_FALSE(WaitForMeasurementStop(*context, std::chrono::milliseconds(30)));
}

}  // namespace
}  // namespace kovo::test
