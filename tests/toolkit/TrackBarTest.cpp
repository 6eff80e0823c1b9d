#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include "toolkit/TrackBar.h"

namespace tarnick {
namespace {

// The main window's two bars, on a panel of the window's colour.
constexpr TColor Panel = RGB(235, 235, 235);
constexpr TColor Shadow = RGB(160, 160, 160);
constexpr TColor DarkShadow = RGB(105, 105, 105);
constexpr TColor Light = RGB(227, 227, 227);
constexpr TColor Highlight = RGB(255, 255, 255);

struct Bar {
  TCustomControl panel;
  TTrackBar* bar;
  Bar(TTrackBarOrientation o, int w, int h, int max, int pos, int thumb) {
    panel.SetColor(Panel);
    panel.resize(400, 300);
    bar = new TTrackBar(&panel);
    bar->BeginLoading();
    bar->SetOrientation(o);
    bar->SetBounds(10, 10, w, h);
    bar->SetRange(0, max);
    bar->SetPosition(pos);
    bar->SetPageSize(1);
    bar->SetTickMarks(tmTopLeft);
    bar->SetThumbLength(thumb);
    bar->EndLoading();
  }
  TColor At(int x, int y) const { return FromQColor(bar->Surface().pixelColor(x, y)); }
  QImage Paint() { return bar->Snapshot().copy(); }
};

// The layout's rule, from the properties: the thumb is thumb length / 2 + 1
// wide and travels between 8-pixel margins; a position's tick is at the
// thumb's centre.
int ThumbStart(int along, int thumbLength, int max, int pos) {
  const int travel = along - 16 - (thumbLength / 2 + 1);
  return 8 + (travel * pos + max / 2) / max;
}

TEST(TrackBarTest, VerticalBarOfTheSampleRate) {
  // 40 x 140, 0..3, ticks on the left, thumb length 30: the thumb is 16 high.
  Bar b(trVertical, 40, 140, 3, 3, 30);
  ASSERT_EQ(b.bar->Width(), 40);
  ASSERT_EQ(b.bar->Height(), 140);
  b.Paint();
  const int top = ThumbStart(140, 30, 3, 3);
  ASSERT_EQ(top, 116);
  const int tip = top + 8;
  // Thumb length 30 across the bar: x 8 to 37, pointing left at the ticks.
  EXPECT_EQ(b.At(7, tip), Panel);
  EXPECT_EQ(b.At(8, tip), Highlight);
  for (int x = 9; x < 36; ++x) EXPECT_NE(b.At(x, tip), Panel) << x;
  EXPECT_EQ(b.At(37, tip), DarkShadow);
  EXPECT_EQ(b.At(38, tip), Panel);
  // 16 along the bar, with its dark edge at the bottom.
  EXPECT_EQ(b.At(30, top - 1), Panel);
  EXPECT_EQ(b.At(30, top), Highlight);
  EXPECT_EQ(b.At(30, top + 15), DarkShadow);
  EXPECT_EQ(b.At(30, top + 16), Panel);
  // A tick at every position, 3 long, 2 before the thumb.
  for (int p = 0; p <= 3; ++p) {
    const int y = ThumbStart(140, 30, 3, p) + 8;
    EXPECT_EQ(y, 16 + 36 * p);
    EXPECT_EQ(b.At(2, y), Panel) << p;
    for (int x = 3; x <= 5; ++x) EXPECT_EQ(b.At(x, y), clBlack) << p;
    EXPECT_EQ(b.At(6, y), Panel) << p;
    EXPECT_EQ(b.At(4, y + 1), Panel) << p;
  }
  // The channel: x 21 to 24 (the thumb's middle), from y 8 to 131, sunken;
  // nothing fills it between its start and the thumb.
  EXPECT_EQ(b.At(22, 7), Panel);
  EXPECT_EQ(b.At(20, 60), Panel);
  for (int y = 9; y < top; ++y) {
    EXPECT_EQ(b.At(21, y), Shadow) << y;
    EXPECT_EQ(b.At(22, y), DarkShadow) << y;
    EXPECT_EQ(b.At(23, y), Light) << y;
    EXPECT_EQ(b.At(24, y), Highlight) << y;
  }
  EXPECT_EQ(b.At(25, 60), Panel);
}

TEST(TrackBarTest, HorizontalBarOfTheSizeHasNoSelectionRange) {
  // 284 x 30, 0..5 at 1, ticks on top, the default thumb length 20.
  Bar b(trHorizontal, 284, 30, 5, 1, 20);
  b.Paint();
  const int left = ThumbStart(284, 20, 5, 1);
  ASSERT_EQ(left, 59);
  // The thumb: 11 wide, y 8 to 27, its tip on the tick at y 8.
  EXPECT_EQ(b.At(left + 5, 7), Panel);
  EXPECT_EQ(b.At(left + 5, 8), Highlight);
  EXPECT_EQ(b.At(left + 5, 27), DarkShadow);
  EXPECT_EQ(b.At(left + 5, 28), Panel);
  EXPECT_EQ(b.At(left - 1, 22), Panel);
  EXPECT_EQ(b.At(left, 22), Highlight);
  EXPECT_EQ(b.At(left + 10, 22), DarkShadow);
  EXPECT_EQ(b.At(left + 11, 22), Panel);
  for (int p = 0; p <= 5; ++p) {
    const int x = ThumbStart(284, 20, 5, p) + 5;
    for (int y = 3; y <= 5; ++y) EXPECT_EQ(b.At(x, y), clBlack) << p;
    EXPECT_EQ(b.At(x, 2), Panel) << p;
    EXPECT_EQ(b.At(x, 6), Panel) << p;
  }
  // The channel rows 16 to 19 look the same before and after the thumb.
  const TColor rows[] = {Shadow, DarkShadow, Light, Highlight};
  for (int x = 10; x < 274; ++x) {
    if (x >= left && x < left + 11) continue;
    for (int i = 0; i < 4; ++i) EXPECT_EQ(b.At(x, 16 + i), rows[i]) << x << "," << 16 + i;
  }
  EXPECT_EQ(b.At(100, 15), Panel);
  EXPECT_EQ(b.At(100, 20), Panel);
}

TEST(TrackBarTest, RangeClampsAndReportsChanges) {
  Bar b(trHorizontal, 284, 30, 5, 1, 20);
  int changes = 0;
  b.bar->OnChange = [&](TTrackBar*) { ++changes; };
  b.bar->SetPosition(9);
  EXPECT_EQ(b.bar->Position(), 5);
  b.bar->SetPosition(-2);
  EXPECT_EQ(b.bar->Position(), 0);
  b.bar->SetPosition(0);
  EXPECT_EQ(changes, 2);
  b.bar->SetRange(2, 4);
  EXPECT_EQ(b.bar->Position(), 2);
}

TEST(TrackBarTest, KeysMoveByLineAndPage) {
  Bar b(trVertical, 40, 140, 3, 3, 30);
  b.panel.show();
  b.bar->setFocus();
  struct Case {
    Qt::Key key;
    int from, to;
  };
  // Up is towards the minimum, at the top.
  const Case cases[] = {{Qt::Key_Up, 3, 2},    {Qt::Key_Down, 2, 3},   {Qt::Key_Left, 1, 0},
                        {Qt::Key_Right, 0, 1}, {Qt::Key_PageUp, 2, 1}, {Qt::Key_PageDown, 1, 2},
                        {Qt::Key_Home, 2, 0},  {Qt::Key_End, 0, 3},    {Qt::Key_Down, 3, 3}};
  for (const Case& c : cases) {
    b.bar->SetPosition(c.from);
    QTest::keyClick(b.bar, c.key);
    EXPECT_EQ(b.bar->Position(), c.to) << c.key;
  }
}

TEST(TrackBarTest, WheelStepsByLinesTowardsTheMinimumWhenTurnedAway) {
  Bar b(trVertical, 40, 140, 3, 1, 30);
  auto turn = [&](int notches) {
    QWheelEvent e(QPointF(20, 20), b.bar->mapToGlobal(QPointF(20, 20)), QPoint(),
                  QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(b.bar, &e);
  };
  turn(1);
  EXPECT_EQ(b.bar->Position(), 0);
  turn(-2);
  EXPECT_EQ(b.bar->Position(), 2);
  turn(-5);
  EXPECT_EQ(b.bar->Position(), 3);
}

void Send(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)),
                type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

TEST(TrackBarTest, DraggingTheThumbChangesThePosition) {
  Bar b(trHorizontal, 284, 30, 5, 1, 20);
  b.panel.show();
  int changes = 0;
  b.bar->OnChange = [&](TTrackBar*) { ++changes; };
  const int grab = ThumbStart(284, 20, 5, 1) + 3;
  Send(b.bar, QEvent::MouseButtonPress, {grab, 20}, Qt::LeftButton);
  EXPECT_EQ(b.bar->Position(), 1);  // a press on the thumb does not page
  // Past the middle between positions 3 and 4 takes 4; far beyond, the end.
  const int mid34 = (ThumbStart(284, 20, 5, 3) + ThumbStart(284, 20, 5, 4)) / 2 + 3;
  Send(b.bar, QEvent::MouseMove, {mid34 + 2, 20}, Qt::LeftButton);
  EXPECT_EQ(b.bar->Position(), 4);
  Send(b.bar, QEvent::MouseMove, {mid34 - 2, 20}, Qt::LeftButton);
  EXPECT_EQ(b.bar->Position(), 3);
  Send(b.bar, QEvent::MouseMove, {600, 20}, Qt::LeftButton);
  EXPECT_EQ(b.bar->Position(), 5);
  Send(b.bar, QEvent::MouseButtonRelease, {600, 20}, Qt::NoButton);
  EXPECT_EQ(changes, 3);
  // The thumb is painted where the position puts it.
  b.Paint();
  const int left = ThumbStart(284, 20, 5, 5);
  EXPECT_EQ(b.At(left, 22), Highlight);
  EXPECT_EQ(b.At(left - 1, 22), Panel);
  // After the release, moves do nothing.
  Send(b.bar, QEvent::MouseMove, {10, 20}, Qt::NoButton);
  EXPECT_EQ(b.bar->Position(), 5);
}

TEST(TrackBarTest, PressBesideTheThumbPagesTowardsIt) {
  ManualTimers clock;
  Bar b(trHorizontal, 284, 30, 5, 1, 20);
  b.panel.show();
  const int far = ThumbStart(284, 20, 5, 4) + 5;
  Send(b.bar, QEvent::MouseButtonPress, {far, 20}, Qt::LeftButton);
  EXPECT_EQ(b.bar->Position(), 2);
  // Held, it repeats until the thumb is under the pointer, then stops.
  ManualTimers::Advance(300);
  EXPECT_EQ(b.bar->Position(), 3);
  ManualTimers::Advance(1000);
  EXPECT_EQ(b.bar->Position(), 4);
  Send(b.bar, QEvent::MouseButtonRelease, {far, 20}, Qt::NoButton);
  Send(b.bar, QEvent::MouseButtonPress, {2, 20}, Qt::LeftButton);
  EXPECT_EQ(b.bar->Position(), 3);
  Send(b.bar, QEvent::MouseButtonRelease, {2, 20}, Qt::NoButton);
  ManualTimers::Advance(1000);
  EXPECT_EQ(b.bar->Position(), 3);
}

}  // namespace
}  // namespace tarnick
