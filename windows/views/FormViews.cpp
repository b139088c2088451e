#include "FormViews.h"

#include <algorithm>

#include <QFontDatabase>
#include <QPageLayout>
#include <QPrinter>

#include "COMeasObs.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "TaskRecords.h"
#include "StringEx.h"
#include "core/MessageSink.h"
#include "core/Text.h"
#include "db/Database.h"

using platform::Format;

namespace {

// Dialog units of the form templates to pixels.
QRect Place(int x, int y, int w, int h) { return QRect(x * 2, y * 2, w * 2, h * 2); }

std::string NoValue() { return "n/a"; }

}  // namespace

// --- CursorTool ---

CursorTool::CursorTool(CWindowLayer& layer)
    : m_status(layer.Cursors()), m_view(m_status.GetWindowData()),
      m_interval(m_view ? &m_view->GetInterval() : nullptr) {}

int CursorTool::ColumnCount() const { return m_interval ? static_cast<int>(m_interval->GetColumns().size()) : 0; }

std::string CursorTool::GetWindowTitle() const { return m_view ? m_view->GetWindowTitle() : std::string(); }

std::string CursorTool::GetLeftCursorText() const {
  const COMeas& m = *m_interval->GetLeftCursorMeas();
  if (m_interval->GetMeasMode() == COMeasInterval::kByNumber)
    return m.GetMeasNo() == 0 ? NoValue() : Format("%d", m.GetMeasNo());
  if (m.GetMeasNo() == 0 || m.GetMeasTime().GetTime() == 0) return NoValue();
  return m.GetMeasTime().Format("%y-%m-%d %X");
}

std::string CursorTool::GetRightCursorText() const {
  const COMeas& m = *m_interval->GetRightCursorMeas();
  if (m_interval->GetMeasMode() == COMeasInterval::kByNumber) return Format("%d", m.GetMeasNo());
  return m.GetMeasTime().Format("%y-%m-%d %X");
}

const CColumn& CursorTool::GetMeasRecord(int n) const { return m_interval->GetColumns()[n]; }

std::string CursorTool::GetColumnCaption(int n) const {
  const CColumn& c = GetMeasRecord(n);
  return c.GetChannelName() + " (" + c.GetUnitText() + ")";
}

std::string CursorTool::Stat(int n, double COMeasStatistics::*field, bool emptyWhenCoinciding, bool stat) const {
  if (emptyWhenCoinciding && CursorsCoincide()) return std::string();
  const COMeasStatistics& s = GetMeasRecord(n).GetStatistics();
  if (!s.HasValues()) return NoValue();
  CStringEx text;
  if (stat)
    text.StatFormat(s.*field);
  else
    text.NumFormat2(s.*field);
  return text;
}

std::string CursorTool::GetValueText(int n) const { return Stat(n, &COMeasStatistics::m_minimum, false, false); }
std::string CursorTool::GetMinimumText(int n) const { return Stat(n, &COMeasStatistics::m_minimum, true, false); }
std::string CursorTool::GetMaximumText(int n) const { return Stat(n, &COMeasStatistics::m_maximum, true, false); }
std::string CursorTool::GetAverageText(int n) const { return Stat(n, &COMeasStatistics::m_average, true, false); }
std::string CursorTool::GetStdDevText(int n) const { return Stat(n, &COMeasStatistics::m_stdDev, true, true); }
std::string CursorTool::GetSlopeText(int n) const { return Stat(n, &COMeasStatistics::m_slope, true, true); }

// --- CCursorView ---

namespace {

constexpr int kLeftLabel = 1128, kLeftText = 1056, kRightLabel = 1129, kRightText = 1057, kSettings = 1127,
              kSamplesLabel = 1157, kSamples = 1159, kHead1 = 1153, kHead2 = 1158, kHead3 = 1154, kHead4 = 1155,
              kEventLabel = 1142, kEventText = 1125;
int RowName(int i) { return 1084 + 6 * i; }
// The four value columns of row i, left to right.
int RowValue(int i, int col) {
  static const int base[4] = {1079, 1083, 1080, 1081};
  return base[col] + 6 * i;
}

}  // namespace

CCursorView::CCursorView(CWindowLayer& layer, CDocument* document, QWidget* parent)
    : CMeasViewBase(layer, document, kCursorType, parent) {
  auto label = [this](int id, QRect r, Qt::Alignment a = Qt::AlignLeft) {
    auto* l = new QLabel(this);
    l->setGeometry(r);
    l->setAlignment(a | Qt::AlignVCenter);
    m_controls[id] = l;
  };
  label(kLeftLabel, Place(7, 3, 38, 8));
  label(kLeftText, Place(45, 3, 75, 8));
  label(kRightLabel, Place(122, 3, 44, 8));
  // A date and time wants the room up to the count of samples (the button
  // there shows only at a single cursor, when this is hidden).
  label(kRightText, Place(166, 3, 86, 8));
  label(kSamplesLabel, Place(253, 3, 50, 8));
  label(kSamples, Place(304, 3, 35, 8));
  static_cast<QLabel*>(m_controls[kRightLabel])->setText("Right Cursor:");
  static_cast<QLabel*>(m_controls[kSamplesLabel])->setText("No. of Samples:");
  const int xs[4] = {129, 179, 231, 281};
  const int heads[4] = {kHead1, kHead2, kHead3, kHead4};
  for (int c = 0; c < 4; ++c) label(heads[c], Place(xs[c], 17, 48, 8), Qt::AlignRight);
  label(kEventLabel, Place(223, 17, 85, 8));
  static_cast<QLabel*>(m_controls[kEventLabel])->setText("Event Text:");
  for (int i = 0; i < kRows; ++i) {
    label(RowName(i), Place(7, 30 + 9 * i, 120, 8));
    for (int c = 0; c < 4; ++c) label(RowValue(i, c), Place(xs[c], 30 + 9 * i, 48, 8), Qt::AlignRight);
  }
  m_settings = new QPushButton("View &Settings...", this);
  // Wide enough for its text in the desktop's font, ending where the form
  // puts its right edge.
  QRect settings = Place(210, 1, 40, 12);
  const int wide = std::max(settings.width(), m_settings->sizeHint().width());
  settings.setLeft(settings.right() - wide);
  m_settings->setGeometry(settings);
  m_controls[kSettings] = m_settings;
  QObject::connect(m_settings, &QPushButton::clicked, this, [this] { OnViewSettings(); });
  m_events = new QPlainTextEdit(this);
  m_events->setReadOnly(true);
  m_events->setGeometry(Place(223, 33, 85, 49));
  m_controls[kEventText] = m_events;
  auto* rule = new QFrame(this);
  rule->setFrameShape(QFrame::HLine);
  rule->setGeometry(Place(0, 27, 341, 1));
  setFixedSize(Place(0, 0, 341, 100).size());
  OnUpdate(nullptr, kHintCursors, nullptr);
}

CCursorView::~CCursorView() {
  Layer().Cursors().SetCursorOn(false);
  UpdateAllViewsOfDoc(kHintReloadInterval);
}

QLabel* CCursorView::Label(int control) const {
  auto it = m_controls.find(control);
  return it == m_controls.end() ? nullptr : qobject_cast<QLabel*>(it->second);
}

void CCursorView::SetText(int control, const std::string& text) {
  if (QLabel* l = Label(control)) l->setText(QString::fromStdString(text));
}

std::string CCursorView::Text(int control) const {
  if (control == kEventText) return m_events->toPlainText().toStdString();
  if (QLabel* l = Label(control)) return l->text().toStdString();
  auto it = m_controls.find(control);
  return it == m_controls.end() ? std::string() : it->second->windowTitle().toStdString();
}

void CCursorView::Show(int control, bool shown) { m_controls.at(control)->setVisible(shown); }

bool CCursorView::IsShown(int control) const { return !m_controls.at(control)->isHidden(); }

void CCursorView::OnUpdate(CView*, long hint, void*) {
  if (m_firstUpdate) {
    m_firstUpdate = false;
    UpdateAllViewsOfDoc(kHintRepaintAll);
  }
  if (hint == kHintCursors) Refresh();
}

void CCursorView::Refresh() {
  CursorTool tool(Layer());
  const bool single = tool.CursorsCoincide();
  if (single) {
    m_settings->setEnabled(tool.HasWindow() && tool.Interval()->GetLeftCursorMeas()->GetMeasNo() != 0);
    for (int id : {kSettings, kEventLabel, kEventText}) Show(id, true);
    for (int id : {kRightLabel, kRightText, kHead2, kHead3, kHead4, kSamplesLabel, kSamples}) Show(id, false);
    for (int i = 0; i < kRows; ++i)
      for (int c = 1; c < 4; ++c) Show(RowValue(i, c), false);
    SetText(kLeftLabel, "Cursor Pos:");
    SetText(kHead1, "Cursor Value:");
  } else {
    for (int id : {kSettings, kEventLabel, kEventText}) Show(id, false);
    for (int id : {kRightLabel, kRightText, kHead2, kHead3, kHead4, kSamplesLabel, kSamples}) Show(id, true);
    for (int i = 0; i < kRows; ++i)
      for (int c = 1; c < 4; ++c) Show(RowValue(i, c), true);
    SetText(kLeftLabel, "Left Cursor:");
    SetText(kHead1, "Minimum");
    SetText(kHead2, "Average");
    SetText(kHead3, "Maximum");
    SetText(kHead4, "Std. Dev.");
  }
  const int columns = tool.ColumnCount();
  if (tool.HasWindow()) {
    if (columns > 0) {
      SetText(kLeftText, tool.GetLeftCursorText());
      SetText(kRightText, tool.GetRightCursorText());
      const COMeasInterval& in = *tool.Interval();
      SetText(kSamples, Format("%d", in.GetRightCursor() - in.GetLeftCursor() + 1));
    } else {
      for (int id : {kLeftText, kRightText, kSamples}) SetText(id, "n/a");
    }
    m_title = "Cursor Values [" + tool.GetWindowTitle() + "]";
  } else {
    for (int id : {kLeftText, kRightText, kSamples}) SetText(id, "n/a");
    m_title = "Cursor Values";
  }
  setWindowTitle(QString::fromStdString(m_title));
  if (Frame() != this) Frame()->setWindowTitle(QString::fromStdString(m_title));
  for (int i = 0; i < kRows; ++i) {
    const bool row = tool.HasWindow() && i < columns;
    SetText(RowName(i), row ? tool.GetColumnCaption(i) : std::string());
    SetText(RowValue(i, 0), row ? tool.GetValueText(i) : std::string());
    const bool range = row && !single;
    SetText(RowValue(i, 2), range ? tool.GetMaximumText(i) : std::string());
    SetText(RowValue(i, 1), range ? tool.GetAverageText(i) : std::string());
    SetText(RowValue(i, 3), range ? tool.GetStdDevText(i) : std::string());
  }
  std::string events;
  if (single && tool.HasWindow()) {
    for (const COEvent& e : tool.Interval()->GetLeftCursorMeas()->GetEvents()) {
      if (!events.empty()) events += "\r\n";
      events += platform::Trim(e.GetText());
    }
  }
  m_events->setPlainText(QString::fromStdString(events));
}

void CCursorView::Draw(platform::CDC& dc, const platform::CRect& client) {
  if (!dc.IsPrinting()) {
    dc.FillSolidRect(client, platform::RGB(240, 240, 240));
    return;
  }
  CursorTool tool(Layer());
  if (!tool.HasWindow()) return;
  const bool single = tool.CursorsCoincide();
  const int columns = tool.ColumnCount();
  // Lines and gaps in the text's own measure, as the print's units are
  // not a printer's dots.
  const int line = dc.GetTextHeight() * 3 / 2;
  const int gap = 3 * dc.GetTextExtent("0").cx;
  dc.TextOut(0, 0, Format("Cursor Values [%s] - %s", tool.GetWindowTitle().c_str(),
                          platform::CTime::GetCurrentTime().Format("%y-%m-%d %X").c_str()));
  int y = 2 * line;
  COMeasInterval& in = *tool.Interval();
  if (single) {
    dc.TextOut(0, y, Format("Cursor Pos: %d", in.GetLeftCursorMeas()->GetMeasNo()));
    dc.TextOut(dc.GetTextExtent("Cursor Pos: 00000").cx + gap, y, "Cursor Values");
  } else {
    const std::string left = "Left Cursor :" + (columns ? tool.GetLeftCursorText() : "n/a");
    const std::string right = "Right Cursor:" + (columns ? tool.GetRightCursorText() : "n/a");
    int x = 0;
    dc.TextOut(x, y, left);
    x += dc.GetTextExtent(left).cx + gap;
    dc.TextOut(x, y, right);
    x += dc.GetTextExtent(right).cx + gap;
    dc.TextOut(x, y, Format("No. of Samples: %i", in.GetRightCursor() - in.GetLeftCursor() + 1));
  }
  y += line;
  // Blocks of a header and one text per channel, each 1.2 times its widest
  // text wide.
  int x = 0;
  auto block = [&](const std::string& header, const std::vector<std::string>& texts) {
    int widest = dc.GetTextExtent(header).cx;
    dc.TextOut(x, y, header);
    int ty = y;
    for (const std::string& t : texts) {
      ty += line;
      dc.TextOut(x, ty, t);
      widest = std::max(widest, static_cast<int>(dc.GetTextExtent(t).cx));
    }
    x += widest * 12 / 10;
    return ty;
  };
  auto texts = [&](std::string (CursorTool::*text)(int) const) {
    std::vector<std::string> out;
    for (int i = 0; i < columns; ++i) out.push_back((tool.*text)(i));
    return out;
  };
  std::vector<std::string> names = texts(&CursorTool::GetColumnCaption);
  if (single) {
    names.push_back("Event :");
    block("", names);
    const int valuesX = x;
    int ty = block("", texts(&CursorTool::GetValueText));
    for (const COEvent& e : in.GetLeftCursorMeas()->GetEvents()) {
      ty += dc.GetTextHeight();
      dc.TextOut(valuesX, ty, platform::Trim(e.GetText()));
    }
  } else {
    block("", names);
    block("Minimum:", texts(&CursorTool::GetMinimumText));
    block("Average :", texts(&CursorTool::GetAverageText));
    block("Maximum :", texts(&CursorTool::GetMaximumText));
    block("Std. Dev. ", texts(&CursorTool::GetStdDevText));
    block("Slope : ", texts(&CursorTool::GetSlopeText));
  }
}

void CCursorView::OnViewSettings() {
  COCursorStatus& status = Layer().Cursors();
  if (status.GetWindowData() == nullptr) return;
  struct Shown {
    COCursorStatus& s;
    ~Shown() { s.SetSettingsShown(false); }
  } shown{status};
  status.SetSettingsShown(true);
  if (Layer().showSettingsAt) {
    Layer().showSettingsAt(status.GetLeftCursor());
    return;
  }
  DataContext& data = Context();
  const platform::CTime at = status.GetLeftCursor().GetMeasTime();
  // The sequence that covers the cursor is the one started last at or
  // before it.
  COSequence sequence(data);
  bool found = false;
  {
    CORecSequence probe(data);
    COSequence target(data);
    probe.SetTarget(&target);
    probe.m_strFilter = "[StartTime] <= " + FormatOdbcTimestamp(at);
    try {
      probe.Open();
      found = !probe.IsEOF();
    } catch (const platform::CException&) {
    }
    probe.CloseWithDatabase();
  }
  if (found) sequence.LoadForMeas(status.GetLeftCursor());
  if (!found) {
    platform::MessageBox("Unable to find sequence");
    return;
  }
  // The air pressure entered after the sequence's stop and by the cursor.
  CORecEvent events(data);
  events.m_strFilter = "EventTime > " + FormatOdbcTimestamp(sequence.GetStopTime()) +
                       " AND EventTime <=" + FormatOdbcTimestamp(at) + " AND EventType = 1";
  events.m_strSort = "EventTime";
  try {
    events.Open();
    if (!events.IsEOF()) sequence.SetAirPres(data.Setup().PressureFromKpa(events.m_FloatValue));
  } catch (const platform::CException&) {
  }
  events.CloseWithDatabase();
  if (Layer().showSequenceSettings) Layer().showSequenceSettings(sequence);
}

// --- CStatusView ---

namespace {

constexpr int kState = 1108, kTime = 1107;
const int kNameIds[7] = {1055, 1056, 1057, 1058, 1059, 1060, 1061};
const int kValueIds[7] = {1101, 1102, 1103, 1104, 1105, 1106, 1109};
const int kUnitIds[7] = {1094, 1095, 1096, 1097, 1098, 1099, 1100};
const int kChannels[7] = {0, 1, 2, 3, 4, 5, 7};

}  // namespace

CStatusView::CStatusView(CWindowLayer& layer, CDocument* document, QWidget* parent)
    : CMeasViewBase(layer, document, kStatusType, parent) {
  auto fixed = [this](const char* text, QRect r) {
    auto* l = new QLabel(text, this);
    l->setGeometry(r);
  };
  auto label = [this](int id, QRect r, Qt::Alignment a = Qt::AlignLeft) {
    auto* l = new QLabel(this);
    l->setGeometry(r);
    l->setAlignment(a | Qt::AlignVCenter);
    m_labels[id] = l;
  };
  fixed("Status Information", Place(7, 4, 160, 8));
  fixed("Measurement:", Place(14, 16, 50, 8));
  label(kState, Place(66, 16, 100, 8));
  fixed("Last Measurement", Place(7, 32, 160, 8));
  fixed("Time:", Place(14, 44, 50, 8));
  label(kTime, Place(66, 44, 100, 8));
  fixed("Filter:", Place(14, 58, 80, 8));
  fixed("Value:", Place(96, 58, 40, 8));
  for (int r = 0; r < 7; ++r) {
    const int y = 70 + 11 * r;
    label(kNameIds[r], Place(14, y, 80, 8));
    label(kValueIds[r], Place(96, y, 40, 8), Qt::AlignRight);
    label(kUnitIds[r], Place(140, y, 36, 8));
  }
  m_labels[1060]->setText("W: Water Vapour");
  m_labels[1061]->setText("Air Pressure");
  setFixedSize(Place(0, 0, 179, 154).size());
  if (COMeasObs* obs = layer.MeasObs()) {
    obs->Attach(&m_observer);
    obs->SetStatusViewOpen(true);
    // Opened during a run: the sample stored before it opened.
    if (obs->HasLastMeas()) m_shown = obs->GetLastMeas();
  }
  Refresh();
}

void CStatusView::OnGeneralUpdate(const CGenEvent& event) {
  if (event.kind == eMeasStored) m_shown = *event.meas;
  Refresh();
}

CStatusView::~CStatusView() {
  if (COMeasObs* obs = Layer().MeasObs()) {
    obs->SetStatusViewOpen(false);
    obs->Detach(&m_observer);
  }
}

std::string CStatusView::Text(int control) const {
  auto it = m_labels.find(control);
  return it == m_labels.end() ? std::string() : it->second->text().toStdString();
}

void CStatusView::Refresh() {
  DataContext& data = Context();
  COMeasObs* obs = Layer().MeasObs();
  m_labels[kState]->setText(QString::fromStdString(obs ? obs->GetStatusText() : std::string("Idle")));
  COSequence& seq = data.ActiveSequence();
  for (int c = 0; c < 5; ++c)
    m_labels[kNameIds[c]]->setText(
        QString::fromStdString(std::string(1, static_cast<char>('A' + c)) + ": " + seq.GetGasName(c)));
  const bool has = obs && obs->HasLastMeas();
  m_labels[kTime]->setText(has ? QString::fromStdString(m_shown.GetMeasTime().Format("%X")) : QString());
  const COSystemSetup& setup = data.Setup();
  for (int r = 0; r < 7; ++r) {
    const int ch = kChannels[r];
    std::string value, unit;
    if (has && m_shown.IsValueValid(ch)) {
      value = FormatValue(data, m_shown, ch);
      unit = ch <= 4   ? setup.GetGasConcUnit().GetText()
             : ch == 5 ? setup.GetHumidityUnit().GetText(setup.GetTempUnit())
                       : setup.GetPressureUnit().GetText();
    }
    m_labels[kValueIds[r]]->setText(QString::fromStdString(value));
    m_labels[kUnitIds[r]]->setText(QString::fromStdString(unit));
  }
}

void CStatusView::Draw(platform::CDC& dc, const platform::CRect& client) { dc.FillSolidRect(client, platform::RGB(240, 240, 240)); }

// --- CPrintView ---

CPrintView::CPrintView(CWindowLayer& layer, CDocument* document, QWidget* parent)
    : CMeasViewBase(layer, document, kTextType, parent), m_edit(this) {
  m_edit.setReadOnly(true);
  m_edit.setLineWrapMode(QPlainTextEdit::NoWrap);
  QFont courier("Courier");
  courier.setStyleHint(QFont::TypeWriter);
  courier.setFixedPitch(true);
  m_edit.setFont(courier);
}

void CPrintView::SetText(const std::string& text) { m_edit.setPlainText(QString::fromStdString(text)); }

std::string CPrintView::GetText() const { return m_edit.toPlainText().toStdString(); }

void CPrintView::Draw(platform::CDC& dc, const platform::CRect& client) {
  if (!dc.IsPrinting()) dc.FillSolidRect(client, platform::RGB(255, 255, 255));
}

void CPrintView::PreparePrinter(QPrinter& printer) {
  QPageLayout layout = printer.pageLayout();
  const QSizeF size = layout.pageSize().size(QPageSize::Inch);
  layout.setPageSize(QPageSize(QSizeF(size.width(), 11.0), QPageSize::Inch));
  layout.setUnits(QPageLayout::Inch);
  layout.setMargins(QMarginsF(0.25, 0.25, 0.25, 0.25));
  printer.setPageLayout(layout);
}

void CPrintView::Layout(platform::CDC& dc, const platform::CSize& page) {
  // A line that begins with a form feed begins a page, as the monitor lays
  // out its print-outs; a page holds at least 66 lines, as the quarter-inch
  // margins of an 11-inch sheet do, and the longest page of the text.
  m_lines = m_edit.toPlainText().split('\n');
  std::vector<int> starts{0};
  for (int i = 1; i < m_lines.size(); ++i)
    if (m_lines[i].startsWith('\f')) starts.push_back(i);
  starts.push_back(static_cast<int>(m_lines.size()));
  int lines = 66;
  for (size_t p = 1; p < starts.size(); ++p) lines = std::max(lines, starts[p] - starts[p - 1]);
  QString widest;
  for (QString& line : m_lines) {
    line.remove('\f');
    if (line.size() > widest.size()) widest = line;
  }
  // Whatever font the text had, it prints in Courier, small enough for the
  // page's lines and for its widest one.
  platform::LOGFONT lf;
  lf.lfFaceName = "Courier";
  lf.lfHeight = -100;
  m_font.CreateFontIndirect(lf);
  dc.SelectObject(&m_font);
  const double high = static_cast<double>(lines) * std::max(1, dc.GetTextHeight());
  const double wide = std::max(1, static_cast<int>(dc.GetTextExtent(widest.toStdString()).cx));
  const double scale = std::min(page.cy / high, page.cx / wide);
  lf.lfHeight = std::min(-1, static_cast<int>(-100 * scale));
  m_font.CreateFontIndirect(lf);
  // Font sizes do not scale their metrics exactly.
  while (lf.lfHeight < -1 && (lines * dc.GetTextHeight() > page.cy ||
                              dc.GetTextExtent(widest.toStdString()).cx > page.cx)) {
    ++lf.lfHeight;
    m_font.CreateFontIndirect(lf);
  }
  const int fit = std::max(1, static_cast<int>(page.cy) / std::max(1, dc.GetTextHeight()));
  m_pages.clear();
  for (size_t p = 1; p < starts.size(); ++p)
    for (int first = starts[p - 1]; first < starts[p]; first += fit)
      m_pages.emplace_back(first, std::min(fit, starts[p] - first));
}

int CPrintView::PageCount(platform::CDC& dc, const platform::CSize& page) {
  Layout(dc, page);
  return std::max(1, static_cast<int>(m_pages.size()));
}

void CPrintView::DrawPage(platform::CDC& dc, const platform::CSize& page, int pageNumber) {
  if (pageNumber < 1 || pageNumber > static_cast<int>(m_pages.size())) return;
  dc.SelectObject(&m_font);
  const int height = dc.GetTextHeight();
  const auto [first, count] = m_pages[static_cast<size_t>(pageNumber - 1)];
  for (int i = 0; i < count; ++i) dc.TextOut(0, i * height, m_lines[first + i].toStdString());
}
