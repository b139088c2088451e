#include "SamplingPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>
#include <cmath>

#include "COAirPressure.h"
#include "COSequence.h"
#include "COSystemSetup.h"
#include "DataContext.h"
#include "MonitorAccess.h"
#include "ObjAssign.h"
#include "ProgramContext.h"
#include "StringIds.h"
#include "core/StringTable.h"
#include "ui/DataExchange.h"
#include "ui/SpinButton.h"

namespace {

constexpr float kMinPressureKpa = 50.0f;
constexpr float kMaxPressureKpa = 150.0f;
constexpr int kEditWidth = 70;

}  // namespace

COSamplingPage::COSamplingPage(DataContext& context, COSequence& sequence, bool viewOnly, SequenceSheetFlags& flags)
    : COSequencePage(IDD, "Sampling", context, sequence, viewOnly, flags),
      m_intervalEdit(IDS_ENTER_NUMBER_BETWEEN),
      m_chamberTimeEdit(IDS_ENTER_NUMBER_BETWEEN),
      m_tubeTimeEdit(IDS_ENTER_FLUSHING_TIME) {
  auto* layout = new QGridLayout(this);

  auto* sampling = new QGroupBox("Sampling", this);
  AddItem(kSamplingGroup, sampling);
  auto* sg = new QGridLayout(sampling);
  const auto samplingRadios =
      AddRadioGroup(sampling, {{kContinuous, "Sample Continuously"}, {kAtInterval, "Sampling Interval:"}});
  sg->addWidget(samplingRadios[0], 0, 0, 1, 4);
  sg->addWidget(samplingRadios[1], 1, 0);
  sg->addWidget(AddEdit(kInterval, sampling, kEditWidth), 1, 1);
  sg->addWidget(AddSpin(kIntervalSpin, sampling), 1, 2);
  sg->addWidget(AddLabel(kIntervalUnit, "min", sampling), 1, 3);
  layout->addWidget(sampling, 0, 0);

  auto* flushing = new QGroupBox("Flushing", this);
  AddItem(kFlushingGroup, flushing);
  auto* fg = new QGridLayout(flushing);
  const auto flushRadios = AddRadioGroup(flushing, {{kAuto, "Auto:"}, {kFixed, "Fixed Time:"}});
  fg->addWidget(flushRadios[0], 0, 0);
  fg->addWidget(AddLabel(kTubeLengthLabel, "Tube Length:", flushing), 0, 1);
  fg->addWidget(AddEdit(kTubeLength, flushing, kEditWidth), 0, 2);
  fg->addWidget(AddSpin(kTubeLengthSpin, flushing), 0, 3);
  fg->addWidget(AddLabel(kLengthUnit, "m", flushing), 0, 4);
  fg->addWidget(flushRadios[1], 1, 0);
  fg->addWidget(AddLabel(kChamberLabel, "Chamber:", flushing), 1, 1);
  fg->addWidget(AddEdit(kChamber, flushing, kEditWidth), 1, 2);
  fg->addWidget(AddSpin(kChamberSpin, flushing), 1, 3);
  fg->addWidget(AddLabel(kChamberUnit, "s", flushing), 1, 4);
  fg->addWidget(AddLabel(kTubeLabel, "Tube:", flushing), 2, 1);
  fg->addWidget(AddEdit(kTube, flushing, kEditWidth), 2, 2);
  fg->addWidget(AddSpin(kTubeSpin, flushing), 2, 3);
  fg->addWidget(AddLabel(kTubeUnit, "s", flushing), 2, 4);
  layout->addWidget(flushing, 1, 0);

  auto* display = new QGroupBox("Gas Monitor Display", this);
  AddItem(kDisplayGroup, display);
  auto* dg = new QHBoxLayout(display);
  auto* averageOn = new QCheckBox("Average (HH:MM):", display);
  AddItem(kAverageOn, averageOn);
  dg->addWidget(averageOn);
  dg->addWidget(AddEdit(kAverage, display, kEditWidth));
  dg->addWidget(AddSpin(kAverageSpin, display));
  dg->addStretch();
  layout->addWidget(display, 0, 1);

  auto* compensation = new QGroupBox("Compensation", this);
  AddItem(kCompensationGroup, compensation);
  auto* cg = new QVBoxLayout(compensation);
  auto* water = new QCheckBox("Water Interference", compensation);
  auto* cross = new QCheckBox("Cross Interference", compensation);
  AddItem(kWater, water);
  AddItem(kCross, cross);
  cg->addWidget(water);
  cg->addWidget(cross);
  layout->addWidget(compensation, 1, 1);

  auto* pressure = new QGroupBox("Current Air Pressure", this);
  AddItem(kPressureGroup, pressure);
  auto* pg = new QHBoxLayout(pressure);
  QLineEdit* pressureEdit = AddEdit(kPressure, pressure, kEditWidth);
  pressureEdit->setEnabled(false);  // enabled where the user may type it
  platform::CSpinButtonCtrl* pressureSpin = AddSpin(kPressureSpin, pressure);
  pressureSpin->setEnabled(false);
  pg->addWidget(pressureEdit);
  pg->addWidget(pressureSpin);
  pg->addWidget(AddLabel(kPressureUnit, "kPa", pressure));
  pg->addStretch();
  layout->addWidget(pressure, 2, 0);

  auto* memory = new QGroupBox("Memory &use", this);
  AddItem(kMemoryGroup, memory);
  auto* mg = new QHBoxLayout(memory);
  auto* history = new QCheckBox("Store &History", memory);
  AddItem(kStoreHistory, history);
  mg->addWidget(history);
  layout->addWidget(memory, 2, 1);
  layout->setRowStretch(3, 1);
}

bool COSamplingPage::IsLeakDetector() const {
  auto* program = dynamic_cast<ProgramContext*>(&m_context);
  return program != nullptr && program->Instrument().isTebb();
}

float COSamplingPage::TubeLengthMax() const {
  return m_context.Setup().GetLengthUnitText() == "m" ? 99.0f : 324.9f;
}

void COSamplingPage::ClampTubeLength() {
  const float value = m_tubeLengthEdit.GetValue();
  if (m_context.Setup().GetLengthUnitText() == "m") {
    if (value > 99.0f && value < 100.0f) m_tubeLengthEdit.SetValue(99.0f);
  } else if (value > 324.9f && value <= 325.0f) {
    m_tubeLengthEdit.SetValue(324.9f);
  }
}

void COSamplingPage::SetPressureRange() {
  const COSystemSetup& setup = m_context.Setup();
  m_airPresEdit.SetRange(setup.PressureFromKpa(kMinPressureKpa), setup.PressureFromKpa(kMaxPressureKpa));
}

bool COSamplingPage::OnInitDialog() {
  const COSystemSetup& setup = m_context.Setup();
  m_intervalEdit.SubclassDlgItems(kInterval, kIntervalSpin, this);
  m_intervalEdit.SetRange(1, 60);
  m_averageEdit.Attach(this, kAverage, kAverageSpin);
  m_tubeLengthEdit.SubclassDlgItems(kTubeLength, kTubeLengthSpin, this);
  ClampTubeLength();
  m_tubeLengthEdit.SetRange(0.0f, TubeLengthMax());
  m_chamberTimeEdit.SubclassDlgItems(kChamber, kChamberSpin, this);
  m_chamberTimeEdit.SetRange(2, 60);
  m_tubeTimeEdit.SubclassDlgItems(kTube, kTubeSpin, this);
  m_tubeTimeEdit.SetRange(0, 120);
  m_tubeTimeEdit.SetExcludedRange(1, 2);
  m_airPresEdit.SubclassDlgItems(kPressure, kPressureSpin, this);
  SetPressureRange();

  const bool leakDetector = IsLeakDetector();
  ShowItems({kMemoryGroup, kStoreHistory}, leakDetector);
  // A calibration samples as its mode needs: no interval, no display average,
  // no compensation.
  if (m_context.Profile().calibrationWindows) ShowItems({kSamplingGroup, kDisplayGroup, kCompensationGroup}, false);
  EnableItems({kMemoryGroup, kStoreHistory}, leakDetector);

  platform::CPropertyPage::OnInitDialog();

  if (Locked()) {
    EnableItems({kSamplingGroup, kContinuous, kAtInterval, kInterval, kIntervalSpin, kIntervalUnit, kFlushingGroup,
                 kAuto, kTubeLengthSpin, kTubeLengthLabel, kTubeLength, kLengthUnit, kFixed, kTubeSpin, kChamberSpin,
                 kChamberLabel, kChamberUnit, kChamber, kTubeLabel, kTube, kTubeUnit, kDisplayGroup, kAverageOn,
                 kAverageSpin, kAverage, kCompensationGroup, kWater, kCross},
                false);
    if (m_viewOnly) EnableItems({kPressureGroup, kPressureUnit, kPressure, kPressureSpin}, false);
  }
  SetDlgItemText(kPressureUnit, setup.GetPressureUnitText());
  SetDlgItemText(kLengthUnit, setup.GetLengthUnitText());
  // A stand-alone recording has no display average of its own to show.
  if (m_sequence.IsReservedFlag() && m_viewOnly) ShowItems({kDisplayGroup, kAverageOn, kAverage, kAverageSpin}, false);

  if (leakDetector) {
    EnableItems({kPressure, kPressureSpin}, false);  // the monitor measures it
  } else if (!m_context.Profile().calibrationWindows && !m_viewOnly) {
    EnableItems({kPressureUnit, kPressure, kPressureSpin}, true);
  }
  if (auto* history = qobject_cast<QCheckBox*>(GetDlgItem(kStoreHistory))) history->setChecked(m_monitorMemory);
  return true;
}

void COSamplingPage::DoDataExchange(platform::CDataExchange* dx) {
  const bool saving = dx->m_bSaveAndValidate;
  const bool calibration = m_context.Profile().calibrationWindows;
  if (!calibration) {
    m_intervalEdit.DDXValidate(dx);
    m_averageEdit.DDXValidate(dx, 10, 720);
  }
  int averageOn = m_sequence.IsRollingAvgOn() ? 1 : 0;
  int water = m_sequence.GetWaterCompensation() ? 1 : 0;
  int cross = m_sequence.GetCrossCompensation() ? 1 : 0;
  if (!saving) m_averageEdit.SetSeconds(m_sequence.GetRollingAvg() * 60);

  // The monitor takes whole lengths.
  m_tubeLengthEdit.SetValueRounded(m_tubeLengthEdit.GetValue());
  ClampTubeLength();
  if (m_flags.ddxValidate) {
    m_tubeLengthEdit.DDXValidate(dx);
    m_chamberTimeEdit.DDXValidate(dx);
    m_tubeTimeEdit.DDXValidate(dx);
  }

  int flushing = m_sequence.GetModeFlag2() ? 1 : 0;
  platform::DDX_Radio(dx, kAuto, flushing);
  ObjAssign<float, COSequence>(&m_sequence, &COSequence::GetTubeLength, &COSequence::SetTubeLength)
      .Exchange(dx, kTubeLength, platform::DDX_Text);
  ObjAssign<int, COSequence>(&m_sequence, &COSequence::GetChamberTime, &COSequence::SetChamberTime)
      .Exchange(dx, kChamber, platform::DDX_Text);
  ObjAssign<int, COSequence>(&m_sequence, &COSequence::GetTubeTime, &COSequence::SetTubeTime)
      .Exchange(dx, kTube, platform::DDX_Text);
  if (!calibration) {
    ObjAssign<int, COSequence>(&m_sequence, &COSequence::GetSampleContinuously, &COSequence::SetSampleContinuously)
        .Exchange(dx, kContinuous, platform::DDX_Radio);
    ObjAssign<int, COSequence>(&m_sequence, &COSequence::GetSampleInterval, &COSequence::SetSampleInterval)
        .Exchange(dx, kInterval, platform::DDX_Text);
    platform::DDX_Check(dx, kAverageOn, averageOn);
    platform::DDX_Check(dx, kWater, water);
    platform::DDX_Check(dx, kCross, cross);
    if (saving) {
      m_sequence.SetRollingAvgOn(averageOn != 0);
      m_sequence.SetWaterCompensation(water != 0);
      m_sequence.SetCrossCompensation(cross != 0);
      m_sequence.SetRollingAvg(m_averageEdit.GetSeconds() / 60);
    }
  }
  if (saving) m_sequence.SetModeFlag2(flushing != 0);

  if (saving) {
    if (!calibration) {
      m_airPresEdit.DDXValidate(dx);
      m_sequence.SetAirPres(m_airPresEdit.GetValue());
    }
  } else {
    float pressure = m_sequence.GetAirPres();
    COAirPressure measured;
    if (IsLeakDetector() && ReadMonitorAirPressure(m_context, measured) && measured.IsSet())
      pressure = measured.GetValue(m_context.Setup().GetPressureUnit());
    m_airPresEdit.SetValue(pressure);
  }

  int history = m_monitorMemory ? 1 : 0;
  platform::DDX_Check(dx, kStoreHistory, history);
  m_monitorMemory = history != 0;
}

bool COSamplingPage::OnSetActive() {
  // The sheet's "Default..." works on this page.
  if (QWidget* defaults = GetSheet() ? GetSheet()->GetDlgItem(platform::ID_APPLY_NOW) : nullptr) defaults->setEnabled(true);
  return platform::CPropertyPage::OnSetActive();
}

void COSamplingPage::paintEvent(QPaintEvent* event) {
  // A change of units shows at once.
  SetPressureRange();
  SetDlgItemText(kPressureUnit, m_context.Setup().GetPressureUnitText());
  COSequencePage::paintEvent(event);
}
