#include "toolkit/HintWindow.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

#include "toolkit/Hint.h"

namespace tarnick {

THintWindow::THintWindow()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput),
      FCanvas(&FSurface) {
  setAttribute(Qt::WA_ShowWithoutActivating);
  // The widget attribute alone does not reach the platform's window: the
  // input flag gives it an empty input shape (X11) or region (Wayland), so
  // the pointer over the hint stays over the control beneath.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::NoFocus);
  // The toolkit's hint font, a clear brush.
  FCanvas.Font.SetName("Tahoma");
  FCanvas.Font.SetHeight(-11);
  FCanvas.Font.SetColor(clInfoText);
  FCanvas.Brush.Style = bsClear;
}

THintWindow::~THintWindow() = default;

void THintWindow::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  update();
}

TRect THintWindow::CalcHintRect(int maxWidth, const std::string& hint) {
  TRect r = Rect(0, 0, maxWidth, 0);
  FCanvas.DrawText(hint, r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  r.Right += 6;
  r.Bottom += 2;
  return r;
}

void THintWindow::ActivateHint(TRect rect, const std::string& hint) {
  FCaption = hint;
  const int w = rect.Width();
  const int h = rect.Height() + 4;
  const TRect desk = TRect::FromQRect(THintMachine::Instance().Desktop());
  int x = rect.Left, y = rect.Top;
  if (y + h > desk.Bottom) y = desk.Bottom - h;
  if (x + w > desk.Right) x = desk.Right - w;
  if (x < desk.Left) x = desk.Left;
  if (y < desk.Top) y = desk.Top;
  // A window that does not erase shows what lay beneath it.
  QScreen* screen = QGuiApplication::screenAt(QPoint(x, y));
  if (!screen) screen = QGuiApplication::primaryScreen();
  FBeneath = QImage();
  if (screen) {
    const QPoint origin = screen->geometry().topLeft();
    FBeneath = screen->grabWindow(0, x - origin.x(), y - origin.y(), w, h).toImage();
  }
  setGeometry(x, y, w, h);
  show();  // a tool tip window stays on top
  update();
}

void THintWindow::ReleaseHint() {
  hide();
}

TRect THintWindow::BoundsRect() const {
  return TRect::FromQRect(geometry());
}

bool THintWindow::EraseBackground() {
  Canvas eraser(&FSurface);
  eraser.Brush.Color = FColor;
  eraser.Brush.Style = bsSolid;
  eraser.FillRect(Rect(0, 0, width(), height()));
  return true;
}

void THintWindow::Paint() {
  TRect r = Rect(0, 0, width(), height());
  r.Inflate(-2, -2);
  FCanvas.Brush.Style = bsClear;
  FCanvas.DrawText(FCaption, r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}

void THintWindow::Render() {
  const QSize sz = size().expandedTo(QSize(1, 1));
  if (FSurface.size() != sz) {
    FSurface = QImage(sz, QImage::Format_RGB32);
    FCanvas.SetTarget(&FSurface);
  }
  if (!EraseBackground()) {
    FSurface.fill(Qt::black);
    if (!FBeneath.isNull()) {
      QPainter p(&FSurface);
      p.drawImage(0, 0, FBeneath);
    }
  }
  FCanvas.ClearClip();
  Paint();
}

const QImage& THintWindow::Snapshot() {
  Render();
  return FSurface;
}

void THintWindow::paintEvent(QPaintEvent* e) {
  Render();
  QPainter p(this);
  p.drawImage(e->rect(), FSurface, e->rect());
}

}  // namespace tarnick
