#pragma once

#include <algorithm>
#include <functional>
#include <vector>

#include "toolkit/Controls.h"
#include "toolkit/Timer.h"

namespace tarnick {

enum TTrackBarOrientation { trHorizontal, trVertical };
enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };
enum TTickStyle { tsNone, tsAuto };

// The platform's plain track bar: tick marks, a thin sunken channel and a
// thumb pointing at the ticks, without a selection range. Geometry along
// the bar: the channel keeps 8 pixels free at each end, the thumb is
// ThumbLength / 2 + 1 wide and travels inside the channel, and each
// position's tick is at the thumb's centre for that position. Across the
// bar: the thumb (ThumbLength long) starts 8 pixels in when ticks are on
// the top/left side, 4 otherwise; the channel, 4 thick, lies at the
// thumb's middle; ticks are 3 long and end 2 pixels before the thumb.
// A vertical bar has its minimum at the top.
class TTrackBar : public TCustomControl {
 public:
  static constexpr int ChannelMargin = 8;
  static constexpr int ChannelThickness = 4;
  static constexpr int TickLength = 3;
  static constexpr int TickGap = 2;

  explicit TTrackBar(QWidget* parent = nullptr);

  int Min() const { return FMin; }
  int Max() const { return FMax; }
  void SetMin(int value) { SetRange(value, std::max(value, FMax)); }
  void SetMax(int value) { SetRange(std::min(value, FMin), value); }
  void SetRange(int min, int max);
  int Position() const { return FPosition; }
  // Clamped to the range; OnChange follows a change.
  void SetPosition(int value);
  int PageSize() const { return FPageSize; }
  void SetPageSize(int value) { FPageSize = value; }
  int LineSize() const { return FLineSize; }
  void SetLineSize(int value) { FLineSize = value; }
  int Frequency() const { return FFrequency; }
  void SetFrequency(int value);
  TTrackBarOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TTrackBarOrientation value);
  TTickMark TickMarks() const { return FTickMarks; }
  void SetTickMarks(TTickMark value);
  TTickStyle TickStyle() const { return FTickStyle; }
  void SetTickStyle(TTickStyle value);
  int ThumbLength() const { return FThumbLength; }
  void SetThumbLength(int value);

  std::function<void(TTrackBar*)> OnChange;

  // The layout, in client coordinates.
  TRect ChannelRect() const;
  TRect ThumbRect() const;
  // Where along the bar (x, or y when vertical) a position's tick lies.
  int TickCoordinate(int position) const;
  // The positions that get a tick.
  std::vector<int> TickPositions() const;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(int& key, TShiftState shift) override;
  bool WantArrows() const override { return true; }
  void wheelEvent(QWheelEvent* e) override;

 private:
  bool Vertical() const { return FOrientation == trVertical; }
  int Along() const { return Vertical() ? Height() : Width(); }
  int ThumbWidth() const { return FThumbLength / 2 + 1; }
  int Travel() const;
  int ThumbStart(int position) const;
  int ThumbAcross() const;
  bool TicksBefore() const;
  bool TicksAfter() const;
  // A rectangle given along and across the bar.
  TRect Box(int a0, int a1, int c0, int c1) const;
  void Dot(Canvas& c, int along, int across, TColor color) const;
  void PaintThumb(Canvas& c);
  void PageTowardsPointer();
  TTrackBarOrientation FOrientation = trHorizontal;
  TTickMark FTickMarks = tmBottomRight;
  TTickStyle FTickStyle = tsAuto;
  int FMin = 0;
  int FMax = 10;
  int FPosition = 0;
  int FPageSize = 2;
  int FLineSize = 1;
  int FFrequency = 1;
  int FThumbLength = 20;
  bool FDragging = false;
  int FGrabOffset = 0;
  int FPointerAlong = 0;
  TTimer FPageTimer;
};

}  // namespace tarnick
