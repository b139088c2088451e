#include "ViewBase.h"

#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSvgGenerator>
#include <algorithm>
#include <array>

#include "COMeasObs.h"
#include "COSequence.h"
#include "DataContext.h"
#include "WindowStore.h"
#include "ui/PainterDC.h"
#include "core/Text.h"

TooManyWindows::TooManyWindows()
    : std::runtime_error(platform::Format("No more than %d windows of one kind can be open.", COMeasView::kMaxNumber)) {}

COMeasView::COMeasView(COWindowOrder& numbers, DataContext& context, int kind)
    : m_numbers(numbers), m_number(numbers.Take()), m_kind(kind), m_interval(context) {
  // Repeating the last number would give two windows one name: refuse.
  if (m_number == 0) throw TooManyWindows();
}

COMeasView::~COMeasView() { m_numbers.Release(m_number); }

std::string COMeasView::GetWindowTitle() const {
  return platform::Format(m_kind == kGraphic ? "Graphic Window %d" : "Numeric Window %d", m_number);
}

// --- CMeasViewBase ---

CMeasViewBase::CMeasViewBase(CWindowLayer& layer, CDocument* document, int type, QWidget* parent)
    : QWidget(parent), m_layer(layer), m_document(document), m_type(type) {
  if (type != kTextType) m_frameNumber = layer.Order().Take();
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  m_follow.setSingleShot(true);
  QObject::connect(&m_follow, &QTimer::timeout, this, [this] {
    if (m_followStep) m_followStep();
  });
  if (m_document) m_document->AddView(this);
  Context().GenSub().Attach(this);
}

bool CMeasViewBase::IsCalibration() const { return Context().Identity().isCalibration(); }

CMeasViewBase::~CMeasViewBase() {
  Context().GenSub().Detach(this);
  if (m_document) m_document->RemoveView(this);
  if (m_frameNumber) m_layer.Order().Release(m_frameNumber);
}

QWidget* CMeasViewBase::Frame() {
  for (QWidget* w = parentWidget(); w; w = w->parentWidget())
    if (w->inherits("QMdiSubWindow")) return w;
  return window();
}

long CMeasViewBase::SavedStyle() {
  QWidget* f = Frame();
  if (f->isMinimized()) return kStyleMinimized;
  // A cursor-value window has no maximised state to come back to.
  if (f->isMaximized() && m_type != kCursorType) return kStyleMaximized;
  return 0;
}

QRect CMeasViewBase::SavedRect() {
  QWidget* f = Frame();
  const bool iconicOrZoomed = f->isMinimized() || f->isMaximized();
  if (!iconicOrZoomed) return f->geometry();
  switch (m_type) {
    case kNumericType:
    case kGraphType:
      return f->normalGeometry().translated(0, 40);
    case kCursorType:
      return f->normalGeometry();
    default:
      return f->geometry();
  }
}

void CMeasViewBase::RestorePlacement(QWidget* frame) {
  COOpenWindows& store = m_layer.Store();
  if (!store.IsRestoring()) return;
  const COOpenWindows::Placement p = store.CurrentPlacement();
  const bool sized = m_type == kNumericType || m_type == kGraphType;
  if (sized)
    frame->setGeometry(p.rect);
  else
    frame->move(p.rect.topLeft());
  if (p.style == kStyleMinimized)
    frame->showMinimized();
  else if (p.style == kStyleMaximized && sized)
    frame->showMaximized();
}

void CMeasViewBase::Activated() {
  if (m_frameNumber) m_layer.Order().MoveToFront(m_frameNumber);
}

void CMeasViewBase::focusInEvent(QFocusEvent* e) {
  Activated();
  QWidget::focusInEvent(e);
}

void CMeasViewBase::OnUpdate(CView*, long, void*) { update(); }

void CMeasViewBase::RestoreFrame() {
  if (Frame()->isMaximized()) Frame()->showNormal();
}

void CMeasViewBase::FollowTaskLater(const COMeas& stored, std::function<void()> reread, std::function<bool()> stay) {
  FollowLater(1000, [this, time = stored.GetMeasTime(), number = stored.GetMeasNo(), reread = std::move(reread),
                     stay = std::move(stay)] {
    COMeasView* view = MeasView();
    if (view == nullptr || (stay && stay())) return;
    COCursorStatus& cursors = Layer().Cursors();
    COMeasInterval& interval = view->GetInterval();
    if (!(cursors.IsSettingsShown() && cursors.GetWindowData() == view)) interval.MoveCursorsRight();
    interval.MoveTo(time, number);
    COMeasObs* obs = Layer().MeasObs();
    if (obs && obs->IsMeasuring()) return;
    reread();
  });
}

void CMeasViewBase::OnDocumentClosing(CDocument* doc) {
  if (doc == m_document) m_document = nullptr;
  // The view's own frame goes, never the program's main window around it.
  Frame()->close();
}

void CMeasViewBase::UpdateAllViewsOfDoc(long hint) {
  if (m_document) m_document->UpdateAllViews(this, hint);
}

void CMeasViewBase::FollowLater(int milliseconds, std::function<void()> step) {
  m_followStep = std::move(step);
  // Samples that come faster than the delay must not put the step off for
  // ever: a pending step runs at its first time, with the newest request.
  if (!m_follow.isActive()) m_follow.start(milliseconds);
}

QFont CMeasViewBase::ProgramFont() const { return platform::ToQFont(m_layer.Fonts().current); }

void CMeasViewBase::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setFont(ProgramFont());
  platform::CPainterDC dc(&painter);
  Draw(dc, PaintArea());
}

int CMeasViewBase::PageCount(platform::CDC&, const platform::CSize&) { return 1; }

void CMeasViewBase::DrawPage(platform::CDC& dc, const platform::CSize&, int) {
  const platform::CSize size = ContentSize();
  Draw(dc, platform::CRect(0, 0, size.cx, size.cy));
}

void CMeasViewBase::Copy() {
  const platform::CSize size = ContentSize();
  const QSize qsize(std::max(1, static_cast<int>(size.cx)), std::max(1, static_cast<int>(size.cy)));
  QByteArray svg;
  {
    QBuffer buffer(&svg);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    generator.setSize(qsize);
    generator.setViewBox(QRect(QPoint(0, 0), qsize));
    generator.setDescription(QString::fromStdString(GetWindowTitle()));
    QPainter painter(&generator);
    painter.setFont(ProgramFont());
    platform::CPainterDC dc(&painter);
    Draw(dc, platform::CRect(0, 0, qsize.width(), qsize.height()));
  }
  // A bitmap too large for the memory (a huge font makes a huge graph) is
  // made smaller, keeping its shape.
  constexpr int kLargestSide = 8192;
  const double fit = std::min(1.0, static_cast<double>(kLargestSide) / std::max(qsize.width(), qsize.height()));
  QImage image(qsize * fit, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.scale(fit, fit);
    painter.setFont(ProgramFont());
    platform::CPainterDC dc(&painter);
    Draw(dc, platform::CRect(0, 0, qsize.width(), qsize.height()));
  }
  auto* mime = new QMimeData;
  mime->setData("image/svg+xml", svg);
  mime->setImageData(image);
  QApplication::clipboard()->setMimeData(mime);
}

void CMeasViewBase::PrintTo(QPrinter& printer) {
  QPainter painter;
  if (!painter.begin(&printer)) return;
  // Whatever the printer's resolution, a print is drawn in units of a
  // hundredth of an inch, about a screen's pixel: a line of one unit is seen
  // on paper and the windows' fixed distances keep their look.
  const double scale = printer.resolution() / static_cast<double>(kPrintUnitsPerInch);
  painter.scale(scale, scale);
  // The program's font, in a print's units as the screen's pixels.
  painter.setFont(ProgramFont());
  platform::CPainterDC dc(&painter);
  dc.SetPrinting(true);
  const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
  const platform::CSize size(static_cast<int>(page.width() / scale), static_cast<int>(page.height() / scale));
  const int pages = std::max(1, PageCount(dc, size));
  const int from = printer.fromPage() > 0 ? printer.fromPage() : 1;
  const int to = printer.toPage() > 0 ? std::min(printer.toPage(), pages) : pages;
  for (int p = from; p <= to; ++p) {
    if (p > from) printer.newPage();
    painter.save();
    DrawPage(dc, size, p);
    painter.restore();
  }
  painter.end();
}

void CMeasViewBase::Print() {
  QPrinter printer(QPrinter::HighResolution);
  if (m_layer.pageLayout.isValid()) printer.setPageLayout(m_layer.pageLayout);
  PreparePrinter(printer);
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() == QDialog::Accepted) PrintTo(printer);
}

void CMeasViewBase::PrintPreview() {
  QPrinter printer(QPrinter::HighResolution);
  if (m_layer.pageLayout.isValid()) printer.setPageLayout(m_layer.pageLayout);
  PreparePrinter(printer);
  QPrintPreviewDialog preview(&printer, this);
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { PrintTo(*p); });
  preview.exec();
}

bool CMeasViewBase::CanRun(Command command) {
  switch (command) {
    case Command::copy:
    case Command::print:
    case Command::printPreview:
      return true;
    case Command::zoomIn:
      return MeasView() != nullptr && CanZoomIn();
    case Command::zoomOut:
    case Command::first:
    case Command::back:
    case Command::forward:
    case Command::last:
    case Command::properties:
      return MeasView() != nullptr;
    default:
      return false;
  }
}

void CMeasViewBase::Run(Command command) {
  switch (command) {
    case Command::copy: Copy(); break;
    case Command::print: Print(); break;
    case Command::printPreview: PrintPreview(); break;
    case Command::zoomIn: OnZoomIn(); break;
    case Command::zoomOut: OnZoomOut(); break;
    case Command::first: OnMoveFirst(); break;
    case Command::back: OnScrollBack(); break;
    case Command::forward: OnScrollForward(); break;
    case Command::last: OnMoveLast(); break;
    case Command::properties: OnWindowProperties(); break;
    default: break;
  }
}

CMainFrame::Command ViewCommand(CMainFrame& frame, CMainFrame::Command command, CMeasViewBase::Command which) {
  CMainFrame* f = &frame;
  command.run = [f, which] {
    if (auto* view = dynamic_cast<CMeasViewBase*>(f->ActiveView()); view && view->CanRun(which)) view->Run(which);
  };
  command.enabled = [f, which] {
    auto* view = dynamic_cast<CMeasViewBase*>(f->ActiveView());
    return view != nullptr && view->CanRun(which);
  };
  return command;
}

QMdiSubWindow* ShowView(CMainFrame& frame, CMeasViewBase* view) {
  view->setAttribute(Qt::WA_DeleteOnClose);
  QMdiSubWindow* sub = frame.AddWindow(view);
  // A window is active for the order of windows whether or not it has the
  // keyboard focus.
  QObject::connect(sub, &QMdiSubWindow::aboutToActivate, view, [view] { view->Activated(); });
  sub->setWindowTitle(QString::fromStdString(view->GetWindowTitle()));
  if (view->minimumSize() == view->maximumSize()) {
    // A form of fixed size keeps its size: it can be minimised, not resized
    // or maximised; it stands at the top of its frame, as a form does.
    sub->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint);
    if (QLayout* layout = sub->layout()) {
      layout->setSizeConstraint(QLayout::SetFixedSize);
      layout->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    }
  } else if (sub->height() < 150) {
    // A view without a size of its own (a table, a graph) opens at a size to
    // read it by.
    sub->resize(560, 360);
  }
  view->RestorePlacement(sub);
  if (!sub->isVisible()) sub->show();
  frame.MdiArea()->setActiveSubWindow(sub);
  return sub;
}
