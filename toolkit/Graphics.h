#pragma once

#include <cstdint>
#include <functional>
#include <string>

class QColor;
class QFont;
class QRect;

namespace tarnick {

// A colour as the window data stores it: 0x00BBGGRR. A value 0x80000000 + n
// names system colour n, resolved at paint time by ColorToRGB.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

inline constexpr TColor clSystemColor = 0x80000000;
inline constexpr TColor clScrollBar = 0x80000000;
inline constexpr TColor clBackground = 0x80000001;
inline constexpr TColor clActiveCaption = 0x80000002;
inline constexpr TColor clInactiveCaption = 0x80000003;
inline constexpr TColor clMenu = 0x80000004;
inline constexpr TColor clWindow = 0x80000005;
inline constexpr TColor clWindowFrame = 0x80000006;
inline constexpr TColor clMenuText = 0x80000007;
inline constexpr TColor clWindowText = 0x80000008;
inline constexpr TColor clCaptionText = 0x80000009;
inline constexpr TColor clActiveBorder = 0x8000000A;
inline constexpr TColor clInactiveBorder = 0x8000000B;
inline constexpr TColor clAppWorkSpace = 0x8000000C;
inline constexpr TColor clHighlight = 0x8000000D;
inline constexpr TColor clHighlightText = 0x8000000E;
inline constexpr TColor clBtnFace = 0x8000000F;
inline constexpr TColor clBtnShadow = 0x80000010;
inline constexpr TColor clGrayText = 0x80000011;
inline constexpr TColor clBtnText = 0x80000012;
inline constexpr TColor clInactiveCaptionText = 0x80000013;
inline constexpr TColor clBtnHighlight = 0x80000014;
inline constexpr TColor cl3DDkShadow = 0x80000015;
inline constexpr TColor cl3DLight = 0x80000016;
inline constexpr TColor clInfoText = 0x80000017;
inline constexpr TColor clInfoBk = 0x80000018;

constexpr TColor RGB(int r, int g, int b) {
  return TColor(r & 0xFF) | (TColor(g & 0xFF) << 8) | (TColor(b & 0xFF) << 16);
}
constexpr int GetRValue(TColor c) {
  return int(c & 0xFF);
}
constexpr int GetGValue(TColor c) {
  return int((c >> 8) & 0xFF);
}
constexpr int GetBValue(TColor c) {
  return int((c >> 16) & 0xFF);
}
constexpr bool IsSystemColor(TColor c) {
  return (c & 0xFF000000) == clSystemColor;
}

// A plain 0x00BBGGRR value: system colours through the fixed table (the
// usual defaults of the platform the layouts were made on), plain colours
// with their top byte cleared.
TColor ColorToRGB(TColor c);
QColor ToQColor(TColor c);
TColor FromQColor(const QColor& c);

struct TPoint {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// Right and bottom are exclusive.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
  void Inflate(int dx, int dy) {
    Left -= dx;
    Top -= dy;
    Right += dx;
    Bottom += dy;
  }
  void Offset(int dx, int dy) {
    Left += dx;
    Right += dx;
    Top += dy;
    Bottom += dy;
  }
  TRect Intersected(const TRect& o) const;
  QRect ToQRect() const;
  static TRect FromQRect(const QRect& r);
  friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int l, int t, int r, int b) {
  return TRect{l, t, r, b};
}
inline TRect Bounds(int l, int t, int w, int h) {
  return TRect{l, t, l + w, t + h};
}

enum TFontStyle : unsigned {
  fsBold = 1,
  fsItalic = 2,
  fsUnderline = 4,
  fsStrikeOut = 8,
};
using TFontStyles = unsigned;

inline constexpr int DEFAULT_CHARSET = 1;
inline constexpr int SHIFTJIS_CHARSET = 128;

// A font as the layouts describe it. Height < 0 is the character height in
// pixels (the em), Height > 0 the cell height (character plus internal
// leading). Orientation is in tenths of a degree, counter-clockwise.
class TFont {
 public:
  TFont();
  TFont(const TFont& other);
  TFont& operator=(const TFont& other);

  const std::string& Name() const { return FName; }
  int Height() const { return FHeight; }
  TColor Color() const { return FColor; }
  TFontStyles Style() const { return FStyle; }
  int Charset() const { return FCharset; }
  int Orientation() const { return FOrientation; }
  bool Bold() const { return (FStyle & fsBold) != 0; }

  void SetName(const std::string& name);
  void SetHeight(int height);
  void SetColor(TColor color);
  void SetStyle(TFontStyles style);
  void SetCharset(int charset);
  void SetOrientation(int tenths);

  // Copies every attribute, raising OnChange once if anything differed.
  void Assign(const TFont& source);
  bool SameAs(const TFont& other) const;

  // Raised after any attribute changed (the owner's "font changed").
  std::function<void()> OnChange;

  // The Qt font: face through the substitution table, pixel size, bold,
  // no antialiasing (so that painted pixels are exact).
  QFont ToQFont() const;

 private:
  void Changed();
  std::string FName;
  int FHeight;
  TColor FColor;
  TFontStyles FStyle;
  int FCharset;
  int FOrientation;
};

// The installed face that stands in for a face the layouts name
// ("ＭＳ Ｐゴシック" -> IPAPGothic ..., "Tahoma" -> DejaVu Sans ...); a face
// without an entry, or none of whose stand-ins is installed, stays as it is.
std::string SubstituteFace(const std::string& face);
// Sets the substitution table up; done once, at start-up, by the
// application object (and on first use of a font otherwise).
void InstallFontSubstitutes();

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TBrushStyle { bsSolid, bsClear };

struct TPen {
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = psSolid;
};

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
};

}  // namespace tarnick
