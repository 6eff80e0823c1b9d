#include "cli/CliControls.h"

#include <algorithm>

#include "engine/PathStyle.h"

namespace tarnick {

CliControls::CliControls(std::vector<std::string> presetLines, std::string defaultOutputFolder)
    : lines_(std::move(presetLines)), defaultOutputFolder_(std::move(defaultOutputFolder)) {}

void CliControls::ApplyPreset() {
  if (lines_.empty()) return;
  ApplySelectedPreset(*this);
}

void CliControls::SetPresetItemIndex(int index) {
  // Item 0 is the header row; a position past the last item selects nothing.
  itemIndex_ = index >= 0 && index <= PresetCount() ? index : -1;
}

std::string CliControls::PresetSelectedText() const {
  if (itemIndex_ < 0) return std::string();
  std::string_view line = itemIndex_ == 0
                              ? PresetHeaderRow
                              : std::string_view(lines_[static_cast<std::size_t>(itemIndex_ - 1)]);
  return Preset::FromLine(line).Column(targetColumn_);
}

std::string CliControls::CodecItemText(int index) const {
  return std::string(CodecNames.at(static_cast<std::size_t>(index)));
}

void CliControls::SetCodecItemIndex(int index) {
  if (index < 0 || index >= CodecCount()) return;
  codecIndex_ = index;
  settings_.VideoCodec = CodecItemText(index);
}

void CliControls::SetSizePosition(int index) {
  settings_.SizeIndex = std::clamp(index, 0, static_cast<int>(SizeTable.size()) - 1);
}

void CliControls::SetFrameRatePosition(int fps) {
  settings_.FrameRate = std::clamp(fps, MinFrameRate, MaxFrameRate);
}

void CliControls::SetVideoKbpsPosition(int kbps) {
  settings_.VideoKbps = std::clamp(kbps, MinVideoKbps, MaxVideoKbps);
}

void CliControls::SetSampleRatePosition(int index) {
  settings_.SampleRateIndex = std::clamp(index, 0, static_cast<int>(SampleRateTable.size()) - 1);
}

void CliControls::SetAudioKbpsPosition(int kbps) {
  settings_.AudioKbps = std::clamp(kbps, MinAudioKbps, MaxAudioKbps);
}

void CliControls::SetThumbnailSecond(int second) {
  settings_.ThumbnailSecond = std::clamp(second, MinThumbnailSecond, MaxThumbnailSecond);
}

void CliControls::SetOutputFolder(const std::string& path) {
  // Trailing separators go, as the output folder's change handler drops
  // them; the Posix root stays, since an empty folder is no folder.
  std::string folder = path;
  while (folder.size() > 1 && EndsWithSeparator(NativePathStyle, folder)) folder.pop_back();
  settings_.OutputFolder = folder;
}

}  // namespace tarnick
