#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <QStandardPaths>

#include <filesystem>
#include <fstream>
#include <set>

#include "app/BatchDriver.h"
#include "app/Mainwindow1.h"
#include "app/PauseSleeper.h"
#include "controls/Pcvfadebutton.h"
#include "platform/JpegImage.h"
#include "support/FakeEncoder.h"
#include "toolkit/Dialogs.h"

namespace tarnick {
namespace {

namespace fs = std::filesystem;
using testsupport::FakeEncoderFolder;
using testsupport::ScopedEnv;

void Click(QWidget* button) {
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, button->height() / 2));
}

// The main window of a program folder; `withEncoder` puts the fake encoder
// there, else the one on PATH is used.
class ProgressMainWindow : public ::testing::Test {
 protected:
  explicit ProgressMainWindow(bool withEncoder = true) : enc(withEncoder) {}

  void SetUp() override {
    fs::copy_file(TARNICK_SOURCE_DIR "/data/profile.txt", enc.Path("profile.txt"));
    std::ofstream(enc.Path("Tarnick.ini"), std::ios::binary)
        << "[SET2]\r\nC11=" << enc.Path("out") << "\r\n";
    TMainFormOptions o;
    o.ProgramFolder = enc.Folder();
    o.ProgramPath = enc.Path("tarnick");
    o.Arguments = std::vector<std::string>{};
    o.Open = [](const std::string&, bool) {};
    w = std::make_unique<TMainForm1>(o);
    pauses = std::make_unique<apptest::PauseSleeper>(w->BatchDriver());
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(w.get(), &activate);
    w->show();
    // Looks at the windows while the batch handles messages.
    watch.setInterval(40);
    QObject::connect(&watch, &QTimer::timeout, [this] {
      if (TProgressForm1* form = w->BatchDriver().View().Form(); form && onWatch) onWatch(*form);
    });
    watch.start();
  }

  FakeEncoderFolder enc;
  DialogRecorder dialogs;
  std::unique_ptr<TMainForm1> w;
  std::unique_ptr<apptest::PauseSleeper> pauses;
  QTimer watch;
  std::function<void(TProgressForm1&)> onWatch;
};

TEST_F(ProgressMainWindow, DuringABatchTheMainWindowIsDisabledAndRefusesToClose) {
  ScopedEnv hang("FAKE_FFMPEG_HANG", "1");
  w->TakeDroppedPaths({enc.MakeFile("a.avi"), enc.MakeFile("b.avi")});
  bool seen = false, closed = true, mainEnabled = true, cancelEnabled = false;
  onWatch = [&](TProgressForm1& form) {
    if (seen || !fs::exists(enc.Path("out/a.mp4"))) return;
    seen = true;
    mainEnabled = w->isEnabled();
    cancelEnabled = form.Button1->isEnabled() && form.isVisible();
    closed = w->close();
    Click(form.Button1);
  };
  Click(w->Button10);
  ASSERT_TRUE(seen);
  EXPECT_FALSE(mainEnabled);
  EXPECT_TRUE(cancelEnabled);  // the progress window is not disabled with it
  EXPECT_FALSE(closed);
  // Cancelled: the run's output removed, the second file never started.
  EXPECT_FALSE(fs::exists(enc.Path("out/a.mp4")));
  EXPECT_FALSE(fs::exists(enc.Path("out/b.mp4")));
  EXPECT_TRUE(w->isEnabled());
  EXPECT_TRUE(w->isVisible());
  EXPECT_FALSE(w->BatchRunning());
  EXPECT_EQ(w->BatchDriver().View().Form(), nullptr);
  EXPECT_TRUE(dialogs.Boxes.empty());
  // After the batch it closes as usual.
  EXPECT_TRUE(w->close());
}

// The real encoder: a generated clip dropped, "[ 変換開始 ]" pressed, a
// playable MP4 and its 160x120 JPEG made.
class ProgressRealEncoder : public ProgressMainWindow {
 protected:
  ProgressRealEncoder() : ProgressMainWindow(false) {}
};

std::string Probe(const std::string& path, const std::string& stream, const std::string& entries) {
  QProcess p;
  p.start("ffprobe", {"-v", "error", "-select_streams", QString::fromStdString(stream),
                      "-show_entries", QString::fromStdString(entries), "-of",
                      "default=noprint_wrappers=1:nokey=1", QString::fromStdString(path)});
  p.waitForFinished(30000);
  return p.readAllStandardOutput().trimmed().toStdString();
}

TEST_F(ProgressRealEncoder, GeneratedClipBecomesAPspMp4AndItsThumbnail) {
  if (QStandardPaths::findExecutable("ffmpeg").isEmpty() ||
      QStandardPaths::findExecutable("ffprobe").isEmpty())
    GTEST_SKIP() << "no ffmpeg on PATH";
  const std::string clip = enc.Path("clip.avi");
  QProcess gen;
  gen.start("ffmpeg",
            {"-v", "error", "-y", "-f", "lavfi", "-i", "testsrc=duration=8:size=320x240:rate=25",
             "-f", "lavfi", "-i", "sine=frequency=440:duration=8", "-c:v", "mpeg4", "-c:a",
             "pcm_s16le", "-shortest", QString::fromStdString(clip)});
  ASSERT_TRUE(gen.waitForFinished(60000));
  ASSERT_EQ(gen.exitCode(), 0) << gen.readAllStandardError().toStdString();

  std::set<std::string> label1;
  onWatch = [&](TProgressForm1& form) { label1.insert(form.Label1->Caption()); };
  w->TakeDroppedPaths({clip});
  ASSERT_TRUE(w->Button10->isEnabled());
  EXPECT_EQ(w->Button10->Caption(), "[ 変換開始 ]");
  const ConversionSettings settings = w->ReadConversionSettings();
  Click(w->Button10);

  EXPECT_TRUE(dialogs.Boxes.empty()) << dialogs.Boxes[0].Text;
  const std::string mp4 = enc.Path("out/clip.mp4");
  ASSERT_TRUE(fs::exists(mp4));
  EXPECT_EQ(Probe(mp4, "v:0", "stream=codec_name"), "h264");
  EXPECT_EQ(Probe(mp4, "a:0", "stream=codec_name"), "aac");
  // The frame size of the window's choice, in what the PSP decodes.
  std::string size(SizeTable[static_cast<std::size_t>(settings.SizeIndex)].Text);
  EXPECT_EQ(Probe(mp4, "v:0", "stream=width,height"), size.replace(size.find('x'), 1, "\n"));
  EXPECT_EQ(Probe(mp4, "v:0", "stream=pix_fmt"), "yuv420p");
  EXPECT_EQ(Probe(mp4, "v:0", "stream=profile"), "Main");
  EXPECT_NE(Probe(mp4, "", "format=format_name").find("mp4"), std::string::npos);
  // The window is painted at once when shown (its initial text), then with
  // the pass's names.
  label1.erase("***.*** -> ***.***");
  EXPECT_EQ(label1, std::set<std::string>{"clip.avi -> clip.mp4"});
  const std::string jpg = enc.Path("out/clip.jpg");
  ASSERT_TRUE(testsupport::WaitFor([&] { return !DecodeJpegFile(jpg).isNull(); }, 20000));
  EXPECT_EQ(DecodeJpegFile(jpg).size(), QSize(160, 120));
  EXPECT_TRUE(w->isEnabled());
  EXPECT_EQ(w->BatchDriver().View().Form(), nullptr);
}

}  // namespace
}  // namespace tarnick
