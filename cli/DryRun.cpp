#include "cli/DryRun.h"

#include <filesystem>

namespace tarnick {
namespace {

class PrintingLauncher : public IProcessLauncher {
 public:
  explicit PrintingLauncher(std::ostream& out) : out_(out) {}
  bool TerminateConversion() override { return false; }
  void StartThumbnailRun(const EncoderCommand&) override {}
  RunOutcome RunConversion(const EncoderCommand& command, IMessagePump&) override {
    out_ << command.Text << '\n';
    return RunOutcome{true, true, 0};
  }
  std::string EncoderSearchText() const override { return std::string(); }

 private:
  std::ostream& out_;
};

class Idle : public IMessagePump, public ISleeper, public INotifier {
 public:
  void ProcessMessages() override {}
  void Sleep(int) override {}
  void Beep() override {}
  void ShowMessage(const std::string&) override {}
};

// Looks, never touches.
class LookingFiles : public IFileOps {
 public:
  bool Exists(const std::string&) const override { return false; }
  void Delete(const std::string&) override {}
  bool ForceDirectories(const std::string&) override { return true; }
  std::int64_t FileSize(const std::string&) const override { return -1; }
  bool SameFile(const std::string& a, const std::string& b) const override {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
  }
};

}  // namespace

void PrintDryRun(CliHost& host, std::ostream& out) {
  PrintingLauncher launcher(out);
  SilentProgressView progress;
  Idle idle;
  LookingFiles files;
  Button0Click(BatchContext{host, progress, launcher, idle, idle, idle, files, NativePathStyle});
  out.flush();
}

}  // namespace tarnick
