#include "ComDialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "COSystemSetup.h"
#include "DataContext.h"
#include "ObjAssign.h"
#include "core/MessageSink.h"
#include "serial/SerialPort.h"
#include "ui/DataExchange.h"

COComDialog::COComDialog(DataContext& context, QWidget* parent)
    : platform::CDialog(context.Profile().calibrationWindows ? IDD_CALIBRATION : IDD, parent), m_context(context) {
  setWindowTitle("Communication");
  auto* layout = new QVBoxLayout(this);

  auto* ports = new QGroupBox("Com Port", this);
  AddItem(kPortGroup, ports);
  auto* portLayout = new QGridLayout(ports);
  auto* group = new QButtonGroup(ports);
  const char* const names[] = {"COM1:", "COM2:", "COM3:", "COM4:"};
  for (int i = 0; i < 4; ++i) {
    auto* radio = new QRadioButton(names[i], ports);
    group->addButton(radio, i);
    portLayout->addWidget(radio, i, 0);
    AddItem(kCom1 + i, radio);
    // A Linux user sees which device the port name stands for.
    auto* device = new QLabel(QString::fromStdString(platform::SerialPortPath(static_cast<unsigned>(i))), ports);
    device->setEnabled(false);
    portLayout->addWidget(device, i, 1);
  }
  auto* hint = new QLabel("KOVO_COM1 to KOVO_COM4 in the environment choose other devices.", ports);
  hint->setEnabled(false);
  portLayout->addWidget(hint, 4, 0, 1, 2);
  layout->addWidget(ports);

  // What the monitor's line always is; shown, not chosen.
  auto* fixed = new QGroupBox("Gas Monitor Communication Setup", this);
  auto* grid = new QGridLayout(fixed);
  const char* const rows[][2] = {{"Baud Rate:", "9600"},          {"Stop Bits:", "1"},
                                 {"Data Bits:", "7"},             {"Parity Check:", "Even"},
                                 {"Hardwire Mode:", "Leased-Line"}, {"Handshake Type:", "Hard-Wired"},
                                 {"Text Line Terminator:", "CR-LF"}};
  int row = 0;
  for (const auto& r : rows) {
    grid->addWidget(new QLabel(r[0], fixed), row, 0);
    grid->addWidget(new QLabel(r[1], fixed), row, 1);
    ++row;
  }
  layout->addWidget(fixed);

  AddOkCancel(layout);
}

void COComDialog::DoDataExchange(platform::CDataExchange* dx) {
  // Radio 0 to 3 is COM1 to COM4.
  ObjAssign<int, COSystemSetup>(&m_context.Setup(), &COSystemSetup::GetComPort, &COSystemSetup::SetComPort)
      .Exchange(dx, kCom1, platform::DDX_Radio);
}

bool COComDialog::OnInitDialog() {
  platform::CDialog::OnInitDialog();
  if (m_context.MeasurementState() != MeasState::idle) {
    for (int id : {static_cast<int>(kPortGroup), static_cast<int>(kCom1), static_cast<int>(kCom2),
                   static_cast<int>(kCom3), static_cast<int>(kCom4)})
      if (QWidget* w = GetDlgItem(id)) w->setEnabled(false);
  }
  return true;
}

void COComDialog::OnOK() {
  platform::CDialog::OnOK();
  m_context.Setup().Save();
}
