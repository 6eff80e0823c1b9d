#include "controls/Dxfprogressbar.h"

#include <cmath>
#include <cstdint>

namespace tarnick {

TdxfProgressBar::TdxfProgressBar(QWidget* parent) : TCustomControl(parent) {
  SetTabStop(false);
  setFocusPolicy(Qt::NoFocus);
  SetParentColor(true);
  resize(150, 16);
}

void TdxfProgressBar::SetMin(int value) {
  if (value == FMin || value > FMax) return;
  FMin = value;
  Repaint();
}

void TdxfProgressBar::SetMax(int value) {
  if (value == FMax || value < FMin) return;
  FMax = value;
  Repaint();
}

void TdxfProgressBar::SetPosition(int value) {
  if (value == FPosition) return;
  const int old = FPosition;
  FPosition = value;
  InvalidatePosition(old);
  if (FShowText) InvalidateText();
}

void TdxfProgressBar::SetOrientation(TdxfPBOrientation value) {
  if (value == FOrientation) return;
  FOrientation = value;
  Repaint();
}

void TdxfProgressBar::SetStyle(TdxfPBStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  Repaint();
}

void TdxfProgressBar::SetBeginColor(TColor value) {
  if (value == FBeginColor) return;
  FBeginColor = value;
  if (FStyle != sPictures) Repaint();
}

void TdxfProgressBar::SetEndColor(TColor value) {
  if (value == FEndColor) return;
  FEndColor = value;
  if (FStyle == sExSolid || FStyle == sExRectangles) Repaint();
}

void TdxfProgressBar::SetBevelOuter(TdxfBevelOuter value) {
  if (value == FBevelOuter) return;
  FBevelOuter = value;
  Repaint();
}

void TdxfProgressBar::SetBarBevelOuter(TdxfBevelOuter value) {
  if (value == FBarBevelOuter) return;
  FBarBevelOuter = value;
  Repaint();
}

void TdxfProgressBar::SetShowText(bool value) {
  if (value == FShowText) return;
  FShowText = value;
  Repaint();
}

void TdxfProgressBar::SetShowTextStyle(TdxfShowTextStyle value) {
  if (value == FShowTextStyle) return;
  FShowTextStyle = value;
  if (FShowText) Repaint();
}

void TdxfProgressBar::SetGlyph(const TBitmap& glyph) {
  FGlyph = glyph;
  if (!FGlyph.Empty()) {
    if (FOrientation == orVertical)
      SetWidth(FGlyph.Width() + 4);
    else
      SetHeight(FGlyph.Height() + 4);
    FGlyph.Transparent = FTransparentGlyph;
  }
  if (FStyle == sPictures) Repaint();
}

void TdxfProgressBar::SetTransparentGlyph(bool value) {
  if (value == FTransparentGlyph) return;
  FTransparentGlyph = value;
  FGlyph.Transparent = value;
  Repaint();
}

void TdxfProgressBar::Loaded() {
  TCustomControl::Loaded();
  if (!FGlyph.Empty()) FGlyph.Transparent = FTransparentGlyph;
  Repaint();
}

int TdxfProgressBar::Scaled(int v, int length) const {
  const std::int64_t span = std::int64_t(FMax) - FMin;
  // An empty range counts as full once the position passes it.
  if (span == 0) return v > FMin ? length : 0;
  return int(std::trunc(double((std::int64_t(v) - FMin) * length) / double(span)));
}

TColor TdxfProgressBar::GradientColor(int d, int s) const {
  auto channel = [&](int shift) {
    const int b = int((FBeginColor >> shift) & 0xFF), e = int((FEndColor >> shift) & 0xFF);
    if (s == 0) return b;
    return int(std::trunc(double(std::int64_t(d) * (e - b)) / s + b)) & 0xFF;
  };
  return TColor(channel(0)) | (TColor(channel(8)) << 8) | (TColor(channel(16)) << 16);
}

std::string TdxfProgressBar::Text() const {
  if (FShowTextStyle == stsPosition) return std::to_string(FPosition);
  const std::int64_t num = (std::int64_t(FPosition) - FMin) * 100;
  const std::int64_t den = std::int64_t(FMax) - FMin;
  std::int64_t q = 0;
  if (den != 0) {
    // Nearest integer, an exact half to the even neighbour.
    q = num / den;
    std::int64_t r = num % den;
    if (r < 0) {
      --q;
      r += den;
    }
    if (2 * r > den || (2 * r == den && q % 2 != 0)) ++q;
  } else {
    q = FPosition > FMin ? 100 : 0;
  }
  return std::to_string(q) + " %";
}

void TdxfProgressBar::Bevel(Canvas& c, const TRect& r, TdxfBevelOuter kind) const {
  if (kind == bvNone) return;
  const unsigned edge = kind == bvLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER;
  c.DrawEdge(r, edge, BF_TOPLEFT);
  c.DrawEdge(r, edge, BF_BOTTOMRIGHT);
}

void TdxfProgressBar::DrawBar(Canvas& c, const TRect& R, TRect B) const {
  const bool horizontal = FOrientation == orHorizontal;
  auto block = [&](const TRect& r, TColor color) {
    c.Brush.Style = bsSolid;
    c.Brush.Color = color;
    c.FillRect(r);
    if (!r.IsEmpty()) Bevel(c, r, FBarBevelOuter);
  };
  const bool gradient = FStyle == sExRectangles;
  switch (FStyle) {
    case sSolid:
      block(B, FBeginColor);
      break;
    case sExSolid:
      c.Pen.Width = 1;
      c.Pen.Style = psSolid;
      if (horizontal) {
        for (int x = B.Left; x < B.Right; ++x) {
          c.Pen.Color = GradientColor(x - R.Left, R.Width());
          c.MoveTo(x, B.Top);
          c.LineTo(x, B.Bottom);
        }
      } else {
        for (int y = B.Bottom - 1; y >= B.Top; --y) {
          c.Pen.Color = GradientColor(B.Bottom - y, R.Height());
          c.MoveTo(B.Left, y);
          c.LineTo(B.Right, y);
        }
      }
      if (!B.IsEmpty()) Bevel(c, B, FBarBevelOuter);
      break;
    case sRectangles:
    case sExRectangles: {
      const int thickness = horizontal ? R.Height() : R.Width();
      const int cell = int(std::trunc(2.0 * thickness / 3.0)) + 2;
      // With no whole block drawn, a final block fills the bar.
      if (horizontal) {
        int last = B.Left;
        for (int x = B.Left; x < B.Right; ++x) {
          if (x != B.Left && (x - B.Left) % cell == 0) {
            block(TRect{x - cell, B.Top, x - 2, B.Bottom},
                  gradient ? GradientColor(x - R.Left, R.Width()) : FBeginColor);
            last = x;
          }
        }
        if (FPosition >= FMax)
          block(TRect{last, B.Top, B.Right, B.Bottom},
                gradient ? GradientColor(last - R.Left, R.Width()) : FBeginColor);
      } else {
        int last = B.Bottom;
        for (int y = B.Bottom - 1; y >= B.Top; --y) {
          if (y != B.Bottom - 1 && (B.Bottom - 1 - y) % cell == 0) {
            block(TRect{B.Left, y + 2, B.Right, y + cell},
                  gradient ? GradientColor(B.Bottom - y, R.Height()) : FBeginColor);
            last = y;
          }
        }
        if (FPosition >= FMax)
          block(TRect{B.Left, B.Top, B.Right, last},
                gradient ? GradientColor(B.Bottom - last, R.Height()) : FBeginColor);
      }
      break;
    }
    case sPictures: {
      if (FGlyph.Empty()) break;
      const int gw = FGlyph.Width(), gh = FGlyph.Height();
      if (horizontal) {
        int last = B.Left;
        for (int x = B.Left; x < B.Right; ++x) {
          if (x != B.Left && (x - B.Left) % gw == 0) {
            Draw(c, x - gw, B.Top, FGlyph);
            last = x;
          }
        }
        if (FPosition == FMax) Draw(c, last, B.Top, FGlyph);
      } else {
        int last = B.Bottom - 1;
        for (int y = B.Bottom - 1; y >= B.Top; --y) {
          if (y != B.Bottom - 1 && (B.Bottom - 1 - y) % gh == 0) {
            Draw(c, B.Left, y, FGlyph);
            last = y;
          }
        }
        if (FPosition == FMax) Draw(c, B.Left, last - gh, FGlyph);
      }
      break;
    }
  }
}

void TdxfProgressBar::DrawText(Canvas& c) const {
  const std::string text = Text();
  c.Font = Font();
  c.Font.SetOrientation(0);
  const TSize ext = c.TextExtent(text);
  c.Brush.Style = bsClear;
  if (FOrientation == orHorizontal) {
    c.TextOut((Width() - ext.cx) / 2, (Height() - ext.cy) / 2, text);
  } else {
    // Every face here is scalable, so it turns as it is.
    c.Font.SetOrientation(2700);
    c.TextOut((Width() - ext.cy) / 2 + ext.cy, (Height() - ext.cx) / 2, text);
  }
  c.Brush.Style = bsSolid;
}

void TdxfProgressBar::Paint() {
  TBitmap buffer(Width(), Height());
  Canvas& c = buffer.GetCanvas();
  TRect R = ClientRect();
  c.Brush.Style = bsSolid;
  c.Brush.Color = Color();
  c.FillRect(R);
  Bevel(c, R, FBevelOuter);
  if (FBevelOuter != bvNone) R.Inflate(-2, -2);
  TRect B = R;
  if (FPosition != FMin) {
    if (FOrientation == orHorizontal) {
      B.Right = R.Left + Scaled(FPosition, R.Width());
      if (B.Right > R.Right) B.Right = R.Right;
    } else {
      B.Top = R.Bottom - Scaled(FPosition, R.Height());
      if (B.Top < R.Top) B.Top = R.Top;
    }
    DrawBar(c, R, B);
  }
  if (FShowText) DrawText(c);
  GetCanvas().BitBlt(0, 0, Width(), Height(), buffer.Image(), 0, 0, SRCCOPY);
}

void TdxfProgressBar::InvalidatePosition(int oldPosition) {
  const TRect K = ClientRect();
  TRect U = K;
  const bool horizontal = FOrientation == orHorizontal;
  const int length = horizontal ? K.Width() : K.Height();
  const int lo = std::min(oldPosition, FPosition), hi = std::max(oldPosition, FPosition);
  if (horizontal) {
    U.Left = K.Left + Scaled(lo, length) - 2;
    U.Right = K.Left + Scaled(hi, length) + 2;
  } else {
    U.Top = K.Bottom - Scaled(hi, length) - 2;
    U.Bottom = K.Bottom - Scaled(lo, length) + 2;
  }
  if (FStyle == sRectangles || FStyle == sExRectangles || FStyle == sPictures) {
    if (horizontal) {
      const int d =
          FStyle == sPictures ? FGlyph.Width() : int(std::trunc(2.0 * U.Height() / 3.0)) + 2;
      U.Left -= d;
      U.Right += d;
    } else {
      const int d =
          FStyle == sPictures ? FGlyph.Height() : int(std::trunc(2.0 * U.Width() / 3.0)) + 2;
      U.Top -= d;
      U.Bottom += d;
    }
  }
  if (U.Left != U.Right && U.Top != U.Bottom) InvalidateRect(U);
  Update();
}

void TdxfProgressBar::InvalidateText() {
  const std::string widest = FShowTextStyle == stsPosition ? std::to_string(FMax) : "100 %";
  const TSize ext = MeasureText(Font(), widest);
  TRect box;
  if (FOrientation == orHorizontal)
    box = Bounds((Width() - ext.cx) / 2, (Height() - ext.cy) / 2, ext.cx, ext.cy);
  else
    box = Bounds((Width() - ext.cy) / 2, (Height() - ext.cx) / 2, ext.cy, ext.cx);
  if (!box.IsEmpty()) InvalidateRect(box);
}

}  // namespace tarnick
