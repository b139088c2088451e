#include "CalibrationApp.h"

int main(int argc, char** argv) {
  CCalibrationApp app(std::vector<std::string>(argv + 1, argv + argc));
  return app.Run();
}
