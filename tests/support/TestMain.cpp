#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  // Central European time as a POSIX rule, so no time-zone database is needed.
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
  // What the programs keep of the desktop between runs (the main window's
  // place) stays out of the user's own settings.
  const std::string config = std::filesystem::temp_directory_path().string() + "/kovo-test-config";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  // Headless unless a developer asks for a real display.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  std::setlocale(LC_ALL, "");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
