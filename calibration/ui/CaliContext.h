#pragma once
// What the calibration sheets and dialogs work on: the Calibration program's
// objects, handed in by the program.
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
};

}  // namespace calibration
