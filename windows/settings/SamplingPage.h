#pragma once
// "Sampling": continuous or interval sampling, tube flushing, the monitor's
// display average, interference compensation, the air pressure, and for the
// leak detector whether the monitor keeps its samples in its memory.
#include "FloatEdit.h"
#include "IntervalEdit.h"
#include "NumEdit.h"
#include "SequencePage.h"

class COSamplingPage : public COSequencePage {
 public:
  enum { IDD = 131 };
  enum Control {
    kSamplingGroup = 1109,
    kContinuous = 1018,
    kAtInterval = 1019,
    kInterval = 1020,
    kIntervalSpin = 1092,
    kIntervalUnit = 1110,
    kFlushingGroup = 1111,
    kAuto = 1026,
    kTubeLength = 1027,
    kTubeLengthSpin = 1028,
    kTubeLengthLabel = 1112,
    kLengthUnit = 1113,
    kFixed = 1029,
    kChamberLabel = 1114,
    kChamber = 1030,
    kChamberSpin = 1033,
    kChamberUnit = 1115,
    kTubeLabel = 1116,
    kTube = 1031,
    kTubeSpin = 1032,
    kTubeUnit = 1117,
    kDisplayGroup = 1118,
    kAverageOn = 1146,
    kAverage = 1024,
    kAverageSpin = 1093,
    kCompensationGroup = 1061,
    kWater = 1008,
    kCross = 1009,
    kPressureGroup = 1136,
    kPressure = 1037,
    kPressureSpin = 1040,
    kPressureUnit = 1135,
    kMemoryGroup = 1160,
    kStoreHistory = 1161,
  };

  COSamplingPage(DataContext& context, COSequence& sequence, bool viewOnly, SequenceSheetFlags& flags);

  bool GetMonitorMemory() const { return m_monitorMemory; }
  void SetMonitorMemory(bool on) { m_monitorMemory = on; }

  CONumEdit& IntervalEdit() { return m_intervalEdit; }
  COIntervalEdit& AverageEdit() { return m_averageEdit; }
  COFloatEdit& TubeLengthEdit() { return m_tubeLengthEdit; }
  CONumEdit& ChamberTimeEdit() { return m_chamberTimeEdit; }
  CONumEdit& TubeTimeEdit() { return m_tubeTimeEdit; }
  COFloatEdit& AirPresEdit() { return m_airPresEdit; }

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;
  bool OnSetActive() override;
  void paintEvent(QPaintEvent* event) override;

 private:
  bool IsLeakDetector() const;
  // 0..99 m, or 0..324.9 in another unit.
  float TubeLengthMax() const;
  // The tube length without decimals, kept inside its range.
  void ClampTubeLength();
  void SetPressureRange();

  CONumEdit m_intervalEdit;
  COIntervalEdit m_averageEdit{false};
  COFloatEdit m_tubeLengthEdit;
  CONumEdit m_chamberTimeEdit;
  CONumEdit m_tubeTimeEdit;
  COFloatEdit m_airPresEdit;
  bool m_monitorMemory = false;
};
