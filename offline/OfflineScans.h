#pragma once
// The reply forms of the monitor's offline memory: numbers that may start
// with blanks, the recorded sequence's date-times, leading blanks, the unit
// keywords, and the block of stored records.
#include <cstdint>
#include <vector>

#include "COMeas.h"
#include "CommTypes.h"
#include "Scans.h"
#include "core/Time.h"

class COAirPressure;

// The most records the memory can hold; a count above it is no count.
constexpr int32_t kMaxStoredRecords = 1000000;

// Characters of " 0123456789.E+-" (blanks included) as a float.
class ScanFloat : public Scans {
 public:
  explicit ScanFloat(float& target) : m_target(&target) {}
  void Scan(DataSrc& src) const override;
  Scans* Clone() const override { return new ScanFloat(*this); }

 private:
  float* m_target;
};

// "YYYY-MM-DD HH:MM" as local time, seconds 0.
class ScanDateTime : public Scans {
 public:
  explicit ScanDateTime(CalibTime& target) : m_target(&target) {}
  void Scan(DataSrc& src) const override;
  Scans* Clone() const override { return new ScanDateTime(*this); }

 private:
  CalibTime* m_target;
};

// Skips blanks; consumes nothing else.
class ScanWS : public Scans {
 public:
  void Scan(DataSrc& src) const override;
  Scans* Clone() const override { return new ScanWS(*this); }
};

// One block of stored records, appended to the result. Each record is dated
// from the one before it, the first from the running previous time, which
// is left at the last record's time. The leak detector's records end in the
// air pressure, in the pressure's unit. More records than maxRecords is a
// reply of the wrong form.
class ScanOfflinePressure : public Scans {
 public:
  ScanOfflinePressure(std::vector<COMeas>& result, platform::CTime& previous, const COAirPressure& pressure, bool tebb,
                      int maxRecords)
      : m_result(&result), m_previous(&previous), m_pressure(&pressure), m_tebb(tebb), m_maxRecords(maxRecords) {}
  void Scan(DataSrc& src) const override;
  Scans* Clone() const override { return new ScanOfflinePressure(*this); }

 private:
  void ScanRecord(DataSrc& src, COMeas& meas) const;

  std::vector<COMeas>* m_result;
  platform::CTime* m_previous;
  const COAirPressure* m_pressure;
  bool m_tebb;
  int m_maxRecords;
};

// The record's time: the previous record's date at the hours, minutes and
// seconds given, or the day after when that is earlier than the previous
// time. Wall-clock times that daylight saving makes ambiguous take the
// earliest reading not before the previous time.
platform::CTime RecordTime(const platform::CTime& previous, int hours, int minutes, int seconds);

// The unit kinds of the monitor's keywords; anything else throws
// CommException (read).
int HumiUnitFromKeyword(const char* keyword);
int ConcUnitFromKeyword(const char* keyword);

