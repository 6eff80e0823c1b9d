#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/CliControls.h"
#include "cli/Options.h"
#include "engine/SettingsStore.h"

namespace tarnick {

// The settings file opened for reading only, through the window's own
// adapter: the command line program never writes it.
std::unique_ptr<ISettingsFile> OpenSettingsForReading(const std::string& path);

// The position (1 = first line) of the preset an option names: a decimal
// number within the catalogue, else the first line whose column 0 equals the
// text, else the first whose column 0 equals it without regard to ASCII
// letter case. Raises UsageError.
int ResolvePresetOption(const std::vector<std::string>& presetLines, const std::string& text);

// Sets the controls in the window's order: the settings load (stored preset,
// then the stored values over it, the output folder, the options); then a
// preset the options name is chosen as from the window's list, so its values
// replace the stored ones; then the options' own values. A preset column
// that is not a number raises EConvertError; a bad --preset UsageError.
void LoadCliSettings(CliControls& controls, const CliOptions& options,
                     const SettingsFileOpener& open);

// The options' values over the controls.
void ApplyOptionValues(CliControls& controls, const CliOptions& options);

}  // namespace tarnick
