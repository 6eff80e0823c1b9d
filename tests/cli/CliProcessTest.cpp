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
  EXPECT_NE(r.Out.find("1 converted, 1 failed, 0 skipped\n  " + bad + ": "), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("Invalid data found when processing input"), std::string::npos) << r.Out;
  const std::string marker = "encoder log: ";
  auto at = r.Out.find(marker);
  ASSERT_NE(at, std::string::npos);
  const std::string log = test::Lines(r.Out.substr(at + marker.size()))[0];
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
  EXPECT_NE(r.Out.find("thumbnail not written: " + photo), std::string::npos) << r.Out;
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
    const std::string path = fake ? std::string(TARNICK_TEST_BIN_DIR) + ":" + SystemPath() : SystemPath();
    const std::string out = std::string(fake ? "fake" : "real") + "\x82\xa0/new";
    std::vector<std::string> args{"--settings", settings_, "--profile", profile_, "--thumbnail", "0",
                                  "--output", out};
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
        EXPECT_NE(Probe(stem + ".mp4", "stream=codec_name").find("codec_name=aac"), std::string::npos);
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
  test::CliRun full = Run(args, {"FAKE_FFMPEG_STDERR=Error writing trailer of x.mp4: No space left on device"},
                          fakePath);
  EXPECT_EQ(full.Code, ExitFailed) << full.Out;
  EXPECT_NE(full.Out.find("No space left on device"), std::string::npos) << full.Out;
  test::CliRun cut = Run(args, {"FAKE_FFMPEG_NO_MOOV=1"}, fakePath);
  EXPECT_EQ(cut.Code, ExitFailed) << cut.Out;
  EXPECT_NE(cut.Out.find("no complete MP4"), std::string::npos) << cut.Out;
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
  EXPECT_NE(r.Out.find("0 converted, 1 failed, 1 skipped\n  " + a + ": the encoder could not be started\n"),
            std::string::npos) << r.Out;
  EXPECT_EQ(r.Out.find("encoder log:"), std::string::npos);  // it would hold nothing
  EXPECT_NE(r.Err.find("エンコーダ (ffmpeg) を起動できませんでした。"), std::string::npos) << r.Err;
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
