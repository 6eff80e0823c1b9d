#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "toolkit/Graphics.h"
#include "toolkit/HintWindow.h"
#include "toolkit/Timer.h"

class QWidget;

namespace tarnick {

// What the show-hint event may change before a hint opens.
struct THintInfo {
  QWidget* HintControl = nullptr;
  QPoint CursorPos;  // screen
  QPoint HintPos;    // screen; top-left of the hint window
  int HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
};

using THintNotify = std::function<void(QObject* sender)>;
using TShowHintEvent =
    std::function<void(std::string& hintStr, bool& canShow, THintInfo& hintInfo)>;
using THintWindowClass = std::function<std::unique_ptr<THintWindow>()>;

// A control's hint: a toolkit control's Hint (when its ShowHint is on), any
// other widget's tool tip text. Qt's own tool tips never show; the hint
// machinery below takes their events. SetHint also turns ShowHint on.
void SetHint(QWidget* control, const std::string& hint);
std::string GetHint(const QWidget* control);
// The text up to the first "|", and the text after it (all when none).
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);

// The application's hint part: delays, the hint window class, which control
// the pointer is over, and the window's size and place.
class THintMachine : public QObject {
 public:
  static THintMachine& Instance();

  int HintPause() const { return hintPause_; }
  int HintHidePause() const { return hintHidePause_; }
  int HintShortPause() const { return hintShortPause_; }
  void SetHintPause(int ms) { hintPause_ = ms; }
  void SetHintHidePause(int ms) { hintHidePause_ = ms; }
  void SetHintShortPause(int ms) { hintShortPause_ = ms; }
  TColor HintColor() const { return hintColor_; }
  void SetHintColor(TColor color) { hintColor_ = color; }

  // Switching hints on makes a window of the current class, off destroys it.
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool on);
  void SetHintWindowClass(THintWindowClass windowClass);
  THintWindow* HintWindow() const { return window_.get(); }

  THintNotify OnHint;
  TShowHintEvent OnShowHint;

  // The long hint of the control under the pointer.
  const std::string& Hint() const { return hint_; }
  QWidget* HintControl() const { return control_.data(); }

  // Pointer reports; the event filter feeds them, tests may call them.
  // control is the hinted control under the pointer (or null).
  void PointerAt(QWidget* control, QPoint globalPos);
  void PointerLeft();
  // Closes an open hint and forgets the control (a press, a key).
  void CancelHint();

  // The screen the hint is kept on; tests may fix it.
  QRect Desktop() const;
  void SetDesktopForTest(QRect desktop) { desktopOverride_ = desktop; }

  // How far the hint sits below the pointer's hot spot.
  static constexpr int kCursorHeightMargin = 20;

  // The delay before a hint opens and the time it stays open.
  const TTimer& ShowTimer() const { return showTimer_; }
  const TTimer& HideTimer() const { return hideTimer_; }

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  THintMachine();
  void ShowNow();
  void HideWindow();
  void SetHintText(const std::string& hint);

  int hintPause_ = 500;
  int hintHidePause_ = 2500;
  int hintShortPause_ = 0;
  TColor hintColor_ = clInfoBk;
  bool showHint_ = false;
  bool shown_ = false;  // the current control's hint has been shown
  THintWindowClass windowClass_;
  std::unique_ptr<THintWindow> window_;
  QPointer<QWidget> control_;
  QPoint pointer_;
  std::string hint_;
  TTimer showTimer_;
  TTimer hideTimer_;
  QRect desktopOverride_;
  int leaveSerial_ = 0;
};

}  // namespace tarnick
