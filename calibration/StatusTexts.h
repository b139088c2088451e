#pragma once
// The calibration status window's six lines: the measurement's state, and
// for which filters the calibrator holds a zero point, the humidity
// calibrations, a span, and cross-interference factors.
#include <array>
#include <string>

class Calibrator;

enum CalibrationStatusLine { kStatusState, kStatusZero, kStatusHumidity, kStatusSpan, kStatusSpanAgain, kStatusCross };

// The filters are letters each followed by a blank; "(none)" where no filter
// has the value. The fifth line repeats the span filters.
std::array<std::string, 6> CalibrationStatusTexts(const std::string& stateText, Calibrator& calibrator);
