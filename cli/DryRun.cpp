#include "cli/DryRun.h"

#include <QDir>

#include "cli/ConsoleProgress.h"
#include "engine/CommandLine.h"
#include "platform/EncoderLocator.h"
#include "platform/FileOps.h"
#include "platform/ProcessLauncher.h"

namespace tarnick {
namespace {

class PrintingLauncher : public IProcessLauncher {
 public:
  PrintingLauncher(std::ostream& out, DryRunStyle style, std::string encoder)
      : out_(out), style_(style), encoder_(std::move(encoder)) {}
  bool TerminateConversion() override { return false; }
  void StartThumbnailRun(const EncoderCommand& command) override { Print(command); }
  RunOutcome RunConversion(const EncoderCommand& command, IMessagePump&) override {
    Print(command);
    return RunOutcome{true, true, 0, {}};
  }
  std::string EncoderSearchText() const override { return std::string(); }
  void EndThumbnailRuns() override {}

 private:
  void Print(const EncoderCommand& command) {
    if (style_ == DryRunStyle::Described) {
      if (command.Kind == EncoderRunKind::Conversion) out_ << command.Text << '\n';
      return;
    }
    // The real run keeps the statistics in a private folder it makes then.
    const std::string passLog =
        command.Passes == 2
            ? QDir(QDir::tempPath()).filePath("tarnick-pass-XXXXXX/pass").toStdString()
            : std::string();
    std::vector<std::string> line{encoder_};
    for (auto& a : AdaptedRunArguments(command, encoder_, passLog)) line.push_back(std::move(a));
    out_ << ShellQuoted(line) << '\n';
  }

  std::ostream& out_;
  DryRunStyle style_;
  std::string encoder_;
};

class Idle : public IMessagePump, public ISleeper, public INotifier {
 public:
  void ProcessMessages() override {}
  void Sleep(int) override {}
  void Beep() override {}
  void ShowMessage(const std::string&) override {}
};

// Names each refused file and each thumbnail that would be left out.
class RefusalView : public SilentProgressView {
 public:
  RefusalView(const CliHost& host, std::ostream& err) : host_(host), err_(err) {}
  void PassRefused(PassRefusal why) override {
    refused_ = true;
    err_ << "tarnick-cli: " << host_.CurrentSource() << ": " << ConsoleProgress::RefusalText(why)
         << "\n";
  }
  void SideThumbnailSkipped(const std::string& path) override {
    err_ << "tarnick-cli: " << path << ": exists and is no earlier thumbnail (or is a source); "
         << "the thumbnail would not be written\n";
  }
  bool Refused() const { return refused_; }

 private:
  const CliHost& host_;
  std::ostream& err_;
  bool refused_ = false;
};

}  // namespace

bool PrintDryRun(CliHost& host, std::ostream& out, std::ostream& err, DryRunStyle style) {
  std::string encoder;
  if (style == DryRunStyle::Adapted) {
    const EncoderLocation found = LocateEncoder(host.EncoderFolder());
    encoder = found.Path;
    if (encoder.empty()) {
      err << "tarnick-cli: the encoder (ffmpeg) was not found: " << found.SearchText << "\n";
      encoder = std::string(EncoderProgramName(NativePathStyle));
    }
  }
  PrintingLauncher launcher(out, style, encoder);
  RefusalView progress(host, err);
  Idle idle;
  LookingFiles files;
  Button0Click(BatchContext{host, progress, launcher, idle, idle, idle, files, NativePathStyle});
  out.flush();
  err.flush();
  return !progress.Refused();
}

}  // namespace tarnick
