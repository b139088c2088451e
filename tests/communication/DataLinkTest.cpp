#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

#include "Exceptions.h"
#include "LinkFixture.h"
#include "Rs232Trace.h"
#include "TestSupport.h"

namespace {
using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

using DataLink = LinkFixture;

TEST_F(DataLink, FirstOpenProbesTheMonitorOnce) {
  link->Open();
  EXPECT_TRUE(link->isOpen());
  ASSERT_TRUE(monitor->WaitForLines(1, 1000));
  EXPECT_EQ(monitor->Lines(), std::vector<std::string>{"SE? USER_L"});

  link->Close();
  EXPECT_FALSE(link->isOpen());
  link->Close();  // closing twice does nothing
  link->Open();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(monitor->Lines().size(), 1u);
}

TEST_F(DataLink, ProbeRefusedUnlessTheUserLevelIsOneToThree) {
  for (int level : {4, 0}) {
    link = MakeLink();  // a link probes at its first open only
    monitor->Modify([level](kovo::sim::MonitorState& s) { s.userLevel = level; });
    try {
      link->Open();
      FAIL() << "opened at level " << level;
    } catch (const Rs232Exception& e) {
      EXPECT_EQ(e.GetKind(), CommException::read);
      EXPECT_EQ(e.GetReason(), Rs232Exception::commError);
    }
    EXPECT_FALSE(link->isOpen());
  }
  // A monitor that does not answer at all.
  link = MakeLink();
  monitor->SetMisbehaviour(kovo::sim::Misbehaviour::silent);
  EXPECT_THROW(link->Open(), Rs232Exception);
  EXPECT_FALSE(link->isOpen());
  // The port is free again afterwards.
  monitor->SetMisbehaviour(kovo::sim::Misbehaviour::none);
  OpenQuietly();
  EXPECT_TRUE(link->isOpen());
}

TEST_F(DataLink, OpenFailures) {
  platform::SetSerialPortPath(2, "/nonexistent/tty");
  try {
    OpenQuietly();
    FAIL();
  } catch (const Rs232Exception& e) {
    EXPECT_EQ(e.Describe(), "RS232 Error: ERROR. Open communication error");
  }
  // Not a terminal.
  platform::SetSerialPortPath(2, "/dev/null");
  try {
    OpenQuietly();
    FAIL();
  } catch (const Win32Error& e) {
    EXPECT_EQ(e.GetText(), "Unable to initialize communication port");
  }
  EXPECT_FALSE(link->isOpen());
  // A pseudo-terminal has no modem lines to report: unknown is not "all off".
  platform::SetSerialPortPath(2, monitor->SlavePath());
  LinkOptions checked;
  checked.checkModem = true;
  link->SetOptions(checked);
  OpenQuietly();
  EXPECT_TRUE(link->isOpen());
}

TEST_F(DataLink, NineSixHundredBaudRaw) {
  OpenQuietly();
  // A pseudo-terminal carries no framing of its own; the link asked for 7E1.
  const SerialControlBlock& dcb = link->GetControlBlock();
  EXPECT_EQ(dcb.byteSize, 7);
  EXPECT_EQ(dcb.parity, 2);
  EXPECT_EQ(dcb.stopBits, 0);
  termios t = monitor->TerminalSettings();
  EXPECT_FALSE(t.c_cflag & CSTOPB);
  EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
  EXPECT_FALSE(t.c_lflag & (ICANON | ECHO));
  EXPECT_FALSE(t.c_oflag & OPOST);
  EXPECT_FALSE(t.c_iflag & (ICRNL | IXON));
  EXPECT_EQ(link->GetTimeouts().readTotalMultiplier, 1u);

  for (int stopBits : {2, 0}) {
    link->SetStopBits(1);
    link->SetStopBits(stopBits);
    EXPECT_TRUE(monitor->TerminalSettings().c_cflag & CSTOPB) << stopBits;
  }
  EXPECT_THROW(link->SetBaudRate(0), Win32Error);
}

TEST_F(DataLink, WriteAndReadOneExchange) {
  OpenQuietly();
  FixChBuf<160> buffer;
  EXPECT_EQ(link->Write(ChBufWrapper("EX_S?\n")), 6u);
  link->Read(buffer);
  EXPECT_STREQ(buffer.Buffer(), "0\r\n\n");
  EXPECT_FALSE(buffer.IsBeingFilled());
  EXPECT_EQ(link->LastRequest(), "EX_S?\n");
}

TEST_F(DataLink, SilenceReopensAndSendsTheRequestAgain) {
  OpenQuietly();
  monitor->SetMisbehaviour(kovo::sim::Misbehaviour::silent);
  FixChBuf<160> buffer;
  link->Write(ChBufWrapper("EX_S?\n"));
  const auto start = Clock::now();
  link->Read(buffer);
  EXPECT_GE(MsSince(start), kTimeoutMs);
  EXPECT_TRUE(buffer.IsEmpty());
  EXPECT_TRUE(link->Events().readTimeout);
  EXPECT_TRUE(link->isOpen());
  ASSERT_TRUE(monitor->WaitForLines(2, 1000));
  EXPECT_EQ(monitor->Lines(), (std::vector<std::string>{"EX_S?", "EX_S?"}));

  link->Read(buffer);
  ASSERT_TRUE(monitor->WaitForLines(3, 1000));
  // Once the monitor answers again, the re-sent request gets its reply.
  monitor->SetMisbehaviour(kovo::sim::Misbehaviour::none);
  link->Read(buffer);
  if (buffer.IsEmpty()) link->Read(buffer);
  EXPECT_STREQ(buffer.Buffer(), "0\r\n\n");
}

TEST_F(DataLink, CloseFromAnotherThreadEndsABlockedRead) {
  link->SetTimeouts(10000, 10000);
  OpenQuietly();
  monitor->SetMisbehaviour(kovo::sim::Misbehaviour::silent);
  auto reading = std::async(std::launch::async, [this] {
    FixChBuf<160> buffer;
    try {
      link->Read(buffer);
    } catch (const Win32Error& e) {
      return static_cast<int>(e.GetCode());
    }
    return 0;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  link->Close();
  // Ended by the close, not by its time-out.
  EXPECT_EQ(reading.get(), ECANCELED);
}

TEST_F(DataLink, DroppedLineIsAReadError) {
  kovo::test::TempDir dir;
  monitor->Stop();
  StartMonitor(kovo::sim::SimTimings(), dir.File("ttyKovo"));
  OpenQuietly();
  monitor->DropLine(50);
  FixChBuf<160> buffer;
  try {
    link->Read(buffer);
    FAIL() << "read on a dropped line";
  } catch (const Win32Error& e) {
    EXPECT_EQ(e.GetText(), "Error while reading from communication port");
    EXPECT_EQ(e.GetCode(), static_cast<uint32_t>(EIO));
  }
  // The line comes back at the same path.
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  link->Close();
  link->Open();
  link->Write(ChBufWrapper("EX_S?\n"));
  link->Read(buffer);
  EXPECT_STREQ(buffer.Buffer(), "0\r\n\n");
}

TEST_F(DataLink, WriteThatSendsNothingFailsAfterItsRetries) {
  link->SetTimeouts(50, 50);
  OpenQuietly();
  // The monitor stops taking characters: the terminal fills up.
  monitor->SetMisbehaviour(kovo::sim::Misbehaviour::stalled);
  const std::string chunk(160, 'x');
  int writes = 0;
  try {
    for (; writes < 100000; ++writes) link->Write(ChBufWrapper(chunk.c_str()));
    FAIL() << "the terminal took everything";
  } catch (const Rs232Exception& e) {
    EXPECT_EQ(e.GetKind(), CommException::write);
    EXPECT_EQ(e.GetReason(), Rs232Exception::tout);
  }
  EXPECT_GT(writes, 0);
  EXPECT_TRUE(link->Events().writeStall);
}

TEST_F(DataLink, ProbeThatCannotBeSentFailsTheOpen) {
  link->SetTimeouts(50, 50);
  OpenQuietly();
  monitor->SetMisbehaviour(kovo::sim::Misbehaviour::stalled);
  const std::string chunk(160, 'x');
  EXPECT_THROW(
      for (int i = 0; i < 100000; ++i) link->Write(ChBufWrapper(chunk.c_str())), Rs232Exception);
  link->Close();
  // The line is still full: the probe goes nowhere, and that is no monitor.
  SetProbe(true);
  try {
    link->Open();
    FAIL() << "opened without a probe";
  } catch (const Rs232Exception& e) {
    EXPECT_EQ(e.Describe(), "RS232 Error: TIMEOUT. Write communication error");
  }
  EXPECT_FALSE(link->isOpen());
}

TEST_F(DataLink, TraceMovesToTheBackupAboveItsLimit) {
  kovo::test::TempDir dir;
  Rs232Trace trace;
  trace.SetFolder(dir.Path());
  LinkOptions traced;
  traced.trace = &trace;
  link->SetOptions(traced);
  OpenQuietly();
  trace.SetOn(true);
  const std::string request = "K_L Y\n";
  const size_t line = 19 + std::string("(write):").size() + request.size();
  {
    std::ofstream f(dir.File("rs232.txt"), std::ios::binary);
    f << std::string(static_cast<size_t>(kRs232TraceLimit) - line, '.');
  }
  link->Write(ChBufWrapper(request.c_str()));
  EXPECT_EQ(std::filesystem::file_size(dir.File("rs232.txt")), static_cast<uintmax_t>(kRs232TraceLimit));
  EXPECT_FALSE(std::filesystem::exists(dir.File("rs232bak.txt")));

  link->Write(ChBufWrapper(request.c_str()));
  EXPECT_FALSE(std::filesystem::exists(dir.File("rs232.txt")));
  EXPECT_EQ(std::filesystem::file_size(dir.File("rs232bak.txt")), static_cast<uintmax_t>(kRs232TraceLimit) + line);

  link->Write(ChBufWrapper(request.c_str()));
  std::ifstream f(dir.File("rs232.txt"));
  std::string content((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  ASSERT_EQ(content.size(), line);
  EXPECT_EQ(content.substr(19), "(write):K_L Y\n");
}

TEST_F(DataLink, TwoLinksKeepTheirOwnOptionsNoticesAndLastRequest) {
  // A second monitor behind COM4, on a link of its own.
  kovo::sim::SimulatedMonitor other;
  other.Start();
  platform::SetSerialPortPath(3, other.SlavePath());
  auto second = MakeLink();
  second->SetPort(3);
  kovo::test::TempDir dir;
  Rs232Trace trace;
  trace.SetFolder(dir.Path());
  trace.SetOn(true);
  LinkOptions traced;
  traced.trace = &trace;
  link->SetOptions(traced);

  // Each link probes at its own first open.
  link->Open();
  second->Open();
  ASSERT_TRUE(monitor->WaitForLines(1, 1000));
  ASSERT_TRUE(other.WaitForLines(1, 1000));
  EXPECT_EQ(monitor->Lines(), std::vector<std::string>{"SE? USER_L"});
  EXPECT_EQ(other.Lines(), std::vector<std::string>{"SE? USER_L"});

  other.SetMisbehaviour(kovo::sim::Misbehaviour::silent);
  link->Write(ChBufWrapper("EX_S?\n"));
  second->Write(ChBufWrapper("K_L Y\n"));
  EXPECT_EQ(link->LastRequest(), "EX_S?\n");
  EXPECT_EQ(second->LastRequest(), "K_L Y\n");
  // A silent monitor: the time-out is the second link's alone, and it sends
  // its own request again.
  FixChBuf<160> buffer;
  second->Read(buffer);
  EXPECT_TRUE(second->Events().readTimeout);
  EXPECT_FALSE(link->Events().readTimeout);
  ASSERT_TRUE(other.WaitForLines(3, 1000));
  EXPECT_EQ(other.Lines().back(), "K_L Y");
  link->Read(buffer);
  EXPECT_STREQ(buffer.Buffer(), "0\r\n\n");

  // Only the traced link's traffic is in the trace.
  std::ifstream f(dir.File("rs232.txt"));
  const std::string content((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_NE(content.find("(write):EX_S?"), std::string::npos);
  EXPECT_EQ(content.find("K_L Y"), std::string::npos);
  second.reset();
  other.Stop();
  platform::SetSerialPortPath(3, std::string());
}
