#include "db/DateText.h"

#include <cstring>
#include <ctime>

namespace platform::db {
namespace {

// One local hour: its first second and its calendar fields. Valid only when
// the whole hour has one offset from UTC, which is true of every hour but
// those that a change of daylight saving time cuts.
struct HourCache {
  bool valid = false;
  time_t start = 0;
  int year = 0, month = 0, day = 0, hour = 0;
  char text[13] = {0};  // "YYYY-MM-DD HH" as read, when it was
};

bool SameOffsetAllHour(time_t start, const struct tm& first) {
  struct tm last = {};
  time_t end = start + 3599;
  localtime_r(&end, &last);
  return last.tm_hour == first.tm_hour && last.tm_mday == first.tm_mday && last.tm_isdst == first.tm_isdst &&
         last.tm_min == 59 && last.tm_sec == 59;
}

thread_local HourCache t_writeHour;
// Two hours: a set that requeries to its first row after writing at its end
// reads two hours by turns.
thread_local HourCache t_readHours[2];
thread_local int t_lastReadHour = 0;

void Put(char* p, int value, int digits) {
  for (int i = digits - 1; i >= 0; --i) {
    p[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

bool Digits(const char* p, int n, int* out) {
  int v = 0;
  for (int i = 0; i < n; ++i) {
    if (p[i] < '0' || p[i] > '9') return false;
    v = v * 10 + (p[i] - '0');
  }
  *out = v;
  return true;
}

}  // namespace

void DateToText(const CTime& time, char* out) {
  time_t t = time.GetTime();
  HourCache& c = t_writeHour;
  int year, month, day, hour, minute, second;
  if (c.valid && t >= c.start && t < c.start + 3600) {
    int s = static_cast<int>(t - c.start);
    year = c.year, month = c.month, day = c.day, hour = c.hour;
    minute = s / 60;
    second = s % 60;
  } else {
    struct tm lt = {};
    localtime_r(&t, &lt);
    year = lt.tm_year + 1900, month = lt.tm_mon + 1, day = lt.tm_mday, hour = lt.tm_hour;
    minute = lt.tm_min, second = lt.tm_sec;
    time_t start = t - minute * 60 - second;
    struct tm first = {};
    localtime_r(&start, &first);
    c.valid = first.tm_hour == hour && first.tm_min == 0 && first.tm_sec == 0 && SameOffsetAllHour(start, first);
    c.start = start, c.year = year, c.month = month, c.day = day, c.hour = hour;
  }
  if (year < 0 || year > 9999) year = year < 0 ? 0 : 9999;
  Put(out, year, 4);
  out[4] = '-';
  Put(out + 5, month, 2);
  out[7] = '-';
  Put(out + 8, day, 2);
  out[10] = ' ';
  Put(out + 11, hour, 2);
  out[13] = ':';
  Put(out + 14, minute, 2);
  out[16] = ':';
  Put(out + 17, second, 2);
  out[19] = '\0';
}

std::string DateToText(const CTime& time) {
  char buf[20];
  DateToText(time, buf);
  return std::string(buf, 19);
}

bool ParseTimestamp(const char* text, size_t length, Timestamp* out) {
  if (text == nullptr || length < 10) return false;
  Timestamp t;
  if (!Digits(text, 4, &t.year) || text[4] != '-' || !Digits(text + 5, 2, &t.month) || text[7] != '-' ||
      !Digits(text + 8, 2, &t.day))
    return false;
  if (length >= 19) {
    if ((text[10] != ' ' && text[10] != 'T') || !Digits(text + 11, 2, &t.hour) || text[13] != ':' ||
        !Digits(text + 14, 2, &t.minute) || text[16] != ':' || !Digits(text + 17, 2, &t.second))
      return false;
  } else if (length != 10) {
    return false;
  }
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 || t.second > 60)
    return false;
  *out = t;
  return true;
}

bool DateFromText(const char* text, size_t length, CTime* out) {
  // Rows come in order, so the next date is mostly in an hour just read.
  if (length >= 19 && text[13] == ':' && text[16] == ':') {
    for (int k = 0; k < 2; ++k) {
      const HourCache& c = t_readHours[k];
      int minute, second;
      if (c.valid && std::memcmp(text, c.text, sizeof c.text) == 0 && Digits(text + 14, 2, &minute) &&
          Digits(text + 17, 2, &second) && minute <= 59 && second <= 60) {
        t_lastReadHour = k;
        *out = CTime(c.start + minute * 60 + second);
        return true;
      }
    }
  }
  Timestamp fields;
  if (!ParseTimestamp(text, length, &fields)) return false;
  const int year = fields.year, month = fields.month, day = fields.day, hour = fields.hour;
  const int minute = fields.minute, second = fields.second;
  for (int k = 0; k < 2; ++k) {
    const HourCache& c = t_readHours[k];
    if (c.valid && c.year == year && c.month == month && c.day == day && c.hour == hour) {
      t_lastReadHour = k;
      *out = CTime(c.start + minute * 60 + second);
      return true;
    }
  }
  // A new hour takes the place of the one used less recently.
  t_lastReadHour = 1 - t_lastReadHour;
  HourCache& c = t_readHours[t_lastReadHour];
  CTime exact(year, month, day, hour, minute, second);
  CTime start(year, month, day, hour, 0, 0);
  struct tm first = {};
  time_t s = start.GetTime();
  localtime_r(&s, &first);
  c.valid = first.tm_year + 1900 == year && first.tm_mon + 1 == month && first.tm_mday == day &&
            first.tm_hour == hour && first.tm_min == 0 && SameOffsetAllHour(s, first) &&
            exact.GetTime() == s + minute * 60 + second;
  c.start = s, c.year = year, c.month = month, c.day = day, c.hour = hour;
  if (length >= 19)
    std::memcpy(c.text, text, sizeof c.text);
  else
    c.text[0] = '\0';
  *out = exact;
  return true;
}

}  // namespace platform::db
