#include "CaliServices.h"

#include "BankValues.h"
#include "Calibrator.h"
#include "CommKovo.h"
#include "CommKovoHelper.h"
#include "Exceptions.h"
#include "MonitorService.h"
#include "Services.h"
#include "core/MessageSink.h"
#include "core/StringTable.h"

void AddSetBank(CmdBuilder& b, CommKovoCali& c, int concUnit, const MonitorSetup& from, FilterPos f, BankNo bank,
                unsigned mask, std::function<void()> written) {
  using K = CommKovoCali;
  if (f == FilterPos::W) {
    const WaterInfo& w = from.m_water;
    if (mask & groupOffset) {
      b.AddStep(&c, &K::setWaterOffsetFactor, w.m_concOffset);
      b.AddStep(&c, &K::setWaterOffsetDate, w.m_zeroDate);
    }
    if (mask & groupSpan) {
      b.AddStep(&c, &K::setWaterConcFactor1, w.m_gain);
      b.AddStep(&c, &K::setWaterConcDate, w.m_spanDate);
    }
  } else {
    const BankInfo& k = from.GetFilter(f).GetBank(bank);
    if (mask & groupOffset) {
      b.AddStep(&c, &K::setOffsetFactor, f, bank, k.m_concOffset);
      b.AddStep(&c, &K::setOffsetDate, f, bank, k.m_zeroDate);
      b.AddStep(&c, &K::setOffsetVoltage, f, bank, k.m_offsetVoltage);
    }
    if (mask & groupHumidity) {
      b.AddStep(&c, &K::setHumFactor, f, bank, k.m_humiGain);
      b.AddStep(&c, &K::setHumDate, f, bank, k.m_humiDate);
      b.AddStep(&c, &K::setHumVoltage, f, bank, k.m_humiVoltage);
    }
    if (mask & groupSpan) {
      b.AddStep(&c, &K::setConcType, f, bank, k.IsTwoPoint());
      b.AddStep(&c, &K::setConcFactor1, f, bank, k.m_spanLow);
      b.AddStep(&c, &K::setConcFactor2, f, bank, k.m_spanHigh);
      b.AddStep(&c, &K::setGasName, f, bank, k.m_gasName);
      b.AddStep(&c, &K::setConcLow, f, bank, k.m_concLow);
      b.AddStep(&c, &K::setConcHigh, f, bank, k.m_concHigh);
      b.AddStep(&c, &K::setConcLowUnit, f, bank, concUnit);
      b.AddStep(&c, &K::setConcHighUnit, f, bank, concUnit);
      b.AddStep(&c, &K::setConcVoltLow, f, bank, k.m_voltLow);
      b.AddStep(&c, &K::setConcVoltHigh, f, bank, k.m_voltHigh);
      b.AddStep(&c, &K::setMW, f, bank, k.m_mw);
      b.AddStep(&c, &K::setConcDate, f, bank, k.m_spanDate);
    }
    if (mask & groupCross) {
      for (int other = FilterPos::A; other <= FilterPos::E; ++other) {
        if (other != f) b.AddStep(&c, &K::setCross, f, bank, FilterPos(other), k.m_cross[other]);
      }
      b.AddStep(&c, &K::setCrossDate, f, bank, k.m_crosDate);
    }
  }
  if (written) b.AddCall(std::move(written));
  b.AddMessageCheck();
}

void ServiceFilterInfo::AddCommands() {
  ServiceUploadAll::AddFilterNumberReads(Builder());
  ServiceUploadAll::AddSetupValueReads(Builder());
}

void ServiceUploadBank::AddCommands() {
  CmdBuilder& b = Builder();
  if (m_filter == FilterPos::W) {
    ServiceUploadAll::AddWaterReads(b);
  } else if (m_filter.IsValid() && m_bank >= 0 && m_bank <= 4) {
    ServiceUploadAll::AddBankReads(b, m_filter, m_bank);
  } else {
    // The monitor numbers its banks 1 to 5: any other has no reply to read.
    b.AddCall([] { throw CommException(CommException::read); });
  }
}

void ServiceDownloadBank::AddCommands() {
  AddSetBank(Builder(), m_commands, m_concUnit, m_device->Setup(), m_filter, m_bank, m_mask);
}

void ServiceDownloadAll::AddCommands() {
  m_written.reset();
  for (int f = FilterPos::A; f <= FilterPos::W; ++f) {
    const int banks = f == FilterPos::W ? 1 : 5;
    for (int n = 0; n < banks; ++n) {
      const size_t index = static_cast<size_t>(f * 5 + n);
      AddSetBank(Builder(), m_commands, m_concUnit, m_device->Setup(), FilterPos(f), BankNo(n), groupAll,
                 [this, index] { m_written.set(index); });
    }
  }
}

bool ServiceDownloadAll::IsWritten(int filter, int bank) const {
  if (filter < 0 || filter > FilterPos::W || bank < 0 || bank > 4) return false;
  std::lock_guard<std::recursive_mutex> lock(m_lock);
  return m_written.test(static_cast<size_t>(filter == FilterPos::W ? kBanks - 1 : filter * 5 + bank));
}

void ServiceCalibrationDownload::AddCommands() {
  // A group without a value would write the monitor's "no value" over the
  // bank's own.
  m_written = m_mask & m_values.held;
  m_target = m_device->GetSetup();
  if (m_filter == FilterPos::W) {
    WaterBank::copy(m_target.m_water, m_values.water, m_written);
  } else if (m_filter.IsValid() && m_bank >= 0 && m_bank <= 4) {
    GasBank::copy(m_target.GetFilter(m_filter).GetBank(m_bank), m_values.gas, m_written);
  } else {
    m_written = 0;
  }
  CmdBuilder& b = Builder();
  AddSetBank(b, m_commands, m_concUnit, m_target, m_filter, m_bank, m_written);
  // After the monitor's message check: the device knows what the monitor holds.
  b.AddCall([this] {
    MonitorSetup& setup = m_device->Setup();
    if (m_written == 0) return;
    if (m_filter == FilterPos::W)
      setup.m_water = m_target.m_water;
    else
      setup.GetFilter(m_filter).GetBank(m_bank) = m_target.GetFilter(m_filter).GetBank(m_bank);
  });
}

// --- the calibration measurement ---

CalibrationService::CalibrationService(DeviceKovo* device, DeviceKovoClient* client, const InstrumentInfo& instrument)
    : MeasService<COMeas>(device, client, device->GetTimings().pollPeriodMs),
      m_commands(device->Comm(), instrument),
      m_device(device) {}

void CalibrationService::AddCommands() {
  const MonitorSetup& s = m_device->Setup();
  CmdBuilder& b = Builder();
  // A calibration measures the raw signals: no compensation, no average.
  MonitorSetup raw = s;
  raw.m_crossComp = 0;
  raw.m_waterComp = 0;
  MonitorService::AddSamplingSetup(b, raw);
  b.Add(&CommKovo::setDA, false);
  for (int f = FilterPos::A; f <= FilterPos::E; ++f) {
    const FilterInfo& filter = s.GetFilter(f);
    const bool used = filter.m_active != 0;
    b.Add(&CommKovo::setUseFilter, FilterPos(f), used);
    if (!used) continue;
    b.Add(&CommKovo::setActiveBank, FilterPos(f), BankNo(filter.m_activeBank));
    b.Add(&CommKovo::setSampleIntegrationTime, FilterPos(f), filter.m_integrationTime);
  }
  const bool waterUsed = s.m_waterActive != 0;
  b.Add(&CommKovo::setUseFilter, FilterPos(FilterPos::W), waterUsed);
  if (waterUsed) b.Add(&CommKovo::setSampleIntegrationTime, FilterPos(FilterPos::W), s.m_waterIntegrationTime);
  b.AddMessageCheck();

  b.Add(&CommKovo::sendAM);
  b.Add(&CommKovo::setServiceRequest, 1, 1);
  b.AddStep(&m_commands, &CommKovoCali::startCalibMeasurement);
  b.AddStep(b.Helper(), &CommKovoHelper::WaitForStatus, 9);
  b.AddMessageCheck().AddClearLog();
}

void CalibrationService::AddCycleCommands() {
  CmdBuilder& b = Builder();
  CommKovoHelper* helper = b.Helper();
  b.Add(&CommKovo::getServiceRequestMem, 1, helper->GetRequestFlags());
  b.AddStep(helper, &CommKovoHelper::RequestIfFlagged, 1);
  b.AddStep(this, &CalibrationService::ReadCalibration);
  b.AddClearLog();
}

void CalibrationService::ReadCalibration() {
  if ((m_device->Helper().GetRequestFlags() & 1) == 0) return;
  CommKovo& comm = m_device->Comm();
  bool message = false;
  comm.getAM(message);
  if (message) comm.sendAM();
  COMeas meas;
  m_commands.getCalibReading(meas);
  AddResult(meas);
}

// --- creation ---

ServiceHandle<ServiceFilterInfo> CreateFilterInfoService(DeviceKovo& device, DeviceKovoClient* client) {
  return ServiceHandle<ServiceFilterInfo>(new ServiceFilterInfo(&device, client));
}

ServiceHandle<ServiceUploadBank> CreateUploadBankService(DeviceKovo& device, DeviceKovoClient* client,
                                                         FilterPos filter, BankNo bank) {
  return ServiceHandle<ServiceUploadBank>(new ServiceUploadBank(&device, client, filter, bank));
}

ServiceHandle<ServiceUploadAll> CreateUploadAllService(DeviceKovo& device, DeviceKovoClient* client) {
  return device.NewUploadAllService(client);
}

ServiceHandle<ServiceDownloadBank> CreateDownloadBankService(DeviceKovo& device, const InstrumentInfo& instrument,
                                                             int concUnit, DeviceKovoClient* client,
                                                             FilterPos filter, BankNo bank, unsigned mask) {
  return ServiceHandle<ServiceDownloadBank>(
      new ServiceDownloadBank(&device, client, instrument, concUnit, filter, bank, mask));
}

ServiceHandle<ServiceDownloadAll> CreateDownloadAllService(DeviceKovo& device, const InstrumentInfo& instrument,
                                                           int concUnit, DeviceKovoClient* client) {
  return ServiceHandle<ServiceDownloadAll>(new ServiceDownloadAll(&device, client, instrument, concUnit));
}

ServiceHandle<ServiceCalibrationDownload> CreateCalibrationDownloadService(
    DeviceKovo& device, const InstrumentInfo& instrument, int concUnit, const CalculatedBank& values,
    DeviceKovoClient* client, BankNo bank, unsigned mask) {
  return ServiceHandle<ServiceCalibrationDownload>(
      new ServiceCalibrationDownload(&device, client, instrument, concUnit, values, bank, mask));
}

ServiceHandle<CalibrationService> CreateCalibrationService(DeviceKovo& device, const InstrumentInfo& instrument,
                                                           DeviceKovoClient* client) {
  return ServiceHandle<CalibrationService>(new CalibrationService(&device, client, instrument));
}

// --- clients ---

bool COCaliMessageClient::Run(unsigned textId, ServiceHandle<Service> service) {
  bool succeeded = false;  // every run asks the monitor again
  return RunOnce(succeeded, textId, std::move(service));
}

bool COCaliProgressClient::Run(unsigned captionId, unsigned textId, ServiceHandle<Service> service,
                               unsigned cancelledId) {
  if (!CanRunServices()) return false;
  m_caption = platform::LoadString(captionId);
  m_text = platform::LoadString(textId);
  StartService(std::move(service));
  DoModalFor(m_service.get());
  if (Succeeded()) return true;
  if (WasCancelled() && !m_quiet) platform::MessageBox(platform::LoadString(cancelledId), platform::MB_OK);
  return false;
}

void COCaliProgressClient::ServiceDone(Service* service) {
  // A cancel is the user's, no communication error.
  const bool quiet = m_quiet;
  if (WasCancelled()) m_quiet = true;
  const bool ended = OnServiceProgress(service);
  m_quiet = quiet;
  if (ended && IsWindow()) EndDialog(1);
}
