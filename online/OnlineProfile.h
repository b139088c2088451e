#pragma once
// The Online program as the shared layers see it.
#include "BitmapIds.h"
#include "ProgramProfile.h"

inline ProgramProfile OnlineProfile() {
  ProgramProfile p;
  p.name = "Online";
  p.talksToMonitor = true;
  p.splashBitmap = kovo::IDB_SPLASH_ONLINE;
  return p;
}
