#include "toolkit/Canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tarnick {

namespace {

inline QRgb ToRgb(TColor c) {
  const TColor v = ColorToRGB(c);
  return qRgb(GetRValue(v), GetGValue(v), GetBValue(v));
}

inline TColor FromRgb(QRgb p) {
  return RGB(qRed(p), qGreen(p), qBlue(p));
}

QRgb ApplyRop(QRgb d, QRgb s, std::uint32_t rop) {
  const QRgb dv = d & 0xFFFFFF, sv = s & 0xFFFFFF;
  QRgb v;
  switch (rop) {
    case SRCPAINT:
      v = dv | sv;
      break;
    case SRCAND:
      v = dv & sv;
      break;
    case SRCINVERT:
      v = dv ^ sv;
      break;
    case NOTSRCCOPY:
      v = ~sv;
      break;
    case MERGEPAINT:
      v = dv | ~sv;
      break;
    default:
      v = sv;
      break;
  }
  return 0xFF000000 | (v & 0xFFFFFF);
}

bool IsWrapPoint(QChar c) {
  // Japanese text breaks between any two characters.
  return c.unicode() >= 0x2E80;
}

struct TextLine {
  QString text;
  std::vector<int> underlined;  // indices into text
};

// Tab stops every eight average character widths.
int TabStop(const QFontMetrics& fm) {
  return std::max(1, 8 * fm.averageCharWidth());
}

int LineWidth(const QFontMetrics& fm, const QString& s, bool expandTabs) {
  if (!expandTabs || !s.contains(u'\t')) return fm.horizontalAdvance(s);
  int x = 0;
  const int stop = TabStop(fm);
  const QStringList parts = s.split(u'\t');
  for (int i = 0; i < parts.size(); ++i) {
    x += fm.horizontalAdvance(parts[i]);
    if (i + 1 < parts.size()) x = (x / stop + 1) * stop;
  }
  return x;
}

QString ElideEnd(const QFontMetrics& fm, const QString& s, int width, bool tabs) {
  const QString dots = QStringLiteral("...");
  for (int n = s.size() - 1; n >= 0; --n) {
    const QString t = s.left(n) + dots;
    if (LineWidth(fm, t, tabs) <= width) return t;
  }
  return dots;
}

QString ElidePath(const QFontMetrics& fm, const QString& s, int width, bool tabs) {
  int sep = std::max(s.lastIndexOf(u'\\'), s.lastIndexOf(u'/'));
  if (sep < 0) return ElideEnd(fm, s, width, tabs);
  const QString tail = s.mid(sep);
  const QString dots = QStringLiteral("...");
  for (int n = sep - 1; n >= 0; --n) {
    const QString t = s.left(n) + dots + tail;
    if (LineWidth(fm, t, tabs) <= width) return t;
  }
  return ElideEnd(fm, dots + tail, width, tabs);
}

}  // namespace

Canvas::Canvas(QImage* target) : FImage(nullptr) {
  SetTarget(target);
}

void Canvas::SetTarget(QImage* target) {
  FImage = target;
  if (FImage && !FImage->isNull() && FImage->format() != QImage::Format_RGB32 &&
      FImage->format() != QImage::Format_ARGB32_Premultiplied)
    *FImage = FImage->convertToFormat(QImage::Format_RGB32);
  if (!FClipSet) ClearClip();
}

int Canvas::Width() const {
  return FImage ? FImage->width() : 0;
}
int Canvas::Height() const {
  return FImage ? FImage->height() : 0;
}

void Canvas::SetClipRect(const TRect& r) {
  FClip = r.Intersected(TRect{0, 0, Width(), Height()});
  FClipSet = true;
}

void Canvas::ClearClip() {
  FClip = TRect{0, 0, Width(), Height()};
  FClipSet = false;
}

TColor Canvas::Pixel(int x, int y) const {
  if (!FImage || x < 0 || y < 0 || x >= FImage->width() || y >= FImage->height()) return clBlack;
  return FromRgb(FImage->pixel(x, y));
}

void Canvas::SetPixel(int x, int y, TColor color) {
  if (!FImage || Clipped(x, y)) return;
  reinterpret_cast<QRgb*>(FImage->scanLine(y))[x] = ToRgb(color);
}

void Canvas::HLine(int x1, int x2, int y, TColor c) {
  if (!FImage || y < FClip.Top || y >= FClip.Bottom) return;
  x1 = std::max(x1, FClip.Left);
  x2 = std::min(x2, FClip.Right);
  if (x1 >= x2) return;
  QRgb* row = reinterpret_cast<QRgb*>(FImage->scanLine(y));
  const QRgb v = ToRgb(c);
  std::fill(row + x1, row + x2, v);
}

void Canvas::VLine(int x, int y1, int y2, TColor c) {
  for (int y = y1; y < y2; ++y) SetPixel(x, y, c);
}

void Canvas::FillSolid(const TRect& r, TColor c) {
  const TRect k = r.Intersected(FClip);
  for (int y = k.Top; y < k.Bottom; ++y) HLine(k.Left, k.Right, y, c);
}

void Canvas::FillRect(const TRect& r) {
  if (Brush.Style == bsClear) return;
  FillSolid(r, Brush.Color);
}

void Canvas::FrameRect(const TRect& r) {
  if (r.IsEmpty()) return;
  const TColor c = Brush.Color;
  HLine(r.Left, r.Right, r.Top, c);
  HLine(r.Left, r.Right, r.Bottom - 1, c);
  VLine(r.Left, r.Top, r.Bottom, c);
  VLine(r.Right - 1, r.Top, r.Bottom, c);
}

void Canvas::Rectangle(int l, int t, int r, int b) {
  if (Pen.Style == psClear) {
    if (Brush.Style != bsClear) FillSolid(TRect{l, t, r - 1, b - 1}, Brush.Color);
    return;
  }
  if (Brush.Style != bsClear) FillSolid(TRect{l + 1, t + 1, r - 1, b - 1}, Brush.Color);
  const int w = std::max(1, Pen.Width);
  const TColor c = Pen.Color;
  if (w == 1 || Pen.Style == psInsideFrame) {
    for (int k = 0; k < w; ++k) {
      HLine(l + k, r - k, t + k, c);
      HLine(l + k, r - k, b - 1 - k, c);
      VLine(l + k, t + k, b - k, c);
      VLine(r - 1 - k, t + k, b - k, c);
    }
    return;
  }
  // A wide pen is centred on the outline's path.
  const int o = w / 2;
  FillSolid(TRect{l - o, t - o, r - 1 - o + w, t - o + w}, c);
  FillSolid(TRect{l - o, b - 1 - o, r - 1 - o + w, b - 1 - o + w}, c);
  FillSolid(TRect{l - o, t - o, l - o + w, b - 1 - o + w}, c);
  FillSolid(TRect{r - 1 - o, t - o, r - 1 - o + w, b - 1 - o + w}, c);
}

void Canvas::PreparePainter(QPainter& p) const {
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::TextAntialiasing, false);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  p.setClipRect(FClip.ToQRect());
}

void Canvas::PrepareShapePainter(QPainter& p) const {
  PreparePainter(p);
  if (Pen.Style == psClear)
    p.setPen(Qt::NoPen);
  else
    p.setPen(QPen(ToQColor(Pen.Color), Pen.Width <= 1 ? 0 : Pen.Width));
  p.setBrush(Brush.Style == bsClear ? QBrush(Qt::NoBrush) : QBrush(ToQColor(Brush.Color)));
}

void Canvas::RoundRect(int l, int t, int r, int b, int cw, int ch) {
  if (!FImage || r - l < 1 || b - t < 1) return;
  QPainter p(FImage);
  PrepareShapePainter(p);
  p.drawRoundedRect(QRect(l, t, r - l - 1, b - t - 1), cw / 2.0, ch / 2.0, Qt::AbsoluteSize);
}

void Canvas::Ellipse(int l, int t, int r, int b) {
  if (!FImage || r - l < 1 || b - t < 1) return;
  QPainter p(FImage);
  PrepareShapePainter(p);
  p.drawEllipse(QRect(l, t, r - l - 1, b - t - 1));
}

void Canvas::Polygon(const std::vector<TPoint>& points) {
  if (!FImage || points.empty()) return;
  QPolygon poly;
  for (const TPoint& pt : points) poly << QPoint(pt.X, pt.Y);
  QPainter p(FImage);
  PrepareShapePainter(p);
  p.drawPolygon(poly, Qt::OddEvenFill);
}

void Canvas::ThinLine(int x1, int y1, int x2, int y2, TColor c) {
  // Bresenham from the start up to, not including, the end point.
  const int dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
  const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
  int err = dx + dy;
  int x = x1, y = y1;
  int n = 0;
  while (x != x2 || y != y2) {
    if (Pen.Style != psDot || n % 2 == 0) SetPixel(x, y, c);
    ++n;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

void Canvas::Stroke(int x1, int y1, int x2, int y2) {
  if (Pen.Style == psClear || !FImage) return;
  if (Pen.Width <= 1) {
    ThinLine(x1, y1, x2, y2, Pen.Color);
    return;
  }
  QPainter p(FImage);
  PreparePainter(p);
  p.setPen(QPen(ToQColor(Pen.Color), Pen.Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(x1, y1, x2, y2);
}

void Canvas::MoveTo(int x, int y) {
  PenPos = TPoint{x, y};
}

void Canvas::LineTo(int x, int y) {
  Stroke(PenPos.X, PenPos.Y, x, y);
  PenPos = TPoint{x, y};
}

void Canvas::Polyline(const std::vector<TPoint>& points) {
  if (points.empty()) return;
  for (size_t i = 1; i < points.size(); ++i)
    Stroke(points[i - 1].X, points[i - 1].Y, points[i].X, points[i].Y);
}

TSize MeasureText(const TFont& font, const std::string& text) {
  const QFontMetrics fm(font.ToQFont());
  return TSize{fm.horizontalAdvance(QString::fromStdString(text)), fm.ascent() + fm.descent()};
}

TSize Canvas::TextExtent(const std::string& text) const {
  return MeasureText(Font, text);
}

void Canvas::DrawTextRun(QPainter& p, int x, int y, const std::string& text, bool opaque) {
  const QString s = QString::fromStdString(text);
  const QFont f = Font.ToQFont();
  const QFontMetrics fm(f);
  const int w = fm.horizontalAdvance(s), h = fm.ascent() + fm.descent();
  p.save();
  p.translate(x, y);
  if (Font.Orientation() != 0) p.rotate(-Font.Orientation() / 10.0);
  if (opaque) p.fillRect(QRect(0, 0, w, h), ToQColor(Brush.Color));
  p.setFont(f);
  p.setPen(ToQColor(Font.Color()));
  p.drawText(QPoint(0, fm.ascent()), s);
  p.restore();
}

void Canvas::TextOut(int x, int y, const std::string& text) {
  if (!FImage) return;
  QPainter p(FImage);
  PreparePainter(p);
  DrawTextRun(p, x, y, text, Brush.Style != bsClear);
  PenPos = TPoint{x + TextWidth(text), y};
}

void Canvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
  ExtTextOut(x, y, ETO_CLIPPED | (Brush.Style != bsClear ? ETO_OPAQUE : 0u), &r, text);
}

void Canvas::ExtTextOut(int x, int y, unsigned options, const TRect* r, const std::string& text) {
  if (!FImage) return;
  if (r && (options & ETO_OPAQUE)) FillSolid(*r, Brush.Color);
  QPainter p(FImage);
  PreparePainter(p);
  if (r && (options & ETO_CLIPPED)) p.setClipRect(r->Intersected(FClip).ToQRect());
  // With ETO_OPAQUE the rectangle is the background; otherwise the text
  // cell is, unless the brush is clear.
  DrawTextRun(p, x, y, text, !(r && (options & ETO_OPAQUE)) && Brush.Style != bsClear);
}

int Canvas::DrawText(const std::string& text, TRect& r, unsigned flags) {
  const QFont f = Font.ToQFont();
  const QFontMetrics fm(f);
  const bool tabs = (flags & DT_EXPANDTABS) != 0;
  const int lh = fm.ascent() + fm.descent();

  // Prefix characters: "&" hides itself and underlines what follows, "&&"
  // shows one "&".
  TextLine all;
  const QString src = QString::fromStdString(text);
  for (int i = 0; i < src.size(); ++i) {
    const QChar c = src[i];
    if (!(flags & DT_NOPREFIX) && c == u'&') {
      if (i + 1 < src.size() && src[i + 1] == u'&') {
        all.text += u'&';
        ++i;
      } else if (i + 1 < src.size()) {
        all.underlined.push_back(all.text.size());
      }
      continue;
    }
    all.text += c;
  }

  // Cut into lines.
  std::vector<TextLine> lines;
  auto push = [&](int from, int to) {
    TextLine l;
    l.text = all.text.mid(from, to - from);
    for (int u : all.underlined)
      if (u >= from && u < to) l.underlined.push_back(u - from);
    lines.push_back(std::move(l));
  };
  if (flags & DT_SINGLELINE) {
    TextLine l;
    for (int i = 0; i < all.text.size(); ++i) {
      if (all.text[i] == u'\r' || all.text[i] == u'\n') continue;
      for (int u : all.underlined)
        if (u == i) l.underlined.push_back(l.text.size());
      l.text += all.text[i];
    }
    lines.push_back(std::move(l));
  } else {
    int start = 0;
    for (int i = 0; i <= all.text.size(); ++i) {
      if (i == all.text.size() || all.text[i] == u'\n' || all.text[i] == u'\r') {
        push(start, i);
        if (i < all.text.size() && all.text[i] == u'\r' && i + 1 < all.text.size() &&
            all.text[i + 1] == u'\n')
          ++i;
        start = i + 1;
      }
    }
  }

  if ((flags & DT_WORDBREAK) && !(flags & DT_SINGLELINE)) {
    const int width = r.Width();
    std::vector<TextLine> wrapped;
    for (TextLine& l : lines) {
      QString rest = l.text;
      std::vector<int> marks = l.underlined;
      for (;;) {
        int brk = -1;   // where the line ends
        int next = -1;  // where the rest starts
        for (int i = 1; i <= rest.size(); ++i) {
          if (LineWidth(fm, rest.left(i), tabs) <= width) continue;
          // rest.left(i) is too wide: break at the last opportunity before
          // i, else (a word longer than the line) at the first one after.
          auto opportunity = [&](int j) {
            if (rest[j] == u' ') {
              brk = j;
              next = j;
              while (next < rest.size() && rest[next] == u' ') ++next;
              return true;
            }
            if (IsWrapPoint(rest[j]) || IsWrapPoint(rest[j - 1])) {
              brk = j;
              next = j;
              return true;
            }
            return false;
          };
          bool found = false;
          for (int j = i - 1; j > 0 && !found; --j) found = opportunity(j);
          for (int j = std::max(i, 1); j < rest.size() && !found; ++j) found = opportunity(j);
          break;
        }
        if (brk <= 0) {
          TextLine t;
          t.text = rest;
          t.underlined = marks;
          wrapped.push_back(std::move(t));
          break;
        }
        TextLine t;
        t.text = rest.left(brk);
        std::vector<int> later;
        for (int u : marks) {
          if (u < brk)
            t.underlined.push_back(u);
          else if (u >= next)
            later.push_back(u - next);
        }
        wrapped.push_back(std::move(t));
        rest = rest.mid(next);
        marks = later;
        if (rest.isEmpty()) break;
      }
    }
    lines = std::move(wrapped);
  }

  if (flags & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS)) {
    for (TextLine& l : lines) {
      if (LineWidth(fm, l.text, tabs) <= r.Width()) continue;
      l.text = (flags & DT_PATH_ELLIPSIS) ? ElidePath(fm, l.text, r.Width(), tabs)
                                          : ElideEnd(fm, l.text, r.Width(), tabs);
      l.underlined.clear();
    }
  }

  const int total = lh * int(lines.size());
  if (flags & DT_CALCRECT) {
    int widest = 0;
    for (const TextLine& l : lines) widest = std::max(widest, LineWidth(fm, l.text, tabs));
    r.Right = r.Left + widest;
    r.Bottom = r.Top + total;
    return total;
  }

  int y = r.Top;
  if (flags & DT_SINGLELINE) {
    if (flags & DT_VCENTER)
      y = (r.Top + r.Bottom - lh) / 2;
    else if (flags & DT_BOTTOM)
      y = r.Bottom - lh;
  }
  if (!FImage) return total;
  QPainter p(FImage);
  PreparePainter(p);
  if (!(flags & DT_NOCLIP)) p.setClipRect(r.Intersected(FClip).ToQRect());
  p.setFont(f);
  const bool opaque = Brush.Style != bsClear;
  for (const TextLine& l : lines) {
    const int w = LineWidth(fm, l.text, tabs);
    int x = r.Left;
    if (flags & DT_CENTER)
      x = (r.Left + r.Right - w) / 2;
    else if (flags & DT_RIGHT)
      x = r.Right - w;
    if (opaque) p.fillRect(QRect(x, y, w, lh), ToQColor(Brush.Color));
    p.setPen(ToQColor(Font.Color()));
    if (tabs && l.text.contains(u'\t')) {
      const int stop = TabStop(fm);
      int cx = 0;
      const QStringList parts = l.text.split(u'\t');
      for (int i = 0; i < parts.size(); ++i) {
        p.drawText(QPoint(x + cx, y + fm.ascent()), parts[i]);
        cx += fm.horizontalAdvance(parts[i]);
        if (i + 1 < parts.size()) cx = (cx / stop + 1) * stop;
      }
    } else {
      p.drawText(QPoint(x, y + fm.ascent()), l.text);
    }
    for (int u : l.underlined) {
      const int ux = x + LineWidth(fm, l.text.left(u), tabs);
      const int uw = fm.horizontalAdvance(l.text.mid(u, 1));
      const int uy = y + fm.ascent() + std::max(1, fm.underlinePos());
      p.fillRect(QRect(ux, uy, uw, std::max(1, fm.lineWidth())), ToQColor(Font.Color()));
    }
    y += lh;
  }
  if (flags & DT_SINGLELINE && (flags & (DT_VCENTER | DT_BOTTOM))) return y - r.Top;
  return total;
}

void Canvas::DrawEdge(const TRect& rect, unsigned edge, unsigned sides) {
  TRect r = rect;
  auto ring = [&](TColor tl, TColor br) {
    if (sides & BF_LEFT) VLine(r.Left, r.Top, r.Bottom, tl);
    if (sides & BF_TOP) HLine(r.Left, r.Right, r.Top, tl);
    if (sides & BF_RIGHT) VLine(r.Right - 1, r.Top, r.Bottom, br);
    if (sides & BF_BOTTOM) HLine(r.Left, r.Right, r.Bottom - 1, br);
    if (sides & BF_LEFT) ++r.Left;
    if (sides & BF_TOP) ++r.Top;
    if (sides & BF_RIGHT) --r.Right;
    if (sides & BF_BOTTOM) --r.Bottom;
  };
  if (edge & BDR_RAISEDOUTER)
    ring(cl3DLight, cl3DDkShadow);
  else if (edge & BDR_SUNKENOUTER)
    ring(clBtnShadow, clBtnHighlight);
  if (edge & BDR_RAISEDINNER)
    ring(clBtnHighlight, clBtnShadow);
  else if (edge & BDR_SUNKENINNER)
    ring(cl3DDkShadow, cl3DLight);
}

void Canvas::DrawFocusRect(const TRect& r) {
  if (!FImage || r.IsEmpty()) return;
  auto flip = [&](int x, int y) {
    if (Clipped(x, y) || (x + y) % 2 != 0) return;
    QRgb& px = reinterpret_cast<QRgb*>(FImage->scanLine(y))[x];
    px = 0xFF000000 | (~px & 0xFFFFFF);
  };
  for (int x = r.Left; x < r.Right; ++x) {
    flip(x, r.Top);
    if (r.Bottom - 1 != r.Top) flip(x, r.Bottom - 1);
  }
  for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
    flip(r.Left, y);
    if (r.Right - 1 != r.Left) flip(r.Right - 1, y);
  }
}

void Canvas::BitBlt(int x, int y, int w, int h, const QImage& src, int sx, int sy,
                    std::uint32_t rop) {
  if (!FImage || src.isNull()) return;
  const QImage s = src.format() == QImage::Format_RGB32 || src.format() == QImage::Format_ARGB32
                       ? src
                       : src.convertToFormat(QImage::Format_RGB32);
  for (int j = 0; j < h; ++j) {
    const int dy = y + j, syy = sy + j;
    if (dy < FClip.Top || dy >= FClip.Bottom || syy < 0 || syy >= s.height()) continue;
    QRgb* drow = reinterpret_cast<QRgb*>(FImage->scanLine(dy));
    const QRgb* srow = reinterpret_cast<const QRgb*>(s.constScanLine(syy));
    for (int i = 0; i < w; ++i) {
      const int dx = x + i, sxx = sx + i;
      if (dx < FClip.Left || dx >= FClip.Right || sxx < 0 || sxx >= s.width()) continue;
      drow[dx] = ApplyRop(drow[dx], srow[sxx], rop);
    }
  }
}

void Canvas::StretchBlt(int x, int y, int w, int h, const QImage& src, int sx, int sy, int sw,
                        int sh, std::uint32_t rop) {
  if (!FImage || src.isNull() || w == 0 || h == 0) return;
  if (w == sw && h == sh) {
    BitBlt(x, y, w, h, src, sx, sy, rop);
    return;
  }
  const QImage s = src.convertToFormat(QImage::Format_RGB32);
  for (int j = 0; j < h; ++j) {
    const int dy = y + j;
    const int syy = sy + int(std::floor((j + 0.5) * sh / double(h)));
    if (dy < FClip.Top || dy >= FClip.Bottom || syy < 0 || syy >= s.height()) continue;
    QRgb* drow = reinterpret_cast<QRgb*>(FImage->scanLine(dy));
    const QRgb* srow = reinterpret_cast<const QRgb*>(s.constScanLine(syy));
    for (int i = 0; i < w; ++i) {
      const int dx = x + i;
      const int sxx = sx + int(std::floor((i + 0.5) * sw / double(w)));
      if (dx < FClip.Left || dx >= FClip.Right || sxx < 0 || sxx >= s.width()) continue;
      drow[dx] = ApplyRop(drow[dx], srow[sxx], rop);
    }
  }
}

void Canvas::CopyRect(const TRect& dest, const Canvas& src, const TRect& source) {
  if (!src.FImage) return;
  StretchBlt(dest.Left, dest.Top, dest.Width(), dest.Height(), *src.FImage, source.Left, source.Top,
             source.Width(), source.Height(), CopyMode);
}

TBitmap::TBitmap() : FCanvas(&FImage) {}

TBitmap::TBitmap(int w, int h) : FCanvas(&FImage) {
  SetSize(w, h);
}

TBitmap::TBitmap(const TBitmap& other)
    : Transparent(other.Transparent), FImage(other.FImage), FCanvas(&FImage) {
  FCanvas.ClearClip();
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
  if (this != &other) {
    FImage = other.FImage;
    Transparent = other.Transparent;
    FCanvas.SetTarget(&FImage);
    FCanvas.ClearClip();
  }
  return *this;
}

void TBitmap::SetSize(int w, int h) {
  if (w <= 0 || h <= 0) {
    FImage = QImage();
  } else {
    QImage next(w, h, QImage::Format_RGB32);
    next.fill(Qt::white);
    if (!FImage.isNull()) {
      QPainter p(&next);
      p.drawImage(0, 0, FImage);
    }
    FImage = next;
  }
  FCanvas.SetTarget(&FImage);
  FCanvas.ClearClip();
}

void TBitmap::Assign(const QImage& image) {
  FImage = image.isNull() ? QImage() : image.convertToFormat(QImage::Format_RGB32);
  FCanvas.SetTarget(&FImage);
  FCanvas.ClearClip();
}

bool TBitmap::LoadFromFile(const std::string& path) {
  QImage img;
  if (!img.load(QString::fromStdString(path))) return false;
  Assign(img);
  return true;
}

TColor TBitmap::TransparentColor() const {
  if (Empty()) return clBlack;
  return FromRgb(FImage.pixel(0, FImage.height() - 1));
}

void Draw(Canvas& canvas, int x, int y, const TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  if (!bitmap.Transparent) {
    canvas.BitBlt(x, y, bitmap.Width(), bitmap.Height(), bitmap.Image(), 0, 0, SRCCOPY);
    return;
  }
  const TColor key = bitmap.TransparentColor();
  const QImage& img = bitmap.Image();
  for (int j = 0; j < img.height(); ++j)
    for (int i = 0; i < img.width(); ++i) {
      const TColor c = FromRgb(img.pixel(i, j));
      if (c != key) canvas.SetPixel(x + i, y + j, c);
    }
}

void StretchDraw(Canvas& canvas, const TRect& dest, const TBitmap& bitmap) {
  if (bitmap.Empty()) return;
  canvas.StretchBlt(dest.Left, dest.Top, dest.Width(), dest.Height(), bitmap.Image(), 0, 0,
                    bitmap.Width(), bitmap.Height(), SRCCOPY);
}

}  // namespace tarnick
