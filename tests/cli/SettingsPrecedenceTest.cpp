#include <gtest/gtest.h>

#include "cli/CliControls.h"
#include "cli/CliSettings.h"
#include "cli/CliTestHelpers.h"
#include "cli/Options.h"
#include "engine/Exception.h"
#include "platform/TextFile.h"
#include "support/SharedRuleCases.h"

namespace tarnick {
namespace {

class CliSettingsTest : public ::testing::Test {
 protected:
  ConversionSettings Load(const std::string& ini, const std::vector<std::string>& args,
                          const std::string& presets = test::TestPresets) {
    dir_.Write("profile.txt", presets);
    const std::string iniPath = dir_.Path("Tarnick.ini");
    if (!ini.empty()) dir_.Write("Tarnick.ini", ini);
    CliControls controls(ReadTextFileLines(dir_.Path("profile.txt")), dir_.Path());
    LoadCliSettings(controls, ParseOptions(args), [&] { return OpenSettingsForReading(iniPath); });
    codecIndex_ = controls.CodecItemIndex();
    return controls.Settings();
  }

  test::ScratchDir dir_;
  int codecIndex_ = -1;
};

TEST_F(CliSettingsTest, NoSettingsFileGivesFirstPresetAndProgramFolder) {
  ConversionSettings s = Load("", {});
  EXPECT_EQ(s.SizeIndex, 1);
  EXPECT_EQ(s.VideoCodec, "LIBX264");
  EXPECT_EQ(s.FrameRate, 30);
  EXPECT_EQ(s.VideoKbps, 384);
  EXPECT_EQ(s.SampleRateIndex, 1);
  EXPECT_EQ(s.AudioKbps, 96);
  EXPECT_FALSE(s.TwoPass);
  EXPECT_TRUE(s.SideThumbnail);
  EXPECT_EQ(s.ThumbnailSecond, 1);
  EXPECT_EQ(s.OutputFolder, dir_.Path());
}

TEST_F(CliSettingsTest, LongStoredOutputFolderIsKeptWholeAsTheWindowKeepsIt) {
  ConversionSettings s = Load("[SET2]\r\nC11=" + test::LongStoredFolder() + "\r\n", {});
  EXPECT_EQ(s.OutputFolder, test::LongStoredFolder());
}

TEST_F(CliSettingsTest, StoredValuesOverrideStoredPresetAndOptionsOverrideBoth) {
  const std::string ini =
      "[SET1]\r\nC0=3\r\nC1=25\r\nC4=$30\r\n[SET2]\r\nC11=/videos/out/"
      "\r\nC12=1\r\nC13=0\r\nC14=99\r\n";
  ConversionSettings s = Load(ini, {});
  EXPECT_EQ(s.VideoCodec, "MPEG4");  // the third preset's codec: it is never stored
  EXPECT_EQ(s.SizeIndex, 3);
  EXPECT_EQ(s.FrameRate, 25);       // stored over the preset's 24
  EXPECT_EQ(s.VideoKbps, 256);      // the preset's, nothing stored
  EXPECT_EQ(s.SampleRateIndex, 2);  // 41000Hz
  EXPECT_EQ(s.AudioKbps, 48);       // $30
  EXPECT_EQ(s.OutputFolder, "/videos/out");
  EXPECT_TRUE(s.TwoPass);
  EXPECT_FALSE(s.SideThumbnail);
  EXPECT_EQ(s.ThumbnailSecond, 60);  // clamped like the spin edit

  s = Load(ini, {"--fps", "10", "--one-pass", "--thumbnail", "5", "--output", "/elsewhere",
                 "--codec", "libxvid", "--size", "720x480"});
  EXPECT_EQ(s.FrameRate, 10);
  EXPECT_FALSE(s.TwoPass);
  EXPECT_TRUE(s.SideThumbnail);
  EXPECT_EQ(s.ThumbnailSecond, 5);
  EXPECT_EQ(s.OutputFolder, "/elsewhere");
  EXPECT_EQ(s.VideoCodec, "LIBXVID");
  EXPECT_EQ(s.SizeIndex, 5);
  EXPECT_EQ(s.AudioKbps, 48);  // not named by an option: the stored value stays
}

TEST_F(CliSettingsTest, ChosenPresetReplacesStoredEncodingValuesButNotTheOthers) {
  const std::string ini = "[SET1]\r\nC0=3\r\nC1=25\r\nC2=700\r\nC5=0\r\n[SET2]\r\nC12=1\r\n";
  ConversionSettings s = Load(ini, {"--preset", "2"});
  EXPECT_EQ(s.FrameRate, 30);
  EXPECT_EQ(s.VideoKbps, 768);
  EXPECT_EQ(s.SizeIndex, 4);
  EXPECT_EQ(s.VideoCodec, "LIBX264");
  EXPECT_TRUE(s.TwoPass);  // two-pass, thumbnail and folder are no preset's

  s = Load(ini, {"--preset", "2", "--fps", "20"});
  EXPECT_EQ(s.FrameRate, 20);
}

TEST_F(CliSettingsTest, PresetByNameAndOutOfRangeStoredPreset) {
  EXPECT_EQ(Load("", {"--preset", "Third"}).VideoCodec, "MPEG4");
  EXPECT_EQ(Load("", {"--preset", "first one"}).SizeIndex, 1);  // letter case as a fallback
  EXPECT_EQ(Load("", {"--preset", "Fourth"}).VideoCodec, "LIBXVID");
  // A stored position past the last preset, or the header row: the first preset.
  for (const char* c0 : {"9", "0", "-1", "junk"})
    EXPECT_EQ(Load(std::string("[SET1]\nC0=") + c0 + "\n", {}).SizeIndex, 1) << c0;
}

TEST_F(CliSettingsTest, OptionValuesClampLikeTheControls) {
  ConversionSettings s =
      Load("", {"--fps", "99", "--video-kbps", "1", "--audio-kbps", "1000", "--thumbnail", "-4"});
  EXPECT_EQ(s.FrameRate, 30);
  EXPECT_EQ(s.VideoKbps, 48);
  EXPECT_EQ(s.AudioKbps, 128);
  EXPECT_EQ(s.ThumbnailSecond, 0);
  s = Load("[SET1]\nC1=0\nC3=7\nC5=-3\n", {});
  EXPECT_EQ(s.FrameRate, 1);
  EXPECT_EQ(s.SampleRateIndex, 3);
  EXPECT_EQ(s.SizeIndex, 0);
}

TEST_F(CliSettingsTest, BadPresetOptionsAndBrokenPresetLines) {
  for (const char* bad : {"0", "5", "99999999999", "Fifth"}) {
    EXPECT_THROW(Load("", {"--preset", bad}), UsageError) << bad;
  }
  // A broken line fails as in the window, with the number text in the message.
  try {
    Load("", {"--preset", "1"}, "Broken,mp4,320x240,MPEG4,29.97fps,384kbps,AAC,44100Hz,96kbps\n");
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'29.97' は整数ではありません");
  }
}

TEST_F(CliSettingsTest, CatalogueWithoutPresetsKeepsTheLayoutValues) {
  ConversionSettings s = Load("[SET1]\nC1=12\n", {}, "");
  EXPECT_EQ(s.SizeIndex, 1);
  EXPECT_EQ(s.VideoKbps, 384);
  EXPECT_EQ(s.FrameRate, 12);
  EXPECT_THROW(Load("", {"--preset", "1"}, ""), UsageError);
}

}  // namespace
}  // namespace tarnick
