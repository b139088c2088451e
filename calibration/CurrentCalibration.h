#pragma once
// What the Calibration program asks straight of the monitor, outside the
// services but one exchange at a time with them: the user level selected on
// the monitor, and the print of its current calibration ("O_C_D? AL"),
// which is laid out in printer pages.
#include <exception>
#include <string>
#include <vector>

#include "PrintOut.h"

class COMeasObs;

// The warning of a monitor whose user level forbids a calibration.
extern const char kUserLevelWarning[];

// False when the reply to "SE? USER_L" begins with '1' or '2'. The link's
// exceptions pass to the caller.
bool UserLevelAllowsCalibration(COMeasObs& obs);

// "%s communication error" with the word of the operation that failed.
std::string CommunicationErrorText(const std::exception& e);

// Reads until the text has its end line ("Factor 10 ..."), or as the shared
// print-out read stops (its deadline and size limit included).
std::string ReadCurrentCalibration(COMeasObs& obs, const PrintOutLimits& limits = PrintOutLimits());
// The text has come to its end line.
bool IsCompleteCurrentCalibration(const std::string& text);

// The printer pages of a laid-out print (LayoutPrintOut): a page ends after
// linesPerPage lines or before a line with a form feed, which is not printed.
std::vector<std::vector<std::string>> PrintOutPages(const std::string& laidOut, int linesPerPage);
