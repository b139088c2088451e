#include "MainFrame.h"

#include "DBUtil.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <cmath>
#include <memory>

QIcon WithDisabledLook(const QIcon& icon) {
  QIcon out;
  for (int size : {16, 22, 24, 32}) {
    const QPixmap normal = icon.pixmap(QSize(size, size), QIcon::Normal);
    if (normal.isNull()) continue;
    out.addPixmap(normal, QIcon::Normal);
    QImage faded = normal.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < faded.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(faded.scanLine(y));
      for (int x = 0; x < faded.width(); ++x) {
        const int gray = qGray(line[x]);
        line[x] = qRgba(gray, gray, gray, qAlpha(line[x]) * 35 / 100);
      }
    }
    out.addPixmap(QPixmap::fromImage(faded), QIcon::Disabled);
  }
  return out;
}

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), m_mdi(new QMdiArea(this)) {
  setCentralWidget(m_mdi);
  // Windows beyond the client area are reached by scrolling; without the
  // bars the area would demand room for all of them and the main window
  // would grow past the screen.
  m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  connect(m_mdi, &QMdiArea::subWindowActivated, this, [this] { UpdateCommands(); });
  // The user's clicks and keys in a window change what its commands can do.
  qApp->installEventFilter(this);
}

// The windows inside go after the commands: their going announces nothing.
CMainFrame::~CMainFrame() {
  qApp->removeEventFilter(this);
  disconnect(m_mdi, nullptr, this, nullptr);
}

QIcon CMainFrame::CommandIcon(const Command& command) const {
  QIcon icon;
  if (!command.themeIcon.empty() && QIcon::hasThemeIcon(QString::fromStdString(command.themeIcon)))
    icon = QIcon::fromTheme(QString::fromStdString(command.themeIcon));
  else if (!command.icon.isNull())
    icon = command.icon;
  else if (command.standardIcon >= 0)
    icon = style()->standardIcon(static_cast<QStyle::StandardPixmap>(command.standardIcon));
  return icon.isNull() ? icon : WithDisabledLook(icon);
}

void CMainFrame::AddCommand(Command command) {
  const unsigned id = command.id;
  std::string text = command.text;
  const size_t tab = text.find('\t');
  if (tab != std::string::npos) text.resize(tab);  // Qt writes the key itself
  auto* action = new QAction(QString::fromStdString(text), this);
  if (!command.key.isEmpty()) action->setShortcut(command.key);
  const QIcon icon = CommandIcon(command);
  if (!icon.isNull()) action->setIcon(icon);
  if (command.checked) action->setCheckable(true);
  const std::string tip = command.toolTip.empty() ? text : command.toolTip;
  QString plain = QString::fromStdString(tip);
  plain.remove('&');
  action->setToolTip(plain);
  action->setStatusTip(plain);
  connect(action, &QAction::triggered, this, [this, id] { Execute(id); });
  // A command given again replaces the first.
  if (QAction* previous = Action(id)) delete previous;
  m_commands[id] = std::move(command);
  m_actions[id] = action;
}

QAction* CMainFrame::Action(unsigned id) const {
  const auto it = m_actions.find(id);
  return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::AddMenu(const std::string& title, const std::vector<unsigned>& ids) {
  QMenu* menu = menuBar()->addMenu(QString::fromStdString(title));
  connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommands(); });
  for (unsigned id : ids) {
    if (id == kSeparator)
      menu->addSeparator();
    else if (QAction* a = Action(id))
      menu->addAction(a);
  }
}

void CMainFrame::AddToolBar(const std::vector<unsigned>& ids) {
  m_toolBar = addToolBar("Toolbar");
  m_toolBar->setObjectName("Toolbar");
  for (unsigned id : ids) {
    if (id == kSeparator)
      m_toolBar->addSeparator();
    else if (QAction* a = Action(id))
      m_toolBar->addAction(a);
  }
}

void CMainFrame::AddIndicators(int count) {
  for (int i = 0; i < count; ++i) {
    auto* pane = new QLabel(statusBar());
    pane->setMinimumWidth(60);
    statusBar()->addPermanentWidget(pane);
    m_indicators.push_back(pane);
  }
}

QLabel* CMainFrame::Indicator(int index) const {
  return index >= 0 && index < static_cast<int>(m_indicators.size()) ? m_indicators[static_cast<size_t>(index)]
                                                                      : nullptr;
}

QMdiSubWindow* CMainFrame::AddWindow(QWidget* view) {
  QMdiSubWindow* sub = m_mdi->addSubWindow(view);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  return sub;
}

QWidget* CMainFrame::ActiveView() const {
  QMdiSubWindow* sub = m_mdi->activeSubWindow();
  return sub == nullptr ? nullptr : sub->widget();
}

void CMainFrame::KeepInside(QMdiSubWindow* window) {
  if (window == nullptr || window->isMinimized() || window->isMaximized()) return;
  const QRect area = m_mdi->viewport()->rect();
  if (area.width() <= 0 || area.height() <= 0) return;
  QRect g = window->geometry();
  // One kept smaller than its title bar and a line comes back to be read.
  const QSize least = window->minimumSize().expandedTo(QSize(200, 120)).boundedTo(area.size());
  g.setSize(g.size().boundedTo(area.size()).expandedTo(least));
  g.moveLeft(std::max(0, std::min(g.left(), area.width() - g.width())));
  g.moveTop(std::max(0, std::min(g.top(), area.height() - g.height())));
  if (g != window->geometry()) window->setGeometry(g);
}

std::vector<QMdiSubWindow*> CMainFrame::ArrangedWindows(QMdiArea::WindowOrder order) const {
  std::vector<QMdiSubWindow*> windows;
  for (QMdiSubWindow* w : m_mdi->subWindowList(order)) {
    if (w->isMinimized() || w->isHidden()) continue;
    if (w->isMaximized()) w->showNormal();
    windows.push_back(w);
  }
  return windows;
}

void CMainFrame::TileWindows() {
  // A grid of about as many columns as rows over the whole client area, a
  // short last row's windows wider. A window keeps the size of a form that
  // has one and never shrinks below what it shows; where it is larger than
  // its cell it is moved into the area, over part of a neighbour, and kept
  // on top, below the active window: every window stays whole inside the
  // area. Qt's own tile lets such windows run out of the area.
  const std::vector<QMdiSubWindow*> windows = ArrangedWindows(QMdiArea::CreationOrder);
  if (windows.empty()) return;
  // Laid out unscrolled, over the room the scroll bars take while windows
  // run out of the area: once all are inside, the bars go.
  m_mdi->horizontalScrollBar()->setValue(0);
  m_mdi->verticalScrollBar()->setValue(0);
  const QSize area = m_mdi->contentsRect().size();
  const int n = static_cast<int>(windows.size());
  const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
  const int rows = (n + columns - 1) / columns;
  std::vector<QMdiSubWindow*> forms;
  for (int i = 0; i < n; ++i) {
    QMdiSubWindow* w = windows[static_cast<size_t>(i)];
    const int row = i / columns;
    const int inRow = std::min(columns, n - row * columns);
    const int column = i % columns;
    const QRect cell(QPoint(column * area.width() / inRow, row * area.height() / rows),
                     QPoint((column + 1) * area.width() / inRow - 1, (row + 1) * area.height() / rows - 1));
    const QWidget* view = w->widget();
    const bool form = view != nullptr && view->minimumSize() == view->maximumSize();
    const QSize least = w->minimumSizeHint().expandedTo(w->minimumSize());
    const QSize size = form ? w->sizeHint().expandedTo(least).boundedTo(w->maximumSize())
                            : cell.size().expandedTo(least).boundedTo(w->maximumSize());
    const int x = std::max(0, std::min(cell.left(), area.width() - size.width()));
    const int y = std::max(0, std::min(cell.top(), area.height() - size.height()));
    w->setGeometry(QRect(QPoint(x, y), size));
    if (form || size.width() > cell.width() || size.height() > cell.height()) forms.push_back(w);
  }
  for (QMdiSubWindow* w : forms) w->raise();
  // The window the person works in stays on top.
  if (QMdiSubWindow* active = m_mdi->activeSubWindow()) active->raise();
}

void CMainFrame::CascadeWindows() {
  // Every title bar in view, each window of one readable size, the one on
  // top last; Qt's own cascade shrinks a window without a size of its own
  // (a graph) to its title bar.
  const std::vector<QMdiSubWindow*> windows = ArrangedWindows(QMdiArea::StackingOrder);
  if (windows.empty()) return;
  const QRect area = m_mdi->viewport()->rect();
  const int step = std::max(16, windows.front()->widget() != nullptr ? windows.front()->widget()->y() : 24);
  const int n = static_cast<int>(windows.size());
  const QSize size(std::max(area.width() - step * (n - 1), area.width() * 2 / 3),
                   std::max(area.height() - step * (n - 1), area.height() * 2 / 3));
  // As many steps as fit below each other, then again from the top.
  const int fit = std::max(1, std::min((area.width() - size.width()) / step, (area.height() - size.height()) / step) + 1);
  for (int i = 0; i < n; ++i) {
    QMdiSubWindow* w = windows[static_cast<size_t>(i)];
    w->setGeometry(QRect(QPoint((i % fit) * step, (i % fit) * step), size.expandedTo(w->minimumSize())));
    w->raise();
  }
}

void CMainFrame::ArrangeIcons() {
  // The minimised windows in rows along the bottom of the client area, the
  // first row lowest.
  const QRect area = m_mdi->viewport()->rect();
  int x = 0;
  int bottom = area.height();
  int rowHeight = 0;
  for (QMdiSubWindow* w : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
    if (!w->isMinimized()) continue;
    const QSize s = w->size();
    if (x > 0 && x + s.width() > area.width()) {
      x = 0;
      bottom -= rowHeight;
      rowHeight = 0;
    }
    w->move(x, bottom - s.height());
    x += s.width();
    rowHeight = std::max(rowHeight, s.height());
  }
}

ICommandTarget* CMainFrame::ActiveTarget() const { return dynamic_cast<ICommandTarget*>(ActiveView()); }

bool CMainFrame::IsEnabled(unsigned id) const {
  // Nothing runs before the program has started.
  if (m_holdClose) return false;
  const auto it = m_commands.find(id);
  if (it == m_commands.end()) return false;
  const Command& c = it->second;
  if (c.run) return !c.enabled || c.enabled();
  // The active window's command: off without a window that knows it.
  bool enabled = false;
  ICommandTarget* target = ActiveTarget();
  if (target == nullptr || !target->QueryCommand(id, enabled)) return false;
  return enabled && (!c.enabled || c.enabled());
}

void CMainFrame::UpdateCommands() {
  for (auto& [id, action] : m_actions) {
    action->setEnabled(IsEnabled(id));
    const Command& c = m_commands.at(id);
    if (c.checked) action->setChecked(c.checked());
  }
}

void CMainFrame::UpdateCommandsLater() {
  if (m_updatePending) return;
  m_updatePending = true;
  QTimer::singleShot(0, this, [this] {
    m_updatePending = false;
    UpdateCommands();
  });
}

bool CMainFrame::Execute(unsigned id) {
  if (!IsEnabled(id)) return false;
  const Command& c = m_commands.at(id);
  RunReportingDatabaseErrors([&] {
    if (c.run)
      c.run();
    else if (ICommandTarget* target = ActiveTarget())
      target->RunCommand(id);
  });
  UpdateCommands();
  return true;
}

namespace {

// What the programs keep of the user's desktop between runs.
std::unique_ptr<QSettings> PlacementSettings() {
  return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Kovo", "programs");
}

}  // namespace

void CMainFrame::RememberPlacement(const std::string& program, QSize size) {
  m_placementKey = program + "/geometry";
  const QByteArray kept = PlacementSettings()->value(QString::fromStdString(m_placementKey)).toByteArray();
  // A place kept on a screen that is gone comes back on the one there is.
  if (kept.isEmpty() || !restoreGeometry(kept)) resize(size);
}

void CMainFrame::SavePlacement() {
  if (m_placementKey.empty()) return;
  PlacementSettings()->setValue(QString::fromStdString(m_placementKey), saveGeometry());
}

void CMainFrame::HoldCloseRequests(bool hold) {
  m_holdClose = hold;
  UpdateCommands();
  if (hold || !m_closeKept) return;
  m_closeKept = false;
  QTimer::singleShot(0, this, [this] { close(); });
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // The program is still starting: it ends once it has started.
  if (m_holdClose) {
    m_closeKept = true;
    event->ignore();
    return;
  }
  if (onClose && !onClose()) {
    event->ignore();
    return;
  }
  SavePlacement();
  QMainWindow::closeEvent(event);
}

void CMainFrame::changeEvent(QEvent* event) {
  // Back from a dialog or another program: what may have changed meanwhile.
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) UpdateCommandsLater();
  QMainWindow::changeEvent(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonRelease:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
      if (watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this) UpdateCommandsLater();
      break;
    default:
      break;
  }
  return false;
}
