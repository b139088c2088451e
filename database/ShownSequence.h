#pragma once
// The sequence the windows show: the run they follow, its active filters and
// what its channels are called. A measurement task's sequence, or the
// Calibration program's own; the program's context lends the one its windows
// read.
#include <string>

#include "core/Time.h"

class ShownSequence {
 public:
  virtual ~ShownSequence() = default;
  virtual platform::CTime GetStartTime() const = 0;
  virtual platform::CTime GetStopTime() const = 0;
  virtual int GetStopNum() const = 0;
  virtual bool IsFilterActive(int channel) const = 0;
  // A channel's name in the windows' legends, column heads and lists.
  virtual std::string ChannelName(int channel) const = 0;
};

// The names of channels named by their letters (0-4 the filters, 5 water
// vapour, 6 temperature, 7 pressure); empty for any other.
std::string LetterChannelName(int channel);
