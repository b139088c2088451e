#pragma once
// String-table ids of the Offline program's own texts (resources/strings/offline.inc).
enum OfflineStringId : unsigned {
  IDS_ABOUT_OFFLINE = 101,
  IDS_CREATE_DOCUMENT_FAILED = 138,
  IDS_OFFLINE_NO_SYSTEM_DB = 136,
  IDS_DOWNLOADING = 171,
  IDS_DOWNLOADING_SETTINGS = 216,
  IDS_UPLOADING_SETTINGS = 219,
  IDS_UPLOADING_MEASUREMENTS = 220,
  IDS_ONE_ALARM_PER_FILTER = 218,
  IDS_SEQUENCE_OLDER = 228,
  IDS_ACTIVE_BANK_DIFFERS = 231,
  IDS_UPDATING_TASK = 232,
  IDS_UPDATING = 233,
  IDS_SETTINGS_DOWNLOADED = 270,
};

// The warning of an empty memory and its caption, not in the string table.
constexpr const char kNoMeasurementWarning[] = "Warning: No measurement available in instrument for upload";
constexpr const char kOfflineCaption[] = "Offline";
// The leak detector's alarm rule, not in the string table.
constexpr const char kTwoAlarmsPerFilter[] = "maximum two alarms per filter can be triggered in Gas Monitor";
// A download or an upload that did not end as a whole.
constexpr const char kDownloadIncomplete[] =
    "The sequence settings were not downloaded completely: download them again before the Gas Monitor measures on "
    "its own.";
constexpr const char kUploadIncomplete[] =
    "The upload of measurements did not complete: the task is left as it was before the upload, and the Gas "
    "Monitor keeps its measurements for another upload.";
