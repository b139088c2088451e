#pragma once
// The one-shot services of the programs and the upload of everything the
// monitor knows about its filters. Each runs its list once.
#include "CommTypes.h"
#include "Service.h"

class ServiceGetID final : public ServiceCmdQueue {
 public:
  using ServiceCmdQueue::ServiceCmdQueue;
  // "*IDN?" into the device's three identity buffers.
  void AddCommands() override;
};

// Only asks whether the monitor holds a message.
class ServiceCheckConfig final : public ServiceCmdQueue {
 public:
  using ServiceCmdQueue::ServiceCmdQueue;
  void AddCommands() override;
};

// The monitor's beeper on ("A_STA") or off ("A_STO").
class ServiceSetAlarm final : public ServiceCmdQueue {
 public:
  ServiceSetAlarm(DeviceKovo* device, DeviceKovoClient* client, bool on)
      : ServiceCmdQueue(device, client), m_on(on) {}
  void AddCommands() override;

 private:
  bool m_on;
};

// Relay 1 or 2 on or off; on only for a flag of exactly 1.
class ServiceSetRelay final : public ServiceCmdQueue {
 public:
  ServiceSetRelay(DeviceKovo* device, DeviceKovoClient* client, int relay, int on)
      : ServiceCmdQueue(device, client), m_relay(relay), m_on(on) {}
  void AddCommands() override;

 private:
  int m_relay;
  int m_on;
};

// Filter numbers, every bank of every filter, the water-vapour record and the
// set-up values, into the device's set-up and data block, with progress.
class ServiceUploadAll final : public ServiceWithProgress {
 public:
  using ServiceWithProgress::ServiceWithProgress;
  void AddCommands() override;

  // The parts of the list, which the Calibration program's uploads queue on
  // their own: each filter's number looked up in the optical filter table,
  // the reads of one bank of a gas filter, of the water-vapour record, and
  // the set-up values (the system gain factors among them). Each part ends
  // with the check for a monitor message.
  static void AddFilterNumberReads(CmdBuilder& b);
  static void AddBankReads(CmdBuilder& b, FilterPos filter, BankNo bank);
  static void AddWaterReads(CmdBuilder& b);
  static void AddSetupValueReads(CmdBuilder& b);
};
