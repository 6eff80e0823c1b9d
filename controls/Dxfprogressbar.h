#pragma once

#include <string>

#include "toolkit/Canvas.h"
#include "toolkit/Controls.h"

namespace tarnick {

enum TdxfBevelOuter { bvNone = 0, bvLowered = 1, bvRaised = 2 };
enum TdxfPBOrientation { orVertical = 0, orHorizontal = 1 };
enum TdxfShowTextStyle { stsPercent = 0, stsPosition = 1 };
enum TdxfPBStyle { sSolid = 0, sRectangles = 1, sExSolid = 2, sExRectangles = 3, sPictures = 4 };

// A self-painting progress bar: solid, gradient, blocks, gradient blocks or
// a repeated picture, horizontal or vertical, with an optional centred
// percentage or position. Its background is the colour of what it sits on.
class TdxfProgressBar : public TCustomControl {
 public:
  explicit TdxfProgressBar(QWidget* parent = nullptr);

  int Min() const { return FMin; }
  void SetMin(int value);
  int Max() const { return FMax; }
  void SetMax(int value);
  int Position() const { return FPosition; }
  void SetPosition(int value);
  int Step() const { return FStep; }
  void SetStep(int value) { FStep = value; }
  TdxfPBOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TdxfPBOrientation value);
  TdxfPBStyle Style() const { return FStyle; }
  void SetStyle(TdxfPBStyle value);
  TColor BeginColor() const { return FBeginColor; }
  void SetBeginColor(TColor value);
  TColor EndColor() const { return FEndColor; }
  void SetEndColor(TColor value);
  TdxfBevelOuter BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TdxfBevelOuter value);
  TdxfBevelOuter BarBevelOuter() const { return FBarBevelOuter; }
  void SetBarBevelOuter(TdxfBevelOuter value);
  bool ShowText() const { return FShowText; }
  void SetShowText(bool value);
  TdxfShowTextStyle ShowTextStyle() const { return FShowTextStyle; }
  void SetShowTextStyle(TdxfShowTextStyle value);
  const TBitmap& Glyph() const { return FGlyph; }
  void SetGlyph(const TBitmap& glyph);
  bool TransparentGlyph() const { return FTransparentGlyph; }
  void SetTransparentGlyph(bool value);

  void StepIt() { SetPosition(FPosition + FStep); }
  void StepBy(int delta) { SetPosition(FPosition + delta); }
  void InvalidatePosition(int oldPosition);
  void InvalidateText();

  // The text shown for the current position ("25 %", or the position).
  std::string Text() const;
  // G(d, s): the gradient colour at offset d of a span of s pixels.
  TColor GradientColor(int d, int s) const;

 protected:
  void Paint() override;
  void Loaded() override;

 private:
  void Bevel(Canvas& c, const TRect& r, TdxfBevelOuter kind) const;
  void DrawBar(Canvas& c, const TRect& inner, TRect bar) const;
  void DrawText(Canvas& c) const;
  // Trunc((v - Min) * length / (Max - Min)).
  int Scaled(int v, int length) const;

  int FMin = 0;
  int FMax = 100;
  int FPosition = 0;
  int FStep = 10;
  TdxfPBOrientation FOrientation = orVertical;
  TdxfPBStyle FStyle = sRectangles;
  TColor FBeginColor = clNavy;
  TColor FEndColor = clWhite;
  TdxfBevelOuter FBevelOuter = bvLowered;
  TdxfBevelOuter FBarBevelOuter = bvNone;
  bool FShowText = false;
  TdxfShowTextStyle FShowTextStyle = stsPercent;
  TBitmap FGlyph;
  bool FTransparentGlyph = true;
};

}  // namespace tarnick
