#include "GraphProperties.h"

#include <QColorDialog>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "COSequence.h"
#include "COSystemSetup.h"
#include "DBUtil.h"
#include "DataContext.h"
#include "InstrumentInfo.h"
#include "ObjAssign.h"
#include "StringIds.h"
#include "core/StringTable.h"
#include "core/Text.h"
#include "ui/DataExchange.h"
#include "ui/SpinButton.h"

namespace {

constexpr int kTime = 1074, kNumber = 1089, kAverage = 1024, kAverageUnit = 1087;
constexpr int kCount = 1091, kCountSpin = 1022, kSpan = 1092, kSpanSpin = 1093;
constexpr int kAverageCount = 1071, kAverageCountSpin = 1084, kAverageTime = 1072, kAverageTimeSpin = 1085;
constexpr int kScaleAuto = 1074, kScaleFromZero = 1045, kScaleOff = 1046, kMax = 1075, kMin = 1076;
constexpr int kList = 1089, kParameter = 1079, kUnit = 1078, kColour = 1028, kStyle = 1030;
constexpr int kAddNew = 1085, kInsertBefore = 1087, kRemove = 1088, kDefine = 1029;
constexpr float kLimit = 100000.0f;

void (*const kTextInt)(platform::CDataExchange*, int, int&) = platform::DDX_Text;

}  // namespace

// --- interval page ---

COXAxisPage::COXAxisPage(QWidget* parent)
    : platform::CPropertyPage(130, "Interval", parent), m_count(IDS_ENTER_NUMBER_BETWEEN),
      m_averageCount(IDS_ENTER_NUMBER_BETWEEN) {
  auto* grid = new QGridLayout(this);
  m_byTime = new QRadioButton("Time", this);
  m_byNumber = new QRadioButton("Measurement Number", this);
  m_modes.addButton(m_byTime);
  m_modes.addButton(m_byNumber);
  AddItem(kTime, m_byTime);
  AddItem(kNumber, m_byNumber);
  auto edit = [this](int id, int spinId) {
    auto* e = new QLineEdit(this);
    auto* s = new platform::CSpinButtonCtrl(this);
    AddItem(id, e);
    AddItem(spinId, s);
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(e);
    row->addWidget(s);
    return row;
  };
  grid->addWidget(m_byTime, 0, 0);
  grid->addLayout(edit(kSpan, kSpanSpin), 0, 1, Qt::AlignLeft);
  grid->addWidget(m_byNumber, 1, 0);
  grid->addLayout(edit(kCount, kCountSpin), 1, 1, Qt::AlignLeft);
  auto* average = new QCheckBox("Rolling Average:", this);
  AddItem(kAverage, average);
  grid->addWidget(average, 2, 0);
  auto* averages = new QHBoxLayout;
  averages->addLayout(edit(kAverageCount, kAverageCountSpin));
  averages->addLayout(edit(kAverageTime, kAverageTimeSpin));
  auto* unit = new QLabel(this);
  AddItem(kAverageUnit, unit);
  averages->addWidget(unit);
  averages->addStretch(1);
  grid->addLayout(averages, 2, 1);
  grid->setRowStretch(3, 1);
  for (QRadioButton* r : {m_byTime, m_byNumber})
    QObject::connect(r, &QRadioButton::clicked, this, [this] { UpdateModeFields(); });
}

bool COXAxisPage::OnInitDialog() {
  m_timeSpan.Attach(this, kSpan, kSpanSpin);
  m_count.SubclassDlgItems(kCount, kCountSpin, this);
  m_count.SetRange(1, 100000);
  m_averageCount.SubclassDlgItems(kAverageCount, kAverageCountSpin, this);
  m_averageCount.SetRange(1, 5000);
  m_averageTime.Attach(this, kAverageTime, kAverageTimeSpin);
  for (QWidget* e : {static_cast<QWidget*>(&m_timeSpan), static_cast<QWidget*>(&m_count),
                     static_cast<QWidget*>(&m_averageCount), static_cast<QWidget*>(&m_averageTime)})
    e->setFixedWidth(90);
  m_count.installEventFilter(this);
  m_timeSpan.installEventFilter(this);
  const bool ok = platform::CPropertyPage::OnInitDialog();
  UpdateModeFields();
  return ok;
}

bool COXAxisPage::eventFilter(QObject* watched, QEvent* event) {
  // Entering a length chooses its mode.
  if (event->type() == QEvent::FocusIn && (watched == &m_count || watched == &m_timeSpan)) {
    (watched == &m_count ? m_byNumber : m_byTime)->setChecked(true);
    UpdateModeFields();
  }
  return platform::CPropertyPage::eventFilter(watched, event);
}

void COXAxisPage::UpdateModeFields() {
  const bool byTime = m_byTime->isChecked();
  auto show = [](QWidget* w, bool shown) { w->setVisible(shown); };
  if (!byTime && m_shownMode != 1) {
    m_averageCount.SetValue(m_averageTime.GetSeconds() / 60);
    SetDlgItemText(kAverageUnit, "measurements");
    show(&m_averageCount, true);
    show(&m_averageCount.GetSpin(), true);
    show(&m_averageTime, false);
    show(&m_averageTime.GetSpin(), false);
    m_shownMode = 1;
  } else if (byTime && m_shownMode != 0) {
    m_averageTime.SetSeconds(m_averageCount.GetValue() * 60);
    SetDlgItemText(kAverageUnit, "DD:HH:MM");
    show(&m_averageTime, true);
    show(&m_averageTime.GetSpin(), true);
    show(&m_averageCount, false);
    show(&m_averageCount.GetSpin(), false);
    m_shownMode = 0;
  }
}

void COXAxisPage::DoDataExchange(platform::CDataExchange* dx) {
  ObjAssign<int, COMeasInterval> length(m_interval, &COMeasInterval::GetCount, &COMeasInterval::SetLength);
  ObjAssign<int, COMeasInterval> mode(m_interval, &COMeasInterval::GetMeasMode, &COMeasInterval::SetMeasMode);
  ObjAssign<int, COMeasInterval> average(m_interval, &COMeasInterval::GetMeasAvg, &COMeasInterval::SetMeasAvg);
  if (!dx->m_bSaveAndValidate) {
    length.Exchange(dx, kCount, kTextInt);
    mode.Exchange(dx, kTime, platform::DDX_Radio);
    average.Exchange(dx, kAverage, platform::DDX_Check);
    m_averageTime.SetSeconds(m_interval->GetInterval() * 60);
    m_averageCount.SetValue(m_interval->GetInterval());
    m_timeSpan.SetSeconds(static_cast<int>(m_interval->GetTimeSpan()));
    return;
  }
  const bool byTime = m_byTime->isChecked();
  if (!byTime) {
    m_count.DDXValidate(dx);
    m_averageCount.DDXValidate(dx);
  } else {
    // 00:00:01 to 30:00:00, and a rolling average of at most 01:00:00.
    m_timeSpan.DDXValidate(dx, 1, 108000);
    m_averageTime.DDXValidate(dx, 1, 3600);
  }
  length.Exchange(dx, kCount, kTextInt);
  mode.Exchange(dx, kTime, platform::DDX_Radio);
  average.Exchange(dx, kAverage, platform::DDX_Check);
  m_interval->SetInterval(byTime ? m_averageTime.GetSeconds() / 60 : m_averageCount.GetValue());
  // A span that does not read (by number it is not checked) keeps the old.
  if (m_timeSpan.GetSeconds() > 0) m_interval->SetTimeSpan(m_timeSpan.GetSeconds());
}

// --- Y-axis pages ---

std::vector<std::pair<int, std::string>> OfferedChannels(DataContext& context) {
  std::vector<std::pair<int, std::string>> offered;
  const COSequence& seq = context.ActiveSequence();
  const ProgramProfile& program = context.Profile();
  for (int ch = 0; ch <= 5; ++ch)
    if (program.lockedFiltersOnly ? seq.IsFilterLocked(ch) : seq.IsGasDefined(ch))
      offered.emplace_back(ch, context.WindowSequence().ChannelName(ch));
  if (program.temperatureColumn) offered.emplace_back(6, "Temperature");
  if (program.pressureAlways || context.Instrument().isTebb()) offered.emplace_back(7, "Pressure");
  return offered;
}

COYAxisPage::COYAxisPage(DataContext& context, int templateId, const std::string& caption, QWidget* parent)
    : platform::CPropertyPage(templateId, caption, parent), m_context(context), m_working(context) {
  chooseColour = [this](platform::COLORREF& colour) {
    const QColor c = QColorDialog::getColor(QColor(platform::GetRValue(colour), platform::GetGValue(colour),
                                                   platform::GetBValue(colour)),
                                            this);
    if (!c.isValid()) return false;
    colour = platform::RGB(c.red(), c.green(), c.blue());
    return true;
  };
  auto* layout = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;
  auto* scale = new QGroupBox(this);
  auto* scaleGrid = new QGridLayout(scale);
  const char* modes[] = {"Autoscale maximum and minimum", "Autoscale maximum (minimum = 0)", "Autoscale off:"};
  const int modeIds[] = {kScaleAuto, kScaleFromZero, kScaleOff};
  for (int k = 0; k < 3; ++k) {
    auto* r = new QRadioButton(modes[k], scale);
    m_scaleModes.addButton(r);
    AddItem(modeIds[k], r);
    scaleGrid->addWidget(r, k, 0, 1, 2);
  }
  m_max = new QLineEdit(scale);
  m_min = new QLineEdit(scale);
  AddItem(kMax, m_max);
  AddItem(kMin, m_min);
  scaleGrid->addWidget(new QLabel("Max:", scale), 3, 0);
  scaleGrid->addWidget(m_max, 3, 1);
  scaleGrid->addWidget(new QLabel("Min:", scale), 4, 0);
  scaleGrid->addWidget(m_min, 4, 1);
  m_max->installEventFilter(this);
  m_min->installEventFilter(this);
  left->addWidget(scale);
  left->addWidget(&m_list, 1);
  AddItem(kList, &m_list);
  layout->addLayout(left, 1);

  auto* curve = new QGroupBox("Single Curve Setup", this);
  auto* grid = new QGridLayout(curve);
  const bool byType = context.Profile().calibrationWindows;
  grid->addWidget(new QLabel(byType ? "Select type:" : "Select parameter:", curve), 0, 0);
  grid->addWidget(&m_parameter, 0, 1);
  grid->addWidget(new QLabel("Select unit:", curve), 1, 0);
  grid->addWidget(&m_unit, 1, 1);
  grid->addWidget(new QLabel("Select colour:", curve), 2, 0);
  grid->addWidget(&m_colour, 2, 1);
  auto* define = new QPushButton("Define...", curve);
  grid->addWidget(define, 2, 2);
  grid->addWidget(new QLabel("Select style:", curve), 3, 0);
  grid->addWidget(&m_style, 3, 1);
  for (QComboBox* combo : {static_cast<QComboBox*>(&m_parameter), static_cast<QComboBox*>(&m_unit),
                           static_cast<QComboBox*>(&m_colour), static_cast<QComboBox*>(&m_style)})
    combo->setMinimumWidth(150);
  AddItem(kParameter, &m_parameter);
  AddItem(kUnit, &m_unit);
  AddItem(kColour, &m_colour);
  AddItem(kStyle, &m_style);
  AddItem(kDefine, define);
  auto* buttons = new QHBoxLayout;
  const std::pair<int, const char*> names[] = {{kAddNew, "Add New"}, {kInsertBefore, "Insert Before"}, {kRemove, "Remove"}};
  for (const auto& [id, text] : names) {
    auto* b = new QPushButton(text, curve);
    AddItem(id, b);
    buttons->addWidget(b);
  }
  grid->addLayout(buttons, 4, 0, 1, 3);
  grid->setRowStretch(5, 1);
  layout->addWidget(curve, 1);

  QObject::connect(static_cast<QPushButton*>(GetDlgItem(kAddNew)), &QPushButton::clicked, this, [this] { OnAddNew(); });
  QObject::connect(static_cast<QPushButton*>(GetDlgItem(kInsertBefore)), &QPushButton::clicked, this,
                   [this] { OnInsertBefore(); });
  QObject::connect(static_cast<QPushButton*>(GetDlgItem(kRemove)), &QPushButton::clicked, this, [this] { OnRemove(); });
  QObject::connect(define, &QPushButton::clicked, this, [this] { OnDefineColour(); });
  QObject::connect(&m_parameter, &QComboBox::activated, this, [this] { OnParameterChange(); });
  for (CComboBox* combo : {static_cast<CComboBox*>(&m_unit), static_cast<CComboBox*>(&m_colour),
                           static_cast<CComboBox*>(&m_style)})
    QObject::connect(combo, &QComboBox::activated, this, [this] { UpdateControls(); });
  QObject::connect(&m_list, &QListWidget::currentRowChanged, this, [this] {
    if (!m_updating) OnListSelect();
  });
}

COYAxisPage::~COYAxisPage() = default;

void COYAxisPage::SetTarget(COMeasInterval* interval, int axis) {
  m_interval = interval;
  m_axis = axis;
}

std::vector<const CColumn*> COYAxisPage::Curves() const {
  std::vector<const CColumn*> out;
  for (const auto& c : m_curves) out.push_back(c.get());
  return out;
}

void COYAxisPage::ClearCurves() {
  m_updating = true;
  m_list.ResetContent();
  m_updating = false;
  m_curves.clear();
}

bool COYAxisPage::OnInitDialog() {
  m_style.SetColumn(&m_working);
  m_colour.FillColors();
  m_style.FillStyles();
  const bool ok = platform::CPropertyPage::OnInitDialog();
  m_working.SetSequence(&m_context.WindowSequence(), m_interval);
  const ProgramProfile& program = m_context.Profile();
  for (const auto& [channel, name] : OfferedChannels(m_context)) m_parameter.AddItem(name, channel);
  if (m_list.GetCount() > 0) Select(0);
  m_parameter.SetCurSel(0);
  m_colour.SetCurSel(6);
  m_style.SetCurSel(0);
  FillUnitCombo(program, m_parameter.GetSelItemData(), m_unit, m_context.Setup().GetTempUnit());
  m_unit.SetCurSel(program.signalChannels ? 1 : m_context.Setup().GetGasConcUnit().GetUnit());
  UpdateControls();
  UpdateControls();
  return ok;
}

void COYAxisPage::UpdateControls() {
  if (m_updating) return;
  m_working.SetChannel(static_cast<unsigned char>(m_parameter.GetSelItemData()));
  if (m_unit.GetCurSel() >= 0) m_working.SetUnit(static_cast<unsigned char>(m_unit.GetCurSel()));
  if (m_customColourChosen)
    m_customColourChosen = false;
  else if (m_colour.GetCurSel() >= 0)
    m_working.SetColorIndex(static_cast<unsigned char>(m_colour.GetCurSel()));
  if (m_style.GetCurSel() >= 0) m_working.SetPenStyle(static_cast<unsigned char>(m_style.GetCurSel()));
  ShowWorking();
}

void COYAxisPage::ShowWorking() {
  m_updating = true;
  const int channel = m_working.GetChannel();
  if (channel == 6 && !m_context.Profile().signalChannels)
    FillTempUnitCombo(m_unit);
  else
    FillUnitCombo(m_context.Profile(), channel, m_unit, m_context.Setup().GetTempUnit());
  m_unit.SetCurSel(m_working.GetUnit() < m_unit.GetCount() ? m_working.GetUnit() : -1);
  m_parameter.SelectItemData(channel);
  if (m_working.GetColorIndex() == 7) {
    // The custom entry carries this column's colour.
    if (m_colour.GetCount() > 7) m_colour.removeItem(7);
    m_colour.AddColor(m_working.GetCustomColor());
    m_colour.SetCurSel(7);
  } else {
    m_colour.SetCurSel(m_working.GetColorIndex());
  }
  m_style.SetCurSel(m_working.GetPenStyle());
  m_style.update();
  m_updating = false;
}

void COYAxisPage::OnParameterChange() {
  UpdateControls();
  const int channel = m_parameter.GetSelItemData();
  const COSystemSetup& setup = m_context.Setup();
  const bool bySignal = m_context.Profile().signalChannels;
  int unit = m_working.GetUnit();
  if (bySignal && channel <= 5)
    unit = 1;  // the detector signal in µV
  else if (channel <= 4)
    unit = setup.GetGasConcUnit().GetUnit();
  else if (channel == 5)
    unit = setup.GetHumidityUnit().GetUnit();
  else if (channel == 6)
    unit = setup.GetTempUnit().GetUnit();
  else if (channel == 7)
    unit = setup.GetPressureUnit().GetUnit();
  if (channel == 6 && !bySignal)
    FillTempUnitCombo(m_unit);
  else if (channel == 7)
    FillPresUnitCombo(m_unit);
  else
    FillUnitCombo(m_context.Profile(), channel, m_unit, setup.GetTempUnit());
  m_unit.SetCurSel(unit < m_unit.GetCount() ? unit : -1);
  UpdateControls();
}

CColumn COYAxisPage::NewCurve() const {
  CColumn c = m_working;
  c.SetSequence(&m_context.WindowSequence(), m_interval);
  c.SetAxis(static_cast<unsigned char>(m_axis));
  return c;
}

void COYAxisPage::Select(int row) {
  m_updating = true;
  m_list.SetCurSel(row);
  m_updating = false;
  OnListSelect();
}

void COYAxisPage::OnAddNew() {
  m_curves.push_back(std::make_unique<CColumn>(NewCurve()));
  Select(m_list.AddColumn(m_curves.back().get()));
}

void COYAxisPage::OnInsertBefore() {
  const int row = m_list.GetCurSel();
  if (row < 0 || row >= static_cast<int>(m_curves.size())) return;
  m_curves.insert(m_curves.begin() + row, std::make_unique<CColumn>(NewCurve()));
  m_updating = true;
  const int at = m_list.InsertColumn(row, m_curves[static_cast<size_t>(row)].get());
  m_updating = false;
  Select(at);
}

void COYAxisPage::OnRemove() {
  const int row = m_list.GetCurSel();
  if (row < 0 || row >= static_cast<int>(m_curves.size())) return;
  m_updating = true;
  m_list.DeleteString(row);
  m_updating = false;
  m_curves.erase(m_curves.begin() + row);
  if (!m_curves.empty()) Select(row > 0 ? row - 1 : 0);
}

void COYAxisPage::OnDefineColour() {
  platform::COLORREF colour = m_working.GetColor();
  if (!chooseColour || !chooseColour(colour)) return;
  m_working.SetCustomColor(colour);
  m_customColourChosen = true;
  UpdateControls();
}

void COYAxisPage::OnListSelect() {
  const int row = m_list.GetCurSel();
  if (row < 0 || row >= static_cast<int>(m_curves.size())) return;
  m_working = *m_curves[static_cast<size_t>(row)];
  ShowWorking();
}

bool COYAxisPage::OnSetActive() {
  const bool ok = platform::CPropertyPage::OnSetActive();
  if (m_list.GetCount() > 0) Select(0);
  return ok;
}

bool COYAxisPage::eventFilter(QObject* watched, QEvent* event) {
  // Typing a limit turns the autoscaling off.
  if (event->type() == QEvent::FocusIn && (watched == m_max || watched == m_min))
    m_scaleModes.buttons()[2]->setChecked(true);
  return platform::CPropertyPage::eventFilter(watched, event);
}

void COYAxisPage::DoDataExchange(platform::CDataExchange* dx) {
  int mode = m_interval->GetAutoScaleMode(m_axis);
  float max = m_interval->GetScaleMax(m_axis);
  float min = m_interval->GetScaleMin(m_axis);
  platform::DDX_Radio(dx, kScaleAuto, mode);
  platform::DDX_Text(dx, kMax, max);
  platform::DDX_Text(dx, kMin, min);
  if (!dx->m_bSaveAndValidate) {
    ClearCurves();
    for (const CColumn& c : m_interval->GetColumns()) {
      if (c.GetAxis() != m_axis) continue;
      m_curves.push_back(std::make_unique<CColumn>(c));
      m_updating = true;
      m_list.AddColumn(m_curves.back().get());
      m_updating = false;
    }
    return;
  }
  for (auto [id, value] : {std::pair<int, float>(kMax, max), std::pair<int, float>(kMin, min)}) {
    if (value >= -kLimit && value <= kLimit) continue;
    dx->PrepareEditCtrl(id);
    ShowMessageText(platform::Format(platform::LoadString(IDS_ENTER_FLOAT_BETWEEN).c_str(),
                                     static_cast<double>(-kLimit), static_cast<double>(kLimit)));
    dx->Fail();
  }
  if (!(max > min)) {
    dx->PrepareEditCtrl(kMax);
    ShowMessage(IDS_LEGAL_INTERVAL);
    dx->Fail();
  }
  m_interval->SetAutoScaleMode(m_axis, static_cast<unsigned char>(mode < 0 ? 0 : mode));
  m_interval->SetScaleMax(m_axis, max);
  m_interval->SetScaleMin(m_axis, min);
  std::vector<CColumn>& all = m_interval->GetColumns();
  all.erase(std::remove_if(all.begin(), all.end(), [this](const CColumn& c) { return c.GetAxis() == m_axis; }),
            all.end());
  for (const auto& c : m_curves) all.push_back(*c);
}

// --- the sheet ---

CWindowSheet::CWindowSheet(const std::string& caption, COMeasInterval& interval, QWidget* parent,
                           const PageFactory& intervalPage, int* lastPage)
    : platform::CPropertySheet(caption, parent, lastPage != nullptr && *lastPage > 0 ? *lastPage : 0), m_lastPage(lastPage) {
  m_intervalPage.SetIntervalTarget(&interval);
  platform::CPropertyPage* own = intervalPage ? intervalPage(interval) : nullptr;
  AddPage(own != nullptr ? own : &m_intervalPage);
}

void CWindowSheet::AddProgramPage(COMeasInterval& interval, const PageFactory& page) {
  if (page)
    if (platform::CPropertyPage* made = page(interval)) AddPage(made);
}

bool CWindowSheet::OnInitDialog() {
  if (QWidget* apply = GetDlgItem(platform::ID_APPLY_NOW)) apply->hide();
  return platform::CPropertySheet::OnInitDialog();
}

void CWindowSheet::OnDestroy() {
  if (m_lastPage != nullptr) *m_lastPage = GetActiveIndex();
}

CGraphWindowSheet::CGraphWindowSheet(DataContext& context, COMeasInterval& interval, QWidget* parent,
                                     const PageFactory& intervalPage, const PageFactory& extraPage, int* lastPage)
    : CWindowSheet("Graph Window Properties", interval, parent, intervalPage, lastPage),
      m_context(context),
      m_left(context, context.Profile().calibrationWindows ? 170 : 160, "Left Y-axis"),
      m_right(context, context.Profile().calibrationWindows ? 168 : 161, "Right Y-axis") {
  m_left.SetTarget(&interval, 0);
  m_right.SetTarget(&interval, 1);
  AddPage(&m_left);
  AddPage(&m_right);
  AddProgramPage(interval, extraPage);
}

void CGraphWindowSheet::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    OpenManual(m_context.Setup());
    return;
  }
  CWindowSheet::keyPressEvent(event);
}
