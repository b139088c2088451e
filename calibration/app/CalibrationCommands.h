#pragma once
// The Calibration program's own command ids, as its menus, toolbar and keys
// carry them; the ids every measurement program shares are in
// MeasProgramCommands.h.
#include "MeasProgramCommands.h"

enum CalibrationCommand : unsigned {
  ID_CALI_UNITS = 32810,
  ID_CALI_COMMUNICATION = 32839,
  ID_CALI_WINDOW_STATUS = 32809,
  ID_CALI_MARK_INTERVAL = 32837,
  ID_CALI_UNMARK_ALL = 32838,
  ID_CALI_CALCULATE = 32829,
  ID_CALI_DOWNLOAD_VALUES = 32835,
  ID_CALI_UPLOAD_BANKS = 32841,
  ID_CALI_DOWNLOAD_BANKS = 32840,
  ID_CALI_PRINT_BANKS = 32847,
  ID_CALI_PRINT_CURRENT = 32862,
  ID_CALI_ZOOM_IN = 32833,
  ID_CALI_ZOOM_OUT = 32815,
  ID_CALI_GOTO_START = 32819,
  ID_CALI_SCROLL_BACK = 32818,
  ID_CALI_SCROLL_FORWARD = 32821,
  ID_CALI_GOTO_END = 32820,
};
