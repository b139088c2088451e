#pragma once
// Which of the five programs runs: its application name. The program
// context holds it and hands it on; shared code branches on it where the
// programs differ.
#include <string>

class ProgramIdentity {
 public:
  ProgramIdentity() = default;  // no program
  explicit ProgramIdentity(std::string appName) : m_name(std::move(appName)) {}

  const std::string& GetAppName() const { return m_name; }
  // Compares the application name, case-sensitively.
  bool isApp(const std::string& name) const { return m_name == name; }
  bool isCalibration() const { return isApp("Calibration"); }
  bool isPresentation() const { return isApp("Presentation"); }
  bool isOffline() const { return isApp("Offline"); }
  bool isOnline() const { return isApp("Online"); }
  bool isOstrel() const { return isApp("Database Administration"); }

 private:
  std::string m_name;
};
