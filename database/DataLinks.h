#pragma once
// What the data layer calls of the running program without owning it: the
// measurement subject, the open-window store, the four alarm outputs and the
// last measurement the database observer wrote. Each program object registers
// itself here when it is built and goes when it is destroyed; a missing one
// counts as absent in this program (a program without a monitor, a test).
#include <string>

class COMeas;
struct MonitorSetup;

// The measurement subject as the data layer needs it.
class IMeasurementLink {
 public:
  virtual ~IMeasurementLink() = default;
  // 0 idle, 1 delayed start, 2 starting, 3 active (measuring), 4 stopping, ...
  virtual int GetState() const = 0;
  virtual void StopMeasurement() = 0;
  // The user chose to work without the monitor.
  virtual bool IsOffline() const = 0;
  // A measurement arrived since the task started.
  virtual bool HasLastMeas() const = 0;
  // Reads the monitor's identity when not read yet; false when that fails.
  virtual bool RetrieveMonitorID() = 0;
  // Reads all filter and bank information from the monitor into the
  // program-wide monitor set-up (the upload with its progress dialog).
  virtual bool UploadFilterInfo() = 0;
  // The configuration last read from the monitor.
  virtual const MonitorSetup& GetMonitorSetup() const = 0;
  // The serial port (0..3 for COM1..COM4) of the monitor's data link.
  virtual void SetPort(int port) = 0;
};

// The store of the task's open windows and their placement.
class IWindowStore {
 public:
  virtual ~IWindowStore() = default;
  virtual void Save() = 0;
  virtual void Restore() = 0;
};

// One alarm output (PC beep, monitor beeper, relay 1, relay 2). The alarm
// check and the alarm list read and write the two flags directly.
class COAction {
 public:
  virtual ~COAction() = default;
  virtual void Execute(bool on) = 0;
  unsigned char m_state = 0;    // the output's state at the last check
  unsigned char m_request = 0;  // what the check running now asks for
};

class DataLinks {
 public:
  enum Output { kPCBeep = 0, kMonitorBeep, kRelay1, kRelay2, kOutputCount };

  static IMeasurementLink* Measurement();
  static void SetMeasurement(IMeasurementLink* link);
  // The state of the measurement subject; 0 when there is none.
  static int MeasurementState();
  // The program-wide monitor set-up; an empty one when no monitor is linked.
  static const MonitorSetup& GetMonitorSetup();

  static IWindowStore* WindowStore();
  static void SetWindowStore(IWindowStore* store);

  static COAction* AlarmOutput(int output);
  static void SetAlarmOutputs(COAction* pcBeep, COAction* monitorBeep, COAction* relay1, COAction* relay2);

  // The measurement the database observer wrote last; null when there is no
  // observer.
  static const COMeas* LastWrittenMeas();
  static void SetLastWrittenMeas(const COMeas* meas);

  // The program-wide acknowledgement marks of the alarm list: one entry per
  // row, 1 once the user acknowledged that row.
  static constexpr int kAckEntries = 1000;
  static int* AlarmAcknowledgements();
};
