#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

#include "engine/CommandLine.h"
#include "platform/EncoderAdapter.h"
#include "platform/EncoderCache.h"
#include "support/FakeEncoder.h"

namespace tarnick {
namespace {

using Args = std::vector<std::string>;

EncoderList Without(std::initializer_list<const char*> names) {
  EncoderList l;
  for (const char* n : {"libx264", "mpeg4", "libxvid", "aac", "libfaac"}) l.Names.insert(n);
  for (const char* n : names) l.Names.erase(n);
  return l;
}

ConversionSettings Settings(int sampleRateIndex, const char* codec) {
  ConversionSettings s;
  s.OutputFolder = "/out";
  s.SampleRateIndex = sampleRateIndex;
  s.VideoCodec = codec;
  return s;
}

// The words after the fixed part "-i src -y [-pass n [-an]] -flags bitexact -s .. -aspect ..".
Args Tail(const Args& a) {
  auto it = std::find(a.begin(), a.end(), "-vcodec");
  return Args(it, a.end());
}

TEST(EncoderAdapter, ConversionLineRules) {
  struct Case {
    const char* codec;
    int rateIndex;
    EncoderList encoders;
    Args tail;
  };
  // MPEG-4 Part 2 runs are held to the asked rate: 384k at 15 fps.
  const Args mpeg4Rate{"-maxrate", "384k", "-bufsize", "192k", "-bt", "38k"};
  const Args stereoIndexFirst{"-ac", "2", "-movflags", "+faststart", "/out/a.mp4"};
  auto tail = [&](Args head, bool rate) {
    if (rate) head.insert(head.end(), mpeg4Rate.begin(), mpeg4Rate.end());
    head.insert(head.end(), stereoIndexFirst.begin(), stereoIndexFirst.end());
    return head;
  };
  const std::vector<Case> cases{
      {"MPEG4", 3, Without({"libfaac"}),
       tail({"-vcodec", "mpeg4", "-b:v", "384k", "-r", "15", "-acodec", "aac", "-ab", "64k", "-ar",
             "24000", "-pix_fmt", "yuv420p"},
            true)},
      {"MPEG4", 2, Without({}),
       tail({"-vcodec", "mpeg4", "-b:v", "384k", "-r", "15", "-acodec", "libfaac", "-ab", "64k",
             "-ar", "44100", "-pix_fmt", "yuv420p"},
            true)},
      {"LIBX264", 0, Without({"libfaac"}),
       tail({"-vcodec",  "libx264", "-b:v",         "384k",          "-r",     "15",
             "-acodec",  "aac",     "-ab",          "64k",           "-ar",    "48000",
             "-pix_fmt", "yuv420p", "-profile:v",   "main",          "-level", "3.0",
             "-refs",    "2",       "-x264-params", "b-pyramid=none"},
            false)},
      // The MP4 muxer refuses xvid's own tag.
      {"LIBXVID", 1, Without({"libfaac"}),
       tail({"-vcodec", "libxvid", "-b:v", "384k", "-r", "15", "-acodec", "aac", "-ab", "64k",
             "-ar", "44100", "-pix_fmt", "yuv420p", "-vtag", "mp4v"},
            true)},
      // No libxvid: the same MPEG-4 Part 2 stream from ffmpeg's own encoder.
      {"LIBXVID", 1, Without({"libfaac", "libxvid"}),
       tail({"-vcodec", "mpeg4", "-b:v", "384k", "-r", "15", "-acodec", "aac", "-ab", "64k", "-ar",
             "44100", "-pix_fmt", "yuv420p"},
            true)},
  };
  for (const Case& c : cases) {
    EncoderCommand cmd = MakeConversionCommand(PathStyle::Posix, Settings(c.rateIndex, c.codec),
                                               "/v/a.avi", "/out/a.mp4", 1, 1);
    Args got = AdaptArguments(cmd.Arguments, RunKind::Conversion, c.encoders, "/tmp/p/pass");
    EXPECT_EQ(Tail(got), c.tail) << c.codec << " " << c.rateIndex;
    EXPECT_EQ(Args(got.begin(), got.begin() + 3), (Args{"-i", "/v/a.avi", "-y"}));
  }
}

TEST(EncoderAdapter, MpegFourRateControlFollowsTheAskedRate) {
  struct Case {
    int kbps, fps;
    Args rate;
  };
  const std::vector<Case> cases{
      {768, 30, {"-maxrate", "768k", "-bufsize", "384k", "-bt", "77k"}},
      {128, 15, {"-maxrate", "128k", "-bufsize", "64k", "-bt", "13k"}},
      // The buffer stays within what the player's decoder takes.
      {3000, 30, {"-maxrate", "3000k", "-bufsize", "640k", "-bt", "300k"}},
      // ffmpeg refuses a tolerance below one frame's share of the rate.
      {100, 5, {"-maxrate", "100k", "-bufsize", "50k", "-bt", "20k"}},
  };
  for (const Case& c : cases) {
    ConversionSettings s = Settings(2, "MPEG4");
    s.VideoKbps = c.kbps;
    s.FrameRate = c.fps;
    for (int pass : {1, 2}) {
      EncoderCommand cmd =
          MakeConversionCommand(PathStyle::Posix, s, "/v/a.avi", "/out/a.mp4", 2, pass);
      Args got = AdaptArguments(cmd.Arguments, RunKind::Conversion, Without({}), "/tmp/p/pass");
      auto at = std::find(got.begin(), got.end(), "-maxrate");
      ASSERT_NE(at, got.end()) << c.kbps;
      EXPECT_EQ(Args(at, at + 6), c.rate) << c.kbps << " pass " << pass;
    }
  }
}

TEST(EncoderAdapter, OnlyTheRunsThatKeepTheirOutputAreIndexedFirst) {
  // Pass 1 writes no audio and is replaced by pass 2.
  struct Case {
    int passes, pass;
    bool stereo, faststart;
  };
  for (const Case& c :
       std::vector<Case>{{1, 1, true, true}, {2, 1, false, false}, {2, 2, true, true}}) {
    EncoderCommand cmd = MakeConversionCommand(PathStyle::Posix, Settings(2, "LIBX264"), "/v/a.avi",
                                               "/out/a.mp4", c.passes, c.pass);
    Args got = AdaptArguments(cmd.Arguments, RunKind::Conversion, Without({}), "/tmp/p/pass");
    const auto ac = std::find(got.begin(), got.end(), "-ac");
    EXPECT_EQ(ac != got.end() && ac + 1 != got.end() && ac[1] == "2", c.stereo)
        << c.passes << c.pass;
    EXPECT_EQ(std::count(got.begin(), got.end(), "+faststart"), c.faststart ? 1 : 0)
        << c.passes << c.pass;
  }
}

TEST(EncoderAdapter, RelativePathsThatLookLikeProtocolsBecomeAbsolute) {
  const std::string cwd = std::filesystem::current_path().native();
  for (const std::string name : {"pipe:1.avi", "rec-10:30.avi", "-report.avi", "sub/x.avi"}) {
    const std::string out = "pipe:" + name + ".mp4";
    EncoderCommand conv =
        MakeConversionCommand(PathStyle::Posix, Settings(2, "MPEG4"), name, out, 1, 1);
    Args got = AdaptArguments(conv.Arguments, RunKind::Conversion, Without({}), "");
    EXPECT_EQ(got[1], cwd + "/" + name);
    EXPECT_EQ(got.back(), cwd + "/" + out);
    // The shown line keeps what the user gave.
    EXPECT_NE(conv.Text.find('"' + name + '"'), std::string::npos);
    EncoderCommand side = MakeSideThumbnailArgs(name, 1, "x:y.jpg");
    got = AdaptArguments(side.Arguments, RunKind::Thumbnail, Without({}), "");
    EXPECT_EQ(got[1], cwd + "/" + name);
    EXPECT_EQ(got.back(), cwd + "/x:y.jpg");
  }
  // An absolute path is left byte for byte, even one that is no valid UTF-8.
  const std::string raw = "/v/\x82\xa0/../a.avi";
  EXPECT_EQ(AbsoluteForEncoder(raw), raw);
}

TEST(EncoderAdapter, TwoPassGetsItsPrivateLogBeforeTheOutput) {
  for (int pass : {1, 2}) {
    EncoderCommand cmd = MakeConversionCommand(PathStyle::Posix, Settings(3, "MPEG4"), "/v/a.avi",
                                               "/out/a.mp4", 2, pass);
    Args got = AdaptArguments(cmd.Arguments, RunKind::Conversion, Without({}), "/tmp/p/pass");
    ASSERT_GE(got.size(), 3u);
    EXPECT_EQ(Args(got.end() - 3, got.end()), (Args{"-passlogfile", "/tmp/p/pass", "/out/a.mp4"}));
    EXPECT_EQ(std::count(got.begin(), got.end(), "-an"), pass == 1 ? 1 : 0);
  }
  EncoderCommand one =
      MakeConversionCommand(PathStyle::Posix, Settings(3, "MPEG4"), "/v/a.avi", "/out/a.mp4", 1, 1);
  Args got = AdaptArguments(one.Arguments, RunKind::Conversion, Without({}), "/tmp/p/pass");
  EXPECT_EQ(std::count(got.begin(), got.end(), "-passlogfile"), 0);
}

TEST(EncoderAdapter, ThumbnailLinesGainOnePictureAndOverwrite) {
  // "-update 1": a "%" in the name is no frame number pattern.
  EncoderCommand preview = MakePreviewThumbnailArgs(PathStyle::Posix, "/v/a.avi", "/opt/t");
  EXPECT_EQ(AdaptArguments(preview.Arguments, RunKind::Thumbnail, Without({"libfaac"}), ""),
            (Args{"-i", "/v/a.avi", "-f", "image2", "-ss", "5", "-vframes", "1", "-s", "80x60",
                  "-an", "-update", "1", "-y", "/opt/t/_thumb.jpg"}));
}

TEST(EncoderAdapter, PathsThatLookLikeOptionsAreLeftAlone) {
  Args in{"-i", "-b", "-y", "-b", "384k", "-acodec", "libfaac", "-ar", "41000", "-ar"};
  const std::string cwd = std::filesystem::current_path().native();
  EXPECT_EQ(AdaptArguments(in, RunKind::Conversion, Without({"libfaac"}), ""),
            (Args{"-i", cwd + "/-b", "-y", "-b:v", "384k", "-acodec", "aac", "-ar", "44100",
                  "-pix_fmt", "yuv420p", "-ac", "2", "-movflags", "+faststart", cwd + "/-ar"}));
}

TEST(EncoderAdapter, NearestAacRate) {
  const std::vector<std::pair<int, int>> cases{{41000, 44100}, {44100, 44100}, {48000, 48000},
                                               {24000, 24000}, {23000, 22050}, {100000, 96000}};
  for (auto [in, out] : cases) EXPECT_EQ(NearestAacRate(in), out) << in;
}

TEST(EncoderAdapter, ParsesTheEncoderListAfterItsRule) {
  const std::string text =
      "Encoders:\n V..... = Video\n A..... = Audio\n ------\n"
      " V....D libx264              libx264 H.264\n"
      " A..... aac                  AAC (Advanced Audio Coding)\n"
      " A..... libfaac              libfaac AAC\r\n";
  EncoderList l = ParseEncoderList(text);
  EXPECT_EQ(l.Names, (std::set<std::string>{"libx264", "aac", "libfaac"}));
  EXPECT_TRUE(ParseEncoderList("no rule here\n V..... libfaac x\n").Names.empty());
}

TEST(EncoderAdapter, ProbeAsksTheInstalledEncoder) {
  for (bool withFaac : {true, false}) {
    testsupport::FakeEncoderFolder f;
    testsupport::ScopedEnv faac("FAKE_FFMPEG_NO_LIBFAAC", withFaac ? "0" : "1");
    const EncoderList& l = ProbeEncoders(f.Path("ffmpeg"));
    EXPECT_EQ(l.Has("libfaac"), withFaac);
    EXPECT_TRUE(l.Has("aac"));
    EXPECT_EQ(&ProbeEncoders(f.Path("ffmpeg")), &l);  // asked once
    EXPECT_EQ(f.Runs().size(), 1u);
  }
  EXPECT_TRUE(ProbeEncoders("/nonexistent/ffmpeg").Names.empty());
}

}  // namespace
}  // namespace tarnick

namespace tarnick {
namespace {

// The list is asked once per encoder, also across program runs, and again
// when the encoder at that path changed.
TEST(EncoderCache, AsksOncePerEncoderStamp) {
  QTemporaryDir dir;
  const std::string cache = dir.filePath("encoders.txt").toStdString();
  const std::string a = dir.filePath("a-ffmpeg").toStdString(),
                    b = dir.filePath("b-ffmpeg").toStdString();
  std::ofstream(a) << "one";
  std::ofstream(b) << "two";
  int asked = 0;
  auto ask = [&] {
    ++asked;
    EncoderList l;
    l.Names = {"aac", "libx264", std::to_string(asked)};
    return l;
  };
  EXPECT_EQ(CachedEncoderList(a, cache, ask).Names, (std::set<std::string>{"aac", "libx264", "1"}));
  EXPECT_EQ(CachedEncoderList(a, cache, ask).Names, (std::set<std::string>{"aac", "libx264", "1"}));
  EXPECT_EQ(CachedEncoderList(b, cache, ask).Names.count("2"), 1u);
  EXPECT_EQ(CachedEncoderList(a, cache, ask).Names.count("1"), 1u);  // both kept
  EXPECT_EQ(asked, 2);
  // Another ffmpeg at the same place.
  std::ofstream(a) << "a newer build";
  EXPECT_EQ(CachedEncoderList(a, cache, ask).Names.count("3"), 1u);
  EXPECT_EQ(asked, 3);
  // An empty answer is not kept; a missing encoder is asked directly.
  auto none = [&] { return ++asked, EncoderList{}; };
  std::ofstream(b) << "broken";
  EXPECT_TRUE(CachedEncoderList(b, cache, none).Names.empty());
  EXPECT_TRUE(CachedEncoderList(b, cache, none).Names.empty());
  EXPECT_EQ(asked, 5);
  EXPECT_TRUE(CachedEncoderList(dir.filePath("none").toStdString(), cache, none).Names.empty());
  EXPECT_EQ(asked, 6);
}

}  // namespace
}  // namespace tarnick
