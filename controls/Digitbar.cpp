#include "controls/Digitbar.h"

#include <QLocale>
#include <QString>

#include <algorithm>
#include <cstdint>

#include "toolkit/Resources.h"

namespace tarnick {

namespace {

TColor Shifted(TColor c, int delta) {
  const TColor v = ColorToRGB(c);
  auto ch = [&](int x) { return std::clamp(x + delta, 0, 255); };
  return RGB(ch(GetRValue(v)), ch(GetGValue(v)), ch(GetBValue(v)));
}

}  // namespace

TDigitBar::TDigitBar(QWidget* parent) : TCustomControl(parent) {
  SetColor(clWindow);
  SetTabStop(true);
  setAttribute(Qt::WA_InputMethodEnabled, false);
  resize(24, 100);
  FUpImage = LoadBitmapResource("DigitBarUp");
  FDownImage = LoadBitmapResource("DigitBarDn");
}

TDigitBar::~TDigitBar() = default;

void TDigitBar::SetAutoSize(bool value) {
  if (value == FAutoSize) return;
  FAutoSize = value;
  if (value) AdjustBounds();
}

void TDigitBar::SetBtnHeight(int value) {
  if (value == FBtnHeight) return;
  FBtnHeight = value;
  AdjustBounds();
}

void TDigitBar::SetMax(int value) {
  if (value < FMin) value = FMin;
  if (value == FMax) return;
  FMax = value;
  if (FPosition > FMax) SetPosition(FMax);
  AdjustBounds();
}

void TDigitBar::SetMin(int value) {
  if (value > FMax) value = FMax;
  if (value == FMin) return;
  FMin = value;
  if (FPosition < FMin) SetPosition(FMin);
  AdjustBounds();
}

void TDigitBar::SetModes(TDigitBarModes value) {
  if (value == FModes) return;
  FModes = value;
  AdjustBounds();
}

void TDigitBar::SetPosition(int value) {
  if (value > FMax)
    value = FMax;
  else if (value < FMin)
    value = FMin;
  if (value == FPosition) return;
  FPosition = value;
  Invalidate();
  Change();
}

void TDigitBar::SetBarColor(TColor value) {
  if (value == FBarColor) return;
  FBarColor = value;
  Invalidate();
}

void TDigitBar::SetBevelWidth(int value) {
  if (value <= 0) value = 1;
  if (value == FBevelWidth) return;
  FBevelWidth = value;
  AdjustBounds();
}

void TDigitBar::SetSpacing(int value) {
  if (value < 0) value = 0;
  if (value == FSpacing) return;
  FSpacing = value;
  AdjustBounds();
}

void TDigitBar::Change() {
  Changed();
  if (OnChange) OnChange(this);
}

void TDigitBar::UpClick() {
  if (HasMode(FModes, dbmArrowWrap) && FPosition == FMax)
    SetPosition(FMin);
  else if (std::int64_t(FMax) - Increment < FPosition)
    SetPosition(FMax);
  else
    SetPosition(FPosition + Increment);
}

void TDigitBar::DownClick() {
  if (HasMode(FModes, dbmArrowWrap) && FPosition == FMin)
    SetPosition(FMax);
  else if (std::int64_t(FMin) + Increment > FPosition)
    SetPosition(FMin);
  else
    SetPosition(FPosition - Increment);
}

void TDigitBar::DoUpClick() {
  UpClick();
  if (OnClick) OnClick(this, bctUp);
}

void TDigitBar::DoDownClick() {
  DownClick();
  if (OnClick) OnClick(this, bctDown);
}

std::string TDigitBar::NumberText(int value) const {
  if (HasMode(FModes, dbmThousands)) return QLocale().toString(value).toStdString();
  return std::to_string(value);
}

std::string TDigitBar::PositionToStr(TPositionToStr kind) {
  if (kind == ptsPosition) return NumberText(FPosition);
  std::string maxText = NumberText(FMax);
  std::string minText = NumberText(FMin);
  return minText.size() > maxText.size() ? minText : maxText;
}

int TDigitBar::PositionToClick(int height) {
  if (FMax <= FMin) return -1;
  return int(double(std::int64_t(FPosition) - FMin) / double(std::int64_t(FMax) - FMin) * height +
             0.5);
}

void TDigitBar::ClickToPosition(int y, int topLimit, int bottomLimit) {
  int result;
  if (y >= bottomLimit) {
    result = FMin;
  } else if (y <= topLimit) {
    result = FMax;
  } else {
    const double v = FMin + double(std::int64_t(FMax) - FMin) * (bottomLimit - y) /
                                double(bottomLimit - topLimit);
    result = v >= 0 ? int(v + 0.5) : int(v - 0.5);
  }
  SetPosition(result);
}

void TDigitBar::DoPositionClick(int x, int y, TBarClickType clickType) {
  if (x < FBarRect.Left || x > FBarRect.Right || y < FBarRect.Top || y > FBarRect.Bottom) return;
  const int m = MeasureText(Font(), "7").cy / 2 + FBevelWidth + FSpacing;
  ClickToPosition(y, FBarRect.Top + m, FBarRect.Bottom - m);
  if (OnClick) OnClick(this, clickType);
}

void TDigitBar::AdjustBounds() {
  if (Loading() || !FAutoSize) {
    Invalidate();
    return;
  }
  const TSize ext = MeasureText(Font(), PositionToStr(ptsMaxStr));
  const int w = ext.cx + 2 * (FBevelWidth + FSpacing);
  const int h = std::max(ext.cy + 2 * (FBtnHeight + FBevelWidth + FSpacing), ClientHeight());
  if (ClientWidth() == w && ClientHeight() == h)
    Invalidate();
  else
    SetBounds(Left(), Top(), w, h);
}

void TDigitBar::Bevel(TRect& r, TColor tc, TColor bc, int w, bool pressed) {
  Canvas& c = GetCanvas();
  const int L = r.Left, T = r.Top, Rt = r.Right, B = r.Bottom;
  for (int k = 0; k < w; ++k) {
    c.Pen.Color = tc;
    c.Polyline({{L + k, B - 1 - k}, {L + k, T + k}, {Rt - 1 - k, T + k}});
    c.SetPixel(Rt - 1 - k, T + k, tc);
    c.Pen.Color = bc;
    c.Polyline({{Rt - 1 - k, T + k}, {Rt - 1 - k, B - 1 - k}, {L + k, B - 1 - k}});
    c.SetPixel(L + k, B - 1 - k, bc);
  }
  if (!pressed) {
    c.Pen.Color = Shifted(bc, -128);
    c.Polyline({{Rt - 1, T}, {Rt - 1, B - 1}, {L, B - 1}});
  } else {
    c.Pen.Color = Shifted(tc, -128);
    c.Polyline({{L + w - 1, B - w}, {L + w - 1, T + w - 1}, {Rt - w, T + w - 1}});
    c.Pen.Color = Shifted(bc, -128);
    c.Polyline({{Rt - w, T + w - 1}, {Rt - w, B - w}, {L, B - w}});
  }
  r = TRect{L + w, T + w, Rt - w, B - w};
}

void TDigitBar::Paint() {
  Canvas& c = GetCanvas();
  TColor light, dark;
  if (FBarColor == clBtnFace) {
    light = clBtnHighlight;
    dark = clBtnShadow;
  } else {
    light = Shifted(FBarColor, 128);
    dark = Shifted(FBarColor, -128);
  }
  const std::string text = PositionToStr(ptsPosition);
  const int cw = ClientWidth(), ch = ClientHeight(), bh = FBtnHeight;

  TRect up{0, 0, cw, bh};
  FBarRect = TRect{0, bh, cw, ch - bh};
  TRect down{0, ch - bh, cw, ch};

  c.Font = Font();
  c.Pen.Width = 1;
  c.Pen.Style = psSolid;
  c.Brush.Style = bsSolid;
  c.Brush.Color = FBarColor;
  c.FillRect(ClientRect());

  const std::uint32_t rop = Enabled() ? SRCAND : MERGEPAINT;
  c.BitBlt(up.Left + (cw - FUpImage.Width()) / 2, up.Top + (bh - FUpImage.Height()) / 2,
           FUpImage.Width(), FUpImage.Height(), FUpImage.Image(), 0, 0, rop);
  c.BitBlt(down.Left + (cw - FDownImage.Width()) / 2, down.Top + (bh - FDownImage.Height()) / 2,
           FDownImage.Width(), FDownImage.Height(), FDownImage.Image(), 0, 0, rop);

  if (FClickState == bcsUp)
    Bevel(up, dark, light, FBevelWidth, true);
  else
    Bevel(up, light, dark, FBevelWidth, false);
  if (FClickState == bcsDown)
    Bevel(down, dark, light, FBevelWidth, true);
  else
    Bevel(down, light, dark, FBevelWidth, false);

  const TRect bar = FBarRect;
  c.Pen.Color = dark;
  c.MoveTo(bar.Left, bar.Top);
  c.LineTo(bar.Left, bar.Bottom);
  c.Pen.Color = light;
  c.MoveTo(bar.Right - 1, bar.Top);
  c.LineTo(bar.Right - 1, bar.Bottom);

  const TSize ext = c.TextExtent(text);
  const int x = std::max(0, (cw - ext.cx) / 2) + bar.Left;
  const int boxH = ext.cy + 2 * (FBevelWidth + FSpacing);
  const int avail = bar.Height() - boxH;
  int off = PositionToClick(avail);
  if (off < 0) off = avail / 2;
  if (off < 0) off = 0;
  const int centre = bar.Bottom - boxH / 2 - off;
  TRect box{bar.Left, centre - boxH / 2, bar.Right, centre + boxH / 2};
  Bevel(box, clBtnShadow, clBtnHighlight, FBevelWidth, true);

  c.Brush.Color = Focused() ? FocusColor : Color();
  c.ExtTextOut(x, box.Top + FSpacing, ETO_CLIPPED | ETO_OPAQUE, &box, text);
}

void TDigitBar::StopTimer() {
  if (FTimer) FTimer->Stop();
}

void TDigitBar::TimerExpired() {
  FTimer->SetInterval(100);
  if (FClickState == bcsNone || !MouseCapture()) return;
  if (!ClientRect().ToQRect().contains(FPointer)) {
    LeftWhileHeld();
    return;
  }
  try {
    if (FClickState == bcsUp)
      DoUpClick();
    else
      DoDownClick();
  } catch (...) {
    StopTimer();
    throw;
  }
}

void TDigitBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (HasMode(FModes, dbmAllowTimer)) {
    if (!FTimer) FTimer = std::make_unique<TTimer>();
    FTimer->OnTimer = [this] { TimerExpired(); };
    FTimer->SetInterval(400);
    FTimer->Start();
  }
  FPointer = QPoint(x, y);
  if (button != mbLeft) return;
  if (focusPolicy() != Qt::NoFocus && isEnabled() && !hasFocus()) setFocus(Qt::MouseFocusReason);
  if (y < FBtnHeight) {
    FClickState = bcsUp;
    DoUpClick();
  } else if (y >= ClientHeight() - FBtnHeight) {
    FClickState = bcsDown;
    DoDownClick();
  } else if (HasMode(FModes, dbmPosClick)) {
    DoPositionClick(x, y, bctPosition);
  }
}

void TDigitBar::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  FPointer = QPoint(x, y);
  // While a button is held the pointer is grabbed and no leave is reported:
  // leaving is seen from the position.
  if ((shift & (ssLeft | ssRight | ssMiddle)) && FClickState != bcsNone &&
      !ClientRect().ToQRect().contains(FPointer))
    LeftWhileHeld();
  if ((shift & ssLeft) && HasMode(FModes, dbmPosMove)) DoPositionClick(x, y, bctMove);
}

void TDigitBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  StopTimer();
  FClickState = bcsNone;
  Invalidate();
}

void TDigitBar::CMMouseLeave() {
  TCustomControl::CMMouseLeave();
  LeftWhileHeld();
}

void TDigitBar::LeftWhileHeld() {
  StopTimer();
  FClickState = bcsNone;
  Invalidate();
}

void TDigitBar::KeyDown(int& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  switch (key) {
    case VK_LEFT:
      if (parentWidget()) SelectNext(false);
      break;
    case VK_RIGHT:
      if (parentWidget()) SelectNext(true);
      break;
    case VK_UP:
      FClickState = bcsUp;
      DoUpClick();
      break;
    case VK_DOWN:
      FClickState = bcsDown;
      DoDownClick();
      break;
    default:
      break;
  }
}

void TDigitBar::KeyUp(int& key, TShiftState shift) {
  TCustomControl::KeyUp(key, shift);
  FClickState = bcsNone;
  Invalidate();
}

void TDigitBar::KeyPress(char& key) {
  TCustomControl::KeyPress(key);
  if (key == '\r' && HasMode(FModes, dbmEnterNext) && parentWidget()) SelectNext(true);
}

void TDigitBar::CMFontChanged() {
  TCustomControl::CMFontChanged();
  AdjustBounds();
}

void TDigitBar::WMSize() {
  if (Loading())
    Invalidate();
  else
    AdjustBounds();
}

void TDigitBar::Loaded() {
  TCustomControl::Loaded();
  AdjustBounds();
}

}  // namespace tarnick
