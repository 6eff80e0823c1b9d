// Runs the built tarnick-cli as a child process: with the real ffmpeg, on a
// pseudo-terminal, and with the fake encoder for Ctrl-C.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

bool RunQuiet(const std::string& command) { return std::system(command.c_str()) == 0; }

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

Child MakeChild(std::vector<std::string> args, std::vector<std::string> env, const std::string& path) {
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
  EXPECT_NE(r.Out.find("[1/2] bad.avi -> bad.mp4  pass 1/1  failed after"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("1 converted, 1 failed, 0 skipped\n"), std::string::npos) << r.Out;
  // The failures go to standard error, the path said once.
  EXPECT_NE(r.Err.find("  " + bad + ": Invalid data found when processing input\n"), std::string::npos)
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
  test::CliRun r = Run({"--settings", settings_, "--profile", profile_, "--no-thumbnail", "--output", ".",
                        "a.avi", "./a.mp4"},
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
  test::CliRun r = Run({"--settings", settings_, "--profile", profile_, "--output", out_, video, fifo},
                       {}, fakePath);
  ASSERT_NE(r.Code, -1) << "hung";
  EXPECT_EQ(r.Code, ExitFailed) << r.Out << r.Err;
  EXPECT_EQ(ReadFile(photo), "a photo of 1200x900");
  EXPECT_NE(r.Out.find("1 converted, 1 failed"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("not a regular file"), std::string::npos) << r.Out;
  EXPECT_NE(r.Err.find("tarnick-cli: thumbnail not written: " + photo), std::string::npos) << r.Err;
}

TEST_F(CliProcess, OutputWithoutItsIndexIsAFailure) {
  const std::string fakePath = std::string(TARNICK_TEST_BIN_DIR) + ":" + SystemPath();
  const std::string video = dir_.Write("clip.avi", "video");
  auto args = Common();
  args.insert(args.end(), {"--no-thumbnail", video});
  test::CliRun full = Run(args, {"FAKE_FFMPEG_STDERR=Error writing trailer of x.mp4: No space left on device"},
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
  EXPECT_NE(r.Err.find("\n  " + a + ": the encoder could not be started\n"), std::string::npos) << r.Err;
  EXPECT_EQ(r.Err.find("encoder log:"), std::string::npos);  // it would hold nothing
  // The command line speaks English; the window's Japanese stays in the window.
  EXPECT_NE(r.Err.find("tarnick-cli: the encoder (ffmpeg) could not be started; the batch is stopped"),
            std::string::npos) << r.Err;
  EXPECT_EQ(r.Err.find("エンコーダ"), std::string::npos) << r.Err;
}

}  // namespace
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

std::string FakePath() { return std::string(TARNICK_TEST_BIN_DIR) + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "/bin"); }

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
  test::CliRun r = Run({"--settings", settings_, "--profile", profile_, "-o", out_, "--no-thumbnail",
                        "--skip-existing", x, y},
                       {}, FakePath());
  EXPECT_EQ(r.Code, ExitConverted) << r.Out << r.Err;
  EXPECT_EQ(ReadFile(first), "converted yesterday");
  EXPECT_TRUE(fs::exists(out_ + "/clip (2).mp4"));
  EXPECT_NE(r.Out.find("[1/2] clip.avi -> clip.mp4  skipped: the output is newer than the source\n"),
            std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("1 converted, 0 failed, 1 skipped\n"), std::string::npos) << r.Out;

  // An output older than its source is made again, under the same names.
  fs::remove(out_ + "/clip (2).mp4");
  fs::last_write_time(first, now - std::chrono::hours(72));
  r = Run({"--settings", settings_, "--profile", profile_, "-o", out_, "--no-thumbnail", "--skip-existing", x, y},
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
  EXPECT_NE(r.Err.find("  " + clip + ": fake encoder: failing as asked\n"), std::string::npos) << r.Err;

  std::vector<std::string> verbose = args;
  verbose.insert(verbose.begin(), {"-v", "--fps", "60", "--video-kbps", "5000"});
  r = Run(verbose, {}, FakePath());
  EXPECT_EQ(r.Code, ExitConverted) << r.Err;
  EXPECT_NE(r.Err.find("tarnick-cli: warning: --fps 60 is out of range; 30 is used\n"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("tarnick-cli: warning: --video-kbps 5000 is out of range; 768 is used\n"),
            std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("tarnick-cli: run: ffmpeg -i \"" + clip + "\""), std::string::npos) << r.Err;
  const auto at = r.Err.find("encoder log: ");
  ASSERT_NE(at, std::string::npos) << r.Err;
  const std::string log = test::Lines(r.Err.substr(at + 13))[0];
  EXPECT_NE(ReadFile(log).find("fake encoder: converting to " + out_ + "/clip.mp4"), std::string::npos);
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
    bool conversion = !args.empty() && args.back().size() > 4 && args.back().substr(args.back().size() - 4) == ".mp4";
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
  const std::string a = dir_.Write("a.avi", "a"), b = dir_.Write("b.avi", "b"), c = dir_.Write("c.avi", "c");
  const std::string log = dir_.Path("hang.log");
  std::vector<std::string> args = Common();
  args.insert(args.end(), {"--no-thumbnail", "--jobs=2", a, b, c});
  Child child = MakeChild(args, {"FAKE_FFMPEG_HANG=1", "FAKE_FFMPEG_IGNORE_TERM=1", "FAKE_FFMPEG_LOG=" + log},
                          FakePath());
  pid_t pid = Spawn(child, dir_.Path("stdout.txt"), dir_.Path("stderr.txt"));
  Reaper reaper{pid};
  const std::string pa = out_ + "/a.mp4", pb = out_ + "/b.mp4";
  ASSERT_TRUE(WaitFor([&] { return fs::exists(pa) && fs::file_size(pa) > 0 && fs::exists(pb) && fs::file_size(pb) > 0; },
                      30));
  std::vector<pid_t> encoders;
  std::istringstream records(ReadFile(log));
  for (std::string line, run; std::getline(records, line);) {
    if (line.rfind("RUN ", 0) == 0) run = line.substr(4);
    if (line == "ARG " + pa || line == "ARG " + pb) encoders.push_back(static_cast<pid_t>(std::stol(run)));
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
  test::CliRun r = Run(args, {"FAKE_FFMPEG_WRITE_MS=1500", "FAKE_FFMPEG_DURATION=12", "FAKE_FFMPEG_FAIL_NAME=bad.avi"},
                       FakePath());
  EXPECT_EQ(r.Code, ExitFailed) << r.Err;
  std::vector<QJsonObject> events;
  for (const std::string& line : test::Lines(r.Out)) events.push_back(JsonLine(line));
  ASSERT_GE(events.size(), 5u) << r.Out;
  auto text = [](const QJsonObject& o, const char* key) { return o.value(key).toString().toStdString(); };

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
  EXPECT_NE(r.Err.find("[2/2] good.avi -> good.mp4  pass 1/1  done in "), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("1 converted, 1 failed, 0 skipped\n"), std::string::npos) << r.Err;
}

}  // namespace
}  // namespace tarnick
