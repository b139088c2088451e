#pragma once
// What the calibration sheets and dialogs work on: the Calibration program's
// objects, handed in by the program, and what its last calculation gave.
#include <optional>

#include "CaliCalculation.h"

class COCaliMeasObs;
class COCaliSequence;
class COPageStatus;
class Calibrator;
class ProgramContext;

namespace calibration {

struct CaliContext {
  ProgramContext& program;
  COCaliMeasObs& meas;
  // The program's active calibration sequence.
  COCaliSequence& sequence;
  Calibrator& calibrator;
  // Where the settings sheet remembers its last page; none: the first page.
  COPageStatus* pageStatus = nullptr;
  // What the last Calculate calculated; none when it was refused.
  std::optional<CaliResults> results = std::nullopt;
};

}  // namespace calibration
