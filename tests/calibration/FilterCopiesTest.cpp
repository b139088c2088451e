// Filter copies in both directions against the simulated monitor: all banks
// and one bank, stored as one copy per type, written back group by group;
// failed transfers store nothing and leave the device's banks as the monitor
// has them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include "CORecBankSet.h"
#include "CalibrationFixture.h"
#include "CalibrationStrings.h"

namespace kovo::test {
namespace {

class FilterCopiesTest : public CalibrationFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(cali->OpenMonitor(false));
    ASSERT_TRUE(cali->UploadFilterInfo());
    serial = cali->GetMonitorSetup().m_serial.ToString();
    ASSERT_TRUE(copies->StoreCurrentSet(serial));
  }
  int SetOf(int type) {
    CORecBankSet sets(*context);
    const int id = sets.FindSet(type, serial);
    sets.CloseWithDatabase();
    return id;
  }
  MonitorSetup StoredSet(int type) {
    MonitorSetup stored;
    CORecBankSet sets(*context);
    sets.LoadSet(sets.FindSet(type, serial), stored);
    sets.CloseWithDatabase();
    return stored;
  }
  void SetParam(const std::string& key, const std::string& value) {
    sim->Modify([&](kovo::sim::MonitorState& s) { s.params[key] = value; });
  }
  std::string Param(const std::string& key) { return sim->State().params[key]; }

  std::string serial;
};

TEST_F(FilterCopiesTest, AnAllBankUploadReplacesTheMonitorsEarlierCopy) {
  ASSERT_TRUE(copies->Upload(true, 0, 0, "first"));
  ASSERT_TRUE(copies->Upload(true, 0, 0, copies->DefaultDescription(true, 0, 0) + "second"));
  const auto sets = BankSets();
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[0], "1:Current banks (Serial: " + serial + ")");
  EXPECT_EQ(sets[1], "2:" + platform::CTime::GetCurrentTime().Format("%d-%m-%y: ") + "second");
  const MonitorSetup stored = StoredSet(COFilterCopies::kAllBanks);
  EXPECT_EQ(stored.GetFilter(0).GetBank(0).GetGasName().ToString(), "CO2");
  EXPECT_EQ(stored.m_uaNumbers.Get(1), 977u);
  EXPECT_EQ(float(stored.m_water.m_concOffset), 0.042f);
}

TEST_F(FilterCopiesTest, ASingleBankGoesBackWithOnlyItsChosenGroups) {
  ASSERT_TRUE(copies->Upload(false, 0, 0, copies->DefaultDescription(false, 0, 0)));
  EXPECT_EQ(BankSets().back(), "3:" + platform::CTime::GetCurrentTime().Format("%d-%m-%y: ") + " A: UA1312, 1: CO2");
  const std::string offset = Param("F_A,1,C_OF_F");
  const std::string span = Param("F_A,1,C_CO_F_1");
  // The monitor's bank changes afterwards, and so does another bank.
  SetParam("F_A,1,C_OF_F", " 9.000000E+00");
  SetParam("F_A,1,C_CO_F_1", " 8.000000E+00");
  SetParam("F_A,2,C_OF_F", " 7.000000E+00");
  MonitorSetup device = cali->GetDevice().GetSetup();
  device.GetFilter(0).GetBank(1).m_concOffset = 7.0f;
  cali->GetDevice().SetSetup(device);

  const size_t mark = sim->Lines().size();
  ASSERT_TRUE(copies->Download(SetOf(COFilterCopies::kSingleBank), false, true, false, false));
  EXPECT_EQ(Shown(), std::vector<std::string>{"The download has finished.\nThe gas monitor received: A1"});
  EXPECT_EQ(Param("F_A,1,C_OF_F"), offset);
  EXPECT_EQ(Param("F_A,1,C_CO_F_1"), " 8.000000E+00");  // the span group was not chosen
  EXPECT_EQ(Param("F_A,2,C_OF_F"), " 7.000000E+00");
  for (const std::string& line : LinesStarting("C_P ", mark)) EXPECT_EQ(line.compare(0, 11, "C_P F_A,1,C"), 0) << line;
  EXPECT_EQ(float(cali->GetMonitorSetup().GetFilter(0).GetBank(1).m_concOffset), 7.0f);
  // The current bank set follows the monitor.
  EXPECT_EQ(float(StoredSet(COFilterCopies::kCurrent).GetFilter(0).GetBank(1).m_concOffset), 7.0f);
  (void)span;

  EXPECT_FALSE(copies->Download(SetOf(COFilterCopies::kSingleBank), false, false, false, false));
  EXPECT_EQ(Shown().back(), "Nothing to download");
}

TEST_F(FilterCopiesTest, AnAllBankDownloadWritesEveryBankBack) {
  ASSERT_TRUE(copies->Upload(true, 0, 0, "all"));
  SetParam("F_B,3,C_HU_F", " 6.000000E+00");
  SetParam("F_W,C_CO_F_1", " 5.000000E+00");
  ASSERT_TRUE(copies->Download(SetOf(COFilterCopies::kAllBanks), true, false, false, false));
  EXPECT_EQ(Shown(), std::vector<std::string>{"The download has finished.\nThe gas monitor received: all banks"});
  EXPECT_EQ(Param("F_B,3,C_HU_F"), "__________");
  EXPECT_EQ(Param("F_W,C_CO_F_1"), " 2.000000E-06");
  EXPECT_EQ(sim->State().rejected, 0);
}

TEST_F(FilterCopiesTest, AFailedUploadStoresNoCopy) {
  const auto before = BankSets();
  sim->SetMisbehaviour(kovo::sim::Misbehaviour::silent);
  EXPECT_FALSE(copies->Upload(true, 0, 0, "never"));
  EXPECT_FALSE(copies->Upload(false, 1, 0, "never"));
  EXPECT_EQ(BankSets(), before);
}

TEST_F(FilterCopiesTest, AFailedDownloadLeavesTheBanksTheMonitorDidNotGet) {
  ASSERT_TRUE(copies->Upload(true, 0, 0, "all"));
  // The copy differs from the device in two banks.
  MonitorSetup device = cali->GetDevice().GetSetup();
  device.GetFilter(0).GetBank(0).m_concOffset = 3.0f;
  device.GetFilter(1).GetBank(0).m_concOffset = 4.0f;
  cali->GetDevice().SetSetup(device);
  // The monitor's message fails the download after its first bank.
  sim->PostMessage("Busy");
  EXPECT_FALSE(copies->Download(SetOf(COFilterCopies::kAllBanks), true, false, false, false));
  const MonitorSetup& now = cali->GetMonitorSetup();
  EXPECT_EQ(float(now.GetFilter(0).GetBank(0).m_concOffset), 0.0125f);  // written: the copy's
  EXPECT_EQ(float(now.GetFilter(1).GetBank(0).m_concOffset), 4.0f);  // not written: as before
  EXPECT_EQ(float(StoredSet(COFilterCopies::kCurrent).GetFilter(1).GetBank(0).m_concOffset), 4.0f);
}

// Cancel in the progress window of an all-bank upload or download ends it
// as the user asked: said as a cancel, not as a communication error; an
// upload stores no copy.
TEST_F(FilterCopiesTest, ACancelledTransferIsSaidAsACancel) {
  ASSERT_TRUE(copies->Upload(true, 0, 0, "all"));
  const int set = SetOf(COFilterCopies::kAllBanks);
  std::atomic<bool> released{false};
  // The reply to the line waits until the user has cancelled, so the cancel
  // comes while the service runs.
  auto holdUntilCancelled = [&](const std::string& prefix, std::optional<std::string> reply) {
    released = false;
    sim->AddHandler(prefix, [&released, reply](kovo::sim::MonitorState&, const kovo::sim::Command&) {
      for (int waited = 0; !released && waited < 3000; waited += 5)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      return reply;
    });
    dialogs->onProgress = [&released](COProgress* progress) {
      if (released) return;
      progress->OnCancel();
      released = true;
    };
  };
  const struct {
    const char* held;
    std::optional<std::string> reply;
    std::function<bool()> transfer;
    const char* said;
  } cases[] = {
      {"C_P? F_C,1,C_OF_F", " 1.000000E-02", [&] { return copies->Upload(true, 0, 0, "never"); },
       "The upload was cancelled."},
      {"C_P F_C,1,C_OF_F", std::nullopt, [&] { return copies->Download(set, true, false, false, false); },
       "The download was cancelled: the gas monitor did not receive every bank."},
  };
  for (const auto& c : cases) {
    const auto before = BankSets();
    holdUntilCancelled(c.held, c.reply);
    messages.Clear();
    EXPECT_FALSE(c.transfer()) << c.held;
    EXPECT_EQ(Shown(), std::vector<std::string>{c.said});
    EXPECT_EQ(BankSets(), before);
    dialogs->onProgress = nullptr;
  }
}

TEST_F(FilterCopiesTest, ChangedFiltersWithAFailedUploadStoreNoCurrentSet) {
  // The stored current set was made with another filter at position B.
  {
    CORecBankSet sets(*context);
    MonitorSetup other = cali->GetMonitorSetup();
    other.GetFilter(1).m_number.Assign(std::string("4711"));
    sets.SaveBanks(sets.WriteSetRow(COFilterCopies::kCurrent, serial, "Current"), other);
    sets.SetSetup(other);
    sets.WriteSetRow(COFilterCopies::kCurrent, serial, "Current");
    sets.CloseWithDatabase();
  }
  sim->SetMisbehaviour(kovo::sim::Misbehaviour::silent);
  EXPECT_FALSE(cali->LoadSetupFromDatabase(serial));
  EXPECT_EQ(Shown().front(), "Filter configuration has changed in Gas Monitor\nReloading filter info now");
  EXPECT_EQ(StoredSet(COFilterCopies::kCurrent).m_uaNumbers.Get(1), 4711u);

  // With the monitor answering the filter information is stored afresh.
  sim->SetMisbehaviour(kovo::sim::Misbehaviour::none);
  cali->GetDevice().RunFlags() = ClientRunFlags();
  EXPECT_TRUE(cali->LoadSetupFromDatabase(serial));
  EXPECT_EQ(StoredSet(COFilterCopies::kCurrent).m_uaNumbers.Get(1), 977u);
}

}  // namespace
}  // namespace kovo::test
