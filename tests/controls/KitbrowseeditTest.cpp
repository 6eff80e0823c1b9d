#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>

#include "controls/Kitbrowseedit.h"

namespace tarnick {
namespace {

// Answers a fixed choice and records what it was asked.
struct FakePicker {
  std::optional<std::string> answer;
  std::vector<FolderPickRequest> requests;
  FolderPicker old;
  FakePicker() {
    old = SetFolderPicker([this](const FolderPickRequest& r) {
      requests.push_back(r);
      return answer;
    });
  }
  ~FakePicker() { SetFolderPicker(std::move(old)); }
};

void Form(TKitBrowseEdit& e) {
  e.SetBounds(0, 0, 326, 19);
  e.StartWithLast = true;
  e.Font().SetName("ＭＳ Ｐゴシック");
  e.Font().SetHeight(-11);
  e.Font().SetColor(0x464646);
}

TEST(KitbrowseeditTest, SetPathRaisesOneChangeAndPutsTheCaretAtTheStart) {
  TKitBrowseEdit e;
  Form(e);
  int changes = 0;
  e.OnChange = [&](TControl* s) {
    EXPECT_EQ(s, &e);
    ++changes;
  };
  e.SetPath("/home/user/videos/out");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(e.GetPath(), "/home/user/videos/out");
  EXPECT_EQ(e.Editor()->cursorPosition(), 0);
  e.SetPath("/home/user/videos/out");
  EXPECT_EQ(changes, 1);
  e.SetPath("C:\\v\\");  // stored as given
  EXPECT_EQ(e.GetPath(), "C:\\v\\");
  EXPECT_EQ(changes, 2);
  QTest::keyClicks(e.Editor(), "ab");
  EXPECT_EQ(changes, 4);
  e.SetMaxLength(4);            // cuts the text too, a change
  EXPECT_EQ(e.Text(), "abC:");  // typed at the caret, which SetPath put at the start
  EXPECT_EQ(changes, 5);
  e.SetText("abcdefgh");
  EXPECT_EQ(e.Text(), "abcd");
  EXPECT_EQ(changes, 6);
  e.BeginLoading();
  e.SetText("loaded");
  e.EndLoading();
  EXPECT_EQ(changes, 6);
}

TEST(KitbrowseeditTest, BrowseClickAsksThePickerAndTakesItsPath) {
  FakePicker picker;
  TKitBrowseEdit e;
  Form(e);
  TKitBrowseDlg* seen = nullptr;
  e.OnExecute = [&](TControl* s, TKitBrowseDlg* d) {
    EXPECT_EQ(s, &e);
    EXPECT_EQ(d->StartFolder, bfoDesktopExpanded);
    seen = d;
  };
  // Empty text: no preselection although StartWithLast is on.
  picker.answer = "/srv/out";
  e.DoOnBrowseClick(&e, 0);
  ASSERT_EQ(picker.requests.size(), 1u);
  EXPECT_EQ(picker.requests[0].StartPath, "");
  EXPECT_EQ(picker.requests[0].Flags, 0x0001u);
  EXPECT_NE(seen, nullptr);
  EXPECT_EQ(e.Text(), "/srv/out");
  // The current text is the start; a cancel changes nothing.
  picker.answer.reset();
  int changes = 0;
  e.OnChange = [&](TControl*) { ++changes; };
  e.DoOnBrowseClick(&e, 0);
  EXPECT_EQ(picker.requests[1].StartPath, "/srv/out");
  EXPECT_EQ(e.Text(), "/srv/out");
  EXPECT_EQ(changes, 0);
  // Without StartWithLast the picker starts without a selection.
  e.StartWithLast = false;
  picker.answer = "/";
  e.DoOnBrowseClick(&e, 0);
  EXPECT_EQ(picker.requests[2].StartPath, "");
  EXPECT_EQ(e.Text(), "/");
  EXPECT_EQ(changes, 1);
}

TEST(KitbrowseeditTest, OptionsAndFolders) {
  EXPECT_EQ(
      BrowseFlags(BrowseOption(doAllowEdit) | BrowseOption(doShowFiles) | BrowseOption(doEnableOK)),
      0x4030u);
  EXPECT_EQ(ShellFolderNumber(bfoDesktopExpanded), -1);
  EXPECT_EQ(ShellFolderNumber(bfoInternet), 1);
  EXPECT_EQ(ShellFolderNumber(bfoDesktopDirectory), 16);
  EXPECT_EQ(ShellFolderNumber(bfoAltStartup), 29);
  EXPECT_EQ(ShellFolderNumber(bfoHistory), 34);
}

TEST(KitbrowseeditTest, LayoutButtonClickCursorAndBlink) {
  FakePicker picker;
  picker.answer = "/tmp";
  QWidget form;
  form.resize(400, 60);
  TKitBrowseEdit e(&form);
  Form(e);
  const int original = QApplication::cursorFlashTime();
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_EQ(e.ButtonRect(), Rect(306, 2, 324, 17));
  EXPECT_EQ(e.Editor()->geometry(), QRect(2, 2, 303, 15));
  EXPECT_EQ(e.cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(e.Editor()->cursor().shape(), Qt::PointingHandCursor);
  QTest::mouseClick(&e, Qt::LeftButton, {}, QPoint(100, 8));  // on the text: no picker
  QTest::mouseClick(&e, Qt::LeftButton, {}, QPoint(315, 9));
  EXPECT_EQ(picker.requests.size(), 1u);
  EXPECT_EQ(e.Text(), "/tmp");

  QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
  QApplication::sendEvent(e.Editor(), &in);
  EXPECT_EQ(QApplication::cursorFlashTime(), 400);  // 200 ms on, 200 ms off
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(e.Editor(), &out);
  EXPECT_EQ(QApplication::cursorFlashTime(), original);
}

TEST(KitbrowseeditTest, FolderPictureInTheButton) {
  TKitBrowseEdit e;
  Form(e);
  QImage img = e.Snapshot().copy();
  TRect b = e.ButtonRect();
  int gx = b.Left + (18 - 13) / 2, gy = b.Top + (15 - 14) / 2;
  EXPECT_EQ(FromQColor(img.pixelColor(gx + 6, gy + 9)), clYellow);
  EXPECT_EQ(FromQColor(img.pixelColor(gx + 6, gy + 13)), clBlack);
  EXPECT_EQ(FromQColor(img.pixelColor(gx + 6, gy + 4)), clGray);
  // Border: sunken, shadow at the top-left.
  EXPECT_EQ(FromQColor(img.pixelColor(5, 0)), ColorToRGB(clBtnShadow));
  // Held: the picture moves one pixel right and down; a release off the
  // button is no click.
  FakePicker picker;
  QTest::mousePress(&e, Qt::LeftButton, {}, QPoint(315, 9));
  QImage held = e.Snapshot().copy();
  EXPECT_EQ(FromQColor(held.pixelColor(gx + 7, gy + 14)), clBlack);
  EXPECT_EQ(FromQColor(held.pixelColor(gx + 7, gy + 10)), clYellow);
  QTest::mouseRelease(&e, Qt::LeftButton, {}, QPoint(100, 9));
  EXPECT_TRUE(picker.requests.empty());
  EXPECT_EQ(e.Snapshot(), img);

  QDir().mkpath(TARNICK_ARTIFACT_DIR);
  QWidget form;
  form.resize(340, 30);
  TKitBrowseEdit shown(&form);
  Form(shown);
  shown.move(7, 5);
  shown.SetPath("/home/user/Videos/PSP");
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const QImage shot = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_TRUE(shot.save(QString(TARNICK_ARTIFACT_DIR) + "/Kitbrowseedit.png"));
  // As placed at (7, 5): the sunken frame, the folder picture in its button
  // (yellow folder, black base), and the path in 0x464646 from the text's
  // left edge; the field stays white past the text.
  auto at = [&](int x, int y) { return shot.pixel(7 + x, 5 + y); };
  EXPECT_EQ(at(5, 0), qRgb(160, 160, 160));
  EXPECT_EQ(at(gx + 6, gy + 9), qRgb(255, 255, 0));
  EXPECT_EQ(at(gx + 6, gy + 13), qRgb(0, 0, 0));
  int ink = 0, firstInk = 1 << 20;
  for (int y = 2; y < 17; ++y)
    for (int x = 2; x < 150; ++x)
      if (at(x, y) == qRgb(0x46, 0x46, 0x46)) {
        ++ink;
        firstInk = std::min(firstInk, x);
      }
  EXPECT_GT(ink, 30);
  EXPECT_LT(firstInk, 8);
  EXPECT_EQ(at(250, 9), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace tarnick
