// The calibration core against the simulated monitor: the lines of a bank
// download and the upload of the same bank, a calibration run from connect
// to stop with what it stores, and the print of the current calibration.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "BankValues.h"
#include "CommKovoCali.h"
#include "CalibrationFixture.h"
#include "COGenSub.h"
#include "Readings.h"
#include "CalibrationStrings.h"
#include "CurrentCalibration.h"
#include "COSystemSetup.h"
#include "StringIds.h"

namespace kovo::test {
namespace {

CalibTime Day(int year, int month, int day) { return CalibTime(platform::CTime(year, month, day, 0, 0, 0)); }

class CalibrationRunTest : public CalibrationFixture {
 protected:
  void LetReadingsWait(size_t count);
  DeviceKovo& GetDevice() { return cali->GetDevice(); }
};

TEST_F(CalibrationRunTest, BankDownloadSendsItsLinesAndUploadsBackAsWritten) {
  ASSERT_TRUE(cali->OpenMonitor(false));
  DeviceKovo& device = cali->GetDevice();
  MonitorSetup s = device.GetSetup();
  BankInfo& k = s.GetFilter(2).GetBank(1);
  k.SetGasName("N2O");
  k.m_mw = 44.01f;
  k.m_twoPoint = 1;
  k.m_spanLow = 1.5f;
  k.m_spanHigh = 0.25f;
  k.m_concOffset = 0.0012345f;
  k.m_offsetVoltage = 0.0125f;
  k.m_concLow = 10.0f;
  k.m_concHigh = 20.0f;
  k.m_voltLow = 0.5f;
  k.m_voltHigh = 0.75f;
  k.m_humiGain = 0.03f;
  k.m_humiVoltage = 0.02f;
  k.m_cross[0] = 2.0f;
  k.m_cross[1] = 3.0f;
  k.m_cross[3] = MeasValue();
  k.m_cross[4] = 4.0f;
  k.m_zeroDate = Day(2005, 3, 7);
  k.m_humiDate = CalibTime();
  k.m_spanDate = Day(2005, 3, 8);
  k.m_crosDate = Day(2005, 3, 9);
  device.SetSetup(s);
  const BankInfo written = k;

  const size_t mark = sim->Lines().size();
  COCaliMessageClient client(&device, false);
  ASSERT_TRUE(client.Run(IDS_CALI_DOWNLOADING, CreateDownloadBankService(device, program.Instrument(),
                                                                         COConcUnit::ppm, &client, 2, 1, groupAll)));
  const char* const expected[] = {
      "C_P F_C,2,C_OF_F,1.234500E-03", "C_P F_C,2,C_OF_D,\"2005-03-07\"", "C_P F_C,2,C_OF_V,1.250000E-02",
      "C_P F_C,2,C_HU_F,3.000000E-02", "C_P F_C,2,C_HU_D,\"__________\"", "C_P F_C,2,C_HU_V,2.000000E-02",
      "C_P F_C,2,C_CO_T,Y",            "C_P F_C,2,C_CO_F_1,1.500000E+00", "C_P F_C,2,C_CO_F_2,2.500000E-01",
      "C_P F_C,2,G_N,\"N2O\"",         "C_P F_C,2,C_CO_C_L,1.000000E+01", "C_P F_C,2,C_CO_C_H,2.000000E+01",
      "C_P F_C,2,C_U,C_CO_C_L,U_PPM",  "C_P F_C,2,C_U,C_CO_C_H,U_PPM",    "C_P F_C,2,C_CO_V_L,5.000000E-01",
      "C_P F_C,2,C_CO_V_H,7.500000E-01", "C_P F_C,2,G_W,44.01",           "C_P F_C,2,C_CO_D,\"2005-03-08\"",
      "C_P F_C,2,C_CR_F_A,2.000000E+00", "C_P F_C,2,C_CR_F_B,3.000000E+00", "C_P F_C,2,C_CR_F_D,1.0E32",
      "C_P F_C,2,C_CR_F_E,4.000000E+00", "C_P F_C,2,C_CR_D,\"2005-03-09\""};
  std::vector<std::string> lines;
  for (const char* line : expected) {
    lines.push_back("E_C 83");
    lines.push_back(line);
  }
  lines.push_back("A_M?");
  const auto all = sim->Lines();
  EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(mark), all.end()), lines);
  EXPECT_EQ(sim->State().rejected, 0);

  // Back through an upload: every value read as written.
  MonitorSetup cleared = device.GetSetup();
  GasBank::reset(cleared.GetFilter(2).GetBank(1));
  device.SetSetup(cleared);
  ASSERT_TRUE(client.Run(IDS_UPLOADING, CreateUploadBankService(device, &client, 2, 1)));
  const BankInfo& read = device.Setup().GetFilter(2).GetBank(1);
  EXPECT_EQ(read.GetGasName().ToString(), "N2O");
  EXPECT_EQ(float(read.m_mw), 44.01f);
  EXPECT_TRUE(read.IsTwoPoint());
  for (auto field : {&BankInfo::m_spanLow, &BankInfo::m_spanHigh, &BankInfo::m_concOffset, &BankInfo::m_concLow,
                     &BankInfo::m_concHigh, &BankInfo::m_humiGain})
    EXPECT_EQ(float(read.*field), float(written.*field));
  for (int other : {0, 1, 3, 4}) EXPECT_EQ(float(read.m_cross[other]), float(written.m_cross[other])) << other;
  EXPECT_EQ(read.m_zeroDate, written.m_zeroDate);
  EXPECT_FALSE(read.m_humiDate.IsValid());
  EXPECT_EQ(read.m_spanDate, written.m_spanDate);
  EXPECT_EQ(read.m_crosDate, written.m_crosDate);
}

TEST_F(CalibrationRunTest, ABankOutsideOneToFiveIsNeitherReadNorWritten) {
  ASSERT_TRUE(cali->OpenMonitor(false));
  DeviceKovo& device = cali->GetDevice();
  const std::string before = device.Setup().GetFilter(0).GetBank(0).GetGasName().ToString();
  COCaliMessageClient client(&device, true);
  EXPECT_FALSE(client.Run(IDS_UPLOADING, CreateUploadBankService(device, &client, 0, 5)));
  EXPECT_EQ(device.Setup().GetFilter(0).GetBank(0).GetGasName().ToString(), before);
  const size_t mark = sim->Lines().size();
  EXPECT_FALSE(client.Run(IDS_CALI_DOWNLOADING, CreateDownloadBankService(device, program.Instrument(), 1, &client,
                                                                          0, 5, groupOffset)));
  EXPECT_TRUE(LinesStarting("C_P ", mark).empty());
}

TEST_F(CalibrationRunTest, CalibrationRunsFromConnectToStopAndStoresEachReading) {
  // The monitor reads its temperature in kelvin, the task keeps it in the
  // system's unit. Zero air at 20 °C: each signal is its bank's zero signal.
  setup->SetTempUnit(COTempUnit::kelvin);
  sim->Modify([](kovo::sim::MonitorState& s) {
    s.celsius = 20.0f;
    kovo::sim::ApplySceneLine(s, "zero", nullptr);
  });
  NewCaliTask("Zero point");
  ASSERT_TRUE(cali->OpenMonitor(false));
  // The monitor's banks as its current bank set holds them.
  const std::string serial = cali->GetMonitorSetup().m_serial.ToString();
  ASSERT_TRUE(cali->UploadFilterInfo());
  ASSERT_TRUE(copies->StoreCurrentSet(serial));
  ASSERT_TRUE(cali->LoadSetupFromDatabase(serial));
  cali->TakeActiveBanks();
  caliSequence.CaliMode = COCaliSequence::modeZero;
  caliSequence.Save();

  ASSERT_TRUE(cali->StartMeasurement(platform::CTime::GetCurrentTime(), platform::CTime()));
  ASSERT_TRUE(PumpUntil([&] { return banks.Readings() >= 3 && cali->GetState() == MeasState::active; }));
  ASSERT_TRUE(PumpUntil([&] { return Received().size() >= 3; }));
  cali->StopMeasurement();
  ASSERT_TRUE(PumpUntil([&] { return cali->GetState() == MeasState::idle; }));

  EXPECT_FALSE(LinesStarting("STA_C_M").empty());
  EXPECT_FALSE(LinesStarting("SE T_U,U_KE").empty());
  EXPECT_FALSE(LinesStarting("STOP_M").empty());
  const std::vector<COMeas> rows = StoredMeas();
  ASSERT_GE(rows.size(), 3u);
  for (size_t i = 0; i < rows.size(); ++i) {
    const COMeas& m = rows[i];
    EXPECT_EQ(m.GetMeasNo(), static_cast<int>(i + 1));
    EXPECT_NEAR(m.GetValue(0), 12500.0f, 0.5f);  // 0.0125 V in microvolts
    EXPECT_NEAR(m.GetValue(5), 42000.0f, 0.5f);
    EXPECT_NEAR(m.GetValue(3), 8000.0f, 0.5f);
    EXPECT_NEAR(m.GetValue(COMeas::chTemperature), 293.15f, 0.01f);
  }
  const auto events = StoredEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].text, "Measurement task started");
  EXPECT_EQ(events[1].text, "Measurement task stopped");
  const auto sequences = SequenceRows();
  ASSERT_EQ(sequences.size(), 2u);
  EXPECT_EQ(sequences[0], "Sequence 1 1-" + std::to_string(rows.size()));
  EXPECT_EQ(sequences[1].substr(0, 10), "Sequence 2");
  EXPECT_EQ(Kinds().front(), eTaskStarted);
  EXPECT_EQ(Kinds().back(), eTaskStopped);
}

TEST_F(CalibrationRunTest, PauseEndsTheServiceAndResumeStartsANewOne) {
  NewCaliTask("Paused");
  ASSERT_TRUE(cali->OpenMonitor(false));
  cali->StartStopMonitor();  // nothing runs that could pause
  EXPECT_EQ(cali->GetState(), MeasState::idle);
  ASSERT_TRUE(cali->StartMeasurement(platform::CTime::GetCurrentTime(), platform::CTime()));
  ASSERT_TRUE(PumpUntil([&] { return cali->GetState() == MeasState::active; }));
  cali->StartStopMonitor();
  ASSERT_TRUE(PumpUntil([&] { return cali->GetState() == MeasState::restartStopped; }));
  EXPECT_EQ(cali->GetStatusText(), "n/a");
  cali->StartStopMonitor();
  ASSERT_TRUE(PumpUntil([&] { return cali->GetState() == MeasState::active; }));
  EXPECT_EQ(LinesStarting("STA_C_M").size(), 2u);
  cali->StopMeasurement();
  ASSERT_TRUE(PumpUntil([&] { return cali->GetState() == MeasState::idle; }));
}

// Readings that wait in the service together: the run started and the user
// interface busy until at least count of them are there.
void CalibrationRunTest::LetReadingsWait(size_t count) {
  NewCaliTask("Waiting");
  ASSERT_TRUE(cali->OpenMonitor(false));
  ASSERT_TRUE(cali->StartMeasurement(platform::CTime::GetCurrentTime(), platform::CTime()));
  ASSERT_TRUE(PumpUntil([&] { return cali->GetState() == MeasState::active; }));
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (cali->GetService()->GetResultCount() < count && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_GE(cali->GetService()->GetResultCount(), count);
}

TEST_F(CalibrationRunTest, ReadingsThatArriveTogetherWaitOnATimerNotOnTheUserInterfaceThread) {
  cali->SetReadingPause(COCaliMeasObs::kReadingPauseMs);
  LetReadingsWait(3);
  const size_t before = Received().size();
  GetDevice().DispatchDone();
  // One now; the others wait for their pause on a timer.
  EXPECT_EQ(Received().size(), before + 1);
  EXPECT_GE(cali->GetWaitingCount(), 2u);
}

TEST_F(CalibrationRunTest, ReadingsThatArriveTogetherComeThePauseApartAndAllAreStored) {
  constexpr int kPauseMs = 80;
  cali->SetReadingPause(kPauseMs);
  std::vector<Clock::time_point> handedOver;
  Recorder clock([&](CSubject* s) {
    if (static_cast<COGenSub*>(s)->GetUpdType() == eNewMeas) handedOver.push_back(Clock::now());
  });
  genSub.Attach(&clock);
  LetReadingsWait(3);
  const size_t first = handedOver.size();
  ASSERT_TRUE(PumpUntil([&] { return handedOver.size() >= first + 3; }));
  for (size_t i = first + 1; i < first + 3; ++i)
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(handedOver[i] - handedOver[i - 1]).count(),
              kPauseMs);
  // A stop waits for the readings still to come before the run ends.
  cali->StopMeasurement();
  ASSERT_TRUE(PumpUntil([&] { return cali->GetState() == MeasState::idle; }));
  genSub.Detach(&clock);
  EXPECT_EQ(cali->GetWaitingCount(), 0u);
  EXPECT_EQ(static_cast<int>(Received().size()), banks.Readings());
  EXPECT_EQ(StoredMeas().size(), Received().size());
  EXPECT_EQ(Kinds().back(), eTaskStopped);
}

TEST_F(CalibrationRunTest, AnObserverThatThrowsStopsOneHandOverAndLosesNoReading) {
  bool armed = true;
  Recorder thrower([&](CSubject* s) {
    if (!armed || static_cast<COGenSub*>(s)->GetUpdType() != eNewMeas) return;
    armed = false;
    throw std::runtime_error("observer failed");
  });
  LetReadingsWait(2);
  genSub.Attach(&thrower);
  EXPECT_THROW(GetDevice().DispatchDone(), std::runtime_error);
  EXPECT_FALSE(armed);
  const size_t after = Received().size();
  ASSERT_TRUE(PumpUntil([&] { return Received().size() >= after + 2; }));
  cali->StopMeasurement();
  ASSERT_TRUE(PumpUntil([&] { return cali->GetState() == MeasState::idle; }));
  genSub.Detach(&thrower);
  EXPECT_EQ(static_cast<int>(Received().size()), banks.Readings());
  EXPECT_EQ(StoredMeas().size(), Received().size());
}

TEST_F(CalibrationRunTest, FinishedServicesAreAnnouncedWithTheCalibrationProgramsCommand) {
  unsigned told = 0;
  program.SetNotifier([&](unsigned command) { told = command; });
  GetDevice().GetScheduler().NotifyDone();
  EXPECT_EQ(told, 226u);
}

TEST_F(CalibrationRunTest, ReadsThePrintOutToItsEndLine) {
  ASSERT_TRUE(cali->OpenMonitor(false));
  PrintOutLimits limits;
  limits.longTimeoutMs = 1000;
  limits.normalTimeoutMs = 1000;
  const std::string text = ReadCurrentCalibration(*obs, limits);
  EXPECT_NE(text.find("Factor 10 : "), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  EXPECT_FALSE(LinesStarting("O_C_D? AL").empty());
  // The worker's next exchange finds nothing left over.
  COCaliMessageClient client(&cali->GetDevice(), false);
  EXPECT_TRUE(client.Run(IDS_UPLOADING, CreateUploadBankService(cali->GetDevice(), &client, 5, 0)));

  limits.maxBytes = 100;
  EXPECT_EQ(ReadCurrentCalibration(*obs, limits).size(), 100u);
}

TEST_F(CalibrationRunTest, APrintThatNeverEndsStopsAtItsDeadline) {
  ASSERT_TRUE(cali->OpenMonitor(false));
  const std::string endless(1500, 'x');
  sim->AddRawHandler("O_C_D? AL", [endless](kovo::sim::MonitorState&, const kovo::sim::Command&) {
    return std::optional<std::string>(endless);
  });
  kovo::sim::SimTimings paced = sim->GetTimings();
  paced.charactersPerSecond = 960;
  sim->SetTimings(paced);
  // At the line's pace no gap ends a read: the deadline has to.
  LinkTimings gaps;
  gaps.readIntervalMs = 100;
  gaps.discardLimitMs = 200;
  obs->GetLink().SetTimings(gaps);
  PrintOutLimits limits;
  limits.deadlineMs = 300;
  limits.normalTimeoutMs = 1000;
  const std::string text = ReadCurrentCalibration(*obs, limits);
  EXPECT_GE(text.size(), kShortPrintOut);
  EXPECT_LT(text.size(), endless.size());
}

TEST_F(CalibrationRunTest, TheUserLevelDecidesWhetherTheProgramMayCalibrate) {
  ASSERT_TRUE(cali->OpenMonitor(false));
  for (const auto& c : std::vector<std::pair<int, bool>>{{3, true}, {1, false}, {2, false}, {4, true}}) {
    sim->Modify([&](kovo::sim::MonitorState& s) { s.userLevel = c.first; });
    EXPECT_EQ(UserLevelAllowsCalibration(*obs), c.second) << c.first;
  }
  // A monitor that says nothing does not forbid it.
  sim->SetMisbehaviour(kovo::sim::Misbehaviour::silent);
  EXPECT_TRUE(UserLevelAllowsCalibration(*obs));
  sim->SetMisbehaviour(kovo::sim::Misbehaviour::none);
  // A port that cannot be opened is a communication error.
  cali->Disconnect();
  Unplug();
  try {
    UserLevelAllowsCalibration(*obs);
    ADD_FAILURE() << "no communication error";
  } catch (const std::exception& e) {
    EXPECT_EQ(CommunicationErrorText(e), "Open communication error");
  }
  EXPECT_EQ(CommunicationErrorText(std::runtime_error("other")), "Unknown communication error");
}

// The direct exchanges wait for the worker's: the calibration run goes on
// undisturbed, and each print and query gets its own reply.
TEST_F(CalibrationRunTest, DirectExchangesDuringARunShareNothingWithTheWorker) {
  NewCaliTask("Shared");
  ASSERT_TRUE(cali->OpenMonitor(false));
  ASSERT_TRUE(cali->StartMeasurement(platform::CTime::GetCurrentTime(), platform::CTime()));
  ASSERT_TRUE(PumpUntil([&] { return cali->GetState() == MeasState::active && banks.Readings() >= 1; }));
  PrintOutLimits limits;
  limits.longTimeoutMs = 1000;
  limits.normalTimeoutMs = 1000;
  for (int i = 0; i < 5; ++i) {
    EXPECT_NE(ReadCurrentCalibration(*obs, limits).find("Factor 10 : "), std::string::npos);
    EXPECT_TRUE(UserLevelAllowsCalibration(*obs));
    PumpFor(20);
  }
  const int readings = banks.Readings();
  ASSERT_TRUE(PumpUntil([&] { return banks.Readings() >= readings + 2; }));
  EXPECT_EQ(cali->GetState(), MeasState::active);
  cali->StopMeasurement();
  ASSERT_TRUE(PumpUntil([&] { return cali->GetState() == MeasState::idle; }));
  EXPECT_TRUE(Shown().empty());
}

// What is selected is written, calculated or taken from the monitor's
// active bank alike, so bank 3 of filter A can take bank 1's values; a group
// without any value is not written over the bank's own.
TEST_F(CalibrationRunTest, TheSelectedGroupsThatHoldAValueAreDownloadedWithTheCalculationsDates) {
  ASSERT_TRUE(cali->OpenMonitor(false));
  ASSERT_TRUE(cali->UploadFilterInfo());
  cali->TakeActiveBanks();
  ASSERT_TRUE(calibrator.IsMounted(0));  // the simulated monitor's own filter table
  const platform::CTime when(2005, 3, 7, 10, 0, 0);
  calibrator.SetClock([when] { return when; });
  COMeas zero;
  zero.SetValue(0, 0.0125f);
  zero.SetValue(5, 0.0420f);
  zero.SetValue(COMeas::chTemperature, 298.15f);
  ASSERT_TRUE(calibrator.calibOffset(zero));
  // Bank A1 as the monitor holds it, less its humidity factor and its cross
  // factors; the water record without its span.
  BankInfo& a = calibrator.GetBank(0);
  a.m_humiGain.SetNoValue();
  for (MeasValue& cross : a.m_cross) cross.SetNoValue();
  calibrator.Water().m_gain.SetNoValue();
  EXPECT_EQ(calibrator.HeldGroups(0), unsigned(groupOffset | groupSpan));
  EXPECT_EQ(calibrator.HeldGroups(Calibrator::kWater), unsigned(groupOffset));

  DeviceKovo& device = cali->GetDevice();
  const BankInfo bankBefore = device.Setup().GetFilter(0).GetBank(2);
  const int ppm = COConcUnit::ppm;
  const size_t mark = sim->Lines().size();
  COCaliMessageClient client(&device, false);
  ASSERT_TRUE(client.Run(IDS_CALI_DOWNLOADING_VALUES,
                         CreateCalibrationDownloadService(device, program.Instrument(), ppm, calibrator.Calculated(0),
                                                          &client, 2, groupAll)));
  ASSERT_TRUE(client.Run(IDS_CALI_DOWNLOADING_VALUES,
                         CreateCalibrationDownloadService(device, program.Instrument(), ppm,
                                                          calibrator.Calculated(Calibrator::kWater), &client, 0,
                                                          groupAll)));
  const std::vector<std::string> lines = LinesStarting("C_P ", mark);
  const std::vector<std::string> offsets(lines.begin(), lines.begin() + 3);
  EXPECT_EQ(offsets, (std::vector<std::string>{"C_P F_A,3,C_OF_F,1.242545E-02", "C_P F_A,3,C_OF_D,\"2005-03-07\"",
                                              "C_P F_A,3,C_OF_V,1.250000E-02"}));
  EXPECT_NE(std::find(lines.begin(), lines.end(), "C_P F_A,3,C_CO_F_1,7.000000E+04"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "C_P F_A,3,G_N,\"CO2\""), lines.end());
  for (const char* absent : {",C_HU_", ",C_CR_", "F_W,C_CO_"})
    EXPECT_TRUE(std::none_of(lines.begin(), lines.end(),
                             [absent](const std::string& l) { return l.find(absent) != std::string::npos; }))
        << absent;
  EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
            (std::vector<std::string>{"C_P F_W,C_OF_F,4.182971E-02", "C_P F_W,C_OF_D,\"2005-03-07\""}));
  const MonitorSetup& now = device.Setup();
  const BankInfo& a3 = now.GetFilter(0).GetBank(2);
  EXPECT_EQ(a3.m_zeroDate, CalibTime(when));
  EXPECT_FLOAT_EQ(float(a3.m_spanLow), 70000.0f);  // bank 1's, never calculated
  EXPECT_EQ(a3.m_humiGain.IsValid(), bankBefore.m_humiGain.IsValid());  // no value: the bank's own kept
  EXPECT_EQ(now.m_water.m_zeroDate, CalibTime(when));
  EXPECT_TRUE(now.m_water.m_gain.IsValid());
}

// The device's set-up is what the monitor holds: a download that the monitor
// refuses, or that does not reach it, leaves it as it was.
TEST_F(CalibrationRunTest, TheDeviceTakesDownloadedValuesOnlyOnceTheMonitorHasThem) {
  ASSERT_TRUE(cali->OpenMonitor(false));
  ASSERT_TRUE(cali->UploadFilterInfo());
  cali->TakeActiveBanks();
  DeviceKovo& device = cali->GetDevice();
  const struct {
    const char* name;
    float offset;
    std::function<void()> monitor;
    bool taken;
  } cases[] = {
      {"the monitor confirms", 0.25f, [] {}, true},
      {"the monitor refuses", 0.5f,
       [this] {
         // Every calibration write is answered with a fault, also when tried again.
         sim->AddHandler("C_P F_", [](kovo::sim::MonitorState& s, const kovo::sim::Command&) {
           s.messagePending = true;
           s.message = "Parameter not stored";
           return std::optional<std::string>();
         });
       },
       false},
      {"the monitor is silent", 0.75f, [this] { sim->SetMisbehaviour(kovo::sim::Misbehaviour::silent); }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    calibrator.GetBank(0).m_concOffset = c.offset;
    calibrator.Water().m_concOffset = c.offset;
    for (const int pos : {0, int(Calibrator::kWater)}) {
      const MonitorSetup before = device.GetSetup();
      c.monitor();
      COCaliMessageClient client(&device, false);
      EXPECT_EQ(client.Run(IDS_CALI_DOWNLOADING_VALUES,
                           CreateCalibrationDownloadService(device, program.Instrument(), COConcUnit::ppm,
                                                            calibrator.Calculated(pos), &client, 2, groupOffset)),
                c.taken);
      sim->SetMisbehaviour(kovo::sim::Misbehaviour::none);
      const MonitorSetup now = device.GetSetup();
      const float offset = float(pos == Calibrator::kWater ? now.m_water.m_concOffset
                                                           : now.GetFilter(0).GetBank(2).m_concOffset);
      const float old = float(pos == Calibrator::kWater ? before.m_water.m_concOffset
                                                        : before.GetFilter(0).GetBank(2).m_concOffset);
      EXPECT_FLOAT_EQ(offset, c.taken ? c.offset : old) << pos;
    }
  }
}

TEST_F(CalibrationRunTest, TheSequenceMeasuresWhatItsModeNeeds) {
  NewCaliTask("Modes");
  ASSERT_TRUE(cali->OpenMonitor(false));
  ASSERT_TRUE(cali->UploadFilterInfo());
  COCaliSequence& s = caliSequence;
  s.SpanFilter = 1;
  const struct {
    int mode;
    bool cross, highConc;
    bool a, b;
  } cases[] = {{COCaliSequence::modeZero, false, false, true, true},
               {COCaliSequence::modeHumiditySpan, false, false, false, false},
               {COCaliSequence::modeSpan1P, false, false, false, true},
               {COCaliSequence::modeSpan1P, true, false, true, true},
               {COCaliSequence::modeSpan2P, true, false, false, true},
               {COCaliSequence::modeSpan2P, true, true, true, true}};
  for (const auto& c : cases) {
    s.CaliMode = static_cast<unsigned char>(c.mode);
    s.CaliCross = c.cross;
    s.CaliHighConc = c.highConc;
    EXPECT_EQ(s.IsFilterActive(0), c.a) << c.mode;
    EXPECT_EQ(s.IsFilterActive(1), c.b) << c.mode;
    EXPECT_TRUE(s.IsFilterActive(5)) << c.mode;
  }
  s.MeasTimeMode = 3;
  for (unsigned char code : {3, 7, 200}) {
    s.SetMeasTimeCode(0, code);
    EXPECT_EQ(s.GetMeasTime(0), 5.0f);
  }
  EXPECT_EQ(s.GetGasName(0), "A: CO2");
  EXPECT_EQ(s.GetGasName(5), "W: Water Vapour");
  s.SetActiveBank(2, 3);  // an empty bank names the filter
  EXPECT_EQ(s.GetGasName(2), "C: UA0985");

  // A bank stored as none reads back as the first.
  s.SetActiveBank(0, COCaliSequence::kNoBank);
  s.Save();
  s.Load();
  EXPECT_EQ(s.GetActiveBank(0), 0);
  cali->Disconnect();
  EXPECT_FALSE(s.IsFilterActive(0));
}

// The simulated monitor's signals come from its own banks and the scene's
// gases: each calibration on its readings gives its banks back.
TEST_F(CalibrationRunTest, CalibratingTheSimulatedMonitorGivesBackItsBanks) {
  ASSERT_TRUE(cali->OpenMonitor(false));
  ASSERT_TRUE(cali->UploadFilterInfo());
  cali->TakeActiveBanks();
  sim->Modify([](kovo::sim::MonitorState& s) {
    s.setup["US_F,F_D"] = "Y";
    // Filter A's gas shows on the other filters.
    s.params["F_A,1,C_CR_F_B"] = " 5.000000E+03";
    s.params["F_A,1,C_CR_F_C"] = " 8.000000E+02";
    s.params["F_A,1,C_CR_F_D"] = " 2.000000E+04";
  });
  auto reading = [&](const std::string& scene) {
    sim->Modify([&](kovo::sim::MonitorState& s) { EXPECT_TRUE(kovo::sim::ApplyScene(s, scene).empty()); });
    std::lock_guard<std::mutex> exchange(cali->GetDevice().GetScheduler().ExchangeLock());
    CommKovoCali commands(cali->GetDevice().Comm(), program.Instrument());
    COMeas meas;
    commands.getCalibReading(meas);
    // The arithmetic takes the temperature in kelvin.
    meas.SetValue(COMeas::chTemperature, meas.GetValue(COMeas::chTemperature).GetValue() + 273.15f);
    return meas;
  };
  auto param = [&](const std::string& key) { return std::stod(sim->State().params.at(key)); };
  auto expectNear = [](double value, double expected, const char* what) {
    EXPECT_NEAR(value, expected, std::fabs(expected) * 2e-5) << what;
  };

  ASSERT_TRUE(calibrator.calibOffset(reading("temperature 25\nzero")));
  for (int f = 0; f < 4; ++f)
    expectNear(calibrator.GetBank(f).m_concOffset, param(std::string("F_") + char('A' + f) + ",1,C_OF_F"), "offset");
  expectNear(calibrator.GetWater().m_concOffset, param("F_W,C_OF_F"), "water offset");

  const COMeas humid = reading("zero\nhumidity 9500");
  ASSERT_TRUE(calibrator.calibHumIntf(humid));
  for (int f = 0; f < 4; ++f)
    expectNear(calibrator.GetBank(f).m_humiGain, param(std::string("F_") + char('A' + f) + ",1,C_HU_F"), "humidity");
  ASSERT_TRUE(calibrator.calibHumSpan(humid, 9500.0));
  expectNear(calibrator.GetWater().m_gain, param("F_W,C_CO_F_1"), "water span");

  ASSERT_TRUE(calibrator.calibSpan1P(reading("span A 700"), 0, 700.0, 700.0, true));
  expectNear(calibrator.GetBank(0).m_spanLow, param("F_A,1,C_CO_F_1"), "span");
  for (int other : {1, 2, 3})
    expectNear(calibrator.GetBank(0).m_cross[other], param(std::string("F_A,1,C_CR_F_") + char('A' + other)), "cross");

  // Filter B with a two-point calibration: its signal follows the response
  // curve from zero.
  sim->Modify([](kovo::sim::MonitorState& s) {
    s.params["F_B,1,C_CO_T"] = "Y";
    s.params["F_B,1,C_CO_F_1"] = " 2.000000E-02";
    s.params["F_B,1,C_CO_F_2"] = " 5.000000E-02";
    s.params["F_B,1,C_OF_F"] = " 0.000000E+00";
  });
  const COMeas low = reading("span B 10");
  const COMeas high = reading("span B 40");
  ASSERT_TRUE(calibrator.calibSpan2P(high, low, 1, 40.0, 40.0, 10.0, 10.0, false));
  expectNear(calibrator.GetBank(1).m_spanLow, 0.02, "curve amplitude");
  expectNear(calibrator.GetBank(1).m_spanHigh, 0.05, "concentration scale");
  EXPECT_TRUE(Shown().empty());
}

// The task's times never go backwards: a clock more than two minutes behind
// the last stored sample refuses the start and the resume; a little behind,
// the readings take the minute after that sample.
TEST_F(CalibrationRunTest, AStartKeepsTheTasksTimesInOrder) {
  NewCaliTask("Clock");
  ASSERT_TRUE(cali->OpenMonitor(false));
  const auto storeAt = [&](const platform::CTime& time) {
    COMeas m;
    m.SetTime(time);
    genSub.NotifyMeas(eNewMeas, m);
  };
  storeAt(platform::CTime::GetCurrentTime() + platform::CTimeSpan(3600));
  messages.Clear();
  EXPECT_FALSE(cali->StartMeasurement(platform::CTime::GetCurrentTime(), platform::CTime()));
  EXPECT_EQ(cali->GetState(), MeasState::idle);
  ASSERT_EQ(Shown().size(), 1u);
  EXPECT_NE(Shown()[0].find("would date new samples before it"), std::string::npos) << Shown()[0];
  EXPECT_TRUE(LinesStarting("STA_C_M").empty());

  NewCaliTask("Clock a little behind");
  const platform::CTime last = platform::CTime::GetCurrentTime() + platform::CTimeSpan(30);
  storeAt(last);
  const size_t stored = StoredMeas().size();
  ASSERT_TRUE(cali->StartMeasurement(platform::CTime::GetCurrentTime(), platform::CTime()));
  ASSERT_TRUE(PumpUntil([&] { return StoredMeas().size() >= stored + 3; }));
  cali->StopMeasurement();
  ASSERT_TRUE(PumpUntil([&] { return cali->GetState() == MeasState::idle; }));
  const std::vector<COMeas> rows = StoredMeas();
  for (size_t i = 1; i < rows.size(); ++i) EXPECT_GE(rows[i].GetMeasTime(), rows[i - 1].GetMeasTime()) << i;
}

TEST(PrintOutLayout, FillsEveryPageButTheFirstUpToItsLines) {
  EXPECT_EQ(LayoutPrintOut("a\n\fb\nc\n\fd\n", 4), "a\n\fb\nc\n\n\n\fd");
  EXPECT_EQ(LayoutPrintOut("", 4), "");
}

}  // namespace
}  // namespace kovo::test
