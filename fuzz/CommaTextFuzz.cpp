// The comma text rule and the preset reader on any line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "engine/CommaText.h"
#include "engine/Exception.h"
#include "engine/NumberText.h"
#include "engine/Preset.h"

namespace {

using namespace tarnick;

// Every column quoted, inner quotes doubled: this must split back into the
// same columns.
std::string Quoted(const std::vector<std::string>& columns) {
  std::string line;
  for (const auto& c : columns) {
    if (!line.empty()) line += ',';
    line += '"';
    for (char ch : c) line += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    line += '"';
  }
  return line;
}

// A preset list of the header row and one line, the first preset selected.
class Target : public IPresetTarget {
 public:
  explicit Target(std::string line) : line_(std::move(line)) {}
  int PresetItemIndex() const override { return index_; }
  void SetPresetItemIndex(int index) override { index_ = index; }
  void SetPresetTargetColumn(int column) override { column_ = column; }
  std::string PresetSelectedText() const override {
    if (index_ != 1) return std::string();
    return Preset::FromLine(line_).Column(column_);
  }
  int CodecCount() const override { return 3; }
  std::string CodecItemText(int index) const override {
    static const char* const items[] = {"LIBX264", "MPEG4", "XVID"};
    return items[index];
  }
  void SetCodecItemIndex(int index) override {
    FUZZ_CHECK(index >= 0 && index < 3);
    codec_ = index;
  }
  int SizePosition() const override { return size_; }
  void SetSizePosition(int index) override { size_ = index; }
  void SetFrameRatePosition(int fps) override { fps_ = fps; }
  void SetVideoKbpsPosition(int kbps) override { videoKbps_ = kbps; }
  int SampleRatePosition() const override { return rate_; }
  void SetSampleRatePosition(int index) override {
    FUZZ_CHECK(index >= 0 && index <= 3);
    rate_ = index;
  }
  void SetAudioKbpsPosition(int kbps) override { audioKbps_ = kbps; }

  int Column() const { return column_; }
  int Fps() const { return fps_; }
  int AudioKbps() const { return audioKbps_; }

 private:
  std::string line_;
  int index_ = 1, column_ = 0, codec_ = -1, size_ = 0, rate_ = 0;
  int fps_ = -1, videoKbps_ = -1, audioKbps_ = -1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> columns = SplitCommaText(line);
  for (const auto& c : columns) FUZZ_CHECK(c.find('\0') == std::string::npos);
  FUZZ_CHECK(SplitCommaText(Quoted(columns)) == columns);
  // Byte 0 ends the text.
  if (auto zero = line.find('\0'); zero != std::string_view::npos)
    FUZZ_CHECK(SplitCommaText(line.substr(0, zero)) == columns);

  const Preset preset = Preset::FromLine(line);
  FUZZ_CHECK(preset.Columns == columns);
  for (int c = -1; c <= PresetColumnCount; ++c) {
    const bool inside = c >= 0 && static_cast<std::size_t>(c) < columns.size();
    FUZZ_CHECK(preset.Column(c) == (inside ? columns[static_cast<std::size_t>(c)] : std::string()));
  }

  Target target{std::string(line)};
  bool converted = true;
  try {
    ApplySelectedPreset(target);
  } catch (const EConvertError&) {
    converted = false;  // a column that is no number: the one failure allowed
  }
  FUZZ_CHECK(target.Column() == 0);
  if (converted) {
    FUZZ_CHECK(target.Fps() == StrToInt(NumberBeforeUnit(preset.Column(ColFrameRate), "fps")));
    FUZZ_CHECK(target.AudioKbps() ==
               StrToInt(NumberBeforeUnit(preset.Column(ColAudioKbps), "kbps")));
  }
  return 0;
}
