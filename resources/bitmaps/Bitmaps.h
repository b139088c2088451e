#pragma once
// The suite's own pictures: the splash bitmaps and icons, drawn at first use.
#include <QPixmap>

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

// A splash bitmap (643 x 482), or a null pixmap for an unknown id.
QPixmap LoadBitmapResource(int id);
// A 32 x 32 icon, or a null pixmap for an unknown id.
QPixmap LoadIconResource(int id);
// The program's 32 x 32 icon, in the colour of its splash; the suite's for a
// name it does not know.
QPixmap LoadProgramIcon(const QString& program);

}  // namespace kovo
