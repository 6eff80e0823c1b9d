#include <gtest/gtest.h>
#include <QDir>
#include <QPainter>
#include <QTest>
#include <QWidget>
#include <vector>

#include "controls/Newhint.h"
#include "toolkit/Timer.h"

namespace tarnick {
namespace {

constexpr const char* kListHint = " 変換対象ファイル";

// AppHint1 of the main window.
void Form(TAppHint& a) {
  a.SetHintStyle(hsRoundRect);
  a.BGColor = clBlack;
  a.Brush().Color = clSilver;
  TFont f;
  f.SetColor(clWhite);
  f.SetHeight(-16);
  f.SetName("ＭＳ Ｐゴシック");
  f.SetStyle(fsBold);
  f.SetCharset(SHIFTJIS_CHARSET);
  a.SetFont(f);
  a.SetHintPause(500);
  a.SetHidePause(2500);
  a.SetShortPause(0);
  a.ShadowColor = clGray;
  a.ShadowVisible = true;
  a.Loaded();
}

TSize Measure(const TFont& font, const std::string& text, int maxWidth = 1024) {
  Canvas probe(nullptr);
  probe.Font = font;
  TRect r = Rect(0, 0, maxWidth, 0);
  probe.DrawText(text, r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  return TSize{r.Width(), r.Height()};
}

THintEx* Window() {
  return dynamic_cast<THintEx*>(THintMachine::Instance().HintWindow());
}

class NewhintTest : public testing::Test {
 protected:
  NewhintTest() {
    m.SetDesktopForTest(QRect(0, 0, 1024, 768));
    form.resize(300, 200);
    list = new QWidget(&form);
    list->setGeometry(10, 10, 100, 100);
    SetHint(list, kListHint);
    other = new QWidget(&form);
    other->setGeometry(150, 10, 100, 100);
    SetHint(other, " ｷｬﾝｾﾙ");
  }
  ~NewhintTest() override {
    m.PointerLeft();
    m.SetDesktopForTest(QRect());
  }
  THintMachine& m = THintMachine::Instance();
  ManualTimers clock;
  QWidget form;
  QWidget* list;
  QWidget* other;
};

TEST_F(NewhintTest, NewComponentTakesOver) {
  TAppHint a;
  EXPECT_EQ(TAppHint::Current(), &a);
  EXPECT_NE(Window(), nullptr);
  EXPECT_EQ(a.Brush().Color, clNavy);
  EXPECT_EQ(a.Brush().Style, bsSolid);
  EXPECT_EQ(a.Font().Color(), clLime);
  EXPECT_EQ(a.Pen().Color, clBlack);
  EXPECT_EQ(a.HintStyle(), hsFukidashi);
  EXPECT_EQ(a.ShadowColor, clBlue);
  EXPECT_EQ(a.GetHintPause(), 500);
  EXPECT_EQ(a.GetHidePause(), 2500);
  EXPECT_EQ(a.GetShortPause(), 0);
  {
    TAppHint second;
    EXPECT_EQ(TAppHint::Current(), &second);
  }
  EXPECT_EQ(TAppHint::Current(), nullptr);
}

TEST_F(NewhintTest, ProgramHintOpensAfter500msEightPixelsUpAndCloses) {
  TAppHint a;
  Form(a);
  const QPoint pointer(100, 100);
  m.PointerAt(list, pointer);
  ManualTimers::Advance(499);
  ASSERT_NE(Window(), nullptr);
  EXPECT_FALSE(Window()->isVisible());
  ManualTimers::Advance(1);
  ASSERT_TRUE(Window()->isVisible());
  const TSize t = Measure(a.Font(), kListHint);
  const TRect b = Window()->BoundsRect();
  EXPECT_EQ(b.Left, 100);
  EXPECT_EQ(b.Top, 100 + THintMachine::kCursorHeightMargin - 8);
  EXPECT_EQ(b.Width(), t.cx + 6);
  EXPECT_EQ(b.Height(), t.cy + 6);
  EXPECT_EQ(Window()->Caption(), kListHint);
  // Rounded shape (0, 0, tw + 7, th + 3) with 8 x 8 corners.
  const QRegion region = Window()->WindowRegion();
  EXPECT_EQ(region.boundingRect(), QRect(0, 0, t.cx + 7, t.cy + 3));
  EXPECT_FALSE(region.contains(QPoint(0, 0)));
  EXPECT_TRUE(region.contains(QPoint(4, 0)));
  EXPECT_TRUE(region.contains(QPoint(0, 4)));
  EXPECT_TRUE(region.contains(QPoint(t.cx / 2, t.cy / 2)));

  const QImage img = Window()->Snapshot().copy();
  auto at = [&](int x, int y) { return FromQColor(img.pixelColor(x, y)); };
  const int W = t.cx + 6, H = t.cy + 2;
  EXPECT_EQ(at(W / 2, 0), clBlack);      // the outline's top
  EXPECT_EQ(at(W / 2, H - 1), clBlack);  // and bottom
  EXPECT_EQ(at(0, H / 2), clBlack);
  EXPECT_EQ(at(W - 1, H / 2), clBlack);
  EXPECT_EQ(at(W / 2, H + 1), clSilver);  // filled below the outline too
  int white = 0, gray = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) {
      white += at(x, y) == clWhite;
      gray += at(x, y) == clGray;
    }
  EXPECT_GT(white, 50);
  EXPECT_GT(gray, 10);
  // The blank is a character: nothing is drawn in its width.
  for (int y = 0; y < img.height(); ++y)
    for (int x = 1; x < 3; ++x) EXPECT_NE(at(x, y), clWhite);

  ManualTimers::Advance(2499);
  EXPECT_TRUE(Window()->isVisible());
  ManualTimers::Advance(1);
  EXPECT_FALSE(Window()->isVisible());
  ManualTimers::Advance(5000);  // stays closed over the same control
  EXPECT_FALSE(Window()->isVisible());
}

TEST_F(NewhintTest, DelayRules) {
  TAppHint a;
  Form(a);
  m.PointerAt(list, QPoint(20, 20));
  ManualTimers::Advance(300);
  m.PointerAt(list, QPoint(30, 30));  // within the control: no restart
  ManualTimers::Advance(200);
  ASSERT_TRUE(Window()->isVisible());
  EXPECT_EQ(Window()->BoundsRect().Left, 30);
  m.PointerAt(other, QPoint(160, 20));  // another hint opens at once
  EXPECT_TRUE(Window()->isVisible());
  EXPECT_EQ(Window()->Caption(), " ｷｬﾝｾﾙ");
  m.PointerLeft();
  EXPECT_FALSE(Window()->isVisible());
  m.PointerAt(list, QPoint(20, 20));  // none showing: the full pause again
  ManualTimers::Advance(499);
  EXPECT_FALSE(Window()->isVisible());
  m.PointerAt(nullptr, QPoint(5, 5));
  ManualTimers::Advance(1000);
  EXPECT_FALSE(Window()->isVisible());
}

TEST_F(NewhintTest, BarCutsTheHintAndTheLongPartIsReported) {
  TAppHint a;
  Form(a);
  std::vector<QObject*> senders;
  a.OnHint = [&](QObject* s) { senders.push_back(s); };
  SetHint(list, "Short|The long explanation");
  m.PointerAt(list, QPoint(20, 20));
  EXPECT_EQ(m.Hint(), "The long explanation");
  EXPECT_EQ(senders.size(), 1u);
  ManualTimers::Advance(500);
  EXPECT_EQ(Window()->Caption(), "Short");
  EXPECT_EQ(Window()->BoundsRect().Width(), Measure(a.Font(), "Short").cx + 6);
}

TEST_F(NewhintTest, KeptOnTheDesktop) {
  TAppHint a;
  Form(a);
  m.SetDesktopForTest(QRect(0, 0, 400, 300));
  m.PointerAt(list, QPoint(390, 295));
  ManualTimers::Advance(500);
  const TRect b = Window()->BoundsRect();
  EXPECT_EQ(b.Bottom, 300);  // the full height, rectangle + 4, stays on
  EXPECT_EQ(b.Right, 400);
  EXPECT_EQ(b.Height(), Measure(a.Font(), kListHint).cy + 6);
}

TEST_F(NewhintTest, ShowHintEventAndItsEightPixels) {
  TAppHint a;
  Form(a);
  QPoint seen;
  a.OnShowHint = [&](std::string& s, bool& can, THintInfo& info) {
    seen = info.HintPos;
    EXPECT_EQ(info.HintControl, list);
    if (s == "no") can = false;
  };
  m.PointerAt(list, QPoint(50, 60));
  ManualTimers::Advance(500);
  EXPECT_EQ(seen, QPoint(50, 60 + THintMachine::kCursorHeightMargin - 8));
  m.PointerLeft();
  SetHint(list, "no");
  m.PointerAt(list, QPoint(50, 60));
  ManualTimers::Advance(500);
  EXPECT_FALSE(Window()->isVisible());
}

TEST_F(NewhintTest, FontChangeMakesANewWindowWithTheNewSize) {
  TAppHint a;
  Form(a);
  a.Font().SetHeight(-24);
  m.PointerAt(list, QPoint(20, 20));
  ManualTimers::Advance(500);
  EXPECT_EQ(Window()->BoundsRect().Height(), Measure(a.Font(), kListHint).cy + 6);
  EXPECT_GT(Measure(a.Font(), kListHint).cy, 20);
}

TEST_F(NewhintTest, NoShadowMeansWhiteTextOnly) {
  TAppHint a;
  Form(a);
  a.ShadowVisible = false;
  m.PointerAt(list, QPoint(20, 20));
  ManualTimers::Advance(500);
  const QImage img = Window()->Snapshot().copy();
  int gray = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) gray += FromQColor(img.pixelColor(x, y)) == clGray;
  EXPECT_EQ(gray, 0);
}

TEST_F(NewhintTest, LineStringShowsTheScreenBeneathWithAHalo) {
  TAppHint a;
  Form(a);
  a.SetHintStyle(hsLineString);
  a.ShadowColor = clBlue;
  m.PointerAt(list, QPoint(20, 20));
  ManualTimers::Advance(500);
  const TSize t = Measure(a.Font(), kListHint);
  const int W = t.cx + 6 + 21, H = t.cy + 2 + 12;
  EXPECT_EQ(Window()->BoundsRect().Width(), W);
  EXPECT_EQ(Window()->BoundsRect().Height(), H + 4);
  EXPECT_EQ(Window()->WindowRegion(), QRegion(1, 1, W - 2, H - 2));
  QImage beneath(W, H + 4, QImage::Format_RGB32);
  beneath.fill(QColor(255, 0, 0));
  Window()->SetScreenBeneathForTest(beneath);
  const QImage img = Window()->Snapshot().copy();
  auto at = [&](int x, int y) { return FromQColor(img.pixelColor(x, y)); };
  EXPECT_EQ(at(W - 3, 3), clRed);        // not erased
  EXPECT_EQ(at(W - 3, H - 2), clBlack);  // the underline
  // The slanting stroke from (1, 1) to (17, H - 2) crosses the middle row
  // near x 9.
  int strokeX = -1;
  for (int x = 0; x < 17; ++x)
    if (at(x, (H - 1) / 2) == clBlack) strokeX = x;
  EXPECT_NEAR(strokeX, 9, 1);
  // The halo: the text's blue copies reach one pixel further on every side.
  int blue = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) blue += at(x, y) == clBlue;
  EXPECT_GT(blue, 50);
}

TEST_F(NewhintTest, BalloonShapeAndOwnerDraw) {
  TAppHint a;
  Form(a);
  a.SetHintStyle(hsFukidashi);
  m.PointerAt(list, QPoint(20, 20));
  ManualTimers::Advance(500);
  const TSize t = Measure(a.Font(), kListHint);
  const int w = t.cx + 6, h = t.cy + 2 + 9;
  EXPECT_EQ(Window()->HintRect().Height(), h);
  QRegion region = Window()->WindowRegion();
  EXPECT_TRUE(region.contains(QPoint(12, 7)));  // the tail
  EXPECT_FALSE(region.contains(QPoint(3, 4)));  // beside the tail
  EXPECT_TRUE(region.contains(QPoint(w / 2, h / 2)));
  EXPECT_FALSE(region.contains(QPoint(w / 2, h + 1)));  // the lowest rows are cut
  EXPECT_EQ(Window()->BalloonOutline()[4], (TPoint{w - 1, h - 1}));
  const QImage img = Window()->Snapshot().copy();
  EXPECT_EQ(FromQColor(img.pixelColor(w / 2, 9)), clBlack);
  EXPECT_EQ(FromQColor(img.pixelColor(w - 1, h / 2)), clBlack);

  m.PointerLeft();
  a.SetHintStyle(hsOwnerDraw);
  std::string painted;
  int pw = 0, ph = 0;
  a.OnPaint = [&](const std::string& s, Canvas& c, int w2, int h2) {
    painted = s;
    pw = w2;
    ph = h2;
    c.Brush.Color = clGreen;
    c.FillRect(Rect(0, 0, w2, h2));
  };
  m.PointerAt(list, QPoint(20, 20));
  ManualTimers::Advance(500);
  EXPECT_TRUE(Window()->WindowRegion().isEmpty());
  const QImage own = Window()->Snapshot().copy();
  EXPECT_EQ(painted, kListHint);
  EXPECT_EQ(pw, t.cx + 6);
  EXPECT_EQ(ph, t.cy + 6);
  EXPECT_EQ(FromQColor(own.pixelColor(3, 3)), clGreen);
}

TEST_F(NewhintTest, WithoutAComponentNothingIsDrawnOrShaped) {
  auto a = std::make_unique<TAppHint>();
  Form(*a);
  a.reset();
  ASSERT_NE(Window(), nullptr);
  m.PointerAt(list, QPoint(20, 20));
  ManualTimers::Advance(500);
  EXPECT_TRUE(Window()->isVisible());
  EXPECT_TRUE(Window()->WindowRegion().isEmpty());
  QImage beneath(Window()->width(), Window()->height(), QImage::Format_RGB32);
  beneath.fill(QColor(0, 0, 255));
  Window()->SetScreenBeneathForTest(beneath);
  const QImage img = Window()->Snapshot();
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) ASSERT_EQ(FromQColor(img.pixelColor(x, y)), clBlue);
}

TEST_F(NewhintTest, RealPointerMovesDriveTheHint) {
  TAppHint a;
  Form(a);
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  QTest::mouseMove(&form, QPoint(120, 150));
  QTest::mouseMove(list, QPoint(30, 30));
  EXPECT_EQ(m.HintControl(), list);
  ManualTimers::Advance(500);
  EXPECT_TRUE(Window()->isVisible());
  const QPoint tip = list->mapToGlobal(QPoint(30, 30));
  EXPECT_EQ(Window()->BoundsRect().Left, tip.x());
  EXPECT_EQ(Window()->BoundsRect().Top, tip.y() + THintMachine::kCursorHeightMargin - 8);
  QTest::mouseMove(other, QPoint(30, 30));
  EXPECT_EQ(m.HintControl(), other);
  EXPECT_EQ(Window()->Caption(), " ｷｬﾝｾﾙ");
}

TEST_F(NewhintTest, PointerPassesThroughTheHintWindow) {
  TAppHint a;
  Form(a);
  m.PointerAt(list, QPoint(20, 20));
  ManualTimers::Advance(500);
  ASSERT_TRUE(Window()->isVisible());
  // The platform window itself takes no input (an empty input shape), not
  // only the widget.
  ASSERT_NE(Window()->windowHandle(), nullptr);
  EXPECT_TRUE(Window()->windowHandle()->flags() & Qt::WindowTransparentForInput);
}

TEST_F(NewhintTest, RendersToArtifact) {
  TAppHint a;
  Form(a);
  QImage out(400, 60, QImage::Format_RGB32);
  out.fill(QColor(0xEB, 0xEB, 0xEB));
  QPainter p(&out);
  int x = 4;
  std::vector<QSize> sizes;
  for (THintStyle s : {hsRoundRect, hsFukidashi}) {
    a.SetHintStyle(s);
    m.PointerAt(list, QPoint(20, 20));
    ManualTimers::Advance(500);
    QImage shot = Window()->Snapshot().copy();
    shot = shot.convertToFormat(QImage::Format_ARGB32);
    const QRegion region = Window()->WindowRegion();
    for (int yy = 0; yy < shot.height(); ++yy)
      for (int xx = 0; xx < shot.width(); ++xx)
        if (!region.isEmpty() && !region.contains(QPoint(xx, yy))) shot.setPixel(xx, yy, 0);
    p.drawImage(x, 4, shot);
    sizes.push_back(shot.size());
    x += shot.width() + 10;
    m.PointerLeft();
  }
  p.end();
  QDir().mkpath(TARNICK_ARTIFACT_DIR);
  EXPECT_TRUE(out.save(QString(TARNICK_ARTIFACT_DIR) + "/Newhint.png"));
  ASSERT_EQ(sizes.size(), 2u);
  auto at = [&](int x, int y) { return out.pixel(x, y); };
  const QRgb ground = qRgb(235, 235, 235), silver = qRgb(192, 192, 192), black = qRgb(0, 0, 0);
  // Rounded rectangle: the corner is cut away, the outline black, inside
  // silver with white text over a grey shadow.
  const int w1 = sizes[0].width(), h1 = sizes[0].height();
  EXPECT_EQ(at(4, 4), ground);
  EXPECT_EQ(at(4 + w1 / 2, 4), black);
  EXPECT_EQ(at(4, 4 + (h1 - 4) / 2), black);
  EXPECT_EQ(at(4 + 2, 4 + h1 - 4), silver);
  int white = 0, grey = 0;
  for (int y = 4; y < 4 + h1; ++y)
    for (int x = 4; x < 4 + w1; ++x) {
      white += at(x, y) == qRgb(255, 255, 255);
      grey += at(x, y) == qRgb(128, 128, 128);
    }
  EXPECT_GT(white, 50);
  EXPECT_GT(grey, 10);
  // Balloon: the tail's tip at (14, 0), the ground left of the tail, the
  // box's top edge black at row 9.
  const int x2 = 4 + w1 + 10;
  EXPECT_EQ(at(x2 + 13, 4 + 5), black);  // the tail's right edge
  EXPECT_EQ(at(x2 + 2, 4 + 2), ground);
  EXPECT_EQ(at(x2 + 2, 4 + 9), black);
  EXPECT_EQ(at(x2 + 1, 4 + sizes[1].height() - 4 - 2), silver);
}

}  // namespace
}  // namespace tarnick
