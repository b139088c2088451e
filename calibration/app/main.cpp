#include "CalibrationApp.h"
#include "core/App.h"

int main(int argc, char** argv) {
  CCalibrationApp app(platform::ArgsFromMain(argc, argv));
  return app.Run();
}
