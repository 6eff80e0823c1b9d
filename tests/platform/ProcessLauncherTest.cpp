#include <gtest/gtest.h>

#include <QCoreApplication>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include "engine/CommandLine.h"
#include "platform/EncoderLocator.h"
#include "platform/FileOps.h"
#include "platform/JpegImage.h"
#include "platform/ProcessLauncher.h"
#include "support/FakeEncoder.h"

namespace tarnick {
namespace {

using testsupport::FakeEncoderFolder;
using testsupport::ScopedEnv;
using testsupport::WaitFor;

struct CountingPump : IMessagePump {
  int calls = 0;
  std::function<void()> onCall;
  void ProcessMessages() override {
    ++calls;
    if (onCall) onCall();
  }
};

ConversionSettings Settings(const std::string& folder) {
  ConversionSettings s;
  s.OutputFolder = folder;
  return s;
}

// Neither running nor left as a zombie of ours. A detached run belongs to
// the system's first process once it is started; reaping it is that one's.
bool ProcessGone(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string all((std::istreambuf_iterator<char>(in)), {});
  if (all.empty()) return true;
  std::istringstream rest(all.substr(all.rfind(')') + 1));
  char state = 0;
  int ppid = 0;
  rest >> state >> ppid;
  return state == 'Z' && ppid != ::getpid();
}

TEST(ProcessLauncher, ArgumentsArriveWholeWithoutAShell) {
  FakeEncoderFolder f;
  const std::string source = f.MakeFile("a b\"c$HOME 'x'.avi");
  const std::string output = MakeOutputPath(PathStyle::Posix, f.Folder(), source);
  ProcessLauncher launcher(f.Folder(), f.Path("stderr.log"));
  CountingPump pump;
  EncoderCommand cmd =
      MakeConversionCommand(PathStyle::Posix, Settings(f.Folder()), source, output, 1, 1);
  RunOutcome r = launcher.RunConversion(cmd, pump);
  EXPECT_TRUE(r.Started);
  EXPECT_TRUE(r.NormalExit);
  EXPECT_EQ(r.ExitCode, 0);
  auto runs = f.WorkRuns();
  ASSERT_EQ(runs.size(), 1u);
  const std::vector<std::string> expected{"-i",
                                          source,
                                          "-y",
                                          "-flags",
                                          "bitexact",
                                          "-s",
                                          "320x240",
                                          "-aspect",
                                          "4:3",
                                          "-vcodec",
                                          "libx264",
                                          "-b:v",
                                          "384k",
                                          "-r",
                                          "15",
                                          "-acodec",
                                          "libfaac",
                                          "-ab",
                                          "64k",
                                          "-ar",
                                          "24000",
                                          "-pix_fmt",
                                          "yuv420p",
                                          "-profile:v",
                                          "main",
                                          "-level",
                                          "3.0",
                                          "-refs",
                                          "2",
                                          "-x264-params",
                                          "b-pyramid=none",
                                          "-ac",
                                          "2",
                                          "-movflags",
                                          "+faststart",
                                          output};
  EXPECT_EQ(runs[0].Args, expected);
  EXPECT_TRUE(runs[0].StdinNull);
  EXPECT_EQ(FileSizeOf(output), 4096);
}

// A Linux name is bytes: one written on Windows in code page 932 holds
// 0x82 0xA0 ("あ"), which is no UTF-8. Every run gets those bytes as they are.
TEST(ProcessLauncher, NamesThatAreNoUtf8ReachTheEncoderByteForByte) {
  FakeEncoderFolder f;
  const std::string folder = f.Folder() + "/\x82\xa0 dir";
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  const std::string source = folder + "/clip\x82\xa0.avi";
  { std::ofstream(source, std::ios::binary) << "source"; }
  const std::string output = MakeOutputPath(PathStyle::Posix, folder, source);
  const std::string side = MakeSideThumbnailPath(PathStyle::Posix, output);
  ProcessLauncher launcher(f.Folder(), f.Path("stderr.log"));
  CountingPump pump;
  for (int pass : {1, 2}) {
    RunOutcome r = launcher.RunConversion(
        MakeConversionCommand(PathStyle::Posix, Settings(folder), source, output, 2, pass), pump);
    EXPECT_TRUE(r.Started);
    EXPECT_EQ(r.ExitCode, 0) << pass;
  }
  launcher.StartThumbnailRun(MakeSideThumbnailArgs(source, 1, side));
  launcher.WaitForThumbnailRuns(5000);
  auto runs = f.WorkRuns();
  ASSERT_EQ(runs.size(), 3u);
  for (const auto& run : runs) {
    ASSERT_GE(run.Args.size(), 2u);
    EXPECT_EQ(run.Args[1], source);
    EXPECT_TRUE(run.StdinNull);
  }
  EXPECT_EQ(runs[0].Args.back(), output);
  EXPECT_EQ(runs[2].Args.back(), side);
  EXPECT_TRUE(IsCompleteMp4File(output));
  EXPECT_EQ(DecodeJpegFile(side).size(), QSize(160, 120));
}

TEST(ProcessLauncher, ThumbnailRunIsNotWaitedForAndWritesTheAskedJpeg) {
  FakeEncoderFolder f;
  const std::string source = f.MakeFile("clip.avi");
  ProcessLauncher launcher(f.Folder(), f.Path("stderr.log"));
  // The side thumbnail of an earlier batch is replaced, like its output.
  const std::string side = f.MakeFile("clip.jpg", "old");
  ScopedEnv delay("FAKE_FFMPEG_THUMB_DELAY_MS", "300");
  QElapsedTimer t;
  t.start();
  launcher.StartThumbnailRun(MakeSideThumbnailArgs(source, 1, side));
  launcher.StartThumbnailRun(MakePreviewThumbnailArgs(PathStyle::Posix, source, f.Folder()));
  EXPECT_LT(t.elapsed(), 250);  // not waited for
  const std::string preview = MakePreviewThumbnailPath(PathStyle::Posix, f.Folder());
  ASSERT_TRUE(
      WaitFor([&] { return !DecodeJpegFile(preview).isNull() && !DecodeJpegFile(side).isNull(); }));
  EXPECT_EQ(DecodeJpegFile(preview).size(), QSize(80, 60));
  EXPECT_EQ(DecodeJpegFile(side).size(), QSize(160, 120));
  ASSERT_TRUE(WaitFor([&] { return f.WorkRuns().size() == 2; }));
  // Children of the launcher, so a cancel can end them; reaped once done.
  launcher.WaitForThumbnailRuns(5000);
  for (const auto& run : f.WorkRuns()) {
    EXPECT_TRUE(run.StdinNull);
    // Our child, reaped once the loop sees it end.
    ASSERT_TRUE(WaitFor([&] {
      QCoreApplication::processEvents();
      return ProcessGone(run.Pid);
    })) << run.Pid;
  }
}

TEST(ProcessLauncher, ThumbnailRunEndsWithTheProgram) {
  FakeEncoderFolder f;
  const std::string source = f.MakeFile("clip.avi");
  ProcessLauncher launcher(f.Folder(), f.Path("stderr.log"));
  ScopedEnv hang("FAKE_FFMPEG_THUMB_DELAY_MS", "600000");
  launcher.StartThumbnailRun(MakeSideThumbnailArgs(source, 1, f.Path("clip.jpg")));
  ASSERT_TRUE(WaitFor([&] { return f.WorkRuns().size() == 1; }));
  const int pid = f.WorkRuns()[0].Pid;
  EXPECT_FALSE(ProcessGone(pid));
  // What the end of a cancelled batch and the program's quit do.
  launcher.EndThumbnailRuns();
  EXPECT_TRUE(WaitFor([&] { return ProcessGone(pid); })) << pid;
}

TEST(ProcessLauncher, PumpRunsBetweenSlicesWhileTheEncoderWorks) {
  FakeEncoderFolder f;
  const std::string source = f.MakeFile("clip.avi");
  const std::string output = f.Path("out.mp4");
  ScopedEnv slow("FAKE_FFMPEG_WRITE_MS", "600");
  ScopedEnv bytes("FAKE_FFMPEG_BYTES", "120000");
  ProcessLauncher launcher(f.Folder(), f.Path("stderr.log"));
  CountingPump pump;
  std::vector<std::int64_t> sizes;
  pump.onCall = [&] { sizes.push_back(FileSizeOf(output)); };
  RunOutcome r = launcher.RunConversion(
      MakeConversionCommand(PathStyle::Posix, Settings(f.Folder()), source, output, 1, 1), pump);
  EXPECT_TRUE(r.Started);
  // About ten 60 ms slices; a busy loop would give thousands.
  EXPECT_GE(pump.calls, 4);
  EXPECT_LE(pump.calls, 40);
  // The size poll sees the file grow while the encoder still writes it.
  ASSERT_FALSE(sizes.empty());
  EXPECT_LT(*std::min_element(sizes.begin(), sizes.end()), 120000);
  EXPECT_GT(*std::max_element(sizes.begin(), sizes.end()), 0);
  EXPECT_EQ(FileSizeOf(output), 120000);
}

TEST(ProcessLauncher, CancelStopsAHangingRunQuickly) {
  struct Case {
    bool ignoresTerm;
    int maxMs;
  };
  for (Case c : {Case{false, 2000}, Case{true, 3000 + 2000}}) {
    FakeEncoderFolder f;
    const std::string source = f.MakeFile("clip.avi");
    const std::string output = f.Path("out.mp4");
    ScopedEnv hang("FAKE_FFMPEG_HANG", "1");
    ScopedEnv term("FAKE_FFMPEG_IGNORE_TERM", c.ignoresTerm ? "1" : "0");
    ProcessLauncher launcher(f.Folder(), f.Path("stderr.log"));
    CountingPump pump;
    bool terminated = false;
    QElapsedTimer t;
    pump.onCall = [&] {
      if (pump.calls == 3) {
        t.start();
        terminated = launcher.TerminateConversion();
      }
    };
    RunOutcome r = launcher.RunConversion(
        MakeConversionCommand(PathStyle::Posix, Settings(f.Folder()), source, output, 1, 1), pump);
    EXPECT_TRUE(terminated);
    EXPECT_TRUE(r.Started);
    EXPECT_LT(t.elapsed(), c.maxMs);
    if (c.ignoresTerm) {
      EXPECT_GE(t.elapsed(), ProcessLauncher::KillAfterMs - 100);
    }
    auto runs = f.WorkRuns();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(ProcessGone(runs[0].Pid));
    // Nothing left to cancel once the run is over.
    EXPECT_FALSE(launcher.TerminateConversion());
  }
}

TEST(ProcessLauncher, RunThatEndedByItselfIsNotReportedAsCancelled) {
  FakeEncoderFolder f;
  const std::string source = f.MakeFile("clip.avi");
  ProcessLauncher launcher(f.Folder(), f.Path("stderr.log"));
  EXPECT_FALSE(launcher.TerminateConversion());  // no run yet
  CountingPump pump;
  bool answer = true;
  ScopedEnv slow("FAKE_FFMPEG_WRITE_MS", "200");
  pump.onCall = [&] {
    if (pump.calls == 1) {
      // The encoder ends during this "message": it is done before the click.
      ASSERT_TRUE(testsupport::WaitForLastRunToEnd(f));
      answer = launcher.TerminateConversion();
    }
  };
  RunOutcome r = launcher.RunConversion(
      MakeConversionCommand(PathStyle::Posix, Settings(f.Folder()), source, f.Path("o.mp4"), 1, 1),
      pump);
  EXPECT_FALSE(answer);
  EXPECT_TRUE(r.NormalExit);
  EXPECT_EQ(r.ExitCode, 0);
}

TEST(ProcessLauncher, FailingRunReportsItsExitCodeAndKeepsItsMessages) {
  FakeEncoderFolder f;
  const std::string source = f.MakeFile("clip.avi");
  ScopedEnv fail("FAKE_FFMPEG_FAIL", "1");
  const std::string logPath = f.Path("stderr.log");
  ProcessLauncher launcher(f.Folder(), logPath);
  CountingPump pump;
  EncoderCommand cmd =
      MakeConversionCommand(PathStyle::Posix, Settings(f.Folder()), source, f.Path("o.mp4"), 1, 1);
  RunOutcome r = launcher.RunConversion(cmd, pump);
  EXPECT_TRUE(r.Started);
  EXPECT_TRUE(r.NormalExit);
  EXPECT_EQ(r.ExitCode, 1);
  std::ifstream in(logPath);
  std::string log((std::istreambuf_iterator<char>(in)), {});
  // The log records the line that ran, adapted, as a shell would take it.
  std::vector<std::string> line{launcher.EncoderPath()};
  for (const auto& a : AdaptedRunArguments(cmd, launcher.EncoderPath(), "")) line.push_back(a);
  EXPECT_NE(log.find("$ " + ShellQuoted(line) + "\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" -b:v 384k "), std::string::npos);
  EXPECT_EQ(log.find(cmd.Text), std::string::npos);
  EXPECT_NE(log.find("failing as asked"), std::string::npos);
}

TEST(ProcessLauncher, TwoPassLogStaysInAPrivateFolderThatIsRemoved) {
  FakeEncoderFolder f;
  const std::string source = f.MakeFile("clip.avi");
  const std::string output = f.Path("o.mp4");
  ProcessLauncher launcher(f.Folder(), f.Path("stderr.log"));
  CountingPump pump;
  ConversionSettings s = Settings(f.Folder());
  s.TwoPass = true;
  for (int pass : {1, 2}) {
    RunOutcome r = launcher.RunConversion(
        MakeConversionCommand(PathStyle::Posix, s, source, output, 2, pass), pump);
    EXPECT_EQ(r.ExitCode, 0) << pass;  // pass 2 finds pass 1's statistics
  }
  auto runs = f.WorkRuns();
  ASSERT_EQ(runs.size(), 2u);
  std::string logs[2];
  for (int i = 0; i < 2; ++i) {
    auto& a = runs[static_cast<std::size_t>(i)].Args;
    auto it = std::find(a.begin(), a.end(), "-passlogfile");
    ASSERT_NE(it, a.end());
    logs[i] = *(it + 1);
  }
  EXPECT_EQ(logs[0], logs[1]);
  EXPECT_FALSE(QFileInfo::exists(QFileInfo(QString::fromStdString(logs[0])).path()));
  EXPECT_FALSE(QFileInfo::exists(QDir::current().filePath("ffmpeg2pass-0.log")));
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(f.Path("ffmpeg2pass-0.log"))));
}

TEST(ProcessLauncher, EncoderListIsAskedOncePerEncoder) {
  FakeEncoderFolder f;
  const std::string source = f.MakeFile("clip.avi");
  ProcessLauncher launcher(f.Folder(), f.Path("stderr.log"));
  CountingPump pump;
  for (int i = 0; i < 2; ++i)
    launcher.RunConversion(MakeConversionCommand(PathStyle::Posix, Settings(f.Folder()), source,
                                                 f.Path("o.mp4"), 1, 1),
                           pump);
  launcher.StartThumbnailRun(MakePreviewThumbnailArgs(PathStyle::Posix, source, f.Folder()));
  ASSERT_TRUE(WaitFor([&] { return f.WorkRuns().size() == 3; }));
  EXPECT_EQ(f.Runs().size() - f.WorkRuns().size(), 1u);
}

TEST(EncoderLocator, ProgramFolderFirstThenPath) {
  FakeEncoderFolder withEncoder;
  EncoderLocation here = LocateEncoder(withEncoder.Folder());
  EXPECT_EQ(here.Path, withEncoder.Path("ffmpeg"));

  // A folder whose "ffmpeg" is not executable, and a PATH with the fake only.
  FakeEncoderFolder empty(false);
  empty.MakeFile("ffmpeg", "not a program");
  FakeEncoderFolder onPath;
  {
    ScopedEnv path("PATH", onPath.Folder());
    EncoderLocation loc = LocateEncoder(empty.Folder());
    EXPECT_EQ(loc.Path, onPath.Path("ffmpeg"));
    EXPECT_NE(loc.SearchText.find(empty.Path("ffmpeg")), std::string::npos);
    EXPECT_NE(loc.SearchText.find("PATH"), std::string::npos);
  }
  {
    FakeEncoderFolder nowhere(false);
    ScopedEnv path("PATH", nowhere.Folder());
    EXPECT_EQ(LocateEncoder(empty.Folder()).Path, "");
  }
}

TEST(ProcessLauncher, MissingEncoderIsReportedAsNotStarted) {
  FakeEncoderFolder f(false);
  const std::string source = f.MakeFile("clip.avi");
  ScopedEnv path("PATH", f.Folder());
  ProcessLauncher launcher(f.Folder(), f.Path("stderr.log"));
  CountingPump pump;
  launcher.StartThumbnailRun(MakePreviewThumbnailArgs(PathStyle::Posix, source, f.Folder()));
  RunOutcome r = launcher.RunConversion(
      MakeConversionCommand(PathStyle::Posix, Settings(f.Folder()), source, f.Path("o.mp4"), 1, 1),
      pump);
  EXPECT_FALSE(r.Started);
  EXPECT_EQ(pump.calls, 0);
  EXPECT_NE(launcher.EncoderSearchText().find(f.Path("ffmpeg")), std::string::npos);
}

}  // namespace
}  // namespace tarnick

namespace tarnick {
namespace {

TEST(ProcessLauncher, LogLivesInAPrivateFolderOfTheUser) {
  const QFileInfo log(QString::fromStdString(DefaultEncoderLogPath()));
  EXPECT_EQ(log.fileName(), "ffmpeg.log");
  // Never a fixed name right in the shared temporary folder.
  EXPECT_NE(log.absolutePath(), QDir(QDir::tempPath()).absolutePath());
  const QFileInfo folder(log.absolutePath());
  ASSERT_TRUE(folder.isDir());
  EXPECT_EQ(folder.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                    QFile::ReadOther | QFile::WriteOther | QFile::ExeOther),
            QFileDevice::Permissions());
  EXPECT_EQ(QFileInfo(QString::fromStdString(EncoderLogPath("cli-1.log"))).absolutePath(),
            log.absolutePath());
}

}  // namespace
}  // namespace tarnick

namespace tarnick {
namespace {

TEST(EncoderLocator, PathFolderThatIsNoUtf8IsSearchedByBytes) {
  testsupport::FakeEncoderFolder f(false);
  const std::string bin = f.Folder() + "/bin\x82\xa0";
  ASSERT_EQ(::mkdir(bin.c_str(), 0755), 0);
  ASSERT_TRUE(std::filesystem::copy_file(testsupport::FakeEncoderBinary(), bin + "/ffmpeg"));
  ::chmod((bin + "/ffmpeg").c_str(), 0755);
  testsupport::ScopedEnv path("PATH", "::" + f.Path("none") + ":" + bin);
  EXPECT_EQ(LocateEncoder("").Path, bin + "/ffmpeg");
  EXPECT_EQ(FindOnPath("no-such-program"), "");
}

}  // namespace
}  // namespace tarnick
