#pragma once
// The value types passed with monitor commands.
#include <cstdint>

#include "core/Time.h"

// A calibration time stamp; a clear flag means "no date".
class CalibTime {
 public:
  CalibTime() = default;
  explicit CalibTime(const platform::CTime& time) : m_time(time), m_valid(1) {}

  bool IsValid() const { return m_valid != 0; }
  int32_t GetValidFlag() const { return m_valid; }
  platform::CTime GetTime() const { return m_time; }
  void SetTime(const platform::CTime& time) {
    m_time = time;
    m_valid = 1;
  }
  void SetValidFlag(int32_t flag) { m_valid = flag; }
  void Clear() {
    m_time = platform::CTime();
    m_valid = 0;
  }
  bool operator==(const CalibTime& o) const { return m_valid == o.m_valid && m_time == o.m_time; }

 private:
  platform::CTime m_time;
  int32_t m_valid = 0;
};

// A filter position: 0 to 4 the gas filters A to E, 5 water vapour.
class FilterPos {
 public:
  enum { A = 0, B, C, D, E, W, count };
  FilterPos(int position = 0) : m_pos(position) {}  // NOLINT: positions are plain numbers
  int Get() const { return m_pos; }
  operator int() const { return m_pos; }
  bool IsValid() const { return m_pos >= 0 && m_pos < count; }
  // "F_A" to "F_E", "F_W"; an empty text for a position that does not exist.
  const char* GetText() const {
    static const char* const kTexts[count] = {"F_A", "F_B", "F_C", "F_D", "F_E", "F_W"};
    return IsValid() ? kTexts[m_pos] : "";
  }

 private:
  int m_pos;
};

// A bank of a gas filter: index 0 to 4, numbered 1 to 5 on the monitor.
class BankNo {
 public:
  BankNo(int index = 0) : m_index(index) {}  // NOLINT: bank indexes are plain numbers
  int Get() const { return m_index; }
  operator int() const { return m_index; }
  int16_t GetNumber() const { return static_cast<int16_t>(m_index + 1); }

 private:
  int m_index;
};
