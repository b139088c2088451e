#pragma once
// What a test reads of a dialog's control by its id: a control the dialog
// does not have is neither shown nor enabled.
#include <QWidget>

#include "ui/Dialog.h"

namespace kovo::test {

inline bool IsShown(const platform::CDialog& dialog, int id) {
  QWidget* w = dialog.GetDlgItem(id);
  return w != nullptr && !w->isHidden();
}

inline bool IsEnabled(const platform::CDialog& dialog, int id) {
  QWidget* w = dialog.GetDlgItem(id);
  return w != nullptr && w->isEnabled();
}

}  // namespace kovo::test
