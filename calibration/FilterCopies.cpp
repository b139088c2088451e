#include "FilterCopies.h"

#include "BankValues.h"
#include "COCaliMeasObs.h"
#include "COCaliSequence.h"
#include "CORecBank.h"
#include "CORecBankSet.h"
#include "COSystemSetup.h"
#include "CalibrationStrings.h"
#include "Calibrator.h"
#include "CommKovoCali.h"
#include "DBFiles.h"
#include "DBUtil.h"
#include "ListBox.h"
#include "ProgramContext.h"
#include "core/MessageSink.h"
#include "db/Database.h"
#include "core/StringTable.h"
#include "core/Text.h"

namespace {

bool Changed(const MonitorSetup& stored, const MonitorSetup& monitor, int f) {
  return stored.m_uaNumbers.Get(f) != monitor.m_uaNumbers.Get(f);
}

bool Asked(unsigned id) {
  return platform::MessageBox(platform::LoadString(id), platform::MB_YESNO | platform::MB_ICONQUESTION) ==
         platform::IDYES;
}

}  // namespace

bool SameFilters(const MonitorSetup& stored, const MonitorSetup& monitor) {
  for (int f = 0; f < 5; ++f)
    if (Changed(stored, monitor, f)) return false;
  return true;
}

void TakeBanks(MonitorSetup& target, const MonitorSetup& stored) {
  for (int f = 0; f < 5; ++f)
    for (int b = 0; b < 5; ++b) target.GetFilter(f).GetBank(b) = stored.GetFilter(f).GetBank(b);
  target.m_water = stored.m_water;
  target.m_uaNumbers = stored.m_uaNumbers;
}

COFilterCopies::COFilterCopies(ProgramContext& context, COCaliMeasObs& obs, COCaliSequence& sequence,
                               Calibrator& calibrator)
    : m_context(context), m_obs(obs), m_sequence(sequence), m_calibrator(calibrator) {}

std::string COFilterCopies::Serial() const { return m_obs.GetMonitorSetup().m_serial.ToString(); }

void COFilterCopies::ListCopies(IListBox& list, bool allBanks) {
  CORecBankSet sets(m_context);
  sets.FillList(list, allBanks ? kAllBanks : kSingleBank);
  sets.CloseWithDatabase();
}

std::string COFilterCopies::DefaultDescription(bool allBanks, int filter, int bank) const {
  const std::string date = platform::CTime::GetCurrentTime().Format("%d-%m-%y: ");
  if (allBanks) return date;
  if (filter == Calibrator::kWater) return date + " W: QF3318, 1: Water Vapour";
  return platform::Format("%s %c: %s, %d: %s", date.c_str(), 'A' + filter, m_sequence.GetFilterText(filter).c_str(),
                          bank + 1, m_sequence.GetBankGasName(filter, bank).c_str());
}

bool COFilterCopies::LoadCurrentSet(const std::string& serial, MonitorSetup& stored) {
  CORecBankSet sets(m_context);
  bool found = false;
  try {
    const int id = sets.FindSet(kCurrent, serial);
    found = id >= 0 && sets.LoadSet(id, stored);
  } catch (const platform::CException& e) {
    ReportException(IDS_DB_ERROR, e);
  }
  sets.CloseWithDatabase();
  return found;
}

bool COFilterCopies::StoreCurrentSet(const std::string& serial) {
  CORecBankSet sets(m_context);
  bool stored = false;
  try {
    sets.SetSetup(m_obs.GetMonitorSetup());
    const int id = sets.WriteSetRow(kCurrent, serial, "Current banks (Serial: " + serial + ")");
    if (id >= 0) {
      sets.SaveBanks(id);
      stored = true;
    }
  } catch (const platform::CException& e) {
    ReportException(IDS_DB_ERROR, e);
  }
  sets.CloseWithDatabase();
  return stored;
}

bool COFilterCopies::RewriteCurrentSet() {
  try {
    CORecBankSet sets(m_context);
    const int id = sets.FindSet(kCurrent, Serial());
    sets.CloseWithDatabase();
    if (id < 0) return true;
    // Every bank or none: a set half rewritten would match neither the
    // monitor nor what was stored before.
    const MonitorSetup& setup = m_obs.GetMonitorSetup();
    platform::CDatabase db;
    db.Open(dbfiles::ConnectString(dbfiles::kSystemName));
    db.BeginTrans();
    try {
      CORecBank rec;
      rec.m_pDatabase = &db;
      for (int f = 0; f < 5; ++f)
        for (int b = 0; b < 5; ++b) rec.SaveBank(id, f, b, setup.GetFilter(f).GetBank(b));
      rec.SaveWaterBank(id, setup.m_water);
      rec.Close();
      db.CommitTrans();
    } catch (const platform::CException&) {
      if (db.InTransaction()) db.Rollback();
      throw;
    }
  } catch (const platform::CException& e) {
    ReportException(IDS_DB_ERROR, e);
    return false;
  }
  return true;
}

int COFilterCopies::WriteCopyRow(int setType, const std::string& description) {
  CORecBankSet sets(m_context);
  int id = -1;
  try {
    const std::string serial = Serial();
    // The copy of this type replaces the one before it, banks and all.
    const int old = sets.FindSet(setType, serial);
    if (old >= 0) {
      CORecBank banks;
      banks.SetFilter(platform::Format("[ID] = %d", old));
      banks.DeleteRows();
      banks.CloseWithDatabase();
      sets.SetFilter(platform::Format("[ID] = %d", old));
      sets.DeleteRows();
      sets.ClearFilter();
    }
    sets.SetSetup(m_obs.GetMonitorSetup());
    id = sets.WriteSetRow(setType, serial, description);
  } catch (const platform::CException& e) {
    ReportException(IDS_DB_ERROR, e);
    id = -1;
  }
  sets.CloseWithDatabase();
  return id;
}

bool COFilterCopies::Upload(bool allBanks, int filter, int bank, const std::string& description) {
  DeviceKovo& device = m_obs.GetDevice();
  bool uploaded;
  if (allBanks) {
    uploaded = m_obs.UploadFilterInfo();
  } else {
    COCaliMessageClient client(&device, false);
    uploaded = client.Run(IDS_UPLOADING, CreateUploadBankService(device, &client, filter, bank));
    if (uploaded) device.Setup().TakeUANumbers();
  }
  // What a failed upload left in the device is no copy of the monitor.
  if (!uploaded) return false;
  if (!m_obs.RetrieveMonitorID()) {
    ShowMessage(IDS_NO_MONITOR_ID_FOR_UPLOAD);
    return false;
  }
  const int id = WriteCopyRow(allBanks ? kAllBanks : kSingleBank, description);
  if (id < 0) {
    ShowMessage(IDS_FILTER_COPY_FAILED);
    return false;
  }
  const MonitorSetup& setup = device.Setup();
  try {
    if (allBanks) {
      CORecBankSet sets(m_context);
      sets.SaveBanks(id, setup);
      sets.CloseWithDatabase();
    } else {
      CORecBank rec;
      if (filter >= Calibrator::kWater)
        rec.SaveWaterBank(id, setup.m_water);
      else
        rec.SaveBank(id, filter, bank, setup.GetFilter(filter).GetBank(bank));
      rec.CloseWithDatabase();
    }
  } catch (const platform::CException& e) {
    ReportException(IDS_DB_ERROR, e);
    return false;
  }
  RewriteCurrentSet();
  return true;
}

bool COFilterCopies::AcceptChangedFilters(const MonitorSetup& stored, bool blank, MonitorSetup& target) {
  const MonitorSetup& monitor = m_obs.GetMonitorSetup();
  if (SameFilters(stored, monitor)) return true;
  if (!Asked(IDS_CALI_ASK_BLANK_CHANGED)) return false;
  if (!blank) return true;
  for (int f = 0; f < 5; ++f) {
    if (!Changed(stored, monitor, f)) continue;
    for (int b = 0; b < 5; ++b) GasBank::reset(target.GetFilter(f).GetBank(b));
  }
  return true;
}

bool COFilterCopies::Download(int setId, bool allBanks, bool zeroPoint, bool humidity, bool gasSpan) {
  if (allBanks) return DownloadAll(setId);
  unsigned mask = 0;
  if (zeroPoint) mask |= groupOffset;
  if (humidity) mask |= groupHumidity;
  if (gasSpan) mask |= groupSpan | groupCross;
  return DownloadSingle(setId, mask);
}

bool COFilterCopies::DownloadAll(int setId) {
  MonitorSetup stored;
  CORecBankSet sets(m_context);
  bool loaded = false;
  try {
    loaded = sets.LoadSet(setId, stored);
  } catch (const platform::CException& e) {
    ReportException(IDS_DB_ERROR, e);
  }
  sets.CloseWithDatabase();
  if (!loaded) return false;

  DeviceKovo& device = m_obs.GetDevice();
  const MonitorSetup before = device.GetSetup();
  MonitorSetup setup = before;
  MonitorSetup copy = stored;
  if (!AcceptChangedFilters(stored, true, copy)) return false;
  for (int f = 0; f < 5; ++f)
    for (int b = 0; b < 5; ++b) {
      if (!IsValidGasName(copy.GetFilter(f).GetBank(b).GetGasName().ToString())) {
        ShowMessage(IDS_CALI_BAD_GAS_NAME);
        return false;
      }
      setup.GetFilter(f).GetBank(b) = copy.GetFilter(f).GetBank(b);
    }
  setup.m_water = copy.m_water;
  device.SetSetup(setup);

  COCaliProgressClient client(&device, false);
  const int concUnit = m_context.Setup().GetGasConcUnit().GetUnit();
  auto service = CreateDownloadAllService(device, m_context.Instrument(), concUnit, &client);
  ServiceDownloadAll* download = service.get();
  client.m_caption = platform::LoadString(IDS_CALI_DOWNLOADING);
  const bool ok = client.Run(IDS_CALI_DOWNLOADING, IDS_CALI_DOWNLOADING_FILTER_INFO, std::move(service),
                             IDS_CALI_DOWNLOAD_CANCELLED);
  if (!ok) {
    // The banks the monitor did not get stay as the device knew them.
    MonitorSetup now = device.GetSetup();
    for (int f = 0; f < 5; ++f)
      for (int b = 0; b < 5; ++b)
        if (!download->IsWritten(f, b)) now.GetFilter(f).GetBank(b) = before.GetFilter(f).GetBank(b);
    if (!download->IsWritten(Calibrator::kWater, 0)) now.m_water = before.m_water;
    device.SetSetup(now);
  }
  RewriteCurrentSet();
  if (ok) ShowFinished("all banks");
  return ok;
}

void COFilterCopies::ShowFinished(const std::string& banks) {
  ShowMessageText(platform::Format(platform::LoadString(IDS_CALI_DOWNLOAD_DONE).c_str(), banks.c_str()));
}

bool COFilterCopies::DownloadSingle(int setId, unsigned mask) {
  int filter = -1, bank = -1;
  BankInfo stored;
  WaterInfo storedWater;
  MonitorSetup storedSet;
  try {
    CORecBank rec;
    rec.SetFilter(platform::Format("[ID] = %d", setId));
    rec.OpenOrRequery();
    rec.ClearFilter();
    if (rec.IsOpen() && !rec.IsEOF()) {
      filter = rec.m_Filter;
      bank = rec.m_Bank;
      const bool found = filter >= Calibrator::kWater ? rec.LoadWaterBank(setId, storedWater)
                                                      : rec.LoadBank(setId, filter, bank, stored);
      if (!found) filter = -1;
    }
    rec.CloseWithDatabase();
    CORecBankSet sets(m_context);
    sets.LoadSet(setId, storedSet);
    sets.CloseWithDatabase();
  } catch (const platform::CException& e) {
    ReportException(IDS_DB_ERROR, e);
    return false;
  }
  if (filter < 0 || filter > Calibrator::kWater || bank < 0 || bank > 4) return false;

  DeviceKovo& device = m_obs.GetDevice();
  MonitorSetup setup = device.GetSetup();
  if (filter < Calibrator::kWater) {
    if (Changed(storedSet, setup, filter)) {
      ShowMessage(IDS_CALI_SINGLE_FILTER_CHANGED);
      return false;
    }
    // Only the chosen bank is written: no other bank is blanked.
    if (!AcceptChangedFilters(storedSet, false, setup)) return false;
    if (mask == 0) {
      ShowMessage(IDS_CALI_NOTHING_TO_DOWNLOAD);
      return false;
    }
    if ((mask & groupSpan) && !IsValidGasName(stored.GetGasName().ToString())) {
      ShowMessage(IDS_CALI_BAD_GAS_NAME);
      return false;
    }
    GasBank::copy(setup.GetFilter(filter).GetBank(bank), stored, mask);
  } else {
    mask &= groupOffset | groupSpan;
    if (mask == 0) {
      ShowMessage(IDS_CALI_NOTHING_TO_DOWNLOAD);
      return false;
    }
    bank = 0;
    WaterBank::copy(setup.m_water, storedWater, mask);
  }
  const MonitorSetup before = device.GetSetup();
  device.SetSetup(setup);

  COCaliMessageClient client(&device, false);
  const int concUnit = m_context.Setup().GetGasConcUnit().GetUnit();
  const bool ok = client.Run(IDS_CALI_DOWNLOADING, CreateDownloadBankService(device, m_context.Instrument(), concUnit,
                                                                             &client, filter, bank, mask));
  if (!ok) {
    // The monitor may not have the bank: the device keeps what it knew.
    MonitorSetup now = device.GetSetup();
    if (filter < Calibrator::kWater)
      now.GetFilter(filter).GetBank(bank) = before.GetFilter(filter).GetBank(bank);
    else
      now.m_water = before.m_water;
    device.SetSetup(now);
  }
  RewriteCurrentSet();
  if (ok && filter < Calibrator::kWater && m_sequence.GetActiveBank(filter) == bank) {
    m_calibrator.GetBank(filter) = device.Setup().GetFilter(filter).GetBank(bank);
    m_calibrator.ForgetCalculated(filter);
  }
  if (ok) ShowFinished(filter < Calibrator::kWater ? platform::Format("%c%d", 'A' + filter, bank + 1) : "W");
  return ok;
}
