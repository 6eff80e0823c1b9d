#pragma once

#include <QImage>
#include <QLineEdit>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "toolkit/Controls.h"
#include "toolkit/Graphics.h"
#include "toolkit/Timer.h"

namespace tarnick {

class Canvas;

// The square stepping button: its diagonal from bottom-left to top-right
// splits it into an up half (upper left) and a down half (lower right).
class TKitSpinButton : public TGraphicControl {
 public:
  enum Look { lkNormal = 0, lkUpPressed = 1, lkDownPressed = 2, lkDisabled = 3 };

  explicit TKitSpinButton(QWidget* parent = nullptr);
  ~TKitSpinButton() override;

  int Interval() const { return FInterval; }
  void SetInterval(int ms) { FInterval = ms; }
  Look CurrentLook() const;
  // Which half a point of the button falls in.
  bool InDownHalf(int x, int y) const;
  // The four looks side by side, redrawn when the size changes.
  const QImage& Images();
  const TTimer& RepeatTimer() const { return FRepeat; }

  std::function<void(QObject*)> OnUpClick;
  std::function<void(QObject*)> OnDownClick;

  // Draws one look of a W x H button.
  static void DrawLook(Canvas& canvas, int left, int w, int h, Look look);

 protected:
  void Paint() override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void CMEnabledChanged() override;
  bool PassesPressToForm() const override { return false; }

 private:
  void Click(bool down);
  void TimerExpired();
  enum Pressed { prNone, prUp, prDown };
  int FInterval = 100;
  Pressed FPressed = prNone;  // the half first pressed while held
  bool FShowPressed = false;  // the pointer is over that half
  bool FHeld = false;
  QImage FImages;
  TTimer FRepeat;
};

// A one-line number box with a spin button at its right end. The value
// lives only in the text; every read parses it.
class TKitSpinEdit : public QLineEdit {
 public:
  explicit TKitSpinEdit(QWidget* owner = nullptr);
  ~TKitSpinEdit() override;

  std::int32_t GetValue();
  void SetValue(std::int32_t value);
  std::int32_t CheckValue(std::int32_t value) const;
  std::int32_t Value() { return GetValue(); }

  std::int32_t MinValue() const { return FMinValue; }
  std::int32_t MaxValue() const { return FMaxValue; }
  void SetMinValue(std::int32_t value);
  void SetMaxValue(std::int32_t value);
  std::int32_t LineSize() const { return FLineSize; }
  void SetLineSize(std::int32_t v) { FLineSize = v; }
  std::int32_t PageSize() const { return FPageSize; }
  void SetPageSize(std::int32_t v) { FPageSize = v; }
  std::uint16_t Interval() const;
  void SetInterval(std::uint16_t ms);
  bool EditorEnabled() const { return FEditorEnabled; }
  void SetEditorEnabled(bool v) { FEditorEnabled = v; }
  const std::string& Suffix() const { return FSuffix; }
  void SetSuffix(const std::string& suffix);
  bool AutoSelect() const { return FAutoSelect; }
  void SetAutoSelect(bool v) { FAutoSelect = v; }
  bool ReadOnly() const { return isReadOnly(); }
  void SetReadOnly(bool v) { setReadOnly(v); }

  std::string Text() const;
  void SetText(const std::string& text);

  // While the form description is read: limits are taken as given and no
  // OnChange is raised.
  void SetLoading(bool loading) { FLoading = loading; }

  std::function<void(QObject*)> OnChange;
  std::function<void(QObject*)> OnMouseWheelUp;
  std::function<void(QObject*)> OnMouseWheelDown;

  virtual void UpClick(QObject* sender);
  virtual void DownClick(QObject* sender);
  virtual bool IsValidChar(char32_t key) const;

  TKitSpinButton* Button() const { return FButton; }
  QWidget* ButtonContainer() const { return FContainer; }
  // The text area, in client coordinates (inside the border).
  TRect EditRect() const { return FEditRect; }
  static constexpr int kBorder = 2;  // the sunken edit border
  // Places and sizes the box and lays it out at once (also while hidden).
  void SetBounds(int left, int top, int w, int h);
  void AdjustSizeKit();

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  bool event(QEvent* e) override;

 private:
  void Step(std::int64_t delta);
  void TakeParentFont();
  std::int32_t FMinValue = 0;
  std::int32_t FMaxValue = 100;
  std::int32_t FLineSize = 1;
  std::int32_t FPageSize = 10;
  bool FEditorEnabled = true;
  bool FAutoSelect = true;
  bool FLoading = false;
  bool FInLayout = false;
  int FWheelDelta = 0;
  std::string FSuffix;
  QWidget* FContainer = nullptr;
  TKitSpinButton* FButton = nullptr;
  TRect FEditRect;
};

}  // namespace tarnick
