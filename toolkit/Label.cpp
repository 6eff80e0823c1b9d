#include "toolkit/Label.h"

namespace tarnick {

unsigned AlignmentFlags(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify:
      return DT_RIGHT;
    case taCenter:
      return DT_CENTER;
    default:
      return DT_LEFT;
  }
}

TCustomLabel::TCustomLabel(QWidget* parent) : TGraphicControl(parent) {
  SetParentColor(true);
  SetBounds(Left(), Top(), 65, 17);
}

void TCustomLabel::SetCaption(const std::string& caption) {
  if (caption == FCaption) return;
  FCaption = caption;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetAlignment(TAlignment alignment) {
  if (alignment == FAlignment) return;
  FAlignment = alignment;
  Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout layout) {
  if (layout == FLayout) return;
  FLayout = layout;
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool wrap) {
  if (wrap == FWordWrap) return;
  FWordWrap = wrap;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool show) {
  if (show == FShowAccelChar) return;
  FShowAccelChar = show;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetTransparent(bool transparent) {
  if (transparent == FTransparent) return;
  FTransparent = transparent;
  Invalidate();
}

void TCustomLabel::SetAutoSize(bool autoSize) {
  if (autoSize == FAutoSize) return;
  FAutoSize = autoSize;
  AdjustBounds();
}

void TCustomLabel::CMFontChanged() {
  AdjustBounds();
  Invalidate();
}

std::string TCustomLabel::LabelText() const {
  if (FCaption.empty() || (FShowAccelChar && FCaption == "&")) return FCaption + " ";
  return FCaption;
}

void TCustomLabel::AdjustBounds() {
  if (!FAutoSize || Loading()) return;
  TRect r = ClientRect();
  DoDrawText(r, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0));
  int x = Left();
  if (FAlignment == taRightJustify) x += Width() - r.Right;
  SetBounds(x, Top(), r.Right, r.Bottom);
}

void TCustomLabel::DoDrawText(TRect& r, unsigned flags) {
  Canvas& c = GetCanvas();
  if (!FShowAccelChar) flags |= DT_NOPREFIX;
  c.Font = Font();
  c.Brush.Style = bsClear;
  const std::string text = LabelText();
  if (flags & DT_CALCRECT) {
    c.DrawText(text, r, flags);
    return;
  }
  if (!Enabled()) {
    r.Offset(1, 1);
    c.Font.SetColor(clBtnHighlight);
    c.DrawText(text, r, flags);
    r.Offset(-1, -1);
    c.Font.SetColor(clBtnShadow);
  }
  c.DrawText(text, r, flags);
}

void TCustomLabel::Paint() {
  Canvas& c = GetCanvas();
  if (!FTransparent) {
    c.Brush.Color = Color();
    c.Brush.Style = bsSolid;
    c.FillRect(ClientRect());
  }
  c.Brush.Style = bsClear;
  TRect r = ClientRect();
  const unsigned style =
      DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) | AlignmentFlags(FAlignment);
  if (FLayout != tlTop) {
    TRect calc = r;
    DoDrawText(calc, style | DT_CALCRECT);
    r.Offset(0, FLayout == tlBottom ? Height() - calc.Bottom : (Height() - calc.Bottom) / 2);
  }
  DoDrawText(r, style);
}

}  // namespace tarnick
