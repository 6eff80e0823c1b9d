#include <gtest/gtest.h>

#include <functional>

#include "cli/Options.h"

namespace tarnick {
namespace {

TEST(CliOptions, ValuesAndFlags) {
  CliOptions o = ParseOptions({"--size",       "480x272",    "--codec=MpEg4", "--fps", "25",
                               "--video-kbps", "0x100",      "--audio-kbps",  "96",    "--rate",
                               "41000",        "--two-pass", "--thumbnail",   "7",     "--output",
                               "/out",         "a.avi",      "--preset",      "Third", "--",
                               "--dry-run"});
  EXPECT_EQ(o.SizeIndex, 4);
  EXPECT_EQ(o.CodecIndex, 1);
  EXPECT_EQ(o.FrameRate, 25);
  EXPECT_EQ(o.VideoKbps, 256);  // the program's one number rule, hexadecimal too
  EXPECT_EQ(o.AudioKbps, 96);
  EXPECT_EQ(o.SampleRateIndex, 2);
  EXPECT_EQ(o.TwoPass, true);
  EXPECT_EQ(o.SideThumbnail, true);
  EXPECT_EQ(o.ThumbnailSecond, 7);
  EXPECT_EQ(o.OutputFolder, "/out");
  EXPECT_EQ(o.Preset, "Third");
  EXPECT_FALSE(o.DryRun);  // after "--" it is a path
  EXPECT_EQ(o.Paths, (std::vector<std::string>{"a.avi", "--dry-run"}));
}

TEST(CliOptions, LaterOptionWinsAndUnsetStaysUnset) {
  CliOptions o =
      ParseOptions({"--two-pass", "--one-pass", "--thumbnail", "3", "--no-thumbnail", "-"});
  EXPECT_EQ(o.TwoPass, false);
  EXPECT_EQ(o.SideThumbnail, false);
  EXPECT_EQ(o.ThumbnailSecond, 3);
  EXPECT_FALSE(o.FrameRate.has_value());
  EXPECT_FALSE(o.SizeIndex.has_value());
  EXPECT_EQ(o.Paths, std::vector<std::string>{"-"});
}

TEST(CliOptions, EveryCodecAndRateOfTheTables) {
  const std::pair<const char*, int> codecs[] = {
      {"libx264", 0}, {"LIBX264", 0}, {"mpeg4", 1}, {"LibXvid", 2}};
  for (auto [name, index] : codecs)
    EXPECT_EQ(ParseOptions({"--codec", name}).CodecIndex, index) << name;
  const std::pair<const char*, int> rates[] = {
      {"48000", 0}, {"44100", 1}, {"41000", 2}, {"24000", 3}};
  for (auto [hz, index] : rates)
    EXPECT_EQ(ParseOptions({"--rate", hz}).SampleRateIndex, index) << hz;
  const char* sizes[] = {"160x120", "320x240", "640x480", "368x208", "480x272", "720x480"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(ParseOptions({"--size", sizes[i]}).SizeIndex, i);
}

TEST(CliOptions, BadOptionsNameThemselves) {
  const struct {
    std::vector<std::string> Args;
    std::string Message;
  } cases[] = {
      {{"--frobnicate"}, "--frobnicate: unknown option"},
      {{"-x"}, "-x: unknown option"},
      {{"--fps"}, "--fps: a value is missing"},
      {{"--fps", "30fps"}, "--fps: '30fps' is not an integer"},
      {{"--video-kbps", " "}, "--video-kbps: ' ' is not an integer"},
      {{"--size", "320X240"}, "--size: '320X240' is not one of 160x120"},
      {{"--codec", "h264"}, "--codec: 'h264' is not one of libx264, mpeg4, libxvid"},
      {{"--rate", "44000"}, "--rate: '44000' is not one of 48000"},
      {{"--rate", "fast"}, "--rate: 'fast' is not one of"},
      {{"--two-pass=yes"}, "--two-pass: takes no value"},
      {{"--output", ""}, "--output: the value is empty"},
      {{"--psp", "--output", "/x"}, "--psp: cannot be used together with --output"},
  };
  for (const auto& c : cases) {
    try {
      ParseOptions(c.Args);
      ADD_FAILURE() << "accepted: " << c.Args[0];
    } catch (const UsageError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(c.Message, 0), 0u) << e.what();
    }
  }
}

}  // namespace
}  // namespace tarnick

namespace tarnick {
namespace {

TEST(CliOptions, ShortSpellingsAndConsoleFlags) {
  const struct {
    std::vector<std::string> Args;
    std::function<bool(const CliOptions&)> Holds;
    const char* What;
  } cases[] = {
      {{"-o", "/out"}, [](auto& o) { return o.OutputFolder == "/out"; }, "-o DIR"},
      {{"-o/out"}, [](auto& o) { return o.OutputFolder == "/out"; }, "-oDIR"},
      {{"-p", "Third"}, [](auto& o) { return o.Preset == "Third"; }, "-p NAME"},
      {{"-j", "3"}, [](auto& o) { return o.Jobs == 3; }, "-j N"},
      {{"-j0"}, [](auto& o) { return o.Jobs == 0; }, "-jN"},
      {{"--jobs=2"}, [](auto& o) { return o.Jobs == 2; }, "--jobs=N"},
      {{},
       [](auto& o) { return o.Jobs == 1 && !o.Quiet && !o.Verbose && !o.SkipExisting && !o.Json; },
       "defaults"},
      {{"-q"}, [](auto& o) { return o.Quiet && !o.Verbose; }, "-q"},
      {{"--verbose", "--quiet"}, [](auto& o) { return o.Quiet && !o.Verbose; }, "the later wins"},
      {{"-q", "-v"}, [](auto& o) { return o.Verbose && !o.Quiet; }, "-v"},
      {{"--skip-existing", "--json"}, [](auto& o) { return o.SkipExisting && o.Json; }, "flags"},
  };
  for (const auto& c : cases) EXPECT_TRUE(c.Holds(ParseOptions(c.Args))) << c.What;

  const struct {
    std::vector<std::string> Args;
    std::string Message;
  } bad[] = {
      {{"-j", "-1"}, "--jobs: '-1' is below 0"},  {{"-jx"}, "--jobs: 'x' is not an integer"},
      {{"-qv"}, "-qv: unknown option"},           {{"-o"}, "--output: a value is missing"},
      {{"--quiet=1"}, "--quiet: takes no value"},
  };
  for (const auto& c : bad) {
    try {
      ParseOptions(c.Args);
      ADD_FAILURE() << "accepted: " << c.Args[0];
    } catch (const UsageError& e) {
      EXPECT_EQ(std::string(e.what()), c.Message);
    }
  }
}

}  // namespace
}  // namespace tarnick
