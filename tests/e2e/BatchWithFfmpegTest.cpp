#include <gtest/gtest.h>

#include <iostream>

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "engine/BatchRunner.h"
#include "engine/Preset.h"
#include "engine/QuietBatch.h"
#include "platform/EncoderAdapter.h"
#include "platform/FileOps.h"
#include "platform/JpegImage.h"
#include "platform/ProcessLauncher.h"
#include "platform/TextFile.h"
#include "support/FakeEncoder.h"

namespace tarnick {
namespace {

// The windows of a batch, reduced to what the checks need.
struct FakeHost : ListBatchHost, SilentProgressView, INotifier {
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
    p.start("ffmpeg", {"-hide_banner",
                       "-loglevel",
                       "error",
                       "-f",
                       "lavfi",
                       "-i",
                       "testsrc=size=320x240:rate=25",
                       "-f",
                       "lavfi",
                       "-i",
                       "sine=frequency=440:sample_rate=44100",
                       "-t",
                       "6",
                       "-c:v",
                       "mpeg4",
                       "-q:v",
                       "5",
                       "-c:a",
                       "pcm_s16le",
                       "-y",
                       QString::fromStdString(clip_)});
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
  // Each batch spends the fixed one-second pauses; these cover one and two
  // passes with every codec of the list.
  const std::vector<Case> cases{
      {"LIBX264", false, 4, 480, 272, 30, 2, 44100},  // 41000 is not an AAC rate
      {"LIBX264", true, 1, 320, 240, 15, 3, 24000},  {"MPEG4", true, 3, 368, 208, 25, 0, 48000},
      {"MPEG4", false, 0, 160, 120, 12, 3, 24000},   {"LIBXVID", false, 4, 480, 272, 30, 1, 44100},
      {"LIBXVID", true, 1, 320, 240, 15, 0, 48000},
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
    for (const auto& s : sources)
      ASSERT_TRUE(QFile::copy(QString::fromStdString(clip_), QString::fromStdString(s)));

    FakeHost w;
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
      testsupport::ScopedEnv tmp("TMPDIR", work.filePath("tmp").toStdString());
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
      EXPECT_EQ(v["codec_name"].toString().toStdString(),
                std::string(c.codec) == "LIBX264" ? "h264" : "mpeg4");
      EXPECT_EQ(v["width"].toInt(), c.width);
      EXPECT_EQ(v["height"].toInt(), c.height);
      EXPECT_EQ(v["r_frame_rate"].toString().toStdString(), std::to_string(c.fps) + "/1");
      EXPECT_EQ(v["pix_fmt"].toString().toStdString(), "yuv420p");
      if (std::string(c.codec) == "LIBX264") {
        EXPECT_EQ(v["profile"].toString().toStdString(), "Main");
        EXPECT_EQ(v["level"].toInt(), 30);
      } else {
        EXPECT_EQ(v["profile"].toString().toStdString(), "Simple Profile");
      }
      EXPECT_EQ(a["codec_name"].toString().toStdString(), "aac");
      EXPECT_EQ(a["sample_rate"].toString().toStdString(), std::to_string(c.hz));
      const std::string side = w.settings.OutputFolder + "/" + name + ".jpg";
      EXPECT_TRUE(
          testsupport::WaitFor([&] { return DecodeJpegFile(side).size() == QSize(160, 120); }));
    }
  }
}

// The top-level boxes of an MP4 file, in order, with the ftyp box's brands.
struct Mp4Layout {
  std::vector<std::string> boxes;
  std::string majorBrand;
  std::vector<std::string> compatibleBrands;
};

Mp4Layout ReadMp4Layout(const std::string& path) {
  Mp4Layout layout;
  QFile f(QFile::decodeName(path.c_str()));
  if (!f.open(QIODevice::ReadOnly)) return layout;
  const QByteArray all = f.readAll();
  auto u32 = [&](qsizetype at) {
    return (quint64(quint8(all[at])) << 24) | (quint64(quint8(all[at + 1])) << 16) |
           (quint64(quint8(all[at + 2])) << 8) | quint64(quint8(all[at + 3]));
  };
  for (qsizetype at = 0; at + 8 <= all.size();) {
    quint64 size = u32(at);
    const std::string type = all.mid(at + 4, 4).toStdString();
    if (size == 1 && at + 16 <= all.size()) size = (u32(at + 8) << 32) | u32(at + 12);
    if (size < 8) break;
    layout.boxes.push_back(type);
    if (type == "ftyp" && size >= 16) {
      layout.majorBrand = all.mid(at + 8, 4).toStdString();
      for (qsizetype b = at + 16; b + 4 <= at + qsizetype(size); b += 4)
        layout.compatibleBrands.push_back(all.mid(b, 4).toStdString());
    }
    at += qsizetype(size);
  }
  return layout;
}

QJsonObject ProbePsp(const std::string& path) {
  QProcess p;
  p.setStandardInputFile(QProcess::nullDevice());
  p.start("ffprobe",
          {"-v", "error", "-show_entries",
           "stream=codec_type,codec_name,codec_tag_string,profile,level,width,height,pix_fmt,"
           "refs,has_b_frames,bit_rate,sample_rate,channels",
           "-of", "json", QFile::decodeName(path.c_str())});
  p.waitForFinished(30000);
  return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// A preset line of the shipped profile.txt as the settings it sets.
struct ShippedPreset {
  std::string name;
  ConversionSettings settings;
  int width = 0, height = 0;
};

std::vector<ShippedPreset> ShippedPresets() {
  std::vector<ShippedPreset> out;
  for (const std::string& line :
       ReadTextFileLines(std::string(TARNICK_SOURCE_DIR) + "/data/profile.txt")) {
    const Preset p = Preset::FromLine(line);
    if (p.Column(ColSize).empty()) continue;
    ShippedPreset s;
    s.name = p.Column(ColName);
    for (std::size_t i = 0; i < SizeTable.size(); ++i)
      if (SizeTable[i].Text == p.Column(ColSize)) s.settings.SizeIndex = static_cast<int>(i);
    std::sscanf(p.Column(ColSize).c_str(), "%dx%d", &s.width, &s.height);
    s.settings.VideoCodec = p.Column(ColVideoCodec);
    s.settings.FrameRate = std::stoi(NumberBeforeUnit(p.Column(ColFrameRate), "fps"));
    s.settings.VideoKbps = std::stoi(NumberBeforeUnit(p.Column(ColVideoKbps), "kbps"));
    s.settings.SampleRateIndex =
        SampleRateIndexOf(std::stoi(NumberBeforeUnit(p.Column(ColSampleRate), "Hz")));
    s.settings.AudioKbps = std::stoi(NumberBeforeUnit(p.Column(ColAudioKbps), "kbps"));
    out.push_back(s);
  }
  return out;
}

// What a PSP needs of every output of every shipped preset, from sources of
// the shapes users have: 5.1 sound, no sound, mono and vertical, odd size.
// Runs go straight through the launcher (the batch's pauses are covered
// above), one pass for every preset and source, two passes on the 5.1 one.
TEST_F(BatchWithFfmpeg, EveryShippedPresetPlaysOnAPsp) {
  struct Source {
    const char* name;
    const char* video;
    const char* audio;  // empty: no sound
    int channels;
  };
  const std::vector<Source> shapes{
      {"surround", "testsrc2=size=320x240:rate=30",
       "aevalsrc=sin(440*2*PI*t)|sin(550*2*PI*t)|sin(660*2*PI*t)|0.1*sin(55*2*PI*t)|sin(330*2*PI*t)"
       "|"
       "sin(220*2*PI*t):c=5.1:s=48000",
       6},
      {"silent", "testsrc2=size=320x240:rate=30", "", 0},
      {"vertical", "testsrc2=size=720x1280:rate=30", "sine=frequency=440:sample_rate=44100", 1},
      {"odd", "testsrc2=size=853x480:rate=30", "sine=frequency=330:sample_rate=22050", 1},
  };
  QTemporaryDir work;
  std::vector<std::pair<Source, std::string>> sources;
  for (const Source& s : shapes) {
    const std::string path = work.filePath(QString(s.name) + ".avi").toStdString();
    QStringList args{"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i", s.video};
    if (*s.audio)
      args << "-f"
           << "lavfi"
           << "-i" << s.audio << "-c:a"
           << "pcm_s16le";
    args << "-t"
         << "2"
         << "-c:v"
         << "mpeg4"
         << "-q:v"
         << "2"
         << "-y" << QString::fromStdString(path);
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.start("ffmpeg", args);
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_GT(FileSizeOf(path), 0) << s.name;
    sources.emplace_back(s, path);
  }
  const std::vector<ShippedPreset> presets = ShippedPresets();
  ASSERT_EQ(presets.size(), 8u);

  ProcessLauncher launcher(work.path().toStdString(), work.filePath("encoder.log").toStdString());
  QtMessagePump pump;
  int n = 0;
  for (const ShippedPreset& preset : presets) {
    for (const auto& [shape, source] : sources) {
      for (int passes : {1, 2}) {
        if (passes == 2 && std::string(shape.name) != "surround") continue;
        SCOPED_TRACE(preset.name + " / " + shape.name + " / " + std::to_string(passes) +
                     " pass(es)");
        const std::string out = work.filePath(QString("out%1.mp4").arg(++n)).toStdString();
        for (int pass = 1; pass <= passes; ++pass) {
          RunOutcome r = launcher.RunConversion(
              MakeConversionCommand(PathStyle::Posix, preset.settings, source, out, passes, pass),
              pump);
          ASSERT_TRUE(r.Started && r.NormalExit && r.ExitCode == 0) << [&] {
            QFile log(QString::fromStdString(launcher.LogPath()));
            log.open(QIODevice::ReadOnly);
            return log.readAll().right(3000).toStdString();
          }();
        }
        const std::string side = MakeSideThumbnailPath(PathStyle::Posix, out);
        launcher.StartThumbnailRun(MakeSideThumbnailArgs(source, 1, side));

        const Mp4Layout layout = ReadMp4Layout(out);
        ASSERT_FALSE(layout.boxes.empty());
        EXPECT_EQ(layout.boxes.front(), "ftyp");
        const auto moov = std::find(layout.boxes.begin(), layout.boxes.end(), "moov");
        const auto mdat = std::find(layout.boxes.begin(), layout.boxes.end(), "mdat");
        EXPECT_TRUE(moov != layout.boxes.end() && moov < mdat) << "moov after mdat";
        EXPECT_EQ(layout.majorBrand, "isom");
        EXPECT_NE(std::find(layout.compatibleBrands.begin(), layout.compatibleBrands.end(), "mp41"),
                  layout.compatibleBrands.end());

        const QJsonObject probe = ProbePsp(out);
        const QJsonObject v = Stream(probe, "video");
        EXPECT_EQ(v["width"].toInt(), preset.width);
        EXPECT_EQ(v["height"].toInt(), preset.height);
        EXPECT_EQ(v["pix_fmt"].toString().toStdString(), "yuv420p");
        const double kbps = v["bit_rate"].toString().toDouble() / 1000;
        if (preset.settings.VideoCodec == "LIBX264") {
          EXPECT_EQ(v["codec_name"].toString().toStdString(), "h264");
          EXPECT_EQ(v["profile"].toString().toStdString(), "Main");
          EXPECT_LE(v["level"].toInt(), 30);
          EXPECT_LE(v["refs"].toInt(), 2);
          // A B-pyramid needs a reordering depth of two.
          EXPECT_LE(v["has_b_frames"].toInt(), 1);
        } else {
          EXPECT_EQ(v["codec_name"].toString().toStdString(), "mpeg4");
          EXPECT_EQ(v["profile"].toString().toStdString(), "Simple Profile");
          EXPECT_EQ(v["codec_tag_string"].toString().toStdString(), "mp4v");
          EXPECT_LE(kbps, preset.settings.VideoKbps * 1.05) << "video over the asked rate";
          std::cout << "video rate " << preset.settings.VideoKbps << "k asked, " << kbps
                    << "k made: " << preset.name << " / " << shape.name << " / " << passes
                    << " pass(es)\n";
        }
        const QJsonObject a = Stream(probe, "audio");
        if (shape.channels == 0) {
          EXPECT_TRUE(a.isEmpty());
        } else {
          EXPECT_EQ(a["codec_name"].toString().toStdString(), "aac");
          EXPECT_EQ(a["profile"].toString().toStdString(), "LC");
          EXPECT_EQ(a["channels"].toInt(), 2);
          const int hz = a["sample_rate"].toString().toInt();
          EXPECT_TRUE(hz == 24000 || hz == 44100 || hz == 48000) << hz;
          EXPECT_EQ(
              hz, NearestAacRate(SampleRateTable[std::size_t(preset.settings.SampleRateIndex)].Hz));
        }
        launcher.WaitForThumbnailRuns(30000);
        EXPECT_EQ(DecodeJpegFile(side).size(), QSize(160, 120));
      }
    }
  }
}

// The real encoder stops on the cancel button's terminate and its partial
// output is removed.
TEST_F(BatchWithFfmpeg, CancelStopsTheRealEncoder) {
  struct Cancelling : FakeHost, IMessagePump {
    IRunCanceller* canceller = nullptr;
    CancelAnswer answer = CancelAnswer::None;
    void Create(IRunCanceller& c) override { canceller = &c; }
    void ResetCancelAnswer() override { answer = CancelAnswer::None; }
    CancelAnswer GetCancelAnswer() const override { return answer; }
    void ProcessMessages() override {
      if (answer == CancelAnswer::None)
        answer =
            canceller->TerminateConversion() ? CancelAnswer::Cancelled : CancelAnswer::NotCancelled;
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
  if (!mount.waitForFinished(10000) || mount.exitStatus() != QProcess::NormalExit ||
      mount.exitCode() != 0)
    GTEST_SKIP() << "cannot mount a 64 KB tmpfs here (needs root): "
                 << mount.readAllStandardError().toStdString();
  struct Unmount {
    std::string dir;
    ~Unmount() { QProcess::execute("umount", {QString::fromStdString(dir)}); }
  } unmount{disk};

  FakeHost w;
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
  p.start("ffmpeg",
          {"-hide_banner", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc=size=1200x900",
           "-frames:v", "1", "-y", QString::fromStdString(photo)});
  ASSERT_TRUE(p.waitForFinished(30000));
  const std::string bytes = FileBytes(photo);
  ASSERT_FALSE(bytes.empty());

  for (const std::vector<std::string>& sources :
       {std::vector<std::string>{video}, std::vector<std::string>{video, photo}}) {
    FakeHost w;
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
