#pragma once
// A data link on a pseudo-terminal with the simulated monitor at the other
// end, with every duration shortened so the tests run in milliseconds.
#include <gtest/gtest.h>

#include <memory>

#include "DataLinkRS232.h"
#include "SimulatedMonitor.h"
#include "serial/SerialPort.h"

class LinkFixture : public ::testing::Test {
 protected:
  static constexpr unsigned kTimeoutMs = 250;

  void SetUp() override { StartMonitor(kovo::sim::SimTimings()); }

  void TearDown() override {
    link.reset();
    monitor->Stop();
    platform::SetSerialPortPath(2, std::string());
  }

  void StartMonitor(const kovo::sim::SimTimings& timings, const std::string& linkPath = std::string()) {
    monitor = std::make_unique<kovo::sim::SimulatedMonitor>(timings);
    monitor->Start(linkPath);
    platform::SetSerialPortPath(2, monitor->SlavePath());
    link = MakeLink();
  }

  // As the programs set the link up: COM3 here, 9600 baud, 7E1.
  std::unique_ptr<DataLinkRS232> MakeLink() const {
    auto l = std::make_unique<DataLinkRS232>();
    LinkTimings t;
    t.probeReplyWaitMs = 20;
    t.probeSettleMs = 0;
    t.discardLimitMs = 200;
    t.readIntervalMs = 20;
    l->SetTimings(t);
    l->SetPort(2);
    l->SetBaudRate(9600);
    l->SetByteSize(7);
    l->SetParity(2);
    l->SetStopBits(1);
    l->SetTimeouts(kTimeoutMs, kTimeoutMs);
    return l;
  }

  // Whether the link's next open probes the monitor (only one that has not
  // probed yet does).
  void SetProbe(bool probe) {
    LinkOptions options = link->GetOptions();
    options.probe = probe;
    link->SetOptions(options);
  }

  // Opens without the probe.
  void OpenQuietly() {
    SetProbe(false);
    link->Open();
  }

  std::unique_ptr<kovo::sim::SimulatedMonitor> monitor;
  std::unique_ptr<DataLinkRS232> link;
};
