#include <gtest/gtest.h>

#include "engine/CommandLine.h"

namespace tarnick {
namespace {

ConversionSettings ExampleSettings(std::string folder) {
  ConversionSettings s;
  s.OutputFolder = std::move(folder);
  s.SizeIndex = 1;
  s.VideoCodec = "MPEG4";
  s.VideoKbps = 384;
  s.FrameRate = 15;
  s.SampleRateIndex = 3;
  s.AudioKbps = 64;
  return s;
}

TEST(CommandLine, ExampleLineWindowsByteForByte) {
  auto s = ExampleSettings("D:\\out");
  std::string out = MakeOutputPath(PathStyle::Windows, s.OutputFolder, "C:\\v\\a.avi");
  EXPECT_EQ(out, "D:\\out\\a.mp4");
  auto cmd = MakeConversionCommand(PathStyle::Windows, s, "C:\\v\\a.avi", out, 1, 1);
  EXPECT_EQ(cmd.Text,
            "ffmpeg.exe -i \"C:\\v\\a.avi\" -y -flags bitexact -s 320x240 -aspect 4:3 -vcodec "
            "mpeg4 -b 384k -r 15 -acodec libfaac -ab 64k -ar 24000 \"D:\\out\\a.mp4\"");
  EXPECT_TRUE(cmd.FitsCommandBuffer());
}

TEST(CommandLine, ExampleLinePosixTextAndArguments) {
  auto s = ExampleSettings("/out");
  std::string out = MakeOutputPath(PathStyle::Posix, s.OutputFolder, "/v/a.avi");
  auto cmd = MakeConversionCommand(PathStyle::Posix, s, "/v/a.avi", out, 1, 1);
  EXPECT_EQ(cmd.Text,
            "ffmpeg -i \"/v/a.avi\" -y -flags bitexact -s 320x240 -aspect 4:3 -vcodec mpeg4 -b "
            "384k -r 15 -acodec libfaac -ab 64k -ar 24000 \"/out/a.mp4\"");
  std::vector<std::string> expected{"-i",      "/v/a.avi", "-y",    "-flags",    "bitexact", "-s",
                                    "320x240", "-aspect",  "4:3",   "-vcodec",   "mpeg4",    "-b",
                                    "384k",    "-r",       "15",    "-acodec",   "libfaac",  "-ab",
                                    "64k",     "-ar",      "24000", "/out/a.mp4"};
  EXPECT_EQ(cmd.Arguments, expected);
}

TEST(CommandLine, TwoPassLines) {
  auto s = ExampleSettings("D:\\out");
  auto p1 = MakeConversionCommand(PathStyle::Windows, s, "C:\\v\\a.avi", "D:\\out\\a.mp4", 2, 1);
  auto p2 = MakeConversionCommand(PathStyle::Windows, s, "C:\\v\\a.avi", "D:\\out\\a.mp4", 2, 2);
  const std::string tail =
      " -flags bitexact -s 320x240 -aspect 4:3 -vcodec mpeg4 -b 384k -r 15 -acodec libfaac -ab "
      "64k -ar 24000 \"D:\\out\\a.mp4\"";
  EXPECT_EQ(p1.Text, "ffmpeg.exe -i \"C:\\v\\a.avi\" -y -pass 1 -an" + tail);
  EXPECT_EQ(p2.Text, "ffmpeg.exe -i \"C:\\v\\a.avi\" -y -pass 2" + tail);
  EXPECT_EQ(p1.Arguments[3], "-pass");
  EXPECT_EQ(p1.Arguments[4], "1");
  EXPECT_EQ(p1.Arguments[5], "-an");
  EXPECT_EQ(p2.Arguments[5], "-flags");
}

TEST(CommandLine, EveryTableRowAndCodecCase) {
  ConversionSettings s = ExampleSettings("/o");
  s.VideoCodec = "LIBX264";
  s.SizeIndex = 4;
  s.SampleRateIndex = 2;
  auto cmd = MakeConversionCommand(PathStyle::Posix, s, "/a", "/o/a.mp4", 1, 1);
  EXPECT_NE(cmd.Text.find(" -s 480x272 -aspect 16:9 -vcodec libx264 "), std::string::npos);
  EXPECT_NE(cmd.Text.find(" -ar 41000 \"/o/a.mp4\""), std::string::npos);
  EXPECT_EQ(SizeTable.size(), 6u);
  EXPECT_EQ(SampleRateTable[2].Hz, 41000);
  EXPECT_EQ(SampleRateTable[1].Hz, 44100);
}

TEST(CommandLine, ThumbnailArguments) {
  auto preview = MakePreviewThumbnailArgs(PathStyle::Windows, "C:\\v\\a.avi", "C:\\Tools");
  EXPECT_EQ(
      preview.Text,
      "-i \"C:\\v\\a.avi\" -f image2 -ss 5 -vframes 1 -s 80x60 -an \"C:\\Tools\\_thumb.jpg\"");
  auto side = MakeSideThumbnailArgs("C:\\v\\a.avi", 1, "D:\\out\\a.jpg");
  EXPECT_EQ(side.Text,
            "-i \"C:\\v\\a.avi\" -f image2 -ss 1 -vframes 1 -s 160x120 -an \"D:\\out\\a.jpg\"");
  EXPECT_EQ(side.Arguments.back(), "D:\\out\\a.jpg");
  EXPECT_EQ(side.Arguments.size(), 12u);
  EXPECT_EQ(preview.Text.find(" -y"), std::string::npos);
  // A program folder at a drive root doubles the separator.
  EXPECT_EQ(MakePreviewThumbnailPath(PathStyle::Windows, "C:\\"), "C:\\\\_thumb.jpg");
  EXPECT_EQ(MakePreviewThumbnailPath(PathStyle::Posix, "/opt/t"), "/opt/t/_thumb.jpg");
}

struct NameCase {
  PathStyle style;
  std::string folder, source, output;
};

TEST(CommandLine, OutputNames) {
  // "\x95\x5C" is a code page 932 character whose second byte is "\".
  const std::vector<NameCase> cases{
      {PathStyle::Windows, "D:\\out", "C:\\v\\clip", "D:\\out\\clip.mp4"},
      {PathStyle::Windows, "D:\\out", "C:\\v.d\\clip", "D:\\out\\clip.mp4"},
      {PathStyle::Windows, "D:\\out", "C:\\v\\a.b.avi", "D:\\out\\a.b.mp4"},
      {PathStyle::Windows, "D:\\out", "C:\\v\\a.", "D:\\out\\a.mp4"},
      {PathStyle::Windows, "D:\\out", "C:a.avi", "D:\\out\\a.mp4"},
      {PathStyle::Windows, "D:\\out", "C:\\v\\\x95\x5C.avi", "D:\\out\\\x95\x5C.mp4"},
      {PathStyle::Windows, "D:\\out", "C:\\v\\x\x95\x5C", "D:\\out\\x\x95\x5C.mp4"},
      {PathStyle::Posix, "/out", "/v/clip", "/out/clip.mp4"},
      {PathStyle::Posix, "/out", "/v.d/clip", "/out/clip.mp4"},
      {PathStyle::Posix, "/out", "/v/a.b.avi", "/out/a.b.mp4"},
      {PathStyle::Posix, "/out", "/v/a.", "/out/a.mp4"},
      {PathStyle::Posix, "/out", "/v/C:a.avi", "/out/C:a.mp4"},
      {PathStyle::Posix, "/out", "/v/表.avi", "/out/表.mp4"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MakeOutputPath(c.style, c.folder, c.source), c.output) << c.source;
  }
  EXPECT_EQ(MakeOutputPath(PathStyle::Windows, "D:\\out", "C:\\x\\a.avi"),
            MakeOutputPath(PathStyle::Windows, "D:\\out", "C:\\y\\a.mkv"));
  EXPECT_EQ(MakeSideThumbnailPath(PathStyle::Windows, "D:\\out\\a.b.mp4"), "D:\\out\\a.b.jpg");
  EXPECT_EQ(MakeSideThumbnailPath(PathStyle::Posix, "/out/a.mp4"), "/out/a.jpg");
}

TEST(CommandLine, BufferLimitRefusesWithoutCutting) {
  ConversionSettings s = ExampleSettings("/o");
  auto base = MakeConversionCommand(PathStyle::Posix, s, "/a", "/o/a.mp4", 1, 1);
  // Grow the output folder until the line is exactly 9999 and 10000 bytes.
  std::size_t pad = 9999 - base.Text.size();
  std::string folder = "/o" + std::string(pad, 'x');
  auto fits = MakeConversionCommand(PathStyle::Posix, s, "/a", folder + "/a.mp4", 1, 1);
  EXPECT_EQ(fits.Text.size(), 9999u);
  EXPECT_TRUE(fits.FitsCommandBuffer());
  auto over = MakeConversionCommand(PathStyle::Posix, s, "/a", folder + "x/a.mp4", 1, 1);
  EXPECT_EQ(over.Text.size(), 10000u);
  EXPECT_FALSE(over.FitsCommandBuffer());
  EXPECT_EQ(over.Arguments.back(), folder + "x/a.mp4");
}

}  // namespace
}  // namespace tarnick
