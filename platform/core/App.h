#pragma once
// The running program as the platform sees it: its name and its command
// line.
#include <array>
#include <string>
#include <vector>

namespace platform {

class AppCore {
 public:
  // args[0] is the program path, as in main's argv.
  AppCore(std::string name, std::vector<std::string> args);
  virtual ~AppCore();
  AppCore(const AppCore&) = delete;
  AppCore& operator=(const AppCore&) = delete;

  // The program object constructed last and not yet destroyed, or null.
  static AppCore* Current();

  const std::string& GetAppName() const { return m_name; }
  const std::vector<std::string>& GetArgs() const { return m_args; }

 private:
  std::string m_name;
  std::vector<std::string> m_args;
  AppCore* m_previous;
};

// The folder that holds the programs and their data ("data/", "prototyp/"):
// $KOVO_PROGRAM_FOLDER when set, else the folder of the running executable.
std::string ProgramFolder();

// The command line as the programs read it: argument 0 is the program itself.
std::vector<std::string> ArgsFromMain(int argc, char** argv);

// The version block of a program file ("Online.exe"): four numbers, most
// significant first. A program's build stamps it at start-up.
using FileVersion = std::array<unsigned, 4>;
void SetFileVersion(const std::string& file, const FileVersion& version);
bool GetFileVersion(const std::string& file, FileVersion* version);

}  // namespace platform
