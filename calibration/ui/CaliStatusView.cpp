#include "CaliStatusView.h"

#include "COCaliMeasObs.h"
#include "StatusTexts.h"

namespace {

// Dialog units of the form to pixels.
QRect Place(int x, int y, int w, int h) { return QRect(x * 2, y * 2, w * 2, h * 2); }

}  // namespace

CCaliStatusView::CCaliStatusView(CWindowLayer& layer, CDocument* document, COCaliMeasObs& obs,
                                 Calibrator& calibrator, QWidget* parent)
    : CMeasViewBase(layer, document, kStatusType, parent), m_obs(obs), m_calibrator(calibrator) {
  const std::pair<int, const char*> rows[] = {{kState, "Measurement:"},       {kZero, "Zero point:"},
                                              {kHumidity, "Humidity:"},       {kSpan, "Gas span:"},
                                              {kSpanAgain, "Conversion factor:"}, {kCross, "Cross interference:"}};
  auto* heading = new QLabel("Status Information", this);
  heading->setGeometry(Place(7, 4, 180, 8));
  int y = 16;
  for (const auto& r : rows) {
    if (r.first == kZero) {
      auto* values = new QLabel("Calibration values", this);
      values->setGeometry(Place(7, y + 2, 180, 8));
      y += 14;
    }
    auto* caption = new QLabel(r.second, this);
    caption->setGeometry(Place(14, y, 78, 8));
    auto* text = new QLabel(this);
    text->setGeometry(Place(94, y, 90, 8));
    m_labels[r.first] = text;
    y += 12;
  }
  setFixedSize(Place(0, 0, 192, y + 4).size());
  m_obs.Attach(&m_observer);
  m_obs.SetStatusViewOpen(true);
  Refresh();
}

CCaliStatusView::~CCaliStatusView() {
  m_obs.SetStatusViewOpen(false);
  m_obs.Detach(&m_observer);
}

std::string CCaliStatusView::Text(int control) const {
  const auto it = m_labels.find(control);
  return it == m_labels.end() ? std::string() : it->second->text().toStdString();
}

void CCaliStatusView::Refresh() {
  const std::array<std::string, 6> texts = CalibrationStatusTexts(m_obs.GetStatusText(), m_calibrator);
  const int ids[] = {kState, kZero, kHumidity, kSpan, kSpanAgain, kCross};
  for (size_t i = 0; i < 6; ++i) m_labels[ids[i]]->setText(QString::fromStdString(texts[i]));
}

void CCaliStatusView::Draw(platform::CDC& dc, const platform::CRect& client) { dc.FillSolidRect(client, platform::RGB(240, 240, 240)); }
