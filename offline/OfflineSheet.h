#pragma once
// "Offline - Sequence Settings": the Offline program's only window. The
// sequence sheet's pages in their offline builds (the alarm page the
// monitor's own) and the Up/Download page; "Default..." loads the default
// settings, "Units..." changes the units, "Close" ends the program. Escape
// and the window's close end it as "Close" does: the sheet has no Cancel, and
// a key that opened the Units dialog, as the sheet's Cancel button would,
// surprises. Enter in a field ends nothing.
#include <functional>
#include <memory>

#include "SequenceSheet.h"

class COOfflineAlarmPage;
class COOfflineMeasObs;
class COUpDownload;
class CUpDownloadPage;
class ProgramContext;
class QCloseEvent;
class QKeyEvent;

class COOfflineSheet : public COSequenceSheet {
 public:
  static constexpr int kUpDownloadPage = 3;
  // The button of the about box, where the Windows build had its entry in
  // the window menu.
  static constexpr int ID_ABOUT = 16;

  // The pages edit a copy of the program's active sequence; about shows the
  // about box.
  COOfflineSheet(ProgramContext& context, COOfflineMeasObs& measObs, COUpDownload& transfer,
                 std::function<void()> about);
  ~COOfflineSheet() override;

  CUpDownloadPage& UpDownloadPage() { return *m_upDownload; }
  COOfflineAlarmPage* OfflineAlarmPage();
  // "Units...": the active page's values into the sequence, the units
  // dialog, the page shown again in the units chosen.
  void OnUnits();
  // The page the next sheet of the run opens on.
  static int RememberedPage() { return s_activePage; }

 protected:
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override { OnUnits(); }
  void OnDestroy() override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // The active page of the program's last sheet.
  static int s_activePage;

  ProgramContext& m_context;
  COOfflineMeasObs& m_measObs;
  std::unique_ptr<CUpDownloadPage> m_upDownload;
  std::function<void()> m_about;
};
