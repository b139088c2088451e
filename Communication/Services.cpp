#include "Services.h"

#include "CommKovo.h"
#include "DeviceKovo.h"

void ServiceGetID::AddCommands() {
  MonitorSetup& setup = GetDevice()->Setup();
  Builder().Add(&CommKovo::getIdentity, setup.m_model, setup.m_serial, setup.m_version).AddMessageCheck();
}

void ServiceCheckConfig::AddCommands() { Builder().AddMessageCheck(); }

void ServiceSetAlarm::AddCommands() {
  Builder().Add(m_on ? &CommKovo::alarmStart : &CommKovo::alarmStop).AddMessageCheck();
}

void ServiceSetRelay::AddCommands() {
  Builder().Add(&CommKovo::setRelays, true).Add(&CommKovo::setRelay, m_relay, m_on == 1).AddMessageCheck();
}

void ServiceUploadAll::AddCommands() {
  CmdBuilder& b = Builder();
  AddFilterNumberReads(b);
  for (int f = FilterPos::A; f <= FilterPos::E; ++f)
    for (int n = 0; n < 5; ++n) AddBankReads(b, FilterPos(f), BankNo(n));
  AddWaterReads(b);
  AddSetupValueReads(b);
}

void ServiceUploadAll::AddFilterNumberReads(CmdBuilder& b) {
  DeviceKovo* device = b.Device();
  MonitorSetup& setup = device->Setup();
  for (int f = FilterPos::A; f <= FilterPos::E; ++f) {
    b.Add(&CommKovo::getUANumber, FilterPos(f), setup.GetFilter(f).m_number);
    b.AddStep(device, &DeviceKovo::LookupFilter, FilterPos(f));
  }
  b.AddMessageCheck();
}

void ServiceUploadAll::AddBankReads(CmdBuilder& b, FilterPos filter, BankNo bank) {
  CommKovo& comm = *b.Comm();
  const int f = filter;
  BankInfo& k = b.Device()->Setup().GetFilter(f).GetBank(bank);
  b.Add(&CommKovo::getOffsetFactor, filter, bank, k.m_concOffset);
  b.Add(&CommKovo::getOffsetDate, filter, bank, k.m_zeroDate);
  b.Add(&CommKovo::getHumFactor, filter, bank, k.m_humiGain);
  b.Add(&CommKovo::getHumDate, filter, bank, k.m_humiDate);
  // The record keeps the flag in a byte.
  b.AddCall([&comm, filter, bank, &k] {
    bool twoPoint = false;
    comm.getConcType(filter, bank, twoPoint);
    k.SetTwoPoint(twoPoint);
  });
  b.Add(&CommKovo::getConcFactor1, filter, bank, k.m_spanLow);
  b.Add(&CommKovo::getConcFactor2, filter, bank, k.m_spanHigh);
  b.Add(&CommKovo::getConcLow, filter, bank, k.m_concLow);
  b.Add(&CommKovo::getConcHigh, filter, bank, k.m_concHigh);
  b.Add(&CommKovo::getCalibParmText, filter, bank, k.m_gasName);
  b.Add(&CommKovo::getCalibParmValue, filter, bank, k.m_mw);
  b.Add(&CommKovo::getConcDate, filter, bank, k.m_spanDate);
  for (int other = FilterPos::A; other <= FilterPos::E; ++other) {
    if (other != f) b.Add(&CommKovo::getCross, filter, bank, FilterPos(other), k.m_cross[other]);
  }
  b.Add(&CommKovo::getCrossDate, filter, bank, k.m_crosDate);
  b.AddMessageCheck();
}

void ServiceUploadAll::AddWaterReads(CmdBuilder& b) {
  WaterInfo& water = b.Device()->Setup().m_water;
  b.Add(&CommKovo::getWaterOffsetFactor, water.m_concOffset);
  b.Add(&CommKovo::getWaterOffsetDate, water.m_zeroDate);
  b.Add(&CommKovo::getWaterConcFactor1, water.m_gain);
  b.Add(&CommKovo::getWaterConcDate, water.m_spanDate);
  b.AddMessageCheck();
}

void ServiceUploadAll::AddSetupValueReads(CmdBuilder& b) {
  MonitorData& data = b.Device()->Data();
  for (int item : {1, 4, 6, 10}) b.Add(&CommKovo::getFilterMeasValue, item, data.GetValue(item));
  b.AddMessageCheck();
}
