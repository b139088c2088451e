#pragma once
// Tells which of the five programs runs, by its application name. Shared code
// branches on these where the programs differ.
#include <string>

class AppFinder {
 public:
  // Compares the running program's application name, case-sensitively.
  static bool isApp(const std::string& name);
  static bool isCalibration() { return isApp("Calibration"); }
  static bool isPresentation() { return isApp("Presentation"); }
  static bool isOffline() { return isApp("Offline"); }
  static bool isOnline() { return isApp("Online"); }
  static bool isOstrel() { return isApp("Database Administration"); }
};
