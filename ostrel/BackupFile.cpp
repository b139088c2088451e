#include "BackupFile.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "BackupStrings.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"
#include "core/Text.h"

const char kBackupVersion[] = "1.1";
const char kTypeSystem[] = "SYSTEM";
const char kTypeMeas[] = "MEAS";
const char kTypeMeasCali[] = "MEASCALI";

namespace {

const char* const kTags[TAG_COUNT] = {
    "",          "#DISKNR:", "#DBNAME:", "#DBTYPE:", "#VERSION:", "#REMARK:",
    "#SERIALNR:", "#TABLE:",  "#COLUMN:", "#ROW:",    "#EOB:",
};

// White space as the format means it, whatever the locale.
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view TrimTrailing(std::string_view s) {
  size_t e = s.size();
  while (e > 0 && IsBlank(s[e - 1])) --e;
  return s.substr(0, e);
}

}  // namespace

int CBackupHeader::Kind() const {
  if (dbType == kTypeMeas) return 0;
  if (dbType == kTypeMeasCali) return 1;
  if (dbType == kTypeSystem) return 2;
  return -1;
}

CBackupFile::CBackupFile(SpaceControl& space) : SafeFile(space) {}

const char* CBackupFile::TagText(int tag) { return tag >= 0 && tag < TAG_COUNT ? kTags[tag] : ""; }

bool CBackupFile::WriteTaggedLine(int tag, std::string_view text) {
  std::string line = TagText(tag);
  line.append(text);
  bool ok = WriteLine(line);
  m_rowMode = tag == TAG_NONE || tag == TAG_ROW;
  return ok;
}

bool CBackupFile::WriteRow(std::string_view text) {
  if (!m_rowMode && !WriteTaggedLine(TAG_ROW, std::string_view())) return false;
  m_rowMode = true;
  return WriteLine(text);
}

bool CBackupFile::WriteHeader(const CBackupHeader& header) {
  return WriteTaggedLine(TAG_DBNAME, header.dbName) && WriteTaggedLine(TAG_DBTYPE, header.dbType) &&
         WriteTaggedLine(TAG_VERSION, header.version) && WriteTaggedLine(TAG_REMARK, header.remark) &&
         WriteTaggedLine(TAG_SERIALNR, header.serial);
}

int CBackupFile::ReadTaggedLine(std::string* text) {
  m_readFailed = false;
  if (m_end) {
    text->clear();
    return TAG_EOB;
  }
  std::string_view line;
  do {
    if (!ReadLine(&m_line)) {
      m_readFailed = true;
      text->clear();
      return TAG_NONE;
    }
    ++m_lineNumber;
    line = TrimTrailing(m_line);
  } while (line.empty());

  if (line[0] != '#') {
    text->assign(line);
    return m_rowMode ? TAG_ROW : TAG_NONE;
  }
  size_t colon = line.find(':');
  if (colon == std::string_view::npos) {
    text->assign(line);
    return TAG_NONE;
  }
  std::string_view tag = line.substr(0, colon + 1);
  int index = TAG_NONE;
  for (int i = 1; i < TAG_COUNT; ++i) {
    if (tag == kTags[i]) {
      index = i;
      break;
    }
  }
  m_rowMode = index == TAG_ROW;
  if (index == TAG_EOB) m_end = true;
  text->assign(line.substr(colon + 1));
  return index;
}

bool CBackupFile::ReadHeader(CBackupHeader* header) {
  static const int kOrder[] = {TAG_DBNAME, TAG_DBTYPE, TAG_VERSION, TAG_REMARK, TAG_SERIALNR};
  std::string* fields[] = {&header->dbName, &header->dbType, &header->version, &header->remark, &header->serial};
  bool valid = true;
  for (size_t i = 0; i < 5 && valid; ++i) {
    std::string text;
    valid = ReadTaggedLine(&text) == kOrder[i];
    *fields[i] = text;
  }
  valid = valid && header->version == kBackupVersion && header->Kind() >= 0;
  if (valid) return true;
  // The user sees the file's title and extension.
  const std::string& name = GetBaseName();
  size_t dot = name.rfind('.');
  std::string shown = dot == std::string::npos ? name + "." : name;
  platform::MessageBox(shown + platform::LoadString(IDS_NOT_A_BACKUP), platform::MB_OK | platform::MB_ICONERROR);
  Close();
  return false;
}

namespace backup {

void AppendField(std::string& line, std::string_view value) {
  // A backup escapes every value it writes: one look per character.
  static const auto kEscape = [] {
    std::array<char, 256> t{};
    t[static_cast<unsigned char>('\\')] = '\\';
    t[static_cast<unsigned char>(';')] = ';';
    t['\r'] = 'r';
    t['\n'] = 'n';
    return t;
  }();
  const char* start = value.data();
  const char* const end = start + value.size();
  for (const char* p = start; p < end; ++p) {
    const char escaped = kEscape[static_cast<unsigned char>(*p)];
    if (escaped == 0) continue;
    line.append(start, static_cast<size_t>(p - start));
    line.push_back('\\');
    line.push_back(escaped);
    start = p + 1;
  }
  line.append(start, static_cast<size_t>(end - start));
  line.push_back(';');
}

void AppendNull(std::string& line) { line.push_back(';'); }

bool TakeField(std::string_view& rest, std::string* field, bool* isNull) {
  field->clear();
  size_t i = 0;
  size_t start = 0;
  for (; i < rest.size(); ++i) {
    const char c = rest[i];
    if (c == ';') break;
    if (c == '\\') {
      if (i + 1 >= rest.size()) return false;
      field->append(rest.data() + start, i - start);
      const char next = rest[++i];
      field->push_back(next == 'r' ? '\r' : next == 'n' ? '\n' : next);
      start = i + 1;
    }
  }
  if (i >= rest.size()) return false;
  field->append(rest.data() + start, i - start);
  *isNull = i == 0;
  rest.remove_prefix(i + 1);
  return true;
}

std::string QuoteText(std::string_view value) {
  std::string_view trimmed = TrimTrailing(value);
  std::string quoted;
  quoted.reserve(trimmed.size() + 2);
  quoted.push_back('"');
  quoted.append(trimmed);
  quoted.push_back('"');
  return quoted;
}

bool UnquoteText(std::string_view field, std::string* value) {
  if (field.size() < 2 || field.front() != '"' || field.back() != '"') return false;
  value->assign(field.substr(1, field.size() - 2));
  return true;
}

std::string FormatInteger(int64_t value) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

bool ParseInteger(std::string_view text, int64_t* value) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto r = std::from_chars(text.data(), text.data() + text.size(), *value);
  return r.ec == std::errc() && r.ptr == text.data() + text.size();
}

namespace {

struct Decimal {
  bool negative = false;
  std::string_view whole;
  std::string_view fraction;
  long exponent = 0;
  bool hasExponent = false;
  size_t exponentAt = 0;  // where the "e" is
  char exponentSign = '+';
  std::string_view exponentDigits;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// [sign] digits [. digits] [e [sign] digits], with a digit somewhere before the
// exponent.
bool SplitDecimal(std::string_view text, Decimal* d) {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* p = begin;
  auto digits = [&p, end] {
    const char* start = p;
    while (p < end && IsDigit(*p)) ++p;
    return std::string_view(start, static_cast<size_t>(p - start));
  };
  if (p < end && (*p == '+' || *p == '-')) d->negative = *p++ == '-';
  d->whole = digits();
  if (p < end && *p == '.') {
    ++p;
    d->fraction = digits();
  }
  if (d->whole.empty() && d->fraction.empty()) return false;
  if (p < end && (*p == 'e' || *p == 'E')) {
    d->hasExponent = true;
    d->exponentAt = static_cast<size_t>(p - begin);
    ++p;
    if (p < end && (*p == '+' || *p == '-')) d->exponentSign = *p++;
    d->exponentDigits = digits();
    if (d->exponentDigits.empty() || d->exponentDigits.size() > 6) return false;
    std::from_chars(d->exponentDigits.data(), d->exponentDigits.data() + d->exponentDigits.size(), d->exponent);
    if (d->exponentSign == '-') d->exponent = -d->exponent;
  }
  return p == end;
}

// "e", the sign (or '+'), and the digits without leading zeros but at least
// three of them: the exponent a file holds. Written by hand, as a backup
// writes one per floating-point value.
void AppendExponent(std::string* out, char sign, std::string_view digits) {
  while (digits.size() > 1 && digits[0] == '0') digits.remove_prefix(1);
  out->push_back('e');
  out->push_back(sign);
  for (size_t i = digits.size(); i < 3; ++i) out->push_back('0');
  out->append(digits);
}

}  // namespace

bool IsDecimal(std::string_view text) {
  Decimal d;
  return SplitDecimal(text, &d);
}

bool FormatDecimal(std::string_view text, std::string* out) {
  Decimal d;
  if (!SplitDecimal(text, &d)) return false;
  // Already one digit before the point and six or more after it: only the
  // exponent may need its third digit.
  if (text[0] != '+' && d.whole.size() == 1 && d.whole[0] != '0' && d.fraction.size() >= 6 && d.hasExponent) {
    out->assign(text.data(), d.exponentAt);
    AppendExponent(out, d.exponentSign, d.exponentDigits);
    return true;
  }
  const size_t count = d.whole.size() + d.fraction.size();
  auto digit = [&](size_t i) { return i < d.whole.size() ? d.whole[i] : d.fraction[i - d.whole.size()]; };
  size_t first = 0;
  while (first < count && digit(first) == '0') ++first;
  size_t last = count;
  while (last > first && digit(last - 1) == '0') --last;
  long exponent = 0;
  out->clear();
  if (d.negative) out->push_back('-');
  if (first == count) {
    out->push_back('0');
  } else {
    exponent = static_cast<long>(d.whole.size()) - static_cast<long>(first) - 1 + d.exponent;
    out->push_back(digit(first));
  }
  out->push_back('.');
  const size_t point = out->size();
  for (size_t i = first + 1; i < last; ++i) out->push_back(digit(i));
  if (out->size() - point < 6) out->append(6 - (out->size() - point), '0');
  char digits[24];
  const auto r = std::to_chars(digits, digits + sizeof digits, exponent < 0 ? -exponent : exponent);
  AppendExponent(out, exponent < 0 ? '-' : '+', std::string_view(digits, static_cast<size_t>(r.ptr - digits)));
  return true;
}

size_t FormatDate(const DateTime& d, char* out) {
  const int fields[] = {d.year, d.month, d.day, d.hour, d.minute, d.second};
  for (int i = 0; i < 6; ++i)
    if (fields[i] < 0 || fields[i] > (i == 0 ? 9999 : 99))
      return static_cast<size_t>(std::snprintf(out, kDateBuffer, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month,
                                               d.day, d.hour, d.minute, d.second));
  std::memcpy(out, "0000-00-00 00:00:00", 20);
  static const int kEnd[] = {4, 7, 10, 13, 16, 19};  // one past each field's last digit
  for (int i = 0; i < 6; ++i)
    for (int v = fields[i], p = kEnd[i] - 1; v > 0; v /= 10, --p) out[p] = static_cast<char>('0' + v % 10);
  return 19;
}

std::string FormatDate(const DateTime& date) {
  char text[kDateBuffer];
  return std::string(text, FormatDate(date, text));
}

bool ParseDate(std::string_view text, DateTime* date) {
  int* parts[] = {&date->year, &date->month, &date->day, &date->hour, &date->minute, &date->second};
  static const char kSeparators[] = "-- ::";
  for (int i = 0; i < 6; ++i) {
    size_t n = 0;
    while (n < text.size() && text[n] >= '0' && text[n] <= '9') ++n;
    if (n == 0 || n > 4) return false;
    std::from_chars(text.data(), text.data() + n, *parts[i]);
    text.remove_prefix(n);
    if (i < 5) {
      if (text.empty() || text[0] != kSeparators[i]) return false;
      text.remove_prefix(1);
    }
  }
  return text.empty() && date->month >= 1 && date->month <= 12 && date->day >= 1 && date->day <= 31 &&
         date->hour <= 23 && date->minute <= 59 && date->second <= 61;
}

}  // namespace backup
