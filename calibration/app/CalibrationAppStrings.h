#pragma once
// String-table ids of the Calibration program's window and task texts
// (resources/strings/calibration.inc).
enum CalibrationAppStringId : unsigned {
  IDS_CALI_CREATE_DOC_FAILED = 138,
  IDS_CALI_NO_SEQUENCE = 214,
  IDS_CALI_ASK_DISCARD_VALUES = 265,
  IDS_CALI_ASK_DISCARD_FOR_TASK = 266,
};
