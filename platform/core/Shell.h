#pragma once
// What the suite asks of the desktop: open a file with its viewer, and show
// the wait cursor while the user must wait. The user interface installs the
// real cursor; below it the cursor is invisible and tests watch it.
#include <functional>
#include <string>

namespace platform {

// Hands the file to the desktop's viewer, run in the folder; true when it was
// handed over (the file exists and the viewer started).
bool OpenWithDesktop(const std::string& path, const std::string& folder);
using DesktopOpener = std::function<bool(const std::string& path, const std::string& folder)>;
// Replaces how files are handed over (null: the desktop's viewer again) and
// returns the previous way.
DesktopOpener SetDesktopOpener(DesktopOpener opener);

// Shows and hides the wait cursor; Begin and End come in pairs.
class WaitCursorDisplay {
 public:
  virtual ~WaitCursorDisplay() = default;
  virtual void Begin() = 0;
  virtual void End() = 0;
};
// Installs the display (null: none) and returns the previous one.
WaitCursorDisplay* SetWaitCursorDisplay(WaitCursorDisplay* display);

// The wait cursor for as long as the object lives, on every way out of its
// scope restored.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  // Ends the wait before the scope does (for a message that follows it).
  void Restore();

 private:
  WaitCursorDisplay* m_display;
};

}  // namespace platform
