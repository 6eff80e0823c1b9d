#pragma once

#include <QObject>
#include <QRegion>
#include <array>
#include <functional>
#include <string>

#include "toolkit/Canvas.h"
#include "toolkit/Hint.h"
#include "toolkit/HintWindow.h"

namespace tarnick {

enum THintStyle { hsFukidashi, hsRoundRect, hsLineString, hsOwnerDraw };

using THintPaintEvent =
    std::function<void(const std::string& hintStr, Canvas& canvas, int width, int height)>;

// Restyles every hint of the application: makes THintEx the hint window
// class, forwards the hint delays and moves each hint 8 pixels up.
class TAppHint : public QObject {
 public:
  explicit TAppHint(QObject* owner = nullptr);
  ~TAppHint() override;

  // After the form's properties are set: the takeover again, and the
  // application's hint notifications routed to this component.
  void Loaded();

  // The most recently created component (null once it is destroyed).
  static TAppHint* Current();

  TColor BGColor = clBlack;
  TBrush& Brush() { return FBrush; }
  TPen& Pen() { return FPen; }
  TFont& Font() { return FFont; }
  void SetFont(const TFont& font) { FFont.Assign(font); }
  THintStyle HintStyle() const { return FHintStyle; }
  void SetHintStyle(THintStyle style);
  TColor ShadowColor = clBlue;
  bool ShadowVisible = true;

  int GetHintPause() const;
  void SetHintPause(int ms);
  int GetHidePause() const;
  void SetHidePause(int ms);
  int GetShortPause() const;
  void SetShortPause(int ms);

  THintNotify OnHint;
  THintPaintEvent OnPaint;
  TShowHintEvent OnShowHint;

  void DoHint(QObject* sender);
  // Moves the hint 8 pixels up, then OnShowHint.
  void ShowHint(std::string& hintStr, bool& canShow, THintInfo& hintInfo);

 private:
  void Takeover();
  void FontChange();
  TBrush FBrush{clNavy, bsSolid};
  TPen FPen;
  TFont FFont;
  THintStyle FHintStyle = hsFukidashi;
};

// The hint window of TAppHint: shaped and painted by the current
// component's style.
class THintEx : public THintWindow {
 public:
  THintEx();
  ~THintEx() override;

  void ActivateHint(TRect rect, const std::string& hint) override;

  // The last activation's rectangle after the style's enlargement.
  const TRect& HintRect() const { return FHintRect; }
  // The window shape applied at the last activation (empty: none).
  QRegion WindowRegion() const { return mask(); }
  const std::array<TPoint, 8>& BalloonOutline() const { return FOutline; }

  // The rounded rectangle (0, 0, w, h) with corner ellipses of ew x eh.
  static QRegion RoundRectRegion(int w, int h, int ew, int eh);

 protected:
  void Paint() override;
  bool EraseBackground() override;

 private:
  void DestroyWindowHandle();
  TRect FHintRect;
  std::array<TPoint, 8> FOutline{};
};

}  // namespace tarnick
