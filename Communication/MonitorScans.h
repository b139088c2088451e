#pragma once
// The parser items for the monitor's own field forms: dates, measured and
// calibration values, the air pressure, and one monitor sample.
#include "ChBuf.h"
#include "CommTypes.h"
#include "Scans.h"
#include "core/Time.h"

class COAirPressure;
class COMeas;
struct LinkEvents;

// "YYYY-MM-DD", or ten underscores for no date.
class ScanDate : public Scans {
 public:
  explicit ScanDate(CalibTime& target) : m_target(&target) {}
  void Scan(DataSrc& src) const override;
  Scans* Clone() const override { return new ScanDate(*this); }

 private:
  CalibTime* m_target;
};

class ScanMeasVal : public Scans {
 public:
  explicit ScanMeasVal(MeasValue& target) : m_target(&target) {}
  void Scan(DataSrc& src) const override { *m_target = ReadFloat(src); }
  Scans* Clone() const override { return new ScanMeasVal(*this); }

 private:
  MeasValue* m_target;
};

// A number that may begin with a blank, or underscores for no value.
class ScanCalibParm : public Scans {
 public:
  explicit ScanCalibParm(MeasValue& target) : m_target(&target) {}
  void Scan(DataSrc& src) const override;
  Scans* Clone() const override { return new ScanCalibParm(*this); }

 private:
  MeasValue* m_target;
};

// The pressure value: everything up to the carriage return.
class ScanPressure : public Scans {
 public:
  explicit ScanPressure(COAirPressure& target) : m_target(&target) {}
  void Scan(DataSrc& src) const override;
  Scans* Clone() const override { return new ScanPressure(*this); }

 private:
  COAirPressure* m_target;
};

// The pressure unit keyword; the unit stays as it was for underscores.
class ScanPressureUnit : public Scans {
 public:
  explicit ScanPressureUnit(COAirPressure& target) : m_target(&target) {}
  void Scan(DataSrc& src) const override;
  Scans* Clone() const override { return new ScanPressureUnit(*this); }

 private:
  COAirPressure* m_target;
};

// One monitor sample: six channel values with their markers, the restart and
// status flags, and the day and time, dated from the reference time.
// messageAsked says the monitor's message was read just before the sample;
// the status events it adds carry the message text. What the link noticed
// (none without a link) becomes events of the sample, and is taken.
class ScanMonMeas : public Scans {
 public:
  ScanMonMeas(COMeas& target, const platform::CTime& reference, bool messageAsked, const ChBuf& message, LinkEvents* link)
      : m_target(&target), m_reference(reference), m_messageAsked(messageAsked), m_message(&message), m_link(link) {}
  void Scan(DataSrc& src) const override;
  Scans* Clone() const override { return new ScanMonMeas(*this); }

 private:
  COMeas* m_target;
  platform::CTime m_reference;
  bool m_messageAsked;
  const ChBuf* m_message;
  LinkEvents* m_link;
};
