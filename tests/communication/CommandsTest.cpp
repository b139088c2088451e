#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "COAirPressure.h"
#include "COMeas.h"
#include "CommKovo.h"
#include "Exceptions.h"
#include "InstrumentInfo.h"
#include "LinkFixture.h"

namespace {
using kovo::sim::Misbehaviour;
using kovo::sim::MonitorState;
using Lines = std::vector<std::string>;
}  // namespace

class Commands : public LinkFixture {
 protected:
  void SetUp() override {
    kovo::sim::SimTimings t;
    t.sampleIntervalMs = 40;
    t.splitPieceSize = 5;
    t.splitPauseMs = 30;
    StartMonitor(t);
    OpenQuietly();
    conn = std::make_unique<TransConnRS232>(link.get());
    comm = std::make_unique<CommKovo>(conn.get(), instrument);
    comm->GetSource().SetEmptyReadLimit(2);
  }
  void TearDown() override {
    comm.reset();
    conn.reset();
    LinkFixture::TearDown();
  }

  // The lines the monitor received while f ran (set commands have no reply,
  // so wait for the expected count).
  Lines Sent(const std::function<void()>& f, size_t expected) {
    monitor->ClearLines();
    f();
    monitor->WaitForLines(expected, 1000);
    std::this_thread::sleep_for(std::chrono::milliseconds(expected == 0 ? 100 : 0));
    return monitor->Lines();
  }

  InstrumentInfo instrument;
  std::unique_ptr<TransConnRS232> conn;
  std::unique_ptr<CommKovo> comm;
};

TEST_F(Commands, SetCommandsSendTheirExactLines) {
  CommKovo& c = *comm;
  const MeasValue none;
  const struct {
    std::function<void()> run;
    Lines lines;
  } cases[] = {
      {[&] { c.setKeyLock(true); }, {"K_L Y"}},
      {[&] { c.sendAM(); }, {"A_M"}},
      {[&] { c.setServiceRequest(1, 1); }, {"CO_SRQ 1,1"}},
      {[&] { c.startMeasurement(); }, {"STA_M"}},
      {[&] { c.stopMeasurement(); }, {"STOP_M"}},
      {[&] { c.alarmStart(); }, {"A_STA"}},
      {[&] { c.alarmStop(); }, {"A_STO"}},
      {[&] { c.setRelay(2, true); }, {"E_C 26", "R 2,Y"}},
      {[&] { c.setRelays(false); }, {"E_C 26", "R N"}},
      {[&] { c.setActiveBank(FilterPos::C, BankNo(1)); }, {"SE B,F_C,2"}},
      {[&] { c.setAirPressure(50.0f); }, {"SE A_P,50.0"}},
      {[&] { c.setCrossCompensation(true); }, {"SE C_C,Y"}},
      {[&] { c.setWaterCompensation(false); }, {"SE W_C,N"}},
      {[&] { c.setSampleContinuously(true); }, {"SE C_S,Y"}},
      {[&] { c.setSampleInterval(5); }, {"SE S_I,\"00:05\""}},
      {[&] { c.setSampleIntegrationTime(FilterPos::W, 2.5f); }, {"SE S_I_T,F_W,2.5"}},
      {[&] { c.setUseFilter(FilterPos::D, true); }, {"SE US_F,F_D,Y"}},
      {[&] { c.setLengthUnit(COLengUnit(1)); }, {"SE L_U,U_FEET"}},
      {[&] { c.setHumiUnit(COHumiUnit(2)); }, {"SE H_U,U_MG_M3"}},
      {[&] { c.setHumiUnit(COHumiUnit(4)); }, {"SE H_U,U_PPM"}},
      {[&] { c.setHumiUnit(COHumiUnit(6)); }, {"SE H_U,U_TDEW"}},
      {[&] { c.setHumiUnit(COHumiUnit(7)); }, {"SE H_U,U_kPa"}},
      {[&] { c.setPressureUnit(COPresUnit(3)); }, {"SE PR_U,U_MBAR"}},
      {[&] { c.setPressureUnit(COPresUnit(1)); }, {"SE PR_U,U_MMHG"}},
      {[&] { c.setPressureUnit(COPresUnit(2)); }, {"SE PR_U,U_kPa"}},
      {[&] { c.setTempUnit(COTempUnit(0)); }, {"SE T_U,U_KE"}},
      {[&] { c.setTempUnit(COTempUnit(2)); }, {"SE T_U,U_FA"}},
      {[&] { c.setConcUnit(COConcUnit(5)); }, {"SE C_U,U_PPM"}},
      {[&] { c.setNormTemperature(20.0f); }, {"SE N_T,20.0"}},
      {[&] { c.setFixedTime(true); }, {"SE F_T_F,Y"}},
      {[&] { c.setTubeLength(12.5f); }, {"SE T_L,12.5"}},
      {[&] { c.setChamberFlushTime(30); }, {"SE C_F_T,30"}},
      {[&] { c.setTubeFlushTime(45); }, {"SE T_F_T,45"}},
      {[&] { c.setDA(true); }, {"D_A,Y"}},
      {[&] { c.setAverageTime(90); }, {"SE A_T,\"01:30\""}},
      {[&] { c.setMM(false); }, {"SE M_M,N"}},
      {[&] { c.setAlarmLimit1(FilterPos::A, BankNo(0), 50.0f); }, {"E_C 83", "C_P F_A,1,A_L,5.000000E+01"}},
      {[&] { c.setAlarmLimit2(FilterPos::C, BankNo(0), none); }, {"E_C 83", "C_P F_C,1,A_L,1.0E32,2"}},
      {[&] { c.setWaterAlarmLimit1(12000.0f); }, {"E_C 83", "C_P F_W,A_L,1.200000E+04"}},
      {[&] { c.setWaterAlarmLimit2(none); }, {"E_C 83", "C_P F_W,A_L,1.0E32,2"}},
      {[&] { c.setClock(platform::CTime(2005, 12, 31, 23, 59, 30)); }, {"SE CL,\"00:00\"", "SE DA,\"2006-01-01\""}},
      // A moment the clock must not go out before, when it is still ahead.
      {[&] { c.setClockNotBefore(CalibTime(platform::CTime(2999, 12, 31, 23, 59, 0))); }, {"SE CL,\"00:00\"", "SE DA,\"3000-01-01\""}},
      // Units the monitor has no keyword for are not sent at all.
      {[&] { c.setHumiUnit(COHumiUnit(8)); }, {}},
      {[&] { c.setConcUnit(COConcUnit(6)); }, {}},
  };
  for (const auto& k : cases) EXPECT_EQ(Sent(k.run, k.lines.size()), k.lines);

  // The monitor took them all, each enabled write by its own enable line.
  const MonitorState s = monitor->State();
  EXPECT_EQ(s.rejected, 0);
  EXPECT_TRUE(s.relays[1]);
  EXPECT_TRUE(s.keyboardLocked);
  EXPECT_EQ(s.setup.at("S_I"), "\"00:05\"");
  EXPECT_EQ(s.setup.at("B,F_C"), "2");
  EXPECT_EQ(s.setup.at("US_F,F_D"), "Y");
  EXPECT_EQ(s.setup.at("D_A"), "Y");
  EXPECT_EQ(s.params.at("F_A,1,A_L"), " 5.000000E+01");
  EXPECT_EQ(s.params.at("F_W,A_L"), " 1.200000E+04");
  EXPECT_EQ(s.params.at("F_C,1,A_L,2"), "__________");
}

TEST_F(Commands, IdentityStatusAndMessages) {
  FixChBuf<5> model, version;
  FixChBuf<11> serial;
  comm->getIdentity(model, serial, version);
  EXPECT_STREQ(model.Buffer(), "1314");
  EXPECT_STREQ(serial.Buffer(), "K0042");
  EXPECT_STREQ(version.Buffer(), "12");
  // The leak detector gives its type where the Kovo gives a model number.
  monitor->Modify([](MonitorState& s) { s.BeLeakDetector(); });
  comm->getIdentity(model, serial, version);
  EXPECT_STREQ(model.Buffer(), "Tebb");
  EXPECT_STREQ(serial.Buffer(), "K0042");
  // A model too long for its field, or a reply that ends in it, is no identity.
  for (const char* reply : {"Q&T,123456,K0042,VP12", "Q&T,1314\r\n"}) {
    monitor->AddHandler("*IDN?", [reply](MonitorState&, const kovo::sim::Command&) -> std::optional<std::string> {
      return std::string(reply);
    });
    EXPECT_THROW(comm->getIdentity(model, serial, version), CommException) << reply;
  }

  int32_t status = -1;
  comm->getExtStatus(status);
  EXPECT_EQ(status, 0);
  comm->startMeasurement();
  comm->getExtStatus(status);
  EXPECT_EQ(status, 8);

  bool flag = true;
  comm->getAM(flag);
  EXPECT_FALSE(flag);
  monitor->PostMessage("Zero point drift");
  comm->getAM(flag);
  EXPECT_TRUE(flag);
  FixChBuf<160> text;
  comm->getPUDB(text);
  EXPECT_STREQ(text.Buffer(), "Zero point drift");
  comm->sendAM();
  comm->getAM(flag);
  EXPECT_FALSE(flag);

  int32_t value = -1;
  comm->setServiceRequest(3, 7);
  comm->getServiceRequest(3, value);
  EXPECT_EQ(value, 7);
}

TEST_F(Commands, SamplesComeEverySamplingInterval) {
  const platform::CTime started = platform::CTime::GetCurrentTime();
  comm->startMeasurement();
  int32_t ready = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!ready && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    comm->getServiceRequestMem(1, ready);
  }
  ASSERT_EQ(ready, 1);
  COMeas meas;
  const platform::CTime before = platform::CTime::GetCurrentTime();
  comm->getSample(meas, before - platform::CTimeSpan(600), false);
  const platform::CTime after = platform::CTime::GetCurrentTime();
  EXPECT_FLOAT_EQ(meas.GetValue(0), 380.0f);
  EXPECT_FLOAT_EQ(meas.GetValue(1), 1.8f);
  EXPECT_FALSE(meas.GetValue(3).IsValid());
  EXPECT_FLOAT_EQ(meas.GetValue(5), 9500.0f);
  EXPECT_TRUE(meas.GetEvents().empty());
  // Dated by the monitor's clock, which is the PC's: taken after the start,
  // before the reply.
  EXPECT_GE(meas.GetMeasTime(), started);
  EXPECT_LE(meas.GetMeasTime(), after);
  // The monitor goes on sampling.
  const long taken = monitor->State().samplesTaken;
  const auto more = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (monitor->State().samplesTaken < taken + 3 && std::chrono::steady_clock::now() < more)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_GE(monitor->State().samplesTaken, taken + 3);

  // A restart, a message and an alarm show up as events of the next sample.
  monitor->Restart();
  monitor->PostMessage("Pump");
  comm->setAlarmLimit1(FilterPos::A, BankNo(0), 100.0f);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  COMeas next;
  comm->getSample(next, before - platform::CTimeSpan(600), false);
  std::vector<int> types;
  for (const COEvent& e : next.GetEvents()) types.push_back(e.GetType());
  EXPECT_EQ(types, (std::vector<int>{2, 7, 8}));
  EXPECT_TRUE(monitor->State().alarms[0]);
}

TEST_F(Commands, PressureOfTheLeakDetector) {
  COAirPressure p;
  comm->getAirPressure(p);
  comm->getPressureUnit(p);
  EXPECT_EQ(p.GetUnit().GetUnit(), COPresUnit::mbar);
  EXPECT_FLOAT_EQ(p.GetValue(COPresUnit(COPresUnit::hpa)), 1013.2f);

  instrument.SetInfo("Tebb", "K0042");
  monitor->Modify([](MonitorState& s) {
    s.setup["PR_U"] = "U_kPa";
    s.airPressure = 101.3f;
  });
  comm->startMeasurement();
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  COMeas meas;
  const Lines lines = Sent([&] { comm->getSample(meas, platform::CTime::GetCurrentTime(), false); }, 3);
  EXPECT_EQ(lines, (Lines{"O_SP_C? SA_DA,AL", "M_A_P?", "SE? PR_U"}));
  EXPECT_FLOAT_EQ(meas.GetPressure(), 1013.0f);
}

TEST_F(Commands, FilterAndBankQueries) {
  FixChBuf<5> number;
  comm->getUANumber(FilterPos::A, number);
  EXPECT_STREQ(number.Buffer(), "1312");
  comm->getUANumber(FilterPos::E, number);
  EXPECT_STREQ(number.Buffer(), "____");

  MeasValue v;
  comm->getFilterMeasValue(4, v);
  EXPECT_FLOAT_EQ(v, 5.0f);
  comm->getFilterMeasValue(2, v);
  EXPECT_FALSE(v.IsValid());

  FixChBuf<30> gas;
  comm->getCalibParmText(FilterPos::B, BankNo(0), gas);
  EXPECT_STREQ(gas.Buffer(), "CH4");
  comm->getCalibParmText(FilterPos::B, BankNo(4), gas);
  EXPECT_STREQ(gas.Buffer(), "_");

  const struct {
    std::function<void(MeasValue&)> read;
    float expected;
  } values[] = {
      {[&](MeasValue& m) { comm->getCalibParmValue(FilterPos::A, BankNo(0), m); }, 44.01f},
      {[&](MeasValue& m) { comm->getOffsetFactor(FilterPos::C, BankNo(0), m); }, 0.0095f},
      {[&](MeasValue& m) { comm->getHumFactor(FilterPos::A, BankNo(0), m); }, 0.05f},
      {[&](MeasValue& m) { comm->getConcFactor1(FilterPos::B, BankNo(0), m); }, 900.0f},
      {[&](MeasValue& m) { comm->getConcFactor2(FilterPos::B, BankNo(0), m); }, MeasValue::kNoValue},
      {[&](MeasValue& m) { comm->getConcLow(FilterPos::D, BankNo(0), m); }, MeasValue::kNoValue},
      {[&](MeasValue& m) { comm->getConcHigh(FilterPos::E, BankNo(0), m); }, 20.0f},
      {[&](MeasValue& m) { comm->getCross(FilterPos::A, BankNo(0), FilterPos::B, m); }, 0.0f},
      {[&](MeasValue& m) { comm->getCross(FilterPos::A, BankNo(0), FilterPos::A, m); }, MeasValue::kNoValue},
      {[&](MeasValue& m) { comm->getOffsetFactor(FilterPos::A, BankNo(3), m); }, MeasValue::kNoValue},
      {[&](MeasValue& m) { comm->getWaterOffsetFactor(m); }, 0.042f},
      {[&](MeasValue& m) { comm->getWaterConcFactor1(m); }, 2.0e-6f},
  };
  for (const auto& c : values) {
    MeasValue m(-1.0f);
    c.read(m);
    EXPECT_FLOAT_EQ(m.GetValue(), c.expected);
  }

  bool twoPoint = true;
  comm->getConcType(FilterPos::A, BankNo(0), twoPoint);
  EXPECT_FALSE(twoPoint);

  const platform::CTime set(2004, 5, 6, 0, 0, 0);
  const struct {
    std::function<void(CalibTime&)> read;
    bool valid;
  } dates[] = {
      {[&](CalibTime& t) { comm->getOffsetDate(FilterPos::A, BankNo(0), t); }, true},
      {[&](CalibTime& t) { comm->getHumDate(FilterPos::A, BankNo(0), t); }, true},
      {[&](CalibTime& t) { comm->getConcDate(FilterPos::A, BankNo(0), t); }, true},
      {[&](CalibTime& t) { comm->getCrossDate(FilterPos::A, BankNo(1), t); }, false},
      {[&](CalibTime& t) { comm->getWaterOffsetDate(t); }, true},
      {[&](CalibTime& t) { comm->getWaterConcDate(t); }, false},
  };
  for (const auto& d : dates) {
    CalibTime t;
    d.read(t);
    EXPECT_EQ(t.IsValid(), d.valid);
    if (d.valid) {
      EXPECT_EQ(t.GetTime(), set);
    }
  }
}

TEST_F(Commands, AReplyWithoutItsSecondLineFeedFailsAndLeavesNothingBehind) {
  monitor->AddHandler("EX_S?", [](MonitorState&, const kovo::sim::Command&) -> std::optional<std::string> {
    return std::string("0\r\nX\r");
  });
  int32_t status = -1;
  EXPECT_THROW(comm->getExtStatus(status), CommException);
  // The rest of the broken reply is dropped before the next request.
  bool flag = true;
  comm->getAM(flag);
  EXPECT_FALSE(flag);
}

TEST_F(Commands, GarbageSplitRepliesAndSilence) {
  int32_t status = -1;
  monitor->SetMisbehaviour(Misbehaviour::garbage);
  EXPECT_THROW(comm->getExtStatus(status), Scans::ScanError);
  monitor->SetMisbehaviour(Misbehaviour::none);
  comm->getExtStatus(status);
  EXPECT_EQ(status, 0);

  // Slow pieces arrive in several reads and are joined.
  monitor->SetMisbehaviour(Misbehaviour::split);
  FixChBuf<5> model, version;
  FixChBuf<11> serial;
  comm->getIdentity(model, serial, version);
  EXPECT_STREQ(serial.Buffer(), "K0042");

  // Silence ends in a time-out after the request was sent again each time.
  monitor->SetMisbehaviour(Misbehaviour::silent);
  const Lines lines = Sent(
      [&] {
        try {
          comm->getExtStatus(status);
          ADD_FAILURE() << "no time-out";
        } catch (const Rs232Exception& e) {
          EXPECT_EQ(e.GetReason(), Rs232Exception::tout);
          EXPECT_EQ(e.GetKind(), CommException::read);
        }
      },
      3);
  EXPECT_EQ(lines, (Lines{"EX_S?", "EX_S?", "EX_S?"}));
}

TEST_F(Commands, ResyncFindsTheMonitorAgain) {
  monitor->AddHandler("*IDN?", [](MonitorState&, const kovo::sim::Command&) -> std::optional<std::string> {
    return std::string("Q&T Q&T\r\nQ&T ,garbled");
  });
  FixChBuf<5> model, version;
  FixChBuf<11> serial;
  EXPECT_THROW(comm->getIdentity(model, serial, version), CommException);
  const Lines lines = Sent([&] { comm->resync(); }, 1);
  EXPECT_EQ(lines, Lines{"ID?"});
  // An empty line ahead and behind; the last line feed may come in a read of its own.
  for (int i = 0; i < 100 && monitor->RawInput().size() < 6; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(monitor->RawInput(), "\nID?\n\n");
  int32_t status = -1;
  comm->getExtStatus(status);
  EXPECT_EQ(status, 0);

  // The instrument type names the identity line to look for.
  instrument.SetInfo("Tebb", "K0042");
  monitor->Modify([](MonitorState& s) { s.BeLeakDetector(); });
  monitor->AddHandler("ID?", [](MonitorState&, const kovo::sim::Command&) -> std::optional<std::string> {
    return std::string("Q&T Te\r\nQ&T Q&T Tebb");
  });
  comm->resync();
  comm->getExtStatus(status);
  EXPECT_EQ(status, 0);
}

TEST_F(Commands, ResyncGivesUpOnEndlessText) {
  monitor->AddHandler("ID?", [](MonitorState&, const kovo::sim::Command&) -> std::optional<std::string> {
    return std::string(CommKovo::kResyncLimit + 100, 'Q');
  });
  EXPECT_THROW(comm->resync(), CommException);
}
