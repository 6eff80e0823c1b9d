#include "controls/Kitspinedit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "engine/NumberText.h"
#include "toolkit/Canvas.h"
#include "toolkit/Dialogs.h"

namespace tarnick {
namespace {

// Nearest integer, an exact half to the even neighbour.
int RoundEven(double v) {
  return static_cast<int>(std::nearbyint(v));
}

constexpr int kSystemBorder = 1;  // the system's one-pixel border height

}  // namespace

// ---------------------------------------------------------------- button

TKitSpinButton::TKitSpinButton(QWidget* parent) : TGraphicControl(parent) {
  resize(20, 20);
  FRepeat.OnTimer = [this] { TimerExpired(); };
}

TKitSpinButton::~TKitSpinButton() = default;

TKitSpinButton::Look TKitSpinButton::CurrentLook() const {
  if (!isEnabled()) return lkDisabled;
  if (FHeld && FShowPressed) return FPressed == prUp ? lkUpPressed : lkDownPressed;
  return lkNormal;
}

bool TKitSpinButton::InDownHalf(int x, int y) const {
  double w = width(), h = height();
  if (h <= 0) return false;
  return y > h - (w / h) * x;
}

void TKitSpinButton::DrawLook(Canvas& c, int left, int w, int h, Look look) {
  const TColor face = clBtnFace, frame = clWindowFrame, shadow = clBtnShadow,
               light = clBtnHighlight;
  auto line = [&](TColor color, std::vector<TPoint> pts) {
    for (auto& p : pts) p.X += left;
    c.Pen.Color = color;
    c.Pen.Width = 1;
    c.Pen.Style = psSolid;
    c.Polyline(pts);
  };
  c.Brush.Color = face;
  c.Brush.Style = bsSolid;
  c.Pen.Color = frame;
  c.Pen.Width = 1;
  c.Pen.Style = psSolid;
  c.Rectangle(left, 0, left + w, h);
  line(frame, {{-1, h}, {w, -1}});

  bool upPressed = look == lkUpPressed, downPressed = look == lkDownPressed;
  line(upPressed ? shadow : light, {{1, h - 4}, {1, 1}, {w - 3, 1}});
  if (!upPressed) line(shadow, {{1, h - 3}, {w - 2, 0}});
  line(downPressed ? light : shadow, {{2, h - 2}, {w - 2, h - 2}, {w - 2, 1}});
  line(downPressed ? shadow : light, {{2, h - 2}, {w - 1, 1}});
  if (downPressed) line(shadow, {{3, h - 2}, {w - 1, 2}});

  int x0 = RoundEven(w / 4.0 - 2) + 1, y0 = RoundEven(h / 4.0 - 2) + 1;
  int x1 = RoundEven(3.0 * w / 4.0 - 2) - 1, y1 = RoundEven(3.0 * h / 4.0 - 2) - 1;
  if (upPressed) ++x0, ++y0;
  if (downPressed) ++x1, ++y1;
  auto arrows = [&](int dx, int dy, TColor color) {
    for (int i = 0; i < 3; ++i) {
      // Up: apex row first, widening downwards.
      for (int x = x0 + 1 - i; x <= x0 + 1 + i; ++x) c.SetPixel(left + x + dx, y0 + i + dy, color);
      // Down: wide row first, narrowing downwards.
      for (int x = x1 + i; x <= x1 + 4 - i; ++x) c.SetPixel(left + x + dx, y1 + i + dy, color);
    }
  };
  if (look == lkDisabled) {
    arrows(1, 1, ColorToRGB(clHighlightText));
    arrows(0, 0, ColorToRGB(clGrayText));
  } else {
    arrows(0, 0, clBlack);
  }
}

const QImage& TKitSpinButton::Images() {
  int w = width(), h = height();
  if (FImages.width() != 4 * w || FImages.height() != h) {
    FImages = QImage(std::max(1, 4 * w), std::max(1, h), QImage::Format_RGB32);
    Canvas c(&FImages);
    for (int look = 0; look < 4; ++look) {
      c.SetClipRect(Bounds(look * w, 0, w, h));
      DrawLook(c, look * w, w, h, static_cast<Look>(look));
    }
  }
  return FImages;
}

void TKitSpinButton::Paint() {
  const QImage& strip = Images();
  int w = width(), h = height();
  GetCanvas().BitBlt(0, 0, w, h, strip, CurrentLook() * w, 0, SRCCOPY);
}

void TKitSpinButton::Click(bool down) {
  if (down) {
    if (OnDownClick) OnDownClick(this);
  } else if (OnUpClick) {
    OnUpClick(this);
  }
}

void TKitSpinButton::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !isEnabled() || FHeld) return;
  QPoint p = e->position().toPoint();
  FPressed = InDownHalf(p.x(), p.y()) ? prDown : prUp;
  FHeld = true;
  FShowPressed = true;
  Click(FPressed == prDown);
  Invalidate();
  FRepeat.Stop();
  FRepeat.SetInterval(FInterval + 200);
  FRepeat.Start();
}

void TKitSpinButton::mouseMoveEvent(QMouseEvent* e) {
  if (!FHeld) return;
  QPoint p = e->position().toPoint();
  bool inside = rect().contains(p);
  bool over = inside && (InDownHalf(p.x(), p.y()) == (FPressed == prDown));
  if (over != FShowPressed) {
    FShowPressed = over;
    Invalidate();
  }
}

void TKitSpinButton::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !FHeld) return;
  FHeld = false;
  FShowPressed = false;
  FPressed = prNone;
  FRepeat.Stop();
  Invalidate();
}

void TKitSpinButton::TimerExpired() {
  if (!FHeld) return;
  FRepeat.SetInterval(FInterval);
  if (FShowPressed) Click(FPressed == prDown);
}

void TKitSpinButton::CMEnabledChanged() {
  if (!isEnabled()) {
    FHeld = false;
    FShowPressed = false;
    FRepeat.Stop();
  }
  Invalidate();
}

// ---------------------------------------------------------------- edit

TKitSpinEdit::TKitSpinEdit(QWidget* owner) : QLineEdit(owner) {
  setFrame(false);
  setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  setContentsMargins(kBorder, kBorder, kBorder, kBorder);
  FContainer = new QWidget(this);
  FContainer->setCursor(Qt::ArrowCursor);
  FButton = new TKitSpinButton(FContainer);
  FButton->OnUpClick = [this](QObject*) { UpClick(this); };
  FButton->OnDownClick = [this](QObject*) { DownClick(this); };
  QLineEdit::setText(QStringLiteral("0"));
  TakeParentFont();
  connect(this, &QLineEdit::textChanged, this, [this] {
    if (!FLoading && OnChange) OnChange(this);
  });
  resize(121, 21);
  AdjustSizeKit();
}

TKitSpinEdit::~TKitSpinEdit() = default;

std::string TKitSpinEdit::Text() const {
  return text().toStdString();
}

void TKitSpinEdit::SetText(const std::string& text) {
  QString t = QString::fromStdString(text);
  if (t != this->text()) QLineEdit::setText(t);
}

std::int32_t TKitSpinEdit::CheckValue(std::int32_t value) const {
  if (FMinValue == FMaxValue) return value;
  return std::clamp(value, FMinValue, FMaxValue);
}

std::int32_t TKitSpinEdit::GetValue() {
  std::string minText = std::to_string(FMinValue);
  if (FSuffix.empty()) {
    if (Text().empty()) SetText(minText);
    if (auto v = TryStrToInt(Text())) return *v;
    SetText(minText);
    return FMinValue;
  }
  std::string kept;
  for (char c : Text())
    if (c == '+' || c == '-' || (c >= '0' && c <= '9')) kept += c;
  if (kept.empty()) kept = minText;
  if (auto v = TryStrToInt(kept)) {
    SetText(kept + FSuffix);
    return *v;
  }
  SetText(minText + FSuffix);
  return FMinValue;
}

void TKitSpinEdit::SetValue(std::int32_t value) {
  SetText(std::to_string(CheckValue(value)) + FSuffix);
}

void TKitSpinEdit::SetSuffix(const std::string& suffix) {
  if (suffix == FSuffix) return;
  // The number is read with the old suffix, then shown with the new one.
  std::int32_t v = GetValue();
  FSuffix = suffix;
  SetValue(v);
}

void TKitSpinEdit::SetMaxValue(std::int32_t value) {
  if (value == FMaxValue) return;
  if (!FLoading && value <= FMinValue) return;
  FMaxValue = value;
  if (!FLoading && GetValue() > FMaxValue) SetValue(FMaxValue);
}

void TKitSpinEdit::SetMinValue(std::int32_t value) {
  if (value == FMinValue) return;
  if (!FLoading && value >= FMaxValue) return;
  FMinValue = value;
  if (!FLoading && GetValue() < FMinValue) SetValue(FMinValue);
}

std::uint16_t TKitSpinEdit::Interval() const {
  return static_cast<std::uint16_t>(FButton->Interval());
}

void TKitSpinEdit::SetInterval(std::uint16_t ms) {
  FButton->SetInterval(ms);
}

void TKitSpinEdit::Step(std::int64_t delta) {
  // 64-bit sum: a step past the 32-bit range clamps instead of wrapping.
  std::int64_t v = GetValue() + delta;
  v = std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX);
  SetValue(static_cast<std::int32_t>(v));
}

void TKitSpinEdit::UpClick(QObject*) {
  if (ReadOnly())
    MessageBeep(0);
  else
    Step(FLineSize);
}

void TKitSpinEdit::DownClick(QObject*) {
  if (ReadOnly())
    MessageBeep(0);
  else
    Step(-std::int64_t(FLineSize));
}

bool TKitSpinEdit::IsValidChar(char32_t key) const {
  bool valid = key == U'+' || key == U'-' || (key >= U'0' && key <= U'9') || key < 32;
  if (!FEditorEnabled && valid && (key >= 32 || key == 8 || key == 46)) valid = false;
  return valid;
}

void TKitSpinEdit::keyPressEvent(QKeyEvent* e) {
  switch (e->key()) {
    case Qt::Key_Up:
      UpClick(this);
      e->accept();
      return;
    case Qt::Key_Down:
      DownClick(this);
      e->accept();
      return;
    case Qt::Key_PageUp:
      if (!ReadOnly()) Step(FPageSize);
      e->accept();
      return;
    case Qt::Key_PageDown:
      if (!ReadOnly()) Step(-std::int64_t(FPageSize));
      e->accept();
      return;
    default:
      break;
  }
  bool editable = FEditorEnabled && !ReadOnly();
  if (!editable && (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut) ||
                    e->key() == Qt::Key_Delete)) {
    // Without an editor the text may not be changed by any key.
    e->accept();
    return;
  }
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
    // Dialog keys go to the window (its default or cancel button).
    e->ignore();
    return;
  }
  QString t = e->text();
  if (!t.isEmpty() && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    char32_t key = t.toUcs4().value(0);
    if (key == 0x7F) key = 8;  // some platforms send DEL for Backspace
    if (!IsValidChar(key)) {
      MessageBeep(0);
      e->accept();
      return;
    }
  }
  QLineEdit::keyPressEvent(e);
}

void TKitSpinEdit::wheelEvent(QWheelEvent* e) {
  FWheelDelta += e->angleDelta().y();
  while (FWheelDelta >= 120) {
    FWheelDelta -= 120;
    if (OnMouseWheelUp) OnMouseWheelUp(this);
    UpClick(this);
  }
  while (FWheelDelta <= -120) {
    FWheelDelta += 120;
    if (OnMouseWheelDown) OnMouseWheelDown(this);
    DownClick(this);
  }
  e->accept();
}

void TKitSpinEdit::focusInEvent(QFocusEvent* e) {
  QLineEdit::focusInEvent(e);
  if (e->reason() == Qt::MouseFocusReason) return;
  if (FAutoSelect)
    selectAll();
  else
    deselect();
}

void TKitSpinEdit::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  std::int32_t v = GetValue();
  if (CheckValue(v) != v) SetValue(v);
}

void TKitSpinEdit::AdjustSizeKit() {
  if (FInLayout) return;
  FInLayout = true;
  QFontMetrics fm(font());
  QFontMetrics sys(QApplication::font());
  int charHeight = fm.height();
  int minHeight = charHeight + std::min(charHeight, sys.height()) / 4 + 4 * kSystemBorder;
  if (height() < minHeight) resize(width(), minHeight);
  int clientW = width() - 2 * kBorder, clientH = height() - 2 * kBorder;
  int side = height() - 4 * kSystemBorder;
  FContainer->setGeometry(kBorder + width() - height(), kBorder, side, side);
  FButton->setGeometry(0, 0, side, side);
  FEditRect = Rect(0, 0, clientW - FButton->width() - 2, clientH + 1);
  // The text may use the edit rectangle only.
  setTextMargins(0, 0, std::max(0, clientW - FEditRect.Width()), 0);
  FInLayout = false;
}

void TKitSpinEdit::SetBounds(int left, int top, int w, int h) {
  setGeometry(left, top, w, h);
  AdjustSizeKit();
}

void TKitSpinEdit::resizeEvent(QResizeEvent* e) {
  QLineEdit::resizeEvent(e);
  AdjustSizeKit();
}

void TKitSpinEdit::TakeParentFont() {
  // On a toolkit control the box shows the window's font, as the form's
  // controls do.
  auto* p = dynamic_cast<TControl*>(parentWidget());
  if (!p) return;
  setFont(p->Font().ToQFont());
  QPalette pal = palette();
  // The font colour while enabled; a disabled box keeps the grey text.
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive})
    pal.setColor(g, QPalette::Text, ToQColor(p->Font().Color()));
  pal.setColor(QPalette::Disabled, QPalette::Text, ToQColor(clGrayText));
  setPalette(pal);
}

bool TKitSpinEdit::event(QEvent* e) {
  if (e->type() == QEvent::ParentChange) TakeParentFont();
  return QLineEdit::event(e);
}

void TKitSpinEdit::changeEvent(QEvent* e) {
  if (e->type() == QEvent::EnabledChange) FButton->setEnabled(isEnabled());
  if (e->type() == QEvent::FontChange) AdjustSizeKit();
  QLineEdit::changeEvent(e);
}

void TKitSpinEdit::paintEvent(QPaintEvent* e) {
  QLineEdit::paintEvent(e);
  // The sunken two-pixel edit border, drawn through the canvas; only the
  // border strips are copied over the edit's own painting.
  const int w = width(), h = height();
  QImage border(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  Canvas c(&border);
  c.DrawEdge(Rect(0, 0, w, h), EDGE_SUNKEN, BF_RECT);
  QPainter p(this);
  for (QRect strip : {QRect(0, 0, w, kBorder), QRect(0, h - kBorder, w, kBorder),
                      QRect(0, 0, kBorder, h), QRect(w - kBorder, 0, kBorder, h)})
    p.drawImage(strip, border, strip);
}

}  // namespace tarnick
