#include "cli/CliApp.h"

#include <optional>

#include "app/Psptransfer.h"
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
  } catch (const Exception& e) {
    return Usage(env, (options.ProfileFile ? "--profile: " : "") + e.Message());
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
  } catch (const Exception& e) {
    return Usage(env, "preset " + std::to_string(controls.PresetItemIndex()) + " of " +
                          profilePath + ": " + e.Message());
  }

  if (options.Psp) {
    std::optional<std::string> video = FindPspVideoFolder(CurrentVolumeSource().VolumeRoots());
    if (!video) {
      env.Err << PspNotFoundMessage << "\n";
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
    const bool allTaken = PrintDryRun(host, env.Out, env.Err,
                                      options.DryRunDescribed ? DryRunStyle::Described : DryRunStyle::Adapted);
    return intake.Missing.empty() && allTaken ? ExitConverted : ExitFailed;
  }
  return RunConsoleBatch(host, static_cast<int>(intake.Missing.size()), env);
}

}  // namespace tarnick
