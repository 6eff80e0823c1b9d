#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <map>
#include <stdexcept>

#include "app/Progresswindow1.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Timer.h"

namespace tarnick {
namespace {

struct Paths : IProgressSource {
  std::string source, output;
  std::string CurrentSource() const override { return source; }
  std::string CurrentOutput() const override { return output; }
};

// Sizes by path; a path not listed cannot be opened; "throw" fails.
struct Sizes : IFileOps {
  std::map<std::string, std::int64_t> size;
  bool Exists(const std::string& p) const override { return size.count(p) != 0; }
  void Delete(const std::string&) override {}
  bool ForceDirectories(const std::string&) override { return true; }
  std::int64_t FileSize(const std::string& p) const override {
    if (p == "throw") throw std::runtime_error("unreadable");
    auto it = size.find(p);
    return it == size.end() ? -1 : it->second;
  }
  bool IsCompleteMp4(const std::string&) const override { return false; }
  bool IsSideThumbnailImage(const std::string&) const override { return false; }
  FileIdentity Identify(const std::string&) const override { return {}; }
};

struct Canceller : IRunCanceller {
  bool answer = true;
  int calls = 0;
  bool TerminateConversion() override {
    ++calls;
    return answer;
  }
};

QRgb Rgb(TColor c) {
  return qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

class ProgressWindow : public ::testing::Test {
 protected:
  Paths paths;
  Sizes sizes;
  Canceller canceller;
  TProgressForm1 form{paths, sizes, canceller};
};

TEST(ProgressSizes, KilobytesOfThousandTruncated) {
  struct Case {
    std::int64_t source, output;
    const char* text;
  };
  const Case cases[] = {
      {0, 999, "0KB -> 0KB"},
      {1000, 1999, "1KB -> 1KB"},
      {-1, -1, "0KB -> 0KB"},  // cannot be opened
      {123456789, -1, "123456KB -> 0KB"},
      {2147483647, 2147483648LL, "2147483KB -> 2147483KB"},
      {5000000000LL, 4294967296LL, "5000000KB -> 4294967KB"},  // past 32 bits
  };
  for (const Case& c : cases) EXPECT_EQ(SizeLabelText(c.source, c.output), c.text);
}

TEST_F(ProgressWindow, BorderlessOnTopWindowOfTheLayout) {
  EXPECT_EQ(form.size(), QSize(401, 72));
  EXPECT_TRUE(form.isWindow());
  EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(form.Image1->geometry(), QRect(6, 6, 80, 60));
  EXPECT_EQ(form.ProgressBar1->geometry(), QRect(92, 48, 300, 15));
  EXPECT_EQ(form.Panel1->geometry(), QRect(376, 4, 20, 20));
  EXPECT_EQ(form.Button1->parentWidget(), form.Panel1);
  EXPECT_EQ(form.Button1->geometry(), QRect(0, 0, 20, 20));
  EXPECT_EQ(form.Label1->pos(), QPoint(96, 20));
  EXPECT_EQ(form.Label2->pos(), QPoint(96, 32));
  EXPECT_EQ(form.Label1->Caption(), "***.*** -> ***.***");
  EXPECT_EQ(form.Label2->Caption(), "0KB -> 0KB");
  EXPECT_EQ(form.Label1->Font().Name(), "Tahoma");
  EXPECT_EQ(form.Label1->Font().Height(), -12);
  EXPECT_TRUE(form.Label1->Font().Bold());
  EXPECT_EQ(form.Label2->Font().Color(), TColor(0x464646));
  EXPECT_EQ(form.Button1->Caption(), "×");
  EXPECT_EQ(form.Button1->Hint(), " ｷｬﾝｾﾙ");
  EXPECT_EQ(form.Timer1.Interval(), 1000);
  EXPECT_FALSE(form.Timer1.Enabled());
}

TEST_F(ProgressWindow, ShapesPaintTheFrameAndThePreviewStretches) {
  form.show();
  QImage shot = form.Screenshot();
  EXPECT_EQ(shot.pixel(0, 0), Rgb(clBlack));  // Shape0's outline
  EXPECT_EQ(shot.pixel(399, 71), Rgb(clBlack));
  EXPECT_EQ(shot.pixel(2, 2), Rgb(0xEBEBEB));    // Shape0's fill
  EXPECT_EQ(shot.pixel(400, 30), Rgb(clBlack));  // the form's own colour, right of Shape0
  EXPECT_EQ(shot.pixel(5, 5), Rgb(clWhite));     // Shape1's outline
  EXPECT_EQ(shot.pixel(86, 66), Rgb(clWhite));
  EXPECT_EQ(shot.pixel(40, 30), Rgb(clBlack));  // empty Image1 shows Shape1's fill

  // A 2 x 2 picture of four colours fills 80 x 60 in four blocks.
  QImage picture(2, 2, QImage::Format_RGB32);
  picture.setPixel(0, 0, qRgb(255, 0, 0));
  picture.setPixel(1, 0, qRgb(0, 255, 0));
  picture.setPixel(0, 1, qRgb(0, 0, 255));
  picture.setPixel(1, 1, qRgb(255, 255, 0));
  form.Image1->SetPicture(picture);
  shot = form.Screenshot();
  EXPECT_EQ(shot.pixel(6, 6), qRgb(255, 0, 0));
  EXPECT_EQ(shot.pixel(85, 6), qRgb(0, 255, 0));
  EXPECT_EQ(shot.pixel(6, 65), qRgb(0, 0, 255));
  EXPECT_EQ(shot.pixel(85, 65), qRgb(255, 255, 0));
  EXPECT_EQ(shot.pixel(86, 66), Rgb(clWhite));  // the frame stays

  // The labels paint their text on the light grey.
  int text = 0;
  for (int x = form.Label1->x(); x < form.Label1->x() + form.Label1->width(); ++x)
    for (int y = 20; y < 20 + form.Label1->height(); ++y)
      if (shot.pixel(x, y) == Rgb(0x464646)) ++text;
  EXPECT_GT(text, 20);
}

TEST_F(ProgressWindow, ShownAtTheCentreOfTheDesktop) {
  form.ShowCentred();
  const QRect desktop = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(form.pos(), QPoint(desktop.x() + (desktop.width() - 401) / 2,
                               desktop.y() + (desktop.height() - 72) / 2));
}

TEST_F(ProgressWindow, SizePollEverySecondWhileOn) {
  ManualTimers clock;
  paths.source = "/v/a.avi";
  paths.output = "/out/a.mp4";
  sizes.size[paths.source] = 1999;
  form.Timer1.SetEnabled(true);
  ManualTimers::Advance(999);
  EXPECT_EQ(form.Label2->Caption(), "0KB -> 0KB");
  ManualTimers::Advance(1);
  EXPECT_EQ(form.Label2->Caption(), "1KB -> 0KB");  // output not there yet
  EXPECT_EQ(form.SourceSize(), 1999);
  EXPECT_EQ(form.OutputSize(), -1);
  sizes.size[paths.output] = 3000000000LL;
  ManualTimers::Advance(1000);
  EXPECT_EQ(form.Label2->Caption(), "1KB -> 3000000KB");
  form.Timer1.SetEnabled(false);
  sizes.size[paths.output] = 5000;
  ManualTimers::Advance(3000);
  EXPECT_EQ(form.Label2->Caption(), "1KB -> 3000000KB");
}

TEST_F(ProgressWindow, FailingTickKeepsTheLastText) {
  paths.source = "/v/a.avi";
  paths.output = "throw";
  sizes.size[paths.source] = 5000;
  form.Timer1Timer();
  EXPECT_EQ(form.Label2->Caption(), "0KB -> 0KB");
  paths.output = "/out/a.mp4";
  form.Timer1Timer();
  EXPECT_EQ(form.Label2->Caption(), "5KB -> 0KB");
}

TEST_F(ProgressWindow, CancelAnswersAndTheMessageWhenTheRunHadEnded) {
  DialogRecorder dialogs;
  form.show();
  // A real click on the button in its panel.
  QTest::mouseClick(form.Button1, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(canceller.calls, 1);
  EXPECT_EQ(form.Answer(), CancelAnswer::Cancelled);
  EXPECT_TRUE(dialogs.Boxes.empty());
  EXPECT_TRUE(dialogs.Beeps.empty());

  // A second click before the runner noticed keeps the cancel.
  canceller.answer = false;
  form.Button1Click();
  EXPECT_EQ(form.Answer(), CancelAnswer::Cancelled);
  EXPECT_TRUE(dialogs.Boxes.empty());

  form.SetAnswer(CancelAnswer::None);  // the next run
  bool onTopDuringBox = true;
  MessageBoxHandler recorder = SetMessageBoxHandler([&](const MessageBoxCall& call) {
    onTopDuringBox = form.OnTop();
    dialogs.Boxes.push_back(call);
    return IDOK;
  });
  form.Button1Click();
  SetMessageBoxHandler(recorder);
  EXPECT_FALSE(onTopDuringBox);  // the box is not hidden beneath the window
  EXPECT_TRUE(form.OnTop());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.Answer(), CancelAnswer::NotCancelled);
  ASSERT_EQ(dialogs.Boxes.size(), 1u);
  EXPECT_EQ(dialogs.Boxes[0].Text, "変換を中止できませんでした。");
  EXPECT_EQ(dialogs.Beeps, std::vector<unsigned>{0});
}

// A press on the surface drags the window; the bar and the button keep
// their presses.
TEST_F(ProgressWindow, DraggedByItsSurfaceOnly) {
  form.move(100, 100);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QWindow* window = form.windowHandle();
  const QPoint by(-30, 10);
  auto drag = [&](QPoint from) {
    const QPoint start = form.pos();
    const QPoint target = window->mapToGlobal(from + by);
    QTest::mousePress(window, Qt::LeftButton, {}, from);
    QTest::mouseMove(window, from + by);
    // The pointer stays where it went, wherever the window is now.
    QTest::mouseRelease(window, Qt::LeftButton, {}, window->mapFromGlobal(target));
    return form.pos() - start;
  };
  const QPoint onLabel = form.Label1->geometry().center();
  EXPECT_EQ(drag(onLabel), by);
  EXPECT_EQ(drag(QPoint(40, 30)), by);  // the image
  EXPECT_EQ(drag(QPoint(200, 8)), by);  // the bare shape
  EXPECT_EQ(drag(form.ProgressBar1->geometry().center()), QPoint(0, 0));
  EXPECT_EQ(drag(form.Panel1->geometry().center()), QPoint(0, 0));
  EXPECT_EQ(canceller.calls, 0);  // the release fell outside the button
}

TEST_F(ProgressWindow, RefusesToBeClosedUntilReleased) {
  form.show();
  EXPECT_FALSE(form.close());
  EXPECT_TRUE(form.isVisible());
  form.AllowClose();
  EXPECT_TRUE(form.close());
}

TEST(ProgressView, OneWindowPerBatchReleasedAfterTheCurrentMessage) {
  Paths paths;
  Sizes sizes;
  Canceller canceller;
  TProgressView view(paths, sizes);
  auto windows = [] {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (dynamic_cast<TProgressForm1*>(w)) ++n;
    return n;
  };
  EXPECT_EQ(view.Form(), nullptr);
  view.Release();  // harmless before Create
  view.Create(canceller);
  QPointer<TProgressForm1> first = view.Form();
  ASSERT_TRUE(first);
  view.Create(canceller);  // never more than one
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(first);
  EXPECT_EQ(windows(), 1);

  view.Show();
  view.SetProgressMax(3);
  view.SetProgressPosition(2);
  view.SetLabel1("a.avi -> a.mp4");
  view.SetTimer1Enabled(true);
  TProgressForm1* form = view.Form();
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(form->ProgressBar1->Max(), 3);
  EXPECT_EQ(form->ProgressBar1->Position(), 2);
  EXPECT_EQ(form->Label1->Caption(), "a.avi -> a.mp4");
  EXPECT_TRUE(form->Timer1.Enabled());

  form->SetAnswer(CancelAnswer::Cancelled);
  view.ResetCancelAnswer();
  EXPECT_EQ(view.GetCancelAnswer(), CancelAnswer::None);
  form->SetAnswer(CancelAnswer::NotCancelled);

  QPointer<TProgressForm1> second = form;
  view.Release();
  EXPECT_EQ(view.Form(), nullptr);
  EXPECT_TRUE(second);  // still there while the current message is handled
  EXPECT_FALSE(second->isVisible());
  EXPECT_FALSE(second->Timer1.Enabled());
  EXPECT_EQ(view.GetCancelAnswer(), CancelAnswer::NotCancelled);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(second);
  EXPECT_EQ(windows(), 0);
}

TEST(ProgressView, PreviewFromJpegAndABrokenFileLeavesItClear) {
  Paths paths;
  Sizes sizes;
  Canceller canceller;
  TProgressView view(paths, sizes);
  view.Create(canceller);
  QTemporaryDir dir;
  const QString good = dir.filePath("good.jpg");
  QImage picture(160, 120, QImage::Format_RGB32);
  picture.fill(qRgb(200, 30, 30));
  ASSERT_TRUE(picture.save(good, "JPG"));
  const std::string bad = dir.filePath("bad.jpg").toStdString();
  std::ofstream(bad) << "not a jpeg";

  EXPECT_TRUE(view.LoadImage1(good.toStdString()));
  EXPECT_EQ(view.Form()->Image1->Picture().size(), QSize(160, 120));
  const QImage shot = view.Form()->Screenshot();
  EXPECT_NEAR(qRed(shot.pixel(45, 35)), 200, 8);
  view.ClearImage1();
  EXPECT_TRUE(view.Form()->Image1->Picture().isNull());
  EXPECT_TRUE(view.LoadImage1(good.toStdString()));
  EXPECT_FALSE(view.LoadImage1(bad));
  EXPECT_TRUE(view.Form()->Image1->Picture().isNull());
  view.Release();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
}  // namespace tarnick
