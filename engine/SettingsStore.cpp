#include "engine/SettingsStore.h"

#include <stdexcept>
#include <utility>

#include "engine/Exception.h"
#include "engine/NumberText.h"

namespace tarnick {
namespace {

// Releases the file however the load or save ends; a save that got through
// every key releases it itself to learn whether the flush worked.
class FileLease {
 public:
  explicit FileLease(std::unique_ptr<ISettingsFile> file) : file_(std::move(file)) {
    if (!file_) throw std::logic_error("settings file opener gave no file");
  }
  ~FileLease() {
    if (file_) file_->Release();
  }
  FileLease(const FileLease&) = delete;
  FileLease& operator=(const FileLease&) = delete;

  ISettingsFile& operator*() const { return *file_; }
  ISettingsFile* operator->() const { return file_.get(); }
  bool Release() { return std::exchange(file_, nullptr)->Release(); }

 private:
  std::unique_ptr<ISettingsFile> file_;
};

class Writer {
 public:
  explicit Writer(ISettingsFile& file) : file_(file) {}
  void Text(std::string_view section, std::string_view key, std::string_view value) {
    if (!file_.WriteText(section, key, value)) Fail();
  }
  void Int(std::string_view section, std::string_view key, int value) {
    Text(section, key, std::to_string(value));
  }
  [[noreturn]] void Fail() { throw EFileError(FormatMessage("%s に書き込めません", file_.Path())); }

 private:
  ISettingsFile& file_;
};

}  // namespace

std::string SettingsFilePath(PathStyle style, std::string_view programFolder) {
  if (programFolder.empty() || EndsWithSeparator(style, programFolder) ||
      (style == PathStyle::Windows && programFolder.back() == ':'))
    return std::string(programFolder) + std::string(SettingsFileName);
  return JoinPath(style, programFolder, SettingsFileName);
}

int ReadSettingsInt(const ISettingsFile& file, std::string_view section, std::string_view key,
                    int fallback) {
  auto text = file.ReadText(section, key);
  if (!text) return fallback;
  return TryStrToInt(*text).value_or(fallback);
}

void LoadSettings(ISettingsTarget& w, const SettingsFileOpener& open) {
  // Once only.
  if (w.Tag() != 0) return;
  {
    FileLease file(open());
    auto readInt = [&](std::string_view section, std::string_view key, int current) {
      return ReadSettingsInt(*file, section, key, current);
    };

    // Position; no check against the screen.
    w.SetLeft(readInt("SET", "M_LEFT", w.Left()));
    w.SetTop(readInt("SET", "M_TOP", w.Top()));

    // The preset, applied; a failing one ends the load here.
    w.SetPresetItemIndex(readInt("SET1", "C0", w.PresetItemIndex()));
    w.ApplyPreset();

    // The stored values override the preset's.
    w.SetFrameRatePosition(readInt("SET1", "C1", w.FrameRatePosition()));
    w.SetVideoKbpsPosition(readInt("SET1", "C2", w.VideoKbpsPosition()));
    w.SetSampleRatePosition(readInt("SET1", "C3", w.SampleRatePosition()));
    w.SetAudioKbpsPosition(readInt("SET1", "C4", w.AudioKbpsPosition()));
    w.SetSizePosition(readInt("SET1", "C5", w.SizePosition()));

    // The output folder; a present but empty value is empty, and an
    // empty folder becomes the program folder.
    auto folder = file->ReadText("SET2", "C11");
    w.SetOutputFolder(folder ? *folder : w.OutputFolder());
    if (w.OutputFolder().empty()) w.SetOutputFolder(w.DefaultOutputFolder());

    // Options.
    w.SetTwoPass(readInt("SET2", "C12", w.TwoPass() ? 1 : 0) != 0);
    w.SetSideThumbnail(readInt("SET2", "C13", w.SideThumbnail() ? 1 : 0) != 0);
    w.CheckBox2Click();
    w.SetThumbnailSecond(readInt("SET2", "C14", w.ThumbnailSecond()));
    // The lease ends here.
  }
  // The command line's files after the settings, then marked as loaded.
  w.TakeCommandLine();
  w.SetTag(1);
}

void SaveSettings(const ISettingsTarget& w, const SettingsFileOpener& open) {
  FileLease file(open());
  Writer out(*file);
  out.Int("SET", "M_LEFT", w.Left());
  out.Int("SET", "M_TOP", w.Top());
  out.Int("SET1", "C0", w.PresetItemIndex());
  out.Int("SET1", "C1", w.FrameRatePosition());
  out.Int("SET1", "C2", w.VideoKbpsPosition());
  out.Int("SET1", "C3", w.SampleRatePosition());
  out.Int("SET1", "C4", w.AudioKbpsPosition());
  out.Int("SET1", "C5", w.SizePosition());
  out.Text("SET2", "C11", w.OutputFolder());
  out.Int("SET2", "C12", w.TwoPass() ? 1 : 0);
  out.Int("SET2", "C13", w.SideThumbnail() ? 1 : 0);
  out.Int("SET2", "C14", w.ThumbnailSecond());
  std::string path = file->Path();
  if (!file.Release()) throw EFileError(FormatMessage("%s に書き込めません", path));
}

}  // namespace tarnick
