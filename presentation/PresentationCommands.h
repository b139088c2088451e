#pragma once
// The Presentation program's own command ids, as its menus, toolbar and keys
// carry them; the ids every measurement program shares are in
// MeasProgramCommands.h.
#include "MeasProgramCommands.h"

enum PresentationCommand : unsigned {
  ID_USER_EVENT = 32795,
  ID_SCALE_LEFT_ZERO_MAX = 32810,
  ID_SCALE_LEFT_MIN_MAX = 32811,
  ID_SCALE_RIGHT_ZERO_MAX = 32812,
  ID_SCALE_RIGHT_MIN_MAX = 32813,
  ID_ZOOM_OUT = 32814,
  ID_ZOOM_IN = 32815,
  ID_GOTO_START = 32818,
  ID_GOTO_END = 32819,
  ID_SCROLL_FORWARD = 32820,
  ID_SCROLL_BACKWARD = 32821,
  ID_UNITS = 32822,
  ID_EXPORT = 32829,
};
