#pragma once
// The list operations the data layer performs when it fills a dialog's list
// (tasks, bank sets); the window layer implements them over its widget.
#include <string>

class IListBox {
 public:
  virtual ~IListBox() = default;
  virtual void ResetContent() = 0;
  // Adds an entry; a sorting list puts it in order. Returns where it landed.
  virtual int AddString(const std::string& text) = 0;
  virtual void SetItemData(int index, long data) = 0;
  // Data of an entry that is text (the name of a task database).
  virtual void SetItemString(int index, const std::string& data) = 0;
};
