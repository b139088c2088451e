#pragma once
// A program's data side for tests: a folder of its own with data/ and
// prototyp/ made on first start, its own data-source file, and a data context
// with its system set-up opened, a measurement subject that only pretends
// (unless the context has a real one) and four alarm outputs that only
// record.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "COGenSub.h"
#include "COSequenceObs.h"
#include "COSystemSetup.h"
#include "DataContext.h"
#include "FilterData.h"
#include "MeasInterval.h"
#include "OdbcTestSupport.h"
#include "core/MessageSink.h"

namespace kovo::test {

class FakeMeasurement : public IMeasurementLink {
 public:
  MeasState GetState() const override { return state; }
  void StopMeasurement() override {
    ++stops;
    state = MeasState::idle;
  }
  bool IsOffline() const override { return offline; }
  bool HasLastMeas() const override { return hasLastMeas; }
  bool RetrieveMonitorID() override { return identified; }
  bool UploadFilterInfo() override {
    ++uploads;
    if (uploadSucceeds) setup = uploaded;
    return uploadSucceeds;
  }
  const MonitorSetup& GetMonitorSetup() const override { return setup; }
  void SetPort(int p) override { port = p; }

  MeasState state = MeasState::idle;
  int stops = 0;
  bool offline = false;
  bool hasLastMeas = false;
  bool identified = true;
  bool uploadSucceeds = true;
  int uploads = 0;
  int port = -1;
  MonitorSetup setup;
  MonitorSetup uploaded;
};

// Records every switch as "<name>:on" or "<name>:off".
class RecordingAction : public COAction {
 public:
  RecordingAction(std::string name, std::vector<std::string>* log) : m_name(std::move(name)), m_log(log) {}
  void Execute(bool on) override { m_log->push_back(m_name + (on ? ":on" : ":off")); }

 private:
  std::string m_name;
  std::vector<std::string>* m_log;
};

class DataTest : public ::testing::Test {
 protected:
  // The Online program's data side.
  DataTest();
  // The data side of the context given (another program, a program context).
  explicit DataTest(std::unique_ptr<DataContext> context);
  ~DataTest() override;

  // Makes a measurement task and loads it into the active sequence.
  std::string NewTask(const std::string& description);
  // A monitor set-up with the serial and, for filter f, bank b, the gas name
  // and molecular weight.
  static void SetBank(MonitorSetup& s, int filter, int bank, const std::string& gas, float mw);
  std::vector<std::string> Shown() const { return messages.Texts(); }
  // Two columns in ppm: gas A on the left axis, water on the right.
  void GasAAndWaterColumns(COMeasInterval& interval);
  // The interval from base + from to base + to seconds.
  COMeasInterval IntervalByTime(const platform::CTime& base, int from, int to) const;
  // Measurements first to last by number; with average, a rolling average
  // over that many.
  COMeasInterval IntervalByNumber(int first, int last, int average = 0) const;

  OdbcScope odbc;
  ProgramFolderScope programFolder{odbc.Dir().Path()};
  platform::ScriptedMessageSink messages;
  std::unique_ptr<DataContext> context;
  COSystemSetup* const setup;
  COGenSub& genSub;
  COSequenceObs& sequence;
  FakeMeasurement monitor;
  std::vector<std::string> switches;
  RecordingAction pcBeep{"pc", &switches};
  RecordingAction monBeep{"monitor", &switches};
  RecordingAction relay1{"relay1", &switches};
  RecordingAction relay2{"relay2", &switches};
};

// A measurement at base + seconds with number no and every gas and the water
// channel set to value.
COMeas MakeMeas(const platform::CTime& base, int seconds, int no, float value);

// Stores one more event of the open task at its measurement number and
// time, as an event entered later is.
void StoreEvent(DataContext& context, COMeas at, const COEvent& event);

}  // namespace kovo::test
