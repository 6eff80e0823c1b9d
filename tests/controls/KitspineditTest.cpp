#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QFocusEvent>
#include <QPainter>
#include <QTest>
#include <algorithm>

#include "controls/Kitspinedit.h"
#include "toolkit/Canvas.h"
#include "toolkit/Controls.h"
#include "toolkit/Dialogs.h"
#include "toolkit/Timer.h"

namespace tarnick {
namespace {

// SpinEdit1 of the main window: 40 x 20, 0 to 60, starting at 1.
void Form(TKitSpinEdit& e) {
  TFont f;
  f.SetName("ＭＳ Ｐゴシック");
  f.SetHeight(-12);
  e.setFont(f.ToQFont());
  e.SetBounds(0, 0, 40, 20);
  e.SetMaxValue(60);
  e.SetValue(1);
}

void Focus(TKitSpinEdit& e, QEvent::Type type, Qt::FocusReason reason = Qt::TabFocusReason) {
  QFocusEvent ev(type, reason);
  QApplication::sendEvent(&e, &ev);
}

TEST(KitspineditTest, LayoutOfSpinEdit1) {
  TKitSpinEdit e;
  Form(e);
  EXPECT_EQ(e.height(), 20);
  // Client coordinates are inside the 2-pixel border.
  QRect c = e.ButtonContainer()->geometry().translated(-2, -2);
  EXPECT_EQ(c, QRect(20, 0, 16, 16));
  EXPECT_EQ(e.Button()->geometry(), QRect(0, 0, 16, 16));
  EXPECT_EQ(e.EditRect().Width(), 18);
  EXPECT_EQ(e.Text(), "1");
}

TEST(KitspineditTest, StepsStopAtTheLimits) {
  DialogRecorder rec;
  TKitSpinEdit e;
  Form(e);
  e.SetValue(60);
  e.UpClick(&e);
  QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&e, &wheel);
  QTest::keyClick(&e, Qt::Key_PageUp);
  EXPECT_EQ(e.GetValue(), 60);
  EXPECT_EQ(e.Text(), "60");
  e.SetValue(0);
  e.DownClick(&e);
  QTest::keyClick(&e, Qt::Key_Down);
  EXPECT_EQ(e.GetValue(), 0);
  QTest::keyClick(&e, Qt::Key_Up);
  QTest::keyClick(&e, Qt::Key_PageUp);
  EXPECT_EQ(e.GetValue(), 11);
  QWheelEvent down(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -240), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&e, &down);
  EXPECT_EQ(e.GetValue(), 9);
  EXPECT_TRUE(rec.Beeps.empty());
}

TEST(KitspineditTest, ValueLivesInTheText) {
  TKitSpinEdit e;
  Form(e);
  e.SetText("99");
  EXPECT_EQ(e.GetValue(), 99);  // not clamped before the focus leaves
  Focus(e, QEvent::FocusOut);
  EXPECT_EQ(e.Text(), "60");
  e.SetText("");
  EXPECT_EQ(e.GetValue(), 0);
  EXPECT_EQ(e.Text(), "0");
  struct Case {
    const char* text;
    int value;
    const char* after;
  } cases[] = {{"abc", 0, "0"},  {" 12", 12, " 12"}, {"$1F", 31, "$1F"},
               {"-7", -7, "-7"}, {"12 ", 0, "0"},    {"99999999999", 0, "0"}};
  for (const auto& c : cases) {
    e.SetText(c.text);
    EXPECT_EQ(e.GetValue(), c.value) << c.text;
    EXPECT_EQ(e.Text(), c.after) << c.text;
  }
  e.SetText("abc");
  Focus(e, QEvent::FocusOut);
  EXPECT_EQ(e.Text(), "0");
}

TEST(KitspineditTest, SuffixKeepsOnlySignsAndDigits) {
  TKitSpinEdit e;
  Form(e);
  e.SetValue(5);
  e.SetSuffix(" s");
  EXPECT_EQ(e.Text(), "5 s");
  e.SetText("1a2 s");
  EXPECT_EQ(e.GetValue(), 12);
  EXPECT_EQ(e.Text(), "12 s");
  e.SetText("x");
  EXPECT_EQ(e.GetValue(), 0);
  EXPECT_EQ(e.Text(), "0 s");
  e.SetText("1-2");
  EXPECT_EQ(e.GetValue(), 0);
  EXPECT_EQ(e.Text(), "0 s");
}

TEST(KitspineditTest, LimitSetters) {
  TKitSpinEdit e;
  Form(e);
  e.SetValue(50);
  e.SetMaxValue(0);  // not above the minimum: ignored
  EXPECT_EQ(e.MaxValue(), 60);
  e.SetMaxValue(40);
  EXPECT_EQ(e.Text(), "40");
  e.SetMinValue(45);  // not below the maximum: ignored
  EXPECT_EQ(e.MinValue(), 0);
  e.SetMinValue(40);  // equal to the maximum: ignored
  EXPECT_EQ(e.MinValue(), 0);
  e.SetMinValue(30);
  EXPECT_EQ(e.MinValue(), 30);
  EXPECT_EQ(e.Text(), "40");
  e.SetLoading(true);
  e.SetMinValue(100);  // while loading any value is taken
  EXPECT_EQ(e.MinValue(), 100);
  e.SetLoading(false);
  // Equal limits: no limit at all.
  TKitSpinEdit free;
  free.SetLoading(true);
  free.SetMaxValue(0);
  free.SetLoading(false);
  free.SetValue(-5000);
  EXPECT_EQ(free.GetValue(), -5000);
}

TEST(KitspineditTest, TypingFilterAndReadOnly) {
  DialogRecorder rec;
  TKitSpinEdit e;
  Form(e);
  e.SetText("");
  QTest::keyClicks(&e, "a");
  EXPECT_EQ(e.Text(), "");
  EXPECT_EQ(rec.Beeps.size(), 1u);
  QTest::keyClicks(&e, "-3");
  EXPECT_EQ(e.Text(), "-3");
  EXPECT_EQ(rec.Beeps.size(), 1u);
  QTest::keyClick(&e, Qt::Key_Backspace);
  EXPECT_EQ(e.Text(), "-");

  struct Case {
    char32_t key;
    bool editor, valid;
  } cases[] = {{U'5', true, true}, {U'+', true, true},  {U'.', true, false},  {U' ', true, false},
               {8, true, true},    {13, true, true},    {U'5', false, false}, {8, false, false},
               {13, false, true},  {U'a', false, false}};
  for (const auto& c : cases) {
    e.SetEditorEnabled(c.editor);
    EXPECT_EQ(e.IsValidChar(c.key), c.valid) << int(c.key) << " editor " << c.editor;
  }
  e.SetEditorEnabled(true);

  e.SetReadOnly(true);
  e.SetValue(5);
  e.UpClick(&e);
  QTest::keyClick(&e, Qt::Key_Down);
  EXPECT_EQ(rec.Beeps.size(), 3u);
  QTest::keyClick(&e, Qt::Key_PageUp);
  EXPECT_EQ(rec.Beeps.size(), 3u);
  EXPECT_EQ(e.GetValue(), 5);
}

TEST(KitspineditTest, EnterGoesToTheWindowAndChangesAreReported) {
  TKitSpinEdit e;
  Form(e);
  int changes = 0;
  e.OnChange = [&](QObject* s) {
    EXPECT_EQ(s, &e);
    ++changes;
  };
  e.SetValue(7);
  e.SetValue(7);
  EXPECT_EQ(changes, 1);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
  QApplication::sendEvent(&e, &enter);
  EXPECT_FALSE(enter.isAccepted());
  EXPECT_EQ(e.Text(), "7");
}

TEST(KitspineditTest, AutoSelectOnFocusUnlessByMouse) {
  TKitSpinEdit e;
  Form(e);
  e.SetValue(42);
  Focus(e, QEvent::FocusIn, Qt::TabFocusReason);
  EXPECT_EQ(e.selectedText(), "42");
  e.deselect();
  Focus(e, QEvent::FocusOut);
  Focus(e, QEvent::FocusIn, Qt::MouseFocusReason);
  EXPECT_EQ(e.selectedText(), "");
}

TEST(KitspineditTest, ButtonLooksAsDrawn) {
  QImage img(16 * 4, 16, QImage::Format_RGB32);
  Canvas c(&img);
  for (int look = 0; look < 4; ++look) {
    c.SetClipRect(Bounds(look * 16, 0, 16, 16));
    TKitSpinButton::DrawLook(c, look * 16, 16, 16, static_cast<TKitSpinButton::Look>(look));
  }
  auto px = [&](int look, int x, int y) { return FromQColor(img.pixelColor(look * 16 + x, y)); };
  // Normal: up apex (4, 3) widening to 2..6 at row 5; down wide row 9..13 at 9.
  EXPECT_EQ(px(0, 4, 3), clBlack);
  EXPECT_NE(px(0, 3, 3), clBlack);
  EXPECT_NE(px(0, 5, 3), clBlack);
  for (int x = 2; x <= 6; ++x) EXPECT_EQ(px(0, x, 5), clBlack) << x;
  for (int x = 9; x <= 13; ++x) EXPECT_EQ(px(0, x, 9), clBlack) << x;
  EXPECT_NE(px(0, 8, 9), clBlack);
  EXPECT_EQ(px(0, 11, 11), clBlack);
  EXPECT_NE(px(0, 10, 11), clBlack);
  // Frame and face.
  EXPECT_EQ(px(0, 0, 8), ColorToRGB(clWindowFrame));
  EXPECT_EQ(px(0, 1, 5), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(px(0, 14, 8), ColorToRGB(clBtnShadow));
  // Pressed halves move their arrow one pixel right and down.
  EXPECT_EQ(px(1, 5, 4), clBlack);
  EXPECT_NE(px(1, 4, 3), clBlack);
  EXPECT_EQ(px(1, 1, 5), ColorToRGB(clBtnShadow));
  EXPECT_EQ(px(2, 12, 10), clBlack);
  EXPECT_EQ(px(2, 10, 10), clBlack);
  EXPECT_EQ(px(2, 14, 8), ColorToRGB(clBtnHighlight));
  // Disabled: gray arrows with a highlight-text copy below right.
  EXPECT_EQ(px(3, 4, 3), ColorToRGB(clGrayText));
  EXPECT_EQ(px(3, 7, 6), ColorToRGB(clHighlightText));
}

TEST(KitspineditTest, HeldHalfRepeatsAt300Then100) {
  ManualTimers clock;
  TKitSpinEdit e;
  Form(e);
  e.SetValue(10);
  TKitSpinButton* b = e.Button();
  EXPECT_TRUE(b->InDownHalf(10, 10));
  EXPECT_FALSE(b->InDownHalf(8, 8));  // on the diagonal: up
  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(e.GetValue(), 11);
  EXPECT_EQ(b->CurrentLook(), TKitSpinButton::lkUpPressed);
  ManualTimers::Advance(299);
  EXPECT_EQ(e.GetValue(), 11);
  ManualTimers::Advance(1);
  EXPECT_EQ(e.GetValue(), 12);
  ManualTimers::Advance(100);
  EXPECT_EQ(e.GetValue(), 13);
  QTest::mouseMove(b, QPoint(13, 13));  // the other half pauses the repeat
  QMouseEvent slide(QEvent::MouseMove, QPointF(13, 13), QPointF(13, 13), QPointF(13, 13),
                    Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(b, &slide);
  EXPECT_EQ(b->CurrentLook(), TKitSpinButton::lkNormal);
  ManualTimers::Advance(300);
  EXPECT_EQ(e.GetValue(), 13);
  QMouseEvent back(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), QPointF(2, 2), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(b, &back);
  ManualTimers::Advance(100);
  EXPECT_EQ(e.GetValue(), 14);
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(2, 2));
  ManualTimers::Advance(1000);
  EXPECT_EQ(e.GetValue(), 14);
  EXPECT_FALSE(b->RepeatTimer().Enabled());
  // Disabled with the edit: look 3, the mouse ignored.
  e.setEnabled(false);
  EXPECT_EQ(b->CurrentLook(), TKitSpinButton::lkDisabled);
  QTest::mousePress(b, Qt::LeftButton, {}, QPoint(12, 12));
  QTest::mouseRelease(b, Qt::LeftButton, {}, QPoint(12, 12));
  EXPECT_EQ(e.GetValue(), 14);
}

TEST(KitspineditTest, TakesTheFontOfAToolkitParent) {
  TCustomControl panel;
  panel.Font().SetName("ＭＳ Ｐゴシック");
  panel.Font().SetHeight(-12);
  TKitSpinEdit e(&panel);
  e.SetBounds(0, 0, 40, 20);
  EXPECT_EQ(e.font().pixelSize(), 12);
  EXPECT_EQ(e.height(), 20);
  EXPECT_EQ(e.EditRect().Width(), 18);
}

// The darkest channel value in the text area (x 2 to 19).
int DarkestText(const QImage& img) {
  int darkest = 255;
  for (int y = 2; y < img.height() - 2; ++y)
    for (int x = 2; x < 20; ++x) {
      const QRgb p = img.pixel(x, y);
      darkest = std::min({darkest, qRed(p), qGreen(p), qBlue(p)});
    }
  return darkest;
}

TEST(KitspineditTest, RendersToArtifact) {
  // On a toolkit panel whose font colour is the window's 70, 70, 70.
  TCustomControl panel;
  panel.resize(100, 30);
  panel.Font().SetColor(RGB(70, 70, 70));
  TKitSpinEdit enabled(&panel), disabled(&panel);
  for (auto* e : {&enabled, &disabled}) Form(*e);
  disabled.move(50, 0);
  disabled.setEnabled(false);
  panel.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
  const QImage on = enabled.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage off = disabled.grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(on.size(), QSize(40, 20));
  QImage out(80, 20, QImage::Format_RGB32);
  out.fill(Qt::white);
  QPainter p(&out);
  p.drawImage(0, 0, on);
  p.drawImage(40, 0, off);
  p.end();
  QDir().mkpath(TARNICK_ARTIFACT_DIR);
  EXPECT_TRUE(out.scaled(320, 80).save(QString(TARNICK_ARTIFACT_DIR) + "/Kitspinedit.png"));
  // The number: ink of 70 at its darkest while enabled, grey (no darker
  // than 100) while disabled; the box stays white around it.
  EXPECT_LE(DarkestText(on), 75);
  EXPECT_GE(DarkestText(off), 100);
  EXPECT_LT(DarkestText(off), 200);  // but still shown
  EXPECT_EQ(on.pixel(17, 3), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace tarnick
