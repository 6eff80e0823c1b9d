#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/PathStyle.h"

namespace tarnick {

// The settings file's fixed name; it does not follow the executable's name.
inline constexpr std::string_view SettingsFileName = "Tarnick.ini";

// The settings file beside the program, opened for one load or one save.
class ISettingsFile {
 public:
  virtual ~ISettingsFile() = default;

  // Full path, for the message of a failed write.
  virtual std::string Path() const = 0;
  // A key's value with the blanks around it removed; nullopt when the file,
  // the section or the key is missing.
  virtual std::optional<std::string> ReadText(std::string_view section,
                                              std::string_view key) const = 0;
  // False when the value could not be written.
  virtual bool WriteText(std::string_view section, std::string_view key,
                         std::string_view value) = 0;
  // Ends the use of the file and puts what was written on the disk; false
  // when that fails.
  virtual bool Release() = 0;
};

using SettingsFileOpener = std::function<std::unique_ptr<ISettingsFile>()>;

// What the store reads and writes on the main window: the controls are the
// one place the settings live, so the store keeps nothing of its own.
class ISettingsTarget {
 public:
  virtual ~ISettingsTarget() = default;

  // 0 until the first activation has loaded, then 1.
  virtual int Tag() const = 0;
  virtual void SetTag(int tag) = 0;

  virtual int Left() const = 0;
  virtual void SetLeft(int x) = 0;  // moves the window at once
  virtual int Top() const = 0;
  virtual void SetTop(int y) = 0;

  virtual int PresetItemIndex() const = 0;  // C2_00
  virtual void SetPresetItemIndex(int index) = 0;
  // C2_00Change; raises when a preset column is not a number.
  virtual void ApplyPreset() = 0;

  // Each setter clamps to the control's range.
  virtual int FrameRatePosition() const = 0;  // DigitBar1
  virtual void SetFrameRatePosition(int fps) = 0;
  virtual int VideoKbpsPosition() const = 0;  // DigitBar2
  virtual void SetVideoKbpsPosition(int kbps) = 0;
  virtual int SampleRatePosition() const = 0;  // TrackBar1
  virtual void SetSampleRatePosition(int index) = 0;
  virtual int AudioKbpsPosition() const = 0;  // DigitBar3
  virtual void SetAudioKbpsPosition(int kbps) = 0;
  virtual int SizePosition() const = 0;  // TrackBar2
  virtual void SetSizePosition(int index) = 0;

  // C1_03; setting a different text runs its change handler.
  virtual std::string OutputFolder() const = 0;
  virtual void SetOutputFolder(const std::string& path) = 0;

  virtual bool TwoPass() const = 0;  // CheckBox1
  virtual void SetTwoPass(bool on) = 0;
  virtual bool SideThumbnail() const = 0;  // CheckBox2
  virtual void SetSideThumbnail(bool on) = 0;
  virtual void CheckBox2Click() = 0;
  virtual int ThumbnailSecond() const = 0;  // SpinEdit1, clamps 0..60
  virtual void SetThumbnailSecond(int second) = 0;

  // The output folder taken when none is stored: the program folder when
  // the program is portable.
  virtual std::string DefaultOutputFolder() const = 0;
  // The command-line paths into the source list.
  virtual void TakeCommandLine() = 0;
};

// The settings file of a program folder: the folder with one separator,
// then "Tarnick.ini".
std::string SettingsFilePath(PathStyle style, std::string_view programFolder);

// An integer key: the value when it is a number by the shared rule, else
// `fallback`.
int ReadSettingsInt(const ISettingsFile& file, std::string_view section, std::string_view key,
                    int fallback);

// The first activation's load. Does nothing once `Tag` is 1. A failing
// preset stops the load (the file is released, `Tag` stays 0) and passes
// the error on.
void LoadSettings(ISettingsTarget& window, const SettingsFileOpener& open);

// Every close's save, the twelve keys in order. A key that cannot be
// written stops the save with EFileError "%s に書き込めません".
void SaveSettings(const ISettingsTarget& window, const SettingsFileOpener& open);

}  // namespace tarnick
