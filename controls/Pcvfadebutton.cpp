#include "controls/Pcvfadebutton.h"

#include <QCursor>
#include <algorithm>
#include <cstdint>

#include "toolkit/Canvas.h"

namespace tarnick {

TPCVFadeButton::TPCVFadeButton(QWidget* owner) : TGraphicControl(owner) {
  setMouseTracking(true);
  TFont font = Font();
  font.SetColor(clWhite);
  SetFont(font);
  SetBounds(Left(), Top(), 150, 30);
  FCurrentColor = FColor;
  FCurrentBorderColor = FBorderColor;
  FTimer.SetInterval(FSpeed);
  FTimer.OnTimer = [this] { Animate(); };
}

TPCVFadeButton::~TPCVFadeButton() {
  FTimer.Stop();
}

void TPCVFadeButton::PaintNow() {
  Repaint();
}

void TPCVFadeButton::SetCaption(const std::string& caption) {
  if (caption == FCaption) return;
  FCaption = caption;
  PaintNow();
}

void TPCVFadeButton::SetColor(TColor color) {
  FColor = color;
  FCurrentColor = color;
  PaintNow();
}

void TPCVFadeButton::SetBorderColor(TColor color) {
  if (color == FBorderColor) return;
  FBorderColor = color;
  FCurrentBorderColor = color;
  PaintNow();
}

void TPCVFadeButton::SetBorderHeight(int height) {
  FBorderHeight = height;
  PaintNow();
}

void TPCVFadeButton::SetShowBorder(bool show) {
  if (show == FShowBorder) return;
  FShowBorder = show;
  PaintNow();
}

void TPCVFadeButton::SetSpeed(int ms) {
  FSpeed = ms;
  FTimer.SetInterval(ms);
}

TColor TPCVFadeButton::ERGB(int r, int g, int b, bool mayStop, TColor base, TColor dest) {
  auto channel = [](int v, int lo, int hi) { return std::min(std::max(v, lo), hi); };
  r = channel(r, GetRValue(base), GetRValue(dest));
  g = channel(g, GetGValue(base), GetGValue(dest));
  b = channel(b, GetBValue(base), GetBValue(dest));
  TColor result = RGB(r, g, b);
  if (mayStop) {
    auto s = [](TColor c) { return static_cast<std::int32_t>(c); };
    if (s(result) <= s(base) || s(result) >= s(dest)) FTimer.Stop();
  }
  return result;
}

void TPCVFadeButton::Animate() {
  TColor c = FCurrentColor;
  FCurrentColor = ERGB(GetRValue(c) + FDelta, GetGValue(c) + FDelta, GetBValue(c) + FDelta, true,
                       FColor, FDestColor);
  TColor bc = FCurrentBorderColor;
  FCurrentBorderColor = ERGB(GetRValue(bc) + FDelta, GetGValue(bc) + FDelta, GetBValue(bc) + FDelta,
                             false, FBorderColor, FBorderDestColor);
  PaintNow();
}

void TPCVFadeButton::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (Font().Color() != FCaptionOverColor) {
    FSavedCaptionColor = Font().Color();
    FCaptionSaved = true;
    Font().SetColor(FCaptionOverColor);
  }
  if (!FTimer.Enabled() && FFadeOnOver) {
    FDelta = FStep;
    FTimer.Start();
  }
  if (!FFadeOnOver) {
    FCurrentBorderColor = FBorderDestColor;
    FCurrentColor = FDestColor;
    PaintNow();
  }
}

void TPCVFadeButton::CMMouseEnter() {
  // Arriving is the first move over the button. Qt reports arrivals on a
  // disabled button too, but a disabled button gets no moves.
  if (!Enabled()) return;
  QPoint p = mapFromGlobal(QCursor::pos());
  MouseMove(0, p.x(), p.y());
}

void TPCVFadeButton::MouseLeave() {
  if (FFadeOnLeave) {
    FDelta = -FStep;
    FTimer.Start();
    if (FCaptionSaved) Font().SetColor(FSavedCaptionColor);
  } else {
    FTimer.Stop();
    FCurrentBorderColor = FBorderColor;
    FCurrentColor = FColor;
    if (FCaptionSaved) Font().SetColor(FSavedCaptionColor);
    PaintNow();
  }
  if (onMouseLeave) onMouseLeave(this);
}

void TPCVFadeButton::Paint() {
  const int w = Width(), h = Height();
  if (w <= 0 || h <= 0) return;
  TBitmap bmp(w, h);
  Canvas& c = bmp.GetCanvas();
  c.Brush.Style = bsSolid;
  c.Brush.Color = FCurrentColor;
  c.Pen.Style = FShowBorder ? psSolid : psClear;
  c.Pen.Color = FCurrentBorderColor;
  c.Pen.Width = FBorderHeight;
  c.Rectangle(0, 0, w, h);
  c.Font = Font();
  TSize extent = c.TextExtent(FCaption);
  c.TextOut(w / 2 - extent.cx / 2, h / 2 - extent.cy / 2, FCaption);
  GetCanvas().BitBlt(0, 0, w, h, bmp.Image(), 0, 0, SRCCOPY);
}

}  // namespace tarnick
