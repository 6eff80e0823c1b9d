#include "toolkit/TrackBar.h"

#include <QWheelEvent>

namespace tarnick {

namespace {

// The platform's delay before a held press on the channel repeats, and the
// repeat period.
constexpr int FirstRepeatMs = 300;
constexpr int RepeatMs = 100;

}  // namespace

TTrackBar::TTrackBar(QWidget* parent) : TCustomControl(parent) {
  resize(150, 45);
  FPageTimer.OnTimer = [this] {
    FPageTimer.SetInterval(RepeatMs);
    PageTowardsPointer();
  };
}

void TTrackBar::SetRange(int min, int max) {
  if (max < min) max = min;
  if (min == FMin && max == FMax) return;
  FMin = min;
  FMax = max;
  Invalidate();
  SetPosition(FPosition);
}

void TTrackBar::SetPosition(int value) {
  value = std::clamp(value, FMin, FMax);
  if (value == FPosition) return;
  FPosition = value;
  Invalidate();
  if (OnChange) OnChange(this);
}

void TTrackBar::SetFrequency(int value) {
  FFrequency = std::max(1, value);
  Invalidate();
}

void TTrackBar::SetOrientation(TTrackBarOrientation value) {
  if (value == FOrientation) return;
  FOrientation = value;
  // The platform swaps width and height when the orientation changes.
  if (!Loading()) SetBounds(Left(), Top(), Height(), Width());
  Invalidate();
}

void TTrackBar::SetTickMarks(TTickMark value) {
  FTickMarks = value;
  Invalidate();
}

void TTrackBar::SetTickStyle(TTickStyle value) {
  FTickStyle = value;
  Invalidate();
}

void TTrackBar::SetThumbLength(int value) {
  FThumbLength = std::max(2, value);
  Invalidate();
}

bool TTrackBar::TicksBefore() const {
  return FTickStyle != tsNone && FTickMarks != tmBottomRight;
}

bool TTrackBar::TicksAfter() const {
  return FTickStyle != tsNone && FTickMarks != tmTopLeft;
}

int TTrackBar::Travel() const {
  return std::max(0, Along() - 2 * ChannelMargin - ThumbWidth());
}

int TTrackBar::ThumbStart(int position) const {
  const long long range = static_cast<long long>(FMax) - FMin;
  if (range <= 0) return ChannelMargin;
  const long long step = static_cast<long long>(Travel()) * (position - FMin);
  return ChannelMargin + static_cast<int>((step + range / 2) / range);
}

int TTrackBar::ThumbAcross() const {
  return TicksBefore() ? 8 : 4;
}

TRect TTrackBar::Box(int a0, int a1, int c0, int c1) const {
  return Vertical() ? TRect{c0, a0, c1, a1} : TRect{a0, c0, a1, c1};
}

void TTrackBar::Dot(Canvas& c, int along, int across, TColor color) const {
  if (Vertical())
    c.SetPixel(across, along, color);
  else
    c.SetPixel(along, across, color);
}

TRect TTrackBar::ChannelRect() const {
  const int mid = ThumbAcross() + FThumbLength / 2;
  return Box(ChannelMargin, Along() - ChannelMargin, mid - ChannelThickness / 2,
             mid + ChannelThickness / 2);
}

TRect TTrackBar::ThumbRect() const {
  const int a = ThumbStart(FPosition);
  const int c = ThumbAcross();
  return Box(a, a + ThumbWidth(), c, c + FThumbLength);
}

int TTrackBar::TickCoordinate(int position) const {
  return ThumbStart(std::clamp(position, FMin, FMax)) + ThumbWidth() / 2;
}

std::vector<int> TTrackBar::TickPositions() const {
  std::vector<int> out;
  if (FTickStyle == tsNone) return out;
  for (int p = FMin; p < FMax; p += FFrequency) out.push_back(p);
  out.push_back(FMax);
  return out;
}

void TTrackBar::Paint() {
  Canvas& c = GetCanvas();
  c.Brush.Style = bsSolid;
  c.Brush.Color = ParentBackground();
  c.FillRect(ClientRect());

  const int t0 = ThumbAcross();
  c.Brush.Color = clBtnText;
  for (int p : TickPositions()) {
    const int a = TickCoordinate(p);
    if (TicksBefore()) c.FillRect(Box(a, a + 1, t0 - TickGap - TickLength, t0 - TickGap));
    if (TicksAfter()) {
      const int e = t0 + FThumbLength + TickGap;
      c.FillRect(Box(a, a + 1, e, e + TickLength));
    }
  }

  c.DrawEdge(ChannelRect(), EDGE_SUNKEN, BF_RECT);
  PaintThumb(c);
  if (Focused()) c.DrawFocusRect(ClientRect());
}

void TTrackBar::PaintThumb(Canvas& c) {
  const int a0 = ThumbStart(FPosition);
  const int w = ThumbWidth();
  const int a1 = a0 + w - 1;  // last column along
  const int c0 = ThumbAcross();
  const int c1 = c0 + FThumbLength - 1;  // last row across
  // A thumb with ticks on one side points at them; the point is as high
  // as half the thumb is wide.
  const bool pointBefore = TicksBefore() && !TicksAfter();
  const bool pointAfter = TicksAfter() && !TicksBefore();
  const int apex = a0 + w / 2;  // on the tick
  const int rise = w / 2;
  const bool enabled = Enabled();

  for (int row = c0; row <= c1; ++row) {
    int from = a0, to = a1;
    const int inPoint = pointBefore ? row - c0 : pointAfter ? c1 - row : rise;
    if (inPoint < rise) {
      from = std::max(a0, apex - inPoint);
      to = std::min(a1, apex + inPoint);
    }
    for (int a = from; a <= to; ++a) {
      // A disabled thumb is dithered, as the platform shows one.
      const bool dither = !enabled && (a + row) % 2 == 0;
      Dot(c, a, row, dither ? clBtnHighlight : clBtnFace);
    }
    const bool slanted = inPoint < rise;
    // The light falls from the top left: the leading side is bright, the
    // trailing side dark with a shadow inside.
    Dot(c, from, row, clBtnHighlight);
    if (!slanted && to - from > 2) Dot(c, from + 1, row, cl3DLight);
    if (to > from) {
      Dot(c, to, row, cl3DDkShadow);
      if (to - 1 > from) Dot(c, to - 1, row, clBtnShadow);
    } else if (pointAfter) {
      Dot(c, to, row, cl3DDkShadow);
    }
  }
  // The flat ends: bright before, dark after.
  if (!pointBefore)
    for (int a = a0; a < a1; ++a) Dot(c, a, c0, clBtnHighlight);
  if (!pointAfter) {
    for (int a = a0; a <= a1; ++a) Dot(c, a, c1, cl3DDkShadow);
    for (int a = a0 + 1; a < a1; ++a) Dot(c, a, c1 - 1, clBtnShadow);
  }
}

void TTrackBar::PageTowardsPointer() {
  const int start = ThumbStart(FPosition);
  if (FPointerAlong < start)
    SetPosition(FPosition - FPageSize);
  else if (FPointerAlong >= start + ThumbWidth())
    SetPosition(FPosition + FPageSize);
  else
    FPageTimer.Stop();
}

void TTrackBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  if (focusPolicy() & Qt::ClickFocus) setFocus(Qt::MouseFocusReason);
  FPointerAlong = Vertical() ? y : x;
  if (ThumbRect().Contains(x, y)) {
    FDragging = true;
    FGrabOffset = FPointerAlong - ThumbStart(FPosition);
    return;
  }
  PageTowardsPointer();
  FPageTimer.SetInterval(FirstRepeatMs);
  FPageTimer.Start();
}

void TTrackBar::MouseMove(TShiftState shift, int x, int y) {
  TCustomControl::MouseMove(shift, x, y);
  FPointerAlong = Vertical() ? y : x;
  if (!FDragging) return;
  const int travel = Travel();
  if (travel <= 0) return;
  const long long offset = FPointerAlong - FGrabOffset - ChannelMargin;
  const long long range = static_cast<long long>(FMax) - FMin;
  // The nearest position to where the thumb would be.
  const long long scaled = offset * range * 2 + (offset >= 0 ? travel : -travel);
  SetPosition(FMin + static_cast<int>(scaled / (2LL * travel)));
}

void TTrackBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == mbLeft) {
    FDragging = false;
    FPageTimer.Stop();
  }
  TCustomControl::MouseUp(button, shift, x, y);
}

void TTrackBar::KeyDown(int& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  switch (key) {
    case VK_LEFT:
    case VK_UP:
      SetPosition(FPosition - FLineSize);
      break;
    case VK_RIGHT:
    case VK_DOWN:
      SetPosition(FPosition + FLineSize);
      break;
    case VK_PRIOR:
      SetPosition(FPosition - FPageSize);
      break;
    case VK_NEXT:
      SetPosition(FPosition + FPageSize);
      break;
    case VK_HOME:
      SetPosition(FMin);
      break;
    case VK_END:
      SetPosition(FMax);
      break;
    default:
      return;
  }
  key = 0;
}

void TTrackBar::wheelEvent(QWheelEvent* e) {
  // A notch away from the user is a line up, towards the minimum.
  const int notches = e->angleDelta().y() / 120;
  if (notches == 0) return e->ignore();
  SetPosition(FPosition - notches * FLineSize);
  e->accept();
}

}  // namespace tarnick
