#pragma once
// The main window of the MDI programs: every command is made once, by its
// id, with its text, key, handler and enabling rule; menus and the toolbar
// are built from those commands, and one pass sets every command's enabled
// state. A command the program does not handle goes to the active window,
// when that window takes commands.
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;

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
    unsigned id = 0;
    std::string text;  // '&' marks the mnemonic, "\t" the key's text
    QKeySequence key;
    std::function<void()> run;        // empty: the active window's command
    std::function<bool()> enabled;    // empty: always, or as the window says
    std::string toolTip;
    int standardIcon = -1;            // a QStyle::StandardPixmap for the toolbar
  };
  static constexpr unsigned kSeparator = 0;

  explicit CMainFrame(QWidget* parent = nullptr);
  ~CMainFrame() override;

  void AddCommand(Command command);
  QAction* Action(unsigned id) const;
  void AddMenu(const std::string& title, std::initializer_list<unsigned> ids);
  void AddToolBar(std::initializer_list<unsigned> ids);
  // The status bar's message pane and its indicator panes.
  void AddIndicators(int count);
  QLabel* Indicator(int index) const;

  QMdiArea* MdiArea() const { return m_mdi; }
  QMdiSubWindow* AddWindow(QWidget* view);
  QWidget* ActiveView() const;

  // The one pass that enables and disables every command; runs after each
  // command, on each change of the active window and twice a second.
  void UpdateCommands();
  // Runs a command as its menu entry would, when it is enabled; false when
  // it is not.
  bool Execute(unsigned id);

  // Runs before the window closes; false keeps it open.
  std::function<bool()> onClose;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  ICommandTarget* ActiveTarget() const;
  bool IsEnabled(unsigned id) const;

  QMdiArea* m_mdi;
  std::map<unsigned, Command> m_commands;
  std::map<unsigned, QAction*> m_actions;
  std::vector<QLabel*> m_indicators;
  QTimer m_updateTimer;
};
