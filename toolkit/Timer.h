#pragma once

#include <functional>
#include <memory>

class QTimer;

namespace tarnick {

// A repeating timer on the user-interface thread. Changing the interval of
// a running timer starts its period afresh, as the platform's timers do.
// While a ManualTimers lives, timers run on its virtual clock instead, so
// tests step time exactly.
class TTimer {
 public:
  TTimer();
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  int Interval() const { return FInterval; }
  bool Enabled() const { return FEnabled; }
  void SetInterval(int ms);
  void SetEnabled(bool enabled);
  void Start() { SetEnabled(true); }
  void Stop() { SetEnabled(false); }

  std::function<void()> OnTimer;

 private:
  friend class ManualTimers;
  void Arm();
  void Tick();
  int FInterval = 1000;
  bool FEnabled = false;
  long long FDue = 0;  // virtual time of the next tick
  std::unique_ptr<QTimer> FTimer;
};

// The virtual clock for timers (at most one at a time).
class ManualTimers {
 public:
  ManualTimers();
  ~ManualTimers();
  ManualTimers(const ManualTimers&) = delete;
  ManualTimers& operator=(const ManualTimers&) = delete;

  // Moves the clock on, firing every tick that falls due, in time order.
  static void Advance(int ms);
  static long long Now();
  static bool Active();
};

}  // namespace tarnick
