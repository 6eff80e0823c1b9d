#pragma once

#include <string>
#include <vector>

#include "engine/ConversionSettings.h"
#include "engine/Preset.h"
#include "engine/SettingsStore.h"

namespace tarnick {

// The main window's encoding controls without a window: the preset list
// with its header row, the hidden codec list, the sliders, digit bars, check
// boxes, spin edit and output folder. Every setter clamps like its control.
// The settings store loads into it as into the window; the window's
// position is kept but means nothing here.
class CliControls : public IPresetTarget, public ISettingsTarget {
 public:
  CliControls(std::vector<std::string> presetLines, std::string defaultOutputFolder);

  int PresetCount() const { return static_cast<int>(lines_.size()); }
  const std::vector<std::string>& PresetLines() const { return lines_; }

  // IPresetTarget
  int PresetItemIndex() const override { return itemIndex_; }
  void SetPresetItemIndex(int index) override;
  void SetPresetTargetColumn(int column) override { targetColumn_ = column; }
  std::string PresetSelectedText() const override;
  int CodecCount() const override { return static_cast<int>(CodecNames.size()); }
  std::string CodecItemText(int index) const override;
  void SetCodecItemIndex(int index) override;
  int SizePosition() const override { return settings_.SizeIndex; }
  void SetSizePosition(int index) override;
  void SetFrameRatePosition(int fps) override;
  void SetVideoKbpsPosition(int kbps) override;
  int SampleRatePosition() const override { return settings_.SampleRateIndex; }
  void SetSampleRatePosition(int index) override;
  void SetAudioKbpsPosition(int kbps) override;

  // ISettingsTarget
  int Tag() const override { return tag_; }
  void SetTag(int tag) override { tag_ = tag; }
  int Left() const override { return left_; }
  void SetLeft(int x) override { left_ = x; }
  int Top() const override { return top_; }
  void SetTop(int y) override { top_ = y; }
  // A catalogue without any preset line leaves the layout's values, as the
  // window does.
  void ApplyPreset() override;
  int FrameRatePosition() const override { return settings_.FrameRate; }
  int VideoKbpsPosition() const override { return settings_.VideoKbps; }
  int AudioKbpsPosition() const override { return settings_.AudioKbps; }
  bool TwoPass() const override { return settings_.TwoPass; }
  void SetTwoPass(bool on) override { settings_.TwoPass = on; }
  bool SideThumbnail() const override { return settings_.SideThumbnail; }
  void SetSideThumbnail(bool on) override { settings_.SideThumbnail = on; }
  void CheckBox2Click() override {}
  int ThumbnailSecond() const override { return settings_.ThumbnailSecond; }
  void SetThumbnailSecond(int second) override;
  std::string OutputFolder() const override { return settings_.OutputFolder; }
  // Drops trailing separators, as the output folder's change handler does.
  void SetOutputFolder(const std::string& path) override;
  std::string DefaultOutputFolder() const override { return defaultOutputFolder_; }
  // The paths are taken by the command line program itself.
  void TakeCommandLine() override {}

  int CodecItemIndex() const { return codecIndex_; }

  // What a batch reads from the controls.
  ConversionSettings Settings() const { return settings_; }

 private:
  std::vector<std::string> lines_;
  std::string defaultOutputFolder_;
  int tag_ = 0;
  int left_ = 20;
  int top_ = 20;
  int itemIndex_ = -1;
  int targetColumn_ = 0;
  int codecIndex_ = -1;
  ConversionSettings settings_;
};

}  // namespace tarnick
