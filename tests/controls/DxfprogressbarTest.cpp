#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>

#include <QColor>
#include <QPalette>
#include <QWidget>

#include "controls/Dxfprogressbar.h"

namespace tarnick {
namespace {

// The progress window's bar on its black form.
struct WindowBar {
  QWidget form;
  TdxfProgressBar bar{&form};
  WindowBar() {
    QPalette pal = form.palette();
    pal.setColor(QPalette::Window, Qt::black);
    form.setPalette(pal);
    bar.SetBounds(10, 10, 300, 15);
    bar.SetBarBevelOuter(bvNone);
    bar.SetBeginColor(clGray);
    bar.SetEndColor(clWhite);
    bar.SetBevelOuter(bvLowered);
    bar.SetMin(0);
    bar.SetMax(10);
    bar.SetOrientation(orHorizontal);
    bar.SetShowText(true);
    bar.SetShowTextStyle(stsPercent);
    bar.SetStep(1);
    bar.SetStyle(sExSolid);
    TFont f;
    f.SetName("ＭＳ Ｐゴシック");
    f.SetHeight(-11);
    f.SetColor(0x464646);
    f.SetCharset(SHIFTJIS_CHARSET);
    bar.SetFont(f);
    bar.Snapshot();
  }
  TColor Pixel(int x, int y) const { return FromQColor(QColor(bar.Surface().pixel(x, y))); }
};

TEST(ProgressBarTest, NewBarDefaults) {
  TdxfProgressBar b;
  EXPECT_EQ(b.Width(), 150);
  EXPECT_EQ(b.Height(), 16);
  EXPECT_EQ(b.Max(), 100);
  EXPECT_EQ(b.Step(), 10);
  EXPECT_EQ(b.Orientation(), orVertical);
  EXPECT_EQ(b.Style(), sRectangles);
  EXPECT_EQ(b.BeginColor(), clNavy);
  EXPECT_FALSE(b.ShowText());
  EXPECT_TRUE(b.TransparentGlyph());
  EXPECT_FALSE(b.TabStop());
}

TEST(ProgressBarTest, GradientColumnsOfTheWindowBar) {
  WindowBar w;
  EXPECT_EQ(w.bar.Color(), clBlack);
  w.bar.SetMax(4);
  w.bar.SetPosition(1);
  w.bar.Snapshot();
  EXPECT_EQ(w.Pixel(0, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(w.Pixel(299, 14), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(w.Pixel(1, 7), clBlack);  // the gap inside the frame
  EXPECT_EQ(w.Pixel(2, 2), 0x808080u);
  EXPECT_EQ(w.Pixel(2, 12), 0x808080u);
  EXPECT_EQ(w.Pixel(2, 13), clBlack);
  const int c75 = (75 - 2) * 127 / 296 + 128;
  EXPECT_EQ(w.Pixel(75, 7), RGB(c75, c75, c75));
  EXPECT_EQ(w.Pixel(76, 7), clBlack);
  w.bar.SetPosition(4);
  w.bar.Snapshot();
  EXPECT_EQ(w.Pixel(297, 7), RGB(254, 254, 254));
  EXPECT_EQ(w.Pixel(298, 7), clBlack);
}

TEST(ProgressBarTest, PositionChangeRepaintsTheBandAtOnceAndMarksTheText) {
  WindowBar w;
  w.bar.SetMax(4);
  w.bar.SetPosition(1);
  w.bar.Snapshot();
  const int paints = w.bar.PaintCount();
  w.bar.SetPosition(2);
  EXPECT_EQ(w.bar.PaintCount(), paints + 1);
  EXPECT_EQ(w.bar.LastPaintedArea(), Rect(73, 0, 152, 15));
  const TSize ext = MeasureText(w.bar.Font(), "100 %");
  const TRect box = Bounds((300 - ext.cx) / 2, (15 - ext.cy) / 2, ext.cx, ext.cy);
  EXPECT_EQ(w.bar.PendingRegion(), QRegion(box.Intersected(Rect(0, 0, 300, 15)).ToQRect()));
  // The new band shows at once.
  EXPECT_EQ(w.Pixel(100, 3),
            RGB((98 * 127) / 296 + 128, (98 * 127) / 296 + 128, (98 * 127) / 296 + 128));

  const int before = w.bar.PaintCount();
  w.bar.SetPosition(2);
  EXPECT_EQ(w.bar.PaintCount(), before);
}

TEST(ProgressBarTest, TextHalvesGoToEven) {
  struct Case {
    int min, max, pos;
    TdxfShowTextStyle style;
    const char* text;
  } cases[] = {
      {0, 8, 1, stsPercent, "12 %"},   {0, 8, 3, stsPercent, "38 %"},
      {0, 8, 5, stsPercent, "62 %"},   {0, 8, 0, stsPercent, "0 %"},
      {0, 4, 1, stsPercent, "25 %"},   {0, 4, 4, stsPercent, "100 %"},
      {0, 8, 12, stsPercent, "150 %"}, {50, 150, 100, stsPercent, "50 %"},
      {0, 3, 1, stsPercent, "33 %"},   {0, 3, 2, stsPercent, "67 %"},
      {0, 8, 5, stsPosition, "5"},
  };
  for (const Case& c : cases) {
    TdxfProgressBar b;
    b.SetMax(c.max);
    b.SetMin(c.min);
    b.SetPosition(c.pos);
    b.SetShowTextStyle(c.style);
    EXPECT_EQ(b.Text(), c.text) << c.min << " " << c.max << " " << c.pos;
  }
}

TEST(ProgressBarTest, AtMinOnlyFrameAndTextForEveryStyle) {
  for (TdxfPBStyle style : {sSolid, sRectangles, sExSolid, sExRectangles, sPictures}) {
    WindowBar w;
    w.bar.SetStyle(style);
    w.bar.SetBeginColor(clRed);
    w.bar.Snapshot();
    int ink = 0;
    for (int y = 2; y < 13; ++y)
      for (int x = 2; x < 298; ++x) {
        const TColor p = w.Pixel(x, y);
        ASSERT_TRUE(p == clBlack || p == 0x464646u) << style << " " << x << "," << y;
        ink += p == 0x464646u;
      }
    EXPECT_GT(ink, 0) << style;  // the "0 %"
  }
}

TEST(ProgressBarTest, BlocksAdvanceWholeAndTheLastAtMax) {
  WindowBar w;
  w.bar.SetShowText(false);
  w.bar.SetStyle(sRectangles);
  w.bar.SetBeginColor(clRed);
  w.bar.SetMax(100);
  w.bar.SetPosition(99);
  w.bar.Snapshot();
  // cell = Trunc(2 * 11 / 3) + 2 = 9: blocks of 7 with gaps of 2.
  EXPECT_EQ(w.Pixel(2, 7), clRed);
  EXPECT_EQ(w.Pixel(8, 7), clRed);
  EXPECT_EQ(w.Pixel(9, 7), clBlack);
  EXPECT_EQ(w.Pixel(11, 7), clRed);
  EXPECT_EQ(w.Pixel(287, 7), clRed);
  EXPECT_EQ(w.Pixel(291, 7), clBlack);  // the partial block is missing
  w.bar.SetPosition(100);
  w.bar.Snapshot();
  EXPECT_EQ(w.Pixel(291, 7), clRed);
  EXPECT_EQ(w.Pixel(297, 7), clRed);
  EXPECT_EQ(w.Pixel(298, 7), clBlack);

  w.bar.SetStyle(sSolid);
  w.bar.SetPosition(150);  // above Max: exactly to the inner end
  w.bar.Snapshot();
  EXPECT_EQ(w.Pixel(297, 7), clRed);
  EXPECT_EQ(w.Pixel(298, 7), clBlack);
}

TEST(ProgressBarTest, GradientBlocksTakeTheColourAtTheirCellEnd) {
  WindowBar w;
  w.bar.SetShowText(false);
  w.bar.SetStyle(sExRectangles);
  w.bar.SetMax(100);
  w.bar.SetPosition(50);
  w.bar.Snapshot();
  // The first cell ends at 11: G(9, 296) = Trunc(9 x 127 / 296 + 128) = 131;
  // the second at 20: G(18, 296) = 135.
  EXPECT_EQ(w.Pixel(2, 7), RGB(131, 131, 131));
  EXPECT_EQ(w.Pixel(8, 7), RGB(131, 131, 131));
  EXPECT_EQ(w.Pixel(11, 7), RGB(135, 135, 135));
}

TEST(ProgressBarTest, VerticalGradientStartsOneRowUp) {
  TdxfProgressBar b;
  b.SetBounds(0, 0, 16, 100);
  b.SetStyle(sExSolid);
  b.SetBeginColor(clBlack);
  b.SetEndColor(RGB(96, 0, 0));
  b.SetPosition(100);
  b.Snapshot();
  const QImage& img = b.Surface();
  EXPECT_EQ(FromQColor(QColor(img.pixel(5, 97))), RGB(1, 0, 0));
  EXPECT_EQ(FromQColor(QColor(img.pixel(5, 2))), RGB(96, 0, 0));
}

TEST(ProgressBarTest, PicturesAndTheFinalGlyphOnlyAtMax) {
  WindowBar w;
  w.bar.SetShowText(false);
  TBitmap glyph(20, 10);
  glyph.GetCanvas().Brush.Color = clRed;
  glyph.GetCanvas().FillRect(Rect(0, 0, 20, 10));
  glyph.GetCanvas().SetPixel(0, 9, clWhite);  // the transparent colour
  glyph.GetCanvas().SetPixel(5, 5, clWhite);
  w.bar.SetStyle(sPictures);
  w.bar.SetGlyph(glyph);
  EXPECT_EQ(w.bar.Height(), 14);
  w.bar.SetPosition(10);
  w.bar.Snapshot();
  // R = (2, 2, 298, 12); glyphs at 2, 22, ... 262; the final one at 282.
  EXPECT_EQ(w.Pixel(2, 2), clRed);
  EXPECT_EQ(w.Pixel(7, 7), clBlack);  // transparent pixel
  EXPECT_EQ(w.Pixel(290, 5), clRed);
  w.bar.SetPosition(11);
  w.bar.Snapshot();
  EXPECT_EQ(w.Pixel(290, 5), clBlack);
  EXPECT_EQ(w.Pixel(270, 5), clRed);
}

TEST(ProgressBarTest, SettersThatDoNotRepaint) {
  WindowBar w;
  w.bar.SetStyle(sSolid);
  const int paints = w.bar.PaintCount();
  w.bar.SetEndColor(clBlue);
  w.bar.SetMax(-5);
  w.bar.SetMin(11);
  w.bar.SetStep(3);
  EXPECT_EQ(w.bar.PaintCount(), paints);
  EXPECT_EQ(w.bar.EndColor(), clBlue);
  EXPECT_EQ(w.bar.Max(), 10);
  EXPECT_EQ(w.bar.Min(), 0);
  w.bar.SetBeginColor(clLime);
  EXPECT_EQ(w.bar.PaintCount(), paints + 1);
}

TEST(ProgressBarTest, BackgroundFollowsTheParent) {
  WindowBar w;
  QPalette pal = w.form.palette();
  pal.setColor(QPalette::Window, QColor(0, 0, 255));
  w.form.setPalette(pal);
  EXPECT_EQ(w.bar.Color(), clBlue);
  w.bar.Snapshot();
  EXPECT_EQ(w.Pixel(1, 7), clBlue);
}

TEST(ProgressBarTest, VerticalTextRunsDownInItsCell) {
  TdxfProgressBar b;
  b.SetBounds(0, 0, 20, 120);
  b.SetShowText(true);
  b.Font().SetColor(clLime);
  b.Font().SetHeight(-11);
  b.SetPosition(50);
  b.Snapshot();
  const TSize ext = MeasureText(b.Font(), "50 %");
  const int left = (20 - ext.cy) / 2, top = (120 - ext.cx) / 2;
  int ink = 0;
  const QImage& img = b.Surface();
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 20; ++x) {
      if (FromQColor(QColor(img.pixel(x, y))) != clLime) continue;
      ++ink;
      EXPECT_GE(x, left);
      EXPECT_LT(x, left + ext.cy);
      EXPECT_GE(y, top);
      EXPECT_LT(y, top + ext.cx);
    }
  EXPECT_GT(ink, 10);
}

TEST(ProgressBarTest, VerticalBlocksLeaveTheBottomRowAndRaisedFrame) {
  TdxfProgressBar b;
  b.SetBounds(0, 0, 16, 100);
  b.SetBeginColor(clRed);
  b.SetPosition(50);
  b.Snapshot();
  auto at = [&](int x, int y) { return FromQColor(QColor(b.Surface().pixel(x, y))); };
  // R = (2, 2, 14, 98), cell = Trunc(2 * 12 / 3) + 2 = 10, bar top 50.
  EXPECT_NE(at(5, 97), clRed);
  EXPECT_EQ(at(5, 96), clRed);
  EXPECT_EQ(at(5, 89), clRed);
  EXPECT_NE(at(5, 88), clRed);
  EXPECT_NE(at(5, 87), clRed);
  EXPECT_EQ(at(5, 86), clRed);
  EXPECT_EQ(at(5, 59), clRed);
  EXPECT_NE(at(5, 58), clRed);  // the partial block stays away
  EXPECT_EQ(at(0, 50), ColorToRGB(clBtnShadow));
  b.SetBevelOuter(bvRaised);
  b.Snapshot();
  EXPECT_EQ(at(0, 50), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(at(15, 50), ColorToRGB(clBtnShadow));
  b.SetBarBevelOuter(bvRaised);
  b.Snapshot();
  EXPECT_EQ(at(2, 92), ColorToRGB(clBtnHighlight));  // each block gets its bevel
  EXPECT_EQ(at(13, 92), ColorToRGB(clBtnShadow));
  EXPECT_EQ(at(5, 92), clRed);
}

TEST(ProgressBarTest, BlockStylesWidenTheRepaintedBand) {
  WindowBar w;
  w.bar.SetStyle(sRectangles);
  w.bar.SetMax(4);
  w.bar.SetPosition(1);
  w.bar.Snapshot();  // nothing left pending
  // 73..152 widened on each side by Trunc(2 * 15 / 3) + 2 = 12.
  w.bar.SetPosition(2);
  EXPECT_EQ(w.bar.LastPaintedArea(), Rect(61, 0, 164, 15));
}

TEST(ProgressBarTest, RendersEveryStyleForPeopleToLookAt) {
  QImage sheet(320, 5 * 25 + 10, QImage::Format_RGB32);
  sheet.fill(Qt::black);
  QPainter p(&sheet);
  TBitmap glyph(10, 11);
  glyph.GetCanvas().Brush.Color = clLime;
  glyph.GetCanvas().FillRect(Rect(1, 1, 9, 10));
  int row = 0;
  for (TdxfPBStyle style : {sSolid, sRectangles, sExSolid, sExRectangles, sPictures}) {
    WindowBar w;
    w.bar.SetStyle(style);
    if (style == sPictures) w.bar.SetGlyph(glyph);
    w.bar.SetHeight(15);
    w.bar.SetMax(4);
    w.bar.SetPosition(1 + row % 3);
    p.drawImage(10, 10 + 25 * row, w.bar.Snapshot());
    ++row;
  }
  p.end();
  ASSERT_TRUE(QDir().mkpath(TARNICK_ARTIFACT_DIR));
  const QString path = QStringLiteral(TARNICK_ARTIFACT_DIR "/Dxfprogressbar.png");
  ASSERT_TRUE(sheet.save(path));
  EXPECT_EQ(QImage(path).size(), sheet.size());

  // Every bar: 300 x 15 on black, the inner rectangle (2, 2, 298, 13),
  // 296 long; Max 4 and Position 1, 2, 3, 1, 2 from the top.
  const QRgb black = qRgb(0, 0, 0), grey = qRgb(128, 128, 128), lime = qRgb(0, 255, 0);
  const QRgb shadow = qRgb(160, 160, 160), highlight = qRgb(255, 255, 255);
  auto at = [&](int row, int x, int y) { return sheet.pixel(10 + x, 10 + 25 * row + y); };
  // The gradient from clGray to clWhite: Trunc(d x 127 / 296 + 128) per channel.
  auto g = [](int d) {
    const int c = d * 127 / 296 + 128;
    return qRgb(c, c, c);
  };
  for (int row = 0; row < 5; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(at(row, 0, 0), shadow);  // the lowered frame
    EXPECT_EQ(at(row, 299, 14), highlight);
    EXPECT_EQ(at(row, 1, 1), black);    // a pixel of background inside it
    EXPECT_EQ(at(row, 260, 3), black);  // past every bar's end
  }
  // sSolid at 1: columns 2 to 2 + Trunc(296 / 4) - 1 = 75 in clGray.
  EXPECT_EQ(at(0, 2, 3), grey);
  EXPECT_EQ(at(0, 75, 11), grey);
  EXPECT_EQ(at(0, 76, 3), black);
  // sRectangles at 2: cells of Trunc(2 x 11 / 3) + 2 = 9, blocks 7 long.
  for (int x : {2, 8, 11, 83, 89}) EXPECT_EQ(at(1, x, 3), grey) << x;
  for (int x : {9, 10, 90, 91}) EXPECT_EQ(at(1, x, 3), black) << x;
  // sExSolid at 3: the fixed gradient over columns 2 to 223.
  for (int x : {2, 50, 100, 223}) EXPECT_EQ(at(2, x, 3), g(x - 2)) << x;
  EXPECT_EQ(at(2, 2, 3), qRgb(128, 128, 128));
  EXPECT_EQ(at(2, 224, 3), black);
  // sExRectangles at 1: each block in the colour where its cell ends; the
  // partial block after column 71 is not drawn.
  EXPECT_EQ(at(3, 2, 3), g(9));
  EXPECT_EQ(at(3, 8, 3), qRgb(131, 131, 131));
  EXPECT_EQ(at(3, 11, 3), g(18));
  EXPECT_EQ(at(3, 65, 3), g(72));
  EXPECT_EQ(at(3, 72, 3), black);
  // sPictures at 2: the glyph (lime inside a transparent ring) every 10
  // columns from column 2.
  EXPECT_EQ(at(4, 2, 5), black);
  EXPECT_EQ(at(4, 3, 5), lime);
  EXPECT_EQ(at(4, 10, 5), lime);
  EXPECT_EQ(at(4, 11, 5), black);
  EXPECT_EQ(at(4, 13, 5), lime);
  // The percentage in 0x464646 over the middle of each bar.
  for (int row = 0; row < 5; ++row) {
    int ink = 0;
    for (int y = 0; y < 15; ++y)
      for (int x = 120; x < 180; ++x) ink += at(row, x, y) == qRgb(70, 70, 70);
    EXPECT_GT(ink, 10) << row;
  }
}

}  // namespace
}  // namespace tarnick
