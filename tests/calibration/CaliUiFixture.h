#pragma once
// The calibration sheets and dialogs offscreen: a calibration task on the
// simulated monitor, connected, its banks stored as the current bank set and
// taken into the calibrator, and the context the sheets are handed.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QPixmap>
#include <string>
#include <vector>

#include "CaliContext.h"
#include "CalibrationFixture.h"
#include "SequenceSheet.h"
#include "db/Database.h"
#include "DBFiles.h"
#include "DialogItems.h"
#include "ui/Dialog.h"
#include "ui/WinApp.h"

namespace kovo::test {

using Texts = std::vector<std::string>;

class CaliUiTest : public CalibrationFixture {
 protected:
  CaliUiTest() {
    platform::EnsureGuiApplication();
    setup->SetGasConcUnit(COConcUnit::ppm);
    setup->SetPressureUnit(COPresUnit::kpa);
    setup->SetLengthUnit(COLengUnit::metre);
    setup->SetTempUnit(COTempUnit::celsius);
  }
  void SetUp() override {
    task = NewCaliTask("Calibration");
    ASSERT_TRUE(cali->OpenMonitor(false));
    serial = cali->GetMonitorSetup().m_serial.ToString();
    ASSERT_TRUE(cali->UploadFilterInfo());
    ASSERT_TRUE(copies->StoreCurrentSet(serial));
    ASSERT_TRUE(cali->LoadSetupFromDatabase(serial));
    cali->TakeActiveBanks();
    messages.Clear();
  }

  // The calibration sequence as the task database holds it.
  std::unique_ptr<COCaliSequence> Stored() {
    auto stored = std::make_unique<COCaliSequence>(program, [] { return false; });
    stored->Load();
    return stored;
  }
  // On the task's database, or the one named.
  void ExecuteSql(const std::string& sql, const std::string& database = std::string()) {
    platform::CDatabase db;
    db.Open(dbfiles::ConnectString(database.empty() ? task : database));
    db.ExecuteSQL(sql);
  }
  static void Click(platform::CDialog& dialog, int id, bool on = true) {
    auto* button = qobject_cast<QAbstractButton*>(dialog.GetDlgItem(id));
    ASSERT_NE(button, nullptr) << id;
    if (button->isCheckable() && button->isChecked() == on) return;
    button->click();
  }
  // A picture of the widget as it is drawn, in the test's temporary folder.
  static void Picture(QWidget& widget, const std::string& name) {
    widget.adjustSize();
    QApplication::processEvents();
    widget.grab().save(QString::fromStdString(::testing::TempDir() + name + ".png"));
  }

  COPageStatus pageStatus;
  calibration::CaliContext ctx{program, *cali, caliSequence, calibrator, &pageStatus};
  std::string task;
  std::string serial;
};

}  // namespace kovo::test
