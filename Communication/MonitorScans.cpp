#include "MonitorScans.h"

#include <ctime>

#include "COAirPressure.h"
#include "COMeas.h"
#include "Exceptions.h"
#include "DataLinkRS232.h"
#include "TransConn.h"

namespace {

[[noreturn]] void ReadError() { throw CommException(CommException::read); }

}  // namespace

void ScanDate::Scan(DataSrc& src) const {
  if (src.Peek() == '_') {
    ExpectString(src, "__________");
    m_target->SetValidFlag(0);
    return;
  }
  int year = ReadInt(src) % 100;
  ExpectChar(src, '-');
  int month = ReadInt(src);
  ExpectChar(src, '-');
  int day = ReadInt(src);
  // Two-digit years on the time_t calendar; 2037 is as far as it goes.
  year = year >= 70 ? 1900 + year : year <= 37 ? 2000 + year : 2037;
  if (month < 1 || month > 12) month = 1;
  if (day < 1 || day > 31) day = 1;
  m_target->SetTime(platform::CTime(year, month, day, 0, 0, 0));
}

void ScanCalibParm::Scan(DataSrc& src) const {
  if (src.Peek() == '_') {
    while (src.Peek() == '_') src.Advance();
    *m_target = MeasValue();
    return;
  }
  FixChBuf<80> text;
  Collect(src, text, " 0123456789.E+-", true);
  if (text.IsEmpty()) ReadError();
  *m_target = ToFloat(text.Buffer());
}

void ScanPressure::Scan(DataSrc& src) const {
  FixChBuf<80> text;
  Collect(src, text, "\r", false);
  m_target->SetValue(ToFloat(text.Buffer()));
}

void ScanPressureUnit::Scan(DataSrc& src) const {
  FixChBuf<80> text;
  Collect(src, text, "U_MBARKPHG", true);
  m_target->SetUnitFromReply(text.Buffer());
}

void ScanMonMeas::Scan(DataSrc& src) const {
  COMeas& meas = *m_target;
  COEvent event;
  auto add = [&](int type) {
    event.SetType(type);
    meas.AddEvent(event);
  };

  for (int ch = 0; ch <= COMeas::chWater; ++ch) {
    MeasValue value;
    SkipBlanks(src);
    if (src.Peek() == 'F') {
      src.Advance();
      event.SetValue(static_cast<float>(ch));
      add(COEvent::typeFault);
    }
    if (src.Peek() == 'A') {
      src.Advance();
      event.SetValue(static_cast<float>(ch));
      add(COEvent::typeAlarm);
    }
    SkipBlanks(src);
    const char c = src.Peek();
    if (c == '_') {
      ExpectString(src, "__________");
      event.SetValue(static_cast<float>(ch));
      add(COEvent::typeNoReading);
    } else if (c == '.') {
      ExpectString(src, ". . . . .");
    } else {
      value = ReadFloat(src);
    }
    ExpectChar(src, ',');
    meas.SetValue(ch, value);
  }

  ReadInt(src);
  ExpectChar(src, ',');
  ExpectChar(src, 'R');
  const int restart = ReadInt(src);
  ExpectChar(src, ',');

  const bool stalled = m_link != nullptr && m_link->writeStall.exchange(false);
  const bool readTimedOut = m_link != nullptr && m_link->readTimeout.exchange(false);
  if ((restart == 1 || stalled) && !readTimedOut) add(COEvent::typeRestart);
  if (readTimedOut) {
    if (m_messageAsked) event.SetText(m_message->ToString());
    add(COEvent::typeReadTimeout);
  }

  ExpectChar(src, 'X');
  const int status = ReadInt(src);
  ExpectChar(src, ',');
  if ((status == 1 || m_messageAsked) && !readTimedOut) {
    event.SetText(m_message->ToString());
    add(COEvent::typeStatus);
  }

  FixChBuf<5> unused;
  Collect(src, unused, ",", false);
  ExpectChar(src, ',');
  SkipBlanks(src);
  const int day = ReadInt(src);
  SkipBlanks(src);
  int hour, minute, second;
  ReadTime(src, &hour, &minute, &second);
  // A date the calendar cannot hold is a reply of the wrong form.
  if (day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) ReadError();

  const std::tm reference = m_reference.GetLocalTm();
  int year = reference.tm_year + 1900;
  int month = reference.tm_mon + 1;
  if (day < reference.tm_mday && ++month > 12) {
    month = 1;
    ++year;
  }
  meas.SetTime(platform::CTime(year, month, day, hour, minute, second));
}
