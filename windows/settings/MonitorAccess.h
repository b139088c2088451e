#pragma once
// What the sequence settings pages ask of the monitor: the leak detector's
// current air pressure, and a fresh upload of the filters and banks.
#include <string>

class COAirPressure;
class COSequence;
class DataContext;

// The leak detector's air pressure and its unit, read while no measurement
// runs, one exchange at a time beside the worker. A monitor that is not
// connected is connected first; when the user cancels the port dialog
// nothing is read. False when nothing was read (another instrument type, no
// monitor, a measurement running, a communication error, which is shown).
bool ReadMonitorAirPressure(DataContext& context, COAirPressure& pressure);

// "Reload Filter Info": uploads all filter, bank and set-up information from
// the monitor, stores a successful upload as the monitor's set of current
// banks ([BankSet] and [Bank]) and puts the banks that the active sequence
// uses into the device's record of current banks; a filter without a bank
// (255) is left alone there. A database error is shown with its message.
// False when the upload failed or its banks could not be stored.
bool ReloadFilterInfo(DataContext& context);

// "Current banks (Serial: <serial>)"
std::string CurrentBanksDescription(const std::string& serial);
