#pragma once
// The Presentation program as the shared layers see it: it shows stored
// tasks, the filters they locked and the air pressure.
#include "BitmapIds.h"
#include "ProgramProfile.h"

inline ProgramProfile PresentationProfile() {
  ProgramProfile p;
  p.name = "Presentation";
  p.lockedFiltersOnly = true;
  p.pressureAlways = true;
  p.storedOnly = true;
  p.splashBitmap = kovo::IDB_SPLASH_PRESENTATION;
  return p;
}
