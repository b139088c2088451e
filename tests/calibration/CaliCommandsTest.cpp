// The calibration commands on the wire: every write after its own enable
// line, the value forms, the reading of a calibration measurement and what
// never reaches the line.
#include <gtest/gtest.h>

#include "COMeas.h"
#include "CommKovo.h"
#include "CommKovoCali.h"
#include "Exceptions.h"
#include "FakeConn.h"
#include "InstrumentInfo.h"

namespace {

class CaliCommandsTest : public ::testing::Test {
 protected:
  std::string Sent() {
    const std::string all = conn.AllWritten();
    conn.written.clear();
    return all;
  }
  // The reply arrives as one block.
  void Reply(const std::string& text) { conn.blocks.push_back(text); }

  FakeConn conn;
  InstrumentInfo instrument;
  CommKovo comm{&conn, instrument};
  CommKovoCali cali{comm, instrument};
};

TEST_F(CaliCommandsTest, WritesGoOutAsTheMonitorReadsThem) {
  const CalibTime date(platform::CTime(2005, 3, 7, 0, 0, 0));
  FixChBuf<30> name;
  name.Assign(std::string("CO2"));
  const struct {
    std::function<void()> write;
    const char* line;
  } cases[] = {
      {[&] { cali.setOffsetFactor(FilterPos::C, 1, 0.0012345f); }, "C_P F_C,2,C_OF_F,1.234500E-03"},
      {[&] { cali.setCross(FilterPos::C, 1, FilterPos::E, 2.5f); }, "C_P F_C,2,C_CR_F_E,2.500000E+00"},
      {[&] { cali.setWaterConcDate(date); }, "C_P F_W,C_CO_D,\"2005-03-07\""},
      {[&] { cali.setOffsetDate(FilterPos::A, 0, CalibTime()); }, "C_P F_A,1,C_OF_D,\"__________\""},
      {[&] { cali.setMW(FilterPos::E, 4, 28.01f); }, "C_P F_E,5,G_W,28.01"},
      {[&] { cali.setMW(FilterPos::E, 4, MeasValue()); }, "C_P F_E,5,G_W,1.0E32"},
      {[&] { cali.setConcFactor2(FilterPos::B, 2, MeasValue()); }, "C_P F_B,3,C_CO_F_2,1.0E32"},
      {[&] { cali.setGasName(FilterPos::A, 0, name); }, "C_P F_A,1,G_N,\"CO2\""},
      {[&] { cali.setConcType(FilterPos::D, 3, true); }, "C_P F_D,4,C_CO_T,Y"},
      {[&] { cali.setConcLowUnit(FilterPos::A, 0, 4); }, "C_P F_A,1,C_U,C_CO_C_L,U_PPM"},
      {[&] { cali.setConcHighUnit(FilterPos::A, 0, 1); }, "C_P F_A,1,C_U,C_CO_C_H,U_MG_M3"},
      {[&] { cali.setWaterOffsetFactor(0.0f); }, "C_P F_W,C_OF_F,0.000000E+00"},
      {[&] { cali.setHumVoltage(FilterPos::B, 0, 1.5e-12f); }, "C_P F_B,1,C_HU_V,1.500000E-12"},
  };
  for (const auto& c : cases) {
    c.write();
    EXPECT_EQ(Sent(), std::string("E_C 83\n") + c.line + "\n");
  }
}

TEST_F(CaliCommandsTest, RefusesANameOrBankTheLineCannotCarry) {
  FixChBuf<30> name;
  for (const char* bad : {"CO\"2", "CO\n2", "CO\t2"}) {
    name.Assign(std::string(bad));
    EXPECT_THROW(cali.setGasName(FilterPos::A, 0, name), CommException) << bad;
  }
  EXPECT_THROW(cali.setOffsetFactor(FilterPos::A, 5, 1.0f), CommException);
  EXPECT_THROW(cali.setOffsetFactor(FilterPos::A, -1, 1.0f), CommException);
  EXPECT_EQ(Sent(), "");
  EXPECT_TRUE(IsValidGasName("CH4, dry"));
}

TEST_F(CaliCommandsTest, StartsTheCalibrationMeasurement) {
  cali.startCalibMeasurement();
  EXPECT_EQ(Sent(), "STA_C_M\n");
}

TEST_F(CaliCommandsTest, ReadsAReadingByItsTemperatureUnit) {
  const struct {
    const char* reply;
    float temperature;  // degrees Celsius
    float a, w;
  } cases[] = {
      {"25.00 C 25.50 C \r\nA: 1.234E-03 5.678E+00\r\nW: 4.2E-02 1.0E+00\r\n\n", 25.0f, 1.234e-3f, 4.2e-2f},
      {"298.15 K 298.65 K \r\nA: 2.0E-03 1.0E+00\r\n\n", 25.0f, 2.0e-3f, MeasValue::kNoValue},
      {"77.00 F 78.00 F \r\n\n", 25.0f, MeasValue::kNoValue, MeasValue::kNoValue},
      // A line of another letter is the temperature again.
      {"20.0 C 20.0 C \r\nT: 30.0 0.0\r\n\n", 30.0f, MeasValue::kNoValue, MeasValue::kNoValue},
  };
  for (const auto& c : cases) {
    COMeas meas;
    meas.SetValue(1, 7.0f);
    Reply(c.reply);
    cali.getCalibReading(meas);
    EXPECT_EQ(Sent(), "O_SP_C? Slut_Meas,AL\n");
    EXPECT_NEAR(meas.GetValue(COMeas::chTemperature), c.temperature, 1e-3) << c.reply;
    EXPECT_EQ(float(meas.GetValue(0)), c.a) << c.reply;
    EXPECT_FALSE(meas.GetValue(1).IsValid()) << c.reply;
    EXPECT_EQ(float(meas.GetValue(5)), c.w) << c.reply;
    EXPECT_NE(meas.GetMeasTime(), platform::CTime()) << c.reply;
  }
}

TEST_F(CaliCommandsTest, AReadingThatBreaksOffIsAReadError) {
  for (const char* reply : {"25.00 X 25.50 C \r\n\n", "25.00 C 25.50 C\r\n\n", "25.00 C 25.50 C \r\nA 1.0 2.0\r\n\n"}) {
    COMeas meas;
    Reply(reply);
    EXPECT_THROW(cali.getCalibReading(meas), CommException) << reply;
  }
}

}  // namespace
