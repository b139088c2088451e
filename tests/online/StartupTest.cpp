// The start-up connection and the direct queries against the simulated
// monitor, without a display.
#include <gtest/gtest.h>

#include <algorithm>

#include "COAirPressure.h"
#include "InstrumentInfo.h"
#include "OnlineFixture.h"
#include "StartupConnection.h"
#include "serial/SerialPort.h"

namespace {

using kovo::sim::MonitorState;
using kovo::test::OnlineFixture;

class StartupTest : public OnlineFixture {
 protected:
  explicit StartupTest(const std::string& programName = "Online") : OnlineFixture(programName) {
    program.SetStartupActions({[this](int code) { exits.push_back(code); }, [this] { ++noMonitor; }});
  }

  InstrumentInfo& Info() { return program.Instrument(); }

  std::vector<int> exits;
  int noMonitor = 0;
};

class CalibrationStartupTest : public StartupTest {
 protected:
  CalibrationStartupTest() : StartupTest("Calibration") {}
};

TEST_F(StartupTest, TheUserPicksAnotherPortUntilAMonitorAnswers) {
  setup->SetComPort(0);  // nothing behind COM1
  platform::SetSerialPortPath(0, odbc.File("no-such-port"));
  LinkOptions checked = program.GetLinkOptions();
  checked.checkModem = true;
  program.SetLinkOptions(checked);
  dialogs->onComDialog = [this] {
    setup->SetComPort(kPort);  // what the dialog stores
    return platform::IDOK;
  };
  ConnectToMonitor(program);
  EXPECT_EQ(dialogs->comDialogs, 1);
  EXPECT_EQ(messages.Texts(), std::vector<std::string>({"Unable to get Gas Monitor Serial\n\n" +
                                                        odbc.File("no-such-port") + ": No such file or directory"}));
  EXPECT_TRUE(obs->IsConnected());
  EXPECT_EQ(Info().GetInstrumentId(), "K0042");
  EXPECT_FALSE(obs->GetLink().GetOptions().checkModem);
  EXPECT_TRUE(exits.empty());
  platform::SetSerialPortPath(0, std::string());
}

TEST_F(StartupTest, CancellingThePortDialogEndsTheProgram) {
  Unplug();
  ConnectToMonitor(program);
  EXPECT_EQ(exits, std::vector<int>({1}));
  EXPECT_EQ(noMonitor, 0);
  EXPECT_EQ(dialogs->comDialogs, 1);
}

TEST_F(CalibrationStartupTest, CancellingThePortDialogLeavesTheCalibrationProgramWithoutAMonitor) {
  Unplug();
  ConnectToMonitor(program);
  EXPECT_TRUE(exits.empty());
  EXPECT_EQ(noMonitor, 1);
  EXPECT_EQ(dialogs->comDialogs, 1);
  EXPECT_EQ(Info().GetInstrumentId(), "");
}

TEST_F(StartupTest, OnlyALeakDetectorIsAskedForItsAirPressure) {
  sim->Modify([](MonitorState& s) {
    s.airPressure = 987.5f;
    s.setup["PR_U"] = "U_MMHG";
  });
  // The Kovo gas monitor gives its model number: no leak detector.
  ConnectToMonitor(program);
  EXPECT_FALSE(Info().isTebb());
  sim->ClearLines();
  COAirPressure pressure;
  ReadAirPressure(program, pressure);
  EXPECT_FALSE(pressure.IsSet());
  EXPECT_TRUE(sim->Lines().empty());

  // The leak detector behind the port, read afresh as after a change of port.
  sim->Modify([](MonitorState& s) { s.BeLeakDetector(); });
  obs->Disconnect();
  obs->GetDevice().RunFlags() = ClientRunFlags();
  sim->ClearLines();
  ReadAirPressure(program, pressure);
  EXPECT_TRUE(Info().isTebb());
  EXPECT_EQ(pressure.GetUnit(), COPresUnit(COPresUnit::mmhg));
  EXPECT_FLOAT_EQ(pressure.GetValue(COPresUnit(COPresUnit::mmhg)), 987.5f);
  const std::vector<std::string> lines = sim->Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "*IDN?"), lines.end());
  EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()), std::vector<std::string>({"M_A_P? ", "SE? PR_U "}));
}

TEST_F(StartupTest, ADirectQueryNeverSharesThePortWithTheWorker) {
  ASSERT_TRUE(obs->Connect(false));
  GiveBanks();
  PrepareTask("queries");
  ASSERT_TRUE(StartNow());
  ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::active; }));
  // Polling every 15 ms while samples come every 60 ms: the worker is on the
  // line most of the time.
  for (int i = 0; i < 60; ++i) {
    ASSERT_EQ(QueryDirect(*obs, "M_A_P?", 10), "1013.2") << i;
    PumpFor(2);
  }
  ASSERT_TRUE(PumpUntil([&] { return Received().size() >= 3; }));
  obs->StopMeasurement();
  ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::idle; }));
  EXPECT_FALSE(obs->GetService()->IsFailed());
  EXPECT_TRUE(messages.Texts().empty());
  EXPECT_EQ(ReceivedNumbers(), sim->State().delivered);
}

TEST_F(StartupTest, ADirectQueryOpensAClosedLinkAndClosesItAgain) {
  EXPECT_FALSE(obs->GetLink().isOpen());
  EXPECT_EQ(QueryDirect(*obs, "SE? PR_U", 9), "U_MBAR");
  EXPECT_FALSE(obs->GetLink().isOpen());
  EXPECT_TRUE(Sent("SE? PR_U "));
}

}  // namespace
