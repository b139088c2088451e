#pragma once
// The baseline of a window's read: the same [Meas] and [Event] rows through
// SQLite's own interface on one thread, with what a window's read does to
// them besides: the times parsed from their text into seconds and the rows
// kept, a column per value and the events with the row each belongs to.
#include <ctime>
#include <string>
#include <vector>

namespace kovo::bench {

struct RawEvent {
  size_t row;
  int type;
  std::string text;
  float value;
};

struct RawRows {
  std::vector<int> numbers;
  std::vector<time_t> times;
  std::vector<float> values[8];  // six filters, temperature, pressure
  std::vector<RawEvent> events;
};

// Reads the rows from the time from up to to ("YYYY-MM-DD HH:MM:SS"; null:
// all of them) in time order, on a connection of its own; false on a
// failure. Unless keep, out holds only the last thousand rows or so, as a
// reader that passes the rows on keeps them.
bool ReadRawRows(const std::string& file, const char* from, const char* to, RawRows& out, bool keep = true);

}  // namespace kovo::bench
