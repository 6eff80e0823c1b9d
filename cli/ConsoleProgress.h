#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliHost.h"
#include "engine/BatchRunner.h"

namespace tarnick {

enum class FileStatus { Pending, Converted, Failed, Cancelled };

// What became of one file of the batch, for the summary.
struct FileRecord {
  std::string Source;
  std::string Output;
  FileStatus Status = FileStatus::Pending;
  int PassesRun = 0;
  std::string Reason;  // why it failed: the encoder's last error line, or the refusal
};

// The progress window on a console. On a terminal one line per file is
// redrawn in place with the pass, the percent of the source encoded and the
// time left; elsewhere one line is written per finished pass. It also keeps
// the record of every file for the summary, and the cancel answer: once
// interrupted, every run is answered as cancelled.
class ConsoleProgress : public IProgressView {
 public:
  using Clock = std::function<double()>;  // seconds, steady

  // Reads the pass's paths and the settings from `host`.
  ConsoleProgress(std::ostream& out, bool terminal, const CliHost& host,
                  Clock clock = SteadySeconds);

  void Create(IRunCanceller& canceller) override { canceller_ = &canceller; }
  void Show() override {}
  void Release() override { canceller_ = nullptr; }
  void SetProgressMax(int max) override;
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
  // Said on its own line; the file still converts.
  void SideThumbnailSkipped(const std::string& path) override;

  // The words for a refused pass.
  static std::string RefusalText(PassRefusal why);

  // A conversion run of the current pass.
  void RunStarted(std::optional<double> durationSeconds);
  void RunProgress(double encodedSeconds);
  // `failure` empty when the pass succeeded.
  void RunEnded(bool cancelled, const std::string& failure);
  // After the batch: closes the last pass.
  void Finish();

  // Ctrl-C: ends the run in progress through the cancel path; sticky.
  void Interrupt();
  bool Interrupted() const { return interrupted_; }

  const std::vector<FileRecord>& Records() const { return records_; }
  int Pass() const { return pass_; }
  int Position() const { return position_; }

  // "1:05", "0:07", "1:02:03".
  static std::string Duration(double seconds);
  static double SteadySeconds();

 private:
  std::string Prefix() const;
  void Draw(const std::string& state);
  // A pass that got its label but no run was refused by the batch.
  void ClosePass();
  FileRecord& Current() { return records_[static_cast<std::size_t>(position_)]; }

  std::ostream& out_;
  bool terminal_;
  const CliHost& host_;
  int passes_;
  Clock clock_;
  IRunCanceller* canceller_ = nullptr;
  bool interrupted_ = false;

  int files_ = 0;
  int position_ = -1;
  int pass_ = 0;
  std::string label_;
  std::vector<FileRecord> records_;

  std::optional<PassRefusal> refusal_;
  bool passOpen_ = false;
  bool runSeen_ = false;
  std::optional<double> duration_;
  double runStart_ = 0;
  double lastDraw_ = -1;
  bool lineOpen_ = false;
};

}  // namespace tarnick
