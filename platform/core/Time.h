#pragma once
// Local wall-clock time with one-second resolution.
#include <cstdint>
#include <ctime>
#include <string>

namespace platform {

class CTimeSpan {
 public:
  CTimeSpan() = default;
  explicit CTimeSpan(int64_t seconds) : m_seconds(seconds) {}
  CTimeSpan(long days, int hours, int minutes, int seconds)
      : m_seconds(((static_cast<int64_t>(days) * 24 + hours) * 60 + minutes) * 60 + seconds) {}

  int64_t GetTotalSeconds() const { return m_seconds; }
  int64_t GetTotalMinutes() const { return m_seconds / 60; }
  int64_t GetTotalHours() const { return m_seconds / 3600; }
  int64_t GetDays() const { return m_seconds / 86400; }
  int GetHours() const { return static_cast<int>(GetTotalHours() - GetDays() * 24); }
  int GetMinutes() const { return static_cast<int>(GetTotalMinutes() - GetTotalHours() * 60); }
  int GetSeconds() const { return static_cast<int>(m_seconds - GetTotalMinutes() * 60); }

  CTimeSpan operator+(CTimeSpan o) const { return CTimeSpan(m_seconds + o.m_seconds); }
  CTimeSpan operator-(CTimeSpan o) const { return CTimeSpan(m_seconds - o.m_seconds); }
  bool operator==(CTimeSpan o) const { return m_seconds == o.m_seconds; }
  bool operator!=(CTimeSpan o) const { return m_seconds != o.m_seconds; }
  bool operator<(CTimeSpan o) const { return m_seconds < o.m_seconds; }
  bool operator>(CTimeSpan o) const { return m_seconds > o.m_seconds; }
  bool operator<=(CTimeSpan o) const { return m_seconds <= o.m_seconds; }
  bool operator>=(CTimeSpan o) const { return m_seconds >= o.m_seconds; }

 private:
  int64_t m_seconds = 0;
};

class CTime {
 public:
  CTime() = default;
  explicit CTime(time_t t) : m_time(t) {}
  // Local time; daylight saving is worked out by the C library.
  CTime(int year, int month, int day, int hour, int minute, int second);

  static CTime GetCurrentTime();
  // Parses "YYYY-MM-DD HH:MM:SS" (the form dates are stored in); a date alone
  // means midnight. Returns false and leaves *out alone on anything else.
  static bool FromText(const std::string& text, CTime* out);

  time_t GetTime() const { return m_time; }
  int GetYear() const { return Local().tm_year + 1900; }
  int GetMonth() const { return Local().tm_mon + 1; }
  int GetDay() const { return Local().tm_mday; }
  int GetHour() const { return Local().tm_hour; }
  int GetMinute() const { return Local().tm_min; }
  int GetSecond() const { return Local().tm_sec; }
  int GetDayOfWeek() const { return Local().tm_wday + 1; }  // 1 = Sunday
  struct tm GetLocalTm() const { return Local(); }

  // strftime, with "%X" always written as "%H:%M:%S".
  std::string Format(const std::string& fmt) const;
  // "YYYY-MM-DD HH:MM:SS".
  std::string ToText() const { return Format("%Y-%m-%d %H:%M:%S"); }

  CTime operator+(CTimeSpan s) const { return CTime(m_time + static_cast<time_t>(s.GetTotalSeconds())); }
  CTime operator-(CTimeSpan s) const { return CTime(m_time - static_cast<time_t>(s.GetTotalSeconds())); }
  CTimeSpan operator-(CTime o) const { return CTimeSpan(static_cast<int64_t>(m_time - o.m_time)); }
  CTime& operator+=(CTimeSpan s) { return *this = *this + s; }
  CTime& operator-=(CTimeSpan s) { return *this = *this - s; }
  bool operator==(CTime o) const { return m_time == o.m_time; }
  bool operator!=(CTime o) const { return m_time != o.m_time; }
  bool operator<(CTime o) const { return m_time < o.m_time; }
  bool operator>(CTime o) const { return m_time > o.m_time; }
  bool operator<=(CTime o) const { return m_time <= o.m_time; }
  bool operator>=(CTime o) const { return m_time >= o.m_time; }

 private:
  struct tm Local() const;
  time_t m_time = 0;
};

}  // namespace platform
