#include "toolkit/Controls.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

namespace tarnick {

int VirtualKeyOf(int k) {
  switch (k) {
    case Qt::Key_Backspace:
      return VK_BACK;
    case Qt::Key_Tab:
      return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VK_RETURN;
    case Qt::Key_Escape:
      return VK_ESCAPE;
    case Qt::Key_Space:
      return VK_SPACE;
    case Qt::Key_PageUp:
      return VK_PRIOR;
    case Qt::Key_PageDown:
      return VK_NEXT;
    case Qt::Key_End:
      return VK_END;
    case Qt::Key_Home:
      return VK_HOME;
    case Qt::Key_Left:
      return VK_LEFT;
    case Qt::Key_Up:
      return VK_UP;
    case Qt::Key_Right:
      return VK_RIGHT;
    case Qt::Key_Down:
      return VK_DOWN;
    case Qt::Key_Insert:
      return VK_INSERT;
    case Qt::Key_Delete:
      return VK_DELETE;
    default:
      break;
  }
  if (k >= Qt::Key_0 && k <= Qt::Key_9) return '0' + (k - Qt::Key_0);
  if (k >= Qt::Key_A && k <= Qt::Key_Z) return 'A' + (k - Qt::Key_A);
  if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return 112 + (k - Qt::Key_F1);
  return 0;
}

namespace {

TShiftState ShiftOf(Qt::KeyboardModifiers m, Qt::MouseButtons b) {
  TShiftState s = 0;
  if (m & Qt::ShiftModifier) s |= ssShift;
  if (m & Qt::AltModifier) s |= ssAlt;
  if (m & Qt::ControlModifier) s |= ssCtrl;
  if (b & Qt::LeftButton) s |= ssLeft;
  if (b & Qt::RightButton) s |= ssRight;
  if (b & Qt::MiddleButton) s |= ssMiddle;
  return s;
}

bool ButtonOf(Qt::MouseButton b, TMouseButton& out) {
  switch (b) {
    case Qt::LeftButton:
      out = mbLeft;
      return true;
    case Qt::RightButton:
      out = mbRight;
      return true;
    case Qt::MiddleButton:
      out = mbMiddle;
      return true;
    default:
      return false;
  }
}

}  // namespace

TControl::TControl(QWidget* parent) : QWidget(parent), FCanvas(&FSurface) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  FFont.OnChange = [this] {
    FParentFont = false;
    FontChanged();
  };
  TakeParentFont();
  resize(64, 24);
}

TControl::~TControl() {
  FFont.OnChange = nullptr;
}

void TControl::SetParentFont(bool value) {
  if (value == FParentFont) return;
  FParentFont = value;
  if (value) TakeParentFont();
}

void TControl::TakeParentFont() {
  auto* p = dynamic_cast<TControl*>(parentWidget());
  if (!p) return;
  auto handler = std::move(FFont.OnChange);
  const bool changed = !FFont.SameAs(p->Font());
  FFont.Assign(p->Font());
  FFont.OnChange = std::move(handler);
  if (changed) FontChanged();
}

void TControl::FontChanged() {
  for (QObject* o : children())
    if (auto* c = dynamic_cast<TControl*>(o); c && c->FParentFont) c->TakeParentFont();
  CMFontChanged();
}

void TControl::ColorChanged() {
  for (QObject* o : children())
    if (auto* c = dynamic_cast<TControl*>(o); c && c->FParentColor) c->TakeParentColor();
  CMColorChanged();
}

void TControl::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  FParentColor = false;
  ColorChanged();
}

void TControl::SetParentColor(bool value) {
  if (value == FParentColor) return;
  FParentColor = value;
  if (value) TakeParentColor();
}

void TControl::TakeParentColor() {
  const TColor c = ParentBackground();
  if (c == FColor) return;
  FColor = c;
  ColorChanged();
}

TColor TControl::ParentBackground() const {
  QWidget* p = parentWidget();
  if (!p) return clBtnFace;
  if (auto* t = dynamic_cast<TControl*>(p)) return t->Color();
  return FromQColor(p->palette().color(p->backgroundRole()));
}

void TControl::SetBounds(int left, int top, int w, int h) {
  if (left != x() || top != y()) move(left, top);
  if (w != width() || h != height()) resize(w, h);
}

void TControl::SetHint(const std::string& hint) {
  FHint = hint;
  setToolTip(QString::fromStdString(hint));
}

void TControl::EndLoading() {
  FLoading = false;
  Loaded();
}

void TControl::Paint() {
  FCanvas.Brush.Color = FColor;
  FCanvas.Brush.Style = bsSolid;
  FCanvas.FillRect(ClientRect());
}

void TControl::RenderArea(const QRect& area) {
  const bool opaque = testAttribute(Qt::WA_OpaquePaintEvent);
  const QImage::Format format = opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied;
  if (FSurface.size() != size() || FSurface.format() != format) {
    FSurface = QImage(size().expandedTo(QSize(1, 1)), format);
    FSurface.fill(opaque ? 0xFF000000u : 0u);
    FCanvas.SetTarget(&FSurface);
  }
  const QRect r = area.intersected(FSurface.rect());
  if (r.isEmpty()) return;
  if (!opaque) {
    QPainter p(&FSurface);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(r, Qt::transparent);
  }
  FCanvas.ClearClip();
  FCanvas.SetClipRect(TRect::FromQRect(r));
  FLastPainted = TRect::FromQRect(r);
  Paint();
  FCanvas.ClearClip();
  ++FPaintCount;
}

const QImage& TControl::Snapshot() {
  FPending = QRegion();
  RenderArea(rect());
  return FSurface;
}

void TControl::Invalidate() {
  InvalidateRect(ClientRect());
}

void TControl::InvalidateRect(const TRect& r) {
  const QRect q = r.ToQRect().intersected(rect());
  if (q.isEmpty()) return;
  FPending += q;
  update(q);
}

void TControl::Update() {
  if (FPending.isEmpty()) return;
  const QRect area = FPending.boundingRect();
  FPending = QRegion();
  RenderArea(area);
  if (isVisible()) {
    FInOwnRepaint = true;
    repaint(area);
    FInOwnRepaint = false;
  }
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::paintEvent(QPaintEvent* e) {
  if (!FInOwnRepaint) {
    FPending -= e->region();
    RenderArea(e->rect());
  }
  QPainter p(this);
  p.drawImage(e->rect(), FSurface, e->rect());
}

void TControl::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  Invalidate();
  WMSize();
}

void TControl::Changed() {
  if (OnChanged) OnChanged(this);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::KeyDown(int& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TControl::KeyUp(int& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TControl::CMFontChanged() {
  Invalidate();
}

void TControl::SelectNext(bool forward) {
  QPointer<TControl> self(this);
  QTimer::singleShot(0, this, [self, forward] {
    if (self) self->focusNextPrevChild(forward);
  });
}

void TControl::mousePressEvent(QMouseEvent* e) {
  if (PassesPressToForm()) {
    e->ignore();
    return;
  }
  TMouseButton b;
  if (!ButtonOf(e->button(), b)) return;
  FCaptured = true;
  if (b == mbLeft) FPressedInside = true;
  const QPoint p = e->position().toPoint();
  MouseDown(b, ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
}

void TControl::mouseMoveEvent(QMouseEvent* e) {
  if (PassesPressToForm()) {
    e->ignore();
    return;
  }
  const QPoint p = e->position().toPoint();
  MouseMove(ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
}

void TControl::mouseReleaseEvent(QMouseEvent* e) {
  if (PassesPressToForm()) {
    e->ignore();
    return;
  }
  TMouseButton b;
  if (!ButtonOf(e->button(), b)) return;
  if (e->buttons() == Qt::NoButton) FCaptured = false;
  const QPoint p = e->position().toPoint();
  const bool click = b == mbLeft && FPressedInside && rect().contains(p);
  if (b == mbLeft) FPressedInside = false;
  QPointer<TControl> self(this);
  MouseUp(b, ShiftOf(e->modifiers(), e->buttons()), p.x(), p.y());
  if (click && self) Click();
}

void TControl::keyPressEvent(QKeyEvent* e) {
  int key = VirtualKeyOf(e->key());
  const TShiftState shift = ShiftOf(e->modifiers(), Qt::NoButton);
  if (!WantArrows() && (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN)) {
    // The dialog navigation takes the arrows.
    focusNextPrevChild(key == VK_RIGHT || key == VK_DOWN);
    return;
  }
  if (key != 0) {
    KeyDown(key, shift);
    if (key == 0) return;
  }
  const QString text = e->text();
  if (text.size() == 1 && text[0].unicode() < 0x80) {
    char c = static_cast<char>(text[0].unicode());
    KeyPress(c);
  } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    char c = '\r';
    KeyPress(c);
  }
}

void TControl::keyReleaseEvent(QKeyEvent* e) {
  if (e->isAutoRepeat()) return;
  int key = VirtualKeyOf(e->key());
  KeyUp(key, ShiftOf(e->modifiers(), Qt::NoButton));
}

void TControl::focusInEvent(QFocusEvent* e) {
  QWidget::focusInEvent(e);
  CMFocusChanged();
  if (OnEnter) OnEnter(this);
}

void TControl::focusOutEvent(QFocusEvent* e) {
  QWidget::focusOutEvent(e);
  CMFocusChanged();
  if (OnExit) OnExit(this);
}

void TControl::enterEvent(QEnterEvent* e) {
  QWidget::enterEvent(e);
  CMMouseEnter();
}

void TControl::leaveEvent(QEvent* e) {
  QWidget::leaveEvent(e);
  CMMouseLeave();
}

void TControl::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::EnabledChange) CMEnabledChanged();
}

bool TControl::event(QEvent* e) {
  if (e->type() == QEvent::PaletteChange && FParentColor) TakeParentColor();
  if (e->type() == QEvent::ParentChange) {
    if (FParentFont) TakeParentFont();
    if (FParentColor) TakeParentColor();
  }
  if (e->type() == QEvent::ToolTip && !FShowHint) return true;
  return QWidget::event(e);
}

TCustomControl::TCustomControl(QWidget* parent) : TControl(parent) {
  setFocusPolicy(Qt::StrongFocus);
}

bool TCustomControl::TabStop() const {
  return focusPolicy() & Qt::TabFocus;
}

void TCustomControl::SetTabStop(bool value) {
  setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

TGraphicControl::TGraphicControl(QWidget* parent) : TControl(parent) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

bool TGraphicControl::PassesPressToForm() const {
  const QWidget* p = parentWidget();
  return p && p->isWindow();
}

}  // namespace tarnick
