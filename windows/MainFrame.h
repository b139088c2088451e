#pragma once
// The main window of the MDI programs: every command is made once, by its
// id, with its text, key, handler and enabling rule; menus and the toolbar
// are built from those commands, and one pass sets every command's enabled
// state. A command the program does not handle goes to the active window,
// when that window takes commands.
#include <QIcon>
#include <QMainWindow>
#include <QMdiArea>
#include <functional>
#include <map>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMdiSubWindow;
class QToolBar;

// What a window inside the main window offers to the command routing.
class ICommandTarget {
 public:
  virtual ~ICommandTarget() = default;
  // True when the window knows the command; enabled tells whether it can run now.
  virtual bool QueryCommand(unsigned id, bool& enabled) = 0;
  virtual void RunCommand(unsigned id) = 0;
};

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  struct Command {
    // In the order of the members; the trailing ones may be left out.
    Command(unsigned id = 0, std::string text = {}, QKeySequence key = {}, std::function<void()> run = {},
            std::function<bool()> enabled = {}, std::string toolTip = {}, int standardIcon = -1,
            std::string themeIcon = {}, QIcon icon = {}, std::function<bool()> checked = {})
        : id(id), text(std::move(text)), key(std::move(key)), run(std::move(run)), enabled(std::move(enabled)),
          toolTip(std::move(toolTip)), standardIcon(standardIcon), themeIcon(std::move(themeIcon)),
          icon(std::move(icon)), checked(std::move(checked)) {}
    unsigned id;
    std::string text;  // '&' marks the mnemonic, "\t" the key's text
    QKeySequence key;
    std::function<void()> run;        // empty: the active window's command
    std::function<bool()> enabled;    // empty: always, or as the window says
    std::string toolTip;
    int standardIcon;                 // a QStyle::StandardPixmap for the toolbar
    std::string themeIcon;            // the desktop theme's icon, before the others
    QIcon icon;                       // the suite's own, before the standard one
    std::function<bool()> checked;    // set: a command that is on or off
  };
  static constexpr unsigned kSeparator = 0;

  explicit CMainFrame(QWidget* parent = nullptr);
  ~CMainFrame() override;

  void AddCommand(Command command);
  QAction* Action(unsigned id) const;
  void AddMenu(const std::string& title, const std::vector<unsigned>& ids);
  void AddToolBar(const std::vector<unsigned>& ids);
  QToolBar* ToolBar() const { return m_toolBar; }
  // The status bar's message pane and its indicator panes.
  void AddIndicators(int count);
  QLabel* Indicator(int index) const;

  QMdiArea* MdiArea() const { return m_mdi; }
  QMdiSubWindow* AddWindow(QWidget* view);
  QWidget* ActiveView() const;
  // Moves and, where it must, shrinks a window inside the visible part of
  // the main window's client area; a tiny one grows to be read.
  void KeepInside(QMdiSubWindow* window);
  // Window > Tile, Cascade and Arrange Icons: inside the client area as it
  // is; the main window keeps its size.
  void TileWindows();
  void CascadeWindows();
  void ArrangeIcons();

  // The one pass that enables and disables every command. It runs after each
  // command, on each change of the active window, before a menu opens, after
  // the user's input in the window, and when the program's state changes
  // (UpdateCommandsLater).
  void UpdateCommands();
  // One pass on the next turn of the event loop, however often asked.
  void UpdateCommandsLater();
  // Runs a command as its menu entry would, when it is enabled; false when
  // it is not.
  bool Execute(unsigned id);

  // The size and place of the window from the user's last run of the program
  // (else the size given); kept again when the window closes.
  void RememberPlacement(const std::string& program, QSize size);
  // While the program starts: a request to close is kept, not carried out,
  // and no command runs. Releasing the hold carries out a kept request on
  // the next turn of the event loop.
  void HoldCloseRequests(bool hold);
  bool CloseRequestKept() const { return m_closeKept; }

  // Runs before the window closes; false keeps it open.
  std::function<bool()> onClose;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  ICommandTarget* ActiveTarget() const;
  bool IsEnabled(unsigned id) const;
  QIcon CommandIcon(const Command& command) const;
  void SavePlacement();
  // The windows that Tile and Cascade place, in the order given: all that
  // are shown and not minimised, a maximised one restored.
  std::vector<QMdiSubWindow*> ArrangedWindows(QMdiArea::WindowOrder order) const;

  QMdiArea* m_mdi;
  QToolBar* m_toolBar = nullptr;
  std::map<unsigned, Command> m_commands;
  std::map<unsigned, QAction*> m_actions;
  std::vector<QLabel*> m_indicators;
  bool m_updatePending = false;
  bool m_holdClose = false;
  bool m_closeKept = false;
  std::string m_placementKey;
};

// The icon with a disabled look of its own: faded, so that a button that
// does nothing shows it whatever the icon's colours.
QIcon WithDisabledLook(const QIcon& icon);
