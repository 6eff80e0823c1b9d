#include "toolkit/Hint.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>

#include "toolkit/Controls.h"

namespace tarnick {
namespace {

// The control whose hint applies: the widget itself or the nearest parent
// within its window that carries a hint (a composite's inner parts).
QWidget* HintOwner(QWidget* w) {
  while (w) {
    if (!GetHint(w).empty()) return w;
    if (w->isWindow()) break;
    w = w->parentWidget();
  }
  return nullptr;
}

void StartTimer(TTimer& timer, int ms) {
  timer.Stop();
  timer.SetInterval(ms);
  timer.Start();
}

}  // namespace

void SetHint(QWidget* control, const std::string& hint) {
  if (auto* c = dynamic_cast<TControl*>(control)) {
    c->SetHint(hint);
    c->SetShowHint(true);
  } else if (control) {
    control->setToolTip(QString::fromStdString(hint));
  }
}

std::string GetHint(const QWidget* control) {
  if (!control) return std::string();
  // A toolkit control shows its hint only with ShowHint on.
  if (auto* c = dynamic_cast<const TControl*>(control))
    return c->ShowHint() ? c->Hint() : std::string();
  return control->toolTip().toStdString();
}

std::string GetShortHint(const std::string& hint) {
  auto bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(0, bar);
}

std::string GetLongHint(const std::string& hint) {
  auto bar = hint.find('|');
  return bar == std::string::npos ? hint : hint.substr(bar + 1);
}

THintMachine& THintMachine::Instance() {
  static THintMachine* machine = new THintMachine();  // lives as long as the process
  return *machine;
}

THintMachine::THintMachine() {
  showTimer_.OnTimer = [this] {
    showTimer_.Stop();
    ShowNow();
  };
  hideTimer_.OnTimer = [this] {
    hideTimer_.Stop();
    HideWindow();
  };
  if (qApp) qApp->installEventFilter(this);
  SetShowHint(true);
}

void THintMachine::SetShowHint(bool on) {
  if (!on) {
    showTimer_.Stop();
    hideTimer_.Stop();
    window_.reset();
    showHint_ = false;
    return;
  }
  if (showHint_) return;
  showHint_ = true;
  window_ = windowClass_ ? windowClass_() : std::make_unique<THintWindow>();
}

void THintMachine::SetHintWindowClass(THintWindowClass windowClass) {
  windowClass_ = std::move(windowClass);
}

QRect THintMachine::Desktop() const {
  if (desktopOverride_.isValid()) return desktopOverride_;
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->virtualGeometry() : QRect(0, 0, 1024, 768);
}

void THintMachine::SetHintText(const std::string& hint) {
  if (hint == hint_) return;
  hint_ = hint;
  if (OnHint) OnHint(this);
}

void THintMachine::PointerAt(QWidget* control, QPoint globalPos) {
  ++leaveSerial_;
  pointer_ = globalPos;
  if (control == control_.data()) return;  // moving within a control keeps the delay
  bool wasShowing = window_ && window_->isVisible();
  showTimer_.Stop();
  hideTimer_.Stop();
  HideWindow();
  control_ = control;
  shown_ = false;
  SetHintText(control ? GetLongHint(GetHint(control)) : std::string());
  if (!control || !showHint_ || GetHint(control).empty()) return;
  int pause = wasShowing ? hintShortPause_ : hintPause_;
  if (pause <= 0)
    ShowNow();
  else
    StartTimer(showTimer_, pause);
}

void THintMachine::PointerLeft() {
  ++leaveSerial_;
  showTimer_.Stop();
  hideTimer_.Stop();
  HideWindow();
  control_ = nullptr;
  shown_ = false;
  SetHintText(std::string());
}

void THintMachine::CancelHint() {
  PointerLeft();
}

void THintMachine::ShowNow() {
  QWidget* control = control_.data();
  if (!control || !window_ || shown_) return;
  shown_ = true;
  // Controls without mouse tracking report no moves: take the pointer
  // where it is now when it is still over the control.
  const QPoint now = QCursor::pos();
  if (control->isVisible() && control->rect().contains(control->mapFromGlobal(now))) pointer_ = now;
  THintInfo info;
  info.HintControl = control;
  info.CursorPos = pointer_;
  info.HintPos = pointer_ + QPoint(0, kCursorHeightMargin);
  info.HintMaxWidth = Desktop().width();
  info.HintColor = hintColor_;
  std::string text = GetShortHint(GetHint(control));
  bool canShow = true;
  if (OnShowHint) OnShowHint(text, canShow, info);
  if (!canShow || text.empty()) return;
  TRect r = window_->CalcHintRect(info.HintMaxWidth, text);
  r.Offset(info.HintPos.x() - r.Left, info.HintPos.y() - r.Top);
  window_->SetColor(info.HintColor);
  window_->ActivateHint(r, text);
  StartTimer(hideTimer_, hintHidePause_);
}

void THintMachine::HideWindow() {
  if (window_ && window_->isVisible()) window_->ReleaseHint();
}

bool THintMachine::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ToolTip:
      return true;  // Qt's own tool tips stay off
    case QEvent::Enter: {
      auto* w = qobject_cast<QWidget*>(watched);
      if (!w || w == window_.get()) break;
      PointerAt(HintOwner(w), static_cast<QEnterEvent*>(event)->globalPosition().toPoint());
      break;
    }
    case QEvent::MouseMove: {
      auto* w = qobject_cast<QWidget*>(watched);
      auto* me = static_cast<QMouseEvent*>(event);
      if (!w || w == window_.get() || me->buttons() != Qt::NoButton) break;
      // A move reaches the widget and then, if unhandled, its parents:
      // only the first delivery names the widget under the pointer.
      QPoint gp = me->globalPosition().toPoint();
      QWidget* under = w->childAt(w->mapFromGlobal(gp));
      PointerAt(HintOwner(under ? under : w), gp);
      break;
    }
    case QEvent::Leave: {
      auto* w = qobject_cast<QWidget*>(watched);
      if (!w || !(w == control_.data() || w->isWindow())) break;
      // A leave is followed by the enter of what lies under the pointer
      // now; only when none comes is the pointer off every control.
      const int serial = ++leaveSerial_;
      QMetaObject::invokeMethod(
          this,
          [this, serial] {
            if (serial == leaveSerial_) PointerLeft();
          },
          Qt::QueuedConnection);
      break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::Wheel:
      if (control_) CancelHint();
      break;
    default:
      break;
  }
  return false;
}

}  // namespace tarnick
