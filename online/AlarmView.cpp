#include "AlarmView.h"

#include <QGridLayout>
#include <QLabel>

#include "AlarmActions.h"
#include "COGenSub.h"
#include "COSequence.h"
#include "DataContext.h"

CAlarmsView::CAlarmsView(CWindowLayer& layer, CDocument* document, COAlarmStatus& status, QWidget* parent)
    : CMeasViewBase(layer, document, kAlarmType, parent),
      m_status(status),
      m_list(layer.Data(), this),
      m_confirm("&Confirm", this),
      m_confirmAll("Confirm &All", this) {
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel("Current Alarms:", this), 0, 0, 1, 2);
  grid->addWidget(&m_list, 1, 0, 1, 2);
  grid->addWidget(&m_confirm, 2, 0);
  grid->addWidget(&m_confirmAll, 2, 1);
  QObject::connect(&m_confirm, &QPushButton::clicked, this, [this] { ConfirmSelected(); });
  QObject::connect(&m_confirmAll, &QPushButton::clicked, this, [this] { ConfirmAll(); });
  // A fixed size, as the form it shows.
  setFixedSize(360, 220);
  m_status.m_alarmWindowOpen = true;
  ShowAlarms();
}

CAlarmsView::~CAlarmsView() { m_status.m_alarmWindowOpen = false; }

void CAlarmsView::Draw(platform::CDC& dc, const platform::CRect& client) { dc.FillSolidRect(client, platform::RGB(240, 240, 240)); }

void CAlarmsView::ShowAlarms() {
  m_list.ResetContent();
  const std::vector<COAlarm>& alarms = Context().ActiveSequence().GetAlarms();
  for (size_t i = 0; i < alarms.size(); ++i)
    if (alarms[i].IsTriggered()) m_list.InsertAlarm(alarms[i], static_cast<int>(i));
}

void CAlarmsView::OnUpdate(CView*, long hint, void*) {
  if (hint == kHintTaskChanged) ShowAlarms();
}

void CAlarmsView::OnGeneralUpdate(const CGenEvent& event) {
  if (event.kind == eMeasStored) ShowAlarms();
}

void CAlarmsView::ConfirmSelected() {
  m_list.ConfirmSelected();
  ShowAlarms();
}

void CAlarmsView::ConfirmAll() {
  m_list.ConfirmAll();
  ShowAlarms();
}
