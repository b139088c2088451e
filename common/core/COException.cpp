#include "COException.h"

#include "core/StringTable.h"

COException::COException(unsigned stringId) : m_id(stringId), m_message(platform::LoadString(stringId)) {}
