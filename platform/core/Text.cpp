#include "Text.h"

#include <cctype>
#include <clocale>
#include <cstdio>
#include <locale.h>
#include <vector>

namespace platform {
// The per-thread locale switch keeps formatting right on every thread, also
// while Qt has set the process locale from the environment.
static locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}

CLocaleScope::CLocaleScope() : m_old(uselocale(CLocale())) {}
CLocaleScope::~CLocaleScope() { uselocale(static_cast<locale_t>(m_old)); }

std::string FormatV(const char* fmt, va_list args) {
  CLocaleScope scope;
  char small[256];
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(small, sizeof small, fmt, copy);
  va_end(copy);
  if (n < 0) return std::string();
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
  std::vector<char> big(static_cast<size_t>(n) + 1);
  std::vsnprintf(big.data(), big.size(), fmt, args);
  return std::string(big.data(), static_cast<size_t>(n));
}

std::string Format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  std::string s = FormatV(fmt, args);
  va_end(args);
  return s;
}

int Scan(const std::string& text, const char* fmt, ...) {
  CLocaleScope scope;
  va_list args;
  va_start(args, fmt);
  int n = std::vsscanf(text.c_str(), fmt, args);
  va_end(args);
  return n;
}

std::string RewriteExponent(std::string_view text, int minDigits) {
  size_t e = text.find_first_of("eE");
  if (e == std::string_view::npos) return std::string(text);
  size_t p = e + 1;
  char sign = '+';
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) sign = text[p++];
  size_t digitsBegin = p;
  while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p]))) ++p;
  if (p == digitsBegin) return std::string(text);
  std::string_view digits = text.substr(digitsBegin, p - digitsBegin);
  while (digits.size() > 1 && digits[0] == '0') digits.remove_prefix(1);
  std::string out(text.substr(0, e));
  out += 'e';
  out += sign;
  for (int i = static_cast<int>(digits.size()); i < minDigits; ++i) out += '0';
  out += digits;
  out += text.substr(p);
  return out;
}

std::string TrimLeft(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(0, e));
}

std::string Trim(std::string_view s) { return TrimLeft(TrimRight(s)); }

std::string ToUpper(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return r;
}

std::string ToLower(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return r;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

namespace {

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The first bytes of text up to maxBytes, ending before a sequence it would cut.
std::string CutUtf8(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return std::string(text);
  size_t n = maxBytes;
  while (n > 0 && IsContinuation(text[n])) --n;
  return std::string(text.substr(0, n));
}

}  // namespace

std::string FitByShortening(const std::string& text, std::string_view part, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  static constexpr std::string_view kElided = "...";
  const size_t at = part.empty() ? std::string::npos : text.find(part);
  if (at == std::string::npos) return CutUtf8(text, maxBytes);
  const size_t excess = text.size() - maxBytes;
  // What is kept of part: a third from its start, the rest from its end,
  // where a path has its file name.
  const size_t keep = part.size() > excess + kElided.size() ? part.size() - excess - kElided.size() : 0;
  size_t head = keep / 3;
  while (head > 0 && IsContinuation(part[head])) --head;
  size_t tailStart = part.size() - (keep - keep / 3);
  while (tailStart < part.size() && IsContinuation(part[tailStart])) ++tailStart;
  std::string shortened = std::string(part.substr(0, head));
  shortened += kElided;
  shortened += part.substr(tailStart);
  const std::string fitted = text.substr(0, at) + shortened + text.substr(at + part.size());
  return CutUtf8(fitted, maxBytes);
}

}  // namespace platform
