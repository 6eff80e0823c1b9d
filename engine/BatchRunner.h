#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "engine/CommandLine.h"
#include "engine/ConversionSettings.h"
#include "engine/FileIdentity.h"
#include "engine/PathStyle.h"

namespace tarnick {

// Texts the batch shows.
inline constexpr std::string_view UnsupportedFilesMessage =
    "変換できない非対応ファイルが含まれていました。保存先に指定したフォルダで変換結果をご確認下さい"
    "。";
inline constexpr std::string_view UnknownErrorMessage =
    "原因が特定できないエラーが生じました。処理を中止します。";
inline constexpr std::string_view CancelFailedMessage = "変換を中止できませんでした。";
// "%s" is replaced by where the encoder was looked for.
inline constexpr std::string_view EncoderNotStartedPattern =
    "エンコーダ (ffmpeg) を起動できませんでした。処理を中止します。\n探した場所: %s";

// Which of the batch's messages is shown, so that a caller may treat one
// differently without comparing texts.
enum class BatchMessage { UnsupportedFiles, UnknownError, EncoderNotStarted };

// Why a pass was refused before any run.
enum class PassRefusal {
  LineTooLong,     // the conversion line would not fit the command buffer
  OutputIsSource,  // the output would replace the source itself
  NotRegularFile,  // the source is a pipe, device or socket
  NoSuchSource     // the source is gone
};

// Ends the conversion run in progress; the progress window's cancel button
// calls it.
class IRunCanceller {
 public:
  virtual ~IRunCanceller() = default;
  // True when this call ended the run; false when no run was going (it had
  // ended already) or it could not be ended.
  virtual bool TerminateConversion() = 0;
};

// What the cancel button made of the current run, read after the run ended.
enum class CancelAnswer {
  None,         // not pressed (or reset for this run)
  Cancelled,    // the run was terminated: remove its output, end the batch
  NotCancelled  // terminating failed (the run had ended): keep the output
};

// The progress window as the batch drives it. One is created per batch.
class IProgressView {
 public:
  virtual ~IProgressView() = default;
  // Creates the window (owned by the main window); the cancel button ends
  // runs through `canceller` until Release.
  virtual void Create(IRunCanceller& canceller) = 0;
  virtual void Show() = 0;
  // Destroys the window once the message being handled is done. Safe to
  // call when not created.
  virtual void Release() = 0;

  virtual void SetProgressMax(int max) = 0;
  virtual void SetProgressPosition(int position) = 0;
  // Label1's text; the window is repainted at once, since the batch blocks.
  virtual void SetLabel1(const std::string& text) = 0;
  virtual void ClearImage1() = 0;
  // Loads a JPEG file into Image1; false (Image1 left clear) when the file
  // is not a valid JPEG.
  virtual bool LoadImage1(const std::string& jpegPath) = 0;
  virtual void SetTimer1Enabled(bool on) = 0;

  // The cancel answer of the current run: reset before each run, read after.
  virtual void ResetCancelAnswer() = 0;
  virtual CancelAnswer GetCancelAnswer() const = 0;

  // The current pass was refused before any run (counted as failed). The
  // window shows nothing of it.
  virtual void PassRefused(PassRefusal) {}
  // The side thumbnail of the current file was not written: `path` is a
  // source of the batch or a file that is no earlier thumbnail.
  virtual void SideThumbnailSkipped(const std::string& /*path*/) {}
};

// The main window as the batch sees it.
class IBatchHost {
 public:
  virtual ~IBatchHost() = default;
  virtual void SetMainEnabled(bool enabled) = 0;
  // Where the preview thumbnail is written: the program folder when the
  // program is portable.
  virtual std::string ScratchFolder() const = 0;
  // Where the encoder is looked for before PATH (empty: PATH only). The
  // runner does not ask it; whoever makes the launcher does.
  virtual std::string EncoderFolder() const = 0;
  // The source list, read by position; its length is asked again before
  // every file.
  virtual int SourceCount() const = 0;
  virtual std::string SourceAt(int index) const = 0;
  virtual ConversionSettings ReadConversionSettings() const = 0;
  // Set for every pass, in this order; the progress window's size poll
  // reads the first two.
  virtual void SetCurrentSource(const std::string& path) = 0;
  virtual void SetCurrentOutput(const std::string& path) = 0;
  virtual void SetQuotedOutput(const std::string& text) = 0;
  // A batch whose output names were decided before it ran (the command
  // line's, which may share its files among runners): the output of source
  // `index`, or empty to name it here as the window's batch does.
  virtual std::string GivenOutput(int /*index*/) const { return std::string(); }
  // False leaves source `index` out of this run; asked once per source,
  // before its first pass.
  virtual bool TakeSource(int /*index*/) { return true; }
};

// Handles every window message that is waiting, then returns.
class IMessagePump {
 public:
  virtual ~IMessagePump() = default;
  virtual void ProcessMessages() = 0;
};

// A fixed wait during which no message is handled.
class ISleeper {
 public:
  virtual ~ISleeper() = default;
  virtual void Sleep(int milliseconds) = 0;
};

// Beep and message box (one OK button, the application title as caption).
class INotifier {
 public:
  virtual ~INotifier() = default;
  virtual void Beep() = 0;
  virtual void ShowMessage(const std::string& text) = 0;
  // The batch's own messages come here, with their identifier.
  virtual void ShowBatchMessage(BatchMessage, const std::string& text) { ShowMessage(text); }
};

class IFileOps : public IFileIdentity {
 public:
  virtual bool Exists(const std::string& path) const = 0;
  // The result is not needed; a file that cannot be deleted stays.
  virtual void Delete(const std::string& path) = 0;
  // Creates a folder with every missing parent. An empty name raises
  // Exception; false when it could not be created.
  virtual bool ForceDirectories(const std::string& path) = 0;
  // Size in bytes, also while another process writes the file, taken
  // without opening it; -1 when it is no regular file.
  virtual std::int64_t FileSize(const std::string& path) const = 0;
  // True when the file is a whole MP4: its top-level boxes, read by their
  // headers, end with the file and hold a "moov".
  virtual bool IsCompleteMp4(const std::string& path) const = 0;
  // True when the file is a JPEG of the side thumbnail's size (160x120),
  // as an earlier batch leaves it.
  virtual bool IsSideThumbnailImage(const std::string& path) const = 0;
};

// How a conversion run ended.
struct RunOutcome {
  RunOutcome() = default;
  RunOutcome(bool started, bool normalExit, int exitCode, std::string writeError = {})
      : Started(started),
        NormalExit(normalExit),
        ExitCode(exitCode),
        WriteError(std::move(writeError)) {}

  bool Started = false;     // false: the encoder could not be started
  bool NormalExit = false;  // false: it crashed or was terminated
  int ExitCode = -1;
  // The encoder's own words when its messages tell of a failed write (a
  // full disk); empty when they do not.
  std::string WriteError;
};

// Runs the encoder. The command's Arguments are what is run (the encoder
// program itself is found by the launcher).
class IProcessLauncher : public IRunCanceller {
 public:
  // A thumbnail run: started hidden, never waited for.
  virtual void StartThumbnailRun(const EncoderCommand& command) = 0;
  // A conversion run: started hidden and waited for in 60 ms slices, with
  // `pump.ProcessMessages()` between slices. TerminateConversion may be
  // called from inside the pump.
  virtual RunOutcome RunConversion(const EncoderCommand& command, IMessagePump& pump) = 0;
  // Where the encoder was looked for, for the message when it cannot start.
  virtual std::string EncoderSearchText() const = 0;
  // Ends the thumbnail runs still going and waits for them (after a cancel,
  // before what they wrote is removed).
  virtual void EndThumbnailRuns() = 0;
};

// Everything one batch talks to.
struct BatchContext {
  IBatchHost& Host;
  IProgressView& Progress;
  IProcessLauncher& Launcher;
  IMessagePump& Pump;
  ISleeper& Sleeper;
  INotifier& Notifier;
  IFileOps& Files;
  PathStyle Style = NativePathStyle;
};

// How a batch ended, for callers that report it themselves (the command
// line program) and for tests.
enum class BatchEnd {
  NothingToDo,     // empty source list
  Completed,       // every pass ran (some may have failed)
  Cancelled,       // a run was cancelled; the rest of the batch skipped
  EncoderMissing,  // the encoder could not be started
  Aborted          // a failure outside the passes
};

struct BatchResult {
  BatchEnd End = BatchEnd::NothingToDo;
  bool AnyPassFailed = false;  // the error flag
  int PassesRun = 0;           // conversion runs that ended by themselves
};

// The batch of the convert button (Button0Click): converts every file of the
// source list, pass by pass, and brings the windows back in every ending.
BatchResult Button0Click(const BatchContext& context);

// "name (n).mp4" for the n-th different source of a batch with one output
// name.
std::string NumberedOutputPath(std::string_view outputPath, int n);

}  // namespace tarnick
