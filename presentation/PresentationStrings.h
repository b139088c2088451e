#pragma once
// String-table ids of the Presentation program's own texts
// (resources/strings/presentation.inc).
enum PresentationStringId : unsigned {
  IDS_PRESENTATION_NO_WINDOW = 134,
  IDS_PRESENTATION_NO_SYSTEM_DB = 136,
  IDS_PRESENTATION_LEGAL_INTERVAL = 149,
  IDS_PRESENTATION_CREATE_FILE = 153,
  IDS_PRESENTATION_TASK_EMPTY = 221,
};
