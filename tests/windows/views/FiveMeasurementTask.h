#pragma once
// The task the graph and numeric windows' tests look at: five measurements by
// number with every gas and water = 10 * number; a start at 1, a comment at
// 2, an alarm on gas A at 3, a stop at 5; windows over the five by number.
// The windows opened over it go before the document does.
#include <QApplication>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "COEvent.h"
#include "DBDoc.h"
#include "DataTestSupport.h"
#include "IntervalView.h"
#include "MeasInterval.h"
#include "ObserverSteps.h"
#include "core/DeviceContext.h"
#include "ViewBase.h"
#include "WindowLayer.h"
#include "ui/WinApp.h"

namespace kovo::test {

class FiveMeasurementTask : public DataTest {
 protected:
  explicit FiveMeasurementTask(const std::string& description) {
    NewTask(description);
    context->SetDocument(&doc);
    ObserverSteps store(*context);
    for (int k = 1; k <= 5; ++k) {
      COMeas m = MakeMeas(base, k * 10, 0, 10.0f * k);
      if (k == 1) m.AddEvent(COEvent(COEvent::typeTaskStarted, "start", 0.0f));
      if (k == 2) m.AddEvent(COEvent(COEvent::typeComment, "  note ", 0.0f));
      if (k == 3) m.AddEvent(COEvent(COEvent::typeAlarm, "alarm", 0.0f));
      if (k == 5) m.AddEvent(COEvent(COEvent::typeTaskStopped, "stop", 0.0f));
      store.Write(m);
    }
    store.Close();
    setup->SetMeasDatabaseOpen(true);
  }
  ~FiveMeasurementTask() override {
    views.clear();
    context->SetDocument(nullptr);
  }

  // A window of that kind over the five, with the columns addColumns gives it
  // unless the window store restores it.
  template <class View>
  View& OpenByNumber(const std::function<void(COMeasInterval&)>& addColumns) {
    views.push_back(std::make_unique<View>(layer, &doc));
    auto& v = static_cast<View&>(*views.back());
    if (!layer.Store().IsRestoring()) {
      COMeasInterval& i = v.Interval();
      i.SetMeasMode(COMeasInterval::kByNumber);
      i.MoveTo(platform::CTime(), 5);
      i.SetLength(5);
      i.GetColumns().clear();
      addColumns(i);
      v.ReloadData();
    }
    v.resize(400, 300);
    return v;
  }
  // A column of the channel in ppm on that axis.
  CColumn PpmColumn(COMeasInterval& interval, unsigned char channel, unsigned char axis) {
    CColumn c(*context);
    c.SetChannel(channel);
    c.SetAxis(axis);
    c.SetUnit(COConcUnit::ppm);
    c.SetSequence(&context->ActiveSequence(), &interval);
    return c;
  }
  static std::vector<std::string> Paint(CIntervalView& v, int cx = 400, int cy = 300) {
    platform::RecordingDC dc;
    v.Draw(dc, platform::CRect(0, 0, cx, cy));
    return dc.Calls();
  }

  QApplication* gui = platform::EnsureGuiApplication();
  platform::CTime base{2024, 5, 6, 10, 0, 0};
  CDocument doc;
  CWindowLayer layer{*context};
  std::vector<std::unique_ptr<CMeasViewBase>> views;
};

}  // namespace kovo::test
