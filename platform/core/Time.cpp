#include "Time.h"

#include <cstdio>

#include "Text.h"

namespace platform {

CTime::CTime(int year, int month, int day, int hour, int minute, int second) {
  struct tm t = {};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  m_time = mktime(&t);
}

CTime CTime::GetCurrentTime() { return CTime(time(nullptr)); }

bool CTime::FromText(const std::string& text, CTime* out) {
  int y, mo, d, h = 0, mi = 0, s = 0;
  char tail = 0;
  int n = std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail);
  if (n != 3 && n != 6) return false;
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 60)
    return false;
  *out = CTime(y, mo, d, h, mi, s);
  return true;
}

struct tm CTime::Local() const {
  struct tm t = {};
  localtime_r(&m_time, &t);
  return t;
}

std::string CTime::Format(const std::string& fmt) const {
  std::string f;
  f.reserve(fmt.size() + 8);
  for (size_t i = 0; i < fmt.size(); ++i) {
    if (fmt[i] == '%' && i + 1 < fmt.size()) {
      if (fmt[i + 1] == 'X') {
        f += "%H:%M:%S";
      } else {
        f += fmt[i];
        f += fmt[i + 1];
      }
      ++i;
    } else {
      f += fmt[i];
    }
  }
  struct tm t = Local();
  platform::CLocaleScope scope;
  char buf[512];
  size_t n = strftime(buf, sizeof buf, f.c_str(), &t);
  return std::string(buf, n);
}

}  // namespace platform
