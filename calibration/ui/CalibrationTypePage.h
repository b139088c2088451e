#pragma once
// "Calibration": which calibration a sequence measures (zero point, humidity,
// gas span with one or two points), the target concentrations, the span
// filter and the air pressure.
#include "CaliContext.h"
#include "FloatEdit.h"
#include "ListControls.h"
#include "ui/PropertySheet.h"

namespace calibration {

class CCalibrationType : public platform::CPropertyPage {
 public:
  enum { IDD = 148 };
  enum Control {
    kZeroPoint = 1063,
    kHumidity = 1124,
    kGasSpan = 1125,
    kParameters = 1214,
    kInterference = 1149,
    kWaterSpan = 1148,
    kWaterConc = 1065,
    kWaterConcSpin = 1130,
    kWaterUnit = 1057,
    kWaterLabel = 1300,
    kFilterLabel = 1132,
    kFilter = 1058,
    kTwoPoint = 1213,
    kMeasureLow = 1221,
    kMeasureHigh = 1220,
    kHighLabel = 1301,
    kHighConc = 1038,
    kHighConcSpin = 1023,
    kHighUnit = 1061,
    kLowConc = 1138,
    kLowConcSpin = 1022,
    kLowUnit = 1062,
    kCross = 1135,
    kPressureGroup = 1144,
    kPressure = 1037,
    kPressureSpin = 1040,
    kPressureUnit = 1136,
    kTypeGroup = 1302,
  };
  // The radio group's choices.
  enum Type { kTypeZero = 0, kTypeHumidity = 1, kTypeGasSpan = 2 };

  // sequence: the copy the sheet edits. readOnly: nothing can be changed.
  CCalibrationType(CaliContext& context, COCaliSequence& sequence, bool readOnly);

  COFloatEdit& HighConcEdit() { return m_highEdit; }
  COFloatEdit& LowConcEdit() { return m_lowEdit; }
  COFloatEdit& WaterConcEdit() { return m_waterEdit; }
  COFloatEdit& PressureEdit() { return m_pressureEdit; }
  COComboEx& FilterBox() { return m_filterBox; }
  // Shows and hides the controls for the type and boxes chosen.
  void UpdateControls();
  int ChosenType() const;

  // The target concentrations (display unit) as they read when a page last
  // opened or a change was confirmed, for the whole run.
  static float s_rememberedHigh;
  static float s_rememberedLow;

 protected:
  bool OnInitDialog() override;
  bool OnSetActive() override;
  void DoDataExchange(platform::CDataExchange* dx) override;

 private:
  bool IsChecked(int id) const;
  // The filters with a gas, keeping the one chosen.
  void FillFilterBox();
  bool Locked() const;

  CaliContext& m_context;
  COCaliSequence& m_sequence;
  bool m_readOnly;
  COFloatEdit m_waterEdit;
  COFloatEdit m_highEdit;
  COFloatEdit m_lowEdit;
  COFloatEdit m_pressureEdit;
  COComboEx m_filterBox;
};

}  // namespace calibration
