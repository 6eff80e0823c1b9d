#pragma once

#include <QPoint>

#include <functional>
#include <memory>
#include <string>

#include "toolkit/Canvas.h"
#include "toolkit/Controls.h"
#include "toolkit/Timer.h"

namespace tarnick {

enum TDigitBarMode {
  dbmAllowTimer,
  dbmArrowKeys,
  dbmArrowWrap,
  dbmEnterNext,
  dbmPosClick,
  dbmPosMove,
  dbmThousands,
};

// A set of modes: member n is bit n.
using TDigitBarModes = unsigned;
constexpr TDigitBarModes ModeSet(std::initializer_list<TDigitBarMode> modes) {
  TDigitBarModes s = 0;
  for (TDigitBarMode m : modes) s |= 1u << m;
  return s;
}
constexpr bool HasMode(TDigitBarModes s, TDigitBarMode m) {
  return (s >> m) & 1u;
}

enum TBarClickState { bcsNone, bcsUp, bcsDown };
enum TBarClickType { bctUp, bctDown, bctPosition, bctMove };
enum TPositionToStr { ptsPosition, ptsMaxStr };

class TDigitBar;
using TBarClickEvent = std::function<void(TDigitBar* sender, TBarClickType clickType)>;

// A vertical value control: up button, bar with a sliding value box, down
// button.
class TDigitBar : public TCustomControl {
 public:
  explicit TDigitBar(QWidget* parent = nullptr);
  ~TDigitBar() override;

  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  int BtnHeight() const { return FBtnHeight; }
  void SetBtnHeight(int value);
  TColor FocusColor = clAqua;
  int Increment = 1;
  int Max() const { return FMax; }
  void SetMax(int value);
  int Min() const { return FMin; }
  void SetMin(int value);
  TDigitBarModes Modes() const { return FModes; }
  void SetModes(TDigitBarModes value);
  int Position() const { return FPosition; }
  void SetPosition(int value);
  TColor BarColor() const { return FBarColor; }
  void SetBarColor(TColor value);
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int value);

  std::function<void(TDigitBar*)> OnChange;
  TBarClickEvent OnClick;

  virtual void AdjustBounds();
  virtual void Change();
  virtual void UpClick();
  virtual void DownClick();
  virtual void ClickToPosition(int y, int topLimit, int bottomLimit);
  virtual int PositionToClick(int height);
  virtual std::string PositionToStr(TPositionToStr kind);

  void DoUpClick();
  void DoDownClick();
  void DoPositionClick(int x, int y, TBarClickType clickType);
  void TimerExpired();

  TBarClickState ClickState() const { return FClickState; }
  // The area between the buttons, as the last paint laid it out.
  TRect BarRect() const { return FBarRect; }
  // The repeat timer; absent until the first press with dbmAllowTimer.
  const TTimer* RepeatTimer() const { return FTimer.get(); }

 protected:
  void Paint() override;
  void Loaded() override;
  void Click() override {}
  void KeyDown(int& key, TShiftState shift) override;
  void KeyUp(int& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool WantArrows() const override { return HasMode(FModes, dbmArrowKeys); }
  void CMFontChanged() override;
  void CMMouseLeave() override;
  void WMSize() override;

 private:
  std::string NumberText(int value) const;
  void Bevel(TRect& r, TColor top, TColor bottom, int width, bool pressed);
  void StopTimer();
  // The pointer left the control (by a leave, or seen from its position
  // while a button is held): no more repeat, no pressed button.
  void LeftWhileHeld();

  bool FAutoSize = true;
  int FBtnHeight = 10;
  int FMax = 100;
  int FMin = 0;
  TDigitBarModes FModes = ModeSet({dbmAllowTimer, dbmArrowKeys, dbmPosMove});
  int FPosition = 0;
  TColor FBarColor = clBtnFace;
  int FBevelWidth = 2;
  int FSpacing = 1;
  TBarClickState FClickState = bcsNone;
  TRect FBarRect;
  TBitmap FUpImage;
  TBitmap FDownImage;
  std::unique_ptr<TTimer> FTimer;
  QPoint FPointer;
};

}  // namespace tarnick
