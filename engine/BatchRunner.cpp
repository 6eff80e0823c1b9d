#include "engine/BatchRunner.h"

#include <unordered_map>
#include <unordered_set>

#include "engine/Exception.h"

namespace tarnick {
namespace {

constexpr int ThumbnailWaitMs = 1000;

enum class PassEnd { Done, Cancelled, EncoderMissing };

// Gives each different source of the batch its own output name; the passes
// of one source share theirs. "The same file" is the identity of
// `IFileIdentity`, never the text: no output may be a source of the list
// (an output that names its own source is kept as it is and refused later),
// nor a file given to an earlier source of the batch. The next number to
// try is kept per base name, so many equal names cost no more than one.
class OutputNames {
 public:
  explicit OutputNames(PathStyle style, const IFileIdentity& files)
      : style_(style), files_(files) {}

  void AddSource(const std::string& source) { sources_.insert(files_.Identify(source).Key()); }

  bool IsSource(const FileIdentity& id) const {
    return id.Exists() && sources_.count(id.Key()) != 0;
  }

  std::string For(const std::string& outputFolder, const std::string& source,
                  const FileIdentity& sourceId) {
    const std::string sourceKey = sourceId.Key();
    if (auto it = bySource_.find(sourceKey); it != bySource_.end()) return it->second;
    // The previous file's passes are over: what it wrote is now a file.
    if (!lastGiven_.empty()) {
      const FileIdentity written = files_.Identify(lastGiven_);
      if (written.Exists()) takenFiles_.insert(written.Key());
      lastGiven_.clear();
    }
    const std::string base = MakeOutputPath(style_, outputFolder, source);
    const FileIdentity baseId = files_.Identify(base);
    const std::string baseKey = baseId.NameKey();
    if (baseId.SameFileAs(sourceId)) return Give(sourceKey, base, baseKey);
    auto inUse = [&](const std::string& path) {
      const FileIdentity id = files_.Identify(path);
      if (taken_.count(id.NameKey()) != 0) return true;
      if (!id.Exists()) return false;
      const std::string key = id.Key();
      return takenFiles_.count(key) != 0 || (key != sourceKey && sources_.count(key) != 0);
    };
    int& next = nextNumber_[baseKey];
    std::string out = next == 0 ? base : NumberedOutputPath(base, next);
    while (inUse(out)) {
      next = next < 2 ? 2 : next + 1;
      out = NumberedOutputPath(base, next);
    }
    next = next < 2 ? 2 : next + 1;
    return Give(sourceKey, out, files_.Identify(out).NameKey());
  }

 private:
  std::string Give(const std::string& sourceKey, const std::string& out,
                   const std::string& nameKey) {
    taken_.insert(nameKey);
    bySource_.emplace(sourceKey, out);
    lastGiven_ = out;
    return out;
  }

  PathStyle style_;
  const IFileIdentity& files_;
  std::unordered_map<std::string, std::string> bySource_;
  std::unordered_set<std::string> taken_;       // names given
  std::unordered_set<std::string> takenFiles_;  // files written under them
  std::unordered_set<std::string> sources_;
  std::unordered_map<std::string, int> nextNumber_;  // 0: the base name is still to try
  std::string lastGiven_;
};

class Batch {
 public:
  explicit Batch(const BatchContext& c) : c_(c), names_(c.Style, c.Files) {}

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
      programFolder_ = c_.Host.ScratchFolder();
      for (int i = 0; i < c_.Host.SourceCount(); ++i) names_.AddSource(c_.Host.SourceAt(i));

      result_.End = RunPasses(settings_.Passes());
      if (result_.End == BatchEnd::EncoderMissing) {
        c_.Notifier.Beep();
        c_.Notifier.ShowBatchMessage(
            BatchMessage::EncoderNotStarted,
            FormatMessage(std::string(EncoderNotStartedPattern), c_.Launcher.EncoderSearchText()));
        Restore();
        return result_;
      }
      if (result_.AnyPassFailed) {
        c_.Notifier.Beep();
        c_.Notifier.ShowBatchMessage(BatchMessage::UnsupportedFiles,
                                     std::string(UnsupportedFilesMessage));
      }
      c_.Notifier.Beep();
      Restore();
    } catch (...) {
      result_.End = BatchEnd::Aborted;
      try {
        c_.Notifier.Beep();
        c_.Notifier.ShowBatchMessage(BatchMessage::UnknownError, std::string(UnknownErrorMessage));
      } catch (...) {
      }
      RestoreQuietly();
    }
    return result_;
  }

 private:
  BatchEnd RunPasses(int passes) {
    for (int i = 0; i < c_.Host.SourceCount(); ++i) {
      if (!c_.Host.TakeSource(i)) continue;
      for (int p = 1; p <= passes; ++p) {
        switch (OnePass(i, passes, p)) {
          case PassEnd::EncoderMissing:
            return BatchEnd::EncoderMissing;
          case PassEnd::Cancelled:
            return BatchEnd::Cancelled;
          case PassEnd::Done:
            break;
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
    try {
      c_.Progress.SetTimer1Enabled(false);
    } catch (...) {
    }
    try {
      c_.Progress.Release();
    } catch (...) {
    }
    try {
      c_.Host.SetMainEnabled(true);
    } catch (...) {
    }
  }

  PassEnd OnePass(int i, int passes, int p) {
    const std::string source = c_.Host.SourceAt(i);
    const FileIdentity sourceId = c_.Files.Identify(source);
    // A folder of the list (a subfolder's own entry) has nothing to convert.
    if (sourceId.Kind == FileKind::Folder) return PassEnd::Done;
    c_.Host.SetCurrentSource(source);
    std::string output = c_.Host.GivenOutput(i);
    if (output.empty()) output = names_.For(settings_.OutputFolder, source, sourceId);
    c_.Host.SetCurrentOutput(output);
    c_.Host.SetQuotedOutput(Quoted(output));
    c_.Progress.SetProgressPosition(i);
    c_.Progress.SetLabel1(ExtractFileName(c_.Style, source) + " -> " +
                          ExtractFileName(c_.Style, output));
    const EncoderCommand command =
        MakeConversionCommand(c_.Style, settings_, source, output, passes, p);

    try {
      return ProtectedPass(source, sourceId, output, command, passes, p);
    } catch (...) {
      result_.AnyPassFailed = true;
      return PassEnd::Done;
    }
  }

  void Refuse(PassRefusal why) {
    result_.AnyPassFailed = true;
    c_.Progress.PassRefused(why);
  }

  PassEnd ProtectedPass(const std::string& source, const FileIdentity& sourceId,
                        const std::string& output, const EncoderCommand& command, int passes,
                        int p) {
    c_.Progress.ClearImage1();
    // Only a regular file is given to the encoder: a pipe would hold every
    // run (and the program) until someone writes to it.
    if (sourceId.Kind != FileKind::Regular) {
      Refuse(sourceId.Kind == FileKind::Missing ? PassRefusal::NoSuchSource
                                                : PassRefusal::NotRegularFile);
      return PassEnd::Done;
    }
    // A line that does not fit is refused, never cut.
    if (!command.FitsCommandBuffer()) {
      Refuse(PassRefusal::LineTooLong);
      return PassEnd::Done;
    }
    if (c_.Files.Identify(output).SameFileAs(sourceId)) {
      Refuse(PassRefusal::OutputIsSource);
      return PassEnd::Done;
    }

    const std::string preview = MakePreviewThumbnailPath(c_.Style, programFolder_);
    // A source that happens to bear the preview's name is never written over.
    const bool previewFree = !names_.IsSource(c_.Files.Identify(preview));
    if (previewFree) {
      c_.Launcher.StartThumbnailRun(MakePreviewThumbnailArgs(c_.Style, source, programFolder_));
      c_.Sleeper.Sleep(ThumbnailWaitMs);
      if (c_.Files.Exists(preview)) {
        ShowPreview(preview);
        c_.Files.Delete(preview);
      }
    }

    c_.Progress.ResetCancelAnswer();
    std::string sideThumbnail;
    if (settings_.SideThumbnail && (passes == 1 || p == 2)) {
      sideThumbnail = MakeSideThumbnailPath(c_.Style, output);
      // Only a missing file or an earlier thumbnail of no source is replaced.
      const FileIdentity id = c_.Files.Identify(sideThumbnail);
      if (names_.IsSource(id) || (id.Exists() && (id.Kind != FileKind::Regular ||
                                                  !c_.Files.IsSideThumbnailImage(sideThumbnail)))) {
        c_.Progress.SideThumbnailSkipped(sideThumbnail);
        sideThumbnail.clear();
      } else {
        c_.Launcher.StartThumbnailRun(
            MakeSideThumbnailArgs(source, settings_.ThumbnailSecond, sideThumbnail));
        c_.Sleeper.Sleep(ThumbnailWaitMs);
      }
    }

    const RunOutcome run = c_.Launcher.RunConversion(command, c_.Pump);
    if (!run.Started) return PassEnd::EncoderMissing;
    if (c_.Progress.GetCancelAnswer() == CancelAnswer::Cancelled) {
      c_.Files.Delete(output);
      // What this file's thumbnail runs wrote goes with its output.
      c_.Launcher.EndThumbnailRuns();
      if (!sideThumbnail.empty()) c_.Files.Delete(sideThumbnail);
      if (previewFree) c_.Files.Delete(preview);
      return PassEnd::Cancelled;
    }
    ++result_.PassesRun;
    // A full disk lets ffmpeg end with 0 and a file without its index.
    if (!run.NormalExit || run.ExitCode != 0 || !run.WriteError.empty() ||
        !c_.Files.IsCompleteMp4(output))
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

BatchResult Button0Click(const BatchContext& context) {
  return Batch(context).Run();
}

}  // namespace tarnick
