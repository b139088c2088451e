// The set-up of a stand-alone measurement: read back from the monitor, taken
// into the task's sequence, and downloaded from it with the alarm limits.
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "CORecBankSet.h"
#include "COSequence.h"
#include "OfflineFixture.h"
#include "OfflineSetupModel.h"
#include "OfflineStrings.h"
#include "StartupConnection.h"
#include "StringIds.h"
#include "core/StringTable.h"

namespace kovo::test {
namespace {

const std::string kSettingsDownloaded =
    "The download of the sequence settings has finished: the Gas Monitor measures with them on its own.";

class OfflineSetupTest : public OfflineFixture {
 protected:
  bool UploadSetup() {
    EXPECT_TRUE(obs->Connect(false));
    sim->ClearLines();
    COUploadSetupClient upload(&obs->GetDevice(), program.Instrument(), false);
    return upload.Run();
  }
};

TEST_F(OfflineSetupTest, UploadReadsTheRecordedSetup) {
  LoadMemory("memory.txt");
  ASSERT_TRUE(UploadSetup());
  std::vector<std::string> expected = {"O_M? W_C", "O_M? C_C", "O_M? C_S", "O_M? S_I"};
  for (const char* f : {"F_A", "F_B", "F_C", "F_D", "F_E"}) {
    for (const char* q : {"O_M? US_F,", "O_M? S_I_T,", "O_M? B,", "O_M? G_N,", "O_M? A_L,"})
      expected.push_back(std::string(q) + f);
  }
  for (const char* q : {"O_M? US_F,F_W", "O_M? S_I_T,F_W", "O_M? T_L", "O_M? A_P", "O_M? N_T", "O_M? DA",
                        "O_M? F_T_F", "O_M? C_F_T", "O_M? T_F_T", "A_M?"})
    expected.push_back(q);
  EXPECT_EQ(sim->Lines(), expected);

  const MonitorSetup s = obs->GetDevice().GetSetup();
  EXPECT_EQ(s.m_waterComp, 0);
  EXPECT_EQ(s.m_crossComp, 1);
  EXPECT_EQ(s.m_notContinuous, 0);
  EXPECT_EQ(s.m_sampleInterval, 1);
  EXPECT_EQ(s.GetFilter(0).m_active, 1);
  EXPECT_EQ(s.GetFilter(3).m_active, 0);
  EXPECT_FLOAT_EQ(s.GetFilter(1).m_integrationTime, 2.0f);
  EXPECT_FLOAT_EQ(s.GetFilter(3).m_integrationTime, 0.0f);  // no value reads as 0
  EXPECT_EQ(s.GetFilter(2).m_activeBank, 0);
  EXPECT_EQ(s.GetFilter(2).GetBank(0).GetGasName().ToString(), "N2O");
  EXPECT_FLOAT_EQ(s.GetFilter(1).m_alarmLimit1, 1.5f);
  EXPECT_FALSE(s.GetFilter(0).m_alarmLimit1.IsValid());
  // The water-vapour filter's own fields, not a gas filter's record.
  EXPECT_EQ(s.m_waterActive, 1);
  EXPECT_FLOAT_EQ(s.m_waterIntegrationTime, 0.5f);
  EXPECT_FLOAT_EQ(s.GetFilter(0).m_integrationTime, 5.0f);
  EXPECT_FLOAT_EQ(s.m_tubeLength, 2.5f);
  EXPECT_FLOAT_EQ(s.m_airPressure, 1013.0f);
  EXPECT_FLOAT_EQ(s.m_normTemp, 293.15f);
  EXPECT_EQ(s.m_startTime.GetTime(), platform::CTime(2026, 5, 3, 23, 40, 0));
  EXPECT_EQ(s.m_stopTime.GetTime(), platform::CTime(2026, 5, 4, 0, 20, 0));
  EXPECT_EQ(s.m_modeFlag, 0);
  EXPECT_EQ(s.m_chamberTime, 2);
  EXPECT_EQ(s.m_tubeTime, 3);

  // Taken into the task's sequence: a measuring time per filter.
  SetFromMonitorSetup(sequence, s);
  EXPECT_EQ(sequence.GetMeasTimeMode(), 3);
  EXPECT_FLOAT_EQ(GetMeasTimeValue(sequence, 0), 5.0f);
  EXPECT_FLOAT_EQ(GetMeasTimeValue(sequence, 2), 10.0f);
  EXPECT_FLOAT_EQ(GetMeasTimeValue(sequence, 5), 0.5f);
  EXPECT_TRUE(sequence.IsFilterActive(5));
  EXPECT_FALSE(sequence.IsFilterActive(4));
  EXPECT_TRUE(sequence.GetCrossCompensation());
  EXPECT_TRUE(sequence.GetSampleContinuously());
  EXPECT_EQ(sequence.GetChamberTime(), 2);
}

TEST_F(OfflineSetupTest, LeakDetectorGivesTwoLimitsPerGasFilter) {
  LoadMemory("memory.txt");
  memory.SetValue("A_L,F_B,1", " 1.250000E+00");
  memory.SetValue("A_L,F_B,2", " 2.500000E+00");
  sim->Modify([](kovo::sim::MonitorState& m) { m.BeLeakDetector(); });
  ConnectToMonitor(program);
  ASSERT_TRUE(program.Instrument().isTebb());
  ASSERT_TRUE(UploadSetup());
  EXPECT_TRUE(LinesStarting("O_M? A_L,").empty());
  EXPECT_EQ(LinesStarting("SE? A_L,F_B"), (std::vector<std::string>{"SE? A_L,F_B,1", "SE? A_L,F_B,2"}));
  EXPECT_EQ(LinesStarting("SE? A_L,").size(), 10u);
  const MonitorSetup s = obs->GetDevice().GetSetup();
  EXPECT_FLOAT_EQ(s.GetFilter(1).m_alarmLimit1, 1.25f);
  EXPECT_FLOAT_EQ(s.GetFilter(1).m_alarmLimit2, 2.5f);
  EXPECT_FLOAT_EQ(s.m_waterIntegrationTime, 0.5f);
  EXPECT_FLOAT_EQ(s.GetFilter(0).m_integrationTime, 5.0f);
}

TEST_F(OfflineSetupTest, BankNumberOutsideOneToFiveFailsTheUpload) {
  LoadMemory("memory.txt");
  for (const char* bank : {"0", "6"}) {
    memory.SetValue("B,F_C", bank);
    messages.Clear();
    EXPECT_FALSE(UploadSetup()) << bank;
    EXPECT_EQ(Shown(), std::vector<std::string>{"Communication error"});
    EXPECT_EQ(obs->GetDevice().GetSetup().GetFilter(2).m_activeBank, 0);
  }
}

TEST_F(OfflineSetupTest, MeasuringTimeCodes) {
  sequence.SetMeasTimeMode(3);
  const float times[] = {0.5f, 1.0f, 2.0f, 5.0f, 10.0f, 20.0f, 50.0f, 5.0f};
  for (unsigned char code = 0; code < 8; ++code) {
    sequence.SetMeasTime(1, code);
    EXPECT_FLOAT_EQ(GetMeasTimeValue(sequence, 1), times[code]) << int(code);
  }
  SetMeasTimeValue(sequence, 1, 3.0f);
  EXPECT_EQ(sequence.GetMeasTime(1), 3);
  EXPECT_FLOAT_EQ(GetMeasTimeValue(sequence, 1), 5.0f);
  SetMeasTimeValue(sequence, 1, 20.0f);
  EXPECT_EQ(sequence.GetMeasTime(1), 5);
  for (unsigned char mode = 0; mode < 3; ++mode) {
    sequence.SetMeasTimeMode(mode);
    EXPECT_FLOAT_EQ(GetMeasTimeValue(sequence, 1), times[mode == 0 ? 1 : mode == 1 ? 3 : 5]);
  }
}

TEST_F(OfflineSetupTest, DownloadComparedLineByLine) {
  PrepareTask("Download");
  sequence.SetActiveBank(0, 0);
  sequence.SetActiveBank(1, 0);
  sequence.SetFilterActive(5, true);
  sequence.SetMeasTimeMode(3);
  sequence.SetMeasTime(0, 4);  // 10 s
  sequence.SetMeasTime(1, 0);  // 0.5 s
  sequence.SetMeasTime(5, 6);  // 50 s
  auto alarm = [&](int filter, float ppm, bool limit2) {
    COAlarm a(*context);
    a.SetFilter(static_cast<unsigned char>(filter));
    a.SetStoredLimit(ppm);
    a.SetLimit2(limit2);
    sequence.GetAlarms().push_back(a);
  };
  const float ppm100 = 100.0f * kMolarVolume / 44.01f;  // 100 mg/m³ of CO2
  alarm(0, 1.0f, false);
  alarm(0, ppm100, false);  // the later alarm of the same limit wins
  alarm(0, 2.0f * ppm100, true);
  alarm(5, 1000.0f, false);
  // A limit the device still holds from the monitor is not downloaded again.
  MonitorSetup held = obs->GetDevice().GetSetup();
  held.GetFilter(1).m_alarmLimit1 = 7.0f;
  obs->GetDevice().SetSetup(held);

  sim->ClearLines();
  messages.Clear();
  ASSERT_TRUE(transfer->DownloadSettings(sequence, false));
  // The user is told that the download has finished.
  EXPECT_EQ(Shown(), std::vector<std::string>{kSettingsDownloaded});
  ASSERT_TRUE(KeyboardUnlocked());
  std::vector<std::string> lines = sim->Lines();
  // The link's own lines around the download.
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines.front(), "EX_S?");
  EXPECT_EQ(lines.back(), "K_L N");
  const std::vector<std::string> expected = {
      "SE L_U,U_METER", "SE H_U,U_PPM", "SE PR_U,U_MBAR", "SE T_U,U_CE", "SE C_U,U_PPM",
      "SE A_P,1013.2", "SE C_C,N", "SE W_C,N", "SE C_S,N", "SE S_I,\"00:01\"", "SE N_T,20.0",
      "SE CL,*", "SE DA,*", "SE M_M,N", "SE F_T_F,N", "SE T_L,0.0", "D_A,N", "SE A_T,\"00:10\"",
      "SE US_F,F_A,Y", "SE B,F_A,1", "E_C 83", "C_P F_A,1,A_L,9.999500E+01", "E_C 83",
      "C_P F_A,1,A_L,1.999900E+02,2", "SE S_I_T,F_A,10.0",
      "SE US_F,F_B,Y", "SE B,F_B,1", "E_C 83", "C_P F_B,1,A_L,1.0E32", "E_C 83", "C_P F_B,1,A_L,1.0E32,2",
      "SE S_I_T,F_B,0.5",
      "SE US_F,F_C,N", "SE US_F,F_D,N", "SE US_F,F_E,N",
      "SE US_F,F_W,Y", "E_C 83", "C_P F_W,A_L,*", "E_C 83", "C_P F_W,A_L,1.0E32,2", "SE S_I_T,F_W,50.0",
      "A_M?",
  };
  // Between the link's lines: the identity, then the download.
  std::vector<std::string> download;
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i] == "SE L_U,U_METER") download.assign(lines.begin() + static_cast<long>(i), lines.end() - 1);
  ASSERT_EQ(download.size(), expected.size()) << ::testing::PrintToString(download);
  for (size_t i = 0; i < expected.size(); ++i) {
    const std::string& want = expected[i];
    if (want.back() == '*') {
      EXPECT_EQ(download[i].compare(0, want.size() - 1, want, 0, want.size() - 1), 0) << download[i];
    } else if (want.find("A_L,9.99") != std::string::npos || want.find("A_L,1.9999") != std::string::npos) {
      // Limits a hair below the alarm's, in mg/m³.
      const double sent = std::atof(download[i].c_str() + download[i].rfind("A_L,") + 4);
      EXPECT_NEAR(sent, std::atof(want.c_str() + want.rfind("A_L,") + 4), 0.01) << download[i];
    } else {
      EXPECT_EQ(download[i], want);
    }
  }
  // The water limit in mg/m³ of water vapour.
  const std::string water = download[37];
  EXPECT_NEAR(std::atof(water.c_str() + water.rfind(',') + 1), 1000.0 * 18.02 / kMolarVolume * 0.99995, 0.05)
      << water;
}

TEST_F(OfflineSetupTest, LeakDetectorGetsItsMemorySwitchOnlyAfterAWholeDownload) {
  PrepareTask("Memory switch");
  sim->Modify([](kovo::sim::MonitorState& m) { m.BeLeakDetector(); });
  ConnectToMonitor(program);

  // The last step of the download fails: the monitor may hold part of it.
  sim->AddHandler("A_M?", [](kovo::sim::MonitorState&, const kovo::sim::Command&) {
    return std::optional<std::string>("garbage");
  });
  sim->ClearLines();
  EXPECT_FALSE(transfer->DownloadSettings(sequence, true));
  ASSERT_TRUE(program.Instrument().isTebb());
  ASSERT_TRUE(KeyboardUnlocked());
  EXPECT_TRUE(Sent("SE L_U,U_METER"));
  EXPECT_TRUE(LinesStarting("SE MEM,").empty());
  EXPECT_EQ(Shown(), (std::vector<std::string>{"Communication error", kDownloadIncomplete}));

  sim->AddHandler("A_M?", [](kovo::sim::MonitorState&, const kovo::sim::Command&) {
    return std::optional<std::string>("N");
  });
  messages.Clear();
  ASSERT_TRUE(transfer->DownloadSettings(sequence, true));
  EXPECT_TRUE(Received("SE MEM,Y"));
  EXPECT_EQ(Shown(), std::vector<std::string>{kSettingsDownloaded});
}

TEST_F(OfflineSetupTest, ACancelIsNoCommunicationError) {
  LoadMemory("memory.txt");
  PrepareTask("Cancelled");
  ASSERT_TRUE(obs->Connect(false));
  // The reply to the line waits until the user has cancelled, so the cancel
  // comes while the service runs.
  std::atomic<bool> released{false};
  auto holdUntilCancelled = [&](const std::string& prefix, const std::string& reply) {
    released = false;
    sim->AddHandler(prefix, [&released, reply](kovo::sim::MonitorState&, const kovo::sim::Command&) {
      for (int waited = 0; !released && waited < 3000; waited += 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      return std::optional<std::string>(reply);
    });
    dialogs->onProgress = [&released](COProgress* progress) {
      if (released) return;
      progress->OnCancel();
      released = true;
    };
  };
  // A download cancelled part-way may have left part of it in the monitor.
  holdUntilCancelled("A_M?", "N");
  EXPECT_FALSE(transfer->DownloadSettings(sequence, false));
  ASSERT_TRUE(KeyboardUnlocked());
  EXPECT_EQ(Shown(), std::vector<std::string>{kDownloadIncomplete});

  // The set-up upload cancelled: the upload stops, nothing to report.
  messages.Clear();
  holdUntilCancelled("O_M? T_L", " 2.5");
  EXPECT_EQ(transfer->UploadToNewTask("Never mind"), COUpDownload::UploadEnd::notStarted);
  ASSERT_TRUE(KeyboardUnlocked());
  EXPECT_TRUE(Shown().empty()) << ::testing::PrintToString(Shown());
  EXPECT_EQ(memory.RecordCount(), 36u);
}

TEST_F(OfflineSetupTest, AlarmsPerFilterOfEachModel) {
  auto alarms = [&](std::initializer_list<int> filters) {
    std::vector<COAlarm> list;
    for (int f : filters) {
      COAlarm a(*context);
      a.SetFilter(static_cast<unsigned char>(f));
      list.push_back(a);
    }
    return list;
  };
  struct Case {
    std::initializer_list<int> filters;
    bool leakDetector;
    AlarmRuleBreak rule;
    int filter;
  };
  const Case cases[] = {
      {{0, 1, 2, 3, 4}, false, AlarmRuleBreak::none, -1},
      {{0, 1, 1}, false, AlarmRuleBreak::secondOnFilter, 1},
      // An older task's water-vapour alarm: no mark of the gas monitor is read past.
      {{0, 5}, false, AlarmRuleBreak::filterNotOffered, 5},
      {{1, 1, 5, 5}, true, AlarmRuleBreak::none, -1},
      {{2, 1, 2, 2}, true, AlarmRuleBreak::thirdOnFilter, 2},
      {{6}, true, AlarmRuleBreak::filterNotOffered, 6},
  };
  for (const Case& c : cases) {
    int filter = 99;
    EXPECT_EQ(CheckAlarmsForMonitor(alarms(c.filters), c.leakDetector, &filter), c.rule) << c.leakDetector;
    EXPECT_EQ(filter, c.filter);
  }
  EXPECT_EQ(AlarmRuleMessage(AlarmRuleBreak::secondOnFilter, "CH4"),
            "Only one alarm per filter can be triggered in Gas Monitor");
  EXPECT_EQ(AlarmRuleMessage(AlarmRuleBreak::thirdOnFilter, "CH4"), kTwoAlarmsPerFilter);
  EXPECT_EQ(AlarmRuleMessage(AlarmRuleBreak::filterNotOffered, "Water Vapour"),
            "An alarm on Water Vapour cannot be triggered in this Gas Monitor: remove it from the list");
}

TEST_F(OfflineSetupTest, LimitsGoToTheMonitorInMilligramsWhateverTheDisplayUnit) {
  PrepareTask("Limits");
  sequence.SetActiveBank(0, 0);
  COAlarm a(*context);
  a.SetFilter(0);
  // 100 mg/m³ of CO2 at the normalisation temperature.
  a.SetStoredLimit(COConcUnit(COConcUnit::mg_m3).Convert(COConcUnit(COConcUnit::ppm), 100.0f, 44.01f, 20.0f, 101.33f));
  sequence.GetAlarms().push_back(a);
  for (int unit : {COTempUnit::celsius, COTempUnit::kelvin, COTempUnit::fahrenheit}) {
    setup->SetTempUnit(static_cast<unsigned char>(unit));
    setup->SetNormTemp(static_cast<float>(COTempUnit(COTempUnit::celsius).Convert(COTempUnit(unit), 20.0f)));
    MonitorSetup record;
    GetOfflineMonitorSetup(sequence, record);
    EXPECT_NEAR(record.GetFilter(0).m_alarmLimit1, 99.995f, 0.002f) << unit;
    EXPECT_FALSE(record.GetFilter(0).m_alarmLimit2.IsValid());
  }
}

TEST_F(OfflineSetupTest, TaskKeepsThePrototypesStartTime) {
  PrepareTask("Placeholder start");
  sequence.Close();
  sequence.Load();
  EXPECT_EQ(sequence.GetStartTime(), platform::CTime(1997, 1, 1, 0, 0, 0));
}

TEST_F(OfflineSetupTest, OpeningWithoutAStoredConfigurationKeepsTheLinkOpen) {
  EXPECT_FALSE(transfer->Initialise());
  const auto texts = Shown();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), platform::LoadString(IDS_NO_STORED_CONFIGURATION));
  EXPECT_TRUE(obs->GetDevice().IsOpen());
}

TEST_F(OfflineSetupTest, OpeningWithAStoredConfigurationOffersItsFiltersAndClosesTheLink) {
  // The filters and banks stored at a filter-info upload, for this monitor's
  // serial.
  ASSERT_TRUE(obs->Connect(false));
  MonitorSetup stored = obs->GetDevice().GetSetup();
  {
    CORecBankSet sets(*context);
    sets.SetSetup(stored);
    sets.SaveSet(CORecBankSet::kCurrent, "Current banks");
    sets.CloseWithDatabase();
  }
  obs->Disconnect();
  // As a fresh run has it: the identity, no filter known.
  MonitorSetup fresh = obs->GetDevice().GetSetup();
  for (FilterInfo& f : fresh.m_filters) f = FilterInfo();
  obs->GetDevice().SetSetup(fresh);

  ASSERT_TRUE(transfer->Initialise());
  EXPECT_TRUE(Shown().empty());
  EXPECT_FALSE(obs->GetDevice().IsOpen());
  EXPECT_TRUE(KeyboardUnlocked());
  for (int f : {0, 1, 2}) EXPECT_TRUE(sequence.IsGasDefined(f)) << f;
  EXPECT_EQ(sequence.GetGasName(1), "CH4");
  // No named bank: no filter there.
  EXPECT_FALSE(sequence.IsGasDefined(3));
}

TEST_F(OfflineSetupTest, ActiveBankDifferentFromTheTaskRefusesTheUpload) {
  LoadMemory("memory.txt");
  const std::string task = PrepareTask("Banks");
  sequence.SetActiveBank(0, 1);
  sequence.SetFilterLocked(0, true);
  sequence.Save();
  sequence.Close();
  EXPECT_EQ(transfer->UploadToExistingTask(task, "Banks"), COUpDownload::UploadEnd::notStarted);
  // Whatever went to the monitor has reached it.
  ASSERT_TRUE(KeyboardUnlocked());
  const auto texts = Shown();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), platform::LoadString(IDS_ACTIVE_BANK_DIFFERS));
  EXPECT_EQ(memory.RecordCount(), 36u);
  EXPECT_FALSE(Sent("RESET_SY PART"));
  EXPECT_TRUE(KeyboardUnlocked());
}

}  // namespace
}  // namespace kovo::test
