#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/CliHost.h"
#include "cli/CliTestHelpers.h"
#include "cli/ConsoleProgress.h"
#include "cli/EncoderProgress.h"

namespace tarnick {
namespace {

TEST(ProgressReport, FollowsOutTimeAcrossCutLines) {
  ProgressReport r;
  r.Feed("frame=10\nout_time_us=1500");
  EXPECT_FALSE(r.OutTimeSeconds());  // the line is not complete yet
  r.Feed("000\r\nout_time_ms=1500000\nprogress=continue\n");
  ASSERT_TRUE(r.OutTimeSeconds());
  EXPECT_DOUBLE_EQ(*r.OutTimeSeconds(), 1.5);
  EXPECT_FALSE(r.Ended());
  r.Feed("out_time_us=N/A\nout_time_us=-5\nout_time_us=2250000\nprogress=end\n");
  EXPECT_DOUBLE_EQ(*r.OutTimeSeconds(), 2.25);
  EXPECT_TRUE(r.Ended());
}

TEST(ProgressReport, LastErrorLine) {
  EXPECT_EQ(LastNonEmptyLine("$ ffmpeg -i a\nInput #0\nbad.avi: Invalid data found\r\n\n  \n"),
            "bad.avi: Invalid data found");
  EXPECT_EQ(LastNonEmptyLine("frame=1\rframe=2\r"), "frame=2");
  EXPECT_EQ(LastNonEmptyLine("\n\n"), "");
  EXPECT_EQ(LastNonEmptyLine("only"), "only");
}

class ConsoleProgressTest : public ::testing::Test {
 protected:
  ConsoleProgressTest() : host_({"/v/a.avi", "/v/b.avi"}, Settings(), "/bin") {}
  static ConversionSettings Settings() {
    ConversionSettings s;
    s.TwoPass = true;
    s.OutputFolder = "/o";
    return s;
  }
  ConsoleProgress View(bool terminal) {
    return ConsoleProgress(out_, terminal, host_, [this] { return now_; });
  }
  // The runner's calls for one pass.
  void Pass(ConsoleProgress& v, int i, const std::string& name) {
    host_.SetCurrentSource("/v/" + name + ".avi");
    host_.SetCurrentOutput("/o/" + name + ".mp4");
    v.SetProgressPosition(i);
    v.SetLabel1(name + ".avi -> " + name + ".mp4");
  }

  std::ostringstream out_;
  CliHost host_;
  double now_ = 100;
};

TEST_F(ConsoleProgressTest, PipeGetsOneLinePerFinishedPass) {
  ConsoleProgress v = View(false);
  v.SetProgressMax(2);
  Pass(v, 0, "a");
  v.RunStarted(10.0);
  now_ += 2;
  v.RunProgress(5);
  now_ += 2;
  v.RunEnded(false, "");
  Pass(v, 0, "a");
  v.RunStarted(10.0);
  now_ += 65;
  v.RunEnded(false, "");
  Pass(v, 1, "b");
  v.RunStarted(std::nullopt);
  v.RunEnded(false, "b.avi: Invalid data found when processing input");
  v.Finish();
  EXPECT_EQ(out_.str(),
            "[1/2] a.avi -> a.mp4  pass 1/2  done in 0:04\n"
            "[1/2] a.avi -> a.mp4  pass 2/2  done in 1:05\n"
            "[2/2] b.avi -> b.mp4  pass 1/2  failed after 0:00\n");
  ASSERT_EQ(v.Records().size(), 2u);
  EXPECT_EQ(v.Records()[0].Status, FileStatus::Converted);
  EXPECT_EQ(v.Records()[0].Output, "/o/a.mp4");
  EXPECT_EQ(v.Records()[1].Status, FileStatus::Failed);
  // The summary names the file; the reason does not say it again.
  EXPECT_EQ(v.Records()[1].Reason, "Invalid data found when processing input");
}

TEST_F(ConsoleProgressTest, TerminalLineUpdatesInPlaceWithPercentAndTimeLeft) {
  ConsoleProgress v = View(true);
  v.SetProgressMax(2);
  Pass(v, 0, "a");
  v.RunStarted(20.0);
  now_ += 0.1;
  v.RunProgress(1);  // too soon after the last drawing: skipped
  now_ += 4.9;
  v.RunProgress(5);  // a quarter in 5 s: 15 s left
  now_ += 5;
  v.RunProgress(10);
  // The file's line, and below it the whole batch's with its speed.
  const std::string in = "\r\x1b[K[1/2] a.avi -> a.mp4  pass 1/2  ";
  const std::string all = "\n\r\x1b[Kall: 0/2 files  ";
  const std::string up = "\r\x1b[1A";
  EXPECT_EQ(out_.str(), in + "0%" + all + "0%" + up + in + "25%  0:15 left" + all +
                            "6%  1:15 left  1.0x" + up + in + "50%  0:10 left" + all +
                            "12%  1:10 left  1.0x");
  out_.str("");
  v.RunEnded(false, "");
  EXPECT_EQ(out_.str(), up + in + "done in 0:10\n\x1b[J");
}

TEST_F(ConsoleProgressTest, UnknownLengthShowsTimeEncoded) {
  ConsoleProgress v = View(true);
  v.SetProgressMax(1);
  Pass(v, 0, "a");
  v.RunStarted(std::nullopt);
  now_ += 1;
  v.RunProgress(75);
  EXPECT_NE(out_.str().find("pass 1/2  1:15 encoded"), std::string::npos) << out_.str();
}

TEST_F(ConsoleProgressTest, RefusedPassAndInterruptedRun) {
  struct Canceller : IRunCanceller {
    int Calls = 0;
    bool TerminateConversion() override { return ++Calls, true; }
  } canceller;
  ConsoleProgress v = View(false);
  v.Create(canceller);
  v.SetProgressMax(2);
  // The batch refuses a file whose output is its source: a label, no run.
  host_.SetCurrentSource("/o/a.mp4");
  host_.SetCurrentOutput("/o/a.mp4");
  v.SetProgressPosition(0);
  v.SetLabel1("a.mp4 -> a.mp4");
  v.PassRefused(PassRefusal::OutputIsSource);
  Pass(v, 1, "b");
  EXPECT_EQ(v.Records()[0].Status, FileStatus::Failed);
  EXPECT_EQ(v.Records()[0].Reason, "not converted: the output would replace the source");
  v.RunStarted(std::nullopt);
  EXPECT_EQ(v.GetCancelAnswer(), CancelAnswer::None);
  v.Interrupt();
  v.Interrupt();
  EXPECT_EQ(canceller.Calls, 1);
  EXPECT_EQ(v.GetCancelAnswer(), CancelAnswer::Cancelled);
  v.ResetCancelAnswer();  // a cancel by Ctrl-C holds for the rest of the batch
  EXPECT_EQ(v.GetCancelAnswer(), CancelAnswer::Cancelled);
  v.RunEnded(true, "");
  v.Finish();
  EXPECT_EQ(v.Records()[1].Status, FileStatus::Cancelled);
  EXPECT_NE(out_.str().find("[2/2] b.avi -> b.mp4  pass 1/2  cancelled\n"), std::string::npos);
}

}  // namespace
}  // namespace tarnick

namespace tarnick {
namespace {

TEST(EncoderMessages, DurationLineOfTheInput) {
  EXPECT_EQ(ParseDurationLine("  Duration: 00:01:02.50, start: 0.000000, bitrate: 1205 kb/s"),
            62.5);
  EXPECT_EQ(ParseDurationLine("  Duration: 01:00:00.00, start: 0.0"), 3600.0);
  EXPECT_EQ(ParseDurationLine("  Duration: N/A, start: 0.000000, bitrate: N/A"), std::nullopt);
  EXPECT_EQ(ParseDurationLine("  Duration: 00:00:00.00, start: 0.0"), std::nullopt);
  // A file named so is no duration line.
  EXPECT_EQ(ParseDurationLine("Input #0, avi, from 'Duration: 00:00:09.00.avi':"), std::nullopt);
}

TEST(EncoderMessages, LogDurationFollowsTheGrowingLog) {
  test::ScratchDir dir;
  const std::string log = dir.Write("log.txt", "earlier run\n  Duration: 00:09:00.00, start: 0\n");
  const auto start = std::filesystem::file_size(log);
  LogDuration d(log, start);
  EXPECT_EQ(d.Poll(), std::nullopt);
  std::ofstream(log, std::ios::app) << "$ ffmpeg -i a.avi\nInput #0, avi, from 'a.avi':\n  Durat";
  EXPECT_EQ(d.Poll(), std::nullopt);
  EXPECT_FALSE(d.Done());
  std::ofstream(log, std::ios::app) << "ion: 00:00:30.00, start: 0.000000\n";
  EXPECT_EQ(d.Poll(), 30.0);
  EXPECT_TRUE(d.Done());
  // Past the input without a length: no more looking.
  LogDuration none(log, std::filesystem::file_size(log));
  std::ofstream(log, std::ios::app) << "  Duration: N/A, start: 0\nStream mapping:\n";
  EXPECT_EQ(none.Poll(), std::nullopt);
  EXPECT_TRUE(none.Done());
}

TEST(BatchReportText, ReasonWithoutThePathSaidTwice) {
  const struct {
    const char* Reason;
    const char* Source;
    const char* Expected;
  } cases[] = {
      {"/v/b.avi: Invalid data found", "/v/b.avi", "Invalid data found"},
      {"b.avi: Invalid data found", "/v/b.avi", "Invalid data found"},
      {"the encoder crashed", "/v/b.avi", "the encoder crashed"},
      {"/v/b.avi.part: Invalid", "/v/b.avi", "/v/b.avi.part: Invalid"},
      {"b.avi: ", "/v/b.avi", "b.avi: "},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BatchReport::WithoutPath(c.Reason, c.Source), c.Expected) << c.Reason;
}

}  // namespace
}  // namespace tarnick
