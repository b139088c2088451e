#pragma once
// A task of the Online program with a monitor whose filters A and B hold
// banks, and the sequence settings sheet on its sequence, offscreen.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <memory>
#include <string>
#include <vector>

#include "AlarmPage.h"
#include "COSequenceObs.h"
#include "../DialogItems.h"
#include "DataTestSupport.h"
#include "FilterPage.h"
#include "SamplingPage.h"
#include "SequenceSheet.h"
#include "ui/WinApp.h"

namespace kovo::test {

using Texts = std::vector<std::string>;

class SettingsTest : public DataTest {
 protected:
  SettingsTest() {
    platform::EnsureGuiApplication();
    setup->SetPressureUnit(COPresUnit::kpa);
    setup->SetLengthUnit(COLengUnit::metre);
    setup->SetGasConcUnit(COConcUnit::ppm);
    SetBank(monitor.setup, 0, 0, "CO2", 44.01f);
    SetBank(monitor.setup, 0, 2, "SO2", 64.06f);
    SetBank(monitor.setup, 1, 0, "CH4", 16.04f);
    NewTask("Settings");
    sequence.SetActiveBank(0, 0);
    sequence.SetActiveBank(1, 0);
    sequence.SetAirPres(101.0f);
    sequence.SetTubeLength(10.0f);
    sequence.SetChamberTime(10);
    sequence.SetTubeTime(20);
    sequence.SetSampleInterval(5);
    sequence.SetRollingAvg(30);
    sequence.Save();
  }

  std::unique_ptr<COSequenceSheet> Open(bool viewOnly = false, COSequence* on = nullptr) {
    auto sheet = std::make_unique<COSequenceSheet>(*context, on ? *on : sequence, viewOnly, nullptr, 0, &pageStatus);
    sheet->show();
    return sheet;
  }
  // The sequence as the task database holds it.
  std::unique_ptr<COSequence> Stored() {
    auto stored = std::make_unique<COSequence>(*context);
    stored->Load();
    return stored;
  }
  static void Check(platform::CDialog& page, int id, bool on) {
    auto* button = qobject_cast<QAbstractButton*>(page.GetDlgItem(id));
    ASSERT_NE(button, nullptr) << id;
    button->click();
    button->setChecked(on);
  }

  COPageStatus pageStatus;
};

}  // namespace kovo::test
