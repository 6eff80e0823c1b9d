#include <gtest/gtest.h>
#include <QDir>
#include <QPainter>

#include "controls/Shadolbl.h"

namespace tarnick {
namespace {

bool Ink(const QImage& img, int x, int y) {
  return qAlpha(img.pixel(x, y)) != 0;
}
TColor At(const QImage& img, int x, int y) {
  return FromQColor(img.pixelColor(x, y));
}

// A field caption of the main window.
void FieldCaption(TShadowLabel& l, const std::string& caption) {
  l.SetAutoSize(false);
  l.SetTransparent(true);
  l.SetGradation(true);
  l.SetLayout(tlCenter);
  l.Highlight().SetShadowVisible(false);
  l.Font().SetName("ＭＳ Ｐゴシック");
  l.Font().SetHeight(-11);
  l.Font().SetColor(0x464646);
  l.SetBounds(0, 0, 80, 11);
  l.SetCaption(caption);
}

struct InkBox {
  int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
};
InkBox BoxOf(const QImage& img, TColor color) {
  InkBox b;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (Ink(img, x, y) && At(img, x, y) == color) {
        b.left = std::min(b.left, x);
        b.right = std::max(b.right, x);
        b.top = std::min(b.top, y);
        b.bottom = std::max(b.bottom, y);
      }
  return b;
}

TEST(ShadolblTest, FieldCaptionDrawsShadowThenTextWithoutBackground) {
  TShadowLabel l;
  FieldCaption(l, "Frame");
  const QImage img = l.Snapshot().copy();
  EXPECT_FALSE(Ink(img, 79, 0));  // no background although Gradation is on
  InkBox text = BoxOf(img, 0x464646), shadow = BoxOf(img, clSilver);
  ASSERT_GE(text.right, 0);
  ASSERT_GE(shadow.right, 0);
  EXPECT_EQ(shadow.right, text.right + 1);
  EXPECT_EQ(shadow.bottom, text.bottom + 1);
  // Every text pixel's lower-right neighbour is shadow or text: the
  // shadow lies under the text.
  for (int y = 0; y + 1 < img.height(); ++y)
    for (int x = 0; x + 1 < img.width(); ++x)
      if (Ink(img, x, y) && At(img, x, y) == 0x464646) {
        TColor n = At(img, x + 1, y + 1);
        EXPECT_TRUE(n == clSilver || n == 0x464646) << x << "," << y;
      }
  // Vertically centred: the block moved down by (11 - TH) div 2.
  Canvas probe(nullptr);
  probe.Font = l.Font();
  TRect r = Rect(0, 0, 80, 11);
  const int th = probe.DrawText("Frame", r, DT_CALCRECT | DT_EXPANDTABS);
  TShadowLabel top;
  FieldCaption(top, "Frame");
  top.SetLayout(tlTop);
  EXPECT_EQ(BoxOf(img, 0x464646).top - BoxOf(top.Snapshot(), 0x464646).top, (11 - th) / 2);

  l.SetAlignment(taRightJustify);
  InkBox right = BoxOf(l.Snapshot(), 0x464646), rightShadow = BoxOf(l.Snapshot(), clSilver);
  EXPECT_GE(right.right, 76);
  EXPECT_EQ(rightShadow.left, right.left + 1);  // both copies right-aligned
}

TEST(ShadolblTest, DisabledColours) {
  TShadowLabel l;
  FieldCaption(l, "Size");
  l.Highlight().SetShadowVisible(true);
  l.SetEnabled(false);
  const QImage img = l.Snapshot().copy();
  EXPECT_GE(BoxOf(img, clGray).right, 0);
  EXPECT_GE(BoxOf(img, ColorToRGB(clBtnShadow)).right, 0);
  InkBox hl = BoxOf(img, ColorToRGB(clBtnHighlight));
  ASSERT_GE(hl.right, 0);
  EXPECT_EQ(hl.left + 2, BoxOf(img, clGray).left);  // offsets -1 and +1
  EXPECT_EQ(BoxOf(img, 0x464646).right, -1);
}

TEST(ShadolblTest, CaptionTextRules) {
  TShadowLabel l;
  l.SetCaption("");
  EXPECT_EQ(l.LabelText(), " ");
  l.SetCaption("&");
  EXPECT_EQ(l.LabelText(), "& ");
  l.SetShowAccelChar(false);
  EXPECT_EQ(l.LabelText(), "&");
  EXPECT_EQ(l.DrawFlags(), DT_EXPANDTABS | DT_NOPREFIX);
  l.SetAlignment(taCenter);
  l.SetWordWrap(true);
  l.SetEllipsis(elPath);
  EXPECT_EQ(l.DrawFlags(),
            DT_CENTER | DT_EXPANDTABS | DT_WORDBREAK | DT_NOPREFIX | DT_PATH_ELLIPSIS);
}

// The colour of each character cell's ink, left to right.
std::vector<TColor> CellColours(TShadowLabel& l, const std::vector<std::string>& chars) {
  const QImage img = l.Snapshot().copy();
  Canvas probe(nullptr);
  probe.Font = l.Font();
  std::vector<TColor> out;
  int x = 0;
  for (const std::string& ch : chars) {
    int w = probe.TextWidth(ch);
    TColor seen = 0xFFFFFFFF;
    for (int y = 0; y < img.height(); ++y)
      for (int i = x; i < x + w && i < img.width(); ++i)
        if (Ink(img, i, y)) {
          TColor c = At(img, i, y);
          if (seen != 0xFFFFFFFF && seen != c) return {};  // one colour per character
          seen = c;
        }
    out.push_back(seen);
    x += w;
  }
  return out;
}

void Gradient(TShadowLabel& l, const std::string& caption, TTextGradation g) {
  l.SetTransparent(true);
  l.Shadow().SetShadowVisible(false);
  l.Highlight().SetShadowVisible(false);
  l.Font().SetName("ＭＳ Ｐゴシック");
  l.Font().SetHeight(-16);
  l.Font().SetColor(clBlack);
  l.SetTextGradation(g);
  l.SetCaption(caption);
}

TEST(ShadolblTest, TwoColourTextRunsOverFiveCharacters) {
  TShadowLabel l;
  Gradient(l, "MMMMM", tg2Colors);
  EXPECT_EQ(CellColours(l, {"M", "M", "M", "M", "M"}),
            (std::vector<TColor>{RGB(0, 0, 0), RGB(32, 0, 0), RGB(64, 0, 0), RGB(96, 0, 0),
                                 RGB(128, 0, 0)}));
  // One character: plain text colour whatever the gradation.
  l.SetCaption("M");
  l.Font().SetColor(clGreen);
  EXPECT_EQ(CellColours(l, {"M"}), std::vector<TColor>{clGreen});
}

TEST(ShadolblTest, ThreeColoursSplitAfterTheLeadByte) {
  TShadowLabel l;
  Gradient(l, "保存先", tg3Colors);
  l.SetTextMidColor(clBlue);
  l.SetTextGradationColor(clRed);
  EXPECT_EQ(CellColours(l, {"保", "存", "先"}), (std::vector<TColor>{clBlack, clBlue, clRed}));
  // Five single bytes: mid byte 2, so "AB" then "CDE" from the middle colour.
  Gradient(l, "ABCDE", tg3Colors);
  l.SetTextMidColor(RGB(0, 0, 200));
  l.SetTextGradationColor(RGB(200, 0, 0));
  EXPECT_EQ(CellColours(l, {"A", "B", "C", "D", "E"}),
            (std::vector<TColor>{clBlack, RGB(0, 0, 200), RGB(0, 0, 200), RGB(100, 0, 100),
                                 RGB(200, 0, 0)}));
  auto chars = SplitChars("aｱ保");
  ASSERT_EQ(chars.size(), 3u);
  EXPECT_EQ(chars[0].Width + chars[1].Width + chars[2].Width, 4);
}

TEST(ShadolblTest, VerticalGradientRows) {
  TShadowLabel l;
  l.SetAutoSize(false);
  l.SetBounds(0, 0, 30, 11);
  l.SetCaption(" ");
  l.Shadow().SetShadowVisible(false);
  l.Highlight().SetShadowVisible(false);
  l.SetGradation(true);
  l.SetGradateVert(true);
  l.SetGradationColor(clBlack);
  l.SetColor(clWhite);
  const int rows[] = {0, 25, 51, 76, 102, 127, 153, 178, 204, 229, 255};
  for (bool flickerless : {true, false}) {
    l.Flickerless = flickerless;
    const QImage img = l.Snapshot().copy();
    for (int y = 0; y < 11; ++y) {
      EXPECT_EQ(At(img, 29, y), RGB(rows[y], rows[y], rows[y])) << y;
      EXPECT_EQ(At(img, 0, y), At(img, 29, y));
    }
  }
  // One pixel long: all GradationColor.
  l.SetBounds(0, 0, 30, 1);
  EXPECT_EQ(At(l.Snapshot(), 20, 0), clBlack);
  l.SetGradateVert(false);
  l.SetBounds(0, 0, 1, 11);
  EXPECT_EQ(At(l.Snapshot(), 0, 10), clBlack);
}

TEST(ShadolblTest, HorizontalGradRectOnAStrip) {
  QImage img(101, 45, QImage::Format_RGB32);
  Canvas c(&img);
  GradRect(c, Rect(0, 0, 101, 45), clBlack, RGB(200, 100, 0), false);
  for (int y : {0, 22, 44}) {
    EXPECT_EQ(At(img, 0, y), clBlack);
    EXPECT_EQ(At(img, 50, y), RGB(100, 50, 0));
    EXPECT_EQ(At(img, 33, y), RGB(66, 33, 0));
    EXPECT_EQ(At(img, 100, y), RGB(200, 100, 0));
  }
  TBitmap none(0, 0);
  GradBitmap(none, clBlack, clWhite, true);  // nothing to do, no fault
  int r, g, b;
  GetRGB(clBtnFace, r, g, b);
  EXPECT_EQ(RGB(r, g, b), ColorToRGB(clBtnFace));
}

TEST(ShadolblTest, ShadowObjectsReportChanges) {
  TShadow s;
  int changes = 0;
  s.OnChange = [&](TShadow*) { ++changes; };
  s.SetShadowColor(clSilver);  // unchanged
  s.SetShadowLeft(1);
  s.SetShadowVisible(false);
  s.SetShadowTop(3);
  EXPECT_EQ(changes, 2);
  TShadow other;
  s.Assign(other);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(s.OffsetTop(), 1);

  TShadowLabel l;
  EXPECT_EQ(l.Highlight().Color(), clWhite);
  EXPECT_EQ(l.Highlight().OffsetLeft(), -1);
  EXPECT_EQ(l.Shadow().Color(), clSilver);
  l.SetHighlight(nullptr);
  EXPECT_EQ(l.Highlight().Color(), clWhite);
  l.SetShadow(&s);
  EXPECT_TRUE(l.Shadow().Visible());
  l.Snapshot();
  l.Shadow().SetShadowTop(4);
  EXPECT_FALSE(l.PendingRegion().isEmpty());
}

TEST(ShadolblTest, RendersToArtifact) {
  QImage out(200, 70, QImage::Format_RGB32);
  out.fill(QColor(0xC8, 0xC8, 0xC8));
  QPainter p(&out);
  TShadowLabel caption;
  FieldCaption(caption, "保存先フォルダ");
  p.drawImage(4, 4, caption.Snapshot());
  TShadowLabel grad;
  Gradient(grad, "保存先フォルダ", tg3Colors);
  p.drawImage(4, 20, grad.Snapshot());
  TShadowLabel back;
  back.SetAutoSize(false);
  back.SetBounds(0, 0, 190, 24);
  back.SetGradation(true);
  back.SetGradationColor(clNavy);
  back.SetColor(clAqua);
  back.Font().SetHeight(-16);
  back.SetCaption("Tarnick");
  p.drawImage(4, 42, back.Snapshot());
  p.end();
  QDir().mkpath(TARNICK_ARTIFACT_DIR);
  EXPECT_TRUE(out.save(QString(TARNICK_ARTIFACT_DIR) + "/Shadolbl.png"));

  const QRgb ground = qRgb(0xC8, 0xC8, 0xC8), text = qRgb(0x46, 0x46, 0x46);
  const QRgb silver = qRgb(192, 192, 192);
  auto count = [&](QRect area, QRgb c) {
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x) n += out.pixel(x, y) == c;
    return n;
  };
  // The field caption, transparent: text in 0x464646 over a clSilver copy
  // one pixel right and down; the ground shows through everywhere else.
  const QRect first(4, 4, 80, 11);
  EXPECT_GT(count(first, text), 20);
  EXPECT_GT(count(first, silver), 10);
  EXPECT_EQ(count(first, text) + count(first, silver) + count(first, ground), 80 * 11);
  for (int y = first.top(); y < first.bottom(); ++y)
    for (int x = first.left(); x < first.right(); ++x)
      if (out.pixel(x, y) == text && out.pixel(x + 1, y + 1) != text) {
        EXPECT_EQ(out.pixel(x + 1, y + 1), silver) << x << "," << y;
      }
  // The three-colour text, black to clNavy to clMaroon: "保存先フォルダ" splits
  // after its fifth character, so the first is black, the sixth clNavy and
  // the last clMaroon.
  const QRgb navy = qRgb(0, 0, 128), maroon = qRgb(128, 0, 0);
  int leftmost = 1 << 20, rightmost = -1;
  QRgb leftInk = 0, rightInk = 0;
  for (int y = 20; y < 40; ++y)
    for (int x = 4; x < 200; ++x) {
      const QRgb c = out.pixel(x, y);
      if (c == ground) continue;
      if (x < leftmost) leftmost = x, leftInk = c;
      if (x > rightmost) rightmost = x, rightInk = c;
    }
  EXPECT_EQ(leftInk, qRgb(0, 0, 0));
  EXPECT_EQ(rightInk, maroon);
  EXPECT_GT(count(QRect(4, 20, 196, 20), navy), 5);
  // The opaque label: a horizontal gradient from clNavy at the left to clAqua
  // at the right, 190 wide: column x has green 255 x / 189 and blue
  // 128 + 127 x / 189 (row 23 lies below the text).
  for (int x : {0, 94, 189})
    EXPECT_EQ(out.pixel(4 + x, 42 + 23), qRgb(0, 255 * x / 189, 128 + 127 * x / 189)) << x;
  EXPECT_EQ(out.pixel(4 + 150, 42 + 5), qRgb(0, 255 * 150 / 189, 128 + 127 * 150 / 189));
  EXPECT_EQ(out.pixel(4 + 190, 42 + 23), ground);
}

}  // namespace
}  // namespace tarnick
