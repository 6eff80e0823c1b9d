#pragma once
// The runner's pauses without their real seconds: a pause lasts only until
// the thumbnail runs it waits for have ended, so what follows sees their
// files as it would after the full pause.
#include <vector>

#include "app/BatchDriver.h"

namespace tarnick::apptest {

class PauseSleeper : public ISleeper {
 public:
  explicit PauseSleeper(TBatchDriver& driver) : driver_(driver) { driver_.SetSleeper(this); }
  ~PauseSleeper() override { driver_.SetSleeper(nullptr); }
  PauseSleeper(const PauseSleeper&) = delete;
  PauseSleeper& operator=(const PauseSleeper&) = delete;

  void Sleep(int milliseconds) override {
    Pauses.push_back(milliseconds);
    if (ProcessLauncher* launcher = driver_.Launcher()) launcher->AwaitThumbnailRuns(milliseconds);
  }

  std::vector<int> Pauses;

 private:
  TBatchDriver& driver_;
};

}  // namespace tarnick::apptest
