#pragma once
// The Online program's own command ids, as its menus, toolbar and keys carry
// them; the ids every measurement program shares are in
// MeasProgramCommands.h.
#include "MeasProgramCommands.h"

enum OnlineCommand : unsigned {
  ID_COMMUNICATION = 32820,
  ID_UNITS = 32810,
  ID_PRINT_MONITOR_DATA = 32833,
  ID_USER_EVENT = 32795,
  ID_WINDOW_ALARMS = 32808,
  ID_WINDOW_MEASSTATUS = 32809,
  ID_ZOOM_IN = 32824,
  ID_ZOOM_OUT = 32815,
  ID_SCALE_LEFT_ZERO = 32816,
  ID_SCALE_LEFT_MINMAX = 32817,
  ID_SCALE_RIGHT_ZERO = 32803,
  ID_SCALE_RIGHT_MINMAX = 32804,
  ID_GOTO_START = 187,
  ID_SCROLL_BACKWARD = 188,
  ID_SCROLL_FORWARD = 189,
  ID_GOTO_END = 190,
  // Debugging only.
  ID_TEST_GENERATOR_5 = 32813,
  ID_TEST_GENERATOR_500 = 32830,
  ID_TEST_GENERATOR_2500 = 32831,
  ID_NOTIFY_TASK_STARTED = 32821,
  ID_NOTIFY_TASK_STOPPED = 32822,
};
