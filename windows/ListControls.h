#pragma once
// The combo and list boxes that the settings pages and window property pages
// share: a combo box that finds entries by their data, combo boxes of colours
// and pen styles, and the list of a window's displayed channels. The drawn
// ones paint their entries through the drawing interface.
#include <QComboBox>
#include <QListWidget>
#include <string>

#include "core/Controls.h"
#include "core/DeviceContext.h"

class CColumn;
namespace platform {
class CDialog;
}  // namespace platform

// What an owner-drawn entry is drawn with.
struct DrawItemInfo {
  int itemID = -1;  // -1: no entry
  platform::CRect rcItem;
  bool selected = false;
  bool focus = false;
  platform::COLORREF window = platform::RGB(255, 255, 255);
  platform::COLORREF windowText = platform::RGB(0, 0, 0);
  platform::COLORREF highlight = platform::RGB(0, 0, 128);
  platform::COLORREF highlightText = platform::RGB(255, 255, 255);
};

// A dotted frame just inside the rectangle: the mark of the entry that has the
// focus.
void DrawFocusRect(platform::CDC& dc, const platform::CRect& r, platform::COLORREF color);

// A control whose entries its owner draws.
class COwnerDraw {
 public:
  virtual ~COwnerDraw() = default;
  virtual void DrawItem(platform::CDC& dc, const DrawItemInfo& item) = 0;
  // The height of every entry.
  virtual int MeasureItem() const = 0;
};

// A combo box addressed by the suite's ids, which the unit lists can fill.
class CComboBox : public QComboBox, public platform::IComboBox {
 public:
  explicit CComboBox(QWidget* parent = nullptr);

  // Takes the place of the dialog's control with this id; false when the
  // dialog has none.
  bool SubclassDlgItem(int id, platform::CDialog* parent);
  int GetDlgCtrlID() const { return m_id; }

  void ResetContent() override;
  // Appends an entry (item data 0) and returns its index.
  int AddString(const std::string& text) override;
  int GetCount() const override;
  std::string GetLBText(int index) const override;
  int GetCurSel() const override;
  // -1 or an index out of range clears the selection.
  void SetCurSel(int index) override;
  int GetItemData(int index) const;
  void SetItemData(int index, int data);

 private:
  int m_id = 0;
};

// Entries found and read by their item data: an int (a bank, a channel, a
// unit) or the bits of a float.
class COComboEx : public CComboBox {
 public:
  using CComboBox::CComboBox;

  // Appends the entry, selects it and returns its index.
  int AddItem(const std::string& text, int data);
  int AddFloatItem(const std::string& text, float data);
  // Selects the first entry with this data and returns its index; -1, the
  // selection unchanged, when none has it.
  int SelectItemData(int data);
  // The same for the first float strictly within 0.001 of the value.
  int SelectFloatItemData(float value);
  // The selected entry's data; 0 when nothing is selected.
  int GetSelItemData() const;
  float GetSelFloatItemData() const;
};

// A combo box whose entries are drawn, not written.
class COOwnerDrawCombo : public CComboBox, public COwnerDraw {
 public:
  explicit COOwnerDrawCombo(QWidget* parent = nullptr);
  // The entry's data as a number.
  unsigned GetItemDataU(int index) const;

 protected:
  // The closed box shows the selected entry drawn.
  void paintEvent(QPaintEvent* event) override;
};

// The curve colours: palette order, red, green, blue, yellow, cyan, magenta,
// black, black.
extern const platform::COLORREF kColorComboPalette[8];

class CColorCombo : public COOwnerDrawCombo {
 public:
  using COOwnerDrawCombo::COOwnerDrawCombo;

  int AddColor(platform::COLORREF color);
  // The eight colours of the palette, in its order.
  void FillColors();
  platform::COLORREF GetColor(int index) const { return GetItemDataU(index); }

  // A swatch of the colour inset by 2; a focus frame round a focused entry.
  void DrawItem(platform::CDC& dc, const DrawItemInfo& item) override;
  int MeasureItem() const override { return 20; }
};

class CStyleCombo : public COOwnerDrawCombo {
 public:
  using COOwnerDrawCombo::COOwnerDrawCombo;

  // Solid, dash, dot, dash-dot, dash-dot-dot (pen styles 0 to 4).
  void FillStyles();
  // The column whose colour the samples are drawn in; black without one.
  void SetColumn(const CColumn* column) { m_column = column; }

  // A line of the style across the middle of the entry.
  void DrawItem(platform::CDC& dc, const DrawItemInfo& item) override;
  int MeasureItem() const override { return 20; }

 private:
  const CColumn* m_column = nullptr;
};

// A list box addressed by the suite's ids, each row carrying a pointer.
class CListBox : public QListWidget {
 public:
  explicit CListBox(QWidget* parent = nullptr);

  bool SubclassDlgItem(int id, platform::CDialog* parent);
  int GetDlgCtrlID() const { return m_id; }

  void ResetContent();
  int AddString(const std::string& text);
  // Inserts before the row (-1: at the end) and returns the new row's index.
  int InsertString(int index, const std::string& text);
  // Removes the row; returns the rows left, or -1 for no such row.
  int DeleteString(int index);
  int GetCount() const;
  int GetCurSel() const;
  void SetCurSel(int index);
  void* GetItemDataPtr(int index) const;
  void SetItemDataPtr(int index, void* data);

 private:
  int m_id = 0;
};

// The displayed channels of a window: each row a CColumn (owned by whoever
// filled the list) drawn as a sample of its line, when it has an axis, and
// its channel and unit.
class COColumnList : public CListBox, public COwnerDraw {
 public:
  explicit COColumnList(QWidget* parent = nullptr);

  // Appends or inserts (before the row; -1 at the end) a row for the column
  // and returns its index.
  int AddColumn(CColumn* column);
  int InsertColumn(int index, CColumn* column);
  CColumn* GetColumn(int index) const { return static_cast<CColumn*>(GetItemDataPtr(index)); }

  void DrawItem(platform::CDC& dc, const DrawItemInfo& item) override;
  int MeasureItem() const override { return 17; }
  // What a row reads: "A: name (unit)", without the letter in the
  // Calibration program.
  static std::string RowText(const CColumn& column);
};
