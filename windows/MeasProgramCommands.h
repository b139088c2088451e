#pragma once
// The command ids that every measurement program gives the same number; each
// program's own ids are in its commands header.
enum MeasProgramCommand : unsigned {
  ID_FILE_NEW = 57600,
  ID_FILE_OPEN = 57601,
  ID_FILE_CLOSE = 57602,
  ID_FILE_PRINT_SETUP = 57606,
  ID_FILE_PRINT = 57607,
  ID_FILE_PRINT_PREVIEW = 57609,
  ID_EDIT_COPY = 57634,
  ID_WINDOW_ARRANGE = 57649,
  ID_WINDOW_CASCADE = 57650,
  ID_WINDOW_TILE = 57651,
  ID_APP_ABOUT_CMD = 57664,
  ID_APP_EXIT = 57665,
  ID_VIEW_TOOLBAR = 59392,
  ID_VIEW_STATUS_BAR = 59393,
  ID_WINDOW_NEW_GRAPHIC = 32774,
  ID_WINDOW_NEW_NUMERIC = 32775,
  ID_FONT = 32782,
  ID_VIEW_CURSORS = 32784,
  ID_WINDOW_PROPERTIES = 32801,
};

// The measurement commands, in the programs that measure.
enum MeasurementCommand : unsigned { ID_START = 32797, ID_STOP = 32798, ID_SETTINGS = 32799, ID_PAUSE = 32812 };
