#include <gtest/gtest.h>

#include <algorithm>

#include "engine/CommaText.h"
#include "engine/ConversionSettings.h"
#include "engine/Exception.h"
#include "engine/Preset.h"

namespace tarnick {
namespace {

// The main window's controls as the preset rule sees them: a list of whole
// lines under the header row, clamping digit bars and the codec list.
class FakeWindow : public IPresetTarget {
 public:
  explicit FakeWindow(std::vector<std::string> presetLines) {
    items_.emplace_back(PresetHeaderRow);
    for (auto& l : presetLines) items_.push_back(std::move(l));
  }
  int PresetItemIndex() const override { return index_; }
  void SetPresetItemIndex(int i) override { index_ = i >= 0 && i < (int)items_.size() ? i : -1; }
  void SetPresetTargetColumn(int c) override {
    target_ = c;
    columnsRead_.push_back(c);
  }
  std::string PresetSelectedText() const override {
    if (index_ < 0) return "";
    auto cols = SplitCommaText(items_[index_]);
    return target_ < (int)cols.size() ? cols[target_] : "";
  }
  int CodecCount() const override { return (int)CodecNames.size(); }
  std::string CodecItemText(int i) const override { return std::string(CodecNames[i]); }
  void SetCodecItemIndex(int i) override { codec = i; }
  int SizePosition() const override { return size; }
  void SetSizePosition(int i) override { size = std::clamp(i, 0, 5); }
  void SetFrameRatePosition(int v) override { fps = std::clamp(v, MinFrameRate, MaxFrameRate); }
  void SetVideoKbpsPosition(int v) override { vk = std::clamp(v, MinVideoKbps, MaxVideoKbps); }
  int SampleRatePosition() const override { return rate; }
  void SetSampleRatePosition(int i) override { rate = std::clamp(i, 0, 3); }
  void SetAudioKbpsPosition(int v) override { ak = std::clamp(v, MinAudioKbps, MaxAudioKbps); }

  int Target() const { return target_; }
  std::vector<int> columnsRead_;
  int size = 1, codec = -1, fps = 15, vk = 384, rate = 3, ak = 64;

 private:
  std::vector<std::string> items_;
  int index_ = -1;
  int target_ = 0;
};

std::string Line(std::string size, std::string codec, std::string fps, std::string rate = "48000Hz",
                 std::string vk = "768kbps", std::string ak = "128kbps") {
  return "name,mp4," + size + "," + codec + "," + fps + "," + vk + ",AAC," + rate + "," + ak;
}

TEST(Preset, AppliesEveryColumnInOrder) {
  FakeWindow w({Line("320x240", "MPEG4", "30fps")});
  w.SetPresetItemIndex(1);
  w.columnsRead_.clear();
  ApplySelectedPreset(w);
  EXPECT_EQ(w.size, 1);
  EXPECT_EQ(w.codec, 1);
  EXPECT_EQ(w.fps, 30);
  EXPECT_EQ(w.vk, 768);
  EXPECT_EQ(w.rate, 0);
  EXPECT_EQ(w.ak, 128);
  EXPECT_EQ(w.Target(), 0);
  EXPECT_EQ(w.columnsRead_, (std::vector<int>{2, 3, 4, 5, 7, 8, 0}));
}

TEST(Preset, HeaderOrNothingSelectedMeansFirstPreset) {
  for (int start : {-1, 0}) {
    FakeWindow w({Line("480x272", "XVID", "24fps"), Line("160x120", "MPEG4", "10fps")});
    w.SetPresetItemIndex(start);
    ApplySelectedPreset(w);
    EXPECT_EQ(w.PresetItemIndex(), 1);
    EXPECT_EQ(w.size, 4);
    EXPECT_EQ(w.codec, 2);
    EXPECT_EQ(w.fps, 24);
  }
}

TEST(Preset, CodecMatching) {
  const std::vector<std::pair<std::string, int>> cases{
      {"X264", 0}, {"LIB", 0}, {"XVID", 2}, {"MPEG4", 1}, {"mpeg4", 0}, {"H264", 0}, {"", 0}};
  for (const auto& [text, expected] : cases) {
    FakeWindow w({Line("320x240", text, "30fps")});
    w.codec = 2;
    ApplySelectedPreset(w);
    EXPECT_EQ(w.codec, expected) << text;
  }
}

TEST(Preset, SizeAndRateOnlyOnExactValues) {
  FakeWindow w({Line("320X240", "MPEG4", "30fps", "32000Hz")});
  w.size = 3;
  w.rate = 1;
  ApplySelectedPreset(w);
  EXPECT_EQ(w.size, 3);
  EXPECT_EQ(w.rate, 1);
  FakeWindow w2({Line("720x480", "MPEG4", "30fps", "41000Hz")});
  ApplySelectedPreset(w2);
  EXPECT_EQ(w2.size, 5);
  EXPECT_EQ(w2.rate, 2);
}

TEST(Preset, FrameRateTexts) {
  const std::vector<std::pair<std::string, int>> ok{{"60fps", 30}, {"$1Efps", 30}, {"0fps", 1}};
  for (const auto& [text, fps] : ok) {
    FakeWindow w({Line("320x240", "MPEG4", text)});
    ApplySelectedPreset(w);
    EXPECT_EQ(w.fps, fps) << text;
  }
  const std::vector<std::pair<std::string, std::string>> bad{
      {"fps30", "''"}, {"30", "''"}, {"29.97fps", "'29.97'"}, {"30 fps", "''"}};
  for (const auto& [text, quoted] : bad) {
    FakeWindow w({Line("320x240", "MPEG4", text)});
    try {
      ApplySelectedPreset(w);
      ADD_FAILURE() << text;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), quoted + " は整数ではありません") << text;
    }
  }
}

TEST(Preset, FailureKeepsEarlierStepsAndResetsTargetColumn) {
  FakeWindow w({Line("640x480", "XVID", "29.97fps")});
  EXPECT_THROW(ApplySelectedPreset(w), EConvertError);
  EXPECT_EQ(w.size, 2);
  EXPECT_EQ(w.codec, 2);
  EXPECT_EQ(w.fps, 15);
  EXPECT_EQ(w.vk, 384);
  EXPECT_EQ(w.Target(), 0);
  EXPECT_EQ(w.PresetSelectedText(), "name");
}

TEST(Preset, EmptyCatalogueFailsAtFrameRate) {
  FakeWindow w({});
  w.codec = 2;
  EXPECT_THROW(ApplySelectedPreset(w), EConvertError);
  EXPECT_EQ(w.PresetItemIndex(), -1);
  EXPECT_EQ(w.codec, 0);
  EXPECT_EQ(w.size, 1);
}

TEST(Preset, NumberBeforeUnit) {
  EXPECT_EQ(NumberBeforeUnit("30fps", "fps"), "30");
  EXPECT_EQ(NumberBeforeUnit("1fpsfps", "fps"), "1");
  EXPECT_EQ(NumberBeforeUnit("fps", "fps"), "");
  EXPECT_EQ(NumberBeforeUnit("48000", "Hz"), "");
  EXPECT_EQ(SampleRateIndexOf(44100), 1);
  EXPECT_EQ(SampleRateIndexOf(22050), -1);
}

}  // namespace
}  // namespace tarnick
