#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include <cstdio>
#include <fstream>

#include "OfflineMemory.h"
#include "SimulatedMonitor.h"

namespace {

using kovo::sim::Misbehaviour;
using kovo::sim::MonitorState;
using kovo::sim::SimTimings;
using kovo::sim::SimulatedMonitor;
using Clock = std::chrono::steady_clock;

// The suite's end of the line, kept minimal: raw, one request, one reply.
class Client {
 public:
  explicit Client(const std::string& path) : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
    termios t{};
    ::tcgetattr(m_fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(m_fd, TCSANOW, &t);
  }
  ~Client() { ::close(m_fd); }
  bool IsOpen() const { return m_fd >= 0; }

  // Sends the line and reads until the reply terminator or the time-out.
  std::string Ask(const std::string& line, int timeoutMs = 1000) {
    Send(line);
    std::string reply;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (reply.find("\r\n\n") == std::string::npos && Clock::now() < end) {
      pollfd p{m_fd, POLLIN, 0};
      if (::poll(&p, 1, 10) <= 0) continue;
      char buf[256];
      const ssize_t n = ::read(m_fd, buf, sizeof buf);
      if (n > 0) reply.append(buf, static_cast<size_t>(n));
    }
    return reply;
  }
  void Send(const std::string& line) {
    const std::string text = line + "\n";
    ASSERT_EQ(::write(m_fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

 private:
  int m_fd;
};

}  // namespace

TEST(Simulator, AnswersTheCommandLanguage) {
  SimulatedMonitor monitor;
  monitor.Start();
  Client c(monitor.SlavePath());
  ASSERT_TRUE(c.IsOpen());
  EXPECT_EQ(c.Ask("*IDN?"), "Q&T,1314,K0042,VP12\r\n\n");
  EXPECT_EQ(c.Ask("SE? USER_L"), "3\r\n\n");
  EXPECT_EQ(c.Ask("SE? UA_N,F_B"), "0977\r\n\n");
  EXPECT_EQ(c.Ask("C_P? F_A,1,G_N"), "\"CO2\"\r\n\n");

  // Set-up writes are remembered and read back.
  c.Send("SE PR_U,U_kPa");
  EXPECT_EQ(c.Ask("SE? PR_U"), "U_KPA\r\n\n");
  c.Send("SE S_I_T,F_B,2.5");
  EXPECT_EQ(c.Ask("SE? S_I_T,F_B"), "2.5\r\n\n");

  // An enabled write needs its enable line right before it.
  c.Send("C_P F_A,1,A_L,5.0E+01");
  c.Send("E_C 83");
  c.Send("E_C 26");
  c.Send("C_P F_B,1,A_L,5.0E+01");
  c.Send("E_C 83");
  c.Send("C_P F_C,1,A_L,7.5E+01,2");
  c.Send("nonsense");
  ASSERT_TRUE(monitor.WaitForLines(15, 1000));
  const MonitorState s = monitor.State();
  EXPECT_EQ(s.rejected, 2);
  EXPECT_EQ(s.params.at("F_A,1,A_L"), "__________");
  EXPECT_EQ(s.params.at("F_C,1,A_L,2"), " 7.500000E+01");
  EXPECT_EQ(s.unknownLines, std::vector<std::string>{"nonsense"});

  // The Kovo names no type; the leak detector gives its type as its model too.
  EXPECT_EQ(c.Ask("ID?"), "Q&T \r\n\n");
  monitor.Modify([](MonitorState& m) { m.BeLeakDetector(); });
  EXPECT_EQ(c.Ask("*IDN?"), "Q&T,Tebb,K0042,VP12\r\n\n");
  EXPECT_EQ(c.Ask("ID?"), "Q&T Tebb\r\n\n");
}

TEST(Simulator, MeasuresWithASampleEveryInterval) {
  SimTimings t;
  t.sampleIntervalMs = 30;
  t.statusDelayMs = 60;
  SimulatedMonitor monitor(t);
  monitor.Start();
  Client c(monitor.SlavePath());
  c.Send("STA_M");
  EXPECT_EQ(c.Ask("EX_S?"), "0\r\n\n");  // not yet
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(c.Ask("EX_S?"), "8\r\n\n");
  EXPECT_EQ(c.Ask("CO_SRQ? 1,MEM"), "1\r\n\n");
  EXPECT_GE(monitor.State().samplesTaken, 3);
  const std::string sample = c.Ask("O_SP_C? SA_DA,AL");
  EXPECT_EQ(sample.substr(0, 36), " 3.8000E+02, 1.8000E+00, 3.2000E-01,");
  EXPECT_NE(sample.find(",R0,X0,OK,"), std::string::npos);

  // A restart is told in the next sample; the monitor is deaf for a while.
  t.restartSilenceMs = 100;
  monitor.SetTimings(t);
  monitor.Restart();
  EXPECT_EQ(c.Ask("EX_S?", 50), "");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_NE(c.Ask("O_SP_C? SA_DA,AL").find(",R1,"), std::string::npos);
  EXPECT_NE(c.Ask("O_SP_C? SA_DA,AL").find(",R0,"), std::string::npos);
  c.Send("STOP_M");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(c.Ask("EX_S?"), "0\r\n\n");
  EXPECT_FALSE(monitor.State().measuring);
}

TEST(Simulator, MisbehavesOnRequest) {
  SimTimings t;
  t.splitPieceSize = 3;
  t.splitPauseMs = 20;
  SimulatedMonitor monitor(t);
  monitor.Start();
  Client c(monitor.SlavePath());

  monitor.SetMisbehaviour(Misbehaviour::garbage, "#!#\r\n\n");
  EXPECT_EQ(c.Ask("*IDN?"), "#!#\r\n\n");
  monitor.SetMisbehaviour(Misbehaviour::silent);
  EXPECT_EQ(c.Ask("*IDN?", 100), "");
  monitor.SetMisbehaviour(Misbehaviour::split);
  const auto start = Clock::now();
  EXPECT_EQ(c.Ask("*IDN?"), "Q&T,1314,K0042,VP12\r\n\n");
  // 22 characters in pieces of 3: seven pauses.
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(140));
  monitor.SetMisbehaviour(Misbehaviour::none);

  // At the pace of the real line: 960 characters a second.
  t.charactersPerSecond = 960;
  monitor.SetTimings(t);
  const auto paced = Clock::now();
  EXPECT_EQ(c.Ask("C_P? F_A,1,C_CR_F_B"), " 0.000000E+00\r\n\n");
  EXPECT_GE(Clock::now() - paced, std::chrono::milliseconds(10));
}

// The program in a process of its own, with its arguments; its terminal's
// path as it printed it.
class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    int out[2];
    if (::pipe(out) != 0) return;
    m_pid = ::fork();
    if (m_pid == 0) {
      ::dup2(out[1], 1);
      ::close(out[0]);
      std::vector<char*> argv{const_cast<char*>("kovo-simulator")};
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(KOVO_SIMULATOR_PROGRAM, argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    char ch;
    while (::read(out[0], &ch, 1) == 1 && ch != '\n') m_path += ch;
    ::close(out[0]);
  }
  const std::string& Path() const { return m_path; }
  // Stops it; its exit code.
  int Stop() {
    ::kill(m_pid, SIGTERM);
    int status = 0;
    if (::waitpid(m_pid, &status, 0) != m_pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
  }

 private:
  pid_t m_pid = -1;
  std::string m_path;
};

TEST(Simulator, ProgramPrintsItsTerminalAndServesUntilStopped) {
  Program program({"--serial", "X1234"});
  ASSERT_EQ(program.Path().compare(0, 9, "/dev/pts/"), 0) << program.Path();
  {
    Client c(program.Path());
    EXPECT_EQ(c.Ask("*IDN?"), "Q&T,1314,X1234,VP12\r\n\n");
  }
  EXPECT_EQ(program.Stop(), 0);
}

TEST(Simulator, ProgramReadsItsSceneFileAgainWhileItRuns) {
  const std::string scene = testing::TempDir() + "program-scene.txt";
  std::ofstream(scene) << "A 123\n";
  Program program({"--steady", "--user-level", "2", "--scene", scene});
  Client c(program.Path());
  EXPECT_EQ(c.Ask("SE? USER_L"), "2\r\n\n");
  EXPECT_EQ(c.Ask("O_SP_C? SA_DA,AL").substr(0, 12), " 1.2300E+02,");
  std::ofstream(scene, std::ios::trunc) << "A 4567\n";
  std::string sample;
  const auto end = Clock::now() + std::chrono::seconds(5);
  do {
    sample = c.Ask("O_SP_C? SA_DA,AL");
  } while (sample.compare(0, 12, " 4.5670E+03,") != 0 && Clock::now() < end);
  EXPECT_EQ(sample.substr(0, 12), " 4.5670E+03,");
  EXPECT_EQ(program.Stop(), 0);
  std::remove(scene.c_str());
}

TEST(Simulator, MemoryAnswersWithTheSetupDownloadedAfterItsRun) {
  SimulatedMonitor monitor;
  kovo::sim::OfflineMemory memory;
  memory.Install(monitor);
  char path[] = "/tmp/kovo-memory-XXXXXX";
  const int fd = ::mkstemp(path);
  ASSERT_GE(fd, 0);
  ::close(fd);
  std::ofstream(path) << "W_C=N\nN_T= 293.15\nB,F_A=1\nG_N,F_A=\"CO2\"\nDA=\"2026-05-03 23:40 2026-05-04 00:20\"\n";
  memory.Load(path);
  monitor.Start();
  Client c(monitor.SlavePath());
  ASSERT_TRUE(c.IsOpen());
  EXPECT_EQ(c.Ask("O_M? W_C"), "N\r\n\n");
  // Before any download, what the file leaves open comes from the monitor's set-up.
  EXPECT_EQ(c.Ask("O_M? US_F,F_B"), "Y\r\n\n");

  for (const char* line : {"SE W_C,Y", "SE T_U,U_CE", "SE N_T,25.0", "SE B,F_A,2", "E_C 83",
                           "C_P F_A,2,G_N,\"NH3\"", "E_C 83", "C_P F_A,2,A_L,5.0", "E_C 83", "C_P F_A,2,A_L,7.5,2",
                           "SE S_I_T,F_A,10.0", "D_A,N"})
    c.Send(line);
  EXPECT_EQ(c.Ask("O_M? W_C"), "Y\r\n\n");
  EXPECT_EQ(c.Ask("O_M? N_T"), " 298.15\r\n\n");
  EXPECT_EQ(c.Ask("O_M? B,F_A"), "2\r\n\n");
  EXPECT_EQ(c.Ask("O_M? G_N,F_A"), "\"NH3\"\r\n\n");
  EXPECT_EQ(c.Ask("O_M? A_L,F_A"), " 5.000000E+00\r\n\n");
  EXPECT_EQ(c.Ask("SE? A_L,F_A,2"), " 7.500000E+00\r\n\n");
  EXPECT_EQ(c.Ask("O_M? S_I_T,F_A"), " 1.000000E+01\r\n\n");
  // What the download does not set stays the recorded run's.
  EXPECT_EQ(c.Ask("O_M? DA"), "\"2026-05-03 23:40 2026-05-04 00:20\"\r\n\n");

  // A recorded run filled in afterwards brings its own set-up.
  memory.Load(path);
  EXPECT_EQ(c.Ask("O_M? W_C"), "N\r\n\n");
  ::unlink(path);
}
