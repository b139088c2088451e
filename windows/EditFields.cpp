#include "EditFields.h"

#include <cctype>
#include <climits>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int ScanIntFields(const std::string& text, int count, int* numbers, char* separators) {
  const size_t size = text.size();
  size_t i = 0;
  int read = 0;
  for (int field = 0; field < count; ++field) {
    if (field > 0) {
      if (i >= size) return read;
      separators[field - 1] = text[i++];
      ++read;
    }
    while (i < size && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < size && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= size || !IsDigit(text[i])) return read;
    long long v = 0;
    for (; i < size && IsDigit(text[i]); ++i)
      if (v <= INT_MAX) v = v * 10 + (text[i] - '0');
    if (negative) v = -v;
    numbers[field] = v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : static_cast<int>(v);
    ++read;
  }
  return read;
}

bool ReadIntField(const std::string& text, int* value) { return ScanIntFields(text, 1, value, nullptr) == 1; }
