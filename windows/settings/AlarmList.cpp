#include "AlarmList.h"

#include <QPainter>
#include <QStyledItemDelegate>

#include "COSequence.h"
#include "DataContext.h"
#include "ListControls.h"
#include "core/DeviceContext.h"
#include "ui/PainterDC.h"

namespace {

constexpr platform::COLORREF kRed = 0x0000FF;
constexpr int kMarkWidth = 15;
constexpr int kBlinkMs = 500;

// Rows carry no text: each is drawn by its list through the drawing
// interface.
class AlarmRowDelegate : public QStyledItemDelegate {
 public:
  explicit AlarmRowDelegate(COAlarmList* list) : QStyledItemDelegate(list), m_list(list) {}
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    painter->save();
    platform::CPainterDC dc(painter);
    const QPalette& p = m_list->palette();
    auto color = [](const QColor& c) { return platform::RGB(c.red(), c.green(), c.blue()); };
    DrawItemInfo info;
    info.itemID = index.row();
    const QRect r = option.rect;
    info.rcItem = platform::CRect(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
    info.selected = option.state & QStyle::State_Selected;
    info.focus = option.state & QStyle::State_HasFocus;
    info.window = color(p.color(QPalette::Base));
    info.windowText = color(p.color(QPalette::Text));
    info.highlight = color(p.color(QPalette::Highlight));
    info.highlightText = color(p.color(QPalette::HighlightedText));
    m_list->DrawItem(dc, info);
    painter->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    return QSize(option.rect.width(), m_list->MeasureItem());
  }

 private:
  COAlarmList* m_list;
};

void DownTriangle(platform::CDC& dc, int tipX, int tipY, int halfWidth, int height) {
  platform::CPen red(platform::PS_SOLID, 1, kRed);
  platform::CPen* old = dc.SelectObject(&red);
  const platform::CPoint points[] = {{tipX - halfWidth, tipY - height}, {tipX + halfWidth, tipY - height}, {tipX, tipY}};
  dc.Polygon(points, 3);
  dc.SelectObject(old);
}

}  // namespace

COAlarmList::COAlarmList(DataContext& context, QWidget* parent) : CListBox(parent), m_context(context) {
  setItemDelegate(new AlarmRowDelegate(this));
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  m_blinkTimer.setInterval(kBlinkMs);
  QObject::connect(&m_blinkTimer, &QTimer::timeout, this, [this] { ToggleBlink(); });
}

void COAlarmList::SyncItems(int select) {
  const QSignalBlocker quiet(this);
  while (CListBox::GetCount() < GetCount()) AddString(std::string());
  while (CListBox::GetCount() > GetCount()) DeleteString(CListBox::GetCount() - 1);
  SetCurSel(select);
  viewport()->update();
}

void COAlarmList::AddAlarm(const COAlarm& alarm) { InsertAlarm(alarm, GetCount()); }

void COAlarmList::InsertAlarm(const COAlarm& alarm, int tag) {
  m_rows.push_back(Row{alarm, tag});
  SyncItems(GetCount() - 1);
}

void COAlarmList::InsertBefore(const COAlarm& alarm) {
  const int at = std::max(GetCurSel(), 0);
  m_rows.insert(m_rows.begin() + at, Row{alarm, kNoTag});
  SyncItems(at);
}

void COAlarmList::RemoveSelected() {
  const int row = GetCurSel();
  if (row < 0) return;
  m_rows.erase(m_rows.begin() + row);
  SyncItems(row - 1);
}

void COAlarmList::ResetContent() {
  m_rows.clear();
  SyncItems(-1);
}

bool COAlarmList::IsAcknowledged(int row) const {
  if (row < 0 || row >= GetCount()) return false;
  const auto& acks = m_context.AlarmAcknowledgements();
  auto it = acks.find(GetTag(row));
  return it != acks.end() && it->second;
}

void COAlarmList::Confirm(int row) {
  Row& r = m_rows[static_cast<size_t>(row)];
  std::vector<COAlarm>& table = m_context.ActiveSequence().GetAlarms();
  if (r.tag >= 0 && r.tag < static_cast<int>(table.size())) table[static_cast<size_t>(r.tag)].SetTriggered(false);
  r.alarm.ClearExceeded();
  r.alarm.SetTriggered(false);
  if (r.tag != kNoTag) m_context.AlarmAcknowledgements()[r.tag] = true;
}

void COAlarmList::SwitchOutputsOff() {
  for (int o = 0; o < DataContext::kOutputCount; ++o) {
    COAction* out = m_context.AlarmOutput(o);
    if (out == nullptr) continue;
    out->m_state = out->m_request;
    out->m_request = false;
    if (out->m_state) out->Execute(false);
  }
}

void COAlarmList::ConfirmSelected() {
  const int row = GetCurSel();
  if (row < 0) return;
  Confirm(row);
  if (GetCount() == 1) SwitchOutputsOff();
  viewport()->update();
}

void COAlarmList::ConfirmAll() {
  for (int row = 0; row < GetCount(); ++row) Confirm(row);
  SwitchOutputsOff();
  viewport()->update();
}

void COAlarmList::ToggleBlink() {
  m_blinkOn = !m_blinkOn;
  viewport()->update(QRect(0, 0, kMarkWidth, viewport()->height()));
}

void COAlarmList::DrawItem(platform::CDC& dc, const DrawItemInfo& item) {
  const int row = item.itemID;
  if (row < 0 || row >= GetCount()) return;
  if (m_startTimer) {
    m_startTimer = false;
    m_blinkTimer.start();
  }
  platform::CRect rect = item.rcItem;
  rect.left += kItemHeight;
  const platform::COLORREF oldText = dc.SetTextColor(item.selected ? item.highlightText : item.windowText);
  dc.FillSolidRect(rect, item.selected ? item.highlight : item.window);
  const int oldMode = dc.SetBkMode(platform::TRANSPARENT);
  platform::CRect textRect = rect;
  textRect.DeflateRect(2, 2);
  const COAlarm& alarm = GetAlarm(row);
  dc.DrawText(alarm.GetDescription(), &textRect, platform::DT_LEFT | platform::DT_VCENTER | platform::DT_SINGLELINE);
  const platform::CRect& whole = item.rcItem;
  dc.FillSolidRect(platform::CRect(whole.left + 1, whole.top, whole.left + 1 + kMarkWidth, whole.bottom), item.window);
  const int middle = (whole.top + whole.bottom) / 2;
  if (alarm.IsExceeded() && m_blinkOn) {
    if (!IsAcknowledged(row))
      DownTriangle(dc, whole.left + 8, middle + 2, 6, 8);
    else if (alarm.IsTriggered())
      DownTriangle(dc, whole.left + 8, middle + 1, 3, 4);
  }
  dc.SetBkMode(oldMode);
  dc.SetTextColor(oldText);
  if (item.selected) DrawFocusRect(dc, rect, item.windowText);
}
