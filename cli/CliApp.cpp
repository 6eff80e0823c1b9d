#include "cli/CliApp.h"

#include <algorithm>
#include <optional>
#include <thread>

#include "app/PspTransfer.h"
#include "cli/CliBatch.h"
#include "cli/CliControls.h"
#include "cli/CliHost.h"
#include "cli/CliSettings.h"
#include "cli/DryRun.h"
#include "cli/Intake.h"
#include "cli/Options.h"
#include "engine/Exception.h"
#include "engine/Preset.h"
#include "platform/DirectoryListing.h"
#include "platform/TextFile.h"
#include "platform/Volumes.h"

#ifndef TARNICK_VERSION
#define TARNICK_VERSION "unknown"
#endif

namespace tarnick {

std::string PresetListText(const std::vector<std::string>& lines) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    Preset preset = Preset::FromLine(lines[i]);
    text += std::to_string(i + 1);
    for (int c = 0; c < PresetColumnCount; ++c) text += '\t' + preset.Column(c);
    text += '\n';
  }
  return text;
}

namespace {

int Usage(const CliEnvironment& env, const std::string& message) {
  env.Err << "tarnick-cli: " << message << "\n";
  return ExitUsage;
}

// The quoted text of a number message ("'29.97' ..."), for an English one.
std::string QuotedPart(const std::string& message) {
  const auto a = message.find('\'');
  const auto b = a == std::string::npos ? a : message.find('\'', a + 1);
  return b == std::string::npos ? std::string() : message.substr(a, b - a + 1);
}

// A value the controls' ranges changed is said, as the window's slider
// would show it.
void WarnClamped(const CliEnvironment& env, const CliOptions& o, const ConversionSettings& s) {
  const struct {
    const char* Option;
    std::optional<int> Asked;
    int Used;
  } values[] = {{"--fps", o.FrameRate, s.FrameRate},
                {"--video-kbps", o.VideoKbps, s.VideoKbps},
                {"--audio-kbps", o.AudioKbps, s.AudioKbps},
                {"--thumbnail", o.ThumbnailSecond, s.ThumbnailSecond}};
  for (const auto& v : values)
    if (v.Asked && *v.Asked != v.Used)
      env.Err << "tarnick-cli: warning: " << v.Option << " " << *v.Asked << " is out of range; "
              << v.Used << " is used\n";
}

}  // namespace

int RunCli(const std::vector<std::string>& args, const CliEnvironment& env) {
  CliOptions options;
  try {
    options = ParseOptions(args);
  } catch (const UsageError& e) {
    return Usage(env, e.what());
  }
  if (options.Help) {
    env.Out << UsageText();
    return ExitConverted;
  }
  if (options.Version) {
    env.Out << "tarnick-cli " << TARNICK_VERSION << "\n";
    return ExitConverted;
  }

  const std::string profilePath =
      options.ProfileFile ? *options.ProfileFile : env.Places.ProfileFile;
  std::vector<std::string> presetLines;
  try {
    presetLines = ReadTextFileLines(profilePath);
  } catch (const Exception&) {
    return Usage(env, (options.ProfileFile ? "--profile: " : "") + profilePath +
                          ": cannot be opened or read");
  }
  if (options.ListPresets) {
    env.Out << PresetListText(presetLines);
    return ExitConverted;
  }
  if (options.Paths.empty()) return Usage(env, "no PATH given (see --help)");

  const std::string settingsPath =
      options.SettingsFile ? *options.SettingsFile : env.Places.SettingsFile;
  if (options.SettingsFile && !PathExists(settingsPath))
    return Usage(env, "--settings: " + settingsPath + ": no such file");

  CliControls controls(std::move(presetLines), env.Places.OutputFolder);
  try {
    LoadCliSettings(controls, options, [&] { return OpenSettingsForReading(settingsPath); });
  } catch (const UsageError& e) {
    return Usage(env, e.what());
  } catch (const EConvertError& e) {
    return Usage(env, "preset " + std::to_string(controls.PresetItemIndex()) + " of " +
                          profilePath + ": " + QuotedPart(e.Message()) + " is not an integer");
  } catch (const Exception&) {
    return Usage(env, settingsPath + ": the settings cannot be read");
  }
  WarnClamped(env, options, controls.Settings());

  if (options.Psp) {
    std::optional<std::string> video = FindPspVideoFolder(CurrentVolumeSource().VolumeRoots());
    if (!video) {
      env.Err
          << "tarnick-cli: no PSP found: connect the PSP in USB mode, or insert its Memory Stick, "
             "and try again\n";
      return ExitNoPsp;
    }
    controls.SetOutputFolder(*video);
  }

  IntakeResult intake = TakePaths(options.Paths);
  for (const std::string& missing : intake.Missing)
    env.Err << "tarnick-cli: " << missing << ": no such file or folder, skipped\n";

  CliHost host(std::move(intake.Sources), controls.Settings(), env.Places.ScratchFolder);
  host.encoderFolder = env.Places.EncoderFolder;
  if (options.DryRun) {
    const bool allTaken =
        PrintDryRun(host, env.Out, env.Err,
                    options.DryRunDescribed ? DryRunStyle::Described : DryRunStyle::Adapted);
    return intake.Missing.empty() && allTaken ? ExitConverted : ExitFailed;
  }
  ConsoleBatchOptions batch;
  batch.Jobs = options.Jobs > 0
                   ? options.Jobs
                   : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  batch.SkipExisting = options.SkipExisting;
  batch.Quiet = options.Quiet;
  batch.Verbose = options.Verbose;
  batch.Json = options.Json;
  return RunConsoleBatch(host, static_cast<int>(intake.Missing.size()), env, batch);
}

}  // namespace tarnick
