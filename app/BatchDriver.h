#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QPointer>
#include <QWidget>

#include "app/Progresswindow1.h"
#include "engine/BatchRunner.h"
#include "platform/FileOps.h"
#include "platform/ProcessLauncher.h"

namespace tarnick {

// Beep and message box through the toolkit; a box shown while the
// progress window is up is shown above it.
class TToolkitNotifier : public INotifier {
 public:
  explicit TToolkitNotifier(const TProgressView* view = nullptr) : FView(view) {}
  void Beep() override;
  void ShowMessage(const std::string& text) override;

 private:
  const TProgressView* FView;
};

// Runs whole batches for a window: the batch runner with a progress window
// per batch as its view, the real encoder launcher, message pump, sleeper,
// dialogs and files. While a batch runs, IsRunning() is true; the window
// uses it to refuse being closed.
class TBatchDriver {
 public:
  TBatchDriver();
  ~TBatchDriver();
  TBatchDriver(const TBatchDriver&) = delete;
  TBatchDriver& operator=(const TBatchDriver&) = delete;

  // The batch of the start buttons. Whatever way it ends, the host comes
  // back enabled and the progress window is released. `view` replaces the
  // progress window (tests).
  BatchResult Run(IBatchHost& host, IProgressView* view = nullptr);
  bool IsRunning() const { return FRunning; }

  // Ends the batch in progress: its running conversion (or, between runs,
  // the next one as soon as it starts) is terminated and its partial output
  // removed, and no further run starts. Returns at once; Run returns soon
  // after. For a program asked to quit.
  void Abort();
  bool IsAborting() const { return FAborting; }

  // A termination request from outside (SIGTERM, SIGHUP, SIGINT) closes
  // `window` as its close button would, once any batch has been aborted,
  // and ends the program even when the window would stay.
  void QuitOnTerminationSignals(QWidget& window);
  void QuitNow();

  TProgressView& View() { return *FView; }
  // Replaces the real pauses between runs (tests); null restores them.
  void SetSleeper(ISleeper* sleeper) { FSleeper = sleeper ? sleeper : &FThreadSleeper; }
  // The launcher of the batch in progress (null between batches).
  ProcessLauncher* Launcher() const { return FLauncher.get(); }
  // Called after each batch with its result.
  std::function<void(const BatchResult&)> OnBatchEnded;

 private:
  class Paths;
  class Pump;
  void StopRun();
  std::unique_ptr<Paths> FPaths;
  FileOps FFiles;
  std::unique_ptr<TProgressView> FView;
  std::unique_ptr<ProcessLauncher> FLauncher;
  QtMessagePump FPump;
  ThreadSleeper FThreadSleeper;
  ISleeper* FSleeper = &FThreadSleeper;
  std::unique_ptr<TToolkitNotifier> FNotifier;
  std::unique_ptr<Pump> FAbortPump;
  bool FRunning = false;
  bool FAborting = false;
  bool FQuitAfterBatch = false;
  bool FQuitHandled = false;
  IProgressView* FActiveView = nullptr;
  QPointer<QWidget> FQuitWindow;
};

}  // namespace tarnick
