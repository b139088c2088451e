#pragma once
// The dialog "Communication": the serial port of the monitor. It stores the
// choice in the system set-up, which hands it to the monitor's data link, and
// writes the set-up to the system database on OK. While a measurement runs
// the port cannot be changed.
#include "ui/Dialog.h"

class DataContext;

class COComDialog : public platform::CDialog {
 public:
  // The Calibration program has a template of its own.
  enum { IDD = 157, IDD_CALIBRATION = 193 };
  enum Control { kPortGroup = 1144, kCom1 = 1018, kCom2 = 1019, kCom3 = 1020, kCom4 = 1021 };

  explicit COComDialog(DataContext& context, QWidget* parent = nullptr);

 protected:
  void DoDataExchange(platform::CDataExchange* dx) override;
  bool OnInitDialog() override;
  void OnOK() override;

 private:
  DataContext& m_context;
};
