#include "DataTestSupport.h"

#include "ProgramProfiles.h"

#include "TaskRecords.h"

#include <cstdlib>

namespace kovo::test {

DataTest::DataTest() : DataTest(std::make_unique<DataContext>(kovo::test::ProfileOf("Online"))) {}

DataTest::DataTest(std::unique_ptr<DataContext> made)
    : context(std::move(made)), setup(&context->Setup()), genSub(context->GenSub()), sequence(context->Sequence()) {
  if (context->Measurement() == nullptr) context->SetMeasurement(&monitor);
  context->SetAlarmOutputs(&pcBeep, &monBeep, &relay1, &relay2);
  monitor.setup.m_serial.Assign(std::string("SN1001"));
  if (!setup->OpenSystemDatabase()) ADD_FAILURE() << "the system database did not open";
}

DataTest::~DataTest() {
  // A fixture above may have ended the context first.
  if (context) {
    sequence.Close();
    context.reset();
  }
}

std::string DataTest::NewTask(const std::string& description) {
  setup->CreateMeasDatabase(description);
  setup->SetDatabaseDesc(description);
  sequence.Load();
  return setup->GetDatabaseName();
}

void DataTest::SetBank(MonitorSetup& s, int filter, int bank, const std::string& gas, float mw) {
  s.GetFilter(filter).m_number.Assign(std::string("4711"));
  s.GetFilter(filter).GetBank(bank).SetGasName(gas);
  s.GetFilter(filter).GetBank(bank).SetMW(mw);
}

void DataTest::GasAAndWaterColumns(COMeasInterval& interval) {
  interval.GetColumns().clear();
  for (int ch : {0, 5}) {
    CColumn c(*context);
    c.SetChannel(static_cast<unsigned char>(ch));
    c.SetAxis(ch == 0 ? 0 : 1);
    c.SetUnit(COConcUnit::ppm);
    c.SetSequence(&context->ActiveSequence(), &interval);
    interval.GetColumns().push_back(c);
  }
}

COMeasInterval DataTest::IntervalByTime(const platform::CTime& base, int from, int to) const {
  COMeasInterval i(*context);
  i.SetMeasMode(COMeasInterval::kByTime);
  i.SetStartTime(base + platform::CTimeSpan(from));
  i.SetEndTime(base + platform::CTimeSpan(to));
  return i;
}

COMeasInterval DataTest::IntervalByNumber(int first, int last, int average) const {
  COMeasInterval i(*context);
  i.SetMeasMode(COMeasInterval::kByNumber);
  i.MoveTo(platform::CTime(), last);
  i.SetLength(last - first + 1);
  if (average != 0) {
    i.SetMeasAvg(1);
    i.SetInterval(average);
  }
  return i;
}

COMeas MakeMeas(const platform::CTime& base, int seconds, int no, float value) {
  COMeas m;
  m.SetTime(base + platform::CTimeSpan(seconds));
  m.SetMeasNo(no);
  for (int c = 0; c <= COMeas::chWater; ++c) m.SetValue(c, value);
  m.SetValue(COMeas::chTemperature, 293.0f);
  m.SetPressure(1013.0f);
  return m;
}

void StoreEvent(DataContext& context, COMeas at, const COEvent& event) {
  CORecEvent events(context);
  events.SaveEvent(at, event);
  events.Close();
}

}  // namespace kovo::test
