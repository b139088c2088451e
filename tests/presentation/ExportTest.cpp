// A stored task exported as a window shows it, by number and by time, read
// back field by field.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "COSequence.h"
#include "DataTestSupport.h"
#include "MeasInterval.h"
#include "MeasReader.h"
#include "ObserverSteps.h"
#include "TextExport.h"

namespace {

using kovo::test::DataTest;

std::vector<std::vector<std::string>> ReadLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::vector<std::string>> lines;
  std::string line;
  while (std::getline(in, line)) {
    EXPECT_FALSE(line.empty());
    EXPECT_EQ(line.back(), '\r');
    line.pop_back();
    std::vector<std::string> fields;
    std::stringstream s(line);
    std::string f;
    while (std::getline(s, f, '\t')) fields.push_back(f);
    if (!line.empty() && line.back() == '\t') fields.emplace_back();
    lines.push_back(fields);
  }
  return lines;
}

class ExportTest : public DataTest {
 protected:
  void SetUp() override {
    NewTask("export");
    COSequence& seq = context->ActiveSequence();
    for (int f : {0, 1}) seq.SetFilterLocked(f, true);
    seq.SetGasName(0, "CO2");
    seq.SetGasName(1, "CH4");
    kovo::test::ObserverSteps store(*context);
    const float a[] = {400.0f, 0.5f, 1234.5f, 12.345f};
    for (int k = 0; k < 4; ++k) {
      COMeas m;
      m.SetTime(base + platform::CTimeSpan(k * 60));
      m.SetValue(0, a[k]);
      m.SetValue(1, k == 2 ? MeasValue::kNoValue : 2.0f);  // no value for B in the third
      if (k == 1) {
        m.AddEvent(COEvent(0, "filter changed", 0));
        m.AddEvent(COEvent(2, "CO2 high", 0));
      }
      store.Write(m, k == 0);
    }
    store.Close();
  }
  COMeasInterval Interval(int mode) {
    COMeasInterval i(*context);
    i.SetMeasMode(static_cast<unsigned char>(mode));
    i.GetColumns().clear();
    for (int ch : {0, 1}) {
      CColumn c(*context);
      c.SetChannel(static_cast<unsigned char>(ch));
      c.SetUnit(COConcUnit::ppm);
      c.SetSequence(&context->ActiveSequence(), &i);
      i.GetColumns().push_back(c);
    }
    i.MoveTo(base + platform::CTimeSpan(180), 4);
    i.SetLength(4);
    i.SetTimeSpan(180);
    return i;
  }
  std::string Path() const { return odbc.File("export.txt"); }

  platform::CTime base{2007, 3, 9, 10, 0, 0};
};

TEST_F(ExportTest, ByNumberEachMeasurementIsALineOfItsValuesAndEvents) {
  const COMeasInterval interval = Interval(COMeasInterval::kByNumber);
  COMeasLoader loader(*context);
  ASSERT_TRUE(text_export::Export(Path(), *context, interval, loader, "M/d/yy"));
  using L = std::vector<std::string>;
  const std::vector<L> want = {
      {"\"Meas. No.\"", "\"A: CO2 [ppm]\"", "\"B: CH4 [ppm]\"", "\"Event(s)\""},
      {"1", "400000e-003", "200000e-005", "Start"},
      {"2", "500000e-006", "200000e-005", "filter_changed,Alarm"},
      {"3", "123450e-002", ""},  // no value is no figure, not zero
      {"4", "123450e-004", "200000e-005"},
  };
  EXPECT_EQ(ReadLines(Path()), want);
}

TEST_F(ExportTest, ByTimeTheFirstFieldIsTheDateInTheLocalesPatternAndTheTime) {
  const COMeasInterval interval = Interval(COMeasInterval::kByTime);
  COMeasLoader loader(*context);
  ASSERT_TRUE(text_export::Export(Path(), *context, interval, loader, "dd.MM.yyyy"));
  const auto lines = ReadLines(Path());
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0][0], "\"Time\"");
  EXPECT_EQ(lines[1][0], "09.03.07 10:00:00");
  EXPECT_EQ(lines[4][0], "09.03.07 10:03:00");

  EXPECT_FALSE(text_export::Export(odbc.File("no/such/folder/export.txt"), *context, interval, loader, "M/d/yy"));
}

}  // namespace
