#pragma once
// Watches a stream of received characters for one expected text. All its
// state is how much of the text the latest characters match, so it finds
// the text across overlapping partial matches without keeping the stream.

class StringMatcher {
 public:
  // pattern is not copied and must outlive the matcher.
  explicit StringMatcher(const char* pattern) : m_pattern(pattern), m_pos(pattern) {}

  void Feed(char c);
  bool IsFound() const { return *m_pos == '\0'; }
  void Reset() { m_pos = m_pattern; }

 private:
  const char* m_pattern;
  const char* m_pos;
};
