#pragma once
// The store of the task's open windows in [OpenWindows] and [OpenColumns]:
// written when the task closes, read back in order when it opens.
#include <QRect>
#include <memory>

#include "DataContext.h"

class COMeasInterval;
class CORecOpenWindows;
class CWindowLayer;

class COOpenWindows : public IWindowStore {
 public:
  struct Placement {
    long style = 0;
    QRect rect;
  };

  explicit COOpenWindows(CWindowLayer& layer);
  ~COOpenWindows() override;

  // Set while saved windows are being reopened; a new window then takes
  // its placement and settings from the current row.
  bool IsRestoring() const { return m_restoring; }
  Placement CurrentPlacement() const;
  // The current row's interval and columns into a view's interval.
  void LoadInterval(COMeasInterval& interval) const;
  // While saving: a view's interval and columns into the new row.
  void StoreInterval(const COMeasInterval& interval);

  // Only while a task is open: the old rows go and every persistent window
  // of the task's document is written, all in one transaction. A window that
  // fails is reported and skipped.
  void Save() override;
  // Reopens the saved windows, the least recently active first; a task
  // without saved windows gets one graph window.
  void Restore() override;

 private:
  CWindowLayer& m_layer;
  bool m_restoring = false;
  std::unique_ptr<CORecOpenWindows> m_row;  // the row being read or written
};
