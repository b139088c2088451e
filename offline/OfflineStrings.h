#pragma once
// String-table ids of the Offline program's own texts (resources/strings/offline.inc).
enum OfflineStringId : unsigned {
  IDS_CREATE_DOCUMENT_FAILED = 138,
  IDS_DOWNLOADING = 171,
  IDS_DOWNLOADING_SETTINGS = 216,
  IDS_UPLOADING_SETTINGS = 219,
  IDS_UPLOADING_MEASUREMENTS = 220,
  IDS_SEQUENCE_OLDER = 228,
  IDS_ACTIVE_BANK_DIFFERS = 231,
  IDS_UPDATING_TASK = 232,
  IDS_UPDATING = 233,
};

// The warning of an empty memory and its caption, not in the string table.
constexpr const char kNoMeasurementWarning[] = "Warning: No measurement available in instrument for upload";
constexpr const char kOfflineCaption[] = "Offline";
