#pragma once
// The program's objects as the data layer sees them. The program context owns
// one for the whole run and hands it to every data-layer object that needs
// the system set-up, the general subject, the active sequence, the database
// observer, or what the layers above lend it: the measurement subject, the
// window store, the alarm outputs and the document. Tests build one of their
// own; nothing here is reached through a global.
#include <array>
#include <map>
#include <memory>

#include "InstrumentInfo.h"
#include "ProgramProfile.h"

class CDocument;
class CODBObs;
class COGenSub;
class COSequence;
class COSequenceObs;
class COSystemSetup;
class ShownSequence;
struct MonitorSetup;

// The measurement subject's states. Windows and status texts know them by
// these numbers.
enum class MeasState : int {
  idle = 0,
  delayedStart = 1,
  starting = 2,
  active = 3,  // measuring
  stopping = 4,
  restartStopping = 5,  // pausing
  restartStopped = 6,   // paused
  checkingFilters = 7,
  restartStarting = 8,  // resuming
};

// The measurement subject as the data layer needs it.
class IMeasurementLink {
 public:
  virtual ~IMeasurementLink() = default;
  virtual MeasState GetState() const = 0;
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
  bool m_state = false;    // the output's state at the last check
  bool m_request = false;  // what the check running now asks for
};

class DataContext {
 public:
  enum Output { kPCBeep = 0, kMonitorBeep, kRelay1, kRelay2, kOutputCount };
  // Builds the system set-up, the general subject, the database observer and
  // the active sequence, in that order.
  explicit DataContext(ProgramProfile profile);
  virtual ~DataContext();
  DataContext(const DataContext&) = delete;
  DataContext& operator=(const DataContext&) = delete;

  // What sets the program apart: the one source the layers ask.
  const ProgramProfile& Profile() const { return m_profile; }
  // The connected monitor's identity, as the start-up publishes it.
  InstrumentInfo& Instrument() { return m_instrument; }
  const InstrumentInfo& Instrument() const { return m_instrument; }
  COSystemSetup& Setup() { return *m_setup; }
  const COSystemSetup& Setup() const { return *m_setup; }
  COGenSub& GenSub() { return *m_genSub; }
  CODBObs& DBObs() { return *m_dbObs; }
  // The sequence of the task that is open: the sequence observer's.
  COSequenceObs& Sequence() { return *m_sequence; }
  COSequence& ActiveSequence();
  // The sequence the windows read: the active sequence unless the program
  // lends another (the Calibration program its calibration sequence).
  ShownSequence& WindowSequence();
  void SetWindowSequence(ShownSequence* sequence) { m_windowSequence = sequence; }

  // Lent by the measurement subject; none in a program without a monitor.
  IMeasurementLink* Measurement() const { return m_measurement; }
  void SetMeasurement(IMeasurementLink* link) { m_measurement = link; }
  // Idle without a measurement subject.
  MeasState MeasurementState() const;
  // The monitor's set-up as last read; an empty one without a monitor.
  const MonitorSetup& GetMonitorSetup() const;

  IWindowStore* WindowStore() const { return m_windowStore; }
  void SetWindowStore(IWindowStore* store) { m_windowStore = store; }

  COAction* AlarmOutput(int output) const;
  void SetAlarmOutputs(COAction* pcBeep, COAction* monitorBeep, COAction* relay1, COAction* relay2);

  // The document of the task's windows, while one is open.
  CDocument* Document() const { return m_document; }
  void SetDocument(CDocument* document) { m_document = document; }

  // The alarm lists' acknowledgement marks for the whole run, keyed by the
  // alarm's position in the active sequence's table; an alarm without an
  // entry is not acknowledged.
  std::map<int, bool>& AlarmAcknowledgements() { return m_acks; }

 private:
  ProgramProfile m_profile;
  InstrumentInfo m_instrument;
  std::unique_ptr<COSystemSetup> m_setup;
  std::unique_ptr<COGenSub> m_genSub;
  std::unique_ptr<CODBObs> m_dbObs;
  std::unique_ptr<COSequenceObs> m_sequence;
  ShownSequence* m_windowSequence = nullptr;
  IMeasurementLink* m_measurement = nullptr;
  IWindowStore* m_windowStore = nullptr;
  std::array<COAction*, kOutputCount> m_outputs{};
  CDocument* m_document = nullptr;
  std::map<int, bool> m_acks;
};
