#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "engine/BatchRunner.h"
#include "engine/QuietBatch.h"
#include "platform/FileOps.h"
#include "platform/JpegImage.h"
#include "platform/ProcessLauncher.h"
#include "support/FakeEncoder.h"

namespace tarnick {
namespace {

// The windows of a batch, reduced to what the checks need.
struct Windows : ListBatchHost, SilentProgressView, INotifier {
  std::vector<QSize> previews;
  std::vector<std::string> messages;
  bool enabled = true;

  void SetMainEnabled(bool on) override { enabled = on; }
  bool LoadImage1(const std::string& path) override {
    QImage img = DecodeJpegFile(path);
    if (!img.isNull()) previews.push_back(img.size());
    return !img.isNull();
  }
  void Beep() override {}
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
};

QJsonObject Probe(const std::string& path) {
  QProcess p;
  p.start("ffprobe", {"-v", "error", "-show_entries",
                      "format=format_name:stream=codec_type,codec_name,profile,level,width,height,"
                      "pix_fmt,r_frame_rate,sample_rate",
                      "-of", "json", QString::fromStdString(path)});
  p.waitForFinished(30000);
  return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

QJsonObject Stream(const QJsonObject& probe, const QString& type) {
  for (const auto& s : probe["streams"].toArray())
    if (s.toObject()["codec_type"].toString() == type) return s.toObject();
  return {};
}

class BatchWithFfmpeg : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QStandardPaths::findExecutable("ffmpeg").isEmpty() ||
        QStandardPaths::findExecutable("ffprobe").isEmpty())
      return;
    clips_ = new QTemporaryDir;
    clip_ = clips_->filePath("clip.avi").toStdString();
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.start("ffmpeg", {"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i",
                       "testsrc=size=320x240:rate=25", "-f", "lavfi", "-i",
                       "sine=frequency=440:sample_rate=44100", "-t", "6", "-c:v", "mpeg4",
                       "-q:v", "5", "-c:a", "pcm_s16le", "-y", QString::fromStdString(clip_)});
    p.waitForFinished(60000);
  }
  static void TearDownTestSuite() {
    delete clips_;
    clips_ = nullptr;
  }
  void SetUp() override {
    if (!clips_ || FileSizeOf(clip_) <= 0) GTEST_SKIP() << "ffmpeg or ffprobe missing";
  }

  static QTemporaryDir* clips_;
  static std::string clip_;
};

QTemporaryDir* BatchWithFfmpeg::clips_ = nullptr;
std::string BatchWithFfmpeg::clip_;

TEST_F(BatchWithFfmpeg, TwoFilesComeOutPspShaped) {
  struct Case {
    const char* codec;
    bool twoPass;
    int sizeIndex, width, height;
    int fps;
    int rateIndex, hz;
  };
  // Each batch spends the fixed one-second pauses; three cover one and two
  // passes with both codecs.
  const std::vector<Case> cases{
      {"LIBX264", false, 4, 480, 272, 30, 2, 44100},  // 41000 is not an AAC rate
      {"LIBX264", true, 1, 320, 240, 15, 3, 24000},
      {"MPEG4", true, 3, 368, 208, 25, 0, 48000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.codec) + (c.twoPass ? " two-pass" : " one pass"));
    QTemporaryDir work;
    QDir(work.path()).mkdir("in");
    QDir(work.path()).mkdir("cwd");
    QDir(work.path()).mkdir("tmp");
    const std::string in = work.filePath("in").toStdString();
    // A blank, a double quote and a "$" must reach the encoder whole.
    const std::vector<std::string> sources{in + "/first clip.avi", in + "/sec\"ond $x.mkv"};
    for (const auto& s : sources) ASSERT_TRUE(QFile::copy(QString::fromStdString(clip_), QString::fromStdString(s)));

    Windows w;
    w.programFolder = work.filePath("prog").toStdString();
    QDir().mkpath(QString::fromStdString(w.programFolder));
    w.sources = sources;
    w.settings.OutputFolder = work.filePath("out/psp").toStdString();
    w.settings.VideoCodec = c.codec;
    w.settings.TwoPass = c.twoPass;
    w.settings.SizeIndex = c.sizeIndex;
    w.settings.FrameRate = c.fps;
    w.settings.SampleRateIndex = c.rateIndex;
    w.settings.SideThumbnail = true;
    w.settings.ThumbnailSecond = 1;

    ProcessLauncher launcher(w.programFolder, work.filePath("encoder.log").toStdString());
    QtMessagePump pump;
    ThreadSleeper sleeper;
    FileOps files;
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(work.filePath("cwd"));
    BatchResult r;
    {
      // Private temporary files go here, so leftovers can be seen.
      testing::ScopedEnv tmp("TMPDIR", work.filePath("tmp").toStdString());
      r = Button0Click({w, w, launcher, pump, sleeper, w, files, PathStyle::Posix});
    }
    QDir::setCurrent(oldCwd);

    EXPECT_EQ(r.End, BatchEnd::Completed);
    EXPECT_FALSE(r.AnyPassFailed) << [&] {
      QFile log(QString::fromStdString(launcher.LogPath()));
      log.open(QIODevice::ReadOnly);
      return log.readAll().toStdString();
    }();
    EXPECT_EQ(r.PassesRun, c.twoPass ? 4 : 2);
    EXPECT_TRUE(w.messages.empty());
    EXPECT_TRUE(w.enabled);
    EXPECT_EQ(w.previews, std::vector<QSize>(c.twoPass ? 4 : 2, QSize(80, 60)));
    EXPECT_TRUE(QDir(work.filePath("cwd")).isEmpty()) << "pass logs left in the current folder";
    EXPECT_TRUE(QDir(work.filePath("tmp")).isEmpty()) << "pass statistics left behind";
    EXPECT_FALSE(files.Exists(w.programFolder + "/_thumb.jpg"));

    for (const char* name : {"first clip", "sec\"ond $x"}) {
      SCOPED_TRACE(name);
      const std::string out = w.settings.OutputFolder + "/" + name + ".mp4";
      QJsonObject probe = Probe(out);
      EXPECT_TRUE(probe["format"].toObject()["format_name"].toString().contains("mp4"));
      QJsonObject v = Stream(probe, "video");
      QJsonObject a = Stream(probe, "audio");
      EXPECT_EQ(v["codec_name"].toString().toStdString(), std::string(c.codec) == "LIBX264" ? "h264" : "mpeg4");
      EXPECT_EQ(v["width"].toInt(), c.width);
      EXPECT_EQ(v["height"].toInt(), c.height);
      EXPECT_EQ(v["r_frame_rate"].toString().toStdString(), std::to_string(c.fps) + "/1");
      EXPECT_EQ(v["pix_fmt"].toString().toStdString(), "yuv420p");
      if (std::string(c.codec) == "LIBX264") {
        EXPECT_EQ(v["profile"].toString().toStdString(), "Main");
        EXPECT_EQ(v["level"].toInt(), 30);
      }
      EXPECT_EQ(a["codec_name"].toString().toStdString(), "aac");
      EXPECT_EQ(a["sample_rate"].toString().toStdString(), std::to_string(c.hz));
      const std::string side = w.settings.OutputFolder + "/" + name + ".jpg";
      EXPECT_TRUE(testing::WaitFor([&] { return DecodeJpegFile(side).size() == QSize(160, 120); }));
    }
  }
}

// The real encoder stops on the cancel button's terminate and its partial
// output is removed.
TEST_F(BatchWithFfmpeg, CancelStopsTheRealEncoder) {
  struct Cancelling : Windows, IMessagePump {
    IRunCanceller* canceller = nullptr;
    CancelAnswer answer = CancelAnswer::None;
    void Create(IRunCanceller& c) override { canceller = &c; }
    void ResetCancelAnswer() override { answer = CancelAnswer::None; }
    CancelAnswer GetCancelAnswer() const override { return answer; }
    void ProcessMessages() override {
      if (answer == CancelAnswer::None)
        answer = canceller->TerminateConversion() ? CancelAnswer::Cancelled : CancelAnswer::NotCancelled;
    }
  } w;
  QTemporaryDir work;
  w.programFolder = work.path().toStdString();
  w.sources = {clip_};
  w.settings.OutputFolder = work.filePath("out").toStdString();
  w.settings.SideThumbnail = false;
  w.settings.SizeIndex = 5;  // the largest frame: the run is still going at the first slice
  ProcessLauncher launcher(w.programFolder, work.filePath("encoder.log").toStdString());
  ThreadSleeper sleeper;
  FileOps files;
  QElapsedTimer t;
  t.start();
  BatchResult r = Button0Click({w, w, launcher, w, sleeper, w, files, PathStyle::Posix});
  EXPECT_EQ(w.answer, CancelAnswer::Cancelled);
  EXPECT_EQ(r.End, BatchEnd::Cancelled);
  EXPECT_FALSE(files.Exists(w.settings.OutputFolder + "/clip.mp4"));
  EXPECT_LT(t.elapsed(), 1000 + 2000);  // the preview pause, then a prompt stop
  EXPECT_TRUE(w.enabled);
}

// A full disk: ffmpeg 5.1 ends with 0 after "Error writing trailer ... No
// space left on device" and leaves a file without its index. Needs a tiny
// tmpfs, which only root may mount.
TEST_F(BatchWithFfmpeg, FullDiskIsAFailedPass) {
  QTemporaryDir work;
  const std::string disk = work.filePath("stick").toStdString();
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(disk)));
  QProcess mount;
  mount.start("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", QString::fromStdString(disk)});
  if (!mount.waitForFinished(10000) || mount.exitStatus() != QProcess::NormalExit || mount.exitCode() != 0)
    GTEST_SKIP() << "cannot mount a 64 KB tmpfs here (needs root): " << mount.readAllStandardError().toStdString();
  struct Unmount {
    std::string dir;
    ~Unmount() { QProcess::execute("umount", {QString::fromStdString(dir)}); }
  } unmount{disk};

  Windows w;
  w.programFolder = work.path().toStdString();
  w.settings.OutputFolder = disk;
  w.settings.SideThumbnail = false;
  w.sources = {clip_};
  FileOps files;
  ProcessLauncher launcher(w.programFolder, work.filePath("encoder.log").toStdString());
  QtMessagePump pump;
  ThreadSleeper sleeper;
  BatchResult r = Button0Click({w, w, launcher, pump, sleeper, w, files, PathStyle::Posix});
  EXPECT_EQ(r.End, BatchEnd::Completed);
  EXPECT_TRUE(r.AnyPassFailed);
  EXPECT_EQ(w.messages, std::vector<std::string>{std::string(UnsupportedFilesMessage)});
  EXPECT_FALSE(files.IsCompleteMp4(disk + "/clip.mp4"));
}

std::string FileBytes(const std::string& path) {
  QFile f(QString::fromStdString(path));
  return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

// The user's photo beside the video, as a bystander and as a source of the
// batch: it keeps its bytes; the photo given as a source is converted under
// the next number, with its thumbnail beside that output.
TEST_F(BatchWithFfmpeg, PhotoBesideTheVideoKeepsItsBytes) {
  QTemporaryDir work;
  const std::string folder = work.path().toStdString();
  const std::string video = folder + "/holiday.avi";
  const std::string photo = folder + "/holiday.jpg";
  ASSERT_TRUE(QFile::copy(QString::fromStdString(clip_), QString::fromStdString(video)));
  QProcess p;
  p.setStandardInputFile(QProcess::nullDevice());
  p.start("ffmpeg", {"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=1200x900",
                     "-frames:v", "1", "-y", QString::fromStdString(photo)});
  ASSERT_TRUE(p.waitForFinished(30000));
  const std::string bytes = FileBytes(photo);
  ASSERT_FALSE(bytes.empty());

  for (const std::vector<std::string>& sources :
       {std::vector<std::string>{video}, std::vector<std::string>{video, photo}}) {
    Windows w;
    w.programFolder = folder;
    w.settings.OutputFolder = folder;
    w.settings.ThumbnailSecond = 0;  // a still picture has no second 1
    w.sources = sources;
    FileOps files;
    QtMessagePump pump;
    ThreadSleeper sleeper;
    BatchResult r;
    {
      ProcessLauncher launcher(folder, work.filePath("encoder.log").toStdString());
      r = Button0Click({w, w, launcher, pump, sleeper, w, files, PathStyle::Posix});
    }  // the launcher lets the last thumbnail finish
    EXPECT_FALSE(r.AnyPassFailed) << sources.size();
    EXPECT_EQ(FileBytes(photo), bytes) << sources.size();
    EXPECT_EQ(DecodeJpegFile(photo).size(), QSize(1200, 900));
    EXPECT_TRUE(files.IsCompleteMp4(folder + "/holiday.mp4"));
  }
  EXPECT_TRUE(IsCompleteMp4File(folder + "/holiday (2).mp4"));
  EXPECT_EQ(DecodeJpegFile(folder + "/holiday (2).jpg").size(), QSize(160, 120));
}

}  // namespace
}  // namespace tarnick
