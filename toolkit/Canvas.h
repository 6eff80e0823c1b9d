#pragma once

#include <QImage>

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/Graphics.h"

class QPainter;

namespace tarnick {

// Raster operations of the copies.
inline constexpr std::uint32_t SRCCOPY = 0x00CC0020;
inline constexpr std::uint32_t SRCPAINT = 0x00EE0086;
inline constexpr std::uint32_t SRCAND = 0x008800C6;
inline constexpr std::uint32_t SRCINVERT = 0x00660046;
inline constexpr std::uint32_t NOTSRCCOPY = 0x00330008;
inline constexpr std::uint32_t MERGEPAINT = 0x00BB0226;

// DrawText flags.
inline constexpr unsigned DT_LEFT = 0x0;
inline constexpr unsigned DT_CENTER = 0x1;
inline constexpr unsigned DT_RIGHT = 0x2;
inline constexpr unsigned DT_VCENTER = 0x4;
inline constexpr unsigned DT_BOTTOM = 0x8;
inline constexpr unsigned DT_WORDBREAK = 0x10;
inline constexpr unsigned DT_SINGLELINE = 0x20;
inline constexpr unsigned DT_EXPANDTABS = 0x40;
inline constexpr unsigned DT_NOCLIP = 0x100;
inline constexpr unsigned DT_CALCRECT = 0x400;
inline constexpr unsigned DT_NOPREFIX = 0x800;
inline constexpr unsigned DT_PATH_ELLIPSIS = 0x4000;
inline constexpr unsigned DT_END_ELLIPSIS = 0x8000;

// ExtTextOut options.
inline constexpr unsigned ETO_OPAQUE = 0x2;
inline constexpr unsigned ETO_CLIPPED = 0x4;

// DrawEdge kinds and sides.
inline constexpr unsigned BDR_RAISEDOUTER = 0x1;
inline constexpr unsigned BDR_SUNKENOUTER = 0x2;
inline constexpr unsigned BDR_RAISEDINNER = 0x4;
inline constexpr unsigned BDR_SUNKENINNER = 0x8;
inline constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
inline constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
inline constexpr unsigned BF_LEFT = 0x1;
inline constexpr unsigned BF_TOP = 0x2;
inline constexpr unsigned BF_RIGHT = 0x4;
inline constexpr unsigned BF_BOTTOM = 0x8;
inline constexpr unsigned BF_TOPLEFT = BF_TOP | BF_LEFT;
inline constexpr unsigned BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
inline constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;

// A GDI-like canvas over a QImage (32-bit RGB), antialiasing off, with the
// platform's pixel rules: filled rectangles exclude their right and bottom
// edges, lines do not draw their last point. Pen, brush and font are the
// current drawing state, as on a device context. Text is drawn on an opaque
// background of the brush colour unless the brush is clear.
class Canvas {
 public:
  explicit Canvas(QImage* target = nullptr);

  void SetTarget(QImage* target);
  QImage* Image() const { return FImage; }
  int Width() const;
  int Height() const;

  TPen Pen;
  TBrush Brush;
  TFont Font;
  std::uint32_t CopyMode = SRCCOPY;
  TPoint PenPos;

  // Everything drawn is cut to this rectangle (and to the image).
  void SetClipRect(const TRect& r);
  void ClearClip();
  TRect ClipRect() const { return FClip; }

  TColor Pixel(int x, int y) const;  // plain RGB; clBlack outside the image
  void SetPixel(int x, int y, TColor color);

  // Fills with the brush (a clear brush fills nothing).
  void FillRect(const TRect& r);
  // A one-pixel frame in the brush colour.
  void FrameRect(const TRect& r);
  // Outline with the pen, inside with the brush. A 1-pixel pen lies inside
  // the rectangle; a wider pen is centred on its edge. With a clear pen only
  // (Left, Top, Right - 1, Bottom - 1) is filled, as GDI does.
  void Rectangle(int l, int t, int r, int b);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(int l, int t, int r, int b, int cw, int ch);
  void Ellipse(int l, int t, int r, int b);
  void Polygon(const std::vector<TPoint>& points);

  void MoveTo(int x, int y);
  void LineTo(int x, int y);  // the end point is not drawn
  void Polyline(const std::vector<TPoint>& points);

  void TextOut(int x, int y, const std::string& text);
  // Text clipped to r, r filled with the brush first (unless it is clear).
  void TextRect(const TRect& r, int x, int y, const std::string& text);
  // ETO_OPAQUE fills *r with the brush colour; ETO_CLIPPED cuts to *r.
  void ExtTextOut(int x, int y, unsigned options, const TRect* r, const std::string& text);
  TSize TextExtent(const std::string& text) const;
  int TextWidth(const std::string& text) const { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) const { return TextExtent(text).cy; }

  // Formatted text into r; with DT_CALCRECT only measures, setting r's
  // right (no word break) or bottom. Answers the height of the text.
  int DrawText(const std::string& text, TRect& r, unsigned flags);

  // The one-pixel edges: sunken outer (shadow top-left, highlight
  // bottom-right), raised inner (the reverse); each named side is drawn.
  void DrawEdge(const TRect& r, unsigned edge, unsigned sides);
  void DrawFocusRect(const TRect& r);

  // Block copies from an image, combined by the raster operation.
  void BitBlt(int x, int y, int w, int h, const QImage& src, int sx, int sy, std::uint32_t rop);
  void StretchBlt(int x, int y, int w, int h, const QImage& src, int sx, int sy, int sw, int sh,
                  std::uint32_t rop);
  // CopyMode applies; stretched when the sizes differ.
  void CopyRect(const TRect& dest, const Canvas& src, const TRect& source);

 private:
  bool Clipped(int x, int y) const { return !FClip.Contains(x, y); }
  void HLine(int x1, int x2, int y, TColor c);  // x1..x2-1
  void VLine(int x, int y1, int y2, TColor c);  // y1..y2-1
  void FillSolid(const TRect& r, TColor c);
  void ThinLine(int x1, int y1, int x2, int y2, TColor c);
  void Stroke(int x1, int y1, int x2, int y2);
  void PreparePainter(QPainter& p) const;
  // The current pen and brush on top of PreparePainter, for outlined shapes.
  void PrepareShapePainter(QPainter& p) const;
  void DrawTextRun(QPainter& p, int x, int y, const std::string& text, bool opaque);
  QImage* FImage;
  TRect FClip;
  bool FClipSet = false;
};

// The extent of a text in a font, as a screen device context measures it.
TSize MeasureText(const TFont& font, const std::string& text);

// An off-screen picture with its own canvas.
class TBitmap {
 public:
  TBitmap();
  TBitmap(int w, int h);
  TBitmap(const TBitmap& other);
  TBitmap& operator=(const TBitmap& other);

  void SetSize(int w, int h);
  int Width() const { return FImage.width(); }
  int Height() const { return FImage.height(); }
  bool Empty() const { return FImage.isNull() || FImage.width() == 0 || FImage.height() == 0; }
  Canvas& GetCanvas() { return FCanvas; }
  const QImage& Image() const { return FImage; }
  void Assign(const QImage& image);
  bool LoadFromFile(const std::string& path);

  // When transparent, pixels of the transparent colour (the bottom-left
  // pixel) are not drawn by Canvas::Draw.
  bool Transparent = false;
  TColor TransparentColor() const;

 private:
  QImage FImage;
  Canvas FCanvas;
};

// Draws the bitmap with its top-left corner at (x, y), honouring its
// transparency.
void Draw(Canvas& canvas, int x, int y, const TBitmap& bitmap);
void StretchDraw(Canvas& canvas, const TRect& dest, const TBitmap& bitmap);

}  // namespace tarnick
