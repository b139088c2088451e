#pragma once
// A simulated Kovo gas monitor on a pseudo-terminal. It answers the command
// language line by line from a table of command handlers, keeps its state
// where tests can read and change it, and can be told to misbehave.
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <termios.h>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "Readings.h"

namespace kovo::sim {

using Clock = std::chrono::steady_clock;

// Durations the monitor itself decides; tests make them short.
struct SimTimings {
  int sampleIntervalMs = 0;      // 0: the interval set with "SE S_I,"
  int statusDelayMs = 0;         // from "STA_M"/"STOP_M" until "EX_S?" shows it
  int replyDelayMs = 0;          // before every reply
  int charactersPerSecond = 0;   // 0: as fast as the terminal takes them; 960 is 9600 baud 7E1
  int splitPieceSize = 4;        // split replies: characters per piece
  int splitPauseMs = 30;         //   and the pause between pieces
  int restartSilenceMs = 0;      // deaf for this long after a restart
};

enum class Misbehaviour {
  none,
  silent,   // takes every line, answers and does nothing
  garbage,  // answers every query with garbage
  split,    // answers in small pieces with pauses
  stalled,  // stops taking characters from the line at all
};

// Everything the monitor knows. Tests read it with State() and change it
// with Modify().
struct MonitorState {
  // Identity: "*IDN?" gives "Q&T,<model>,<serial>,VP<version>", "ID?" gives
  // "Q&T <idType>". The Kovo gas monitor gives its model number and no type;
  // the leak detector gives its type, "Tebb", in both (BeLeakDetector).
  std::string model = "1314";
  std::string serial = "K0042";
  std::string version = "12";
  std::string idType;
  int userLevel = 3;

  bool keyboardLocked = false;
  bool measuring = false;
  int extStatus = 0;  // what "EX_S?" answers once the status delay has passed
  Clock::time_point statusAt{};
  int previousStatus = 0;

  // Set-up writes "SE <key>,<value>" and "D_A,<value>", by key ("S_I",
  // "US_F,F_A", "B,F_C", ...); the value as sent.
  std::map<std::string, std::string> setup;
  // Calibration parameters by "F_A,1,C_OF_F" or "F_W,C_OF_F"; alarm limits
  // as "F_A,1,A_L" and "F_A,1,A_L,2". The value as the monitor sends it.
  std::map<std::string, std::string> params;
  std::array<std::string, 5> uaNumbers{{"1312", "0977", "0985", "1103", "____"}};
  std::map<int, std::string> filterMeasValues;  // "F_M? n"

  int enableCode = 0;  // the last "E_C n", used by the next line
  int rejected = 0;    // writes and relay commands that lacked their enable line
  bool beeper = false;
  std::array<bool, 2> relays{{false, false}};
  bool relaysOn = false;
  std::map<int, int> serviceRequests;  // "CO_SRQ n,m"

  bool messagePending = false;  // "A_M?"
  std::string message;          // "P_U_D_B?"
  bool restarted = false;       // reported once in the next sample

  float airPressure = 1013.2f;  // in the monitor's pressure unit
  // The scene (Readings.h): the level of each channel (A to E, water vapour;
  // mg/m³) that the samples move around, the air's temperature and the
  // motion; a channel not in use reads ". . . . .".
  std::array<float, 6> levels{{380.0f, 1.8f, 0.32f, 0.0f, 0.0f, 9500.0f}};
  float celsius = 25.0f;
  Motion motion;
  Clock::time_point measuringSince{};  // the motion's time 0
  double sampleSeconds = 0.0;          // the last sample's time after it
  std::array<bool, 6> faults{};      // 'F' marker
  std::array<bool, 6> noReading{};   // "__________"
  std::array<bool, 6> alarms{};      // above the active bank's first limit

  // Sampling: a sample is ready every sampling interval while measuring.
  long samplesTaken = 0;
  bool sampleReady = false;
  std::tm lastSampleTime{};  // on the monitor's clock
  std::string lastSample;    // the last reply body of "O_SP_C? SA_DA,AL"
  // Channel A reads the sample's number instead of its level, so tests can
  // tell samples apart; delivered lists the numbers of the samples sent.
  bool numberedSamples = false;
  std::vector<long> delivered;
  // What the monitor keeps of its samples while its memory is on ("SE MEM,Y",
  // the default), for the print of its measured data.
  struct RecordedSample {
    long number = 0;
    std::tm time{};
    std::array<float, 6> levels{};
    std::array<bool, 6> used{};
    float airPressure = 0.0f;
  };
  std::vector<RecordedSample> recorded;
  Clock::time_point nextSampleAt{};
  // The monitor's clock as set by "SE CL," and "SE DA,", as an offset.
  long long clockOffsetSeconds = 0;

  std::vector<std::string> unknownLines;

  void BeLeakDetector();

  // Helpers for handlers.
  bool Uses(int channel) const;
  // Seconds since the measurement started (0 before the first).
  double Seconds() const;
  // A channel's level in the last sample, and now for the reading numbered so.
  float SampleLevel(int channel) const;
  float LevelNow(int channel, long reading) const;
  // The start of a measurement: its samples' time begins.
  void StartMeasuring(Clock::duration firstSampleAfter);
  int ActiveBank(int filter) const;
  // "<filter>,<bank>," of the filter's active bank: how its calibration
  // parameters are keyed.
  std::string ActiveBankKey(int filter) const;
  static const char* FilterName(int channel);
  // The channel of a filter name ("F_A" to "F_W"); -1 for any other.
  static int FilterIndex(const std::string& name);
};

// A number as the monitor takes it; 0 where the text holds none.
float ToFloat(const std::string& text);

struct Command {
  std::string line;  // as received, without the line feed
  std::string args;  // what follows the handler's prefix
};
// Returns the reply without its "\r\n\n", or nothing for a command without reply.
using Handler = std::function<std::optional<std::string>(MonitorState& state, const Command& command)>;

class SimulatedMonitor {
 public:
  explicit SimulatedMonitor(const SimTimings& timings = SimTimings());
  ~SimulatedMonitor();
  SimulatedMonitor(const SimulatedMonitor&) = delete;
  SimulatedMonitor& operator=(const SimulatedMonitor&) = delete;

  // Opens the pseudo-terminal and starts answering. With a link path, a
  // symbolic link there names the terminal and follows it across a dropped
  // and re-made line. Throws std::runtime_error when no terminal can be had.
  void Start(const std::string& linkPath = std::string());
  void Stop();
  // The path to give the suite.
  std::string SlavePath() const;
  // The line settings the suite has put on the terminal.
  termios TerminalSettings() const;

  // The longest matching prefix chooses the handler; later additions of
  // the same prefix replace earlier ones.
  void AddHandler(const std::string& prefix, Handler handler);
  // The same for a reply that carries its own end: it goes out as it is.
  void AddRawHandler(const std::string& prefix, Handler handler);

  MonitorState State() const;
  void Modify(const std::function<void(MonitorState&)>& change);
  SimTimings GetTimings() const;
  void SetTimings(const SimTimings& timings);

  // Every line received, in order.
  std::vector<std::string> Lines() const;
  // Every byte received, empty lines and line feeds included.
  std::string RawInput() const;
  // Forgets the lines and bytes received so far.
  void ClearLines();
  // Waits until at least count lines have come; false at the time-out.
  bool WaitForLines(size_t count, int timeoutMs) const;

  void SetMisbehaviour(Misbehaviour m, const std::string& garbage = "?*&%$#@!\r\n");
  // Hangs up the line; with reconnectAfterMs >= 0 a new terminal takes its
  // place after that long (at the same link path, which is gone meanwhile).
  void DropLine(int reconnectAfterMs = -1);
  // Starts afresh as after a power failure: volatile state is lost, a running
  // measurement goes on, and the next sample reports the restart.
  void Restart();
  // Leaves a message for the PC ("A_M?" answers yes until "A_M").
  void PostMessage(const std::string& text);

 private:
  void Run();
  void OpenTerminal();
  void CloseTerminal();
  void HandleLine(const std::string& line);
  void Send(const std::string& text);
  void Tick();
  void InstallHandlers();

  mutable std::mutex m_mutex;
  mutable std::condition_variable m_linesChanged;
  MonitorState m_state;
  SimTimings m_timings;
  std::vector<std::pair<std::string, Handler>> m_handlers;
  std::set<std::string> m_rawPrefixes;
  std::vector<std::string> m_lines;
  std::string m_raw;
  Misbehaviour m_misbehaviour = Misbehaviour::none;
  std::string m_garbage;
  Clock::time_point m_deafUntil{};
  Clock::time_point m_reconnectAt{};
  bool m_reconnect = false;
  bool m_dropRequested = false;
  int m_dropAfterMs = -1;
  bool m_discardPending = false;

  int m_master = -1;
  int m_slave = -1;  // held open so the line stays up while the suite reopens it
  int m_wake = -1;
  std::string m_slavePath;
  std::string m_linkPath;
  std::string m_pending;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

// The print of the recorded samples that "O_M? US_M_A_P" asks for: pages that
// begin with a form feed, the number of recorded samples in the heading and
// a "Pressure" column in each page's column line; a short text when nothing
// is recorded.
std::string FormatMemoryPrint(const MonitorState& state);

// The reply body of one sample taken now (used by the sample handler).
std::string FormatSample(const MonitorState& state, long number, const std::tm& monitorTime);

}  // namespace kovo::sim
