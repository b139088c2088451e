#pragma once
// The simulated monitor's calibration side: the writes of a bank's
// calibration parameters (kept per filter and bank and read back as
// written), the calibration measurement with its readings, and the print of
// its current calibration.
#include <array>
#include <mutex>
#include <string>

namespace kovo::sim {

class SimulatedMonitor;

class CalibrationBanks {
 public:
  // The signals (volts) the readings give for filters A to E and water
  // vapour, and the temperature in degrees Celsius.
  void SetSignal(int channel, float volts);
  void SetTemperature(float celsius);
  int Readings() const;

  // Answers the calibration commands on the monitor from now on; the banks
  // must outlive the monitor's answering.
  void Install(SimulatedMonitor& monitor);

  // The simulated monitor's own filter table (not the maker's), as the
  // programs read it from data/optfilt.txt.
  static std::string FilterTablePath();
  // Copies it into a program folder's data/; refuses (false) to replace a
  // table that is not the simulator's.
  static bool InstallFilterTable(const std::string& programFolder, std::string* error);

 private:
  mutable std::mutex m_mutex;
  std::array<float, 6> m_signals{{0.0125f, 0.0080f, 0.0061f, 0.0043f, 0.0f, 0.0420f}};
  float m_celsius = 25.0f;
  int m_readings = 0;
};

}  // namespace kovo::sim
