#include "InstrumentInfo.h"

#include "core/Text.h"

void InstrumentInfo::SetInfo(std::string type, std::string id) {
  m_type = platform::EqualsNoCase(type, "Tebb") ? type : std::string();
  m_id = std::move(id);
}

InstrumentUtility* InstrumentUtility::me = nullptr;

InstrumentUtility::InstrumentUtility() : m_info(new InstrumentInfo) {}

InstrumentUtility::~InstrumentUtility() {
  me = nullptr;
  delete m_info;
}

InstrumentUtility* InstrumentUtility::GetInstance() {
  // Lives to the end of the process.
  if (!me) me = new InstrumentUtility;
  return me;
}
