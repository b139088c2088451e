#include "COAirPressure.h"

void COAirPressure::SetUnitFromReply(const std::string& reply) {
  static const struct {
    const char* keyword;
    int unit;
  } kKeywords[] = {
      {"U_MMHG", COPresUnit::mmhg},
      {"U_MBAR", COPresUnit::mbar},
      {"U_KPA", COPresUnit::kpa},
      {"U_HPA", COPresUnit::hpa},
  };
  for (const auto& k : kKeywords) {
    if (reply.find(k.keyword) != std::string::npos) {
      m_unit.SetUnit(k.unit);
      return;
    }
  }
}
