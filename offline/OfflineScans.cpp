#include "OfflineScans.h"

#include <ctime>

#include "COAirPressure.h"
#include "Exceptions.h"
#include "Rs232Trace.h"
#include "TransConn.h"
#include "core/Text.h"

namespace {

const char kNumberChars[] = "0123456789.E+-";

[[noreturn]] void ReadError() { throw CommException(CommException::read); }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A number of kNumberChars, at most 80 of them; after a leading dot that was
// read already, the rest of it.
float ReadNumber(DataSrc& src, bool afterDot = false) {
  FixChBuf<80> text;
  Scans::Collect(src, text, kNumberChars, true);
  if (text.IsEmpty() && !afterDot) ReadError();
  return Scans::ToFloat(((afterDot ? "." : "") + text.ToString()).c_str());
}

// The local time of a wall-clock reading; exact says whether the reading
// exists as given under that daylight-saving choice (-1 lets the C library
// choose).
time_t LocalTime(int year, int month, int day, int hour, int minute, int second, int isdst, bool* exact) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = isdst;
  const time_t t = std::mktime(&tm);
  *exact = t != static_cast<time_t>(-1) && tm.tm_year == year - 1900 && tm.tm_mon == month - 1 &&
           tm.tm_mday == day && tm.tm_hour == hour && tm.tm_min == minute && tm.tm_sec == second &&
           (isdst < 0 || tm.tm_isdst == isdst);
  return t;
}

// The earliest reading of the wall-clock time on that date that is not
// before the bound; -1 when there is none.
time_t EarliestFrom(int year, int month, int day, int h, int m, int s, time_t bound) {
  time_t best = -1;
  bool exact = false;
  for (int isdst : {0, 1}) {
    const time_t t = LocalTime(year, month, day, h, m, s, isdst, &exact);
    if (exact && t >= bound && (best == -1 || t < best)) best = t;
  }
  if (best == -1) {
    // A time the clock skipped when it went forward reads as the hour after.
    const time_t t = LocalTime(year, month, day, h, m, s, -1, &exact);
    if (t != static_cast<time_t>(-1) && t >= bound) best = t;
  }
  return best;
}

}  // namespace

void ScanFloat::Scan(DataSrc& src) const {
  FixChBuf<80> text;
  Collect(src, text, " 0123456789.E+-", true);
  if (text.IsEmpty()) ReadError();
  *m_target = ToFloat(text.Buffer());
}

void ScanDateTime::Scan(DataSrc& src) const {
  const int year = ReadInt(src);
  ExpectChar(src, '-');
  const int month = ReadInt(src);
  ExpectChar(src, '-');
  const int day = ReadInt(src);
  ExpectChar(src, ' ');
  const int hour = ReadInt(src);
  ExpectChar(src, ':');
  const int minute = ReadInt(src);
  Rs232DebugLog(src.Trace(), platform::Format("ScanDateTime::Scan,year:%d month:%d day:%d hour:%d min:%d secs:%d\n", year, month,
                                 day, hour, minute, 0));
  // Beyond what the calendar and the time type hold it is no date.
  if (year < 1970 || year > 2037 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59)
    ReadError();
  m_target->SetTime(platform::CTime(year, month, day, hour, minute, 0));
  m_target->SetValidFlag(1);
}

void ScanWS::Scan(DataSrc& src) const {
  while (src.Peek() == ' ') src.Advance();
}

platform::CTime RecordTime(const platform::CTime& previous, int hours, int minutes, int seconds) {
  const std::tm p = previous.GetLocalTm();
  time_t t = EarliestFrom(p.tm_year + 1900, p.tm_mon + 1, p.tm_mday, hours, minutes, seconds, previous.GetTime());
  if (t == -1) {
    // The next calendar day, so a day with a daylight-saving change still
    // lands on the same wall-clock time.
    std::tm next = p;
    next.tm_mday += 1;
    next.tm_hour = 12;
    next.tm_isdst = -1;
    std::mktime(&next);
    t = EarliestFrom(next.tm_year + 1900, next.tm_mon + 1, next.tm_mday, hours, minutes, seconds, 0);
  }
  return platform::CTime(t);
}

void ScanOfflinePressure::Scan(DataSrc& src) const {
  if (src.Peek() == '\n') {
    src.Advance();
    return;
  }
  int count = 0;
  do {
    if (++count > m_maxRecords) ReadError();
    COMeas meas;
    ScanRecord(src, meas);
    m_result->push_back(meas);
    *m_previous = meas.GetMeasTime();
  } while (src.Peek() != '\n');
  src.Advance();
}

void ScanOfflinePressure::ScanRecord(DataSrc& src, COMeas& meas) const {
  auto add = [&meas](int type, float value, const std::string& text = std::string()) {
    meas.AddEvent(COEvent(type, text, value));
  };

  // Six blanks or more start an event line.
  int blanks = 0;
  while (src.Peek() == ' ') {
    src.Advance();
    ++blanks;
  }
  if (blanks >= 6) {
    int h, m, s;
    ReadTime(src, &h, &m, &s);
    SkipBlanks(src);
    while (src.Peek() != '\r') {
      const char c = src.Peek();
      if (c == 'U') {
        ExpectString(src, "User Event Number");
        SkipBlanks(src);
        const int n = ReadInt(src);
        ExpectChar(src, '.');
        add(COEvent::typeComment, 0.0f, platform::Format("U%d", n));
      } else if (c == '1') {
        // A restart: the whole item, up to the next blank or line end.
        for (char r = src.Peek(); r != '\0' && r != '\r' && !IsBlank(r); r = src.Peek()) src.Advance();
        add(COEvent::typeRestart, 0.0f);
      } else {
        ReadError();
      }
      SkipBlanks(src);
    }
    ExpectString(src, "\r\n");
  }

  SkipBlanks(src);
  ReadInt(src);  // the monitor's record number; the task numbers its own
  if (src.Peek() == 'X') {
    src.Advance();
    add(COEvent::typeStatus, 0.0f);
  }
  SkipBlanks(src);
  int h, m, s;
  ReadTime(src, &h, &m, &s);
  if (h > 23 || m > 59 || s > 59) ReadError();
  meas.SetTime(RecordTime(*m_previous, h, m, s));

  for (int ch = 0; ch <= COMeas::chWater; ++ch) {
    const float channel = static_cast<float>(ch);
    MeasValue value;
    SkipBlanks(src);
    if (src.Peek() == 'F') {
      src.Advance();
      add(COEvent::typeFault, channel);
    }
    if (src.Peek() == 'A') {
      src.Advance();
      add(COEvent::typeAlarm, channel);
    }
    SkipBlanks(src);
    if (src.Peek() == '_') {
      ExpectString(src, "__________");
      add(COEvent::typeNoReading, channel);
    } else if (src.Peek() == '.') {
      src.Advance();
      if (src.Peek() == ' ') {
        ExpectString(src, " . .");
      } else {
        value = ReadNumber(src, true);
      }
    } else {
      value = ReadNumber(src);
    }
    meas.SetValue(ch, value);
  }

  if (m_tebb) {
    SkipBlanks(src);
    COAirPressure pressure = *m_pressure;
    pressure.SetValue(ReadNumber(src));
    meas.SetPressure(pressure.GetValue(COPresUnit(COPresUnit::hpa)));
  }
  ExpectString(src, "\r\n");
}

int HumiUnitFromKeyword(const char* keyword) {
  const std::string k = keyword;
  if (k == "U_MG_M3") return COConcUnit::mg_m3;
  if (k == "U_PPM") return COConcUnit::ppm;
  if (k == "U_TDEW") return COHumiUnit::dewPoint;
  if (k == "U_KPA") return COHumiUnit::kpa;
  ReadError();
}

int ConcUnitFromKeyword(const char* keyword) {
  const std::string k = keyword;
  if (k == "U_MG_M3") return COConcUnit::mg_m3;
  if (k == "U_PPM") return COConcUnit::ppm;
  ReadError();
}
