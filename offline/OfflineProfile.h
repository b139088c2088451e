#pragma once
// The Offline program as the shared layers see it: it takes what the
// monitor recorded on its own.
#include "BitmapIds.h"
#include "ProgramProfile.h"

inline ProgramProfile OfflineProfile() {
  ProgramProfile p;
  p.name = "Offline";
  p.talksToMonitor = true;
  p.uploadsRecords = true;
  p.splashBitmap = kovo::IDB_SPLASH_OFFLINE;
  return p;
}
