#pragma once
// The calibration status window: the calibration measurement's state and
// which calibration values the calibrator holds, in six lines of a form of
// fixed size. The program opens one at a time; it is not stored with the
// task's windows.
#include <QLabel>
#include <map>

#include "ViewBase.h"

class COCaliMeasObs;
class Calibrator;

class CCaliStatusView : public CMeasViewBase {
 public:
  enum { IDD = 156 };
  enum : int { kState = 1108, kZero = 1153, kHumidity = 1154, kSpan = 1155, kSpanAgain = 1156, kCross = 1157 };

  // Tells the measurement subject that the window is open, until it closes.
  CCaliStatusView(CWindowLayer& layer, CDocument* document, COCaliMeasObs& obs, Calibrator& calibrator,
                  QWidget* parent = nullptr);
  ~CCaliStatusView() override;

  std::string GetWindowTitle() const override { return "Calibration Status"; }
  void Draw(platform::CDC& dc, const platform::CRect& client) override;
  void OnUpdate(CView* sender, long hint, void* hintObject) override { Refresh(); }
  // The end of a run is told by the general subject only.
  void OnGeneralUpdate(const CGenEvent& event) override {
    if (event.kind == eTaskStarted || event.kind == eTaskStopped) Refresh();
  }
  void Refresh();
  std::string Text(int control) const;

 private:
  CCallbackObserver m_observer{[this] { Refresh(); }};
  COCaliMeasObs& m_obs;
  Calibrator& m_calibrator;
  std::map<int, QLabel*> m_labels;
};
