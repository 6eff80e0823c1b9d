#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "cli/CliApp.h"
#include "cli/CliTestHelpers.h"
#include "cli/Intake.h"
#include "cli/Options.h"
#include "engine/CommandLine.h"
#include "platform/Volumes.h"
#include "support/SharedRuleCases.h"

namespace tarnick {
namespace {

class CliDryRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("bin/profile.txt", test::TestPresets);
    clip_ = dir_.Write("videos/clip one.avi", "not really a video");
  }
  test::CliRun Run(std::vector<std::string> args) { return test::RunIn(dir_.Path("bin"), args); }

  ConversionSettings FirstPreset(const std::string& outputFolder) const {
    ConversionSettings s;
    s.SizeIndex = 1;
    s.VideoCodec = "LIBX264";
    s.FrameRate = 30;
    s.VideoKbps = 384;
    s.SampleRateIndex = 1;
    s.AudioKbps = 96;
    s.OutputFolder = outputFolder;
    return s;
  }

  test::ScratchDir dir_;
  std::string clip_;
};

TEST_F(CliDryRun, OnePassLineIsTheEngineText) {
  const std::string out = dir_.Path("never made");
  test::CliRun r = Run({"--dry-run=described", "--output", out, clip_});
  ASSERT_EQ(r.Code, ExitConverted) << r.Err;
  ConversionSettings s = FirstPreset(out);
  const std::string output = MakeOutputPath(NativePathStyle, out, clip_);
  EXPECT_EQ(r.Out, MakeConversionCommand(NativePathStyle, s, clip_, output, 1, 1).Text + "\n");
  EXPECT_EQ(r.Err, "");
  // Nothing was made or written.
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("bin/_thumb.jpg")));
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("bin/Tarnick.ini")));
}

TEST_F(CliDryRun, TwoPassesPerFileInBatchOrderWithNumberedDuplicates) {
  const std::string other = dir_.Write("more/clip one.mkv", "x");
  const std::string first = dir_.Write("more/a.avi", "x");
  const std::string out = dir_.Path("out");
  test::CliRun r =
      Run({"--dry-run=described", "--two-pass", "--output", out + "/", clip_, dir_.Path("more")});
  ASSERT_EQ(r.Code, ExitConverted) << r.Err;
  ConversionSettings s = FirstPreset(out);
  s.TwoPass = true;
  // Sorted as a whole: more/a.avi, more/clip one.mkv, videos/clip one.avi.
  const std::string a = out + "/a.mp4", mkv = out + "/clip one.mp4",
                    avi = out + "/clip one (2).mp4";
  std::vector<std::string> expected;
  for (auto [source, output] : {std::pair{first, a}, {other, mkv}, {clip_, avi}})
    for (int pass : {1, 2})
      expected.push_back(MakeConversionCommand(NativePathStyle, s, source, output, 2, pass).Text);
  EXPECT_EQ(test::Lines(r.Out), expected);
}

TEST_F(CliDryRun, SourceThatWouldBeItsOwnOutputIsNotRun) {
  const std::string mp4 = dir_.Write("videos/own.mp4", "x");
  test::CliRun r = Run({"--dry-run=described", "--output", dir_.Path("videos"), mp4});
  EXPECT_EQ(r.Out, "");
}

TEST_F(CliDryRun, MissingPathIsNamedAndFailsTheExitCode) {
  test::CliRun r = Run({"--dry-run=described", dir_.Path("gone.avi"), clip_});
  EXPECT_EQ(r.Code, ExitFailed);
  EXPECT_EQ(test::Lines(r.Out).size(), 1u);
  EXPECT_NE(r.Err.find(dir_.Path("gone.avi") + ": no such file or folder"), std::string::npos);
}

TEST_F(CliDryRun, UsageErrorsRunNothing) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--dry-run=described"},
        {"--dry-run=described", "--fps", "x", clip_},
        {"--dry-run=described", "--preset", "9", clip_},
        {"--dry-run=described", "--settings", dir_.Path("no.ini"), clip_},
        {"--dry-run=described", "--profile", dir_.Path("no.txt"), clip_}}) {
    test::CliRun r = Run(args);
    EXPECT_EQ(r.Code, ExitUsage) << args[1];
    EXPECT_EQ(r.Out, "");
    ASSERT_EQ(test::Lines(r.Err).size(), 1u) << r.Err;
    EXPECT_EQ(r.Err.rfind("tarnick-cli: ", 0), 0u);
  }
}

TEST_F(CliDryRun, SettingsAndProfileFromElsewhere) {
  dir_.Write("conf/p.txt", "Only,mp4,720x480,MPEG4,20fps,500kbps,AAC,48000Hz,64kbps\n");
  dir_.Write("conf/s.ini", "[SET1]\nC2=600\n[SET2]\nC11=" + dir_.Path("stored") + "/\n");
  dir_.Write("bin/Tarnick.ini", "[SET1]\nC2=100\n");
  test::CliRun r = Run({"--dry-run=described", "--profile", dir_.Path("conf/p.txt"), "--settings",
                        dir_.Path("conf/s.ini"), clip_});
  ASSERT_EQ(r.Code, ExitConverted) << r.Err;
  EXPECT_NE(r.Out.find(" -s 720x480 -aspect 16:9 -vcodec mpeg4 -b 600k -r 20 "), std::string::npos)
      << r.Out;
  EXPECT_NE(r.Out.find("\"" + dir_.Path("stored") + "/clip one.mp4\""), std::string::npos) << r.Out;
}

TEST_F(CliDryRun, PspVolumeGivesItsVideoFolder) {
  const std::string stick = dir_.Path("stick");
  std::filesystem::create_directories(stick + "/PSP/GAME");
  {
    ScopedVolumeSource volumes(
        std::make_unique<FolderVolumeSource>(std::vector<std::string>{dir_.Path("videos"), stick}));
    test::CliRun r = Run({"--dry-run=described", "--psp", clip_});
    ASSERT_EQ(r.Code, ExitConverted) << r.Err;
    EXPECT_NE(r.Out.find("\"" + stick + "/VIDEO/clip one.mp4\""), std::string::npos) << r.Out;
  }
  ScopedVolumeSource none(
      std::make_unique<FolderVolumeSource>(std::vector<std::string>{dir_.Path("videos")}));
  test::CliRun r = Run({"--dry-run=described", "--psp", clip_});
  EXPECT_EQ(r.Code, ExitNoPsp);
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err,
            "tarnick-cli: no PSP found: connect the PSP in USB mode, or insert its Memory Stick, "
            "and try again\n");
}

TEST(CliPresetList, PositionNameAndColumns) {
  EXPECT_EQ(
      PresetListText({"\"A b\",mp4,320x240,LIBX264,30fps,384kbps,AAC,44100Hz,96kbps", "short,x"}),
      "1\tA b\tmp4\t320x240\tLIBX264\t30fps\t384kbps\tAAC\t44100Hz\t96kbps\n"
      "2\tshort\tx\t\t\t\t\t\t\t\n");
  test::ScratchDir dir;
  dir.Write("profile.txt", test::TestPresets);
  test::CliRun r = test::RunIn(dir.Path(), {"--list-presets"});
  EXPECT_EQ(r.Code, ExitConverted);
  EXPECT_EQ(test::Lines(r.Out).size(), 4u);
  EXPECT_EQ(test::Lines(r.Out)[2].rfind("3\tThird\tmp4\t368x208\tMPEG4", 0), 0u);
}

TEST(CliPresetList, ByteOrderMarkLeavesTheFirstPresetWhole) {
  test::ScratchDir dir;
  dir.Write("profile.txt", std::string("\xEF\xBB\xBF") + test::TestPresets);
  test::CliRun r = test::RunIn(dir.Path(), {"--list-presets"});
  EXPECT_EQ(r.Code, ExitConverted);
  ASSERT_FALSE(test::Lines(r.Out).empty());
  EXPECT_EQ(test::Lines(r.Out)[0],
            "1\tFirst One\tmp4\t320x240\tLIBX264\t30fps\t384kbps\tAAC\t44100Hz\t96kbps");
  // The first preset applies: its columns are numbers again.
  dir.Write("a.avi", "x");
  test::CliRun dry =
      test::RunIn(dir.Path(), {"--dry-run=described", "--preset", "1", dir.Path("a.avi")});
  EXPECT_EQ(dry.Code, ExitConverted) << dry.Err;
  EXPECT_NE(dry.Out.find(" -s 320x240 "), std::string::npos) << dry.Out;
}

TEST(CliIntake, ListOrderIsTheOneTheWindowGives) {
  test::ScratchDir dir;
  std::vector<std::string> given, sorted;
  for (const std::string& name : test::SourceNamesGiven) given.push_back(dir.Write(name, "x"));
  for (const std::string& name : test::SourceNamesSorted) sorted.push_back(dir.Path(name));
  EXPECT_EQ(TakePaths(given).Sources, sorted);
}

TEST(CliIntake, FoldersExpandedFilesAsGivenSortedWithoutCase) {
  test::ScratchDir dir;
  dir.Write("d/B.avi", "x");
  dir.Write("d/sub/c.avi", "x");
  dir.Write("d/a.avi", "x");
  const std::string z = dir.Write("Z.avi", "x");
  IntakeResult r = TakePaths({z, dir.Path("d") + "/", dir.Path("nothing"), z + "/", z});
  EXPECT_EQ(r.Sources, (std::vector<std::string>{dir.Path("d/a.avi"), dir.Path("d/B.avi"),
                                                 dir.Path("d/sub/c.avi"), z, z}));
  EXPECT_EQ(r.Missing, (std::vector<std::string>{dir.Path("nothing"), z + "/"}));
}

}  // namespace
}  // namespace tarnick

namespace tarnick {
namespace {

TEST(CliInfo, HelpAndVersionNeedNoFiles) {
  test::ScratchDir empty;  // no profile.txt here
  test::CliRun help = test::RunIn(empty.Path(), {"--fps", "20", "-h"});
  EXPECT_EQ(help.Code, ExitConverted);
  EXPECT_EQ(help.Out.rfind("Usage: tarnick-cli [OPTIONS] PATH...\n", 0), 0u);
  EXPECT_NE(help.Out.find("--list-presets"), std::string::npos);
  test::CliRun version = test::RunIn(empty.Path(), {"--version"});
  EXPECT_EQ(version.Out, "tarnick-cli 4.2\n");
  // Anything else needs the presets.
  test::CliRun run = test::RunIn(empty.Path(), {"--dry-run=described", "a.avi"});
  EXPECT_EQ(run.Code, ExitUsage);
  EXPECT_NE(run.Err.find(empty.Path() + "/profile.txt"), std::string::npos) << run.Err;
}

// The words a shell makes of a line, printed one per line.
std::vector<std::string> ShellWords(const std::string& line) {
  std::string cmd = "printf '%s\\n' " + line.substr(line.find(' ') + 1);
  std::string out;
  if (FILE* p = ::popen(cmd.c_str(), "r")) {
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    ::pclose(p);
  }
  return test::Lines(out);
}

class CliDryRunAdapted : public CliDryRun {
 protected:
  void SetUp() override {
    CliDryRun::SetUp();
    // The fake encoder as the program folder's ffmpeg: known encoders.
    encoder_ = dir_.Path("bin/ffmpeg");
    std::filesystem::copy_file(std::string(TARNICK_TEST_BIN_DIR) + "/ffmpeg", encoder_);
    ::setenv("FAKE_FFMPEG_NO_LIBFAAC", "1", 1);
  }
  void TearDown() override { ::unsetenv("FAKE_FFMPEG_NO_LIBFAAC"); }
  std::string encoder_;
};

TEST_F(CliDryRunAdapted, EveryRunOfEachFileAsItRunsQuotedForAShell) {
  const std::string out = dir_.Path("out dir");
  test::CliRun r = Run({"--dry-run", "--output", out, clip_});
  ASSERT_EQ(r.Code, ExitConverted) << r.Err;
  const auto lines = test::Lines(r.Out);
  ASSERT_EQ(lines.size(), 3u) << r.Out;  // preview, side thumbnail, conversion
  for (const auto& l : lines) EXPECT_EQ(l.rfind(encoder_ + " ", 0), 0u) << l;
  const auto preview = ShellWords(lines[0]);
  const auto side = ShellWords(lines[1]);
  const auto conversion = ShellWords(lines[2]);
  ASSERT_GE(conversion.size(), 3u);
  EXPECT_EQ(conversion[1], clip_);  // the blank survives the shell
  EXPECT_EQ(conversion.back(), out + "/clip one.mp4");
  EXPECT_EQ(side.back(), out + "/clip one.jpg");
  EXPECT_EQ(preview.back(), dir_.Path("bin/_thumb.jpg"));
  for (const char* word : {"-b:v", "-pix_fmt", "aac"})
    EXPECT_NE(std::find(conversion.begin(), conversion.end(), word), conversion.end()) << word;
  EXPECT_EQ(std::find(conversion.begin(), conversion.end(), "libfaac"), conversion.end());
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(CliDryRunAdapted, TwoPassLinesCarryTheirStatisticsFile) {
  test::CliRun r =
      Run({"--dry-run", "--two-pass", "--no-thumbnail", "--output", dir_.Path("o"), clip_});
  ASSERT_EQ(r.Code, ExitConverted) << r.Err;
  const auto lines = test::Lines(r.Out);
  ASSERT_EQ(lines.size(), 4u) << r.Out;  // preview, pass 1, preview, pass 2
  EXPECT_NE(lines[1].find(" -pass 1 "), std::string::npos);
  EXPECT_NE(lines[1].find(" -passlogfile "), std::string::npos);
  EXPECT_NE(lines[3].find(" -pass 2 "), std::string::npos);
  EXPECT_NE(lines[3].find(" -passlogfile "), std::string::npos);
}

// A refused file is named, in either form, and the exit code says so.
TEST_F(CliDryRunAdapted, RefusedLineNamesItsFileAndFails) {
  const std::string other = dir_.Write("videos/b.avi", "x");
  for (const char* form : {"--dry-run", "--dry-run=described"}) {
    test::CliRun r =
        Run({form, "--no-thumbnail", "--output", "/" + std::string(CommandBufferSize, 'o'), clip_});
    EXPECT_EQ(r.Code, ExitFailed) << form;
    EXPECT_NE(r.Err.find(clip_ + ": not converted: the encoder's command line"), std::string::npos)
        << form << r.Err;
  }
}

TEST_F(CliDryRunAdapted, PipeIsNamedAndNeverOpened) {
  const std::string fifo = dir_.Path("videos/pipe.avi");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  test::CliRun r = Run({"--dry-run", "--output", dir_.Path("o"), dir_.Path("videos")});
  EXPECT_EQ(r.Code, ExitFailed);
  EXPECT_NE(r.Err.find(fifo + ": not converted: not a regular file"), std::string::npos) << r.Err;
  EXPECT_EQ(test::Lines(r.Out).size(), 3u);  // the clip's three runs
}

TEST(CliOptionsDryRun, DescribedFormOnly) {
  EXPECT_TRUE(ParseOptions({"--dry-run=described"}).DryRunDescribed);
  EXPECT_FALSE(ParseOptions({"--dry-run"}).DryRunDescribed);
  EXPECT_THROW(ParseOptions({"--dry-run=loud"}), UsageError);
}

}  // namespace
}  // namespace tarnick
