#pragma once
// Text and number formatting. Every format is applied with C-library semantics
// in the "C" numeric locale, whatever locale the user interface has set.
#include <cstdarg>
#include <string>
#include <string_view>

namespace platform {

// Switches the calling thread to the "C" locale for the scope's lifetime.
class CLocaleScope {
 public:
  CLocaleScope();
  ~CLocaleScope();
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  void* m_old;
};

std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* fmt, va_list args);

// sscanf in the "C" locale; returns the number of items assigned (or EOF).
int Scan(const std::string& text, const char* fmt, ...) __attribute__((format(scanf, 2, 3)));

// Rewrites the exponent of a number text ("1.5e+5", "2E-007") as 'e', a sign and
// at least minDigits digits, with no other leading zeros. Text without an
// exponent is returned as it is.
std::string RewriteExponent(std::string_view text, int minDigits);

std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::string Trim(std::string_view s);
std::string ToUpper(std::string_view s);
std::string ToLower(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWith(std::string_view s, std::string_view prefix);

// The text in at most maxBytes, what follows part kept whole: part (a path
// the text holds) loses the middle it must, "..." standing for it, so a
// reason after it is never cut off. Only when that is not enough is the end
// cut. UTF-8 sequences are never split.
std::string FitByShortening(const std::string& text, std::string_view part, size_t maxBytes);

}  // namespace platform
