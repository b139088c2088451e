#pragma once
// String-table ids of the Online program's own texts
// (resources/strings/online.inc).
enum OnlineStringId : unsigned {
  IDS_ONLINE_NO_WINDOW = 134,
  IDS_ONLINE_CREATE_DOC_FAILED = 138,
  IDS_ONLINE_NO_GASES = 203,
  IDS_ONLINE_START_INVALID = 228,
  IDS_ONLINE_STOP_INVALID = 230,
};
