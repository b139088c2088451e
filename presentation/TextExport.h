#pragma once
// The tab-separated text of a window's measurements: one line per
// measurement, its number or its date and time first, then its values, then
// its events. The pieces of a line are kept apart from the walk over the
// window's interval, so that each can be checked on its own.
#include <cstdio>
#include <string>
#include <vector>

#include "COEvent.h"

class COMeasInterval;
class COMeasLoader;
class DataContext;

namespace text_export {

// The locale's short-date pattern with its year, day and month (in this
// order) each written as two digits in place of the letter's first
// occurrence, its further occurrences dropped; the letters count in either
// case, everything else stays as it is. "M/d/yy" gives 03/09/07 for 9 March
// 2007.
std::string FormatDate(const std::string& pattern, int year, int month, int day);

// The value scaled by 0.00001 and written as six digits of mantissa without
// their separator and a three-digit exponent: 12.345 gives 123450e-004.
void AppendValue(std::string& line, float value);

// The events of a measurement, in their order, joined by ",": a user event's
// text with '_' for each blank, "Alarm", "C", "Start" and "Stop" (each once),
// "P", "W", "B", "F"; other kinds add nothing.
std::string EventsField(const std::vector<COEvent>& events);

// Lines go out in large writes, each ending in CR LF.
class Writer {
 public:
  // False when the file cannot be created; an existing file is emptied.
  bool Open(const std::string& path);
  void Line(const std::string& text);
  // False when anything failed to reach the file.
  bool Close();
  ~Writer();

 private:
  void Flush();
  std::FILE* m_file = nullptr;
  std::string m_buffer;
  bool m_failed = false;
};

// Writes the window's interval as the loader delivers it (averaged where the
// window averages) to path: a header of the first field's name, the columns
// and "Event(s)", then a line per measurement. A value that is absent is an
// empty field. False when the file cannot be created or written.
bool Export(const std::string& path, DataContext& context, const COMeasInterval& interval, COMeasLoader& loader,
            const std::string& datePattern);

}  // namespace text_export
