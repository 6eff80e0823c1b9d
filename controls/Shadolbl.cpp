#include "controls/Shadolbl.h"

#include <QString>
#include <algorithm>

namespace tarnick {

// ---------------------------------------------------------------- shadow

void TShadow::Changed() {
  if (OnChange) OnChange(this);
}

void TShadow::SetShadowVisible(bool v) {
  if (v == FVisible) return;
  FVisible = v;
  Changed();
}

void TShadow::SetShadowColor(TColor c) {
  if (c == FColor) return;
  FColor = c;
  Changed();
}

void TShadow::SetShadowLeft(int v) {
  if (v == FOffsetLeft) return;
  FOffsetLeft = v;
  Changed();
}

void TShadow::SetShadowTop(int v) {
  if (v == FOffsetTop) return;
  FOffsetTop = v;
  Changed();
}

void TShadow::Assign(const TShadow& source) {
  FVisible = source.FVisible;
  FColor = source.FColor;
  FOffsetLeft = source.FOffsetLeft;
  FOffsetTop = source.FOffsetTop;
  Changed();
}

// ---------------------------------------------------------------- gradients

void GetRGB(TColor color, int& r, int& g, int& b) {
  const TColor c = ColorToRGB(color);
  r = GetRValue(c);
  g = GetGValue(c);
  b = GetBValue(c);
}

namespace {

// c1 + d * k / n per channel, truncated toward zero (exact, in integers).
TColor Between(TColor c1, TColor c2, int k, int n) {
  int r1, g1, b1, r2, g2, b2;
  GetRGB(c1, r1, g1, b1);
  GetRGB(c2, r2, g2, b2);
  if (n <= 0) return RGB(r1, g1, b1);
  return RGB(r1 + (r2 - r1) * k / n, g1 + (g2 - g1) * k / n, b1 + (b2 - b1) * k / n);
}

}  // namespace

void GradBitmap(TBitmap& bitmap, TColor c1, TColor c2, bool vertical) {
  const int h = bitmap.Height(), w = bitmap.Width();
  if (h < 1 || w < 1) return;
  Canvas& c = bitmap.GetCanvas();
  if (vertical) {
    for (int y = 0; y < h; ++y) c.SetPixel(0, y, Between(c1, c2, y, h - 1));
    if (w > 1) {
      const QImage column = bitmap.Image().copy(0, 0, 1, h);
      c.StretchBlt(0, 0, w, h, column, 0, 0, 1, h, SRCCOPY);
    }
  } else {
    for (int x = 0; x < w; ++x) c.SetPixel(x, 0, Between(c1, c2, x, w - 1));
    const QImage row = bitmap.Image().copy(0, 0, w, 1);
    for (int y = 1; y < h; ++y) c.BitBlt(0, y, w, 1, row, 0, 0, SRCCOPY);
  }
}

void GradRect(Canvas& canvas, const TRect& r, TColor c1, TColor c2, bool vertical) {
  if (r.Width() < 1 || r.Height() < 1) return;
  TBitmap strip = vertical ? TBitmap(1, r.Height()) : TBitmap(r.Width(), r.Height() / 20 + 1);
  GradBitmap(strip, c1, c2, vertical);
  canvas.CopyMode = SRCCOPY;
  canvas.StretchBlt(r.Left, r.Top, r.Width(), r.Height(), strip.Image(), 0, 0, strip.Width(),
                    strip.Height(), SRCCOPY);
}

std::vector<TextChar> SplitChars(const std::string& text) {
  std::vector<TextChar> out;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t len = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    len = std::min(len, text.size() - i);
    std::string bytes = text.substr(i, len);
    const char32_t cp = QString::fromStdString(bytes).toUcs4().value(0);
    const bool single = cp < 0x80 || (cp >= 0xFF61 && cp <= 0xFF9F);
    out.push_back({bytes, single ? 1 : 2});
    i += len;
  }
  return out;
}

// ---------------------------------------------------------------- label

TShadowLabel::TShadowLabel(QWidget* owner) : TLabel(owner) {
  FHighlight.SetShadowColor(clWhite);
  FHighlight.SetShadowLeft(-1);
  FHighlight.SetShadowTop(-1);
  FHighlight.OnChange = [this](TShadow*) { ShadowChanged(); };
  FShadow.OnChange = [this](TShadow*) { ShadowChanged(); };
}

TShadowLabel::~TShadowLabel() {
  FHighlight.OnChange = nullptr;
  FShadow.OnChange = nullptr;
}

void TShadowLabel::SetEllipsis(TEllipsis e) {
  if (e == FEllipsis) return;
  FEllipsis = e;
  Invalidate();
}

void TShadowLabel::SetGradateVert(bool v) {
  if (v == FGradateVert) return;
  FGradateVert = v;
  Invalidate();
}

void TShadowLabel::SetGradation(bool v) {
  if (v == FGradation) return;
  FGradation = v;
  Invalidate();
}

void TShadowLabel::SetGradationColor(TColor c) {
  if (c == FGradationColor) return;
  FGradationColor = c;
  Invalidate();
}

void TShadowLabel::SetHighlight(const TShadow* s) {
  if (!s) return;
  FHighlight.Assign(*s);
  Invalidate();
}

void TShadowLabel::SetShadow(const TShadow* s) {
  if (!s) return;
  FShadow.Assign(*s);
  Invalidate();
}

void TShadowLabel::SetTextGradation(TTextGradation g) {
  if (g == FTextGradation) return;
  FTextGradation = g;
  Invalidate();
}

void TShadowLabel::SetTextGradationColor(TColor c) {
  if (c == FTextGradationColor) return;
  FTextGradationColor = c;
  if (FTextGradation != tgNone) Invalidate();
}

void TShadowLabel::SetTextMidColor(TColor c) {
  if (c == FTextMidColor) return;
  FTextMidColor = c;
  if (FTextGradation == tg3Colors) Invalidate();
}

unsigned TShadowLabel::DrawFlags() const {
  unsigned flags = AlignmentFlags(Alignment()) | DT_EXPANDTABS;
  if (WordWrap()) flags |= DT_WORDBREAK;
  if (!ShowAccelChar()) flags |= DT_NOPREFIX;
  if (FEllipsis == elEnd) flags |= DT_END_ELLIPSIS;
  if (FEllipsis == elPath) flags |= DT_PATH_ELLIPSIS;
  return flags;
}

void TShadowLabel::GradientRun(Canvas& c, const std::vector<TextChar>& s, TColor c1, TColor c2,
                               int& x, const TRect& r, unsigned flags) {
  const int n = static_cast<int>(s.size());
  if (n == 0) return;
  if (n == 1) {
    TRect cell = Rect(x, r.Top, r.Right, r.Bottom);
    c.Font.SetColor(ColorToRGB(c1));
    c.DrawText(s[0].Bytes, cell, flags);
    x += c.TextWidth(s[0].Bytes);
    return;
  }
  // Outline fonts have no overhang.
  const int overhang = 0;
  for (int k = 0; k < n; ++k) {
    c.Font.SetColor(Between(c1, c2, k, n - 1));
    TRect cell = Rect(x, r.Top, x + (c.TextWidth(s[k].Bytes) - overhang), r.Bottom);
    c.DrawText(s[k].Bytes, cell, flags);
    x = cell.Right;
  }
}

void TShadowLabel::Paint() {
  // The text; an empty caption or a lone accelerator mark gets a blank.
  const std::string text = LabelText();
  const unsigned flags = DrawFlags();
  // The drawing surface.
  const bool offscreen = Flickerless && !Transparent();
  TBitmap bmp;
  if (offscreen) bmp.SetSize(std::max(1, Width()), std::max(1, Height()));
  Canvas& c = offscreen ? bmp.GetCanvas() : GetCanvas();
  // The background.
  TRect r = ClientRect();
  if (!Transparent()) {
    if (!FGradation) {
      c.Brush.Color = Color();
      c.Brush.Style = bsSolid;
      c.FillRect(r);
    } else if (Flickerless) {
      GradBitmap(bmp, FGradationColor, Color(), FGradateVert);
    } else {
      GradRect(c, r, FGradationColor, Color(), FGradateVert);
    }
  }
  // Font, clear brush.
  c.Font = Font();
  c.Brush.Style = bsClear;
  // Measure and lay out.
  TRect calc = r;
  const int th = c.DrawText(text, calc, flags | DT_CALCRECT);
  r = ClientRect();
  if (Layout() == tlCenter) r.Offset(0, (Height() - th) / 2);
  if (Layout() == tlBottom) r.Offset(0, Height() - th);
  // The copies' rectangles and the colours.
  TRect hr = r, sr = r;
  hr.Offset(FHighlight.OffsetLeft(), FHighlight.OffsetTop());
  sr.Offset(FShadow.OffsetLeft(), FShadow.OffsetTop());
  const bool enabled = Enabled();
  const TColor shadowColor = enabled ? FShadow.Color() : clGray;
  const TColor highlightColor = enabled ? FHighlight.Color() : clBtnHighlight;
  const TColor textColor = enabled ? Font().Color() : clBtnShadow;
  // Shadow, then highlight.
  if (FShadow.Visible()) {
    c.Font.SetColor(shadowColor);
    c.DrawText(text, sr, flags);
  }
  if (FHighlight.Visible()) {
    c.Font.SetColor(highlightColor);
    c.DrawText(text, hr, flags);
  }
  // The text, with a gradient over two or more characters.
  const std::vector<TextChar> chars = SplitChars(text);
  const int n = static_cast<int>(chars.size());
  if (FTextGradation != tgNone && n > 1) {
    int x = r.Left;
    const TColor first = Font().Color();
    if (FTextGradation == tg2Colors || n == 2) {
      GradientRun(c, chars, first, FTextGradationColor, x, r, flags);
    } else {
      // Split after the character holding byte (bytes / 2), counted from 1.
      int bytes = 0;
      for (const TextChar& ch : chars) bytes += ch.Width;
      const int mid = bytes / 2;
      std::size_t split = 0;
      for (int seen = 0; split < chars.size() && seen < mid; ++split) seen += chars[split].Width;
      std::vector<TextChar> head(chars.begin(), chars.begin() + split);
      std::vector<TextChar> tail(chars.begin() + split, chars.end());
      GradientRun(c, head, first, FTextMidColor, x, r, flags);
      if (tail.size() == 1)
        GradientRun(c, tail, FTextGradationColor, FTextGradationColor, x, r, flags);
      else
        GradientRun(c, tail, FTextMidColor, FTextGradationColor, x, r, flags);
    }
  } else {
    c.Font.SetColor(textColor);
    c.DrawText(text, r, flags);
  }
  // One copy onto the control.
  if (offscreen) GetCanvas().BitBlt(0, 0, Width(), Height(), bmp.Image(), 0, 0, SRCCOPY);
}

}  // namespace tarnick
