#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnick {

// A bad option or value: one line for standard error, exit code 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What the command line asks for. Unset values leave what the preset and the
// settings file gave; ranges are clamped later, by the controls' model.
struct CliOptions {
  std::optional<std::string> Preset;  // a position (1 = first line) or a name
  std::optional<std::string> SettingsFile;
  std::optional<std::string> ProfileFile;

  std::optional<int> SizeIndex;
  std::optional<int> CodecIndex;
  std::optional<int> FrameRate;
  std::optional<int> VideoKbps;
  std::optional<int> AudioKbps;
  std::optional<int> SampleRateIndex;
  std::optional<bool> TwoPass;
  std::optional<bool> SideThumbnail;
  std::optional<int> ThumbnailSecond;
  std::optional<std::string> OutputFolder;

  bool Psp = false;
  bool Quiet = false;         // -q: no progress and no summary; errors still shown
  bool Verbose = false;       // -v: each encoder line and the encoder log
  bool SkipExisting = false;  // an output newer than its source is left alone
  int Jobs = 1;               // files converted at once; 0: one per core
  bool Json = false;          // events as JSON lines on standard output
  bool DryRun = false;
  bool DryRunDescribed = false;  // --dry-run=described: the lines before adapting
  bool ListPresets = false;
  bool Help = false;
  bool Version = false;

  std::vector<std::string> Paths;
};

// Parses the arguments after the program name. Options and paths may mix;
// "--" ends the options; "--name=value" equals "--name value"; a later
// option overrides an earlier one; a short option takes its value attached
// ("-j2") or as the next argument. Raises UsageError naming the option.
CliOptions ParseOptions(const std::vector<std::string>& args);

// The text of -h/--help.
std::string UsageText();

}  // namespace tarnick
