#include "TextExport.h"

#include <cctype>
#include <charconv>
#include <cstring>

#include "MeasInterval.h"
#include "MeasReader.h"

namespace text_export {

namespace {

constexpr size_t kWriteSize = 1 << 20;

std::string TwoDigits(int n) {
  n %= 100;
  if (n < 0) n += 100;
  return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

}  // namespace

std::string FormatDate(const std::string& pattern, int year, int month, int day) {
  std::string text;
  for (char c : pattern) text += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  // Each number stands in as text, never as a format: a pattern may hold a
  // '%' of its own.
  const struct {
    char letter;
    int value;
  } fields[] = {{'Y', year % 100}, {'D', day}, {'M', month}};
  for (const auto& f : fields) {
    const size_t first = text.find(f.letter);
    if (first == std::string::npos) continue;
    std::string rest;
    for (size_t i = first + 1; i < text.size(); ++i)
      if (text[i] != f.letter) rest += text[i];
    text = text.substr(0, first) + TwoDigits(f.value) + rest;
  }
  return text;
}

void AppendValue(std::string& line, float value) {
  // The scale is the single-precision 0.00001, as the files have always had it.
  const double scaled = static_cast<double>(value) * static_cast<double>(0.00001f);
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, scaled, std::chars_format::scientific, 5);
  std::string_view text(buffer, static_cast<size_t>(result.ptr - buffer));
  const size_t e = text.find('e');
  if (result.ec != std::errc() || e == std::string_view::npos) return;
  std::string_view mantissa = text.substr(0, e);
  const size_t point = mantissa.find('.');
  line.append(mantissa.substr(0, point));
  if (point != std::string_view::npos) line.append(mantissa.substr(point + 1));
  line += 'e';
  line += text[e + 1];  // the exponent's sign
  std::string_view digits = text.substr(e + 2);
  for (size_t n = digits.size(); n < 3; ++n) line += '0';
  line.append(digits);
}

std::string EventsField(const std::vector<COEvent>& events) {
  std::string out;
  bool started = false;
  bool stopped = false;
  for (const COEvent& e : events) {
    std::string item;
    switch (e.GetType()) {
      case COEvent::typeComment:
        item = e.GetText();
        for (char& c : item)
          if (c == ' ') c = '_';
        break;
      case COEvent::typeAlarm: item = "Alarm"; break;
      case COEvent::typeReadTimeout: item = "C"; break;
      case COEvent::typeTaskStarted:
        if (!started) item = "Start";
        started = true;
        break;
      case COEvent::typeTaskStopped:
        if (!stopped) item = "Stop";
        stopped = true;
        break;
      case COEvent::typeRestart: item = "P"; break;
      case COEvent::typeStatus: item = "W"; break;
      case COEvent::typeNoReading: item = "B"; break;
      case COEvent::typeFault: item = "F"; break;
      default: break;
    }
    if (item.empty()) continue;
    if (!out.empty()) out += ',';
    out += item;
  }
  return out;
}

bool Writer::Open(const std::string& path) {
  m_file = std::fopen(path.c_str(), "wb");
  m_buffer.reserve(kWriteSize + 4096);
  return m_file != nullptr;
}

void Writer::Line(const std::string& text) {
  m_buffer += text;
  m_buffer += "\r\n";
  if (m_buffer.size() >= kWriteSize) Flush();
}

void Writer::Flush() {
  if (m_file != nullptr && !m_buffer.empty() &&
      std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_file) != m_buffer.size())
    m_failed = true;
  m_buffer.clear();
}

bool Writer::Close() {
  if (m_file == nullptr) return false;
  Flush();
  if (std::fclose(m_file) != 0) m_failed = true;
  m_file = nullptr;
  return !m_failed;
}

bool Export(const std::string& path, DataContext& context, const COMeasInterval& interval, COMeasLoader& loader,
            const std::string& datePattern) {
  Writer out;
  if (!out.Open(path)) return false;
  const bool byNumber = interval.GetMeasMode() == COMeasInterval::kByNumber;
  const std::vector<CColumn>& columns = interval.GetColumns();
  std::string line = byNumber ? "\"Meas. No.\"" : "\"Time\"";
  for (const CColumn& c : columns)
    line += std::string("\t\"") + c.GetChannelLetter() + ": " + c.GetChannelName() + " [" + c.GetUnitText() + "]\"";
  line += "\t\"Event(s)\"";
  out.Line(line);

  // Most lines share their date with the line before.
  int lastDay = -1;
  std::string dateText;
  char number[32];
  loader.SetInterval(&interval);
  for (loader.MoveFirst(); !loader.IsEOF(); loader.MoveNext()) {
    const COMeas& m = loader.GetCurrent();
    line.clear();
    if (byNumber) {
      const auto r = std::to_chars(number, number + sizeof number, m.GetMeasNo());
      line.append(number, r.ptr);
    } else {
      const struct tm t = m.GetMeasTime().GetLocalTm();
      const int day = (t.tm_year * 12 + t.tm_mon) * 32 + t.tm_mday;
      if (day != lastDay) {
        dateText = FormatDate(datePattern, t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
        lastDay = day;
      }
      line += dateText;
      // " %X", the suite's time of day.
      line += ' ';
      line += TwoDigits(t.tm_hour);
      line += ':';
      line += TwoDigits(t.tm_min);
      line += ':';
      line += TwoDigits(t.tm_sec);
    }
    for (const CColumn& c : columns) {
      line += '\t';
      if (!m.GetValue(c.GetChannel()).IsValid()) continue;
      const MeasValue v = GetConvertedValue(context, m, c.GetChannel(), c.GetUnit());
      if (v.IsValid()) AppendValue(line, v.GetValue());
    }
    const std::string events = EventsField(m.GetEvents());
    if (!events.empty()) {
      line += '\t';
      line += events;
    }
    out.Line(line);
  }
  return out.Close();
}

Writer::~Writer() {
  if (m_file != nullptr) Close();
}

}  // namespace text_export
