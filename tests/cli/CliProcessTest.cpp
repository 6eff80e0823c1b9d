// Runs the built tarnick-cli as a child process: with the real ffmpeg, on a
// pseudo-terminal, and with the fake encoder for Ctrl-C.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/CliTestHelpers.h"

namespace tarnick {
namespace {

namespace fs = std::filesystem;

const std::string Program = std::string(TARNICK_BIN_DIR) + "/tarnick-cli";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool RunQuiet(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

// argv and an environment of PATH plus `extra`.
struct Child {
  std::vector<std::string> Args;
  std::vector<std::string> Env;

  std::vector<char*> Argv() {
    std::vector<char*> v;
    for (auto& a : Args) v.push_back(a.data());
    v.push_back(nullptr);
    return v;
  }
  std::vector<char*> Envp() {
    std::vector<char*> v;
    for (auto& e : Env) v.push_back(e.data());
    v.push_back(nullptr);
    return v;
  }
};

Child MakeChild(std::vector<std::string> args, std::vector<std::string> env,
                const std::string& path) {
  Child c;
  c.Args.push_back(Program);
  c.Args.insert(c.Args.end(), args.begin(), args.end());
  c.Env = std::move(env);
  c.Env.push_back("PATH=" + path);
  c.Env.push_back("HOME=/tmp");
  return c;
}

pid_t Spawn(Child& c, const std::string& outFile, const std::string& errFile) {
  auto argv = c.Argv();
  auto envp = c.Envp();
  pid_t pid = fork();
  if (pid == 0) {
    int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  return pid;
}

// The exit code, or -1 when the child did not end in time.
int WaitExit(pid_t pid, int seconds) {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < until) {
    int status = 0;
    pid_t r = waitpid(pid, &status, WNOHANG);
    if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return -1;
}

template <class Pred>
bool WaitFor(Pred pred, int seconds) {
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < until) {
    if (pred()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return pred();
}

class CliProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    // Settings of their own: the window's tests may leave a Tarnick.ini in
    // the program folder.
    settings_ = dir_.Write("Tarnick.ini", "");
    profile_ = dir_.Write("profile.txt", test::TestPresets);
    out_ = dir_.Path("out");
  }

  std::vector<std::string> Common() const {
    return {"--settings", settings_, "--profile", profile_, "--output", out_};
  }

  // A clip with picture and sound, made by the real ffmpeg.
  std::string MakeClip(const std::string& name, int seconds, const std::string& size) {
    const std::string path = dir_.Path(name);
    const std::string cmd = "ffmpeg -hide_banner -loglevel error -y -f lavfi -i testsrc=duration=" +
                            std::to_string(seconds) + ":size=" + size +
                            ":rate=25 -f lavfi -i sine=duration=" + std::to_string(seconds) +
                            " -shortest -c:v mpeg4 -c:a pcm_s16le '" + path + "' </dev/null";
    EXPECT_TRUE(RunQuiet(cmd));
    return path;
  }

  test::CliRun Run(std::vector<std::string> args, std::vector<std::string> env = {},
                   const std::string& path = SystemPath()) {
    Child c = MakeChild(std::move(args), std::move(env), path);
    pid_t pid = Spawn(c, dir_.Path("stdout.txt"), dir_.Path("stderr.txt"));
    test::CliRun r;
    r.Code = WaitExit(pid, 240);
    r.Out = ReadFile(dir_.Path("stdout.txt"));
    r.Err = ReadFile(dir_.Path("stderr.txt"));
    return r;
  }

  static std::string SystemPath() {
    const char* p = std::getenv("PATH");
    return p ? p : "/usr/bin:/bin";
  }

  std::string Probe(const std::string& file, const std::string& entries) {
    const std::string result = dir_.Path("probe.txt");
    RunQuiet("ffprobe -v error -show_entries " + entries + " -of default=nw=1 '" + file + "' > '" +
             result + "' 2>/dev/null");
    return ReadFile(result);
  }

  test::ScratchDir dir_;
  std::string settings_, profile_, out_;
};

TEST_F(CliProcess, RealEncoderConvertsWithOneLinePerPassOnAPipe) {
  const std::string clip = MakeClip("clip.avi", 3, "320x240");
  std::vector<std::string> args = Common();
  args.insert(args.end(), {"--preset", "2", "--two-pass", "--thumbnail", "1", clip});
  test::CliRun r = Run(args);
  ASSERT_EQ(r.Code, 0) << r.Out << r.Err;
  std::vector<std::string> lines = test::Lines(r.Out);
  ASSERT_EQ(lines.size(), 3u) << r.Out;
  EXPECT_EQ(lines[0].rfind("[1/1] clip.avi -> clip.mp4  pass 1/2  done in 0:0", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("[1/1] clip.avi -> clip.mp4  pass 2/2  done in 0:0", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2], "1 converted, 0 failed, 0 skipped");
  EXPECT_EQ(r.Out.find('\r'), std::string::npos);  // no in-place drawing on a pipe

  const std::string mp4 = out_ + "/clip.mp4";
  const std::string video = Probe(mp4, "stream=codec_name,width,height");
  EXPECT_NE(video.find("codec_name=h264"), std::string::npos) << video;
  EXPECT_NE(video.find("width=480\nheight=272"), std::string::npos) << video;
  EXPECT_NE(video.find("codec_name=aac"), std::string::npos) << video;
  // The side thumbnail is there when the program has ended.
  EXPECT_NE(Probe(out_ + "/clip.jpg", "stream=width,height").find("width=160\nheight=120"),
            std::string::npos);
}

TEST_F(CliProcess, TerminalLineShowsPercentAndEndsWithDone) {
  const std::string clip = MakeClip("long.avi", 20, "640x480");
  std::vector<std::string> args = Common();
  args.insert(args.end(), {"--no-thumbnail", "--size", "640x480", clip});
  Child c = MakeChild(args, {"TERM=xterm"}, SystemPath());
  auto argv = c.Argv();
  auto envp = c.Envp();
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  std::string screen;
  char buf[4096];
  for (;;) {
    ssize_t n = read(master, buf, sizeof buf);
    if (n > 0) {
      screen.append(buf, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EIO once the child has closed the terminal
    }
  }
  close(master);
  EXPECT_EQ(WaitExit(pid, 60), 0) << screen;
  const std::string in = "\r\x1b[K[1/1] long.avi -> long.mp4  pass 1/1  ";
  EXPECT_NE(screen.find(in + "0%"), std::string::npos) << screen;
  EXPECT_NE(screen.find(in + "done in "), std::string::npos) << screen;
  EXPECT_NE(screen.find("1 converted, 0 failed, 0 skipped"), std::string::npos) << screen;
  std::cout << "terminal output: " << screen.size() << " bytes, "
            << std::count(screen.begin(), screen.end(), '%') << " percent figures\n";
}

TEST_F(CliProcess, FailingFileGivesExitOneWithTheEncodersLineAndTheLog) {
  const std::string good = MakeClip("good.avi", 2, "320x240");
  const std::string bad = dir_.Write("bad.avi", "this is no video at all\n");
  std::vector<std::string> args = Common();
  args.insert(args.end(), {"--no-thumbnail", bad, good});
  test::CliRun r = Run(args);
  EXPECT_EQ(r.Code, 1) << r.Out << r.Err;
  EXPECT_NE(r.Out.find("[1/2] bad.avi -> bad.mp4  pass 1/1  failed after"), std::string::npos)
      << r.Out;
  EXPECT_NE(r.Out.find("1 converted, 1 failed, 0 skipped\n"), std::string::npos) << r.Out;
  // The failures go to standard error, the path said once.
  EXPECT_NE(r.Err.find("  " + bad + ": Invalid data found when processing input\n"),
            std::string::npos)
      << r.Err;
  EXPECT_EQ(r.Out.find("Invalid data found"), std::string::npos) << r.Out;
  const std::string marker = "encoder log: ";
  auto at = r.Err.find(marker);
  ASSERT_NE(at, std::string::npos) << r.Err;
  const std::string log = test::Lines(r.Err.substr(at + marker.size()))[0];
  const std::string logText = ReadFile(log);
  // The line that ran, adapted, as it would be typed.
  EXPECT_NE(logText.find("ffmpeg -i " + bad + " "), std::string::npos) << logText;
  EXPECT_NE(logText.find(" -b:v 384k "), std::string::npos) << logText;
  EXPECT_EQ(logText.rfind("$ /", 0), 0u) << logText;
  fs::remove(log);
  EXPECT_TRUE(fs::exists(out_ + "/good.mp4"));
}

TEST_F(CliProcess, CtrlCEndsTheEncoderAndRemovesThePartialOutput) {
  const std::string fakePath = std::string(TARNICK_TEST_BIN_DIR) + ":" + SystemPath();
  ASSERT_TRUE(fs::exists(std::string(TARNICK_TEST_BIN_DIR) + "/ffmpeg"));
  const std::string a = dir_.Write("a.avi", "x"), b = dir_.Write("b.avi", "x");
  for (bool ignoresTerm : {false, true}) {
    SCOPED_TRACE(ignoresTerm ? "encoder ignores SIGTERM" : "plain");
    const std::string log = dir_.Path(ignoresTerm ? "fake2.log" : "fake1.log");
    std::vector<std::string> env = {"FAKE_FFMPEG_HANG=1", "FAKE_FFMPEG_LOG=" + log};
    if (ignoresTerm) env.push_back("FAKE_FFMPEG_IGNORE_TERM=1");
    std::vector<std::string> args = Common();
    args.insert(args.end(), {"--no-thumbnail", a, b});
    Child c = MakeChild(args, env, fakePath);
    pid_t pid = Spawn(c, dir_.Path("stdout.txt"), dir_.Path("stderr.txt"));
    const std::string partial = out_ + "/a.mp4";
    ASSERT_TRUE(WaitFor([&] { return fs::exists(partial) && fs::file_size(partial) > 0; }, 30));

    // The conversion's process id, from the fake's record of its run.
    pid_t encoder = 0;
    std::istringstream records(ReadFile(log));
    for (std::string line, run; std::getline(records, line);) {
      if (line.rfind("RUN ", 0) == 0) run = line.substr(4);
      if (line == "ARG " + partial) encoder = static_cast<pid_t>(std::stol(run));
    }
    ASSERT_GT(encoder, 0);
    ASSERT_EQ(kill(encoder, 0), 0);
    const std::string runs = ReadFile(log);
    EXPECT_NE(runs.find("ARG -progress\n"), std::string::npos);
    // The console shows no preview, so none is made.
    EXPECT_EQ(runs.find("ARG 80x60\n"), std::string::npos);

    kill(pid, SIGINT);
    EXPECT_EQ(WaitExit(pid, 30), 130);
    EXPECT_FALSE(fs::exists(partial));
    EXPECT_FALSE(fs::exists(out_ + "/b.mp4"));
    EXPECT_EQ(kill(encoder, 0), -1);
    EXPECT_EQ(errno, ESRCH);  // gone and reaped, not a zombie of ours
    const std::string out = ReadFile(dir_.Path("stdout.txt"));
    EXPECT_NE(out.find("pass 1/1  cancelled"), std::string::npos) << out;
    EXPECT_NE(out.find("0 converted, 0 failed, 2 skipped"), std::string::npos) << out;
  }
}

// The folder of the report: a.avi and a.mp4 given with "--output ." from
// inside it. The source a.mp4 keeps its bytes; a.avi becomes "a (2).mp4".
TEST_F(CliProcess, SourceInTheOutputFolderIsNeverWrittenOver) {
  const std::string fakePath = std::string(TARNICK_TEST_BIN_DIR) + ":" + SystemPath();
  const std::string folder = dir_.Path("here");
  dir_.Write("here/a.avi", "video");
  dir_.Write("here/a.mp4", "original bytes");
  const std::string cwd = fs::current_path().string();
  fs::current_path(folder);
  test::CliRun r = Run({"--settings", settings_, "--profile", profile_, "--no-thumbnail",
                        "--output", ".", "a.avi", "./a.mp4"},
                       {}, fakePath);
  fs::current_path(cwd);
  EXPECT_EQ(r.Code, ExitFailed) << r.Out << r.Err;
  EXPECT_EQ(ReadFile(folder + "/a.mp4"), "original bytes");
  EXPECT_TRUE(fs::exists(folder + "/a (2).mp4"));
  EXPECT_NE(r.Out.find("1 converted, 1 failed"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("the output would replace the source"), std::string::npos) << r.Out;
}

// A pipe in the list is refused at once (never opened, nothing waits on it)
// and the other file converts; the user's photo keeps its bytes and the
// program says so.
TEST_F(CliProcess, PipeIsRefusedAndAPhotoBesideTheOutputIsKept) {
  const std::string fakePath = std::string(TARNICK_TEST_BIN_DIR) + ":" + SystemPath();
  const std::string video = dir_.Write("out/holiday.avi", "video");
  const std::string photo = dir_.Write("out/holiday.jpg", "a photo of 1200x900");
  const std::string fifo = dir_.Path("pipe.avi");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  test::CliRun r =
      Run({"--settings", settings_, "--profile", profile_, "--output", out_, video, fifo}, {},
          fakePath);
  ASSERT_NE(r.Code, -1) << "hung";
  EXPECT_EQ(r.Code, ExitFailed) << r.Out << r.Err;
  EXPECT_EQ(ReadFile(photo), "a photo of 1200x900");
  EXPECT_NE(r.Out.find("1 converted, 1 failed"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("not a regular file"), std::string::npos) << r.Out;
  EXPECT_NE(r.Err.find("tarnick-cli: thumbnail not written: " + photo), std::string::npos) << r.Err;
}

// Relative names that ffmpeg would take for protocols, and names that are
// no UTF-8 (0x82 0xA0 is "あ" in code page 932), in a folder of such a name:
// each reaches the encoder whole, as an absolute path, and converts, with
// the fake encoder (which logs what it got) and with the real one.
TEST_F(CliProcess, EveryNameReachesTheEncoderWhole) {
  const std::string clip = MakeClip("clip.avi", 1, "160x120");
  const std::string folder = dir_.Path("src\x82\xa0");
  const std::vector<std::string> names{"pipe:1.avi", "rec-10:30.avi", "clip\x82\xa0.avi"};
  fs::create_directories(folder);
  for (const auto& n : names) fs::copy_file(clip, folder + "/" + n);
  const std::string log = dir_.Path("runs.log");
  for (bool fake : {true, false}) {
    SCOPED_TRACE(fake ? "fake encoder" : "real encoder");
    const std::string path =
        fake ? std::string(TARNICK_TEST_BIN_DIR) + ":" + SystemPath() : SystemPath();
    const std::string out = std::string(fake ? "fake" : "real") + "\x82\xa0/new";
    std::vector<std::string> args{"--settings",  settings_, "--profile", profile_,
                                  "--thumbnail", "0",       "--output",  out};
    args.insert(args.end(), names.begin(), names.end());
    const std::string cwd = fs::current_path().string();
    fs::current_path(folder);
    test::CliRun r = Run(args, {"FAKE_FFMPEG_LOG=" + log}, path);
    args.insert(args.begin(), "--dry-run");
    test::CliRun dry = Run(args, {}, path);
    args[0] = "--dry-run=described";
    test::CliRun described = Run(args, {}, path);
    fs::current_path(cwd);

    EXPECT_EQ(r.Code, ExitConverted) << r.Out << r.Err;
    EXPECT_NE(r.Out.find("3 converted, 0 failed"), std::string::npos) << r.Out;
    EXPECT_EQ(dry.Code, ExitConverted) << dry.Err;
    EXPECT_EQ(described.Code, ExitConverted) << described.Err;
    const std::string runs = ReadFile(log);
    for (const auto& n : names) {
      SCOPED_TRACE(n);
      const std::string stem = folder + "/" + out + "/" + n.substr(0, n.size() - 4);
      if (fake) {
        EXPECT_NE(runs.find("ARG " + folder + "/" + n + "\n"), std::string::npos) << runs;
        EXPECT_NE(runs.find("ARG " + stem + ".mp4\n"), std::string::npos) << runs;
        EXPECT_NE(runs.find("ARG " + stem + ".jpg\n"), std::string::npos) << runs;
      } else {
        EXPECT_NE(Probe(stem + ".mp4", "stream=codec_name").find("codec_name=aac"),
                  std::string::npos);
        EXPECT_NE(Probe(stem + ".jpg", "stream=width,height").find("width=160\nheight=120"),
                  std::string::npos);
      }
      // What runs is shown with the same bytes; the described line keeps
      // the name as given.
      EXPECT_NE(dry.Out.find(" -i '" + folder + "/" + n + "' "), std::string::npos) << dry.Out;
      EXPECT_NE(described.Out.find(" -i \"" + n + "\" "), std::string::npos) << described.Out;
    }
  }
}

TEST_F(CliProcess, OutputWithoutItsIndexIsAFailure) {
  const std::string fakePath = std::string(TARNICK_TEST_BIN_DIR) + ":" + SystemPath();
  const std::string video = dir_.Write("clip.avi", "video");
  auto args = Common();
  args.insert(args.end(), {"--no-thumbnail", video});
  test::CliRun full =
      Run(args, {"FAKE_FFMPEG_STDERR=Error writing trailer of x.mp4: No space left on device"},
          fakePath);
  EXPECT_EQ(full.Code, ExitFailed) << full.Out;
  EXPECT_NE(full.Err.find("No space left on device"), std::string::npos) << full.Err;
  test::CliRun cut = Run(args, {"FAKE_FFMPEG_NO_MOOV=1"}, fakePath);
  EXPECT_EQ(cut.Code, ExitFailed) << cut.Out;
  EXPECT_NE(cut.Err.find("no complete MP4"), std::string::npos) << cut.Err;
  test::CliRun good = Run(args, {}, fakePath);
  EXPECT_EQ(good.Code, ExitConverted) << good.Out << good.Err;
}

}  // namespace
}  // namespace tarnick

namespace tarnick {
namespace {

TEST_F(CliProcess, MissingEncoderEndsTheBatchWithItsMessage) {
  const std::string a = dir_.Write("a.avi", "x"), b = dir_.Write("b.avi", "x");
  std::vector<std::string> args = Common();
  args.insert(args.end(), {"--no-thumbnail", a, b});
  test::CliRun r = Run(args, {}, dir_.Path("no-programs-here"));
  EXPECT_EQ(r.Code, 1);
  EXPECT_NE(r.Out.find("0 converted, 1 failed, 1 skipped\n"), std::string::npos) << r.Out;
  EXPECT_NE(r.Err.find("\n  " + a + ": the encoder could not be started\n"), std::string::npos)
      << r.Err;
  EXPECT_EQ(r.Err.find("encoder log:"), std::string::npos);  // it would hold nothing
  // The command line speaks English; the window's Japanese stays in the window.
  EXPECT_NE(
      r.Err.find("tarnick-cli: the encoder (ffmpeg) could not be started; the batch is stopped"),
      std::string::npos)
      << r.Err;
  EXPECT_EQ(r.Err.find("エンコーダ"), std::string::npos) << r.Err;
}

}  // namespace
// A source named like an option of ffprobe ("-report" would make it write a
// log into the current folder) reaches the probe only as a path.
TEST_F(CliProcess, SourceNamedLikeAProbeOptionIsOnlyAPath) {
  const std::string fakePath = std::string(TARNICK_TEST_BIN_DIR) + ":" + SystemPath();
  ASSERT_FALSE(fs::exists(std::string(TARNICK_TEST_BIN_DIR) + "/ffprobe"));  // the real one is used
  const std::string folder = dir_.Path("here");
  dir_.Write("here/-report", "video");
  const std::string cwd = fs::current_path().string();
  fs::current_path(folder);
  test::CliRun r = Run({"--settings", settings_, "--profile", profile_, "--no-thumbnail",
                        "--output", out_, "--", "-report"},
                       {}, fakePath);
  fs::current_path(cwd);
  EXPECT_EQ(r.Code, ExitConverted) << r.Out << r.Err;
  for (const auto& entry : fs::directory_iterator(folder))
    EXPECT_EQ(entry.path().filename(), "-report") << "left by a run: " << entry.path();
  EXPECT_EQ(ReadFile(folder + "/-report"), "video");
  EXPECT_TRUE(fs::exists(out_ + "/-report.mp4"));
}

// The length of a source comes from the encoder's own messages: a hanging
// ffprobe first on the path is never started, so it cannot hold up a batch
// or a Ctrl-C.
TEST_F(CliProcess, AHangingProbeOnThePathNeverHoldsUpTheBatch) {
  const std::string bin = TARNICK_TEST_BIN_DIR;
  ASSERT_TRUE(fs::exists(bin + "/fake-probe/ffprobe"));
  const std::string fakePath = bin + "/fake-probe:" + bin + ":" + SystemPath();
  const std::string a = dir_.Write("a.avi", "x"), b = dir_.Write("b.avi", "x");
  const std::string log = dir_.Path("fake-runs.log");
  std::vector<std::string> args = Common();
  args.insert(args.end(), {"--no-thumbnail", a, b});
  Child c = MakeChild(args, {"FAKE_FFPROBE_HANG=1", "FAKE_FFMPEG_LOG=" + log}, fakePath);
  pid_t pid = Spawn(c, dir_.Path("stdout.txt"), dir_.Path("stderr.txt"));
  // Well inside the 15 seconds a hanging probe would have cost each file.
  EXPECT_EQ(WaitExit(pid, 10), ExitConverted);
  const std::string runs = ReadFile(log);
  EXPECT_EQ(runs.find("ARG format=duration"), std::string::npos) << runs;
  EXPECT_TRUE(fs::exists(out_ + "/a.mp4"));
  EXPECT_TRUE(fs::exists(out_ + "/b.mp4"));
}

// 100 MB of messages from each run: the kept log holds its head and last
// megabyte, the program reads only the tail, and the batch goes on.
TEST_F(CliProcess, FloodOfEncoderMessagesKeepsABoundedLog) {
  const std::string fakePath = std::string(TARNICK_TEST_BIN_DIR) + ":" + SystemPath();
  const std::string a = dir_.Write("a.avi", "x"), b = dir_.Write("b.avi", "x");
  std::vector<std::string> args = Common();
  args.insert(args.end(), {"--no-thumbnail", a, b});
  Child c = MakeChild(args, {"FAKE_FFMPEG_STDERR_MB=100", "FAKE_FFMPEG_FAIL=b.mp4"}, fakePath);
  pid_t pid = Spawn(c, dir_.Path("stdout.txt"), dir_.Path("stderr.txt"));
  int status = 0;
  struct rusage usage {};
  ASSERT_EQ(wait4(pid, &status, 0, &usage), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), ExitFailed);
  const std::string out = ReadFile(dir_.Path("stdout.txt"));
  const std::string err = ReadFile(dir_.Path("stderr.txt"));
  EXPECT_NE(out.find("1 converted, 1 failed, 0 skipped\n"), std::string::npos) << out;
  // The reason is the last line of the run's own messages, read from the tail.
  EXPECT_NE(err.find("  " + b + ": fake encoder: failing as asked\n"), std::string::npos) << err;
  EXPECT_TRUE(fs::exists(out_ + "/a.mp4"));
#ifndef __SANITIZE_ADDRESS__
  // Far below the 200 MB that went through (kilobytes); the sanitizer's
  // quarantine of freed memory would blur this.
  EXPECT_LT(usage.ru_maxrss, 64 * 1024);
#endif

  const std::string marker = "encoder log: ";
  auto at = err.find(marker);
  ASSERT_NE(at, std::string::npos) << err;
  const std::string log = test::Lines(err.substr(at + marker.size()))[0];
  const std::string text = ReadFile(log);
  fs::remove(log);
  // Each run: its command line, 64 kB of head, a note, the last 1 MB.
  EXPECT_GT(text.size(), 2u << 20);
  EXPECT_LT(text.size(), 2 * ((1u << 20) + (64u << 10)) + (8u << 10));
  EXPECT_EQ(text.rfind("$ /", 0), 0u);
  EXPECT_NE(text.find("fake encoder: converting to " + out_ + "/b.mp4\nframe= 1 "),
            std::string::npos);
  const std::string note = " bytes of messages left out ...]\n";
  const auto first = text.find(note);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(text.find(note, first + 1), std::string::npos);
  const std::string end = "fake encoder: failing as asked\n";
  ASSERT_GE(text.size(), end.size());
  EXPECT_EQ(text.substr(text.size() - end.size()), end);
}

// Files a fault row starts with: each must keep its bytes whatever happens.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file() && !e.is_symlink())
      files[e.path().string()] = ReadFile(e.path().string());
  return files;
}

// Process ids of every run of the fake, from its log.
std::vector<pid_t> FakeRuns(const std::string& log) {
  std::vector<pid_t> pids;
  std::istringstream records(ReadFile(log));
  for (std::string line; std::getline(records, line);)
    if (line.rfind("RUN ", 0) == 0) pids.push_back(static_cast<pid_t>(std::stol(line.substr(4))));
  return pids;
}

bool StillRunning(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string pidText, name, state;
  if (!(stat >> pidText >> name >> state)) return false;
  return state != "Z";
}

// A small file system of its own for a row; empty when this machine lets
// no test mount one.
class ScopedTmpfs {
 public:
  ScopedTmpfs(const std::string& at, const std::string& options) : at_(at) {
    fs::create_directories(at);
    mounted_ = RunQuiet("mount -t tmpfs -o " + options + " tmpfs '" + at + "' 2>/dev/null");
  }
  ~ScopedTmpfs() {
    if (mounted_) RunQuiet("umount '" + at_ + "'");
  }
  bool Mounted() const { return mounted_; }
  bool Remount(const std::string& options) {
    return RunQuiet("mount -o remount," + options + " '" + at_ + "' 2>/dev/null");
  }

 private:
  std::string at_;
  bool mounted_ = false;
};

// Faults of the encoder, the output folder, the names and the settings,
// each through the real program and the fake encoder: the batch goes on or
// ends with a clear message, nothing the row started with is changed, and
// no encoder is left running.
TEST_F(CliProcess, FaultTable) {
  const std::string bin = TARNICK_TEST_BIN_DIR;
  const std::string fakePath = bin + ":" + SystemPath();
  struct Row {
    const char* Name;
    std::vector<std::string> Env;
    // Makes the row's files in `folder`, gives the arguments after the
    // common ones; empty when the row cannot be set up here.
    std::function<std::optional<std::vector<std::string>>(const std::string& folder)> Setup;
    int Signal;  // sent once the first output exists; 0 for none
    int Exit;
    std::vector<std::string> Said;  // in what the program wrote
  };
  std::unique_ptr<ScopedTmpfs> mount;
  const std::vector<std::string> names = {"a b.avi",
                                          "it's \"q\".avi",
                                          "$(touch pwned).avi",
                                          "x;touch pwned.avi",
                                          "-lead.avi",
                                          "new\nline.avi",
                                          "-y",
                                          "-i"};
  const Row rows[] = {
      {"encoder exits 1",
       {"FAKE_FFMPEG_FAIL=1"},
       [&](const std::string& f) -> std::optional<std::vector<std::string>> {
         dir_.Write(f + "/out/a.mp4", "earlier output");
         return std::vector<std::string>{"--output", f + "/out", dir_.Write(f + "/a.avi", "x"),
                                         dir_.Write(f + "/b.avi", "x")};
       },
       0,
       ExitFailed,
       {"0 converted, 2 failed, 0 skipped", "fake encoder: failing as asked"}},
      {"encoder crashes",
       {"FAKE_FFMPEG_CRASH=1"},
       [&](const std::string& f) -> std::optional<std::vector<std::string>> {
         return std::vector<std::string>{"--output", f + "/out", dir_.Write(f + "/a.avi", "x")};
       },
       0,
       ExitFailed,
       {"0 converted, 1 failed", "the encoder crashed"}},
      {"encoder writes nothing",
       {"FAKE_FFMPEG_NO_OUTPUT=1"},
       [&](const std::string& f) -> std::optional<std::vector<std::string>> {
         return std::vector<std::string>{"--output", f + "/out", dir_.Write(f + "/a.avi", "x")};
       },
       // The reason given is the encoder's last line.
       0,
       ExitFailed,
       {"0 converted, 1 failed", "a.avi: fake encoder: converting to "}},
      {"encoder hangs, SIGTERM to the program",
       {"FAKE_FFMPEG_HANG=1"},
       [&](const std::string& f) -> std::optional<std::vector<std::string>> {
         return std::vector<std::string>{"--output", f + "/out", dir_.Write(f + "/a.avi", "x")};
       },
       SIGTERM,
       128 + SIGTERM,
       {"pass 1/1  cancelled", "0 converted, 0 failed, 1 skipped"}},
      {"encoder ignores SIGTERM, Ctrl-C",
       {"FAKE_FFMPEG_HANG=1", "FAKE_FFMPEG_IGNORE_TERM=1"},
       [&](const std::string& f) -> std::optional<std::vector<std::string>> {
         return std::vector<std::string>{"--output", f + "/out", dir_.Write(f + "/a.avi", "x")};
       },
       SIGINT,
       128 + SIGINT,
       {"pass 1/1  cancelled", "0 converted, 0 failed, 1 skipped"}},
      {"output folder below a file",
       {},
       [&](const std::string& f) -> std::optional<std::vector<std::string>> {
         dir_.Write(f + "/file", "a file");
         return std::vector<std::string>{"--output", f + "/file/out",
                                         dir_.Write(f + "/a.avi", "x")};
       },
       0,
       ExitFailed,
       {"0 converted, 1 failed", "Not a directory"}},
      {"output folder read-only",
       {},
       [&](const std::string& f) -> std::optional<std::vector<std::string>> {
         mount = std::make_unique<ScopedTmpfs>(f + "/out", "size=1m");
         if (!mount->Mounted()) return std::nullopt;
         dir_.Write(f + "/out/earlier.mp4", "earlier output");
         if (!mount->Remount("ro")) return std::nullopt;
         return std::vector<std::string>{"--output", f + "/out", dir_.Write(f + "/a.avi", "x")};
       },
       0,
       ExitFailed,
       {"0 converted, 1 failed", "Read-only file system"}},
      {"output folder full",
       {"FAKE_FFMPEG_BYTES=300000"},
       [&](const std::string& f) -> std::optional<std::vector<std::string>> {
         mount = std::make_unique<ScopedTmpfs>(f + "/out", "size=64k");
         if (!mount->Mounted()) return std::nullopt;
         dir_.Write(f + "/out/earlier.mp4", "earlier output");
         return std::vector<std::string>{"--output", f + "/out", dir_.Write(f + "/a.avi", "x"),
                                         dir_.Write(f + "/b.avi", "x")};
       },
       0,
       ExitFailed,
       {"0 converted, 2 failed", "No space left on device"}},
      {"names the shell or ffmpeg would take apart",
       {},
       [&](const std::string& f) -> std::optional<std::vector<std::string>> {
         std::vector<std::string> args{"--output", f + "/out", "--"};
         for (const auto& n : names) args.push_back(dir_.Write(f + "/" + n, "x"));
         return args;
       },
       0,
       ExitConverted,
       {"8 converted, 0 failed, 0 skipped"}},
      {"settings file read-only",
       {},
       [&](const std::string& f) -> std::optional<std::vector<std::string>> {
         const std::string ini = dir_.Write(f + "/ro.ini", "[Setting]\r\nC2_00=2\r\n");
         fs::permissions(ini,
                         fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
         return std::vector<std::string>{"--settings", ini, "--output", f + "/out",
                                         dir_.Write(f + "/a.avi", "x")};
       },
       0,
       ExitConverted,
       {"1 converted, 0 failed"}},
      {"settings file a link",
       {},
       [&](const std::string& f) -> std::optional<std::vector<std::string>> {
         const std::string ini = dir_.Write(f + "/real.ini", "[Setting]\r\nC2_00=2\r\n");
         fs::create_symlink(ini, f + "/link.ini");
         return std::vector<std::string>{"--settings", f + "/link.ini", "--output", f + "/out",
                                         dir_.Write(f + "/a.avi", "x")};
       },
       0,
       ExitConverted,
       {"1 converted, 0 failed"}},
      {"settings file a folder",
       {},
       [&](const std::string& f) -> std::optional<std::vector<std::string>> {
         fs::create_directories(f + "/folder.ini");
         return std::vector<std::string>{"--settings", f + "/folder.ini", "--output", f + "/out",
                                         dir_.Write(f + "/a.avi", "x")};
       },
       0,
       ExitConverted,
       {"1 converted, 0 failed"}},
      {"profile.txt binary",
       {},
       [&](const std::string& f) -> std::optional<std::vector<std::string>> {
         std::string bytes;
         for (int i = 0; i < 5000; ++i) bytes += static_cast<char>((i * 7919) % 256);
         return std::vector<std::string>{"--profile", dir_.Write(f + "/binary.txt", bytes),
                                         "--output", f + "/out", dir_.Write(f + "/a.avi", "x")};
       },
       0,
       ExitUsage,
       {"binary.txt"}},
  };
  int n = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.Name);
    const std::string folder = dir_.Path("row" + std::to_string(++n));
    fs::create_directories(folder);
    mount.reset();
    std::optional<std::vector<std::string>> rowArgs = row.Setup(folder);
    if (!rowArgs) {
      std::cout << "row not run, no file system can be mounted here: " << row.Name << "\n";
      continue;
    }
    const auto before = Snapshot(folder);
    const std::string log = dir_.Path("fake-row" + std::to_string(n) + ".log");
    std::vector<std::string> env = row.Env;
    env.push_back("FAKE_FFMPEG_LOG=" + log);
    std::vector<std::string> args = {"--settings", settings_, "--profile", profile_,
                                     "--no-thumbnail"};
    args.insert(args.end(), rowArgs->begin(), rowArgs->end());
    const std::string cwd = fs::current_path().string();
    fs::current_path(folder);  // where a name run by a shell would leave its file
    Child c = MakeChild(args, env, fakePath);
    pid_t pid = Spawn(c, dir_.Path("stdout.txt"), dir_.Path("stderr.txt"));
    if (row.Signal != 0) {
      EXPECT_TRUE(WaitFor([&] { return fs::exists(folder + "/out/a.mp4"); }, 30));
      kill(pid, row.Signal);
    }
    const int code = WaitExit(pid, 60);
    fs::current_path(cwd);
    const std::string said = ReadFile(dir_.Path("stdout.txt")) + ReadFile(dir_.Path("stderr.txt"));
    if (auto at = said.find("encoder log: "); at != std::string::npos)
      fs::remove(test::Lines(said.substr(at + 13))[0]);
    EXPECT_EQ(code, row.Exit) << said;
    for (const auto& text : row.Said)
      EXPECT_NE(said.find(text), std::string::npos) << text << "\n" << said;
    for (const auto& [path, bytes] : before) EXPECT_EQ(ReadFile(path), bytes) << path;
    for (pid_t run : FakeRuns(log))
      EXPECT_TRUE(WaitFor([&] { return !StillRunning(run); }, 10)) << run;
    // What a shell would have made of the names.
    EXPECT_FALSE(fs::exists(folder + "/pwned") || fs::exists(folder + "/pwned.avi"));
    if (row.Exit == ExitConverted && std::string(row.Name).rfind("names", 0) == 0) {
      // Each name reached the encoder whole, as the path after -i.
      const std::string runs = ReadFile(log);
      for (const auto& name : names) {
        EXPECT_NE(runs.find("ARG -i\nARG " + folder + "/" + name + "\n"), std::string::npos)
            << name;
        const std::string stem = name.size() > 4 && name.substr(name.size() - 4) == ".avi"
                                     ? name.substr(0, name.size() - 4)
                                     : name;
        EXPECT_TRUE(fs::exists(folder + "/out/" + stem + ".mp4")) << stem;
      }
    }
    if (std::string(row.Name) == "settings file a link") {
      EXPECT_TRUE(fs::is_symlink(folder + "/link.ini"));
    }
  }
}

// A source name that is no UTF-8 reaches the encoder byte for byte.
TEST_F(CliProcess, NonUtf8SourceNameReachesTheEncoderByteExact) {
  const std::string fakePath = std::string(TARNICK_TEST_BIN_DIR) + ":" + SystemPath();
  const std::string name =
      "caf\xE9 \x83\x65\x83\x58\x83\x67.avi";  // Latin-1 and code page 932 bytes
  const std::string source = dir_.Write(name, "x");
  const std::string log = dir_.Path("fake-bytes.log");
  std::vector<std::string> args = Common();
  args.insert(args.end(), {"--no-thumbnail", source});
  test::CliRun r = Run(args, {"FAKE_FFMPEG_LOG=" + log}, fakePath);
  EXPECT_EQ(ReadFile(source), "x");
  EXPECT_EQ(r.Code, ExitConverted) << r.Out << r.Err;
  EXPECT_NE(ReadFile(log).find("ARG -i\nARG " + source + "\n"), std::string::npos) << ReadFile(log);
  EXPECT_TRUE(fs::exists(out_ + "/" + name.substr(0, name.size() - 4) + ".mp4"));
}

// A profile.txt of 100 MB is refused by its size, not read whole.
TEST_F(CliProcess, HugeProfileIsRefusedWithoutReadingItWhole) {
  const std::string fakePath = std::string(TARNICK_TEST_BIN_DIR) + ":" + SystemPath();
  const std::string big = dir_.Path("big-profile.txt");
  {
    std::ofstream out(big, std::ios::binary);
    const std::string line = std::string(test::TestPresets).substr(0, 60) + "\n";
    for (std::size_t written = 0; written < (100u << 20); written += line.size()) out << line;
  }
  const std::string a = dir_.Write("a.avi", "x");
  Child c =
      MakeChild({"--settings", settings_, "--profile", big, "--output", out_, "--no-thumbnail", a},
                {}, fakePath);
  pid_t pid = Spawn(c, dir_.Path("stdout.txt"), dir_.Path("stderr.txt"));
  int status = 0;
  struct rusage usage {};
  ASSERT_EQ(wait4(pid, &status, 0, &usage), pid);
  const std::string said = ReadFile(dir_.Path("stdout.txt")) + ReadFile(dir_.Path("stderr.txt"));
  ASSERT_TRUE(WIFEXITED(status)) << said;
#ifndef __SANITIZE_ADDRESS__
  // Refused by its size: far less memory than the file holds.
  EXPECT_LT(usage.ru_maxrss, 64 * 1024);
#endif
  EXPECT_EQ(WEXITSTATUS(status), ExitUsage) << said;
  EXPECT_NE(said.find("big-profile.txt"), std::string::npos) << said;
  EXPECT_FALSE(fs::exists(out_ + "/a.mp4"));
}

TEST_F(CliProcess, KilledOutrightLeavesNoEncoderRunning) {
  const std::string fakePath = std::string(TARNICK_TEST_BIN_DIR) + ":" + SystemPath();
  const std::string a = dir_.Write("a.avi", "x");
  const std::string log = dir_.Path("fake-kill.log");
  std::vector<std::string> args = Common();
  args.insert(args.end(), {"--no-thumbnail", a});
  Child c = MakeChild(args, {"FAKE_FFMPEG_HANG=1", "FAKE_FFMPEG_LOG=" + log}, fakePath);
  pid_t pid = Spawn(c, dir_.Path("stdout.txt"), dir_.Path("stderr.txt"));
  const std::string partial = out_ + "/a.mp4";
  ASSERT_TRUE(WaitFor([&] { return fs::exists(partial); }, 30));
  pid_t encoder = 0;
  std::istringstream records(ReadFile(log));
  for (std::string line, run; std::getline(records, line);) {
    if (line.rfind("RUN ", 0) == 0) run = line.substr(4);
    if (line == "ARG " + partial) encoder = static_cast<pid_t>(std::stol(run));
  }
  ASSERT_GT(encoder, 0);

  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  // Gone, or a zombie waiting for whoever adopted it: either way not running.
  auto running = [&] {
    std::ifstream stat("/proc/" + std::to_string(encoder) + "/stat");
    std::string pidText, name, state;
    if (!(stat >> pidText >> name >> state)) return false;
    return state != "Z";
  };
  EXPECT_TRUE(WaitFor([&] { return !running(); }, 10));
}

}  // namespace tarnick

namespace tarnick {
namespace {

std::string FakePath() {
  return std::string(TARNICK_TEST_BIN_DIR) + ":" +
         (std::getenv("PATH") ? std::getenv("PATH") : "/bin");
}

// Two sources of one name: "clip.mp4" and "clip (2).mp4". The first one's
// output is newer than it and is left alone; the second keeps its number
// although the first is not converted, so no result is written over.
TEST_F(CliProcess, SkipExistingKeepsTheNumberingOfTheWholeBatch) {
  const std::string x = dir_.Write("x/clip.avi", "x"), y = dir_.Write("y/clip.avi", "y");
  const std::string first = dir_.Write("out/clip.mp4", "converted yesterday");
  const auto now = fs::file_time_type::clock::now();
  fs::last_write_time(x, now - std::chrono::hours(48));
  fs::last_write_time(y, now - std::chrono::hours(48));
  fs::last_write_time(first, now - std::chrono::hours(24));
  test::CliRun r = Run({"--settings", settings_, "--profile", profile_, "-o", out_,
                        "--no-thumbnail", "--skip-existing", x, y},
                       {}, FakePath());
  EXPECT_EQ(r.Code, ExitConverted) << r.Out << r.Err;
  EXPECT_EQ(ReadFile(first), "converted yesterday");
  EXPECT_TRUE(fs::exists(out_ + "/clip (2).mp4"));
  EXPECT_NE(
      r.Out.find("[1/2] clip.avi -> clip.mp4  skipped: the output is newer than the source\n"),
      std::string::npos)
      << r.Out;
  EXPECT_NE(r.Out.find("1 converted, 0 failed, 1 skipped\n"), std::string::npos) << r.Out;

  // An output older than its source is made again, under the same names.
  fs::remove(out_ + "/clip (2).mp4");
  fs::last_write_time(first, now - std::chrono::hours(72));
  r = Run({"--settings", settings_, "--profile", profile_, "-o", out_, "--no-thumbnail",
           "--skip-existing", x, y},
          {}, FakePath());
  EXPECT_EQ(r.Code, ExitConverted) << r.Out << r.Err;
  EXPECT_NE(ReadFile(first), "converted yesterday");
  EXPECT_TRUE(fs::exists(out_ + "/clip (2).mp4"));
  EXPECT_NE(r.Out.find("2 converted, 0 failed, 0 skipped\n"), std::string::npos) << r.Out;
}

TEST_F(CliProcess, QuietVerboseAndClampedValues) {
  const std::string clip = dir_.Write("clip.avi", "x");
  std::vector<std::string> args = Common();
  args.insert(args.end(), {"--no-thumbnail", clip});

  std::vector<std::string> quiet = args;
  quiet.insert(quiet.begin(), "-q");
  test::CliRun r = Run(quiet, {}, FakePath());
  EXPECT_EQ(r.Code, ExitConverted) << r.Err;
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err, "");
  // Quiet still names what failed, on standard error.
  r = Run(quiet, {"FAKE_FFMPEG_FAIL=1"}, FakePath());
  EXPECT_EQ(r.Code, ExitFailed);
  EXPECT_EQ(r.Out, "");
  EXPECT_NE(r.Err.find("  " + clip + ": fake encoder: failing as asked\n"), std::string::npos)
      << r.Err;

  std::vector<std::string> verbose = args;
  verbose.insert(verbose.begin(), {"-v", "--fps", "60", "--video-kbps", "5000"});
  r = Run(verbose, {}, FakePath());
  EXPECT_EQ(r.Code, ExitConverted) << r.Err;
  EXPECT_NE(r.Err.find("tarnick-cli: warning: --fps 60 is out of range; 30 is used\n"),
            std::string::npos)
      << r.Err;
  EXPECT_NE(r.Err.find("tarnick-cli: warning: --video-kbps 5000 is out of range; 768 is used\n"),
            std::string::npos)
      << r.Err;
  EXPECT_NE(r.Err.find("tarnick-cli: run: ffmpeg -i \"" + clip + "\""), std::string::npos) << r.Err;
  const auto at = r.Err.find("encoder log: ");
  ASSERT_NE(at, std::string::npos) << r.Err;
  const std::string log = test::Lines(r.Err.substr(at + 13))[0];
  EXPECT_NE(ReadFile(log).find("fake encoder: converting to " + out_ + "/clip.mp4"),
            std::string::npos);
  fs::remove(log);
  EXPECT_NE(r.Out.find("1 converted, 0 failed, 0 skipped\n"), std::string::npos) << r.Out;
}

}  // namespace
}  // namespace tarnick

namespace tarnick {
namespace {

// The runs the fake encoder recorded: each run's output (its last
// argument) and its -pass value, in the order they started.
// Ends a child a failed assertion left running.
struct Reaper {
  pid_t Pid;
  ~Reaper() {
    if (waitpid(Pid, nullptr, WNOHANG) == 0) {
      kill(Pid, SIGKILL);
      waitpid(Pid, nullptr, 0);
    }
  }
};

std::vector<std::pair<std::string, std::string>> ConversionRuns(const std::string& log) {
  std::vector<std::pair<std::string, std::string>> runs;
  std::istringstream in(ReadFile(log));
  std::vector<std::string> args;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("ARG ", 0) == 0) args.push_back(line.substr(4));
    if (line != "END") continue;
    bool conversion = !args.empty() && args.back().size() > 4 &&
                      args.back().substr(args.back().size() - 4) == ".mp4";
    std::string pass;
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
      if (args[i] == "-pass") pass = args[i + 1];
    if (conversion) runs.emplace_back(args.back(), pass);
    args.clear();
  }
  return runs;
}

// Both files run at once: each waits at its gate until the other has
// started too, which one job at a time would never reach.
TEST_F(CliProcess, JobsRunFilesAtOnceWithTheNamesOfOneJobAtATime) {
  const std::string a = dir_.Write("x/clip.avi", "a"), b = dir_.Write("y/clip.avi", "b"),
                    c = dir_.Write("z/other.avi", "c");
  const std::string gate = dir_.Path("gate-");
  const std::string log = dir_.Path("jobs.log");
  std::vector<std::string> args = Common();
  args.insert(args.end(), {"--no-thumbnail", "--two-pass", "-j", "2", a, b, c});
  Child child = MakeChild(args, {"FAKE_FFMPEG_GATE=" + gate, "FAKE_FFMPEG_LOG=" + log}, FakePath());
  pid_t pid = Spawn(child, dir_.Path("stdout.txt"), dir_.Path("stderr.txt"));
  Reaper reaper{pid};
  const std::string first = out_ + "/clip.mp4", second = out_ + "/clip (2).mp4";
  ASSERT_TRUE(WaitFor([&] { return fs::exists(first) && fs::exists(second); }, 30))
      << ReadFile(dir_.Path("stdout.txt")) << ReadFile(dir_.Path("stderr.txt"));
  // Pass 1 of both is running; open every gate from now on.
  for (const char* name : {"clip.mp4", "clip (2).mp4", "other.mp4"})
    for (const char* n : {".1", ".2"}) dir_.Write(std::string("gate-") + name + n, "");
  ASSERT_EQ(WaitExit(pid, 60), ExitConverted) << ReadFile(dir_.Path("stderr.txt"));
  const std::string out = "\n" + ReadFile(dir_.Path("stdout.txt"));
  EXPECT_TRUE(fs::exists(out_ + "/other.mp4"));
  EXPECT_FALSE(fs::exists(out_ + "/other (2).mp4"));
  EXPECT_NE(out.find("3 converted, 0 failed, 0 skipped\n"), std::string::npos) << out;
  // One line per file and pass, never mixed.
  for (const char* line : {"[1/3] clip.avi -> clip.mp4  pass 1/2  done in ",
                           "[1/3] clip.avi -> clip.mp4  pass 2/2  done in ",
                           "[2/3] clip.avi -> clip (2).mp4  pass 1/2  done in ",
                           "[2/3] clip.avi -> clip (2).mp4  pass 2/2  done in ",
                           "[3/3] other.avi -> other.mp4  pass 2/2  done in "})
    EXPECT_NE(out.find("\n" + std::string(line)), std::string::npos) << line << "\n" << out;
  // Each file's passes in order, and the names the dry run gives.
  const auto runs = ConversionRuns(log);
  ASSERT_EQ(runs.size(), 6u);
  for (const std::string& o : {first, second, out_ + "/other.mp4"}) {
    std::vector<std::string> passes;
    for (const auto& [output, pass] : runs)
      if (output == o) passes.push_back(pass);
    EXPECT_EQ(passes, (std::vector<std::string>{"1", "2"})) << o;
  }
  std::vector<std::string> dry = Common();
  dry.insert(dry.end(), {"--no-thumbnail", "--two-pass", "--dry-run=described", a, b, c});
  test::CliRun listed = Run(dry, {}, FakePath());
  for (const std::string& o : {first, second, out_ + "/other.mp4"})
    EXPECT_NE(listed.Out.find("\"" + o + "\""), std::string::npos) << listed.Out;
}

TEST_F(CliProcess, CtrlCEndsEveryRunningEncoderOfTheJobs) {
  const std::string a = dir_.Write("a.avi", "a"), b = dir_.Write("b.avi", "b"),
                    c = dir_.Write("c.avi", "c");
  const std::string log = dir_.Path("hang.log");
  std::vector<std::string> args = Common();
  args.insert(args.end(), {"--no-thumbnail", "--jobs=2", a, b, c});
  Child child =
      MakeChild(args, {"FAKE_FFMPEG_HANG=1", "FAKE_FFMPEG_IGNORE_TERM=1", "FAKE_FFMPEG_LOG=" + log},
                FakePath());
  pid_t pid = Spawn(child, dir_.Path("stdout.txt"), dir_.Path("stderr.txt"));
  Reaper reaper{pid};
  const std::string pa = out_ + "/a.mp4", pb = out_ + "/b.mp4";
  ASSERT_TRUE(WaitFor(
      [&] {
        return fs::exists(pa) && fs::file_size(pa) > 0 && fs::exists(pb) && fs::file_size(pb) > 0;
      },
      30));
  std::vector<pid_t> encoders;
  std::istringstream records(ReadFile(log));
  for (std::string line, run; std::getline(records, line);) {
    if (line.rfind("RUN ", 0) == 0) run = line.substr(4);
    if (line == "ARG " + pa || line == "ARG " + pb)
      encoders.push_back(static_cast<pid_t>(std::stol(run)));
  }
  ASSERT_EQ(encoders.size(), 2u);
  kill(pid, SIGINT);
  EXPECT_EQ(WaitExit(pid, 30), 130);
  EXPECT_FALSE(fs::exists(pa));
  EXPECT_FALSE(fs::exists(pb));
  EXPECT_FALSE(fs::exists(out_ + "/c.mp4"));
  for (pid_t e : encoders) EXPECT_EQ(kill(e, 0), -1) << e;
  const std::string out = ReadFile(dir_.Path("stdout.txt"));
  EXPECT_NE(out.find("[1/3] a.avi -> a.mp4  pass 1/1  cancelled\n"), std::string::npos) << out;
  EXPECT_NE(out.find("[2/3] b.avi -> b.mp4  pass 1/1  cancelled\n"), std::string::npos) << out;
  EXPECT_NE(out.find("0 converted, 0 failed, 3 skipped\n"), std::string::npos) << out;
}

}  // namespace
}  // namespace tarnick

namespace tarnick {
namespace {

QJsonObject JsonLine(const std::string& line) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
  EXPECT_TRUE(doc.isObject()) << line;
  return doc.object();
}

TEST_F(CliProcess, JsonGivesOneEventPerLineAndTheProgressGoesToStandardError) {
  const std::string good = dir_.Write("good.avi", "g"), bad = dir_.Write("bad.avi", "b");
  std::vector<std::string> args = Common();
  args.insert(args.end(), {"--no-thumbnail", "--json", good, bad});
  test::CliRun r =
      Run(args,
          {"FAKE_FFMPEG_WRITE_MS=1500", "FAKE_FFMPEG_DURATION=12", "FAKE_FFMPEG_FAIL_NAME=bad.avi"},
          FakePath());
  EXPECT_EQ(r.Code, ExitFailed) << r.Err;
  std::vector<QJsonObject> events;
  for (const std::string& line : test::Lines(r.Out)) events.push_back(JsonLine(line));
  ASSERT_GE(events.size(), 5u) << r.Out;
  auto text = [](const QJsonObject& o, const char* key) {
    return o.value(key).toString().toStdString();
  };

  // bad.avi sorts first.
  EXPECT_EQ(text(events[0], "event"), "file-started");
  EXPECT_EQ(events[0].value("index").toInt(), 1);
  EXPECT_EQ(events[0].value("files").toInt(), 2);
  EXPECT_EQ(text(events[0], "source"), bad);
  EXPECT_EQ(text(events[0], "output"), out_ + "/bad.mp4");
  EXPECT_EQ(text(events[1], "event"), "file-failed");
  EXPECT_EQ(text(events[1], "reason"), "fake encoder: failing as asked");
  const std::string log = text(events[1], "log");
  EXPECT_NE(ReadFile(log).find("fake encoder: failing as asked"), std::string::npos) << log;
  EXPECT_EQ(text(events[2], "event"), "file-started");
  EXPECT_EQ(text(events[2], "source"), good);

  int progress = 0;
  double lastPercent = -1;
  for (std::size_t i = 3; i + 2 < events.size(); ++i) {
    const QJsonObject& e = events[i];
    ASSERT_EQ(text(e, "event"), "progress") << i;
    EXPECT_EQ(e.value("index").toInt(), 2);
    EXPECT_EQ(e.value("pass").toInt(), 1);
    const double percent = e.value("percent").toDouble(-1);
    EXPECT_GE(percent, lastPercent);
    EXPECT_LE(percent, 100.0);
    lastPercent = percent;
    EXPECT_DOUBLE_EQ(e.value("fps").toDouble(), 25.0);
    EXPECT_DOUBLE_EQ(e.value("duration").toDouble(), 12.0);
    EXPECT_TRUE(e.value("eta").isDouble() || e.value("eta").isNull());
    ++progress;
  }
  EXPECT_GE(progress, 1);
  EXPECT_GT(lastPercent, 0);
  const QJsonObject& done = events[events.size() - 2];
  EXPECT_EQ(text(done, "event"), "file-done");
  EXPECT_EQ(text(done, "output"), out_ + "/good.mp4");
  const QJsonObject& summary = events.back();
  EXPECT_EQ(text(summary, "event"), "summary");
  EXPECT_EQ(summary.value("converted").toInt(), 1);
  EXPECT_EQ(summary.value("failed").toInt(), 1);
  EXPECT_EQ(summary.value("skipped").toInt(), 0);
  EXPECT_EQ(summary.value("exit").toInt(), ExitFailed);
  ASSERT_EQ(summary.value("logs").toArray().size(), 1);
  EXPECT_EQ(summary.value("logs").toArray()[0].toString().toStdString(), log);
  fs::remove(log);

  // The people's view is on standard error.
  EXPECT_NE(r.Err.find("[2/2] good.avi -> good.mp4  pass 1/1  done in "), std::string::npos)
      << r.Err;
  EXPECT_NE(r.Err.find("1 converted, 1 failed, 0 skipped\n"), std::string::npos) << r.Err;
}

}  // namespace
}  // namespace tarnick
