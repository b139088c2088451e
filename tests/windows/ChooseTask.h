#pragma once
// The user's choice in the open-task dialog, as a modal watch makes it.
#include <QListWidget>
#include <QPushButton>
#include <string>

#include "TaskDialogs.h"
#include "core/MessageSink.h"

namespace kovo::test {

// Selects the first entry of this description and presses OK; false, the
// dialog left alone, while the list holds none.
inline bool ChooseTask(COpenDatabase& dialog, const std::string& description) {
  const auto found = dialog.List()->findItems(QString::fromStdString(description), Qt::MatchExactly);
  if (found.isEmpty()) return false;
  dialog.List()->setCurrentItem(found.front());
  static_cast<QPushButton*>(dialog.GetDlgItem(platform::IDOK))->click();
  return true;
}

}  // namespace kovo::test
