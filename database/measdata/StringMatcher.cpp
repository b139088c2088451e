#include "StringMatcher.h"

void StringMatcher::Feed(char c) {
  for (;;) {
    if (c != '\0' && c == *m_pos) {
      ++m_pos;
      return;
    }
    if (m_pos == m_pattern) return;
    // Replay what was matched, less its first character, to find the longest
    // end of the received text that still begins the pattern.
    const char* old = m_pos;
    m_pos = m_pattern;
    for (const char* p = m_pattern + 1; p < old; ++p) Feed(*p);
  }
}
