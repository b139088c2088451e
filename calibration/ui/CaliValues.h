#pragma once
// "Calibration Values": the calibrator's working banks of the five gas
// filters and the water-vapour record, every value editable ("n/a" clears
// it); and "Calculation finished", which ticks what a calculation calculated.
#include <map>
#include <string>

#include "CaliContext.h"
#include "ui/Dialog.h"

namespace calibration {

class COCaliValues : public platform::CDialog {
 public:
  enum { IDD = 183 };
  static constexpr int kGasName[5] = {1206, 1207, 1208, 1209, 1211};
  static constexpr int kMw[5] = {1143, 1144, 1145, 1146, 1147};
  static constexpr int kOffset = 1156;      // + filter
  static constexpr int kHumidity = 1161;    // + filter
  static constexpr int kFactor1 = 1074;     // + filter
  static constexpr int kFactor2 = 1084;     // + filter
  static constexpr int kCross[4] = {1171, 1176, 1181, 1186};  // + filter
  static constexpr int kWaterOffset = 1191;
  static constexpr int kWaterFactor1 = 1192;

  explicit COCaliValues(CaliContext& context, QWidget* parent = nullptr);

  // The text of a value as the dialog shows it: "n/a" for none.
  static std::string ValueText(float value);
  // The filter a cross row of a filter's column stands for: the other four
  // in ascending order.
  static int CrossFilter(int column, int row) { return row < column ? row : row + 1; }

 protected:
  void DoDataExchange(platform::CDataExchange* dx) override;
  void OnOK() override;

 private:
  CaliContext& m_context;
  // The texts as shown: a text left alone keeps its value to the last digit.
  std::map<int, std::string> m_shown;
};

class COCalculateDlg : public platform::CDialog {
 public:
  enum { IDD = 180 };
  enum Control { kZeroPoint = 1141, kInterference = 1066, kWaterSpan = 1065 };
  static constexpr int kSinglePoint[5] = {1067, 1068, 1069, 1070, 1071};
  static constexpr int kTwoPoint[5] = {1212, 1138, 1139, 1145, 1146};
  static constexpr int kCrossInt[5] = {1137, 1140, 1142, 1143, 1144};
  static constexpr int kGasName[5] = {1206, 1207, 1208, 1209, 1211};

  COCalculateDlg(CaliContext& context, const CaliResults& results, QWidget* parent = nullptr);

 protected:
  void DoDataExchange(platform::CDataExchange* dx) override;

 private:
  CaliContext& m_context;
  const CaliResults& m_results;
};

}  // namespace calibration
