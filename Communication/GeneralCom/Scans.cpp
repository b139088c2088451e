#include "Scans.h"

#include <locale.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "Exceptions.h"
#include "Rs232Trace.h"
#include "TransConn.h"

namespace {

const char kDigits[] = "0123456789";
const char kNumberChars[] = "0123456789.E+-";

[[noreturn]] void ReadError() { throw CommException(CommException::read); }

bool InSet(char c, const char* set) { return c != '\0' && std::strchr(set, c) != nullptr; }

// Digits into a buffer of ten; false when more digits follow a full buffer.
bool CollectDigits(DataSrc& src, FixChBuf<10>& digits) {
  digits.Clear();
  for (char c = src.Peek(); InSet(c, kDigits); c = src.Peek()) {
    if (!digits.Append(c)) return false;
    src.Advance();
  }
  return true;
}

// The value of up to ten digits; false when it does not fit an int.
bool DigitsValue(const FixChBuf<10>& digits, int32_t* value) {
  int64_t v = 0;
  for (const char* p = digits.Buffer(); *p; ++p) v = v * 10 + (*p - '0');
  if (v > INT32_MAX) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

}  // namespace

float Scans::ToFloat(const char* text) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  const double v = strtod_l(text, nullptr, cLocale);
  // A number beyond a float's range becomes an infinity rather than
  // whatever an out-of-range conversion happens to give.
  if (v > FLT_MAX) return HUGE_VALF;
  if (v < -FLT_MAX) return -HUGE_VALF;
  return static_cast<float>(v);
}

void Scans::SkipBlanks(DataSrc& src) {
  for (char c = src.Peek(); c == ' ' || c == '\t'; c = src.Peek()) src.Advance();
}

char Scans::ReadChar(DataSrc& src) {
  const char c = src.Peek();
  src.Advance();
  return c;
}

char Scans::AcceptChar(DataSrc& src, const char* set) {
  const char c = src.Peek();
  if (!InSet(c, set)) ReadError();
  src.Advance();
  return c;
}

void Scans::ExpectChar(DataSrc& src, char c) {
  if (src.Peek() != c) ReadError();
  src.Advance();
}

void Scans::ExpectString(DataSrc& src, const char* text) {
  for (const char* p = text; *p; ++p) ExpectChar(src, *p);
}

int32_t Scans::ReadInt(DataSrc& src) {
  FixChBuf<10> digits;
  int32_t value = 0;
  if (!CollectDigits(src, digits) || digits.IsEmpty() || !DigitsValue(digits, &value)) ReadError();
  return value;
}

MeasValue Scans::ReadFloat(DataSrc& src) {
  char c = src.Peek();
  if (c == '.' || c == '_') {
    while (c == '.' || c == '_') {
      src.Advance();
      c = src.Peek();
    }
    return MeasValue();
  }
  FixChBuf<80> text;
  Collect(src, text, kNumberChars, true);
  if (text.IsEmpty()) ReadError();
  return ToFloat(text.Buffer());
}

void Scans::ReadTime(DataSrc& src, int* hours, int* minutes, int* seconds) {
  *hours = ReadInt(src);
  ExpectChar(src, ':');
  *minutes = ReadInt(src);
  ExpectChar(src, ':');
  *seconds = ReadInt(src);
}

void Scans::Collect(DataSrc& src, ChBuf& target, const char* set, bool inSet) {
  target.Clear();
  for (char c = src.Peek(); c != '\0' && (std::strchr(set, c) != nullptr) == inSet; c = src.Peek()) {
    if (!target.Append(c)) ReadError();
    src.Advance();
  }
}

void ScanInt::Scan(DataSrc& src) const {
  FixChBuf<10> digits;
  if (!CollectDigits(src, digits)) {
    Rs232DebugLog(src.Trace(), "ScanInt::Scan,(buf.headRoom() == 0)");
    *m_target = 0;
    return;
  }
  if (digits.IsEmpty()) throw ScanErr;
  if (!DigitsValue(digits, m_target)) {
    Rs232DebugLog(src.Trace(), "ScanInt::Scan,value beyond the integer range");
    ReadError();
  }
}

void ScanYN::Scan(DataSrc& src) const { *m_target = AcceptChar(src, "YN") == 'Y'; }

ScanColl::ScanColl(const ScanColl& other) : Scans(other) {
  m_items.reserve(other.m_items.size());
  for (const auto& item : other.m_items) m_items.emplace_back(item->Clone());
}

ScanColl& ScanColl::operator=(const ScanColl& other) {
  if (this != &other) {
    ScanColl copy(other);
    m_items.swap(copy.m_items);
  }
  return *this;
}

ScanColl& ScanColl::Add(const Scans& item) {
  m_items.emplace_back(item.Clone());
  return *this;
}

void ScanColl::Scan(DataSrc& src) const {
  for (const auto& item : m_items) item->Scan(src);
}
