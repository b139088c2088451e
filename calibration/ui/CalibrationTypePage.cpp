#include "CalibrationTypePage.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "COAirPressure.h"
#include "COCaliMeasObs.h"
#include "COCaliSequence.h"
#include "COSystemSetup.h"
#include "CaliSettings.h"
#include "CalibrationStrings.h"
#include "DBUtil.h"
#include "MonitorAccess.h"
#include "ProgramContext.h"
#include "Rs232Trace.h"
#include "SequencePage.h"
#include "core/MessageSink.h"
#include "core/Text.h"
#include "ui/DataExchange.h"
#include "ui/SpinButton.h"

namespace calibration {

namespace {

constexpr float kMinPressureKpa = 50.0f;
constexpr float kMaxPressureKpa = 150.0f;
constexpr float kMaxWaterPpm = 1000000.0f;
constexpr float kRangeTempCelsius = 20.0f;
constexpr float kRangePressureKpa = 101.33f;

void Warn(const char* text) { platform::MessageBox(text, platform::MB_ICONWARNING, "Calibration"); }

// The warning, then the exchange fails on the edit.
[[noreturn]] void Refuse(platform::CDataExchange* dx, int id, const char* text) {
  Warn(text);
  dx->PrepareEditCtrl(id);
  dx->Fail();
}

}  // namespace

float CCalibrationType::s_rememberedHigh = 0.0f;
float CCalibrationType::s_rememberedLow = 0.0f;

CCalibrationType::CCalibrationType(CaliContext& context, COCaliSequence& sequence, bool readOnly)
    : platform::CPropertyPage(IDD, "Calibration"), m_context(context), m_sequence(sequence), m_readOnly(readOnly) {
  auto* layout = new QVBoxLayout(this);
  auto add = [this](int id, QWidget* w) {
    AddItem(id, w);
    return w;
  };
  auto floatRow = [&](QGridLayout* grid, int row, int editId, int spinId, int unitId, QWidget* parent) {
    auto* pair = new QHBoxLayout;
    pair->setSpacing(0);
    auto* edit = new QLineEdit(parent);
    edit->setFixedWidth(90);
    pair->addWidget(add(editId, edit));
    pair->addWidget(add(spinId, new platform::CSpinButtonCtrl(parent)));
    grid->addLayout(pair, row, 1);
    grid->addWidget(add(unitId, new QLabel(parent)), row, 2);
  };

  auto* type = new QGroupBox("Calibration Type", this);
  AddItem(kTypeGroup, type);
  auto* tl = new QVBoxLayout(type);
  for (QRadioButton* radio : AddRadioGroup(type, {{kZeroPoint, "Zero Point Calibration (All Filters)"},
                                                   {kHumidity, "Humidity Calibration"},
                                                   {kGasSpan, "Gas Span Calibration"}}))
    tl->addWidget(radio);
  layout->addWidget(type);

  auto* params = new QGroupBox("Calibration Parameters", this);
  AddItem(kParameters, params);
  auto* grid = new QGridLayout(params);
  grid->addWidget(add(kInterference, new QCheckBox("Humidity Interference Calibration (All Filters)", params)), 0, 0,
                  1, 3);
  grid->addWidget(add(kWaterSpan, new QCheckBox("Perform Water Vapour Span Calibration (Water Filter):", params)), 1,
                  0, 1, 3);
  grid->addWidget(add(kWaterLabel, new QLabel("Water Concentration:", params)), 2, 0);
  floatRow(grid, 2, kWaterConc, kWaterConcSpin, kWaterUnit, params);
  grid->addWidget(add(kFilterLabel, new QLabel("Active Filter:", params)), 3, 0);
  grid->addWidget(add(kFilter, new QComboBox(params)), 3, 1, 1, 2);
  grid->addWidget(add(kTwoPoint, new QCheckBox("Perform Two-Point Calibration", params)), 4, 0, 1, 3);
  const auto steps = AddRadioGroup(params, {{kMeasureLow, "Measure Low Gas Concentration: "},
                                            {kMeasureHigh, "Measure High Gas Concentration: "}});
  grid->addWidget(steps[0], 5, 0);
  floatRow(grid, 5, kLowConc, kLowConcSpin, kLowUnit, params);
  // One cell: the label of a single concentration, or the radio of the high one.
  grid->addWidget(add(kHighLabel, new QLabel("Gas Concentration:", params)), 6, 0);
  grid->addWidget(steps[1], 6, 0);
  floatRow(grid, 6, kHighConc, kHighConcSpin, kHighUnit, params);
  grid->addWidget(add(kCross, new QCheckBox("Perform Cross Interference Calibration", params)), 7, 0, 1, 3);
  grid->setColumnStretch(2, 1);
  layout->addWidget(params);

  auto* pressure = new QGroupBox("Current Air Pressure", this);
  AddItem(kPressureGroup, pressure);
  auto* pg = new QGridLayout(pressure);
  floatRow(pg, 0, kPressure, kPressureSpin, kPressureUnit, pressure);
  pg->setColumnStretch(2, 1);
  layout->addWidget(pressure);
  layout->addStretch();

  for (int id : {kZeroPoint, kHumidity, kGasSpan, kTwoPoint, kWaterSpan, kMeasureLow, kMeasureHigh})
    QObject::connect(qobject_cast<QAbstractButton*>(GetDlgItem(id)), &QAbstractButton::clicked, this,
                     [this] { UpdateControls(); });

  const COSystemSetup& setup = context.program.Setup();
  const COHumiUnit stored(COConcUnit::ppm);
  m_waterEdit.SetRange(0.0f, stored.Convert(setup.GetHumidityUnit(), setup.GetTempUnit(), kMaxWaterPpm,
                                            kRangeTempCelsius, kRangePressureKpa));
  m_pressureEdit.SetRange(setup.PressureFromKpa(kMinPressureKpa), setup.PressureFromKpa(kMaxPressureKpa));
}

bool CCalibrationType::IsChecked(int id) const {
  auto* button = qobject_cast<QAbstractButton*>(GetDlgItem(id));
  return button != nullptr && button->isChecked();
}

int CCalibrationType::ChosenType() const {
  if (IsChecked(kHumidity)) return kTypeHumidity;
  if (IsChecked(kGasSpan)) return kTypeGasSpan;
  return kTypeZero;
}

bool CCalibrationType::Locked() const {
  return SettingsLocked(m_context, m_readOnly);
}

void CCalibrationType::FillFilterBox() {
  const int chosen = m_filterBox.count() > 0 ? m_filterBox.GetSelItemData() : m_sequence.SpanFilter;
  m_filterBox.ResetContent();
  for (int f = 0; f < 5; ++f)
    if (m_sequence.IsGasDefined(f)) m_filterBox.AddItem(m_sequence.GetGasName(f), f);
  m_filterBox.SelectItemData(chosen);
}

bool CCalibrationType::OnInitDialog() {
  m_waterEdit.SubclassDlgItems(kWaterConc, kWaterConcSpin, this);
  m_highEdit.SubclassDlgItems(kHighConc, kHighConcSpin, this);
  m_lowEdit.SubclassDlgItems(kLowConc, kLowConcSpin, this);
  m_pressureEdit.SubclassDlgItems(kPressure, kPressureSpin, this);
  m_filterBox.SubclassDlgItem(kFilter, this);
  // As high as their arrows: a growing spin button would stretch its group
  // down the page.
  for (int id : {kWaterConcSpin, kHighConcSpin, kLowConcSpin, kPressureSpin})
    GetDlgItem(id)->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  const COSystemSetup& setup = m_context.program.Setup();
  SetDlgItemText(kWaterUnit, setup.GetHumidityUnitText());
  SetDlgItemText(kHighUnit, setup.GetGasConcUnitText());
  SetDlgItemText(kLowUnit, setup.GetGasConcUnitText());
  SetDlgItemText(kPressureUnit, setup.GetPressureUnitText());
  FillFilterBox();

  platform::CPropertyPage::OnInitDialog();

  // As the edits show them: a page confirmed unchanged then differs from
  // nothing it remembers.
  s_rememberedHigh = m_highEdit.GetValue();
  s_rememberedLow = m_lowEdit.GetValue();
  Rs232DebugLog(&m_context.program.SerialTrace(), platform::Format(
      "CCalibrationType::OnInitDialog(),CurSequence.GetConcSpanHigh():%f GasConcEditOld:%f GasConcLowEditOld:%d\n",
      m_sequence.GetConcSpanHigh(setup.GetGasConcUnit().GetUnit()), s_rememberedHigh,
      static_cast<int>(s_rememberedLow)));

  if (m_context.program.Instrument().isTebb()) EnableDlgItems(*this, {kPressure, kPressureSpin}, false);
  if (Locked())
    EnableDlgItems(*this,
                   {kPressureGroup, kPressure, kPressureSpin, kZeroPoint, kHumidity, kGasSpan, kInterference,
                    kWaterSpan, kWaterConc, kWaterConcSpin, kFilter, kTwoPoint, kMeasureLow, kMeasureHigh, kHighConc,
                    kHighConcSpin, kLowConc, kLowConcSpin, kCross},
                   false);
  UpdateControls();
  return true;
}

bool CCalibrationType::OnSetActive() {
  // The gas page may have chosen other banks meanwhile.
  FillFilterBox();
  return platform::CPropertyPage::OnSetActive();
}

void CCalibrationType::UpdateControls() {
  const int type = ChosenType();
  const bool humidity = type == kTypeHumidity;
  const bool gas = type == kTypeGasSpan;
  const bool twoPoint = gas && IsChecked(kTwoPoint);
  ShowDlgItems(*this, {kParameters}, type != kTypeZero);
  ShowDlgItems(*this, {kInterference, kWaterSpan}, humidity);
  ShowDlgItems(*this, {kWaterLabel, kWaterConc, kWaterConcSpin, kWaterUnit}, humidity && IsChecked(kWaterSpan));
  ShowDlgItems(*this, {kFilterLabel, kFilter, kTwoPoint, kCross, kHighConc, kHighConcSpin, kHighUnit}, gas);
  ShowDlgItems(*this, {kMeasureLow, kMeasureHigh, kLowConc, kLowConcSpin, kLowUnit}, twoPoint);
  ShowDlgItems(*this, {kHighLabel}, gas && !twoPoint);
}

void CCalibrationType::DoDataExchange(platform::CDataExchange* dx) {
  const COSystemSetup& setup = m_context.program.Setup();
  const int concUnit = setup.GetGasConcUnit().GetUnit();
  const int humiUnit = setup.GetHumidityUnit().GetUnit();
  COCaliSequence& s = m_sequence;

  if (!dx->m_bSaveAndValidate) {
    float pressure = s.GetAirPres();
    COAirPressure measured;
    if (m_context.program.Instrument().isTebb() && ReadMonitorAirPressure(m_context.program, measured) &&
        measured.IsSet())
      pressure = measured.GetValue(setup.GetPressureUnit());
    m_pressureEdit.SetValue(pressure);
    int twoPoint = s.CaliTwoPoint ? 1 : 0;
    platform::DDX_Check(dx, kTwoPoint, twoPoint);
    m_filterBox.SelectItemData(s.SpanFilter);
    int type = s.CaliMode;
    if (s.CaliMode == COCaliSequence::modeHumidityInterference) type = kTypeHumidity;
    if (s.CaliMode >= COCaliSequence::modeSpan1P) type = kTypeGasSpan;
    platform::DDX_Radio(dx, kZeroPoint, type);
    m_waterEdit.SetValue(s.GetHumiSpan(humiUnit));
    m_highEdit.SetValue(s.GetConcSpanHigh(concUnit));
    m_lowEdit.SetValue(s.GetConcSpanLow(concUnit));
    int cross = s.CaliCross ? 1 : 0, interference = s.GetCalcSpan(COCaliSequence::calcHumidityInterference) ? 1 : 0;
    int step = s.CaliHighConc ? 1 : 0, waterSpan = s.GetCalcSpan(COCaliSequence::calcWaterSpan) ? 1 : 0;
    platform::DDX_Check(dx, kCross, cross);
    platform::DDX_Check(dx, kInterference, interference);
    platform::DDX_Radio(dx, kMeasureLow, step);
    platform::DDX_Check(dx, kWaterSpan, waterSpan);
    UpdateControls();
    return;
  }

  if (m_readOnly) return;
  m_pressureEdit.DDXValidate(dx);
  s.SetAirPres(m_pressureEdit.GetValue());
  if (Locked()) return;
  const int type = ChosenType();
  s.CaliTwoPoint = IsChecked(kTwoPoint) ? 1 : 0;
  if (type == kTypeHumidity && !IsChecked(kInterference) && !IsChecked(kWaterSpan)) {
    ShowMessage(IDS_CALI_TYPE_NOT_VALID);
    dx->PrepareCtrl(kInterference);
    dx->Fail();
  }
  if (m_filterBox.GetCurSel() >= 0) s.SpanFilter = static_cast<short>(m_filterBox.GetSelItemData());
  if (type == kTypeHumidity && IsChecked(kInterference))
    s.CaliMode = COCaliSequence::modeHumidityInterference;
  else if (type == kTypeGasSpan)
    s.CaliMode = s.CaliTwoPoint ? COCaliSequence::modeSpan2P : COCaliSequence::modeSpan1P;
  else
    s.CaliMode = static_cast<unsigned char>(type);

  // Only what the chosen type measures is taken: a hidden edit keeps its value.
  const bool gas = type == kTypeGasSpan;
  const bool twoPoint = gas && s.CaliTwoPoint;
  if (type == kTypeHumidity && IsChecked(kWaterSpan)) {
    m_waterEdit.DDXValidate(dx);
    s.SetHumiSpan(humiUnit, m_waterEdit.GetValue());
  }
  if (gas) {
    m_highEdit.DDXValidate(dx);
    s.SetConcSpanHigh(concUnit, m_highEdit.GetValue());
  }
  if (twoPoint) {
    m_lowEdit.DDXValidate(dx);
    s.SetConcSpanLow(concUnit, m_lowEdit.GetValue());
  }
  const float high = m_highEdit.GetValue();
  const float low = m_lowEdit.GetValue();
  Rs232Trace* trace = &m_context.program.SerialTrace();
  Rs232DebugLog(trace, platform::Format("CCalibrationType::DoDataExchange A, GasConcEdit:%f old:%f lowold:%f 2punkt:%d\n",
                                        high, s_rememberedHigh, s_rememberedLow, static_cast<int>(s.CaliTwoPoint)));
  if (gas) {
    if (high == 0.0f)
      Refuse(dx, kHighConc,
             "The target Gas Concentration value of zero is invalid\n"
             "Please enter another value for the target Gas Concentration");
    if (s_rememberedHigh != 0.0f && high != s_rememberedHigh) {
      Warn("The target Gas Concentration has been changed\n"
           "Please make a new Gas Span Calibration measurement for the new target Gas Concentration\n");
      s_rememberedHigh = high;
    }
  }
  if (twoPoint) {
    if (low == 0.0f)
      Refuse(dx, kLowConc,
             "The target Gas Low Concentration value of zero is invalid\n"
             "Please enter another value for the target Gas Concentration");
    if (s_rememberedLow != 0.0f) {
      if (high <= low) {
        s_rememberedLow = low;
        Refuse(dx, kLowConc,
               "The target Gas Low Concentration cannot greater or equal to the target Gas High Concentration\n"
               "Please correct the value of the target Gas Low Concentration\n");
      }
      if (low != s_rememberedLow) {
        Warn("The target Gas Low Concentration has been changed\n"
             "Please make a new Gas Span Calibration measurement for the new target Gas Concentration\n");
        s_rememberedLow = low;
      }
    }
  }
  Rs232DebugLog(trace, platform::Format("CCalibrationType::DoDataExchange B, GasConcEdit:%f old:%f oldlow:%f\n", high,
                                        s_rememberedHigh, s_rememberedLow));
  s.CaliCross = IsChecked(kCross) ? 1 : 0;
  s.SetCalcSpan(COCaliSequence::calcHumidityInterference, IsChecked(kInterference));
  s.CaliHighConc = IsChecked(kMeasureHigh) ? 1 : 0;
  s.SetCalcSpan(COCaliSequence::calcWaterSpan, IsChecked(kWaterSpan));
  UpdateControls();
}

}  // namespace calibration
