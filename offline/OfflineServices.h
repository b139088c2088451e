#pragma once
// The Offline program's services: the set-up download before a stand-alone
// measurement, the upload of the set-up the monitor measured with, and the
// upload of the records in the monitor's memory; the two progress clients
// that run the set-up services. The device creates them for a client.
#include <cstdint>
#include <deque>
#include <mutex>

#include "COMeas.h"
#include "CommKovoOffline.h"
#include "DeviceClients.h"
#include "DeviceKovo.h"
#include "Service.h"
#include "core/Time.h"

class InstrumentInfo;

// A set-up service that knows whether the user cancelled it: a cancel ends
// it as failed, but it is no communication error.
class ServiceOfflineSetupBase : public ServiceWithProgress {
 public:
  using ServiceWithProgress::ServiceWithProgress;
  void Cancel() override;
  bool IsCancelled() const;

 private:
  bool m_cancelled = false;
};

// Reads back the set-up the monitor measured with into the device's set-up.
class ServiceOfflineSetup final : public ServiceOfflineSetupBase {
 public:
  ServiceOfflineSetup(DeviceKovo* device, DeviceKovoClient* client, const InstrumentInfo& instrument);
  void AddCommands() override;

 private:
  CommKovoOffline m_commands;
  CommKovoHelperOffline m_helper{m_commands};
  const InstrumentInfo& m_instrument;
};

// Writes the device's set-up into the monitor, alarm limits included.
class ServiceMonitorSetup final : public ServiceOfflineSetupBase {
 public:
  using ServiceOfflineSetupBase::ServiceOfflineSetupBase;
  void AddCommands() override;
};

// Counts the records in the monitor's memory, switches its units to mg/m³,
// reads the records ten at a time and puts the units back. Records reach the
// client while the upload runs; the units are put back however it ends.
class ServiceOfflineMeas final : public ServiceWithProgress {
 public:
  enum Phase { phaseCounting = 0, phaseRecords = 1 };
  static constexpr int kBlockSize = 10;

  ServiceOfflineMeas(DeviceKovo* device, DeviceKovoClient* client, const InstrumentInfo& instrument);
  ~ServiceOfflineMeas() override { ServiceOfflineMeas::Detach(); }

  void Start() override;
  void Cancel() override;
  void Step() override;
  void AddCommands() override;
  void AddMeasCommands(int32_t count);

  // The records waiting for the client, oldest first (own lock).
  int GetCount() const;
  COMeas TakeFirst();
  void AddMeas(const COMeas& meas);

  // What "O_M? MEM" answered; 0 until then.
  int32_t GetStoredCount() const;
  int GetPhase() const;
  // The user cancelled it.
  bool IsCancelled() const;
  // The monitor has its own units again (or never lost them).
  bool UnitsRestored() const;

  // Worker thread, from the service's own steps.
  platform::CTime GetPreviousTime() const { return m_previous; }
  void SetPreviousTime(const platform::CTime& time) { m_previous = time; }
  int32_t GetSavedConcUnit() const { return m_savedConcUnit; }
  int32_t GetSavedHumiUnit() const { return m_savedHumiUnit; }
  void SetUnitsRestored();

 protected:
  bool FinishLocked() override;

 private:
  void MarkUnitsSwitched();

  CommKovoOffline m_commands;
  CommKovoHelperOffline m_helper{m_commands};
  platform::CTime m_previous;
  int32_t m_savedConcUnit = 0;
  int32_t m_savedHumiUnit = 0;
  int m_phase = phaseCounting;
  mutable std::mutex m_resultLock;  // a leaf lock
  std::deque<COMeas> m_results;
  int32_t m_count = 0;
  bool m_cancelled = false;
  bool m_unitsSwitched = false;
  bool m_unitsRestored = false;
  bool m_restoring = false;
};

ServiceHandle<ServiceOfflineSetup> CreateOfflineSetupService(DeviceKovo& device, const InstrumentInfo& instrument,
                                                             DeviceKovoClient* client);
ServiceHandle<ServiceMonitorSetup> CreateMonitorSetupService(DeviceKovo& device, DeviceKovoClient* client);
ServiceHandle<ServiceOfflineMeas> CreateOfflineMeasService(DeviceKovo& device, const InstrumentInfo& instrument,
                                                           DeviceKovoClient* client);

// Runs one set-up service under a progress window until it ends.
class COSetupProgressClient : public COProgress {
 public:
  using COProgress::COProgress;
  void ServiceDone(Service* service) override;

 protected:
  // True when the service ended without failing (or being cancelled); a
  // cancel is not reported as a communication error.
  bool RunService(unsigned captionId, unsigned textId, ServiceHandle<Service> service);
};

// The sheet's sequence into the monitor ("Downloading").
class CODownloadSetupClient : public COSetupProgressClient {
 public:
  using COSetupProgressClient::COSetupProgressClient;
  bool Run();
};

// The monitor's recorded set-up into the device's set-up ("Uploading").
class COUploadSetupClient : public COSetupProgressClient {
 public:
  COUploadSetupClient(DeviceKovo* device, const InstrumentInfo& instrument, bool quiet)
      : COSetupProgressClient(device, quiet), m_instrument(instrument) {}
  bool Run();

 private:
  const InstrumentInfo& m_instrument;
};
