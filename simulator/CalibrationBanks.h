#pragma once
// The simulated monitor's calibration side: the writes of a bank's
// calibration parameters (kept per filter and bank and read back as
// written), the calibration measurement with its readings, and the print of
// its current calibration.
//
// A reading gives the detector signals that the scene's concentrations
// (Readings.h) produce through the active banks and the filters' own
// coefficients, as the program's calibration arithmetic models them: a
// calibration on the reading gives back the bank's values.
#include <array>
#include <map>
#include <mutex>
#include <string>

namespace kovo::sim {

class SimulatedMonitor;

struct MonitorState;

class CalibrationBanks {
 public:
  // Reads the simulated monitor's own filter table.
  CalibrationBanks();

  int Readings() const;
  // The signals (volts) of filters A to E and the water vapour for the
  // scene's levels of the reading with that number.
  std::array<double, 6> Signals(const MonitorState& state, long reading) const;

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
  // By filter number: zero-temp, span-temp, (unused), hum-lin-temp,
  // hum-quad-temp, hum-cub-temp, hum-quad, hum-cub.
  std::map<std::string, std::array<double, 8>> m_coefficients;
  int m_readings = 0;
};

}  // namespace kovo::sim
