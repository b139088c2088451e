#include "MainFrame.h"

#include "DBUtil.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), m_mdi(new QMdiArea(this)) {
  setCentralWidget(m_mdi);
  connect(m_mdi, &QMdiArea::subWindowActivated, this, [this] { UpdateCommands(); });
  m_updateTimer.setInterval(500);
  connect(&m_updateTimer, &QTimer::timeout, this, [this] { UpdateCommands(); });
  m_updateTimer.start();
}

// The windows inside go after the commands: their going announces nothing.
CMainFrame::~CMainFrame() {
  m_updateTimer.stop();
  disconnect(m_mdi, nullptr, this, nullptr);
}

void CMainFrame::AddCommand(Command command) {
  const unsigned id = command.id;
  std::string text = command.text;
  const size_t tab = text.find('\t');
  if (tab != std::string::npos) text.resize(tab);  // Qt writes the key itself
  auto* action = new QAction(QString::fromStdString(text), this);
  if (!command.key.isEmpty()) action->setShortcut(command.key);
  if (command.standardIcon >= 0)
    action->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(command.standardIcon)));
  const std::string tip = command.toolTip.empty() ? text : command.toolTip;
  QString plain = QString::fromStdString(tip);
  plain.remove('&');
  action->setToolTip(plain);
  action->setStatusTip(plain);
  connect(action, &QAction::triggered, this, [this, id] { Execute(id); });
  m_commands[id] = std::move(command);
  m_actions[id] = action;
}

QAction* CMainFrame::Action(unsigned id) const {
  const auto it = m_actions.find(id);
  return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::AddMenu(const std::string& title, std::initializer_list<unsigned> ids) {
  QMenu* menu = menuBar()->addMenu(QString::fromStdString(title));
  connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommands(); });
  for (unsigned id : ids) {
    if (id == kSeparator)
      menu->addSeparator();
    else if (QAction* a = Action(id))
      menu->addAction(a);
  }
}

void CMainFrame::AddToolBar(std::initializer_list<unsigned> ids) {
  QToolBar* bar = addToolBar("Toolbar");
  bar->setObjectName("Toolbar");
  for (unsigned id : ids) {
    if (id == kSeparator)
      bar->addSeparator();
    else if (QAction* a = Action(id))
      bar->addAction(a);
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

ICommandTarget* CMainFrame::ActiveTarget() const { return dynamic_cast<ICommandTarget*>(ActiveView()); }

bool CMainFrame::IsEnabled(unsigned id) const {
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
  for (auto& [id, action] : m_actions) action->setEnabled(IsEnabled(id));
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

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (onClose && !onClose()) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}
