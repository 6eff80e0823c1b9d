#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/BatchReport.h"
#include "cli/CliHost.h"
#include "engine/BatchRunner.h"

namespace tarnick {

// The progress window on a console, for one runner of the batch: it tells
// the batch report what the runner does (the report draws the lines and
// keeps the record of every file), and keeps the cancel answer: once
// interrupted, every run is answered as cancelled.
class ConsoleProgress : public IProgressView {
 public:
  using Clock = BatchReport::Clock;

  // A view with a report of its own on `out`, for a batch of one runner.
  ConsoleProgress(std::ostream& out, bool terminal, const CliHost& host,
                  Clock clock = BatchReport::SteadySeconds);
  // One of several runners reporting to `report`.
  ConsoleProgress(BatchReport& report, const CliHost& host);

  void Create(IRunCanceller& canceller) override { canceller_ = &canceller; }
  void Show() override {}
  void Release() override { canceller_ = nullptr; }
  void SetProgressMax(int) override {}
  void SetProgressPosition(int position) override;
  void SetLabel1(const std::string& text) override;
  void ClearImage1() override {}
  // The console shows no picture; the preview is taken as shown.
  bool LoadImage1(const std::string&) override { return true; }
  void SetTimer1Enabled(bool) override {}
  void ResetCancelAnswer() override {}
  CancelAnswer GetCancelAnswer() const override {
    return interrupted_ ? CancelAnswer::Cancelled : CancelAnswer::None;
  }
  void PassRefused(PassRefusal why) override { refusal_ = why; }
  // Said on standard error; the file still converts.
  void SideThumbnailSkipped(const std::string& path) override;

  // The words for a refused pass.
  static std::string RefusalText(PassRefusal why);

  // A conversion run of the current pass.
  void RunStarted(std::optional<double> durationSeconds);
  void DurationFound(double seconds) { report_.DurationFound(position_, seconds); }
  void RunProgress(double encodedSeconds, std::optional<double> fps = std::nullopt);
  // `failure` empty when the pass succeeded.
  void RunEnded(bool cancelled, const std::string& failure, const std::string& logPath = "");
  // After the batch: closes the last pass.
  void Finish();

  // Ctrl-C: ends the run in progress through the cancel path; sticky.
  void Interrupt();
  bool Interrupted() const { return interrupted_; }

  std::vector<FileRecord> Records() const { return report_.Records(); }
  int Pass() const { return pass_; }
  int Position() const { return position_; }

  static std::string Duration(double seconds) { return BatchReport::Duration(seconds); }

 private:
  // A pass that got its label but no run was refused by the batch.
  void ClosePass();

  std::unique_ptr<BatchReport> own_;
  BatchReport& report_;
  const CliHost& host_;
  IRunCanceller* canceller_ = nullptr;
  bool interrupted_ = false;

  int position_ = -1;
  int pass_ = 0;
  std::optional<PassRefusal> refusal_;
  bool passOpen_ = false;
  bool runSeen_ = false;
};

}  // namespace tarnick
