#pragma once
// The ids of the suite's own pictures, apart from their drawing so that
// code without Qt can name them.

namespace kovo {

enum BitmapId {
  IDB_SPLASH_CALIBRATION = 102,
  IDI_ABOUT = 105,
  IDB_SPLASH_ONLINE = 107,
  IDB_SPLASH_OFFLINE = 108,
  IDB_SPLASH_PRESENTATION = 109,
  IDB_SPLASH_OSTREL = 111,
  IDI_COPY = 120,
  IDI_PRINT = 121,
  IDI_CURSOR_VALUES = 122,
};

}  // namespace kovo
