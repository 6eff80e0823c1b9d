#include <gtest/gtest.h>

#include "toolkit/Label.h"

namespace tarnick {
namespace {

TSize Extent(const TFont& font, const std::string& text) {
  Canvas probe(nullptr);
  probe.Font = font;
  TRect r = Rect(0, 0, 1000, 0);
  probe.DrawText(text, r, DT_CALCRECT | DT_EXPANDTABS);
  return TSize{r.Width(), r.Height()};
}

TEST(LabelTest, AutoSizeTakesTheCaptionsExtent) {
  TLabel l;
  l.SetBounds(100, 10, 65, 17);
  l.SetCaption("30 fps");
  const TSize e = Extent(l.Font(), "30 fps");
  EXPECT_EQ(l.Left(), 100);
  EXPECT_EQ(l.Width(), e.cx);
  EXPECT_EQ(l.Height(), e.cy);
  // Right-justified: the right edge stays.
  const int right = l.Left() + l.Width();
  l.SetAlignment(taRightJustify);
  l.SetCaption("2000 kbps");
  EXPECT_EQ(l.Left() + l.Width(), right);
  EXPECT_EQ(l.Width(), Extent(l.Font(), "2000 kbps").cx);
  // An empty caption is measured as one blank, so it keeps a height.
  l.SetCaption("");
  EXPECT_EQ(l.Height(), e.cy);
  EXPECT_GT(l.Width(), 0);
}

TEST(LabelTest, PaintsBackgroundTextAndTheDisabledLook) {
  TLabel l;
  l.SetAutoSize(false);
  l.SetBounds(0, 0, 60, 16);
  l.SetColor(clNavy);
  l.Font().SetColor(clYellow);
  l.SetCaption("Rate");
  auto count = [](const QImage& img, TColor c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) n += FromQColor(img.pixelColor(x, y)) == c;
    return n;
  };
  QImage img = l.Snapshot().copy();
  EXPECT_EQ(FromQColor(img.pixelColor(59, 15)), clNavy);
  EXPECT_GT(count(img, clYellow), 10);
  l.SetEnabled(false);
  img = l.Snapshot().copy();
  EXPECT_EQ(count(img, clYellow), 0);
  EXPECT_GT(count(img, ColorToRGB(clBtnShadow)), 10);
  EXPECT_GT(count(img, ColorToRGB(clBtnHighlight)), 0);
  // Transparent: nothing but the text is drawn.
  l.SetTransparent(true);
  img = l.Snapshot().copy();
  EXPECT_EQ(qAlpha(img.pixel(59, 15)), 0);
}

}  // namespace
}  // namespace tarnick
