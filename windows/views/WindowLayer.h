#pragma once
// What the measurement windows of one program share, handed to every view:
// the data context, the cursor status, the activation order of the windows,
// the store of the task's open windows and the creators of each window type.
// The program builds one and keeps it for its run.
#include <QPageLayout>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/DeviceContext.h"
#include "core/Subject.h"

class COMeas;
class COMeasInterval;
class QWidget;
class COMeasObs;
class COMeasView;
class COOpenWindows;
class COSequence;
class DataContext;
namespace platform {
class CPropertyPage;
}  // namespace platform

// Which window holds the cursors and whether the cursor mode is on.
class COCursorStatus : public CSubject {
 public:
  void SetCursorOn(bool on) { m_cursorOn = on; }
  bool IsCursorOn() const { return m_cursorOn; }
  void SetWindowData(COMeasView* view) { m_window = view; }
  COMeasView* GetWindowData() const { return m_window; }
  void RemoveWindowData(COMeasView* view) {
    if (m_window == view) m_window = nullptr;
  }
  // True without a cursor window or with both cursors on one measurement.
  bool CursorsCoincide() const;
  COMeas& GetLeftCursor() const;
  COMeas& GetRightCursor() const;
  // Set while the cursor-value window shows its sequence settings: the
  // cursor window then keeps its cursors on new measurements.
  void SetSettingsShown(bool shown) { m_settingsShown = shown; }
  bool IsSettingsShown() const { return m_settingsShown; }

 private:
  bool m_cursorOn = false;
  COMeasView* m_window = nullptr;
  bool m_settingsShown = false;
};

// The activation order of the persistent windows: their numbers, the most
// recently activated first. A window's place in it is its stored [ID]. The
// same table, without activation, numbers the graph and the numeric windows
// (each kind its own) in the order the numbers were taken.
class COWindowOrder {
 public:
  static constexpr int kSize = 1000;
  // The smallest free number, appended; 0 when the table is full.
  int Take();
  void Release(int number);
  void MoveToFront(int number);
  // 0 to 999; kSize when the number is not in the table.
  int IndexOf(int number) const;
  const std::vector<int>& Numbers() const { return m_numbers; }

 private:
  std::vector<int> m_numbers;
};

// Opens a window of one type (the program's "new window" command). While the
// store restores, the new view takes its settings from the store's row.
using WindowCreator = std::function<void()>;

class CWindowRegistry {
 public:
  void Register(int type, WindowCreator creator) { m_creators[type] = std::move(creator); }
  // False when the program has no window of that type, or when the window
  // was refused (too many of its kind: the user is told).
  bool Open(int type) const;
  bool Knows(int type) const { return m_creators.count(type) != 0; }

 private:
  std::map<int, WindowCreator> m_creators;
};


// The program's fonts as the windows draw with them, on screen in pixels; a
// print scales them to its units.
struct ProgramFonts {
  platform::LOGFONT current;
  platform::LOGFONT small;
};

class CWindowLayer {
 public:
  explicit CWindowLayer(DataContext& data, COMeasObs* measObs = nullptr);
  ~CWindowLayer();
  CWindowLayer(const CWindowLayer&) = delete;
  CWindowLayer& operator=(const CWindowLayer&) = delete;

  DataContext& Data() const { return m_data; }
  // Null in a program without a monitor.
  COMeasObs* MeasObs() const { return m_measObs; }
  COCursorStatus& Cursors() { return m_cursors; }
  COWindowOrder& Order() { return m_order; }
  // The numbers of the open windows of one kind (COMeasView::Kind).
  COWindowOrder& WindowNumbers(int kind) { return m_numbers[kind == 1 ? 1 : 0]; }
  CWindowRegistry& Registry() { return m_registry; }
  COOpenWindows& Store() { return *m_store; }

  // The program's current and small fonts, which its Font command renews;
  // until it hands them in, the system set-up's.
  void SetFonts(const platform::CFont* current, const platform::CFont* small) {
    m_font = current;
    m_smallFont = small;
  }
  ProgramFonts Fonts() const;

  // Shows the sequence settings sheet on the sequence (the cursor-value
  // window's "View Settings..."); none until the program hands one in.
  std::function<void(COSequence&)> showSequenceSettings;
  // A program whose sequences are its own (the Calibration program) looks
  // up and shows the sequence at the left cursor itself.
  std::function<void(const COMeas& leftCursor)> showSettingsAt;
  // A program's pages of the graph and numeric windows' property sheets,
  // each made on the interval the sheet edits: its interval page in place
  // of the shared one, and a page more after the window's own (the
  // Presentation program's events); none: the shared pages alone.
  std::function<platform::CPropertyPage*(COMeasInterval&)> intervalPage;
  std::function<platform::CPropertyPage*(COMeasInterval&)> extraPage;
  // The page every print-out starts from; Print Setup changes it.
  QPageLayout pageLayout;
  // The page each window kind's properties sheet opens on: the one it
  // showed when it last closed.
  struct SheetPages {
    int graph = 0;
    int numeric = 0;
  };
  SheetPages lastSheetPages;

 private:
  DataContext& m_data;
  COMeasObs* m_measObs;
  COCursorStatus m_cursors;
  COWindowOrder m_order;
  std::array<COWindowOrder, 2> m_numbers;
  CWindowRegistry m_registry;
  std::unique_ptr<COOpenWindows> m_store;
  const platform::CFont* m_font = nullptr;
  const platform::CFont* m_smallFont = nullptr;
};
