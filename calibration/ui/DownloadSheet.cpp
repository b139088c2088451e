#include "DownloadSheet.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QFrame>
#include <QPalette>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "BankValues.h"
#include "COCaliMeasObs.h"
#include "COCaliSequence.h"
#include "COSystemSetup.h"
#include "CaliServices.h"
#include "CaliValues.h"
#include "CalibrationStrings.h"
#include "Calibrator.h"
#include "DBUtil.h"
#include "FilterCopies.h"
#include "ProgramContext.h"
#include "SequencePage.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"
#include "core/Text.h"
#include "ui/DataExchange.h"

namespace calibration {

namespace {

const char* Caption(int templateId) {
  switch (templateId) {
    case CODownloadPage::kZeroPointPage: return "Zero Point";
    case CODownloadPage::kHumidityPage: return "Humidity Interference";
    default: return "Gas";
  }
}

std::string BankName(int filter, int bank) {
  return filter == Calibrator::kWater ? "W" : platform::Format("%c%d", 'A' + filter, bank + 1);
}

std::string List(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text.empty() ? "(none)" : text;
}

}  // namespace

// --- page ---

CODownloadPage::CODownloadPage(CaliContext& context, int templateId)
    : platform::CPropertyPage(templateId, Caption(templateId)), m_context(context), m_template(templateId) {
  const COCaliSequence& sequence = context.sequence;
  for (int f = 0; f < 5; ++f)
    for (int b = 0; b < 5; ++b) m_check[f][b] = sequence.IsGasDefined(f) && b == sequence.GetActiveBank(f) ? 1 : 0;

  auto* layout = new QVBoxLayout(this);
  auto* frame = new QGroupBox("Download Values To Banks", this);
  AddItem(kFrame, frame);
  auto* grid = new QGridLayout(frame);
  auto* bank = new QLabel("Bank", frame);
  bank->setAlignment(Qt::AlignCenter);
  grid->addWidget(bank, 0, 1, 1, 5);
  for (int b = 0; b < 5; ++b) {
    auto* number = new QLabel(QString::number(b + 1), frame);
    number->setAlignment(Qt::AlignCenter);
    grid->addWidget(number, 1, b + 1);
  }
  // Each box sits in a cell of its own, whose colour marks it.
  auto box = [this, frame, grid](int id, int row, int column) {
    auto* cell = new QFrame(frame);
    cell->setFixedSize(24, 24);
    auto* cl = new QHBoxLayout(cell);
    cl->setContentsMargins(0, 0, 0, 0);
    auto* check = new QCheckBox(cell);
    // The box keeps its own colours inside a coloured cell.
    QPalette own = check->palette();
    own.setColor(QPalette::Window, own.color(QPalette::Window));
    check->setPalette(own);
    cl->addWidget(check, 0, Qt::AlignCenter);
    AddItem(id, check);
    grid->addWidget(cell, row, column, Qt::AlignCenter);
  };
  for (int f = 0; f < 5; ++f) {
    auto* name = new QLabel(frame);
    AddItem(kRowLabels[f], name);
    grid->addWidget(name, f + 2, 0);
    for (int b = 0; b < 5; ++b) box(kBoxes[f][b], f + 2, b + 1);
  }
  auto* water = new QLabel("W: Water Vapour", frame);
  AddItem(kWaterLabel, water);
  grid->addWidget(water, 7, 0);
  box(kWater, 7, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnMinimumWidth(0, 140);
  layout->addWidget(frame);

  auto* buttons = new QHBoxLayout;
  auto* all = new QPushButton("Select All", this);
  auto* none = new QPushButton("Unselect All", this);
  AddItem(kSelectAll, all);
  AddItem(kUnselectAll, none);
  buttons->addWidget(all);
  buttons->addWidget(none);
  buttons->addStretch();
  layout->addLayout(buttons);
  layout->addStretch();
  QObject::connect(all, &QPushButton::clicked, this, [this] { OnSelectAll(); });
  QObject::connect(none, &QPushButton::clicked, this, [this] { OnUnselectAll(); });
}

unsigned CODownloadPage::Groups() const {
  switch (m_template) {
    case kZeroPointPage: return groupOffset;
    case kHumidityPage: return groupHumidity;
    default: return groupSpan | groupCross;
  }
}

CODownloadPage::Mark CODownloadPage::BoxMark(int filter, int bank) const {
  const COCaliSequence& sequence = m_context.sequence;
  if (!sequence.IsGasDefined(filter)) return kNoMark;
  if (bank == sequence.GetActiveBank(filter)) return kActiveMark;
  const BankInfo& held = m_context.meas.GetMonitorSetup().GetFilter(filter).GetBank(bank);
  const MeasValue value = m_template == kZeroPointPage  ? held.m_concOffset
                          : m_template == kHumidityPage ? held.m_humiGain
                                                        : held.m_spanLow;
  return value.IsValid() ? kHoldsValueMark : kNoMark;
}

void CODownloadPage::ShowMarks() {
  auto paint = [this](int id, Mark mark) {
    QWidget* box = GetDlgItem(id);
    if (box == nullptr) return;
    QWidget* cell = box->parentWidget();
    cell->setAutoFillBackground(mark != kNoMark);
    if (mark == kNoMark) return;
    QPalette palette = cell->palette();
    palette.setColor(QPalette::Window, mark == kActiveMark ? Qt::black : Qt::red);
    cell->setPalette(palette);
  };
  paint(kWater, kActiveMark);
  for (int f = 0; f < 5; ++f)
    for (int b = 0; b < 5; ++b) paint(kBoxes[f][b], BoxMark(f, b));
}

bool CODownloadPage::OnInitDialog() {
  if (m_template == kHumidityPage) {
    ShowDlgItems(*this, {kWater, kWaterLabel}, false);
    GetDlgItem(kWater)->parentWidget()->hide();
  }
  for (int f = 0; f < 5; ++f) {
    if (m_context.sequence.IsGasDefined(f)) continue;
    for (int b = 0; b < 5; ++b) EnableDlgItems(*this, {kBoxes[f][b]}, false);
  }
  ShowMarks();
  return platform::CPropertyPage::OnInitDialog();
}

void CODownloadPage::DoDataExchange(platform::CDataExchange* dx) {
  if (!dx->m_bSaveAndValidate)
    for (int f = 0; f < 5; ++f) SetDlgItemText(kRowLabels[f], m_context.sequence.GetGasName(f));
  platform::DDX_Check(dx, kWater, m_waterCheck);
  for (int f = 0; f < 5; ++f)
    for (int b = 0; b < 5; ++b) platform::DDX_Check(dx, kBoxes[f][b], m_check[f][b]);
}

void CODownloadPage::SelectAll(bool on) {
  auto set = [this, on](int id) {
    if (auto* box = qobject_cast<QCheckBox*>(GetDlgItem(id))) box->setChecked(on);
  };
  set(kWater);
  for (int f = 0; f < 5; ++f) {
    if (!m_context.sequence.IsGasDefined(f)) continue;
    for (int b = 0; b < 5; ++b) set(kBoxes[f][b]);
  }
}

// --- sheet ---

CODownloadSheet::CODownloadSheet(CaliContext& context, QWidget* parent)
    : platform::CPropertySheet("Download", parent),
      m_context(context),
      m_zero(context, CODownloadPage::kZeroPointPage),
      m_humidity(context, CODownloadPage::kHumidityPage),
      m_gas(context, CODownloadPage::kGasPage) {
  AddPage(&m_zero);
  AddPage(&m_humidity);
  AddPage(&m_gas);
  SetDlgItemText(ID_EDIT_VALUES, "Edit Values...");
}

bool CODownloadSheet::OnInitDialog() {
  if (QWidget* edit = GetDlgItem(ID_EDIT_VALUES)) edit->setEnabled(true);
  return platform::CPropertySheet::OnInitDialog();
}

void CODownloadSheet::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    OpenManual(m_context.program.Setup());
    return;
  }
  platform::CPropertySheet::keyPressEvent(event);
}

void CODownloadSheet::OnEditValues() {
  COCaliValues values(m_context, this);
  values.DoModal();
  if (platform::CPropertyPage* page = GetActivePage()) page->UpdateData(true);
}

unsigned CODownloadSheet::MaskOf(int filter, int bank) const {
  if (filter == Calibrator::kWater)
    return (m_zero.m_waterCheck ? unsigned{groupOffset} : 0u) | (m_gas.m_waterCheck ? unsigned{groupSpan} : 0u);
  unsigned mask = 0;
  for (const CODownloadPage* page : {&m_zero, &m_humidity, &m_gas})
    if (page->m_check[filter][bank]) mask |= page->Groups();
  return mask;
}

bool CODownloadSheet::DownloadBank(int filter, int bank, unsigned mask) {
  DeviceKovo& device = m_context.meas.GetDevice();
  const int concUnit = m_context.program.Setup().GetGasConcUnit().GetUnit();
  COCaliMessageClient client(&device, false);
  const bool ok = client.Run(IDS_CALI_DOWNLOADING_VALUES,
                             CreateCalibrationDownloadService(device, m_context.program.Instrument(), concUnit,
                                                              m_context.calibrator.Calculated(filter), &client,
                                                              bank, mask));
  if (ok) m_context.calibrator.MarkDownloaded(filter, mask);
  (ok ? m_reached : m_missed).push_back(BankName(filter, bank));
  return ok;
}

void CODownloadSheet::DownloadHeld(int filter, int bank, unsigned mask) {
  if (mask == 0) return;
  const unsigned held = mask & m_context.calibrator.HeldGroups(filter);
  // A span without cross factors is a whole span: only the kinds of the
  // pages are told.
  for (const CODownloadPage* page : {&m_zero, &m_humidity, &m_gas}) {
    const unsigned kind = page->Groups() & ~unsigned{groupCross};
    if ((mask & kind) == 0 || (held & kind) != 0) continue;
    const std::string entry = std::string(Caption(page->GetTemplateKind())) + ": ";
    const std::string name = BankName(filter, bank);
    auto same = std::find_if(m_refused.begin(), m_refused.end(),
                             [&entry](const std::string& e) { return e.compare(0, entry.size(), entry) == 0; });
    if (same == m_refused.end())
      m_refused.push_back(entry + name);
    else
      *same += ", " + name;
  }
  if (held != 0) DownloadBank(filter, bank, held);
}

bool CODownloadSheet::Download() {
  m_reached.clear();
  m_missed.clear();
  m_refused.clear();
  for (int f = 0; f < 5; ++f)
    for (int b = 0; b < 5; ++b) DownloadHeld(f, b, MaskOf(f, b));
  DownloadHeld(Calibrator::kWater, 0, MaskOf(Calibrator::kWater, 0));
  COFilterCopies copies(m_context.program, m_context.meas, m_context.sequence, m_context.calibrator);
  copies.RewriteCurrentSet();

  std::vector<std::string> parts;
  if (!m_missed.empty())
    parts.push_back(platform::Format(platform::LoadString(IDS_CALI_DOWNLOAD_PARTLY).c_str(), List(m_reached).c_str(),
                                     List(m_missed).c_str()));
  else if (!m_reached.empty())
    parts.push_back(platform::Format(platform::LoadString(IDS_CALI_DOWNLOAD_DONE).c_str(), List(m_reached).c_str()));
  if (!m_refused.empty()) {
    std::string kinds;
    for (const std::string& r : m_refused) kinds += (kinds.empty() ? "" : "\n") + r;
    parts.push_back(platform::Format(platform::LoadString(IDS_CALI_NO_VALUES_TO_DOWNLOAD).c_str(), kinds.c_str()));
  }
  if (parts.empty()) parts.push_back(platform::LoadString(IDS_CALI_NOTHING_TO_DOWNLOAD));
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : "\n\n") + part;
  ShowMessageText(text);
  return m_missed.empty();
}

int RunDownloadSheet(CaliContext& context, QWidget* parent) {
  CODownloadSheet sheet(context, parent);
  const int result = sheet.DoModal();
  if (result == platform::IDOK) sheet.Download();
  return result;
}

}  // namespace calibration
