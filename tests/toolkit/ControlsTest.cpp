#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include "toolkit/Controls.h"
#include "toolkit/Timer.h"

namespace tarnick {
namespace {

// Paints its whole area in the colour it is told.
class Painter : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;
  TColor Fill = clRed;

 protected:
  void Paint() override {
    GetCanvas().Brush.Color = Fill;
    GetCanvas().FillRect(ClientRect());
  }
};

class Surface : public QWidget {
 public:
  int Presses = 0;

 protected:
  void mousePressEvent(QMouseEvent*) override { ++Presses; }
};

class Label : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  int Downs = 0;

 protected:
  void MouseDown(TMouseButton, TShiftState, int, int) override { ++Downs; }
};

TEST(ControlTest, UpdatePaintsOnlyThePendingArea) {
  Painter p;
  p.SetBounds(0, 0, 10, 10);
  p.Snapshot();
  EXPECT_EQ(p.Surface().pixel(9, 9), qRgb(255, 0, 0));
  p.Fill = clBlue;
  p.InvalidateRect(Rect(2, 0, 4, 10));
  EXPECT_EQ(p.PendingRegion().boundingRect(), QRect(2, 0, 2, 10));
  const int before = p.PaintCount();
  p.Update();
  EXPECT_EQ(p.PaintCount(), before + 1);
  EXPECT_TRUE(p.PendingRegion().isEmpty());
  EXPECT_EQ(p.Surface().pixel(1, 5), qRgb(255, 0, 0));
  EXPECT_EQ(p.Surface().pixel(2, 5), qRgb(0, 0, 255));
  EXPECT_EQ(p.Surface().pixel(3, 5), qRgb(0, 0, 255));
  EXPECT_EQ(p.Surface().pixel(4, 5), qRgb(255, 0, 0));
}

TEST(ControlTest, ChildFollowsParentFontUntilItsOwnIsSet) {
  Painter parent;
  Painter child(&parent);
  parent.Font().SetHeight(-16);
  EXPECT_EQ(child.Font().Height(), -16);
  EXPECT_TRUE(child.ParentFont());
  child.Font().SetHeight(-9);
  EXPECT_FALSE(child.ParentFont());
  parent.Font().SetHeight(-20);
  EXPECT_EQ(child.Font().Height(), -9);
}

TEST(ControlTest, GraphicControlOnAFormPassesThePressToTheSurface) {
  Surface form;
  form.resize(100, 100);
  Label onForm(&form);
  onForm.SetBounds(10, 10, 30, 20);
  QWidget panel(&form);
  panel.setGeometry(50, 50, 40, 40);
  Label onPanel(&panel);
  onPanel.SetBounds(0, 0, 30, 20);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_EQ(onForm.focusPolicy(), Qt::NoFocus);

  QTest::mousePress(&onForm, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(&onForm, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(form.Presses, 1);
  EXPECT_EQ(onForm.Downs, 0);

  QTest::mousePress(&onPanel, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseRelease(&onPanel, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(onPanel.Downs, 1);
  EXPECT_EQ(form.Presses, 1);
}

TEST(TimerTest, ManualClockFiresInOrderAndRestartsOnNewInterval) {
  ManualTimers clock;
  TTimer t;
  std::vector<long long> ticks;
  t.OnTimer = [&] {
    ticks.push_back(ManualTimers::Now());
    t.SetInterval(100);
  };
  t.SetInterval(400);
  t.Start();
  ManualTimers::Advance(1000);
  EXPECT_EQ(ticks, (std::vector<long long>{400, 500, 600, 700, 800, 900, 1000}));
  t.Stop();
  ManualTimers::Advance(1000);
  EXPECT_EQ(ticks.size(), 7u);
}

}  // namespace
}  // namespace tarnick
