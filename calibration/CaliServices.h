#pragma once
// The Calibration program's services: the filter information, the upload
// and download of one bank or of all banks, the download of calculated
// values into a bank, and the calibration measurement; and the dialog
// clients that run the one-shot services. The device runs them; they work on
// its monitor set-up.
#include <bitset>
#include <cstdint>
#include <functional>

#include "COMeas.h"
#include "Calibrator.h"
#include "CommKovoCali.h"
#include "DeviceClients.h"
#include "DeviceKovo.h"
#include "MeasService.h"
#include "Service.h"
#include "Services.h"

class InstrumentInfo;

// The writes of one bank, group by group (offset, humidity, span, cross),
// from the set-up given, then the check for a monitor message. The water
// vapour filter (5) takes only the offset and span groups. written runs once
// every write of the bank has gone out.
void AddSetBank(CmdBuilder& b, CommKovoCali& commands, int concUnit, const MonitorSetup& from, FilterPos filter,
                BankNo bank, unsigned mask, std::function<void()> written = nullptr);

// Each filter's number looked up in the optical filter table, then the
// system gain factors.
class ServiceFilterInfo final : public ServiceCmdQueue {
 public:
  using ServiceCmdQueue::ServiceCmdQueue;
  void AddCommands() override;
};

// The reads of one bank, or of the water-vapour record for filter 5.
class ServiceUploadBank final : public ServiceCmdQueue {
 public:
  ServiceUploadBank(DeviceKovo* device, DeviceKovoClient* client, FilterPos filter, BankNo bank)
      : ServiceCmdQueue(device, client), m_filter(filter), m_bank(bank) {}
  void AddCommands() override;

 private:
  FilterPos m_filter;
  BankNo m_bank;
};

// The writes of one bank's selected groups.
class ServiceDownloadBank final : public ServiceCmdQueue {
 public:
  ServiceDownloadBank(DeviceKovo* device, DeviceKovoClient* client, const InstrumentInfo& instrument, int concUnit,
                      FilterPos filter, BankNo bank, unsigned mask)
      : ServiceCmdQueue(device, client),
        m_commands(device->Comm(), instrument),
        m_concUnit(concUnit),
        m_filter(filter),
        m_bank(bank),
        m_mask(mask) {}
  void AddCommands() override;

 private:
  CommKovoCali m_commands;
  int m_concUnit;
  FilterPos m_filter;
  BankNo m_bank;
  unsigned m_mask;
};

// Every bank of every gas filter, then the water-vapour record, all groups.
class ServiceDownloadAll final : public ServiceWithProgress {
 public:
  static constexpr int kBanks = 26;  // 5 x 5 and the water-vapour record

  ServiceDownloadAll(DeviceKovo* device, DeviceKovoClient* client, const InstrumentInfo& instrument, int concUnit)
      : ServiceWithProgress(device, client), m_commands(device->Comm(), instrument), m_concUnit(concUnit) {}
  void AddCommands() override;
  // Whether every write of bank b of filter f (5: the water record) went out.
  bool IsWritten(int filter, int bank) const;

 private:
  CommKovoCali m_commands;
  int m_concUnit;
  std::bitset<kBanks> m_written;  // worker thread while running
};

// The selected groups of the calculated values written into a bank of their
// filter; a group that holds no value is not. The device's set-up takes
// them once the monitor has confirmed them, not before.
class ServiceCalibrationDownload final : public ServiceCmdQueue {
 public:
  ServiceCalibrationDownload(DeviceKovo* device, DeviceKovoClient* client, const InstrumentInfo& instrument,
                             int concUnit, const CalculatedBank& values, BankNo bank, unsigned mask)
      : ServiceCmdQueue(device, client),
        m_commands(device->Comm(), instrument),
        m_concUnit(concUnit),
        m_values(values),
        m_filter(values.pos),
        m_bank(bank),
        m_mask(mask) {}
  void AddCommands() override;
  // The groups it writes.
  unsigned GetWrittenMask() const { return m_written; }

 private:
  CommKovoCali m_commands;
  int m_concUnit;
  CalculatedBank m_values;
  // The device's set-up with the values in the bank, as the writes send it.
  MonitorSetup m_target;
  FilterPos m_filter;
  BankNo m_bank;
  unsigned m_mask;
  unsigned m_written = 0;
};

// Downloads the set-up, starts the calibration measurement, reads a
// calibration reading whenever the monitor has one, and stops it.
class CalibrationService final : public MeasService<COMeas> {
 public:
  CalibrationService(DeviceKovo* device, DeviceKovoClient* client, const InstrumentInfo& instrument);
  ~CalibrationService() override { CalibrationService::Detach(); }
  void AddCommands() override;
  void AddCycleCommands() override;
  // Worker thread: one reading into the results while the monitor has one.
  void ReadCalibration();

 private:
  CommKovoCali m_commands;
  DeviceKovo* m_device;
};

ServiceHandle<ServiceFilterInfo> CreateFilterInfoService(DeviceKovo& device, DeviceKovoClient* client);
ServiceHandle<ServiceUploadBank> CreateUploadBankService(DeviceKovo& device, DeviceKovoClient* client,
                                                         FilterPos filter, BankNo bank);
ServiceHandle<ServiceUploadAll> CreateUploadAllService(DeviceKovo& device, DeviceKovoClient* client);
ServiceHandle<ServiceDownloadBank> CreateDownloadBankService(DeviceKovo& device, const InstrumentInfo& instrument,
                                                             int concUnit, DeviceKovoClient* client,
                                                             FilterPos filter, BankNo bank, unsigned mask);
ServiceHandle<ServiceDownloadAll> CreateDownloadAllService(DeviceKovo& device, const InstrumentInfo& instrument,
                                                           int concUnit, DeviceKovoClient* client);
ServiceHandle<ServiceCalibrationDownload> CreateCalibrationDownloadService(
    DeviceKovo& device, const InstrumentInfo& instrument, int concUnit, const CalculatedBank& values,
    DeviceKovoClient* client, BankNo bank, unsigned mask);
ServiceHandle<CalibrationService> CreateCalibrationService(DeviceKovo& device, const InstrumentInfo& instrument,
                                                           DeviceKovoClient* client);

// Runs a one-shot service with a line of text until it ends; true when it
// did not fail ("Communication error" otherwise).
class COCaliMessageClient : public COMessageDlg {
 public:
  COCaliMessageClient(DeviceKovo* device, bool quiet) : COMessageDlg(device, quiet) {}
  bool Run(unsigned textId, ServiceHandle<Service> service);
  // The held service until the next run.
  Service* GetService() const { return m_service.get(); }
};

// The same under a progress bar, whose Cancel ends the service: that is
// said with the text given, not as a communication error.
class COCaliProgressClient : public COProgress {
 public:
  COCaliProgressClient(DeviceKovo* device, bool quiet) : COProgress(device, quiet) {}
  bool Run(unsigned captionId, unsigned textId, ServiceHandle<Service> service, unsigned cancelledId);
  void ServiceDone(Service* service) override;
  Service* GetService() const { return m_service.get(); }
};
