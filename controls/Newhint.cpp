#include "controls/Newhint.h"

#include <QPolygon>
#include <cmath>

namespace tarnick {
namespace {

TAppHint* gCurrent = nullptr;

}  // namespace

// ---------------------------------------------------------------- component

TAppHint::TAppHint(QObject* owner) : QObject(owner) {
  FFont.SetColor(clLime);
  FFont.OnChange = [this] { FontChange(); };
  Takeover();
  gCurrent = this;
}

TAppHint::~TAppHint() {
  FFont.OnChange = nullptr;
  THintMachine& m = THintMachine::Instance();
  if (gCurrent == this) {
    gCurrent = nullptr;
    // The application must not call into a component that is gone.
    m.OnHint = nullptr;
    m.OnShowHint = nullptr;
  }
}

TAppHint* TAppHint::Current() {
  return gCurrent;
}

void TAppHint::Takeover() {
  THintMachine& m = THintMachine::Instance();
  m.SetHintWindowClass([] { return std::make_unique<THintEx>(); });
  m.SetShowHint(false);
  m.SetShowHint(true);
}

void TAppHint::Loaded() {
  Takeover();
  THintMachine& m = THintMachine::Instance();
  m.OnHint = [this](QObject* sender) { DoHint(sender); };
  m.OnShowHint = [this](std::string& s, bool& can, THintInfo& info) { ShowHint(s, can, info); };
}

void TAppHint::FontChange() {
  // A new window takes the new font.
  THintMachine& m = THintMachine::Instance();
  m.SetShowHint(false);
  m.SetShowHint(true);
}

void TAppHint::SetHintStyle(THintStyle style) {
  if (style == FHintStyle) return;
  FHintStyle = style;
  FontChange();
}

int TAppHint::GetHintPause() const {
  return THintMachine::Instance().HintPause();
}
void TAppHint::SetHintPause(int ms) {
  THintMachine::Instance().SetHintPause(ms);
}
int TAppHint::GetHidePause() const {
  return THintMachine::Instance().HintHidePause();
}
void TAppHint::SetHidePause(int ms) {
  THintMachine::Instance().SetHintHidePause(ms);
}
int TAppHint::GetShortPause() const {
  return THintMachine::Instance().HintShortPause();
}
void TAppHint::SetShortPause(int ms) {
  THintMachine::Instance().SetHintShortPause(ms);
}

void TAppHint::DoHint(QObject* sender) {
  if (OnHint) OnHint(sender);
}

void TAppHint::ShowHint(std::string& hintStr, bool& canShow, THintInfo& hintInfo) {
  hintInfo.HintPos.setY(hintInfo.HintPos.y() - 8);
  if (OnShowHint) OnShowHint(hintStr, canShow, hintInfo);
}

// ---------------------------------------------------------------- window

THintEx::THintEx() {
  if (TAppHint* a = TAppHint::Current()) GetCanvas().Font = a->Font();
}

THintEx::~THintEx() {
  DestroyWindowHandle();
}

void THintEx::DestroyWindowHandle() {
  clearMask();
}

QRegion THintEx::RoundRectRegion(int w, int h, int ew, int eh) {
  QRegion region;
  if (w <= 0 || h <= 0) return region;
  const double a = ew / 2.0, b = eh / 2.0;
  for (int y = 0; y < h; ++y) {
    // Distance of the row's centre from the nearer straight part.
    double cy = y + 0.5;
    double dy = 0;
    if (cy < b)
      dy = b - cy;
    else if (cy > h - b)
      dy = cy - (h - b);
    int inset = 0;
    if (dy > 0 && b > 0) {
      double t = 1.0 - (dy / b) * (dy / b);
      inset = static_cast<int>(std::lround(a - a * std::sqrt(std::max(0.0, t))));
    }
    if (w - 2 * inset > 0) region += QRect(inset, y, w - 2 * inset, 1);
  }
  return region;
}

void THintEx::ActivateHint(TRect r, const std::string& hint) {
  clearMask();
  TAppHint* a = TAppHint::Current();
  QRegion region;
  if (a) {
    switch (a->HintStyle()) {
      case hsFukidashi: {
        r.Bottom += 9;  // room for the tail
        const int h = r.Height(), w = r.Width();
        QPolygon shape;
        shape << QPoint(14, 0) << QPoint(8, 9) << QPoint(0, 9) << QPoint(0, h) << QPoint(w, h)
              << QPoint(w, 9) << QPoint(14, 9);
        region = QRegion(shape, Qt::WindingFill);
        FOutline = {TPoint{14, 0},        TPoint{9, 9},     TPoint{0, 9},  TPoint{0, h - 1},
                    TPoint{w - 1, h - 1}, TPoint{w - 1, 9}, TPoint{13, 9}, TPoint{13, 0}};
        break;
      }
      case hsRoundRect:
        region = RoundRectRegion(r.Width() + 1, r.Height() + 1, 8, 8);
        break;
      case hsLineString:
        r.Right += 21;
        r.Bottom += 12;
        region = QRegion(1, 1, r.Width() - 2, r.Height() - 2);
        break;
      case hsOwnerDraw:
        break;
    }
  }
  FHintRect = r;
  if (!region.isEmpty()) setMask(region);
  THintWindow::ActivateHint(r, hint);
}

bool THintEx::EraseBackground() {
  TAppHint* a = TAppHint::Current();
  if (!a || a->HintStyle() == hsLineString) return false;
  return THintWindow::EraseBackground();
}

void THintEx::Paint() {
  TAppHint* a = TAppHint::Current();
  if (!a) return;
  Canvas& c = GetCanvas();
  c.Font = a->Font();
  c.Brush = a->Brush();
  c.Pen = a->Pen();
  const int w = FHintRect.Width(), h = FHintRect.Height();
  const TRect client = Rect(0, 0, width(), height());
  const unsigned flags = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;
  const std::string& text = Caption();
  auto textAt = [&](int dx, int dy, TColor color) {
    TRect k = client;
    k.Offset(dx, dy);
    c.Font.SetColor(color);
    c.DrawText(text, k, flags);
  };
  const TColor fontColor = a->Font().Color();
  switch (a->HintStyle()) {
    case hsRoundRect:
      c.FillRect(client);
      c.Brush.Style = bsClear;
      if (a->ShadowVisible) textAt(2, 2, a->ShadowColor);
      textAt(1, 1, fontColor);
      c.RoundRect(0, 0, w, h, 8, 8);
      break;
    case hsFukidashi:
      c.FillRect(client);
      c.Brush.Style = bsClear;
      if (a->ShadowVisible) textAt(4, 10, a->ShadowColor);
      textAt(3, 9, fontColor);
      c.Polygon(std::vector<TPoint>(FOutline.begin(), FOutline.end()));
      break;
    case hsLineString:
      c.Brush.Style = bsClear;
      if (a->ShadowVisible) {
        for (auto [dx, dy] : {std::pair{19, 10}, {19, 12}, {18, 11}, {20, 11}})
          textAt(dx, dy, a->ShadowColor);
      }
      textAt(19, 11, fontColor);
      c.Polyline({TPoint{1, 1}, TPoint{17, h - 2}, TPoint{w, h - 2}});
      break;
    case hsOwnerDraw:
      if (a->OnPaint) a->OnPaint(text, c, width(), height());
      break;
  }
}

}  // namespace tarnick
