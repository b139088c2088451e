#include "ListControls.h"

#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <cstring>

#include "MeasInterval.h"
#include "ProgramProfile.h"
#include "ui/Dialog.h"
#include "ui/PainterDC.h"

const platform::COLORREF kColorComboPalette[8] = {0x0000FF, 0x00DF00, 0xFF0000, 0x00EFEF,
                                                  0xD8D800, 0xCF00EF, 0x000000, 0x000000};

namespace {

constexpr int kDataRole = Qt::UserRole;

platform::COLORREF ToColorRef(const QColor& c) { return platform::RGB(c.red(), c.green(), c.blue()); }

// The system colours of the widget's palette, for drawing its entries.
DrawItemInfo ItemInfo(const QWidget* widget, int item, const QRect& rect, bool selected, bool focus) {
  DrawItemInfo info;
  info.itemID = item;
  info.rcItem = platform::CRect(rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1);
  info.selected = selected;
  info.focus = focus;
  const QPalette& p = widget->palette();
  info.window = ToColorRef(p.color(QPalette::Base));
  info.windowText = ToColorRef(p.color(QPalette::Text));
  info.highlight = ToColorRef(p.color(QPalette::Highlight));
  info.highlightText = ToColorRef(p.color(QPalette::HighlightedText));
  return info;
}

platform::CRect Inset(const platform::CRect& r, int by) { return platform::CRect(r.left + by, r.top + by, r.right - by, r.bottom - by); }

// A horizontal line of the pen across the middle of r, from x0 to x1.
void DrawSampleLine(platform::CDC& dc, const platform::CRect& r, int x0, int x1, int style, platform::COLORREF color) {
  platform::CPen pen(style, 1, color);
  platform::CPen* old = dc.SelectObject(&pen);
  const int oldMode = dc.SetBkMode(platform::TRANSPARENT);
  const int y = (r.top + r.bottom) / 2;
  dc.MoveTo(x0, y);
  dc.LineTo(x1, y);
  dc.SetBkMode(oldMode);
  dc.SelectObject(old);
}

// Paints the entries of a list or of a combo box's pop-up through their
// control's DrawItem.
class OwnerDrawDelegate : public QStyledItemDelegate {
 public:
  OwnerDrawDelegate(COwnerDraw* owner, QWidget* widget) : QStyledItemDelegate(widget), m_owner(owner), m_widget(widget) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    painter->save();
    platform::CPainterDC dc(painter);
    dc.SelectObject(static_cast<platform::CFont*>(nullptr));
    m_owner->DrawItem(dc, ItemInfo(m_widget, index.row(), option.rect, option.state & QStyle::State_Selected,
                                   option.state & QStyle::State_HasFocus));
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    return QSize(option.rect.width(), m_owner->MeasureItem());
  }

 private:
  COwnerDraw* m_owner;
  QWidget* m_widget;
};

template <class Control>
bool TakePlace(Control* control, int id, platform::CDialog* parent, int* idOut) {
  if (!parent || !parent->ReplaceDlgItem(id, control)) return false;
  *idOut = id;
  return true;
}

}  // namespace

void DrawFocusRect(platform::CDC& dc, const platform::CRect& r, platform::COLORREF color) {
  platform::CPen pen(platform::PS_DOT, 1, color);
  platform::CPen* old = dc.SelectObject(&pen);
  dc.MoveTo(r.left, r.top);
  dc.LineTo(r.right - 1, r.top);
  dc.LineTo(r.right - 1, r.bottom - 1);
  dc.LineTo(r.left, r.bottom - 1);
  dc.LineTo(r.left, r.top);
  dc.SelectObject(old);
}

// --- CComboBox ---

CComboBox::CComboBox(QWidget* parent) : QComboBox(parent) {}

bool CComboBox::SubclassDlgItem(int id, platform::CDialog* parent) { return TakePlace(this, id, parent, &m_id); }

void CComboBox::ResetContent() { clear(); }

int CComboBox::AddString(const std::string& text) {
  addItem(QString::fromStdString(text), 0);
  return count() - 1;
}

int CComboBox::GetCount() const { return count(); }

std::string CComboBox::GetLBText(int index) const {
  return index >= 0 && index < count() ? itemText(index).toStdString() : std::string();
}

int CComboBox::GetCurSel() const { return currentIndex(); }

void CComboBox::SetCurSel(int index) { setCurrentIndex(index >= 0 && index < count() ? index : -1); }

int CComboBox::GetItemData(int index) const { return itemData(index, kDataRole).toInt(); }

void CComboBox::SetItemData(int index, int data) { setItemData(index, data, kDataRole); }

// --- COComboEx ---

int COComboEx::AddItem(const std::string& text, int data) {
  const int index = AddString(text);
  SetItemData(index, data);
  SetCurSel(index);
  return index;
}

int COComboEx::AddFloatItem(const std::string& text, float data) {
  int bits = 0;
  std::memcpy(&bits, &data, sizeof bits);
  return AddItem(text, bits);
}

int COComboEx::SelectItemData(int data) {
  for (int i = 0; i < count(); ++i)
    if (GetItemData(i) == data) {
      SetCurSel(i);
      return i;
    }
  return -1;
}

int COComboEx::SelectFloatItemData(float value) {
  for (int i = 0; i < count(); ++i) {
    const int bits = GetItemData(i);
    float f = 0;
    std::memcpy(&f, &bits, sizeof f);
    if (f > value - 0.001 && f < value + 0.001) {
      SetCurSel(i);
      return i;
    }
  }
  return -1;
}

int COComboEx::GetSelItemData() const { return currentIndex() >= 0 ? GetItemData(currentIndex()) : 0; }

float COComboEx::GetSelFloatItemData() const {
  if (currentIndex() < 0) return 0.0f;
  const int bits = GetItemData(currentIndex());
  float f = 0;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

// --- owner-drawn combo boxes ---

COOwnerDrawCombo::COOwnerDrawCombo(QWidget* parent) : CComboBox(parent) {
  setItemDelegate(new OwnerDrawDelegate(this, this));
  setMinimumWidth(80);
}

unsigned COOwnerDrawCombo::GetItemDataU(int index) const { return static_cast<unsigned>(GetItemData(index)); }

void COOwnerDrawCombo::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  option.currentText.clear();
  option.currentIcon = QIcon();
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  if (currentIndex() < 0) return;
  const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  platform::CPainterDC dc(&painter);
  DrawItem(dc, ItemInfo(this, currentIndex(), field, false, hasFocus()));
}

int CColorCombo::AddColor(platform::COLORREF color) {
  const int index = AddString(std::string());
  SetItemData(index, static_cast<int>(color));
  return index;
}

void CColorCombo::FillColors() {
  for (platform::COLORREF c : kColorComboPalette) AddColor(c);
}

void CColorCombo::DrawItem(platform::CDC& dc, const DrawItemInfo& item) {
  if (item.itemID < 0) return;
  dc.FillSolidRect(Inset(item.rcItem, 2), GetColor(item.itemID));
  if (item.focus) DrawFocusRect(dc, item.rcItem, item.windowText);
}

void CStyleCombo::FillStyles() {
  for (int style = platform::PS_SOLID; style <= platform::PS_DASHDOTDOT; ++style) {
    const int index = AddString(std::string());
    SetItemData(index, style);
  }
}

void CStyleCombo::DrawItem(platform::CDC& dc, const DrawItemInfo& item) {
  if (item.itemID < 0) return;
  const platform::CRect r = Inset(item.rcItem, 2);
  const platform::COLORREF color = m_column ? m_column->GetColor() : platform::RGB(0, 0, 0);
  DrawSampleLine(dc, r, r.left + 2, r.right - 2, static_cast<int>(GetItemDataU(item.itemID)), color);
  if (item.focus) DrawFocusRect(dc, item.rcItem, item.windowText);
}

// --- list boxes ---

CListBox::CListBox(QWidget* parent) : QListWidget(parent) { setSelectionMode(QAbstractItemView::SingleSelection); }

bool CListBox::SubclassDlgItem(int id, platform::CDialog* parent) { return TakePlace(this, id, parent, &m_id); }

void CListBox::ResetContent() { clear(); }

int CListBox::AddString(const std::string& text) { return InsertString(-1, text); }

int CListBox::InsertString(int index, const std::string& text) {
  const int at = index < 0 || index > count() ? count() : index;
  insertItem(at, QString::fromStdString(text));
  return at;
}

int CListBox::DeleteString(int index) {
  if (index < 0 || index >= count()) return -1;
  delete takeItem(index);
  return count();
}

int CListBox::GetCount() const { return count(); }

int CListBox::GetCurSel() const { return currentRow(); }

void CListBox::SetCurSel(int index) {
  if (index >= 0 && index < count())
    setCurrentRow(index);
  else
    setCurrentRow(-1);
}

void* CListBox::GetItemDataPtr(int index) const {
  const QListWidgetItem* row = item(index);
  return row ? reinterpret_cast<void*>(row->data(kDataRole).value<quintptr>()) : nullptr;
}

void CListBox::SetItemDataPtr(int index, void* data) {
  if (QListWidgetItem* row = item(index)) row->setData(kDataRole, QVariant::fromValue(reinterpret_cast<quintptr>(data)));
}

COColumnList::COColumnList(QWidget* parent) : CListBox(parent) {
  setItemDelegate(new OwnerDrawDelegate(this, this));
  setUniformItemSizes(true);
}

int COColumnList::AddColumn(CColumn* column) { return InsertColumn(-1, column); }

int COColumnList::InsertColumn(int index, CColumn* column) {
  const int at = InsertString(index, column ? RowText(*column) : std::string());
  SetItemDataPtr(at, column);
  return at;
}

std::string COColumnList::RowText(const CColumn& column) {
  std::string text;
  if (!column.GetProgram().letterNames) text = std::string(1, column.GetChannelLetter()) + ": ";
  return text + column.GetChannelName() + " (" + column.GetUnitText() + ")";
}

void COColumnList::DrawItem(platform::CDC& dc, const DrawItemInfo& item) {
  if (item.itemID < 0) return;
  dc.FillSolidRect(item.rcItem, item.focus ? item.highlight : item.window);
  dc.SetTextColor(item.focus ? item.highlightText : item.windowText);
  if (const CColumn* column = GetColumn(item.itemID)) {
    const platform::CRect r = Inset(item.rcItem, 2);
    const bool hasAxis = column->GetAxis() < 255;
    if (hasAxis) DrawSampleLine(dc, r, r.left + 2, r.left + 23, column->GetPenStyle(), column->GetColor());
    platform::CRect text(hasAxis ? r.left + 27 : r.left, r.top, r.right, r.bottom);
    const int oldMode = dc.SetBkMode(platform::TRANSPARENT);
    dc.DrawText(RowText(*column), &text, platform::DT_LEFT | platform::DT_VCENTER | platform::DT_SINGLELINE);
    dc.SetBkMode(oldMode);
  }
  if (item.selected) DrawFocusRect(dc, item.rcItem, item.focus ? item.highlightText : item.windowText);
}
