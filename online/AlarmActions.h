#pragma once
// The Online program's alarm outputs, switched by the sequence's alarm check:
// the monitor's beeper and its two relays through one-shot device clients,
// and the observer that tells the main window when a new measurement found
// an alarm exceeded.
#include <functional>

#include "COGenSub.h"
#include "DataContext.h"

class COMeasObs;

// Each switch asks the device anew; switches are not merged.
class COMonBeep : public COAction {
 public:
  explicit COMonBeep(COMeasObs& obs) : m_obs(obs) {}
  void Execute(bool on) override;

 private:
  COMeasObs& m_obs;
};

class CORelayBeep : public COAction {
 public:
  CORelayBeep(COMeasObs& obs, int relay) : m_obs(obs), m_relay(relay) {}
  void Execute(bool on) override;

 private:
  COMeasObs& m_obs;
  int m_relay;
};

class CORel1Beep : public CORelayBeep {
 public:
  explicit CORel1Beep(COMeasObs& obs) : CORelayBeep(obs, 1) {}
};

class CORel2Beep : public CORelayBeep {
 public:
  explicit CORel2Beep(COMeasObs& obs) : CORelayBeep(obs, 2) {}
};

// Attached to the general subject for the whole run.
class COAlarmStatus : public CGenObserver {
 public:
  // exceeded runs on the user-interface thread for every stored measurement
  // that found at least one alarm exceeded at its check.
  COAlarmStatus(DataContext& context, std::function<void()> exceeded)
      : m_context(context), m_exceeded(std::move(exceeded)) {}
  void Update(const CGenEvent& event) override;

  bool m_alarmWindowOpen = false;

 private:
  DataContext& m_context;
  std::function<void()> m_exceeded;
};
