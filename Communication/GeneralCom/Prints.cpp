#include "Prints.h"

#include "MeasValue.h"
#include "TransConn.h"
#include "core/Text.h"

namespace {

// The longest number text the monitor's fields take.
constexpr size_t kMaxNumberText = 19;

// "%E" with exactly two exponent digits: a three-digit exponent loses its first.
std::string ExponentForm(float value) {
  std::string text = platform::Format("%E", static_cast<double>(value));
  const size_t e = text.find('E');
  if (e != std::string::npos && text.size() - e == 5) text.erase(e + 2, 1);
  return text;
}

}  // namespace

void Prints::PutText(DataSink& sink, const std::string& text) {
  for (char c : text) sink.Put(c);
}

void PrintChar::Print(DataSink& sink) const { sink.Put(m_c); }

void PrintStr::Print(DataSink& sink) const {
  for (const char* p = m_text; *p; ++p) sink.Put(*p);
}

void PrintInt::Print(DataSink& sink) const { PutText(sink, platform::Format("%d", m_value)); }

void PrintYN::Print(DataSink& sink) const { sink.Put(m_value ? 'Y' : 'N'); }

std::string PrintFloat::Text(float value, int32_t precision) {
  if (precision < 1) return ExponentForm(value);
  std::string text = platform::Format("%.*f", precision, static_cast<double>(value));
  // A fixed-point text too long for the monitor's field goes out in the
  // exponent form, which always fits.
  return text.size() <= kMaxNumberText ? text : ExponentForm(value);
}

void PrintFloat::Print(DataSink& sink) const { PutText(sink, Text(m_value, m_precision)); }

void PrintCalibval::Print(DataSink& sink) const {
  PutText(sink, MeasValue(m_value).IsValid() ? PrintFloat::Text(m_value, m_precision) : "1.0E32");
}

void PrintTime::Print(DataSink& sink) const {
  PutText(sink, platform::Format("\"%02d:%02d\"", m_minutes / 60, m_minutes % 60));
}

PrintColl::PrintColl(const PrintColl& other) : Prints(other) {
  m_items.reserve(other.m_items.size());
  for (const auto& item : other.m_items) m_items.emplace_back(item->Clone());
}

PrintColl& PrintColl::operator=(const PrintColl& other) {
  if (this != &other) {
    PrintColl copy(other);
    m_items.swap(copy.m_items);
  }
  return *this;
}

PrintColl& PrintColl::Add(const Prints& item) {
  m_items.emplace_back(item.Clone());
  return *this;
}

void PrintColl::Print(DataSink& sink) const {
  for (const auto& item : m_items) item->Print(sink);
}
