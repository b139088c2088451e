// The calibration sequence's own queries on [Sequence] and its unit
// conversions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "COSystemSetup.h"
#include "COUnits.h"
#include "DBFiles.h"
#include "CalibrationFixture.h"
#include "core/Controls.h"

namespace kovo::test {
namespace {

class CaliSequenceTest : public CalibrationFixture {
 protected:
  // Three runs of the task: measurements 1-10, 11-20 and 21-30, an hour
  // apart; then the row of the next run.
  void ThreeRuns() {
    NewCaliTask("Runs");
    for (int run = 0; run < 3; ++run) {
      caliSequence.SetStart(Hour(run), 10 * run + 1);
      caliSequence.SetStop(Hour(run) + platform::CTimeSpan(600), 10 * run + 10);
      caliSequence.Save();
      caliSequence.NewSequence();
    }
  }
  static platform::CTime Hour(int n) { return platform::CTime(2005, 3, 7, 9 + n, 0, 0); }

  COCaliSequence probe{program, [] { return false; }};
};

TEST_F(CaliSequenceTest, FindsARunByItsMeasurementNumbersOrItsTimes) {
  ThreeRuns();
  probe.Load();
  ASSERT_TRUE(probe.LoadByMeasNumbers(11, 20));
  EXPECT_EQ(probe.Name, "Sequence 2");
  EXPECT_FALSE(probe.LoadByMeasNumbers(11, 21));
  EXPECT_FALSE(probe.LoadByStartStopTime(Hour(2), Hour(2) + platform::CTimeSpan(601)));
  ASSERT_TRUE(probe.LoadByStartStopTime(Hour(2), Hour(2) + platform::CTimeSpan(600)));
  EXPECT_EQ(probe.Name, "Sequence 3");
  EXPECT_EQ(probe.StartNum, 21);
  // The row found can be changed and saved.
  probe.Name = "Span A";
  probe.Save();
  ASSERT_TRUE(probe.LoadByNumber(3));
  EXPECT_EQ(probe.Name, "Span A");
  EXPECT_TRUE(Shown().empty());
  probe.Close();
}

TEST_F(CaliSequenceTest, TheSequenceListOffersEveryRunButTheOneToCome) {
  NewCaliTask("List");
  platform::CListComboBox combo;
  caliSequence.FillSequenceList(combo);
  ASSERT_EQ(combo.GetCount(), 1);
  EXPECT_EQ(combo.GetLBText(0), "(All)");
  EXPECT_EQ(combo.GetCurSel(), 0);

  for (int run = 0; run < 3; ++run) caliSequence.NewSequence();
  caliSequence.FillSequenceList(combo);
  std::vector<std::string> entries;
  for (int i = 0; i < combo.GetCount(); ++i) entries.push_back(combo.GetLBText(i));
  EXPECT_EQ(entries, std::vector<std::string>({"(All)", "Sequence 1", "Sequence 2", "Sequence 3"}));
  EXPECT_EQ(combo.GetCurSel(), 3);
  // The active row stays where it was.
  EXPECT_EQ(caliSequence.Name, "Sequence 4");
}

TEST_F(CaliSequenceTest, LockedFiltersAreKeptInMemoryOnly) {
  NewCaliTask("Locked");
  caliSequence.SetFilterLocked(1, true);
  caliSequence.SetFilterLocked(5, true);
  EXPECT_TRUE(caliSequence.IsFilterLocked(1));
  EXPECT_FALSE(caliSequence.IsFilterLocked(0));
  EXPECT_EQ(caliSequence.LockedFilter, 0x22);
  caliSequence.SetFilterLocked(1, false);
  EXPECT_EQ(caliSequence.LockedFilter, 0x20);
  caliSequence.Save();
  ASSERT_TRUE(probe.LoadByNumber(1));
  EXPECT_FALSE(probe.IsFilterLocked(5));
  probe.Close();
}

// A new task measures at the standard atmosphere, so that a target given in
// ppm is the mass it is at sea level: at the 50 kPa that new tasks once had,
// 1000 ppm of CO2 were taken for half their mass and every span factor came
// out half as large. A stored task keeps the pressure it was given.
TEST_F(CaliSequenceTest, ANewTaskStartsAtTheStandardAtmosphereAndAStoredOneKeepsItsOwn) {
  setup->SetPressureUnit(COPresUnit::kpa);
  const std::string task = NewCaliTask("Pressure");
  EXPECT_FLOAT_EQ(caliSequence.AirPres, 101.325f);
  EXPECT_FLOAT_EQ(caliSequence.GetAirPres(), 101.325f);
  // 1000 ppm of CO2 (44.01 g/mol) are the mass they are at sea level.
  EXPECT_NEAR(COConcUnit(COConcUnit::ppm).Convert(COConcUnit(COConcUnit::mg_m3), 1000.0f, 44.01f,
                                                  COCaliSequence::kConversionTemp, caliSequence.AirPres),
              1829.5f, 1.0f);

  caliSequence.AirPres = 50.0f;
  caliSequence.Save();
  caliSequence.Close();
  ASSERT_TRUE(caliSequence.Load());
  EXPECT_FLOAT_EQ(caliSequence.AirPres, 50.0f);
}

// The humidity span is converted at 20 °C, whatever unit the windows show
// temperatures in.
TEST_F(CaliSequenceTest, TheHumiditySpanIsConvertedAtTwentyDegreesInEveryTemperatureUnit) {
  NewCaliTask("Humidity");
  caliSequence.AirPres = 101.325f;
  for (int unit : {COTempUnit::celsius, COTempUnit::kelvin, COTempUnit::fahrenheit}) {
    setup->SetTempUnit(static_cast<unsigned char>(unit));
    caliSequence.HumiSpan = 15000.0f;
    EXPECT_NEAR(caliSequence.GetHumiSpan(COConcUnit::mg_m3), 11237.0f, 1.0f) << unit;
    caliSequence.SetHumiSpan(COConcUnit::mg_m3, 11237.0f);
    EXPECT_NEAR(caliSequence.HumiSpan, 15000.0f, 1.5f) << unit;
  }
}

// A file in a task's place that is no database, or a database without the
// task's tables, is refused with why before any row is read.
TEST_F(CaliSequenceTest, AFileThatIsNoTaskIsRefused) {
  const std::string task = NewCaliTask("Broken");
  caliSequence.Close();
  const std::string file = setup->DataFile(task);
  const std::string system = setup->DataFile(dbfiles::kSystemName);
  const struct {
    const char* what;
    std::function<void()> spoil;
    const char* reason;
  } cases[] = {
      {"no database", [&] { std::ofstream(file, std::ios::trunc) << "not a database"; }, "file is not a database"},
      {"no task", [&] { std::filesystem::copy_file(system, file, std::filesystem::copy_options::overwrite_existing); },
       "Sequence"},
  };
  for (const auto& c : cases) {
    c.spoil();
    messages.Clear();
    EXPECT_FALSE(caliSequence.Load()) << c.what;
    ASSERT_EQ(Shown().size(), 1u) << c.what;
    EXPECT_NE(Shown()[0].find(c.reason), std::string::npos) << c.what << ": " << Shown()[0];
    EXPECT_FALSE(caliSequence.IsLoaded()) << c.what;
  }
}

}  // namespace
}  // namespace kovo::test
