#include "toolkit/Timer.h"

#include <QTimer>

#include <algorithm>
#include <vector>

namespace tarnick {

namespace {
bool manualActive = false;
long long manualNow = 0;
std::vector<TTimer*>& Running() {
  static std::vector<TTimer*> timers;
  return timers;
}
void Forget(TTimer* t) {
  auto& v = Running();
  v.erase(std::remove(v.begin(), v.end(), t), v.end());
}
}  // namespace

TTimer::TTimer() = default;

TTimer::~TTimer() {
  Forget(this);
}

void TTimer::SetInterval(int ms) {
  if (ms == FInterval) return;
  FInterval = ms;
  if (FEnabled) Arm();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == FEnabled) return;
  FEnabled = enabled;
  if (FEnabled) {
    Arm();
  } else {
    Forget(this);
    if (FTimer) FTimer->stop();
  }
}

void TTimer::Arm() {
  if (ManualTimers::Active()) {
    FDue = manualNow + std::max(1, FInterval);
    Forget(this);
    Running().push_back(this);
    return;
  }
  if (!FTimer) {
    FTimer = std::make_unique<QTimer>();
    QObject::connect(FTimer.get(), &QTimer::timeout, [this] { Tick(); });
  }
  FTimer->start(std::max(0, FInterval));
}

void TTimer::Tick() {
  if (!FEnabled) return;
  if (OnTimer) OnTimer();
}

ManualTimers::ManualTimers() {
  manualActive = true;
  manualNow = 0;
}

ManualTimers::~ManualTimers() {
  manualActive = false;
  Running().clear();
}

bool ManualTimers::Active() {
  return manualActive;
}
long long ManualTimers::Now() {
  return manualNow;
}

void ManualTimers::Advance(int ms) {
  const long long until = manualNow + ms;
  for (;;) {
    TTimer* next = nullptr;
    for (TTimer* t : Running())
      if (t->FDue <= until && (!next || t->FDue < next->FDue)) next = t;
    if (!next) break;
    manualNow = next->FDue;
    next->FDue = manualNow + std::max(1, next->FInterval);
    next->Tick();
  }
  manualNow = until;
}

}  // namespace tarnick
