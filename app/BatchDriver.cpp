#include "app/BatchDriver.h"

#include <QCoreApplication>
#include <QTimer>

#include "platform/QuitSignals.h"
#include "toolkit/Dialogs.h"

namespace tarnick {

void TToolkitNotifier::Beep() {
  MessageBeep(0);
}

void TToolkitNotifier::ShowMessage(const std::string& text) {
  QPointer<TProgressForm1> form = FView ? FView->Form() : nullptr;
  if (form) form->SetOnTop(false);
  tarnick::ShowMessage(text);
  if (form) form->SetOnTop(true);
}

// Stands between the runner and the window: passes every call on and keeps
// the paths of the pass in progress for the progress window's size poll.
class TBatchDriver::Paths : public IBatchHost, public IProgressSource {
 public:
  IBatchHost* Host = nullptr;
  std::string Source, Output;

  void SetMainEnabled(bool enabled) override { Host->SetMainEnabled(enabled); }
  std::string ScratchFolder() const override { return Host->ScratchFolder(); }
  std::string EncoderFolder() const override { return Host->EncoderFolder(); }
  int SourceCount() const override { return Host->SourceCount(); }
  std::string SourceAt(int index) const override { return Host->SourceAt(index); }
  ConversionSettings ReadConversionSettings() const override {
    return Host->ReadConversionSettings();
  }
  void SetCurrentSource(const std::string& path) override {
    Source = path;
    Host->SetCurrentSource(path);
  }
  void SetCurrentOutput(const std::string& path) override {
    Output = path;
    Host->SetCurrentOutput(path);
  }
  void SetQuotedOutput(const std::string& text) override { Host->SetQuotedOutput(text); }

  std::string CurrentSource() const override { return Source; }
  std::string CurrentOutput() const override { return Output; }
};

// The message pump of the waits; it also carries out an abort, at once or
// at the first slice of the next run when the abort came between runs.
class TBatchDriver::Pump : public IMessagePump {
 public:
  explicit Pump(TBatchDriver& driver) : FDriver(driver) {}
  void ProcessMessages() override {
    FDriver.FPump.ProcessMessages();
    if (FDriver.FAborting) FDriver.StopRun();
  }

 private:
  TBatchDriver& FDriver;
};

TBatchDriver::TBatchDriver()
    : FPaths(std::make_unique<Paths>()),
      FView(std::make_unique<TProgressView>(*FPaths, FFiles)),
      FNotifier(std::make_unique<TToolkitNotifier>(FView.get())),
      FAbortPump(std::make_unique<Pump>(*this)) {}

TBatchDriver::~TBatchDriver() {
  if (FQuitHandled) InstallQuitSignalHandler(nullptr);
  // Never leave an encoder behind.
  if (FLauncher) FLauncher->TerminateConversion();
}

void TBatchDriver::QuitOnTerminationSignals(QWidget& window) {
  FQuitWindow = &window;
  FQuitHandled = true;
  InstallQuitSignalHandler([this] {
    if (FRunning) {
      FQuitAfterBatch = true;
      Abort();
    } else {
      QuitNow();
    }
  });
}

void TBatchDriver::QuitNow() {
  FQuitAfterBatch = false;
  if (FQuitWindow) FQuitWindow->close();
  QCoreApplication::quit();
}

BatchResult TBatchDriver::Run(IBatchHost& host, IProgressView* view) {
  BatchResult result;
  if (FRunning) return result;  // one batch at a time
  FRunning = true;
  FAborting = false;
  FPaths->Host = &host;
  FActiveView = view ? view : FView.get();
  FLauncher = std::make_unique<ProcessLauncher>(host.EncoderFolder(), DefaultEncoderLogPath());
  try {
    BatchContext context{*FPaths,   *FActiveView, *FLauncher, *FAbortPump,
                         *FSleeper, *FNotifier,   FFiles,     NativePathStyle};
    result = Button0Click(context);
  } catch (...) {
    // The runner brings the windows back in every ending it knows; should
    // it ever fail to, this does.
    result.End = BatchEnd::Aborted;
    try {
      FActiveView->Release();
    } catch (...) {
    }
    host.SetMainEnabled(true);
  }
  FActiveView = nullptr;
  FLauncher.reset();
  FRunning = false;
  FAborting = false;
  if (OnBatchEnded) OnBatchEnded(result);
  if (FQuitAfterBatch) {
    // After the handler that ran the batch has returned.
    if (FQuitWindow)
      QTimer::singleShot(0, FQuitWindow.data(), [this] { QuitNow(); });
    else
      QuitNow();
  }
  return result;
}

void TBatchDriver::Abort() {
  if (!FRunning) return;
  FAborting = true;
  StopRun();
}

void TBatchDriver::StopRun() {
  if (!FLauncher || !FLauncher->TerminateConversion()) return;
  // As the cancel button does: the run's output goes, the batch ends.
  if (FActiveView == FView.get()) {
    if (TProgressForm1* form = FView->Form()) form->SetAnswer(CancelAnswer::Cancelled);
  }
}

}  // namespace tarnick
