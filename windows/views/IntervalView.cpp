#include "IntervalView.h"

#include <QMouseEvent>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

#include "Axis.h"
#include "DBUtil.h"
#include "WindowStore.h"

namespace {

int MeasKind(int viewType) { return viewType == CMeasViewBase::kGraphType ? COMeasView::kGraphic : COMeasView::kNumeric; }

}  // namespace

CIntervalView::CIntervalView(CWindowLayer& layer, CDocument* document, int type, QWidget* parent)
    : CMeasViewBase(layer, document, type, parent),
      m_meas(layer.WindowNumbers(MeasKind(type)), layer.Data(), MeasKind(type)),
      m_buffer(layer.Data()),
      m_hBar(Qt::Horizontal, this),
      m_vBar(Qt::Vertical, this) {
  m_hBar.hide();
  m_vBar.hide();
  for (QScrollBar* bar : {&m_hBar, &m_vBar})
    QObject::connect(bar, &QScrollBar::valueChanged, this, [this] { update(); });
  COOpenWindows& store = layer.Store();
  if (store.IsRestoring()) {
    store.LoadInterval(Interval());
    m_anchor.SetMeasNo(Interval().GetRightCursor());
    m_dragEnd.SetMeasNo(Interval().GetLeftCursor());
  } else {
    TakeDefaultColumns();
  }
  setWindowTitle(QString::fromStdString(GetWindowTitle()));
}

CIntervalView::~CIntervalView() {
  StopLoads();
  Layer().Cursors().RemoveWindowData(&m_meas);
  UpdateAllViewsOfDoc(kHintCursors);
}

void CIntervalView::SaveSettings(COOpenWindows& store) { store.StoreInterval(Interval()); }

void CIntervalView::TakeDefaultColumns() {
  const COMeasInterval defaults(Context());
  std::vector<CColumn>& columns = Interval().GetColumns();
  columns = defaults.GetColumns();
  for (CColumn& c : columns) {
    c.SetSequence(c.GetSequence(), &Interval());
    // A numeric window's columns are those without a Y axis.
    if (GetViewType() == kNumericType) c.SetAxis(0xFF);
  }
  m_defaultColumns = true;
}

// --- data ---

namespace {

bool SameColumns(const std::vector<CColumn>& a, const std::vector<CColumn>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const CColumn& x, const CColumn& y) {
    return x.GetChannel() == y.GetChannel() && x.GetUnit() == y.GetUnit() && x.GetAxis() == y.GetAxis() &&
           x.GetPenStyle() == y.GetPenStyle() && x.GetColor() == y.GetColor();
  });
}

}  // namespace

void CIntervalView::ReloadData() { ReadInterval(false); }

void CIntervalView::FollowData() { ReadInterval(true); }

void CIntervalView::ReadInterval(bool follow) {
  if (m_load) {
    // The load in progress takes the newer rows in after it; anything else
    // read now replaces it.
    if (follow) {
      m_followAfterLoad = true;
      return;
    }
    CancelLoad();
  }
  if (!follow || !m_buffer.CanFollow(&Interval())) {
    auto load = std::make_shared<Load>(Context(), Interval());
    if (load->request.direct && CountMeasRows(load->request, kLongRead) >= kLongRead) {
      load->follow = follow;
      StartLoad(std::move(load));
      return;
    }
  }
  if (follow)
    m_buffer.Follow(&Interval());
  else
    m_buffer.SetInterval(&Interval());
  const bool cursors = Layer().Cursors().IsCursorOn();
  m_converted = nullptr;
  if (cursors || NeedsStatistics()) {
    m_converted = &m_buffer.Converted(Interval().MakeConverters());
    Interval().LoadData(m_buffer.Rows(), *m_converted);
  }
  Loaded(follow);
  m_converted = nullptr;
  // The cursor-value window shows the new statistics.
  if (cursors) UpdateAllViewsOfDoc(kHintCursors);
}

// --- reading on a thread of its own ---

CIntervalView::Load::Load(DataContext& context, const COMeasInterval& interval)
    : request(context, interval), converters(interval.MakeConverters()) {}

void CIntervalView::StartLoad(std::shared_ptr<Load> load) {
  m_load = load;
  m_followAfterLoad = false;
  // Until the rows come the window shows none, unless it follows a task:
  // then what it showed stays meanwhile, as the interval only moved on.
  if (!load->follow) {
    m_buffer.Take(&Interval(), Interval(), COMeasColumns());
    Loaded(false);
  }
  m_loads.push_back(load);
  load->thread = std::thread([this, load] {
    load->ok = ReadMeasColumns(load->request, load->rows, &load->error, &load->cancel);
    if (load->ok && !load->cancel) {
      load->converted = ConvertColumns(load->rows, load->converters);
      load->request.interval.LoadData(load->rows, load->converted);
    }
    // Delivered on the window's thread; a window gone by then (it waits for
    // this thread as it goes) takes no delivery.
    QMetaObject::invokeMethod(this, [this, load] { LoadFinished(load); }, Qt::QueuedConnection);
  });
  Repaint();
}

void CIntervalView::CancelLoad() {
  if (m_load) m_load->cancel = true;
  m_load.reset();
}

void CIntervalView::StopLoads() {
  // The reads stop within moments: each looks at its flag as it goes.
  for (const auto& load : m_loads) load->cancel = true;
  for (const auto& load : m_loads) load->thread.join();
  m_loads.clear();
  m_load.reset();
  m_followAfterLoad = false;
}

void CIntervalView::LoadFinished(const std::shared_ptr<Load>& load) {
  // A read stopped with its task was waited for then.
  const auto running = std::find(m_loads.begin(), m_loads.end(), load);
  if (running == m_loads.end()) return;
  load->thread.join();
  m_loads.erase(running);
  if (load != m_load) return;  // replaced meanwhile
  m_load.reset();
  if (!load->ok) {
    load->rows.Clear();
    if (!load->error.empty()) ReportTaskReadError(Context(), platform::CDBException(-1, load->error, "HY000"));
  }
  const COMeasInterval& readFor = load->request.interval;
  // The rows and their converted values are moved, not copied: the window
  // takes them over in moments however many there are.
  m_buffer.Take(&Interval(), readFor, std::move(load->rows), std::move(load->converted), load->converters);
  m_converted = load->ok ? &m_buffer.Converted(load->converters) : nullptr;
  // Cursors set meanwhile (dragged over the rows a follow kept shown, or
  // moved on with the task) have their figures made here.
  if (load->ok && (readFor.GetLeftCursor() != Interval().GetLeftCursor() ||
                   readFor.GetRightCursor() != Interval().GetRightCursor()))
    Interval().LoadCursorFigures(m_buffer.Rows(), *m_converted, readFor);
  else
    Interval().TakeFigures(readFor);
  Loaded(load->follow);
  m_converted = nullptr;
  if (Layer().Cursors().IsCursorOn()) UpdateAllViewsOfDoc(kHintCursors);
  if (m_followAfterLoad) {
    m_followAfterLoad = false;
    FollowData();
  }
  Repaint();
}

void CIntervalView::DrawLoading(platform::CDC& dc, const platform::CRect& client) {
  // A follow keeps what the window showed: the note is for a window left
  // with nothing to show meanwhile.
  if (!IsLoading() || !m_buffer.Rows().Empty()) return;
  platform::CRect box = client;
  dc.DrawText("Loading the measurements...", &box, platform::DT_CENTER | platform::DT_VCENTER | platform::DT_SINGLELINE);
}

platform::CFont* CIntervalView::SelectFonts(platform::CDC& dc) {
  ProgramFonts fonts = Layer().Fonts();
  if (dc.IsPrinting()) {
    const int dpi = LogPixelsY(dc);
    fonts.current.lfHeight = MulDiv(fonts.current.lfHeight, dpi, 100);
    fonts.small.lfHeight = MulDiv(fonts.small.lfHeight, dpi, 100);
  }
  m_font.CreateFontIndirect(fonts.current);
  m_smallFont.CreateFontIndirect(fonts.small);
  return dc.SelectObject(&m_font);
}

void CIntervalView::Repaint() {
  Relayout();
  UpdateScrollBars();
  update();
}

// --- scrolling ---

void CIntervalView::UpdateScrollBars() {
  const platform::CSize content = ScrollSize();
  const int barW = m_vBar.sizeHint().width();
  const int barH = m_hBar.sizeHint().height();
  bool needH = width() < content.cx;
  const bool needV = height() - (needH ? barH : 0) < content.cy;
  needH = width() - (needV ? barW : 0) < content.cx;
  const int viewW = width() - (needV ? barW : 0);
  const int viewH = height() - (needH ? barH : 0);
  m_hBar.setVisible(needH);
  m_vBar.setVisible(needV);
  m_hBar.setGeometry(0, height() - barH, viewW, barH);
  m_vBar.setGeometry(width() - barW, 0, barW, viewH);
  m_hBar.setRange(0, needH ? static_cast<int>(content.cx) - viewW : 0);
  m_vBar.setRange(0, needV ? static_cast<int>(content.cy) - viewH : 0);
  m_hBar.setPageStep(viewW);
  m_vBar.setPageStep(viewH);
  for (QScrollBar* bar : {&m_hBar, &m_vBar}) bar->setSingleStep(LineStep());
}

platform::CRect CIntervalView::PaintArea() {
  // Hidden, not invisible: a window not shown yet is drawn as it would be.
  return platform::CRect(0, 0, width() - (m_vBar.isHidden() ? 0 : m_vBar.width()),
               height() - (m_hBar.isHidden() ? 0 : m_hBar.height()));
}

platform::CPoint CIntervalView::ScrollPosition(platform::CDC& dc) const {
  if (dc.IsPrinting() || m_wholeContent) return platform::CPoint(0, 0);
  return platform::CPoint(m_hBar.value(), m_vBar.value());
}

void CIntervalView::Copy() {
  m_wholeContent = true;
  CMeasViewBase::Copy();
  m_wholeContent = false;
}

void CIntervalView::wheelEvent(QWheelEvent* e) {
  m_vBar.setValue(m_vBar.value() - e->angleDelta().y() / 120 * 3 * m_vBar.singleStep());
}

void CIntervalView::resizeEvent(QResizeEvent*) { UpdateScrollBars(); }

// --- commands ---

void CIntervalView::MoveInterval(void (COMeasInterval::*move)()) {
  (Interval().*move)();
  ReloadData();
  Repaint();
}

void CIntervalView::OnWindowProperties() {
  // The columns of a copy name the copy as theirs, and again after it is
  // taken over.
  auto bind = [](COMeasInterval& interval) {
    for (CColumn& c : interval.GetColumns()) c.SetSequence(c.GetSequence(), &interval);
  };
  COMeasInterval copy = Interval();
  bind(copy);
  if (RunProperties(copy)) {
    m_defaultColumns = m_defaultColumns && SameColumns(copy.GetColumns(), Interval().GetColumns());
    Interval() = copy;
    bind(Interval());
    Interval().ResetCursors();
    m_anchor = COMeas();
    m_dragEnd = COMeas();
    ReloadData();
  }
  Repaint();
}

// --- updates ---

void CIntervalView::OnDocumentClosing(CDocument* doc) {
  // The task's rows are no longer this window's to show, nor its file to
  // read on once the window's frame has gone.
  StopLoads();
  CMeasViewBase::OnDocumentClosing(doc);
}

void CIntervalView::OnUpdate(CView*, long hint, void*) {
  switch (hint) {
    case kHintReloadInterval:
      m_buffer.Close();
      ReloadData();
      Repaint();
      break;
    case kHintRepaint:
    case kHintRepaintAll:
      Repaint();
      break;
    case kHintRestoreFrame:
      RestoreFrame();
      break;
    case kHintTaskChanged:
      FollowSequence();
      break;
    default:
      break;
  }
}

void CIntervalView::FollowSequence() {
  // A window opened before the task's gases were chosen shows them once
  // they are; one whose columns the user chose keeps them.
  if (!m_defaultColumns) return;
  TakeDefaultColumns();
  ReloadData();
  Repaint();
}

void CIntervalView::OnGeneralUpdate(const CGenEvent& event) {
  switch (event.kind) {
    case eMeasStored:
      // Numbered 0: not stored, so no row to follow.
      if (event.meas->GetMeasNo() <= 0) break;
      FollowTaskLater(
          *event.meas,
          [this] {
            FollowData();
            m_anchor = *Interval().GetLeftCursorMeas();
            m_dragEnd = *Interval().GetRightCursorMeas();
            Repaint();
          },
          [this] { return KeepsPlace(); });
      break;
    case eTaskStarted:
      FollowSequence();
      break;
    case eTaskStopped:
      // The store writes the stop event in this same pass, perhaps after
      // this window: read once the pass is over.
      QTimer::singleShot(0, this, [this] {
        ReloadData();
        Repaint();
      });
      break;
    // An event entered at an older measurement is shown at once.
    case eUserEvent:
      ReloadData();
      Repaint();
      break;
    default:
      break;
  }
}

void CIntervalView::Activated() {
  m_activated = std::chrono::steady_clock::now();
  CMeasViewBase::Activated();
  Layer().Cursors().SetWindowData(&m_meas);
  UpdateAllViewsOfDoc(kHintCursors);
}

// --- cursor drag ---

void CIntervalView::ButtonDown(platform::CPoint p, bool shift) {
  if (m_painting) return;
  const bool activating = std::chrono::steady_clock::now() - m_activated <= std::chrono::seconds(1);
  m_activated -= std::chrono::seconds(2);
  if (activating || !Layer().Cursors().IsCursorOn()) return;
  const COMeas* m = MeasAt(p, true);
  if (m == nullptr) return;
  m_dragging = true;
  m_dragEnd = *m;
  if (!shift) m_anchor = *m;
  update();
}

void CIntervalView::MouseMove(platform::CPoint p) {
  if (!m_dragging) return;
  const COMeas* m = MeasAt(p, false);
  if (m == nullptr || m->GetMeasNo() == m_dragEnd.GetMeasNo()) return;
  m_dragEnd = *m;
  update();
}

void CIntervalView::ButtonUp(platform::CPoint p) {
  if (!m_dragging) return;
  m_dragging = false;
  if (const COMeas* m = MeasAt(p, false)) m_dragEnd = *m;
  COMeasInterval& in = Interval();
  in.SetLeftCursor(std::min(m_anchor.GetMeasNo(), m_dragEnd.GetMeasNo()));
  in.SetRightCursor(std::max(m_anchor.GetMeasNo(), m_dragEnd.GetMeasNo()));
  in.LoadData(m_buffer);
  UpdateAllViewsOfDoc(kHintCursors);
  update();
}

void CIntervalView::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const QPoint p = e->position().toPoint();
  ButtonDown(platform::CPoint(p.x(), p.y()), e->modifiers() & Qt::ShiftModifier);
}

void CIntervalView::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  MouseMove(platform::CPoint(p.x(), p.y()));
}

void CIntervalView::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const QPoint p = e->position().toPoint();
  ButtonUp(platform::CPoint(p.x(), p.y()));
}
