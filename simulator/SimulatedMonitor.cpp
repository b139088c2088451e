#include "SimulatedMonitor.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "core/Text.h"

namespace kovo::sim {

namespace {

const char* const kFilters[] = {"F_A", "F_B", "F_C", "F_D", "F_E", "F_W"};
const char kNoValue[] = "__________";
const char kTerminator[] = "\r\n\n";

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    parts.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) return parts;
    start = comma + 1;
  }
}

// A calibration number as the monitor writes it: a blank, then the exponent form.
std::string CalibNumber(float v) { return platform::Format(" %.6E", static_cast<double>(v)); }

void SleepMs(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void PopulateDefaults(MonitorState& s) {
  const char* const gases[] = {"CO2", "CH4", "N2O", "CO", "SF6"};
  const float weights[] = {44.01f, 16.04f, 44.01f, 28.01f, 146.06f};
  // A single-point calibration of each gas in its first bank: a zero signal
  // of some millivolts, a little humidity interference, and a conversion
  // factor (mg/m³ per volt) that gives a few millivolts at the scene's level.
  const float factors[] = {70000.0f, 900.0f, 160.0f, 3000.0f, 500.0f};
  const float spans[] = {1000.0f, 50.0f, 10.0f, 100.0f, 20.0f};
  for (int f = 0; f < 5; ++f) {
    for (int b = 1; b <= 5; ++b) {
      const std::string key = std::string(kFilters[f]) + "," + std::to_string(b) + ",";
      const bool filled = b == 1;
      s.params[key + "G_N"] = filled ? std::string("\"") + gases[f] + "\"" : "\"_\"";
      s.params[key + "G_W"] = CalibNumber(filled ? weights[f] : 1.0f);
      s.params[key + "C_CO_T"] = "N";
      for (const char* kw : {"C_OF_F", "C_HU_F", "C_CO_F_1", "C_CO_F_2", "C_CO_C_L", "C_CO_C_H"})
        s.params[key + kw] = kNoValue;
      if (filled) {
        s.params[key + "C_OF_F"] = CalibNumber(0.0125f - 0.0015f * f);
        s.params[key + "C_HU_F"] = CalibNumber(0.05f + 0.01f * f);
        s.params[key + "C_CO_F_1"] = CalibNumber(factors[f]);
        s.params[key + "C_CO_C_H"] = CalibNumber(spans[f]);
      }
      for (int g = 0; g < 6; ++g) s.params[key + "C_CR_" + kFilters[g]] = filled && g != f ? CalibNumber(0.0f) : kNoValue;
      for (const char* kw : {"C_OF_D", "C_HU_D", "C_CO_D", "C_CR_D"})
        s.params[key + kw] = filled ? "\"2004-05-06\"" : "\"__________\"";
      s.params[key + "A_L"] = kNoValue;
      s.params[key + "A_L,2"] = kNoValue;
    }
  }
  // The water vapour: some tens of millivolts of zero signal, and about 20 mV
  // more at the scene's humidity.
  s.params["F_W,C_OF_F"] = CalibNumber(0.042f);
  s.params["F_W,C_CO_F_1"] = CalibNumber(2.0e-6f);
  s.params["F_W,C_OF_D"] = "\"2004-05-06\"";
  s.params["F_W,C_CO_D"] = "\"__________\"";
  s.params["F_W,A_L"] = kNoValue;
  s.params["F_W,A_L,2"] = kNoValue;

  const bool used[] = {true, true, true, false, false, true};
  for (int f = 0; f < 6; ++f) {
    s.setup[std::string("US_F,") + kFilters[f]] = used[f] ? "Y" : "N";
    s.setup[std::string("B,") + kFilters[f]] = "1";
    s.setup[std::string("S_I_T,") + kFilters[f]] = "5.0";
  }
  s.setup["S_I"] = "\"00:01\"";
  s.setup["PR_U"] = "U_MBAR";
  s.setup["MEM"] = "Y";
  for (int n : {1, 4, 6, 10}) s.filterMeasValues[n] = platform::Format("%.4E", 1.25 * n);
}

long long IntervalMs(const MonitorState& s, const SimTimings& t) {
  if (t.sampleIntervalMs > 0) return t.sampleIntervalMs;
  int hours = 0, minutes = 1;
  const auto it = s.setup.find("S_I");
  if (it != s.setup.end()) platform::Scan(it->second, "\"%d:%d\"", &hours, &minutes);
  const long long ms = (hours * 60LL + minutes) * 60000LL;
  return ms > 0 ? ms : 60000;
}

std::tm MonitorTime(const MonitorState& s) {
  const time_t now = std::time(nullptr) + static_cast<time_t>(s.clockOffsetSeconds);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm;
}

// The monitor's clock from the last "SE DA," and "SE CL," lines.
void SetClockFromSetup(MonitorState& s) {
  std::tm tm = MonitorTime(s);
  int y = tm.tm_year + 1900, mo = tm.tm_mon + 1, d = tm.tm_mday, h = tm.tm_hour, mi = tm.tm_min;
  if (auto it = s.setup.find("DA"); it != s.setup.end()) platform::Scan(it->second, "\"%d-%d-%d\"", &y, &mo, &d);
  if (auto it = s.setup.find("CL"); it != s.setup.end()) platform::Scan(it->second, "\"%d:%d\"", &h, &mi);
  std::tm want{};
  want.tm_year = y - 1900;
  want.tm_mon = mo - 1;
  want.tm_mday = d;
  want.tm_hour = h;
  want.tm_min = mi;
  want.tm_isdst = -1;
  const time_t target = std::mktime(&want);
  if (target != static_cast<time_t>(-1)) s.clockOffsetSeconds = static_cast<long long>(target - std::time(nullptr));
}

void TakeSample(MonitorState& s) {
  ++s.samplesTaken;
  s.sampleSeconds = s.Seconds();
  for (int ch = 0; ch < 6; ++ch) {
    const std::string key = ch == 5 ? std::string("F_W,A_L") : s.ActiveBankKey(ch) + "A_L";
    const auto it = s.params.find(key);
    const float limit = it == s.params.end() || it->second[0] == '_' ? 1e32f : ToFloat(it->second);
    s.alarms[static_cast<size_t>(ch)] = s.Uses(ch) && limit < 1e31f && s.SampleLevel(ch) > limit;
  }
  s.lastSampleTime = MonitorTime(s);
  s.sampleReady = true;
  if (s.setup["MEM"] != "N") {
    MonitorState::RecordedSample r;
    r.number = static_cast<long>(s.recorded.size()) + 1;
    r.time = s.lastSampleTime;
    for (int ch = 0; ch < 6; ++ch) r.levels[static_cast<size_t>(ch)] = s.SampleLevel(ch);
    for (int ch = 0; ch < 6; ++ch) r.used[static_cast<size_t>(ch)] = s.Uses(ch);
    r.airPressure = s.airPressure;
    s.recorded.push_back(r);
  }
}

}  // namespace

float ToFloat(const std::string& text) {
  float v = 0.0f;
  return platform::Scan(text, "%f", &v) == 1 ? v : 0.0f;
}

// --- state helpers ---

void MonitorState::BeLeakDetector() {
  model = "Tebb";
  idType = "Tebb";
}

bool MonitorState::Uses(int channel) const {
  if (channel < 0 || channel > 5) return false;
  const auto it = setup.find(std::string("US_F,") + kFilters[channel]);
  return it != setup.end() && it->second == "Y";
}

int MonitorState::ActiveBank(int filter) const {
  const auto it = setup.find(std::string("B,") + FilterName(filter));
  const int b = it == setup.end() ? 1 : std::atoi(it->second.c_str());
  return b >= 1 && b <= 5 ? b : 1;
}

std::string MonitorState::ActiveBankKey(int filter) const {
  return std::string(FilterName(filter)) + "," + std::to_string(ActiveBank(filter)) + ",";
}

int MonitorState::FilterIndex(const std::string& name) {
  for (int i = 0; i < 6; ++i) {
    if (name == kFilters[i]) return i;
  }
  return -1;
}

double MonitorState::Seconds() const {
  if (measuringSince == Clock::time_point{}) return 0.0;
  return std::chrono::duration<double>(Clock::now() - measuringSince).count();
}

float MonitorState::SampleLevel(int channel) const {
  return MovedLevel(motion, channel, levels[static_cast<size_t>(channel)], sampleSeconds, samplesTaken);
}

float MonitorState::LevelNow(int channel, long reading) const {
  return MovedLevel(motion, channel, levels[static_cast<size_t>(channel)], Seconds(), reading);
}

void MonitorState::StartMeasuring(Clock::duration firstSampleAfter) {
  if (measuring) return;
  measuringSince = Clock::now();
  nextSampleAt = measuringSince + firstSampleAfter;
  measuring = true;
}

const char* MonitorState::FilterName(int channel) { return channel >= 0 && channel < 6 ? kFilters[channel] : ""; }

std::string FormatSample(const MonitorState& s, long number, const std::tm& t) {
  std::string out;
  for (int ch = 0; ch < 6; ++ch) {
    const size_t c = static_cast<size_t>(ch);
    out += ' ';
    if (!s.Uses(ch)) {
      out += ". . . . .";
    } else {
      if (s.faults[c]) out += 'F';
      if (s.alarms[c]) out += 'A';
      const double level = s.numberedSamples && ch == 0 ? static_cast<double>(number) : static_cast<double>(s.SampleLevel(ch));
      out += s.noReading[c] ? std::string(kNoValue) : platform::Format("%.4E", level);
    }
    out += ',';
  }
  out += platform::Format("%ld,R%d,X%d,OK,%2d %02d:%02d:%02d", number, s.restarted ? 1 : 0, s.messagePending ? 1 : 0,
                          t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return out;
}

// --- the handler table ---

void SimulatedMonitor::InstallHandlers() {
  auto reply = [this](const std::string& prefix, Handler h) { m_handlers.emplace_back(prefix, std::move(h)); };
  using R = std::optional<std::string>;
  const R none;

  reply("*IDN?", [](MonitorState& s, const Command&) -> R {
    return "Q&T," + s.model + "," + s.serial + ",VP" + s.version;
  });
  reply("ID?", [](MonitorState& s, const Command&) -> R { return "Q&T " + s.idType; });
  reply("EX_S?", [](MonitorState& s, const Command&) -> R {
    return std::to_string(Clock::now() >= s.statusAt ? s.extStatus : s.previousStatus);
  });
  reply("K_L ", [none](MonitorState& s, const Command& c) -> R {
    s.keyboardLocked = c.args == "Y";
    return none;
  });
  reply("A_M?", [](MonitorState& s, const Command&) -> R { return std::string(s.messagePending ? "Y" : "N"); });
  reply("A_M", [none](MonitorState& s, const Command&) -> R {
    s.messagePending = false;
    return none;
  });
  reply("P_U_D_B?", [](MonitorState& s, const Command&) -> R { return "\"" + s.message + "\""; });
  reply("A_STA", [none](MonitorState& s, const Command&) -> R {
    s.beeper = true;
    return none;
  });
  reply("A_STO", [none](MonitorState& s, const Command&) -> R {
    s.beeper = false;
    return none;
  });
  auto switchMeasuring = [this](MonitorState& s, bool on) {
    s.previousStatus = Clock::now() >= s.statusAt ? s.extStatus : s.previousStatus;
    s.extStatus = on ? 8 : 0;
    s.statusAt = Clock::now() + std::chrono::milliseconds(m_timings.statusDelayMs);
    if (on)
      s.StartMeasuring(std::chrono::milliseconds(IntervalMs(s, m_timings)));
    else
      s.measuring = false;
  };
  reply("STA_M", [none, switchMeasuring](MonitorState& s, const Command&) -> R {
    switchMeasuring(s, true);
    return none;
  });
  reply("STOP_M", [none, switchMeasuring](MonitorState& s, const Command&) -> R {
    switchMeasuring(s, false);
    return none;
  });
  reply("CO_SRQ? ", [](MonitorState& s, const Command& c) -> R {
    const auto parts = SplitCommas(c.args);
    if (parts.size() == 2 && parts[1] == "MEM") return std::string(s.measuring && s.sampleReady ? "1" : "0");
    const auto it = s.serviceRequests.find(std::atoi(parts[0].c_str()));
    return std::to_string(it == s.serviceRequests.end() ? 0 : it->second);
  });
  reply("CO_SRQ ", [none](MonitorState& s, const Command& c) -> R {
    const auto parts = SplitCommas(c.args);
    if (parts.size() == 2) s.serviceRequests[std::atoi(parts[0].c_str())] = std::atoi(parts[1].c_str());
    return none;
  });
  reply("O_SP_C? SA_DA,AL", [](MonitorState& s, const Command&) -> R {
    if (s.samplesTaken == 0) TakeSample(s);
    // The flags tell what happened since the last read.
    s.lastSample = FormatSample(s, s.samplesTaken, s.lastSampleTime);
    s.delivered.push_back(s.samplesTaken);
    s.sampleReady = false;
    s.restarted = false;
    return s.lastSample;
  });
  // The print of the recorded samples carries its own end.
  reply("O_M? US_M_A_P", [](MonitorState& s, const Command&) -> R { return FormatMemoryPrint(s); });
  m_rawPrefixes.insert("O_M? US_M_A_P");
  reply("M_A_P?", [](MonitorState& s, const Command&) -> R {
    return platform::Format("%.1f", static_cast<double>(s.airPressure));
  });
  reply("F_M? ", [](MonitorState& s, const Command& c) -> R {
    const auto it = s.filterMeasValues.find(std::atoi(c.args.c_str()));
    return "  " + (it == s.filterMeasValues.end() ? std::string(kNoValue) : it->second);
  });
  reply("SE? USER_L", [](MonitorState& s, const Command&) -> R { return std::to_string(s.userLevel); });
  reply("SE? UA_N,", [](MonitorState& s, const Command& c) -> R {
    const int f = MonitorState::FilterIndex(c.args);
    if (f < 0 || f > 4) return std::nullopt;
    return s.uaNumbers[static_cast<size_t>(f)];
  });
  reply("SE? PR_U", [](MonitorState& s, const Command&) -> R { return platform::ToUpper(s.setup["PR_U"]); });
  reply("SE? ", [](MonitorState& s, const Command& c) -> R {
    const auto it = s.setup.find(platform::Trim(c.args));
    if (it == s.setup.end()) return std::nullopt;
    return it->second;
  });
  reply("SE ", [none](MonitorState& s, const Command& c) -> R {
    // "<keyword>,<value>" or "<keyword>,<filter>,<value>".
    const size_t comma = c.args.find(',');
    if (comma == std::string::npos) return none;
    std::string key = c.args.substr(0, comma);
    std::string value = c.args.substr(comma + 1);
    if (value.compare(0, 2, "F_") == 0 && value.size() > 4 && value[3] == ',') {
      key += "," + value.substr(0, 3);
      value = value.substr(4);
    }
    s.setup[key] = value;
    if (key == "CL" || key == "DA") SetClockFromSetup(s);
    return none;
  });
  reply("D_A,", [none](MonitorState& s, const Command& c) -> R {
    s.setup["D_A"] = c.args;
    return none;
  });
  reply("E_C ", [none](MonitorState& s, const Command& c) -> R {
    s.enableCode = std::atoi(c.args.c_str());
    return none;
  });
  reply("R ", [none](MonitorState& s, const Command& c) -> R {
    if (s.enableCode != 26) {
      ++s.rejected;
      return none;
    }
    const auto parts = SplitCommas(c.args);
    if (parts.size() == 1) s.relaysOn = parts[0] == "Y";
    if (parts.size() == 2) {
      const int relay = std::atoi(parts[0].c_str());
      if (relay == 1 || relay == 2) s.relays[static_cast<size_t>(relay - 1)] = parts[1] == "Y";
    }
    return none;
  });
  reply("C_P? ", [](MonitorState& s, const Command& c) -> R {
    const auto it = s.params.find(c.args);
    if (it == s.params.end()) return std::nullopt;
    return it->second;
  });
  reply("C_P ", [none](MonitorState& s, const Command& c) -> R {
    if (s.enableCode != 83) {
      ++s.rejected;
      return none;
    }
    // "<filter>,[<bank>,]<keyword>,<value>[,2]"
    const auto parts = SplitCommas(c.args);
    const bool water = !parts.empty() && parts[0] == "F_W";
    const size_t valueAt = water ? 2 : 3;
    if (parts.size() <= valueAt) return none;
    std::string key = parts[0];
    for (size_t i = 1; i < valueAt; ++i) key += "," + parts[i];
    if (parts.size() > valueAt + 1) key += "," + parts[valueAt + 1];
    // Numbers are kept in the monitor's own form; names, dates and flags as sent.
    const std::string& value = parts[valueAt];
    const bool number = !value.empty() && std::strchr("0123456789+-.", value[0]) != nullptr;
    if (!number) {
      s.params[key] = value;
    } else {
      s.params[key] = ToFloat(value) >= 1e31f ? kNoValue : CalibNumber(ToFloat(value));
    }
    return none;
  });
}

// --- life ---

SimulatedMonitor::SimulatedMonitor(const SimTimings& timings) : m_timings(timings) {
  PopulateDefaults(m_state);
  InstallHandlers();
}

SimulatedMonitor::~SimulatedMonitor() { Stop(); }

void SimulatedMonitor::AddHandler(const std::string& prefix, Handler handler) {
  std::lock_guard<std::mutex> lock(m_mutex);
  for (auto& h : m_handlers) {
    if (h.first == prefix) {
      h.second = std::move(handler);
      return;
    }
  }
  m_handlers.emplace_back(prefix, std::move(handler));
}

void SimulatedMonitor::AddRawHandler(const std::string& prefix, Handler handler) {
  AddHandler(prefix, std::move(handler));
  std::lock_guard<std::mutex> lock(m_mutex);
  m_rawPrefixes.insert(prefix);
}

void SimulatedMonitor::Start(const std::string& linkPath) {
  if (m_thread.joinable()) return;
  m_linkPath = linkPath;
  m_wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (m_wake < 0) throw std::runtime_error("eventfd failed");
  OpenTerminal();
  m_stop = false;
  m_thread = std::thread([this] { Run(); });
}

void SimulatedMonitor::Stop() {
  if (m_thread.joinable()) {
    m_stop = true;
    const uint64_t one = 1;
    if (::write(m_wake, &one, sizeof one) < 0) {
      // The loop also ends at its next tick.
    }
    m_thread.join();
  }
  CloseTerminal();
  if (m_wake >= 0) ::close(m_wake);
  m_wake = -1;
  if (!m_linkPath.empty()) ::unlink(m_linkPath.c_str());
}

void SimulatedMonitor::OpenTerminal() {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) throw std::runtime_error("posix_openpt failed");
  char name[128];
  if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
    ::close(master);
    throw std::runtime_error("no pseudo-terminal");
  }
  const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) {
    ::close(master);
    throw std::runtime_error(std::string("cannot open ") + name);
  }
  // Raw from the start: nothing the suite sends may be echoed or translated
  // before it sets the line up itself.
  termios t{};
  ::tcgetattr(slave, &t);
  ::cfmakeraw(&t);
  ::cfsetispeed(&t, B9600);
  ::cfsetospeed(&t, B9600);
  ::tcsetattr(slave, TCSANOW, &t);
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_master = master;
    m_slave = slave;
    m_slavePath = name;
    m_pending.clear();
  }
  if (!m_linkPath.empty()) {
    const std::string tmp = m_linkPath + ".new";
    ::unlink(tmp.c_str());
    if (::symlink(name, tmp.c_str()) == 0) ::rename(tmp.c_str(), m_linkPath.c_str());
  }
}

void SimulatedMonitor::CloseTerminal() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_master >= 0) ::close(m_master);
  if (m_slave >= 0) ::close(m_slave);
  m_master = -1;
  m_slave = -1;
}

std::string SimulatedMonitor::SlavePath() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_linkPath.empty() ? m_slavePath : m_linkPath;
}

termios SimulatedMonitor::TerminalSettings() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  termios t{};
  if (m_slave >= 0) ::tcgetattr(m_slave, &t);
  return t;
}

MonitorState SimulatedMonitor::State() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_state;
}

void SimulatedMonitor::Modify(const std::function<void(MonitorState&)>& change) {
  std::lock_guard<std::mutex> lock(m_mutex);
  change(m_state);
}

SimTimings SimulatedMonitor::GetTimings() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_timings;
}

void SimulatedMonitor::SetTimings(const SimTimings& timings) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_timings = timings;
}

std::vector<std::string> SimulatedMonitor::Lines() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lines;
}

std::string SimulatedMonitor::RawInput() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_raw;
}

void SimulatedMonitor::ClearLines() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_lines.clear();
  m_raw.clear();
}

bool SimulatedMonitor::WaitForLines(size_t count, int timeoutMs) const {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_linesChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return m_lines.size() >= count; });
}

void SimulatedMonitor::SetMisbehaviour(Misbehaviour m, const std::string& garbage) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_misbehaviour = m;
  m_garbage = garbage;
}

void SimulatedMonitor::DropLine(int reconnectAfterMs) {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_dropAfterMs = reconnectAfterMs;
  m_dropRequested = true;
  const uint64_t one = 1;
  if (::write(m_wake, &one, sizeof one) < 0) {
    // The loop also looks at its next tick.
  }
  // The line thread owns the terminal; wait until it has hung up.
  m_linesChanged.wait_for(lock, std::chrono::seconds(2), [this] { return !m_dropRequested; });
}

void SimulatedMonitor::Restart() {
  std::lock_guard<std::mutex> lock(m_mutex);
  MonitorState& s = m_state;
  s.keyboardLocked = false;
  s.enableCode = 0;
  s.beeper = false;
  s.relays = {false, false};
  s.relaysOn = false;
  s.serviceRequests.clear();
  s.messagePending = false;
  s.message.clear();
  s.clockOffsetSeconds = 0;
  s.restarted = true;
  m_discardPending = true;
  m_deafUntil = Clock::now() + std::chrono::milliseconds(m_timings.restartSilenceMs);
}

void SimulatedMonitor::PostMessage(const std::string& text) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_state.message = text;
  m_state.messagePending = true;
}

// --- the line ---

void SimulatedMonitor::Run() {
  char buffer[256];
  while (!m_stop) {
    int master;
    bool reconnect;
    bool drop;
    bool stalled;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      drop = m_dropRequested;
      if (m_discardPending) m_pending.clear();
      m_discardPending = false;
    }
    if (drop) {
      CloseTerminal();
      // Like an unplugged adapter, the path is gone until the line is back:
      // left in place, it would name a terminal number the system may give
      // to somebody else meanwhile.
      if (!m_linkPath.empty()) ::unlink(m_linkPath.c_str());
      std::lock_guard<std::mutex> lock(m_mutex);
      m_reconnect = m_dropAfterMs >= 0;
      m_reconnectAt = Clock::now() + std::chrono::milliseconds(m_dropAfterMs);
      m_dropRequested = false;
      m_linesChanged.notify_all();
    }
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      master = m_master;
      stalled = m_misbehaviour == Misbehaviour::stalled;
      reconnect = m_reconnect && Clock::now() >= m_reconnectAt;
      if (reconnect) m_reconnect = false;
    }
    if (reconnect) {
      try {
        OpenTerminal();
      } catch (const std::exception&) {
        // No terminal to be had: the line stays down.
      }
      continue;
    }
    pollfd fds[2] = {{m_wake, POLLIN, 0}, {master, POLLIN, 0}};
    const int n = ::poll(fds, master >= 0 && !stalled ? 2 : 1, 10);
    if (n > 0 && fds[0].revents) {
      uint64_t drained;
      while (::read(m_wake, &drained, sizeof drained) > 0) {
      }
    }
    if (n > 0 && master >= 0 && !stalled && (fds[1].revents & POLLIN)) {
      const ssize_t got = ::read(master, buffer, sizeof buffer);
      if (got > 0) {
        m_pending.append(buffer, static_cast<size_t>(got));
        {
          std::lock_guard<std::mutex> lock(m_mutex);
          m_raw.append(buffer, static_cast<size_t>(got));
        }
        size_t nl;
        while ((nl = m_pending.find('\n')) != std::string::npos) {
          std::string line = m_pending.substr(0, nl);
          m_pending.erase(0, nl + 1);
          if (!line.empty() && line.back() == '\r') line.pop_back();
          if (!line.empty()) HandleLine(line);
        }
      }
    }
    Tick();
  }
}

void SimulatedMonitor::Tick() {
  std::lock_guard<std::mutex> lock(m_mutex);
  MonitorState& s = m_state;
  if (!s.measuring || Clock::now() < s.nextSampleAt) return;
  TakeSample(s);
  const auto interval = std::chrono::milliseconds(IntervalMs(s, m_timings));
  s.nextSampleAt += interval;
  if (s.nextSampleAt < Clock::now()) s.nextSampleAt = Clock::now() + interval;
}

void SimulatedMonitor::HandleLine(const std::string& line) {
  std::string out;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.push_back(line);
    m_linesChanged.notify_all();
    if (Clock::now() < m_deafUntil || m_misbehaviour == Misbehaviour::silent) return;

    const std::pair<std::string, Handler>* best = nullptr;
    for (const auto& h : m_handlers) {
      if (line.compare(0, h.first.size(), h.first) == 0 && (!best || h.first.size() > best->first.size())) best = &h;
    }
    const int enable = m_state.enableCode;
    std::optional<std::string> reply;
    if (best) {
      reply = best->second(m_state, Command{line, line.substr(best->first.size())});
    } else {
      m_state.unknownLines.push_back(line);
    }
    // An enable line counts for the line right after it only.
    if (m_state.enableCode == enable) m_state.enableCode = 0;
    if (m_misbehaviour == Misbehaviour::garbage && line.find('?') != std::string::npos) {
      out = m_garbage;
    } else if (reply) {
      out = best && m_rawPrefixes.count(best->first) ? *reply : *reply + kTerminator;
    }
  }
  if (!out.empty()) Send(out);
}

void SimulatedMonitor::Send(const std::string& text) {
  SimTimings t;
  Misbehaviour m;
  int master;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    t = m_timings;
    m = m_misbehaviour;
    master = m_master;
  }
  if (master < 0) return;
  SleepMs(t.replyDelayMs);
  size_t piece = text.size();
  int pause = 0;
  if (m == Misbehaviour::split) {
    piece = static_cast<size_t>(t.splitPieceSize > 0 ? t.splitPieceSize : 1);
    pause = t.splitPauseMs;
  } else if (t.charactersPerSecond > 0) {
    // Ten-millisecond slices at the line's pace.
    piece = static_cast<size_t>(t.charactersPerSecond / 100 > 0 ? t.charactersPerSecond / 100 : 1);
    pause = 10;
  }
  for (size_t at = 0; at < text.size(); at += piece) {
    if (at > 0) SleepMs(pause);
    const size_t n = std::min(piece, text.size() - at);
    size_t done = 0;
    const auto giveUp = Clock::now() + std::chrono::seconds(1);
    while (done < n && Clock::now() < giveUp) {
      const ssize_t w = ::write(master, text.data() + at + done, n - done);
      if (w > 0) {
        done += static_cast<size_t>(w);
      } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
        return;  // the line is gone
      } else {
        pollfd p{master, POLLOUT, 0};
        ::poll(&p, 1, 10);
      }
    }
  }
}

}  // namespace kovo::sim
