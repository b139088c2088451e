#pragma once
// The few control operations that code below the user interface performs
// (filling unit lists); the Qt side implements them over its widgets.
#include <string>
#include <vector>

namespace platform {

class IComboBox {
 public:
  virtual ~IComboBox() = default;
  virtual void ResetContent() = 0;
  // Appends an entry and returns its index.
  virtual int AddString(const std::string& text) = 0;
  virtual int GetCount() const = 0;
  virtual std::string GetLBText(int index) const = 0;
  virtual int GetCurSel() const = 0;  // -1 when none
  virtual void SetCurSel(int index) = 0;
};

// A combo box without a window: the lists it was given, for code and tests
// that have no user interface.
class CListComboBox : public IComboBox {
 public:
  void ResetContent() override {
    m_items.clear();
    m_sel = -1;
  }
  int AddString(const std::string& text) override {
    m_items.push_back(text);
    return static_cast<int>(m_items.size()) - 1;
  }
  int GetCount() const override { return static_cast<int>(m_items.size()); }
  std::string GetLBText(int index) const override {
    return index >= 0 && index < GetCount() ? m_items[static_cast<size_t>(index)] : std::string();
  }
  int GetCurSel() const override { return m_sel; }
  void SetCurSel(int index) override { m_sel = index >= 0 && index < GetCount() ? index : -1; }

 private:
  std::vector<std::string> m_items;
  int m_sel = -1;
};

}  // namespace platform
