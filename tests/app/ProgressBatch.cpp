#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <signal.h>

#include <filesystem>
#include <set>

#include "app/BatchDriver.h"
#include "app/PauseSleeper.h"
#include "platform/JpegImage.h"
#include "support/FakeEncoder.h"
#include "toolkit/Dialogs.h"

namespace tarnick {
namespace {

using testsupport::FakeEncoderFolder;
using testsupport::ScopedEnv;

// The main window as the batch sees it.
struct Host : IBatchHost {
  std::string programFolder;
  std::vector<std::string> sources;
  ConversionSettings settings;
  std::vector<bool> enabled;  // every change, in order
  std::string currentSource, currentOutput;

  void SetMainEnabled(bool on) override { enabled.push_back(on); }
  std::string ScratchFolder() const override { return programFolder; }
  std::string EncoderFolder() const override { return programFolder; }
  int SourceCount() const override { return static_cast<int>(sources.size()); }
  std::string SourceAt(int i) const override { return sources.at(static_cast<std::size_t>(i)); }
  ConversionSettings ReadConversionSettings() const override { return settings; }
  void SetCurrentSource(const std::string& p) override { currentSource = p; }
  void SetCurrentOutput(const std::string& p) override { currentOutput = p; }
  void SetQuotedOutput(const std::string&) override {}
};

// What the progress window showed, seen while the encoder ran (a timer
// only fires while the batch handles messages, that is during a wait).
struct Look {
  std::string label1, label2;
  int position = -1, max = -1;
  bool preview = false;
  bool visible = false;
};

int ProgressWindows() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  int n = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (dynamic_cast<TProgressForm1*>(w)) ++n;
  return n;
}

bool Exists(const std::string& p) {
  return std::filesystem::exists(p);
}

class ProgressBatch : public ::testing::Test {
 protected:
  void SetUp() override {
    host.programFolder = enc.Folder();
    host.settings.OutputFolder = enc.Path("out");
    host.settings.SideThumbnail = false;
    for (const char* name : {"a.avi", "b.avi", "c.avi"})
      host.sources.push_back(enc.MakeFile(name, std::string(5500, 'v')));
    watch.setInterval(40);
    QObject::connect(&watch, &QTimer::timeout, [this] {
      TProgressForm1* form = driver.View().Form();
      if (!form) return;
      Look look{form->Label1->Caption(),           form->Label2->Caption(),
                form->ProgressBar1->Position(),    form->ProgressBar1->Max(),
                !form->Image1->Picture().isNull(), form->isVisible()};
      // The first paint, before any file is named, shows the form's own text.
      if (look.label1 == "***.*** -> ***.***") return;
      looks.push_back(look);
      if (onLook) onLook(*form, look);
    });
    watch.start();
  }

  std::string Out(const std::string& name) { return enc.Path("out/" + name); }

  FakeEncoderFolder enc;
  Host host;
  TBatchDriver driver;
  apptest::PauseSleeper pauses{driver};
  DialogRecorder dialogs;
  QTimer watch;
  std::vector<Look> looks;
  std::function<void(TProgressForm1&, const Look&)> onLook;
};

TEST_F(ProgressBatch, ThreeFilesShowNamesBarPreviewAndGrowingSizes) {
  // Each output stops at half and at full size until this test has seen
  // that size, so the test does not depend on the machine's speed.
  const std::string gate = enc.Path("gate-");
  ScopedEnv gated("FAKE_FFMPEG_GATE", gate);
  ScopedEnv bytes("FAKE_FFMPEG_BYTES", "300000");
  bool saved = false;
  onLook = [&](TProgressForm1& form, const Look& look) {
    const std::string shown = look.label2.substr(look.label2.find("-> ") + 3);
    const std::string output = look.label1.substr(look.label1.find("-> ") + 3);
    if (shown == "150KB") testsupport::Touch(gate + output + ".1");
    if (shown != "0KB" && shown != "150KB") testsupport::Touch(gate + output + ".2");
    // One picture for people to look at: names, sizes and preview shown.
    if (saved || !look.preview || look.position != 1 || shown == "0KB") return;
    QDir().mkpath(TARNICK_ARTIFACT_DIR);
    saved = form.Screenshot().save(QString(TARNICK_ARTIFACT_DIR) + "/progress-window.png");
  };
  const BatchResult result = driver.Run(host);

  EXPECT_EQ(result.End, BatchEnd::Completed);
  EXPECT_FALSE(result.AnyPassFailed);
  for (const char* name : {"a.mp4", "b.mp4", "c.mp4"}) EXPECT_TRUE(Exists(Out(name))) << name;

  // Per file: its names and the count of files done before it, out of 3.
  std::set<std::pair<std::string, int>> seen;
  for (const Look& l : looks) {
    EXPECT_TRUE(l.visible);
    EXPECT_EQ(l.max, 3);
    EXPECT_TRUE(l.preview);
    EXPECT_NE(l.position, 3);
    seen.insert({l.label1, l.position});
  }
  EXPECT_EQ(seen, (std::set<std::pair<std::string, int>>{
                      {"a.avi -> a.mp4", 0}, {"b.avi -> b.mp4", 1}, {"c.avi -> c.mp4", 2}}));

  // The size label ticks while the encoder writes (after the first second):
  // the source's 5KB, and an output that grows.
  std::set<std::string> sizes;
  for (const Look& l : looks)
    if (l.label1 == "a.avi -> a.mp4" && l.label2 != "0KB -> 0KB") sizes.insert(l.label2);
  EXPECT_GE(sizes.size(), 2u);
  for (const std::string& s : sizes) EXPECT_EQ(s.rfind("5KB -> ", 0), 0u) << s;
  EXPECT_TRUE(saved);

  // Afterwards: the window gone, the main window enabled, one beep, no box.
  EXPECT_EQ(driver.View().Form(), nullptr);
  EXPECT_EQ(ProgressWindows(), 0);
  EXPECT_EQ(host.enabled, (std::vector<bool>{false, true}));
  EXPECT_FALSE(driver.IsRunning());
  EXPECT_TRUE(dialogs.Boxes.empty());
  EXPECT_EQ(dialogs.Beeps.size(), 1u);
}

TEST_F(ProgressBatch, TwoPassesWithTheSideThumbnail) {
  host.sources.resize(1);
  host.settings.TwoPass = true;
  host.settings.SideThumbnail = true;
  ScopedEnv slow("FAKE_FFMPEG_WRITE_MS", "300");
  const BatchResult result = driver.Run(host);
  EXPECT_EQ(result.End, BatchEnd::Completed);
  EXPECT_EQ(result.PassesRun, 2);
  // A one-second pause for the preview before each pass, one for the
  // side thumbnail before the second.
  EXPECT_EQ(pauses.Pauses, (std::vector<int>{1000, 1000, 1000}));
  EXPECT_TRUE(Exists(Out("a.mp4")));
  // The thumbnail run is not waited for; give it a moment.
  ASSERT_TRUE(testsupport::WaitFor([&] { return !DecodeJpegFile(Out("a.jpg")).isNull(); }));
  EXPECT_EQ(DecodeJpegFile(Out("a.jpg")).size(), QSize(160, 120));
  for (const Look& l : looks) EXPECT_EQ(l.label1, "a.avi -> a.mp4");
  EXPECT_FALSE(Exists(enc.Path("_thumb.jpg")));  // the preview is taken away
  EXPECT_EQ(ProgressWindows(), 0);
}

TEST_F(ProgressBatch, FailingFileGivesTheEndMessageAndTheWindowsComeBack) {
  ScopedEnv fail("FAKE_FFMPEG_FAIL", "1");
  host.sources.resize(2);
  // The box comes while the progress window is still up: not beneath it.
  bool shownDuringBox = false, onTopDuringBox = true;
  MessageBoxHandler recorder = SetMessageBoxHandler([&](const MessageBoxCall& call) {
    TProgressForm1* form = driver.View().Form();
    shownDuringBox = form && form->isVisible();
    onTopDuringBox = form && form->OnTop();
    dialogs.Boxes.push_back(call);
    return IDOK;
  });
  const BatchResult result = driver.Run(host);
  SetMessageBoxHandler(recorder);
  EXPECT_TRUE(shownDuringBox);
  EXPECT_FALSE(onTopDuringBox);
  EXPECT_EQ(result.End, BatchEnd::Completed);
  EXPECT_TRUE(result.AnyPassFailed);
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text,
            "変換できない非対応ファイルが含まれていました。保存先に指定したフォルダで変換結果をご確"
            "認下さい。");
  EXPECT_EQ(dialogs.Beeps.size(), 2u);
  EXPECT_EQ(host.enabled.back(), true);
  EXPECT_EQ(ProgressWindows(), 0);
}

TEST_F(ProgressBatch, MissingEncoderEndsTheBatchWithTheWindowsBack) {
  std::filesystem::remove(enc.Path("ffmpeg"));
  QTemporaryDir emptyPath;
  ScopedEnv path("PATH", emptyPath.path().toStdString());
  const BatchResult result = driver.Run(host);
  EXPECT_EQ(result.End, BatchEnd::EncoderMissing);
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text.rfind("エンコーダ (ffmpeg) を起動できませんでした。", 0), 0u);
  EXPECT_EQ(host.enabled, (std::vector<bool>{false, true}));
  EXPECT_EQ(ProgressWindows(), 0);
  EXPECT_FALSE(driver.IsRunning());
}

TEST_F(ProgressBatch, CancelEndsAHangingRunAndTheBatch) {
  ScopedEnv hang("FAKE_FFMPEG_HANG", "1");
  QElapsedTimer sinceClick;
  onLook = [&](TProgressForm1& form, const Look&) {
    if (sinceClick.isValid() || !Exists(Out("a.mp4"))) return;
    sinceClick.start();
    QTest::mouseClick(form.Button1, Qt::LeftButton, {}, QPoint(10, 10));
  };
  QElapsedTimer total;
  total.start();
  const BatchResult result = driver.Run(host);
  ASSERT_TRUE(sinceClick.isValid());
  EXPECT_LT(sinceClick.elapsed(), 5000);
  EXPECT_EQ(result.End, BatchEnd::Cancelled);
  EXPECT_FALSE(Exists(Out("a.mp4")));  // the partial output is removed
  EXPECT_FALSE(Exists(Out("b.mp4")));  // and nothing more ran
  EXPECT_TRUE(dialogs.Boxes.empty());
  EXPECT_EQ(host.enabled.back(), true);
  EXPECT_EQ(ProgressWindows(), 0);
  EXPECT_LT(total.elapsed(), 20000);
}

TEST_F(ProgressBatch, CancelAfterTheRunEndedShowsTheMessageAndKeepsTheOutput) {
  ScopedEnv slow("FAKE_FFMPEG_WRITE_MS", "200");
  host.sources.resize(2);
  bool clicked = false;
  onLook = [&](TProgressForm1& form, const Look& look) {
    if (clicked || look.label1 != "a.avi -> a.mp4") return;
    // The encoder ends while the batch is busy here, before it looks again.
    ASSERT_TRUE(testsupport::WaitForLastRunToEnd(enc));
    clicked = true;
    form.Button1Click();
  };
  const BatchResult result = driver.Run(host);
  ASSERT_TRUE(clicked);
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text, "変換を中止できませんでした。");
  EXPECT_EQ(result.End, BatchEnd::Completed);
  EXPECT_TRUE(Exists(Out("a.mp4")));
  EXPECT_TRUE(Exists(Out("b.mp4")));  // the batch went on
  EXPECT_EQ(ProgressWindows(), 0);
}

TEST_F(ProgressBatch, AbortEndsTheRunningBatch) {
  ScopedEnv hang("FAKE_FFMPEG_HANG", "1");
  bool aborted = false;
  onLook = [&](TProgressForm1&, const Look&) {
    if (aborted || !Exists(Out("a.mp4"))) return;
    aborted = true;
    driver.Abort();
  };
  const BatchResult result = driver.Run(host);
  EXPECT_TRUE(aborted);
  EXPECT_EQ(result.End, BatchEnd::Cancelled);
  EXPECT_FALSE(Exists(Out("a.mp4")));
  EXPECT_FALSE(Exists(Out("b.mp4")));
  EXPECT_FALSE(driver.IsAborting());
  EXPECT_EQ(host.enabled.back(), true);
}

// kill -TERM during a batch: the encoder is stopped, its partial output
// removed, and the window closed once the batch is over.
TEST_F(ProgressBatch, TerminationSignalAbortsTheBatchThenClosesTheWindow) {
  ScopedEnv hang("FAKE_FFMPEG_HANG", "1");
  QWidget window;
  window.show();
  driver.QuitOnTerminationSignals(window);
  bool raised = false;
  onLook = [&](TProgressForm1&, const Look&) {
    if (raised || !Exists(Out("a.mp4"))) return;
    raised = true;
    ::raise(SIGTERM);
  };
  const BatchResult result = driver.Run(host);
  EXPECT_TRUE(raised);
  EXPECT_EQ(result.End, BatchEnd::Cancelled);
  EXPECT_FALSE(Exists(Out("a.mp4")));
  EXPECT_TRUE(window.isVisible());  // not closed from inside the batch
  QCoreApplication::processEvents();
  EXPECT_FALSE(window.isVisible());

  window.show();  // between batches it closes at once
  ::raise(SIGHUP);
  ASSERT_TRUE(testsupport::WaitFor([&] {
    QCoreApplication::processEvents();
    return !window.isVisible();
  }));
}

}  // namespace
}  // namespace tarnick
