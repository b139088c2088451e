#pragma once
// "Units": the display units of humidity, pressure, temperature, gas
// concentration and length, and the normalisation temperature. OK stores
// them in the system set-up's settings row and has every open window of the
// task read its data again in the new units; Cancel changes nothing.
#include "ListControls.h"
#include "ui/Dialog.h"

class DataContext;

class CUnits : public platform::CDialog {
 public:
  enum {
    IDD = 134,
    kNormTemp = 1041,
    // The first button of each group; a group's buttons are its unit kinds
    // in order.
    kHumidity = 1023,
    kPressure = 1027,
    kTemperature = 1031,
    kGasConc = 1038,
    kLength = 1034,
  };

  explicit CUnits(DataContext& context, QWidget* parent = nullptr);

  COComboEx& NormTempCombo() { return *m_normTemp; }

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(platform::CDataExchange* dx) override;
  void OnOK() override;

 private:
  // 0, 20 and 25 °C in the temperature unit checked now, the same position
  // selected again.
  void FillNormTempList();

  DataContext& m_context;
  COComboEx* m_normTemp;
  int m_humidity = 0;
  int m_pressure = 0;
  int m_temperature = 0;
  int m_gasConc = 0;
  int m_length = 0;
  // The chosen normalisation temperature in the chosen unit; none when the
  // list has no selection.
  bool m_hasNormTemp = false;
  float m_normTempValue = 0.0f;
};
