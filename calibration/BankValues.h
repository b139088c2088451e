#pragma once
// The calibration data of a filter bank as the monitor, the calibration and
// the bank copies move it: by parameter group. A gas bank is the monitor
// set-up's BankInfo, the water-vapour record its WaterInfo.
#include <cstdint>

#include "FilterData.h"

// The parameter groups of a bank, as a mask.
enum BankGroup : uint8_t {
  groupOffset = 1,
  groupHumidity = 2,
  groupSpan = 4,
  groupCross = 8,
  groupAll = 0x0F,
};

namespace GasBank {
// Copies the groups the mask selects; the others keep the target's values.
void copy(BankInfo& target, const BankInfo& source, unsigned mask);
// No gas ("_"), molecular weight 1.0, no values, no dates; the voltages stay.
void reset(BankInfo& bank);
// The groups that hold a value of a bank of the filter at the position: its
// offset factor, its humidity factor, its first concentration factor, and
// with that a cross factor on another filter (the cross factors are part of
// a span calibration).
unsigned heldGroups(const BankInfo& bank, int position);
}  // namespace GasBank

namespace WaterBank {
// Takes the offset (bit 1) and the span (bit 4) of a calculated water-vapour
// result. A date goes with its own valid flag: only a calculation marks it.
void copy(WaterInfo& target, const WaterInfo& result, unsigned mask);
// The offset and the span, where each holds a value.
unsigned heldGroups(const WaterInfo& water);
}  // namespace WaterBank
