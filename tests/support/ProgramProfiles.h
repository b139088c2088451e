#pragma once
// The programs' own profiles, by the program's name, for tests that stand
// in for a program.
#include <stdexcept>
#include <string>

#include "CalibrationProfile.h"
#include "OfflineProfile.h"
#include "OnlineProfile.h"
#include "PresentationProfile.h"

namespace kovo::test {

inline ProgramProfile ProfileOf(const std::string& program) {
  if (program == "Online") return OnlineProfile();
  if (program == "Calibration") return CalibrationProfile();
  if (program == "Offline") return OfflineProfile();
  if (program == "Presentation") return PresentationProfile();
  throw std::invalid_argument("no program " + program);
}

}  // namespace kovo::test
