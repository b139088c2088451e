#pragma once
// The parser of one calibration reading: a header line with two
// temperatures and their unit letters, one line per mounted filter
// ("A: <signal> <second value>"), and an empty line.
#include "COMeas.h"
#include "Scans.h"

class ScanCalib : public Scans {
 public:
  explicit ScanCalib(COMeas& target) : m_target(&target) {}
  // Channels 0 to 5 start without value; the temperature is kept in degrees
  // Celsius, converted by the unit letter the monitor sent ('C', 'K', 'F').
  void Scan(DataSrc& src) const override;
  Scans* Clone() const override { return new ScanCalib(*this); }

 private:
  COMeas* m_target;
};
