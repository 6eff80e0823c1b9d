#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QPainter>
#include <QTest>
#include <QWidget>

#include "controls/Pcvfadebutton.h"
#include "toolkit/Timer.h"

namespace tarnick {
namespace {

// The title strip's buttons.
void TitleStrip(TPCVFadeButton& b) {
  b.SetColor(0x9D9D9D);
  b.SetDestColor(clSilver);
  b.SetBorderColor(clGray);
  b.SetBorderDestColor(clBlack);
  b.SetCaptionOverColor(clYellow);
  b.SetStep(2);
  b.SetSpeed(12);
}

TEST(PcvfadebuttonTest, NewButtonDefaults) {
  TPCVFadeButton b;
  EXPECT_EQ(b.Width(), 150);
  EXPECT_EQ(b.Height(), 30);
  EXPECT_EQ(b.CurrentColor(), clGreen);
  EXPECT_EQ(b.CurrentBorderColor(), clSilver);
  EXPECT_EQ(b.Font().Color(), clWhite);
  EXPECT_EQ(b.FadeTimer().Interval(), 10);
  EXPECT_FALSE(b.Fading());
}

TEST(PcvfadebuttonTest, TitleStripFadesInEighteenTicksAndBack) {
  ManualTimers clock;
  TPCVFadeButton b;
  TitleStrip(b);
  b.MouseMove(0, 5, 5);
  EXPECT_EQ(b.Font().Color(), clYellow);
  EXPECT_TRUE(b.Fading());
  for (int tick = 1; tick <= 17; ++tick) {
    ManualTimers::Advance(12);
    EXPECT_EQ(b.CurrentColor(), 0x9D9D9Du + 0x020202u * tick) << "tick " << tick;
    EXPECT_EQ(b.CurrentBorderColor(), clBlack) << "tick " << tick;
    EXPECT_TRUE(b.Fading());
  }
  ManualTimers::Advance(12);  // the 18th tick, 216 ms after the hover
  EXPECT_EQ(b.CurrentColor(), clSilver);
  EXPECT_FALSE(b.Fading());
  EXPECT_EQ(ManualTimers::Now(), 216);

  b.MouseLeave();
  EXPECT_EQ(b.Font().Color(), clWhite);
  EXPECT_EQ(b.Delta(), -2);
  int ticks = 0;
  while (b.Fading() && ticks < 100) {
    ManualTimers::Advance(12);
    ++ticks;
    EXPECT_EQ(b.CurrentBorderColor(), clBlack);
  }
  EXPECT_EQ(ticks, 18);
  EXPECT_EQ(b.CurrentColor(), 0x9D9D9Du);
  // The border stays black through later hovers too.
  b.MouseMove(0, 5, 5);
  ManualTimers::Advance(12);
  EXPECT_EQ(b.CurrentBorderColor(), clBlack);
}

TEST(PcvfadebuttonTest, BorderStopsWhereTheFillEnds) {
  ManualTimers clock;
  TPCVFadeButton b;
  TitleStrip(b);
  b.SetBorderColor(clSilver);
  b.SetBorderDestColor(clWhite);
  b.MouseMove(0, 1, 1);
  ManualTimers::Advance(12 * 30);
  EXPECT_FALSE(b.Fading());
  EXPECT_EQ(b.CurrentColor(), clSilver);
  EXPECT_EQ(b.CurrentBorderColor(), 0xE4E4E4u);
}

TEST(PcvfadebuttonTest, EqualColoursStopAfterOneTick) {
  ManualTimers clock;
  TPCVFadeButton b;  // the cancel button
  TitleStrip(b);
  b.SetColor(clSilver);
  b.MouseMove(0, 1, 1);
  ManualTimers::Advance(12);
  EXPECT_FALSE(b.Fading());
  EXPECT_EQ(b.CurrentColor(), clSilver);
  EXPECT_EQ(b.CurrentBorderColor(), clBlack);
  EXPECT_EQ(b.Font().Color(), clYellow);
}

TEST(PcvfadebuttonTest, JumpVariants) {
  struct Case {
    bool fadeOver, fadeLeave;
  };
  for (Case c : {Case{false, true}, Case{true, false}, Case{false, false}}) {
    ManualTimers clock;
    TPCVFadeButton b;
    TitleStrip(b);
    b.SetFadeOnOver(c.fadeOver);
    b.SetFadeOnLeave(c.fadeLeave);
    SCOPED_TRACE(testing::Message() << c.fadeOver << c.fadeLeave);
    int paints = b.PaintCount();
    b.MouseMove(0, 1, 1);
    if (!c.fadeOver) {
      EXPECT_FALSE(b.Fading());
      EXPECT_EQ(b.CurrentColor(), clSilver);
      EXPECT_EQ(b.CurrentBorderColor(), clBlack);
      EXPECT_GT(b.PaintCount(), paints);  // painted at once
      paints = b.PaintCount();
      b.MouseMove(0, 2, 2);
      EXPECT_GT(b.PaintCount(), paints);  // every move paints
    } else {
      ManualTimers::Advance(12 * 3);  // part of the way in
      EXPECT_TRUE(b.Fading());
    }
    b.MouseLeave();
    EXPECT_EQ(b.Font().Color(), clWhite);
    if (c.fadeLeave) {
      EXPECT_TRUE(b.Fading());
      ManualTimers::Advance(12 * 30);
    }
    EXPECT_FALSE(b.Fading());
    EXPECT_EQ(b.CurrentColor(), 0x9D9D9Du);
    EXPECT_EQ(b.CurrentBorderColor(), c.fadeLeave ? clBlack : clGray);
  }
}

TEST(PcvfadebuttonTest, LeaveDuringFadeInReversesButMoveDuringFadeOutDoesNot) {
  ManualTimers clock;
  TPCVFadeButton b;
  TitleStrip(b);
  b.MouseMove(0, 1, 1);
  ManualTimers::Advance(12 * 4);
  b.MouseLeave();
  ManualTimers::Advance(12);
  EXPECT_EQ(b.CurrentColor(), 0x9D9D9Du + 0x020202u * 3);
  b.MouseMove(0, 1, 1);  // the timer runs: the delta stays negative
  EXPECT_EQ(b.Delta(), -2);
  ManualTimers::Advance(12 * 10);
  EXPECT_FALSE(b.Fading());
  EXPECT_EQ(b.CurrentColor(), 0x9D9D9Du);
  b.MouseMove(0, 1, 1);
  EXPECT_EQ(b.Delta(), 2);
}

TEST(PcvfadebuttonTest, CaptionColourRules) {
  TPCVFadeButton same;
  same.SetCaptionOverColor(clWhite);  // equal to the font colour
  same.MouseMove(0, 1, 1);
  same.Font().SetColor(clRed);  // a later change is not undone by a leave
  same.MouseLeave();
  EXPECT_EQ(same.Font().Color(), clRed);

  ManualTimers clock;
  TPCVFadeButton early;
  early.SetFadeOnLeave(false);
  early.SetColor(clNavy);
  early.MouseLeave();  // before any hover
  EXPECT_EQ(early.Font().Color(), clWhite);
  EXPECT_EQ(early.CurrentColor(), clNavy);
  TPCVFadeButton fading;
  fading.MouseLeave();
  ManualTimers::Advance(10);
  EXPECT_FALSE(fading.Fading());
  EXPECT_EQ(fading.CurrentColor(), clGreen);
  EXPECT_EQ(fading.Font().Color(), clWhite);
}

TEST(PcvfadebuttonTest, MouseLeaveEventAndErgbRules) {
  TPCVFadeButton b;
  int leaves = 0;
  b.onMouseLeave = [&](TControl* s) {
    EXPECT_EQ(s, &b);
    ++leaves;
  };
  b.MouseLeave();
  b.SetFadeOnLeave(false);
  b.MouseLeave();
  EXPECT_EQ(leaves, 2);
  // Dest below Base: the result is Dest's channel whatever the input.
  EXPECT_EQ(b.ERGB(300, -5, 0x90, false, 0x808080, 0x0000FF), 0x0000FFu);
  EXPECT_EQ(b.ERGB(0x10, 0x20, 0x30, false, 0x050505, 0x404040), 0x302010u);
}

TEST(PcvfadebuttonTest, PaintsFillBorderAndCentredCaption) {
  TPCVFadeButton b;
  TitleStrip(b);
  b.SetCaption("info.");
  b.SetBorderHeight(1);
  QImage img = b.Snapshot();
  EXPECT_EQ(FromQColor(img.pixelColor(0, 0)), clGray);
  EXPECT_EQ(FromQColor(img.pixelColor(149, 29)), clGray);
  EXPECT_EQ(FromQColor(img.pixelColor(1, 1)), 0x9D9D9Du);
  // Caption pixels in the font colour lie around the centre only.
  int minX = 1000, maxX = -1, count = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (FromQColor(img.pixelColor(x, y)) == clWhite) {
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        ++count;
      }
  ASSERT_GT(count, 0);
  EXPECT_NEAR((minX + maxX) / 2.0, 75, 3);

  // A wider pen is centred on the edge; without a border the fill reaches it.
  b.SetBorderHeight(3);
  img = b.Snapshot();
  EXPECT_EQ(FromQColor(img.pixelColor(1, 15)), clGray);
  EXPECT_EQ(FromQColor(img.pixelColor(3, 15)), 0x9D9D9Du);
  b.SetShowBorder(false);
  img = b.Snapshot();
  EXPECT_EQ(FromQColor(img.pixelColor(0, 15)), 0x9D9D9Du);

  // Disabled looks the same.
  QImage enabled = b.Snapshot().copy();
  b.setEnabled(false);
  EXPECT_EQ(b.Snapshot(), enabled);
}

TEST(PcvfadebuttonTest, ClickOnAFormAndRealHover) {
  ManualTimers clock;
  QWidget form;
  form.resize(300, 100);
  TPCVFadeButton b(&form);
  TitleStrip(b);
  b.SetBounds(10, 10, 60, 20);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  int clicks = 0;
  b.OnClick = [&](TControl*) { ++clicks; };
  QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(30, 10));
  EXPECT_EQ(clicks, 1);
  QTest::mouseMove(&form, QPoint(200, 80));
  QTest::mouseMove(&b, QPoint(20, 10));
  QTest::mouseMove(&b, QPoint(21, 10));
  EXPECT_EQ(b.Font().Color(), clYellow);
  EXPECT_TRUE(b.Fading());
}

TEST(PcvfadebuttonTest, DisabledButtonIgnoresThePointerArriving) {
  ManualTimers clock;
  TPCVFadeButton b;
  TitleStrip(b);
  b.SetFadeOnOver(false);
  b.setEnabled(false);
  // The platform reports an arrival even over a disabled button.
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(&b, &enter);
  ManualTimers::Advance(12 * 18);
  EXPECT_EQ(b.Font().Color(), clWhite);
  EXPECT_EQ(b.CurrentColor(), TColor(0x9D9D9D));
  EXPECT_EQ(b.CurrentBorderColor(), clGray);
  EXPECT_FALSE(b.Fading());
}

TEST(PcvfadebuttonTest, RendersToArtifact) {
  ManualTimers clock;
  TPCVFadeButton idle, hovered;
  for (auto* b : {&idle, &hovered}) {
    TitleStrip(*b);
    b->SetBounds(0, 0, 60, 22);
    b->Font().SetName("ＭＳ Ｐゴシック");
    b->Font().SetHeight(-12);
    b->SetCaption("info.");
  }
  hovered.MouseMove(0, 1, 1);
  ManualTimers::Advance(12 * 18);
  QImage out(130, 22, QImage::Format_ARGB32);
  out.fill(Qt::white);
  QPainter p(&out);
  p.drawImage(0, 0, idle.Snapshot());
  p.drawImage(70, 0, hovered.Snapshot());
  p.end();
  QDir().mkpath(TARNICK_ARTIFACT_DIR);
  EXPECT_TRUE(out.save(QString(TARNICK_ARTIFACT_DIR) + "/Pcvfadebutton.png"));
  // Idle: grey outline, fill 157,157,157; hovered: black outline, silver
  // fill, the caption's ink yellow.
  EXPECT_EQ(out.pixel(0, 0), qRgb(128, 128, 128));
  EXPECT_EQ(out.pixel(3, 3), qRgb(157, 157, 157));
  EXPECT_EQ(out.pixel(70, 0), qRgb(0, 0, 0));
  EXPECT_EQ(out.pixel(73, 3), qRgb(192, 192, 192));
  int idleInk = 0, hoverInk = 0;
  for (int y = 0; y < 22; ++y)
    for (int x = 0; x < 60; ++x) {
      if (out.pixel(x, y) == qRgb(255, 255, 255)) ++idleInk;
      if (out.pixel(70 + x, y) == qRgb(255, 255, 0)) ++hoverInk;
    }
  EXPECT_GT(idleInk, 10);
  EXPECT_GT(hoverInk, 10);
}

}  // namespace
}  // namespace tarnick
