#pragma once
// The suite's own pictures: the splash bitmaps and icons, drawn at first use.
#include <QPixmap>

#include "BitmapIds.h"

namespace kovo {


// A splash bitmap (643 x 482), or a null pixmap for an unknown id.
QPixmap LoadBitmapResource(int id);
// A 32 x 32 icon, or a null pixmap for an unknown id.
QPixmap LoadIconResource(int id);
// The program's 32 x 32 icon, in the colour of its splash; the suite's for a
// name it does not know.
QPixmap LoadProgramIcon(const QString& program);

}  // namespace kovo
