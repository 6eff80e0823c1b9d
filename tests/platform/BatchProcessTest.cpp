#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <functional>

#include "engine/BatchRunner.h"
#include "engine/QuietBatch.h"
#include "platform/FileOps.h"
#include "platform/ProcessLauncher.h"
#include "support/FakeEncoder.h"

namespace tarnick {
namespace {

using testsupport::FakeEncoderFolder;
using testsupport::ScopedEnv;

// Host and progress window whose cancel button is pressed from the pump, as
// a click handled between two wait slices would be.
struct FakeHost : ListBatchHost, SilentProgressView, INotifier, IMessagePump, ISleeper {
  IRunCanceller* canceller = nullptr;
  CancelAnswer answer = CancelAnswer::None;
  int clickAtPump = -1;  // press cancel at this pump call of the batch
  int pumps = 0;
  bool enabled = true;
  std::vector<std::string> messages;

  void SetMainEnabled(bool on) override { enabled = on; }
  void Create(IRunCanceller& c) override { canceller = &c; }
  void Release() override { canceller = nullptr; }
  bool LoadImage1(const std::string&) override { return true; }
  void ResetCancelAnswer() override { answer = CancelAnswer::None; }
  CancelAnswer GetCancelAnswer() const override { return answer; }

  void Beep() override {}
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  void ProcessMessages() override {
    if (pumps++ == clickAtPump && canceller)
      answer =
          canceller->TerminateConversion() ? CancelAnswer::Cancelled : CancelAnswer::NotCancelled;
  }
  void Sleep(int) override {}
};

class BatchProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    w.programFolder = f.Folder();
    w.settings.OutputFolder = f.Path("out");
    for (const char* n : {"a.avi", "b.avi"}) w.sources.push_back(f.MakeFile(n));
  }
  BatchResult Run() { return Button0Click({w, w, launcher, w, w, w, files, PathStyle::Posix}); }

  FakeEncoderFolder f;
  FakeHost w;
  FileOps files;
  ProcessLauncher launcher{f.Folder(), f.Path("stderr.log")};
};

TEST_F(BatchProcess, CancelTerminatesTheRunRemovesItsOutputAndEndsTheBatch) {
  ScopedEnv hang("FAKE_FFMPEG_HANG", "1");
  w.clickAtPump = 3;
  BatchResult r = Run();
  EXPECT_EQ(r.End, BatchEnd::Cancelled);
  EXPECT_FALSE(files.Exists(f.Path("out/a.mp4")));
  EXPECT_FALSE(files.Exists(f.Path("out/b.mp4")));
  auto runs = f.WorkRuns();
  // Preview, side thumbnail and the one conversion of a.avi; nothing of b.avi.
  int conversions = 0;
  for (const auto& run : runs) {
    EXPECT_EQ(run.Args[1], w.sources[0]);
    conversions += std::find(run.Args.begin(), run.Args.end(), "image2") == run.Args.end();
  }
  EXPECT_EQ(conversions, 1);
  EXPECT_TRUE(w.messages.empty());
  EXPECT_TRUE(w.enabled);
}

TEST_F(BatchProcess, FailingEncoderShowsTheEndMessageOnce) {
  ScopedEnv fail("FAKE_FFMPEG_FAIL", "1");
  BatchResult r = Run();
  EXPECT_EQ(r.End, BatchEnd::Completed);
  EXPECT_EQ(r.PassesRun, 2);
  EXPECT_EQ(w.messages, std::vector<std::string>{std::string(UnsupportedFilesMessage)});
}

TEST_F(BatchProcess, EncoderThatWritesNothingFailsThePass) {
  ScopedEnv none("FAKE_FFMPEG_NO_OUTPUT", "1");
  EXPECT_TRUE(Run().AnyPassFailed);
}

TEST_F(BatchProcess, MissingEncoderEndsTheBatchNamingWhereItWasLookedFor) {
  FakeEncoderFolder empty(false);
  ScopedEnv path("PATH", empty.Folder());
  w.programFolder = empty.Folder();
  ProcessLauncher nowhere(empty.Folder(), empty.Path("stderr.log"));
  BatchResult r = Button0Click({w, w, nowhere, w, w, w, files, PathStyle::Posix});
  EXPECT_EQ(r.End, BatchEnd::EncoderMissing);
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_NE(w.messages[0].find(empty.Path("ffmpeg")), std::string::npos);
  EXPECT_TRUE(w.enabled);
}

// A thumbnail run still going at a cancel is ended, and nothing of it is
// left behind once the batch is over, however late it would have written.
TEST_F(BatchProcess, CancelEndsTheFilesThumbnailRunsAndRemovesWhatTheyWrote) {
  ScopedEnv hang("FAKE_FFMPEG_HANG", "1");
  ScopedEnv late("FAKE_FFMPEG_THUMB_DELAY_MS", "1500");
  w.clickAtPump = 3;
  BatchResult r = Run();
  EXPECT_EQ(r.End, BatchEnd::Cancelled);
  // Every run is over (ended, not left to write later), then nothing is there.
  for (const auto& run : f.WorkRuns())
    EXPECT_TRUE(testsupport::WaitFor([&] { return ::kill(run.Pid, 0) != 0; }, 1000)) << run.Pid;
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(f.Path("out/a.jpg"))));
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(f.Path("_thumb.jpg"))));
  EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(f.Path("out/a.mp4"))));
}

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// A pipe in the list is refused without being opened, and the batch goes
// on. Should anything block on it, the watchdog opens it for writing, which
// frees the reader, and the test fails instead of hanging.
TEST_F(BatchProcess, PipeInTheListIsRefusedAndTheBatchGoesOn) {
  const std::string fifo = f.Path("pipe.avi");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  w.sources = {fifo, w.sources[0]};
  std::atomic<bool> done{false}, blocked{false};
  std::thread watchdog([&] {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    while (!done) {
      // Succeeds only while someone has the pipe open for reading.
      int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) {
        blocked = true;
        ::close(fd);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  BatchResult r = Run();
  done = true;
  watchdog.join();
  EXPECT_FALSE(blocked) << "the batch blocked on the pipe";
  EXPECT_EQ(r.End, BatchEnd::Completed);
  EXPECT_TRUE(r.AnyPassFailed);
  EXPECT_TRUE(files.IsCompleteMp4(f.Path("out/a.mp4")));
  for (const auto& run : f.WorkRuns()) EXPECT_NE(run.Args[1], fifo);
  EXPECT_EQ(files.FileSize(fifo), -1);
}

TEST_F(BatchProcess, OutputWithoutItsIndexOrWithAWriteErrorFailsThePass) {
  for (auto [name, value] :
       {std::pair{"FAKE_FFMPEG_NO_MOOV", "1"},
        std::pair{"FAKE_FFMPEG_STDERR",
                  "[mp4 @ 0x1] Error writing trailer of out/a.mp4: No space left on device"}}) {
    ScopedEnv env(name, value);
    w.messages.clear();
    BatchResult r = Run();
    EXPECT_EQ(r.End, BatchEnd::Completed) << name;
    EXPECT_TRUE(r.AnyPassFailed) << name;
    EXPECT_EQ(w.messages, std::vector<std::string>{std::string(UnsupportedFilesMessage)}) << name;
  }
  BatchResult good = Run();
  EXPECT_FALSE(good.AnyPassFailed);
}

// The user's photo beside the video keeps its bytes; the thumbnail of an
// earlier batch is replaced.
TEST_F(BatchProcess, SideThumbnailKeepsTheUsersPhoto) {
  const std::string photo = f.MakeFile("holiday.jpg", "the user's photo, 1200x900");
  const std::string video = f.MakeFile("holiday.avi");
  w.settings.OutputFolder = f.Folder();
  w.sources = {video};
  BatchResult r = Run();
  launcher.WaitForThumbnailRuns(5000);
  EXPECT_FALSE(r.AnyPassFailed);
  EXPECT_EQ(Bytes(photo), "the user's photo, 1200x900");
  EXPECT_TRUE(files.IsCompleteMp4(f.Path("holiday.mp4")));

  // Both given: the photo is a source, converted under the next number.
  w.sources = {video, photo};
  Run();
  launcher.WaitForThumbnailRuns(5000);
  EXPECT_EQ(Bytes(photo), "the user's photo, 1200x900");
  EXPECT_TRUE(files.IsCompleteMp4(f.Path("holiday (2).mp4")));
  EXPECT_TRUE(files.IsSideThumbnailImage(f.Path("holiday (2).jpg")));

  // An earlier thumbnail (160x120) is replaced as its output is.
  std::remove(photo.c_str());
  ASSERT_EQ(::rename(f.Path("holiday (2).jpg").c_str(), photo.c_str()), 0);
  const auto before = QFileInfo(QString::fromStdString(photo)).lastModified();
  w.sources = {video};
  Run();
  launcher.WaitForThumbnailRuns(5000);
  EXPECT_TRUE(files.IsSideThumbnailImage(photo));
  EXPECT_EQ(f.WorkRuns().back().Args.back().substr(0, 0), "");
  int sides = 0;
  for (const auto& run : f.WorkRuns()) sides += run.Args.back() == photo;
  EXPECT_EQ(sides, 1);  // written only in the last batch
  (void)before;
}

// Every spelling of a source that is also the output's name: the source
// keeps its bytes, the other file is numbered, the self-named one refused.
TEST(BatchIdentity, NoSpellingOfASourceIsEverWrittenOver) {
  FakeEncoderFolder f;
  const QString old = QDir::currentPath();
  struct Case {
    const char* form;
    std::function<std::string(const std::string& dir, const std::string& other)> spell;
  };
  const std::vector<Case> cases{
      {"relative", [](const std::string&, const std::string&) { return std::string("a.mp4"); }},
      {"./", [](const std::string&, const std::string&) { return std::string("./a.mp4"); }},
      {"../x/.. (no x)",
       [](const std::string& d, const std::string&) {
         return "../" + d.substr(d.rfind('/') + 1) + "/x/../a.mp4";
       }},
      {"../x/.. (x a folder)",
       [](const std::string& d, const std::string&) {
         EXPECT_TRUE(QDir().mkpath(QString::fromStdString(d + "/x")));
         return "../" + d.substr(d.rfind('/') + 1) + "/x/../a.mp4";
       }},
      {"//", [](const std::string& d, const std::string&) { return d + "//a.mp4"; }},
      {"symlink to the source",
       [](const std::string& d, const std::string& other) {
         std::string link = other + "/a.mp4";
         EXPECT_EQ(::symlink((d + "/a.mp4").c_str(), link.c_str()), 0);
         return link;
       }},
      {"hard link",
       [](const std::string& d, const std::string& other) {
         std::string link = other + "/a.mp4";
         EXPECT_EQ(::link((d + "/a.mp4").c_str(), link.c_str()), 0);
         return link;
       }},
      {"folder through a link",
       [](const std::string& d, const std::string& other) {
         std::string link = other + "/folder";
         EXPECT_EQ(::symlink(d.c_str(), link.c_str()), 0);
         return link + "/a.mp4";
       }},
  };
  for (const Case& c : cases) {
    QTemporaryDir root;
    const std::string dir = root.filePath("videos").toStdString();
    const std::string other = root.filePath("other").toStdString();
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir)));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(other)));
    { std::ofstream(dir + "/a.avi") << "video"; }
    { std::ofstream(dir + "/a.mp4") << "original bytes"; }
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(dir)));
    FakeHost w;
    w.programFolder = f.Folder();
    w.settings.OutputFolder = ".";
    w.settings.SideThumbnail = false;
    w.sources = {"a.avi", c.spell(dir, other)};
    FileOps files;
    BatchResult r;
    {
      ProcessLauncher launcher(f.Folder(), f.Path("stderr.log"));
      r = Button0Click({w, w, launcher, w, w, w, files, PathStyle::Posix});
    }
    EXPECT_EQ(Bytes(dir + "/a.mp4"), "original bytes") << c.form;
    EXPECT_TRUE(files.IsCompleteMp4(dir + "/a (2).mp4")) << c.form;
    EXPECT_TRUE(r.AnyPassFailed) << c.form;  // the source named as its own output
    EXPECT_EQ(r.PassesRun, 1) << c.form;
    QDir::setCurrent(old);
  }
}

// Another letter case names the same file only on a mount that ignores
// case; where the temporary folder does not, the case is left out.
TEST(BatchIdentity, OtherLetterCaseOnACaseInsensitiveMount) {
  const char* dirEnv = std::getenv("TARNICK_CASELESS_DIR");
  QTemporaryDir probeDir(dirEnv ? QString(dirEnv) + "/t-XXXXXX" : QDir::tempPath() + "/t-XXXXXX");
  ASSERT_TRUE(probeDir.isValid());
  const std::string dir = probeDir.path().toStdString();
  { std::ofstream(dir + "/Clip.MP4") << "original bytes"; }
  struct stat st {};
  if (::stat((dir + "/clip.mp4").c_str(), &st) != 0)
    GTEST_SKIP() << "no case-insensitive mount here (set TARNICK_CASELESS_DIR to a folder on one)";
  FakeEncoderFolder f;
  { std::ofstream(dir + "/clip.avi") << "video"; }
  FakeHost w;
  w.programFolder = f.Folder();
  w.settings.OutputFolder = dir;
  w.settings.SideThumbnail = false;
  w.sources = {dir + "/clip.avi", dir + "/CLIP.mp4"};
  FileOps files;
  ProcessLauncher launcher(f.Folder(), f.Path("stderr.log"));
  BatchResult r = Button0Click({w, w, launcher, w, w, w, files, PathStyle::Posix});
  EXPECT_EQ(Bytes(dir + "/Clip.MP4"), "original bytes");
  EXPECT_TRUE(r.AnyPassFailed);
}

}  // namespace
}  // namespace tarnick
