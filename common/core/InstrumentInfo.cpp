#include "InstrumentInfo.h"

#include "core/Text.h"

void InstrumentInfo::SetInfo(std::string type, std::string id) {
  m_type = platform::EqualsNoCase(type, "Tebb") ? type : std::string();
  m_id = std::move(id);
}
