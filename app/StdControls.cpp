#include "app/StdControls.h"

#include <QFontMetrics>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>

namespace tarnick {

void Frame3D(Canvas& c, TRect& r, TColor top, TColor bottom) {
  const int l = r.Left, t = r.Top, rt = r.Right - 1, b = r.Bottom - 1;
  c.Pen.Width = 1;
  c.Pen.Style = psSolid;
  c.Pen.Color = top;
  c.Polyline({{l, b}, {l, t}, {rt, t}});
  c.Pen.Color = bottom;
  c.Polyline({{rt, t}, {rt, b}, {l - 1, b}});
  r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
}

TWinPanel::TWinPanel(QWidget* parent) : TCustomControl(parent) {
  SetTabStop(false);
}

void TWinPanel::Paint() {
  Canvas& c = GetCanvas();
  TRect r = ClientRect();
  auto frame = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    TColor hi = clBtnHighlight, sh = clBtnShadow;
    if (cut == bvLowered) std::swap(hi, sh);
    Frame3D(c, r, hi, sh);
  };
  frame(BevelOuter);
  frame(BevelInner);
  c.Brush.Color = Color();
  c.Brush.Style = bsSolid;
  c.FillRect(r);
  if (!Caption.empty()) {
    c.Font = Font();
    c.Brush.Style = bsClear;
    TRect text = r;
    c.DrawText(Caption, text, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
  }
}

TStaticLabel::TStaticLabel(QWidget* parent, const std::string& caption)
    : TGraphicControl(parent), Caption(caption) {}

void TStaticLabel::AdjustBounds() {
  QImage scratch(1, 1, QImage::Format_RGB32);
  Canvas c(&scratch);
  c.Font = Font();
  const int w = c.TextWidth(Caption);
  const int left = Alignment == taRightJustify ? Left() + Width() - w : Left();
  SetBounds(left, Top(), w, Height());
}

void TStaticLabel::Paint() {
  Canvas& c = GetCanvas();
  c.Brush.Color = ParentBackground();
  c.Brush.Style = bsSolid;
  c.FillRect(ClientRect());
  c.Font = Font();
  c.Brush.Style = bsClear;
  TRect r = ClientRect();
  unsigned align = Alignment == taRightJustify ? DT_RIGHT
                   : Alignment == taCenter     ? DT_CENTER
                                               : DT_LEFT;
  c.DrawText(Caption, r, DT_SINGLELINE | DT_NOPREFIX | align);
}

TBevelLine::TBevelLine(QWidget* parent, bool vertical)
    : TGraphicControl(parent), Vertical(vertical) {}

void TBevelLine::Paint() {
  Canvas& c = GetCanvas();
  c.Brush.Color = ParentBackground();
  c.Brush.Style = bsSolid;
  c.FillRect(ClientRect());
  c.Pen.Width = 1;
  for (int i = 0; i < 2; ++i) {
    c.Pen.Color = i == 0 ? clBtnShadow : clBtnHighlight;
    if (Vertical) {
      c.MoveTo(i, 0);
      c.LineTo(i, Height());
    } else {
      c.MoveTo(0, i);
      c.LineTo(Width(), i);
    }
  }
}

namespace {

int LeadingBlanks(const QString& t) {
  int n = 0;
  while (n < t.size() && t[n] == QLatin1Char(' ')) ++n;
  return n;
}

}  // namespace

int TCheckBox::VisibleTextLeft() const {
  QStyleOptionButton opt;
  initStyleOption(&opt);
  const QRect r = style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, this);
  const int afterBlanks =
      r.left() + QFontMetrics(font()).horizontalAdvance(text().left(LeadingBlanks(text())));
  return TextLeft < 0 ? afterBlanks : std::max(r.left(), TextLeft);
}

void TCheckBox::paintEvent(QPaintEvent* e) {
  if (TextLeft < 0) return QCheckBox::paintEvent(e);
  QStylePainter p(this);
  QStyleOptionButton opt;
  initStyleOption(&opt);
  QStyleOptionButton box = opt;
  box.rect = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, this);
  p.drawPrimitive(QStyle::PE_IndicatorCheckBox, box);
  QStyleOptionButton label = opt;
  label.text = opt.text.mid(LeadingBlanks(opt.text));
  QRect r = style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, this);
  r.setLeft(VisibleTextLeft());
  label.rect = r;
  p.drawControl(QStyle::CE_CheckBoxLabel, label);
}

}  // namespace tarnick
