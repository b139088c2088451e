#pragma once
// The Calibration program as the shared layers see it: it shows the
// detector's signals and the cell's temperature of calibration tasks.
#include "BitmapIds.h"
#include "ProgramProfile.h"

inline ProgramProfile CalibrationProfile() {
  ProgramProfile p;
  p.name = "Calibration";
  p.signalChannels = true;
  p.temperatureColumn = true;
  p.letterNames = true;
  p.calibrationTasks = true;
  p.talksToMonitor = true;
  p.worksWithoutMonitor = true;
  p.calibrationWindows = true;
  p.splashBitmap = kovo::IDB_SPLASH_CALIBRATION;
  return p;
}
