// The monitor's memory from the Online program: the leak detector's switch
// for keeping its samples and the print of the samples it kept, against the
// simulated monitor.
#include <gtest/gtest.h>

#include "MonitorMemory.h"
#include "OnlineFixture.h"
#include "StartupConnection.h"

namespace kovo::test {
namespace {

class MonitorMemoryTest : public OnlineFixture {
 protected:
  PrintOutLimits Limits() const {
    PrintOutLimits limits = MemoryPrintLimits();
    limits.longTimeoutMs = limits.normalTimeoutMs = 1000;
    limits.deadlineMs = 20000;
    return limits;
  }
  void Record(int count) {
    sim->Modify([count](kovo::sim::MonitorState& s) {
      for (int i = 0; i < count; ++i) {
        kovo::sim::MonitorState::RecordedSample r;
        r.number = static_cast<long>(s.recorded.size()) + 1;
        r.time.tm_year = 126;
        r.time.tm_mday = 10;
        r.time.tm_mon = 11;
        r.levels = s.levels;
        r.used = {true, true, false, false, false, true};
        r.airPressure = 1000.0f + static_cast<float>(i);
        s.recorded.push_back(r);
      }
    });
  }
  static std::vector<std::string> Pages(const std::string& text) {
    std::vector<std::string> pages;
    size_t at = text.find('\f');
    while (at != std::string::npos) {
      const size_t next = text.find('\f', at + 1);
      pages.push_back(text.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1));
      at = next;
    }
    return pages;
  }
};

TEST_F(MonitorMemoryTest, ThePrintComesWholeInFilledPagesAndLeavesTheLineClean) {
  Record(120);
  const MemoryPrint print = ReadMonitorMemoryPrint(*obs, 78, Limits());
  ASSERT_FALSE(print.noData);
  EXPECT_TRUE(Sent("O_M? US_M_A_P"));
  const std::vector<std::string> pages = Pages(print.text);
  ASSERT_EQ(pages.size(), 3u);
  // Every page but the last is filled to its 78 lines.
  for (size_t p = 0; p + 1 < pages.size(); ++p)
    EXPECT_EQ(std::count(pages[p].begin(), pages[p].end(), '\n'), 78) << p;
  EXPECT_NE(pages[2].find("     120  10.12.2026"), std::string::npos);
  EXPECT_NE(pages[0].find("Recorded Samples : 120"), std::string::npos);
  // The worker's next exchange finds nothing left over, and the link is as
  // it was.
  EXPECT_FALSE(obs->GetLink().isOpen());
  EXPECT_EQ(QueryDirect(*obs, "M_A_P?", 10), "1013.2");
}

TEST_F(MonitorMemoryTest, AnEmptyMemoryGivesNoDataAndTheAcknowledgement) {
  const MemoryPrint print = ReadMonitorMemoryPrint(*obs, 78, Limits());
  EXPECT_TRUE(print.noData);
  EXPECT_TRUE(print.text.empty());
  AcknowledgeNoData(*obs);
  EXPECT_TRUE(sim->WaitForLines(2, 2000));
  EXPECT_TRUE(Sent("A_M"));
}

TEST_F(MonitorMemoryTest, TheSwitchDecidesWhatTheMonitorKeepsOfAMeasurement) {
  ASSERT_TRUE(obs->Connect(false));
  GiveBanks();
  PrepareTask("memory");
  EXPECT_TRUE(QueryMonitorMemory(*obs));
  SwitchMonitorMemory(*obs, false);
  EXPECT_FALSE(QueryMonitorMemory(*obs));
  auto measure = [&] {
    const size_t before = Received().size();
    ASSERT_TRUE(StartNow());
    ASSERT_TRUE(PumpUntil([&] { return Received().size() >= before + 2; }));
    obs->StopMeasurement();
    ASSERT_TRUE(PumpUntil([&] { return obs->GetState() == MeasState::idle; }));
  };
  measure();
  EXPECT_TRUE(sim->State().recorded.empty());
  EXPECT_TRUE(ReadMonitorMemoryPrint(*obs, 85, Limits()).noData);

  SwitchMonitorMemory(*obs, true);
  EXPECT_TRUE(QueryMonitorMemory(*obs));
  measure();
  const size_t kept = sim->State().recorded.size();
  ASSERT_GE(kept, 2u);
  const MemoryPrint print = ReadMonitorMemoryPrint(*obs, 85, Limits());
  ASSERT_FALSE(print.noData);
  EXPECT_NE(print.text.find("Recorded Samples : " + std::to_string(kept)), std::string::npos);
  EXPECT_TRUE(messages.Texts().empty());
}

TEST(MemoryPrintEnd, IsTheLineOfTheLastSampleAfterTheHeading) {
  const std::string head = "\fRecorded Samples : 12\r\n\r\n No.  Date  Pressure\r\n";
  struct Case {
    std::string text;
    size_t newFrom;
    bool complete;
  } cases[] = {
      {"\fRecorded Samples : 12\r\n", 0, false},                  // no heading yet
      {head + "      11  1.0E+00\r\n", 0, false},                   // not the last sample
      {head + "      12  1.0E+00", 0, false},                        // its line not ended
      {head + "      12  1.0E+00\r\n", 0, true},
      {head + "      1" + "2  1.0E+00\r\n", head.size() + 7, true},  // the number split between reads
      {head + "     112  12.5\r\n", 0, false},                       // no blank before it
      {"\fno count here Pressure\r\n", 0, true},                   // nothing else to wait for
  };
  for (const Case& c : cases) EXPECT_EQ(MemoryPrintComplete(c.text, c.newFrom), c.complete) << c.text;
}

}  // namespace
}  // namespace kovo::test
