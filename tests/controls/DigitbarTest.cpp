#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>

#include <QLocale>
#include <QTest>
#include <QWidget>

#include <QApplication>
#include <QMouseEvent>

#include "controls/Digitbar.h"
#include "engine/Exception.h"

namespace tarnick {
namespace {

// A font whose digits measure `height` pixels high.
TFont FontOfTextHeight(int height) {
  TFont f;
  for (const char* face : {"Tahoma", "ＭＳ Ｐゴシック", "DejaVu Sans Mono"}) {
    f.SetName(face);
    for (int h : {-height, height, -height + 1, -height - 1, -height + 2, -height + 3}) {
      f.SetHeight(h);
      if (MeasureText(f, "0").cy == height) return f;
    }
  }
  ADD_FAILURE() << "no font size gives text height " << height;
  return f;
}

// The main window's frame-rate bar.
struct FrameRateBar {
  QWidget form;
  TDigitBar bar{&form};
  std::vector<TBarClickType> clicks;
  int changes = 0;
  FrameRateBar() {
    form.resize(200, 200);
    bar.SetAutoSize(false);
    bar.SetBounds(10, 10, 40, 140);
    bar.SetBtnHeight(16);
    bar.SetMax(30);
    bar.SetMin(1);
    bar.SetPosition(15);
    bar.SetModes(ModeSet(
        {dbmAllowTimer, dbmArrowKeys, dbmArrowWrap, dbmEnterNext, dbmPosClick, dbmPosMove}));
    bar.SetFont(FontOfTextHeight(12));
    bar.OnClick = [this](TDigitBar*, TBarClickType t) { clicks.push_back(t); };
    bar.OnChange = [this](TDigitBar*) { ++changes; };
    bar.Snapshot();
  }
  TColor Pixel(int x, int y) { return FromQColor(QColor(bar.Surface().pixel(x, y))); }
};

TEST(DigitBarTest, NewBarDefaults) {
  TDigitBar b;
  EXPECT_EQ(b.Width(), 24);
  EXPECT_EQ(b.Height(), 100);
  EXPECT_EQ(b.Color(), clWindow);
  EXPECT_TRUE(b.AutoSize());
  EXPECT_EQ(b.BtnHeight(), 10);
  EXPECT_EQ(b.Max(), 100);
  EXPECT_EQ(b.Modes(), ModeSet({dbmAllowTimer, dbmArrowKeys, dbmPosMove}));
  EXPECT_EQ(b.BevelWidth(), 2);
  EXPECT_EQ(b.Spacing(), 1);
  EXPECT_TRUE(b.TabStop());
  EXPECT_EQ(b.RepeatTimer(), nullptr);
}

TEST(DigitBarTest, FrameRateBarValueBoxGeometry) {
  FrameRateBar f;
  EXPECT_EQ(f.bar.BarRect(), Rect(0, 16, 40, 124));
  const TColor shadow = ColorToRGB(clBtnShadow), highlight = ColorToRGB(clBtnHighlight);
  // Box 63..81: the sunken bevel's outer ring is shadow on top, highlight at
  // the bottom row 80.
  EXPECT_EQ(f.Pixel(5, 63), shadow);
  EXPECT_EQ(f.Pixel(5, 80), highlight);
  EXPECT_EQ(f.Pixel(5, 81), ColorToRGB(clBtnFace));
  EXPECT_EQ(f.Pixel(5, 62), ColorToRGB(clBtnFace));
  // Inside the bevel: the value field in the window colour (not focused).
  EXPECT_EQ(f.Pixel(3, 65), clWhite);
  EXPECT_EQ(f.Pixel(3, 78), clWhite);
  // The digits start at y 66: nothing black above, something below.
  bool inkAbove = false, ink = false;
  for (int x = 4; x < 36; ++x) {
    for (int y = 65; y < 66; ++y) inkAbove |= f.Pixel(x, y) == clBlack;
    for (int y = 66; y < 78; ++y) ink |= f.Pixel(x, y) != clWhite && f.Pixel(x, y) != shadow;
  }
  EXPECT_FALSE(inkAbove);
  EXPECT_TRUE(ink);
}

TEST(DigitBarTest, ClicksInTheBarSetTheValue) {
  struct Case {
    int y, value;
  } cases[] = {{72, 15}, {25, 30}, {20, 30}, {115, 1}, {123, 1}, {70, 16}};
  for (const Case& c : cases) {
    FrameRateBar f;
    f.bar.DoPositionClick(20, c.y, bctPosition);
    EXPECT_EQ(f.bar.Position(), c.value) << c.y;
  }
  FrameRateBar f;
  f.bar.DoPositionClick(41, 72, bctPosition);   // right of the bar
  f.bar.DoPositionClick(20, 125, bctPosition);  // on the down button
  EXPECT_TRUE(f.clicks.empty());
  f.bar.DoPositionClick(40, 30, bctPosition);  // the right edge counts as inside
  EXPECT_EQ(f.clicks, std::vector<TBarClickType>{bctPosition});
}

TEST(DigitBarTest, ButtonPressesStepAndReport) {
  FrameRateBar f;
  QTest::mousePress(&f.bar, Qt::LeftButton, {}, QPoint(20, 5));
  EXPECT_EQ(f.bar.Position(), 16);
  EXPECT_EQ(f.bar.ClickState(), bcsUp);
  QTest::mouseRelease(&f.bar, Qt::LeftButton, {}, QPoint(20, 5));
  EXPECT_EQ(f.bar.ClickState(), bcsNone);
  QTest::mouseClick(&f.bar, Qt::LeftButton, {}, QPoint(20, 130));
  EXPECT_EQ(f.bar.Position(), 15);
  QTest::mouseClick(&f.bar, Qt::LeftButton, {}, QPoint(20, 72 - 9));
  EXPECT_EQ(f.clicks, (std::vector<TBarClickType>{bctUp, bctDown, bctPosition}));
}

TEST(DigitBarTest, WrapAndIncrementLimits) {
  struct Case {
    bool wrap;
    int increment, min, max, start;
    bool up;
    int result;
    bool changed;
  } cases[] = {
      {true, 1, 0, 100, 100, true, 0, true},  {false, 1, 0, 100, 100, true, 100, false},
      {true, 1, 0, 100, 0, false, 100, true}, {false, 5, 0, 100, 97, true, 100, true},
      {false, 5, 0, 100, 3, false, 0, true},  {false, 5, 0, 100, 50, true, 55, true},
  };
  for (const Case& c : cases) {
    TDigitBar b;
    b.SetAutoSize(false);
    b.SetMax(c.max);
    b.SetMin(c.min);
    b.SetPosition(c.start);
    b.Increment = c.increment;
    b.SetModes(c.wrap ? ModeSet({dbmArrowWrap}) : 0);
    int changes = 0;
    std::vector<TBarClickType> clicks;
    b.OnChange = [&](TDigitBar*) { ++changes; };
    b.OnClick = [&](TDigitBar*, TBarClickType t) { clicks.push_back(t); };
    c.up ? b.DoUpClick() : b.DoDownClick();
    EXPECT_EQ(b.Position(), c.result) << c.start;
    EXPECT_EQ(changes, c.changed ? 1 : 0) << c.start;
    EXPECT_EQ(clicks, std::vector<TBarClickType>{c.up ? bctUp : bctDown});
  }
}

TEST(DigitBarTest, LimitsClampEachOther) {
  TDigitBar b;
  b.SetAutoSize(false);
  b.SetMax(768);
  b.SetMin(48);
  b.SetPosition(1000);
  EXPECT_EQ(b.Position(), 768);
  b.SetMin(800);
  EXPECT_EQ(b.Min(), 768);
  EXPECT_EQ(b.Position(), 768);
  b.SetMax(10);
  EXPECT_EQ(b.Max(), 768);
}

TEST(DigitBarTest, HeldButtonRepeatsAt400ThenEvery100) {
  ManualTimers clock;
  FrameRateBar f;
  f.bar.SetPosition(10);  // Max - 20
  QTest::mousePress(&f.bar, Qt::LeftButton, {}, QPoint(20, 5));
  EXPECT_EQ(f.bar.Position(), 11);
  ManualTimers::Advance(399);
  EXPECT_EQ(f.bar.Position(), 11);
  ManualTimers::Advance(1);
  EXPECT_EQ(f.bar.Position(), 12);
  ManualTimers::Advance(600);
  EXPECT_EQ(f.bar.Position(), 18);  // 8 steps in one second
  QTest::mouseRelease(&f.bar, Qt::LeftButton, {}, QPoint(20, 5));
  ManualTimers::Advance(1000);
  EXPECT_EQ(f.bar.Position(), 18);
  EXPECT_FALSE(f.bar.RepeatTimer()->Enabled());
}

TEST(DigitBarTest, RightButtonStartsTheTimerButStepsNothing) {
  ManualTimers clock;
  FrameRateBar f;
  QTest::mousePress(&f.bar, Qt::RightButton, {}, QPoint(20, 5));
  ASSERT_NE(f.bar.RepeatTimer(), nullptr);
  EXPECT_TRUE(f.bar.RepeatTimer()->Enabled());
  ManualTimers::Advance(1000);
  EXPECT_EQ(f.bar.Position(), 15);
  EXPECT_TRUE(f.clicks.empty());
  QTest::mouseRelease(&f.bar, Qt::RightButton, {}, QPoint(20, 5));
}

TEST(DigitBarTest, KeysStepAndMoveTheFocus) {
  FrameRateBar f;
  TDigitBar next(&f.form);
  next.move(100, 10);
  f.form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.form));
  f.bar.setFocus();
  QTest::keyClick(&f.bar, Qt::Key_Up);
  EXPECT_EQ(f.bar.Position(), 16);
  QTest::keyClick(&f.bar, Qt::Key_Down);
  QTest::keyClick(&f.bar, Qt::Key_Down);
  EXPECT_EQ(f.bar.Position(), 14);
  EXPECT_EQ(f.bar.ClickState(), bcsNone);
  QTest::keyClick(&f.bar, Qt::Key_Right);
  QTRY_VERIFY(next.hasFocus());
  next.SetModes(0);
  QTest::keyClick(&next, Qt::Key_Up);  // without dbmArrowKeys: no step
  EXPECT_EQ(next.Position(), 0);
  f.bar.setFocus();
  QTest::keyClick(&f.bar, Qt::Key_Return);
  QTRY_VERIFY(next.hasFocus());
}

TEST(DigitBarTest, HandlerClearingTheKeySuppressesTheStep) {
  FrameRateBar f;
  f.bar.OnKeyDown = [](TControl*, int& key, TShiftState) { key = 0; };
  QTest::keyClick(&f.bar, Qt::Key_Up);
  EXPECT_EQ(f.bar.Position(), 15);
}

TEST(DigitBarTest, AutoSizeMeasuresTheWidestText) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  TDigitBar b;
  b.SetFont(FontOfTextHeight(12));
  b.SetModes(ModeSet({dbmThousands}));
  b.SetMax(10000);
  EXPECT_EQ(b.PositionToStr(ptsMaxStr), "10,000");
  const TSize ext = MeasureText(b.Font(), "10,000");
  EXPECT_EQ(b.Width(), ext.cx + 6);
  EXPECT_EQ(b.Height(), 100);  // never lower than it was
  b.SetMin(-100000);
  EXPECT_EQ(b.PositionToStr(ptsMaxStr), "-100,000");
  QLocale::setDefault(QLocale::system());
}

TEST(DigitBarTest, EqualLimitsCentreTheBoxAndClicksGiveMin) {
  FrameRateBar f;
  f.bar.SetMin(30);
  f.bar.Snapshot();
  EXPECT_EQ(f.bar.PositionToClick(90), -1);
  // Avail 90: Off 45, centre 124 - 9 - 45 = 70, box 61..79.
  EXPECT_EQ(f.Pixel(5, 61), ColorToRGB(clBtnShadow));
  EXPECT_EQ(f.Pixel(5, 78), ColorToRGB(clBtnHighlight));
  f.bar.DoPositionClick(20, 50, bctPosition);
  EXPECT_EQ(f.bar.Position(), 30);
}

TEST(DigitBarTest, DisabledArrowsTurnWhite) {
  FrameRateBar f;
  // Up arrow: 9 x 6 image at ((40 - 9) / 2, (16 - 6) / 2) = (15, 5); its
  // tip is at (19, 6).
  EXPECT_EQ(f.Pixel(19, 6), clBlack);
  EXPECT_EQ(f.Pixel(19, 5), ColorToRGB(clBtnFace));
  f.bar.SetEnabled(false);
  f.bar.Snapshot();
  EXPECT_EQ(f.Pixel(19, 6), clWhite);
  EXPECT_EQ(f.Pixel(19, 5), ColorToRGB(clBtnFace));
}

TEST(DigitBarTest, FocusColoursTheValueField) {
  FrameRateBar f;
  f.form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&f.form));
  f.bar.setFocus();
  QTRY_VERIFY(f.bar.hasFocus());
  f.bar.Snapshot();
  EXPECT_EQ(f.Pixel(3, 65), clAqua);
}

TEST(DigitBarTest, DragFromAButtonOverTheBarKeepsRepeating) {
  ManualTimers clock;
  FrameRateBar f;
  f.bar.SetPosition(2);
  QTest::mousePress(&f.bar, Qt::LeftButton, {}, QPoint(20, 130));  // down button
  EXPECT_EQ(f.bar.Position(), 1);
  QMouseEvent move(QEvent::MouseMove, QPointF(20, 72), QPointF(20, 72), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&f.bar, &move);
  EXPECT_EQ(f.bar.Position(), 15);
  EXPECT_EQ(f.clicks.back(), bctMove);
  ManualTimers::Advance(500);  // ticks at 400 and 500 step down
  EXPECT_EQ(f.bar.Position(), 13);
  QTest::mouseRelease(&f.bar, Qt::LeftButton, {}, QPoint(20, 72));
  ManualTimers::Advance(500);
  EXPECT_EQ(f.bar.Position(), 13);
}

TEST(DigitBarTest, MovingOutWithTheButtonHeldStopsTheRepeat) {
  // A held button grabs the pointer: no leave comes, only moves outside.
  ManualTimers clock;
  FrameRateBar f;
  QTest::mousePress(&f.bar, Qt::LeftButton, {}, QPoint(20, 5));
  EXPECT_EQ(f.bar.Position(), 16);
  QMouseEvent move(QEvent::MouseMove, QPointF(300, -200), QPointF(300, -200), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&f.bar, &move);
  EXPECT_EQ(f.bar.ClickState(), bcsNone);
  EXPECT_FALSE(f.bar.RepeatTimer()->Enabled());
  ManualTimers::Advance(3000);
  EXPECT_EQ(f.bar.Position(), 16);  // the one step of the press
  QTest::mouseRelease(&f.bar, Qt::LeftButton, {}, QPoint(300, -200));
  EXPECT_EQ(f.bar.Position(), 16);
}

TEST(DigitBarTest, LeaveWithoutAButtonClearsTheState) {
  ManualTimers clock;
  FrameRateBar f;
  QTest::keyPress(&f.bar, Qt::Key_Up);
  EXPECT_EQ(f.bar.ClickState(), bcsUp);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&f.bar, &leave);
  EXPECT_EQ(f.bar.ClickState(), bcsNone);
}

TEST(DigitBarTest, AFailingTickStopsTheTimerAndPassesTheErrorOn) {
  ManualTimers clock;
  FrameRateBar f;
  f.bar.OnChange = [&](TDigitBar* b) {
    if (b->Position() > 16) throw Exception("tick failed");
  };
  QTest::mousePress(&f.bar, Qt::LeftButton, {}, QPoint(20, 5));
  EXPECT_EQ(f.bar.Position(), 16);
  EXPECT_THROW(ManualTimers::Advance(400), Exception);
  EXPECT_FALSE(f.bar.RepeatTimer()->Enabled());
  QTest::mouseRelease(&f.bar, Qt::LeftButton, {}, QPoint(20, 5));
}

TEST(DigitBarTest, ABarClickWithoutPosClickDoesNothing) {
  FrameRateBar f;
  f.bar.SetModes(ModeSet({dbmAllowTimer}));
  QTest::mouseClick(&f.bar, Qt::LeftButton, {}, QPoint(20, 30));
  EXPECT_EQ(f.bar.Position(), 15);
  EXPECT_TRUE(f.clicks.empty());
}

TEST(DigitBarTest, ButtonBevelsRaisedAndPressed) {
  FrameRateBar f;
  const TColor light = clWhite, dark = ColorToRGB(clBtnShadow);
  const TColor darker = RGB(160 - 128, 160 - 128, 160 - 128);  // dark less 128
  const TColor lightLess = RGB(127, 127, 127);                 // light less 128
  struct Px {
    int x, y;
    TColor raised, pressed;
  } px[] = {
      {0, 5, light, dark},      {1, 5, light, darker},  {38, 5, dark, lightLess},
      {39, 5, darker, light},   {5, 0, light, dark},    {5, 1, light, darker},
      {5, 14, dark, lightLess}, {5, 15, darker, light}, {20, 10, ColorToRGB(clBtnFace), clBlack},
  };
  for (const Px& p : px) EXPECT_EQ(f.Pixel(p.x, p.y), p.raised) << p.x << "," << p.y;
  QTest::mousePress(&f.bar, Qt::LeftButton, {}, QPoint(20, 5));
  f.bar.Snapshot();
  for (const Px& p : px) {
    if (p.pressed != clBlack) {
      EXPECT_EQ(f.Pixel(p.x, p.y), p.pressed) << p.x << "," << p.y;
    }
  }
  QTest::mouseRelease(&f.bar, Qt::LeftButton, {}, QPoint(20, 5));
}

TEST(DigitBarTest, OwnBarColourGivesLighterAndDarkerFrames) {
  FrameRateBar f;
  f.bar.SetBarColor(RGB(100, 200, 20));
  f.bar.Snapshot();
  EXPECT_EQ(f.Pixel(0, 5), RGB(228, 255, 148));
  EXPECT_EQ(f.Pixel(38, 5), RGB(0, 72, 0));
  EXPECT_EQ(f.Pixel(0, 40), RGB(0, 72, 0));  // the bar's left side line
  EXPECT_EQ(f.Pixel(39, 40), RGB(228, 255, 148));
  EXPECT_EQ(f.Pixel(5, 63), ColorToRGB(clBtnShadow));  // the box keeps the system colours
}

TEST(DigitBarTest, RendersTheMainWindowBarsForPeopleToLookAt) {
  QImage sheet(3 * 50 + 10, 160, QImage::Format_RGB32);
  sheet.fill(QColor(235, 235, 235));
  QPainter p(&sheet);
  const int ranges[3][3] = {{1, 30, 15}, {48, 768, 384}, {32, 128, 64}};
  for (int i = 0; i < 3; ++i) {
    FrameRateBar f;
    f.bar.SetMax(ranges[i][1]);
    f.bar.SetMin(ranges[i][0]);
    f.bar.SetPosition(ranges[i][2]);
    if (i == 1) f.bar.SetEnabled(false);
    p.drawImage(10 + 50 * i, 10, f.bar.Snapshot());
  }
  p.end();
  ASSERT_TRUE(QDir().mkpath(TARNICK_ARTIFACT_DIR));
  const QString path = QStringLiteral(TARNICK_ARTIFACT_DIR "/Digitbar.png");
  ASSERT_TRUE(sheet.save(path));
  EXPECT_EQ(QImage(path).size(), sheet.size());
  // The arrows (9 x 6, centred in the 16-pixel buttons: x 15 to 23, rows 5
  // to 10 and 129 to 134) are black, and white on the disabled middle bar.
  const QRgb black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
  for (int i = 0; i < 3; ++i) {
    const int x0 = 10 + 50 * i, y0 = 10;
    const QRgb arrow = i == 1 ? white : black;
    SCOPED_TRACE(i);
    EXPECT_EQ(sheet.pixel(x0 + 19, y0 + 6), arrow);    // the up arrow's tip
    EXPECT_EQ(sheet.pixel(x0 + 16, y0 + 9), arrow);    // its widest row
    EXPECT_EQ(sheet.pixel(x0 + 19, y0 + 133), arrow);  // the down arrow's tip
    EXPECT_EQ(sheet.pixel(x0 + 16, y0 + 130), arrow);
    // The digits, in the font colour also when disabled, inside the box.
    int ink = 0;
    for (int y = 60; y < 90; ++y)
      for (int x = 4; x < 36; ++x) ink += sheet.pixel(x0 + x, y0 + y) == black;
    EXPECT_GT(ink, 10);
  }
  // The frame-rate bar's box for 15 spans y 63 to 81: white inside its
  // bevel (y 65 to 78), the bar's face just above and below it.
  EXPECT_EQ(sheet.pixel(10 + 3, 10 + 65), white);
  EXPECT_EQ(sheet.pixel(10 + 3, 10 + 78), white);
  EXPECT_NE(sheet.pixel(10 + 3, 10 + 62), white);
  EXPECT_NE(sheet.pixel(10 + 3, 10 + 82), white);
}

}  // namespace
}  // namespace tarnick
