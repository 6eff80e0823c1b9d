#include <gtest/gtest.h>

#include <QFont>

#include "toolkit/Canvas.h"

namespace tarnick {
namespace {

struct Surface {
  QImage image{20, 20, QImage::Format_RGB32};
  Canvas canvas{&image};
  Surface() { image.fill(Qt::white); }
  TColor at(int x, int y) const { return canvas.Pixel(x, y); }
};

TEST(ColorTest, SystemColoursResolveAndPlainKeepTheirBytes) {
  EXPECT_EQ(ColorToRGB(15461355), RGB(235, 235, 235));
  EXPECT_EQ(ColorToRGB(clWindow), clWhite);
  EXPECT_EQ(ColorToRGB(clBtnHighlight), clWhite);
  EXPECT_NE(ColorToRGB(clBtnShadow), ColorToRGB(clBtnFace));
  EXPECT_EQ(GetRValue(0x464646), 0x46);
  EXPECT_EQ(RGB(1, 2, 3), 0x030201u);
}

TEST(CanvasTest, FillRectExcludesRightAndBottom) {
  Surface s;
  s.canvas.Brush.Color = clBlack;
  s.canvas.FillRect(Rect(2, 3, 5, 6));
  EXPECT_EQ(s.at(2, 3), clBlack);
  EXPECT_EQ(s.at(4, 5), clBlack);
  EXPECT_EQ(s.at(5, 5), clWhite);
  EXPECT_EQ(s.at(4, 6), clWhite);
  EXPECT_EQ(s.at(1, 3), clWhite);
}

TEST(CanvasTest, LinesAndPolylinesLeaveTheirLastPoint) {
  Surface s;
  s.canvas.Pen.Color = clRed;
  s.canvas.MoveTo(1, 1);
  s.canvas.LineTo(5, 1);
  EXPECT_EQ(s.at(1, 1), clRed);
  EXPECT_EQ(s.at(4, 1), clRed);
  EXPECT_EQ(s.at(5, 1), clWhite);
  s.canvas.Polyline({{10, 2}, {10, 6}, {14, 6}});
  EXPECT_EQ(s.at(10, 2), clRed);
  EXPECT_EQ(s.at(10, 6), clRed);  // the corner is the next segment's start
  EXPECT_EQ(s.at(13, 6), clRed);
  EXPECT_EQ(s.at(14, 6), clWhite);
  s.canvas.MoveTo(0, 10);
  s.canvas.LineTo(4, 14);
  EXPECT_EQ(s.at(3, 13), clRed);
  EXPECT_EQ(s.at(4, 14), clWhite);
}

TEST(CanvasTest, RectanglePenInsideOrCentred) {
  Surface s;
  s.canvas.Pen.Color = clBlack;
  s.canvas.Brush.Color = clLime;
  s.canvas.Rectangle(2, 2, 8, 8);
  EXPECT_EQ(s.at(2, 2), clBlack);
  EXPECT_EQ(s.at(7, 7), clBlack);
  EXPECT_EQ(s.at(8, 7), clWhite);
  EXPECT_EQ(s.at(3, 3), clLime);
  EXPECT_EQ(s.at(6, 6), clLime);

  Surface w;
  w.canvas.Pen.Color = clBlack;
  w.canvas.Pen.Width = 2;
  w.canvas.Brush.Color = clLime;
  w.canvas.Rectangle(4, 4, 12, 12);
  // Centred on the edges x = 4 and x = 11: columns 3..4 and 10..11.
  EXPECT_EQ(w.at(3, 6), clBlack);
  EXPECT_EQ(w.at(4, 6), clBlack);
  EXPECT_EQ(w.at(5, 6), clLime);
  EXPECT_EQ(w.at(9, 6), clLime);
  EXPECT_EQ(w.at(10, 6), clBlack);
  EXPECT_EQ(w.at(11, 6), clBlack);
  EXPECT_EQ(w.at(12, 6), clWhite);
  EXPECT_EQ(w.at(2, 6), clWhite);

  Surface c;
  c.canvas.Pen.Style = psClear;
  c.canvas.Brush.Color = clBlue;
  c.canvas.Rectangle(0, 0, 5, 5);
  EXPECT_EQ(c.at(3, 3), clBlue);
  EXPECT_EQ(c.at(4, 3), clWhite);
}

TEST(CanvasTest, RasterOperations) {
  QImage src(2, 1, QImage::Format_RGB32);
  src.setPixel(0, 0, qRgb(255, 255, 255));
  src.setPixel(1, 0, qRgb(0, 0, 0));
  struct Case {
    std::uint32_t rop;
    TColor onWhiteSrc, onBlackSrc;
  } cases[] = {
      {SRCCOPY, clWhite, clBlack},
      {SRCAND, RGB(0x40, 0x80, 0xC0), clBlack},
      {MERGEPAINT, RGB(0x40, 0x80, 0xC0), clWhite},
  };
  for (const Case& c : cases) {
    QImage img(2, 1, QImage::Format_RGB32);
    img.fill(qRgb(0x40, 0x80, 0xC0));
    Canvas canvas(&img);
    canvas.BitBlt(0, 0, 2, 1, src, 0, 0, c.rop);
    EXPECT_EQ(canvas.Pixel(0, 0), c.onWhiteSrc) << std::hex << c.rop;
    EXPECT_EQ(canvas.Pixel(1, 0), c.onBlackSrc) << std::hex << c.rop;
  }
}

TEST(CanvasTest, EdgesSunkenAndRaised) {
  Surface s;
  s.canvas.DrawEdge(Rect(1, 1, 6, 6), BDR_SUNKENOUTER, BF_TOPLEFT);
  s.canvas.DrawEdge(Rect(1, 1, 6, 6), BDR_SUNKENOUTER, BF_BOTTOMRIGHT);
  EXPECT_EQ(s.at(1, 3), ColorToRGB(clBtnShadow));
  EXPECT_EQ(s.at(3, 1), ColorToRGB(clBtnShadow));
  EXPECT_EQ(s.at(5, 3), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(s.at(3, 5), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(s.at(3, 3), clWhite);
  EXPECT_EQ(s.at(6, 3), clWhite);
  Surface r;
  r.image.fill(Qt::black);
  r.canvas.DrawEdge(Rect(0, 0, 4, 4), BDR_RAISEDINNER, BF_RECT);
  EXPECT_EQ(r.at(0, 2), ColorToRGB(clBtnHighlight));
  EXPECT_EQ(r.at(3, 2), ColorToRGB(clBtnShadow));
}

TEST(CanvasTest, TextOpaqueOrTransparentAndClipped) {
  QImage img(80, 30, QImage::Format_RGB32);
  img.fill(Qt::white);
  Canvas c(&img);
  c.Font.SetHeight(-12);
  c.Font.SetColor(clBlack);
  const TSize ext = c.TextExtent("MMM");
  ASSERT_GT(ext.cx, 10);
  ASSERT_GE(ext.cy, 12);
  c.Brush.Color = clYellow;
  c.TextOut(0, 0, "MMM");
  int black = 0, yellow = 0;
  for (int y = 0; y < ext.cy; ++y)
    for (int x = 0; x < ext.cx; ++x) {
      black += c.Pixel(x, y) == clBlack;
      yellow += c.Pixel(x, y) == clYellow;
    }
  EXPECT_GT(black, 10);
  EXPECT_GT(yellow, 10);
  EXPECT_EQ(black + yellow, ext.cx * ext.cy);  // no antialiased shades
  EXPECT_EQ(c.Pixel(ext.cx, 2), clWhite);

  img.fill(Qt::white);
  c.Brush.Style = bsClear;
  const TRect clip = Rect(0, 0, 5, ext.cy);
  c.ExtTextOut(0, 0, ETO_CLIPPED, &clip, "MMM");
  bool any = false;
  for (int y = 0; y < ext.cy; ++y) {
    for (int x = 0; x < 5; ++x) {
      EXPECT_NE(c.Pixel(x, y), clYellow);
      any |= c.Pixel(x, y) == clBlack;
    }
    for (int x = 5; x < 80; ++x) EXPECT_EQ(c.Pixel(x, y), clWhite);
  }
  EXPECT_TRUE(any);
}

TEST(CanvasTest, DrawTextAlignsAndMeasures) {
  QImage img(100, 40, QImage::Format_RGB32);
  Canvas c(&img);
  c.Font.SetHeight(-11);
  const int w = c.TextWidth("ab");
  const int h = c.TextHeight("ab");

  TRect calc = Rect(0, 0, 100, 0);
  EXPECT_EQ(c.DrawText("ab", calc, DT_CALCRECT | DT_SINGLELINE), h);
  EXPECT_EQ(calc, Rect(0, 0, w, h));
  // "&&" shows one "&"; a single "&" is hidden.
  TRect amp = Rect(0, 0, 100, 0);
  c.DrawText("a&&b", amp, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(amp.Width(), c.TextWidth("a&b"));
  TRect hid = Rect(0, 0, 100, 0);
  c.DrawText("&ab", hid, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(hid.Width(), w);
  TRect nop = Rect(0, 0, 100, 0);
  c.DrawText("&ab", nop, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(nop.Width(), c.TextWidth("&ab"));
  // Word break: two lines.
  TRect wrap = Rect(0, 0, c.TextWidth("aaaa") + 2, 0);
  EXPECT_EQ(c.DrawText("aaaa bbbb", wrap, DT_CALCRECT | DT_WORDBREAK), 2 * h);

  // Right alignment puts the ink at the right edge, centring in between.
  struct Case {
    unsigned flags;
    int left;
  } cases[] = {{DT_LEFT, 0}, {DT_CENTER, (100 - w) / 2}, {DT_RIGHT, 100 - w}};
  for (const Case& k : cases) {
    img.fill(Qt::white);
    c.Brush.Color = clAqua;
    TRect r = Rect(0, 0, 100, 40);
    c.DrawText("ab", r, k.flags | DT_SINGLELINE | DT_VCENTER);
    const int top = (40 - h) / 2;
    EXPECT_EQ(c.Pixel(k.left, top), clAqua) << k.flags;
    EXPECT_EQ(c.Pixel(k.left + w - 1, top + h - 1), clAqua) << k.flags;
    EXPECT_EQ(c.Pixel(k.left, top - 1), clWhite) << k.flags;
    if (k.left > 0) {
      EXPECT_EQ(c.Pixel(k.left - 1, top), clWhite) << k.flags;
    }
  }
}

TEST(CanvasTest, EllipsesShortenToTheWidth) {
  QImage img(200, 20, QImage::Format_RGB32);
  Canvas c(&img);
  const int width = c.TextWidth("C:\\folder\\...\\file.mp4") + 1;
  TRect r = Rect(0, 0, width, 0);
  c.DrawText("C:\\folder\\deep\\deeper\\file.mp4", r,
             DT_CALCRECT | DT_SINGLELINE | DT_PATH_ELLIPSIS);
  EXPECT_LE(r.Width(), width);
  TRect e = Rect(0, 0, c.TextWidth("abc..."), 0);
  c.DrawText("abcdefghij", e, DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_EQ(e.Width(), c.TextWidth("abc..."));
}

TEST(CanvasTest, RoundRectAndPolygonFillInsideTheirOutline) {
  QImage img(30, 30, QImage::Format_RGB32);
  img.fill(Qt::white);
  Canvas c(&img);
  c.Pen.Color = clBlack;
  c.Brush.Color = clSilver;
  c.RoundRect(0, 0, 20, 12, 8, 8);
  EXPECT_EQ(c.Pixel(0, 0), clWhite);  // cut off by the corner
  EXPECT_EQ(c.Pixel(10, 0), clBlack);
  EXPECT_EQ(c.Pixel(19, 6), clBlack);
  EXPECT_EQ(c.Pixel(20, 6), clWhite);
  EXPECT_EQ(c.Pixel(10, 6), clSilver);
  c.Brush.Color = clLime;
  c.Polygon({{0, 15}, {20, 15}, {0, 29}});
  EXPECT_EQ(c.Pixel(3, 18), clLime);
  EXPECT_EQ(c.Pixel(0, 15), clBlack);
  EXPECT_EQ(c.Pixel(19, 28), clWhite);
}

TEST(CanvasTest, StretchCopyScalesByNearestPixel) {
  QImage src(2, 1, QImage::Format_RGB32);
  src.setPixel(0, 0, qRgb(255, 0, 0));
  src.setPixel(1, 0, qRgb(0, 0, 255));
  QImage img(8, 2, QImage::Format_RGB32);
  img.fill(Qt::white);
  Canvas c(&img);
  c.StretchBlt(0, 0, 8, 2, src, 0, 0, 2, 1, SRCCOPY);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(c.Pixel(x, 1), clRed) << x;
  for (int x = 4; x < 8; ++x) EXPECT_EQ(c.Pixel(x, 1), clBlue) << x;
}

TEST(CanvasTest, PrefixUnderlinesTheNextCharacter) {
  QImage img(60, 20, QImage::Format_RGB32);
  Canvas c(&img);
  c.Font.SetHeight(-12);
  c.Font.SetColor(clBlack);
  c.Brush.Style = bsClear;
  auto inkRows = [&](const std::string& text, unsigned flags) {
    img.fill(Qt::white);
    TRect r = Rect(0, 0, 60, 20);
    c.DrawText(text, r, flags | DT_SINGLELINE);
    std::vector<int> rows;
    for (int y = 0; y < 20; ++y) {
      int n = 0;
      for (int x = 0; x < 60; ++x) n += c.Pixel(x, y) == clBlack;
      rows.push_back(n);
    }
    return rows;
  };
  const auto plain = inkRows("oo", DT_NOPREFIX);
  const auto marked = inkRows("&oo", 0);
  int extra = 0;
  for (int y = 0; y < 20; ++y) extra += marked[y] - plain[y];
  EXPECT_GE(extra, c.TextWidth("o") - 1);  // a line under the first "o" only
  EXPECT_LE(extra, c.TextWidth("o") * 2);
}

TEST(CanvasTest, WordBreakAndTabsLayOutLines) {
  QImage img(200, 60, QImage::Format_RGB32);
  img.fill(Qt::white);
  Canvas c(&img);
  c.Font.SetHeight(-11);
  const int h = c.TextHeight("x");
  TRect r = Rect(0, 0, 200, 0);
  c.DrawText("a\tb", r, DT_CALCRECT | DT_EXPANDTABS | DT_SINGLELINE);
  const int stop = r.Width() - c.TextWidth("b");
  EXPECT_GE(stop, c.TextWidth("a") + 1);
  TRect lines = Rect(0, 0, 200, 0);
  EXPECT_EQ(c.DrawText("one\r\ntwo\nthree", lines, DT_CALCRECT), 3 * h);
  EXPECT_EQ(lines.Width(), c.TextWidth("three"));
  // A word longer than the line still breaks at the next blank.
  TRect narrow = Rect(0, 0, 2, 0);
  EXPECT_EQ(c.DrawText("aaaa bbbb cc", narrow, DT_CALCRECT | DT_WORDBREAK), 3 * h);
  // Japanese text breaks between characters.
  TRect jp = Rect(0, 0, c.TextWidth("変換開") + 1, 0);
  EXPECT_EQ(c.DrawText("変換開始しました", jp, DT_CALCRECT | DT_WORDBREAK), 3 * h);
}

TEST(BitmapTest, TransparentDrawSkipsBottomLeftColour) {
  TBitmap glyph(2, 2);
  glyph.GetCanvas().SetPixel(0, 0, clRed);
  glyph.GetCanvas().SetPixel(1, 1, clRed);
  glyph.Transparent = true;  // bottom-left is white
  QImage img(4, 4, QImage::Format_RGB32);
  img.fill(Qt::black);
  Canvas c(&img);
  Draw(c, 1, 1, glyph);
  EXPECT_EQ(c.Pixel(1, 1), clRed);
  EXPECT_EQ(c.Pixel(2, 2), clRed);
  EXPECT_EQ(c.Pixel(1, 2), clBlack);
  EXPECT_EQ(c.Pixel(2, 1), clBlack);
}

TEST(FontTest, SubstitutesKeepPixelSizes) {
  TFont f;
  f.SetName("ＭＳ Ｐゴシック");
  f.SetHeight(-11);
  EXPECT_NE(SubstituteFace("ＭＳ Ｐゴシック"), "ＭＳ Ｐゴシック");
  EXPECT_EQ(f.ToQFont().pixelSize(), 11);
  EXPECT_EQ(SubstituteFace("Tahoma"), "DejaVu Sans");
  int changes = 0;
  f.OnChange = [&] { ++changes; };
  f.SetHeight(-11);
  f.SetStyle(fsBold);
  EXPECT_EQ(changes, 1);
}

}  // namespace
}  // namespace tarnick
