#pragma once

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <functional>
#include <string>

#include "toolkit/Canvas.h"
#include "toolkit/Graphics.h"

namespace tarnick {

enum TMouseButton { mbLeft, mbRight, mbMiddle };

enum TShift : unsigned {
  ssShift = 1,
  ssAlt = 2,
  ssCtrl = 4,
  ssLeft = 8,
  ssRight = 16,
  ssMiddle = 32,
};
using TShiftState = unsigned;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// Virtual key codes of the platform.
inline constexpr int VK_BACK = 8;
inline constexpr int VK_TAB = 9;
inline constexpr int VK_RETURN = 13;
inline constexpr int VK_ESCAPE = 27;
inline constexpr int VK_SPACE = 32;
inline constexpr int VK_PRIOR = 33;
inline constexpr int VK_NEXT = 34;
inline constexpr int VK_END = 35;
inline constexpr int VK_HOME = 36;
inline constexpr int VK_LEFT = 37;
inline constexpr int VK_UP = 38;
inline constexpr int VK_RIGHT = 39;
inline constexpr int VK_DOWN = 40;
inline constexpr int VK_INSERT = 45;
inline constexpr int VK_DELETE = 46;

// The virtual key of a Qt key (0 when there is none).
int VirtualKeyOf(int qtKey);

// What every toolkit control shares: a font and colour that may follow the
// parent's, a canvas over the control's own surface (an image kept between
// paints, so a paint limited to a band leaves the rest as it was), the
// pending (invalidated) area, and the platform's input hooks.
class TControl : public QWidget {
 public:
  explicit TControl(QWidget* parent = nullptr);
  ~TControl() override;

  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }
  void SetFont(const TFont& font) { FFont.Assign(font); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);

  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  // The colour of the control this one sits on (a toolkit control's Color,
  // else the parent widget's window colour).
  TColor ParentBackground() const;

  int Left() const { return x(); }
  int Top() const { return y(); }
  int Width() const { return width(); }
  int Height() const { return height(); }
  int ClientWidth() const { return width(); }
  int ClientHeight() const { return height(); }
  TRect ClientRect() const { return TRect{0, 0, width(), height()}; }
  void SetBounds(int left, int top, int w, int h);
  void SetWidth(int w) { SetBounds(Left(), Top(), w, Height()); }
  void SetHeight(int h) { SetBounds(Left(), Top(), Width(), h); }

  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool value) { setEnabled(value); }
  bool Visible() const { return isVisible(); }

  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& hint);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value) { FShowHint = value; }

  // The canvas of the control's surface; Paint draws on it.
  Canvas& GetCanvas() { return FCanvas; }
  // What the control shows (the surface), for tests and screenshots.
  const QImage& Surface() const { return FSurface; }
  // Paints the whole control now and answers its surface.
  const QImage& Snapshot();

  // Marks an area for the next paint (the background is never erased:
  // every control paints all of its pixels).
  void Invalidate();
  void InvalidateRect(const TRect& r);
  // Paints the pending area at once.
  void Update();
  // Marks everything and paints at once.
  void Repaint();
  const QRegion& PendingRegion() const { return FPending; }
  int PaintCount() const { return FPaintCount; }
  // The area the latest paint covered.
  TRect LastPaintedArea() const { return FLastPainted; }

  // Reading from a form description: setters that would lay the control
  // out only mark it while loading. EndLoading runs Loaded.
  bool Loading() const { return FLoading; }
  void BeginLoading() { FLoading = true; }
  void EndLoading();

  bool MouseCapture() const { return FCaptured; }
  bool Focused() const { return hasFocus(); }

  // Events of the platform's controls.
  std::function<void(TControl*)> OnClick;
  std::function<void(TControl*, TMouseButton, TShiftState, int, int)> OnMouseDown;
  std::function<void(TControl*, TShiftState, int, int)> OnMouseMove;
  std::function<void(TControl*, TMouseButton, TShiftState, int, int)> OnMouseUp;
  std::function<void(TControl*, int&, TShiftState)> OnKeyDown;
  std::function<void(TControl*, int&, TShiftState)> OnKeyUp;
  std::function<void(TControl*, char&)> OnKeyPress;
  std::function<void(TControl*)> OnEnter;
  std::function<void(TControl*)> OnExit;
  // The generic "control changed" notification (raised by Changed).
  std::function<void(TControl*)> OnChanged;

 protected:
  virtual void Paint();
  virtual void Loaded() {}
  // Sends the generic notification that the control changed.
  void Changed();
  virtual void Click();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void KeyDown(int& key, TShiftState shift);
  virtual void KeyUp(int& key, TShiftState shift);
  virtual void KeyPress(char& key);
  // Whether the control takes the arrow keys itself; otherwise they move
  // the focus like the dialog navigation does.
  virtual bool WantArrows() const { return false; }
  // Notifications.
  virtual void CMFontChanged();
  virtual void CMColorChanged() { Invalidate(); }
  virtual void CMEnabledChanged() { Invalidate(); }
  virtual void CMFocusChanged() { Invalidate(); }
  virtual void CMMouseEnter() {}
  virtual void CMMouseLeave() {}
  virtual void WMSize() {}
  // Whether a press on this control belongs to the form's surface.
  virtual bool PassesPressToForm() const { return false; }

  // Moves the focus to the next (or previous) control of the window, after
  // the current event (the posted WM_NEXTDLGCTL).
  void SelectNext(bool forward);
  // Follows the parent's font or colour now (for ParentFont/ParentColor).
  void TakeParentFont();
  void TakeParentColor();

  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void enterEvent(QEnterEvent* e) override;
  void leaveEvent(QEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool event(QEvent* e) override;

 private:
  void RenderArea(const QRect& area);
  void FontChanged();
  void ColorChanged();
  TFont FFont;
  TColor FColor = clBtnFace;
  bool FParentFont = true;
  bool FParentColor = false;
  bool FLoading = false;
  bool FCaptured = false;
  bool FPressedInside = false;
  bool FShowHint = false;
  bool FInOwnRepaint = false;
  std::string FHint;
  QImage FSurface;
  Canvas FCanvas;
  QRegion FPending;
  int FPaintCount = 0;
  TRect FLastPainted;
};

// A windowed control that can hold the keyboard focus and paints itself.
class TCustomControl : public TControl {
 public:
  explicit TCustomControl(QWidget* parent = nullptr);
  bool TabStop() const;
  void SetTabStop(bool value);
};

// A control without a window of its own: painted on its parent's surface
// and never focused. On a form (a top-level window) a press on it is a
// press on the form's surface, so the form may drag itself by it.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(QWidget* parent = nullptr);

 protected:
  bool PassesPressToForm() const override;
};

}  // namespace tarnick
