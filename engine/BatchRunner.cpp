#include "engine/BatchRunner.h"

#include <map>
#include <set>

#include "engine/Exception.h"

namespace tarnick {
namespace {

constexpr int ThumbnailWaitMs = 1000;

enum class PassEnd { Done, Cancelled, EncoderMissing };

// Windows paths name one file whatever their letter case.
std::string PathKey(PathStyle style, const std::string& path) {
  return style == PathStyle::Windows ? AsciiLower(path) : path;
}

// Gives each different source of the batch its own output name; the passes
// of one source share theirs. No output may replace another source of the
// list before it is converted; one that names its own source is kept as it
// is and refused later.
class OutputNames {
 public:
  explicit OutputNames(PathStyle style) : style_(style) {}

  void AddSource(const std::string& source) { sources_.insert(PathKey(style_, source)); }

  std::string For(const std::string& outputFolder, const std::string& source) {
    const std::string sourceKey = PathKey(style_, source);
    if (auto it = bySource_.find(sourceKey); it != bySource_.end()) return it->second;
    const std::string base = MakeOutputPath(style_, outputFolder, source);
    auto inUse = [&](const std::string& path) {
      const std::string key = PathKey(style_, path);
      return taken_.count(key) != 0 || (key != sourceKey && sources_.count(key) != 0);
    };
    std::string out = base;
    for (int n = 2; inUse(out); ++n) out = NumberedOutputPath(base, n);
    taken_.insert(PathKey(style_, out));
    bySource_.emplace(sourceKey, out);
    return out;
  }

 private:
  PathStyle style_;
  std::map<std::string, std::string> bySource_;
  std::set<std::string> taken_;
  std::set<std::string> sources_;
};

class Batch {
 public:
  explicit Batch(const BatchContext& c) : c_(c), names_(c.Style) {}

  BatchResult Run() {
    if (c_.Host.SourceCount() <= 0) return result_;
    try {
      c_.Progress.Create(c_.Launcher);
      c_.Progress.SetProgressMax(c_.Host.SourceCount());
      c_.Progress.SetProgressPosition(0);
      c_.Progress.Show();
      c_.Progress.SetTimer1Enabled(true);
      c_.Host.SetMainEnabled(false);

      settings_ = c_.Host.ReadConversionSettings();
      // A folder that cannot be made shows up as failed runs.
      c_.Files.ForceDirectories(settings_.OutputFolder);
      programFolder_ = c_.Host.ProgramFolder();
      for (int i = 0; i < c_.Host.SourceCount(); ++i) names_.AddSource(c_.Host.SourceAt(i));

      result_.End = RunPasses(settings_.Passes());
      if (result_.End == BatchEnd::EncoderMissing) {
        c_.Notifier.Beep();
        c_.Notifier.ShowMessage(
            FormatMessage(std::string(EncoderNotStartedPattern), c_.Launcher.EncoderSearchText()));
        Restore();
        return result_;
      }
      if (result_.AnyPassFailed) {
        c_.Notifier.Beep();
        c_.Notifier.ShowMessage(std::string(UnsupportedFilesMessage));
      }
      c_.Notifier.Beep();
      Restore();
    } catch (...) {
      result_.End = BatchEnd::Aborted;
      try {
        c_.Notifier.Beep();
        c_.Notifier.ShowMessage(std::string(UnknownErrorMessage));
      } catch (...) {
      }
      RestoreQuietly();
    }
    return result_;
  }

 private:
  BatchEnd RunPasses(int passes) {
    for (int i = 0; i < c_.Host.SourceCount(); ++i) {
      for (int p = 1; p <= passes; ++p) {
        switch (OnePass(i, passes, p)) {
          case PassEnd::EncoderMissing: return BatchEnd::EncoderMissing;
          case PassEnd::Cancelled: return BatchEnd::Cancelled;
          case PassEnd::Done: break;
        }
      }
    }
    return BatchEnd::Completed;
  }

  void Restore() {
    c_.Progress.SetTimer1Enabled(false);
    c_.Progress.Release();
    c_.Host.SetMainEnabled(true);
  }

  // After a failure the windows must come back even if one step fails again.
  void RestoreQuietly() {
    try { c_.Progress.SetTimer1Enabled(false); } catch (...) {}
    try { c_.Progress.Release(); } catch (...) {}
    try { c_.Host.SetMainEnabled(true); } catch (...) {}
  }

  PassEnd OnePass(int i, int passes, int p) {
    const std::string source = c_.Host.SourceAt(i);
    c_.Host.SetCurrentSource(source);
    const std::string output = names_.For(settings_.OutputFolder, source);
    c_.Host.SetCurrentOutput(output);
    c_.Host.SetQuotedOutput(Quoted(output));
    c_.Progress.SetProgressPosition(i);
    c_.Progress.SetLabel1(ExtractFileName(c_.Style, source) + " -> " +
                          ExtractFileName(c_.Style, output));
    const EncoderCommand command =
        MakeConversionCommand(c_.Style, settings_, source, output, passes, p);

    try {
      return ProtectedPass(source, output, command, passes, p);
    } catch (...) {
      result_.AnyPassFailed = true;
      return PassEnd::Done;
    }
  }

  PassEnd ProtectedPass(const std::string& source, const std::string& output,
                        const EncoderCommand& command, int passes, int p) {
    c_.Progress.ClearImage1();
    // A line that does not fit is refused, never cut; an output that would
    // overwrite its own source is refused.
    if (!command.FitsCommandBuffer() || PathKey(c_.Style, source) == PathKey(c_.Style, output) ||
        c_.Files.SameFile(source, output)) {
      result_.AnyPassFailed = true;
      return PassEnd::Done;
    }

    c_.Launcher.StartThumbnailRun(MakePreviewThumbnailArgs(c_.Style, source, programFolder_));
    c_.Sleeper.Sleep(ThumbnailWaitMs);
    const std::string preview = MakePreviewThumbnailPath(c_.Style, programFolder_);
    if (c_.Files.Exists(preview)) {
      ShowPreview(preview);
      c_.Files.Delete(preview);
    }

    c_.Progress.ResetCancelAnswer();
    if (settings_.SideThumbnail && (passes == 1 || p == 2)) {
      c_.Launcher.StartThumbnailRun(MakeSideThumbnailArgs(
          source, settings_.ThumbnailSecond, MakeSideThumbnailPath(c_.Style, output)));
      c_.Sleeper.Sleep(ThumbnailWaitMs);
    }

    const RunOutcome run = c_.Launcher.RunConversion(command, c_.Pump);
    if (!run.Started) return PassEnd::EncoderMissing;
    if (c_.Progress.GetCancelAnswer() == CancelAnswer::Cancelled) {
      c_.Files.Delete(output);
      return PassEnd::Cancelled;
    }
    ++result_.PassesRun;
    if (!run.NormalExit || run.ExitCode != 0 || !c_.Files.Exists(output))
      result_.AnyPassFailed = true;
    return PassEnd::Done;
  }

  // A preview that is no JPEG is dropped like a missing one; a leftover
  // broken file must not fail every later pass.
  void ShowPreview(const std::string& preview) {
    bool shown = false;
    try {
      shown = c_.Progress.LoadImage1(preview);
    } catch (...) {
    }
    if (!shown) c_.Progress.ClearImage1();
  }

  const BatchContext& c_;
  OutputNames names_;
  ConversionSettings settings_;
  std::string programFolder_;
  BatchResult result_;
};

}  // namespace

std::string NumberedOutputPath(std::string_view outputPath, int n) {
  std::string_view stem = outputPath;
  std::string_view ext;
  if (stem.size() >= OutputExtension.size() &&
      stem.substr(stem.size() - OutputExtension.size()) == OutputExtension) {
    ext = OutputExtension;
    stem.remove_suffix(ext.size());
  }
  std::string out(stem);
  out += " (" + std::to_string(n) + ")";
  out += ext;
  return out;
}

BatchResult Button0Click(const BatchContext& context) { return Batch(context).Run(); }

}  // namespace tarnick
