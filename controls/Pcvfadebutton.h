#pragma once

#include <functional>
#include <string>

#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"
#include "toolkit/Timer.h"

namespace tarnick {

// A flat button whose fill and outline fade towards their hover colours
// while the pointer is over it, and back when it leaves.
class TPCVFadeButton : public TGraphicControl {
 public:
  explicit TPCVFadeButton(QWidget* owner = nullptr);
  ~TPCVFadeButton() override;

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& caption);
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TColor DestColor() const { return FDestColor; }
  void SetDestColor(TColor color) { FDestColor = color; }
  TColor BorderColor() const { return FBorderColor; }
  void SetBorderColor(TColor color);
  TColor BorderDestColor() const { return FBorderDestColor; }
  void SetBorderDestColor(TColor color) { FBorderDestColor = color; }
  int BorderHeight() const { return FBorderHeight; }
  void SetBorderHeight(int height);
  bool ShowBorder() const { return FShowBorder; }
  void SetShowBorder(bool show);
  TColor CaptionOverColor() const { return FCaptionOverColor; }
  void SetCaptionOverColor(TColor color) { FCaptionOverColor = color; }
  bool FadeOnOver() const { return FFadeOnOver; }
  void SetFadeOnOver(bool fade) { FFadeOnOver = fade; }
  bool FadeOnLeave() const { return FFadeOnLeave; }
  void SetFadeOnLeave(bool fade) { FFadeOnLeave = fade; }
  int Step() const { return FStep; }
  void SetStep(int step) { FStep = step; }
  int Speed() const { return FSpeed; }
  void SetSpeed(int ms);

  // Raised at the end of every leave.
  std::function<void(TControl*)> onMouseLeave;

  // What Paint draws now, and the fade's state.
  TColor CurrentColor() const { return FCurrentColor; }
  TColor CurrentBorderColor() const { return FCurrentBorderColor; }
  int Delta() const { return FDelta; }
  bool Fading() const { return FTimer.Enabled(); }
  const TTimer& FadeTimer() const { return FTimer; }

  // One colour step: each channel raised to Base's, then lowered to Dest's;
  // with mayStop the fade ends once the result reaches either end.
  TColor ERGB(int r, int g, int b, bool mayStop, TColor base, TColor dest);
  // The fade timer's tick.
  void Animate();

  // The pointer arrived or moved over the button / left it.
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseLeave();

 protected:
  void Paint() override;
  void CMMouseEnter() override;
  void CMMouseLeave() override { MouseLeave(); }
  // A button takes its own presses, wherever it sits.
  bool PassesPressToForm() const override { return false; }

 private:
  void PaintNow();
  std::string FCaption;
  TColor FColor = clGreen;
  TColor FDestColor = clLime;
  TColor FBorderColor = clSilver;
  TColor FBorderDestColor = clWhite;
  int FBorderHeight = 1;
  bool FShowBorder = true;
  TColor FCaptionOverColor = clLime;
  bool FFadeOnOver = true;
  bool FFadeOnLeave = true;
  int FStep = 2;
  int FSpeed = 10;
  TColor FCurrentColor = clGreen;
  TColor FCurrentBorderColor = clSilver;
  int FDelta = 0;
  bool FCaptionSaved = false;
  TColor FSavedCaptionColor = clWhite;
  TTimer FTimer;
};

}  // namespace tarnick
