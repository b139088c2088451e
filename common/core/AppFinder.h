#pragma once
// Which of the five programs runs. Shared code branches on it where the
// programs differ. A program's identity is its application name; the base
// application and the program context each hold theirs as the running one
// while they live.
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

class AppFinder {
 public:
  static bool isApp(const std::string& name) { return Running().isApp(name); }
  static bool isCalibration() { return Running().isCalibration(); }
  static bool isPresentation() { return Running().isPresentation(); }
  static bool isOffline() { return Running().isOffline(); }
  static bool isOnline() { return Running().isOnline(); }
  static bool isOstrel() { return Running().isOstrel(); }

  // The identity registered last and still alive; no program without one.
  static const ProgramIdentity& Running();

  // Makes the identity the running program's for the registration's life;
  // the one before comes back when it ends.
  class Registration {
   public:
    explicit Registration(const ProgramIdentity& identity);
    ~Registration();
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

   private:
    friend class AppFinder;
    const ProgramIdentity* m_identity;
    Registration* m_previous;
  };
};

// An identity that is the running program's for as long as this object lives.
class RunningProgram {
 public:
  explicit RunningProgram(std::string appName) : m_identity(std::move(appName)) {}
  explicit RunningProgram(ProgramIdentity identity) : m_identity(std::move(identity)) {}
  const ProgramIdentity& Identity() const { return m_identity; }

 private:
  ProgramIdentity m_identity;
  AppFinder::Registration m_registration{m_identity};
};
