#include "db/Recordset.h"
#include "db/Utf8.h"

namespace platform {

namespace db {

std::string TruncateUtf8(const std::string& text, size_t maxChars) {
  size_t chars = 0;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
    if (chars == maxChars || i + len > n) break;
    i += len;
    ++chars;
  }
  return i == n ? text : text.substr(0, i);
}

}  // namespace db

CDBParam::CDBParam(const std::string& text, int maxLength)
    : m_kind(kText), m_text(platform::db::TruncateUtf8(text, maxLength < 0 ? 0 : static_cast<size_t>(maxLength))) {}

void RFX_Text(CFieldExchange* pFX, const char* name, std::string& value, int maxLength) {
  pFX->Field(name, CFieldExchange::kText, &value, maxLength);
}
void RFX_Byte(CFieldExchange* pFX, const char* name, unsigned char& value) {
  pFX->Field(name, CFieldExchange::kByte, &value);
}
void RFX_Int(CFieldExchange* pFX, const char* name, int& value) { pFX->Field(name, CFieldExchange::kInt, &value); }
void RFX_Long(CFieldExchange* pFX, const char* name, int& value) { pFX->Field(name, CFieldExchange::kLong, &value); }
void RFX_Long(CFieldExchange* pFX, const char* name, unsigned& value) {
  pFX->Field(name, CFieldExchange::kULong, &value);
}
void RFX_Single(CFieldExchange* pFX, const char* name, float& value) {
  pFX->Field(name, CFieldExchange::kSingle, &value);
}
void RFX_Double(CFieldExchange* pFX, const char* name, double& value) {
  pFX->Field(name, CFieldExchange::kDouble, &value);
}
void RFX_Date(CFieldExchange* pFX, const char* name, CTime& value) { pFX->Field(name, CFieldExchange::kDate, &value); }

}  // namespace platform
