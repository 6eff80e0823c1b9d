#include "cli/CliSettings.h"

#include <algorithm>

#include "engine/Preset.h"
#include "platform/IniSettingsFile.h"

namespace tarnick {
namespace {

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

}  // namespace

std::unique_ptr<ISettingsFile> OpenSettingsForReading(const std::string& path) {
  return std::make_unique<TIniSettingsFile>(path, TIniSettingsFile::Access::ReadOnly);
}

int ResolvePresetOption(const std::vector<std::string>& lines, const std::string& text) {
  const int count = static_cast<int>(lines.size());
  if (!text.empty() &&
      std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    // More digits than any catalogue has lines.
    int position = text.size() > 6 ? 0 : std::stoi(text);
    if (position < 1 || position > count)
      throw UsageError("--preset: " + text + " is not a preset position (1 to " +
                       std::to_string(count) + ")");
    return position;
  }
  for (int exact = 1; exact >= 0; --exact) {
    for (int i = 0; i < count; ++i) {
      const std::string name = Preset::FromLine(lines[static_cast<std::size_t>(i)]).Column(ColName);
      if (exact ? name == text : EqualsIgnoringAsciiCase(name, text)) return i + 1;
    }
  }
  throw UsageError("--preset: no preset is named '" + text + "'");
}

void LoadCliSettings(CliControls& controls, const CliOptions& options,
                     const SettingsFileOpener& open) {
  // Resolved first, so a bad name fails before anything is read.
  std::optional<int> chosen;
  if (options.Preset) chosen = ResolvePresetOption(controls.PresetLines(), *options.Preset);
  LoadSettings(controls, open);
  if (chosen) {
    controls.SetPresetItemIndex(*chosen);
    ApplySelectedPreset(controls);
  }
  ApplyOptionValues(controls, options);
}

void ApplyOptionValues(CliControls& c, const CliOptions& o) {
  if (o.SizeIndex) c.SetSizePosition(*o.SizeIndex);
  if (o.CodecIndex) c.SetCodecItemIndex(*o.CodecIndex);
  if (o.FrameRate) c.SetFrameRatePosition(*o.FrameRate);
  if (o.VideoKbps) c.SetVideoKbpsPosition(*o.VideoKbps);
  if (o.SampleRateIndex) c.SetSampleRatePosition(*o.SampleRateIndex);
  if (o.AudioKbps) c.SetAudioKbpsPosition(*o.AudioKbps);
  if (o.TwoPass) c.SetTwoPass(*o.TwoPass);
  if (o.SideThumbnail) c.SetSideThumbnail(*o.SideThumbnail);
  if (o.ThumbnailSecond) c.SetThumbnailSecond(*o.ThumbnailSecond);
  if (o.OutputFolder) c.SetOutputFolder(*o.OutputFolder);
}

}  // namespace tarnick
