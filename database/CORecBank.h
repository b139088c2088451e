#pragma once
// [Bank] of the system database: the calibration data of one bank of one
// filter within a bank set.
#include <string>

#include "CORecBase.h"
#include "FilterData.h"

class CORecBank : public CORecSystemBase {
 public:
  // Float columns hold this for a value that is not set; any value of
  // kNotSetRead or more reads as not set.
  static constexpr float kNotSet = 1e20f;
  static constexpr float kNotSetRead = 1e19f;
  static constexpr int kWaterFilter = 5;

  // Adds or rewrites the row of the set, filter and bank.
  void SaveBank(int setId, int filter, int bank, const BankInfo& info);
  // False when the set has no such row.
  bool LoadBank(int setId, int filter, int bank, BankInfo& info);
  // The water-vapour filter, as filter 5, bank 0.
  void SaveWaterBank(int setId, const WaterInfo& water);
  bool LoadWaterBank(int setId, WaterInfo& water);

  int m_ID = 0;
  int m_Filter = 0;
  int m_Bank = 0;
  std::string m_GasName;
  float m_MW = 0.0f;
  platform::CTime m_ZeroDate;
  float m_ConcOffset = 0.0f;
  platform::CTime m_HumiDate;
  float m_HumiGain = 0.0f;
  platform::CTime m_SpanDate;
  unsigned char m_TwoPoint = 0;
  float m_SpanLow = 0.0f;
  float m_SpanHigh = 0.0f;
  platform::CTime m_CrosDate;
  float m_Cross[4] = {};

 protected:
  std::string GetDefaultSQL() override { return "[Bank]"; }
  void DoFieldExchange(platform::CFieldExchange* pFX) override;

 private:
  void SelectRow(int setId, int filter, int bank);
};
