#include "toolkit/Graphics.h"

#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QRect>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

namespace tarnick {

namespace {

// The system colours with the values of a default desktop of the platform
// the window layouts were drawn on.
constexpr TColor SystemColors[] = {
    RGB(200, 200, 200),  // 0  scroll bar
    RGB(0, 0, 0),        // 1  desktop
    RGB(153, 180, 209),  // 2  active caption
    RGB(191, 205, 219),  // 3  inactive caption
    RGB(240, 240, 240),  // 4  menu
    RGB(255, 255, 255),  // 5  window
    RGB(100, 100, 100),  // 6  window frame
    RGB(0, 0, 0),        // 7  menu text
    RGB(0, 0, 0),        // 8  window text
    RGB(0, 0, 0),        // 9  caption text
    RGB(180, 180, 180),  // 10 active border
    RGB(244, 247, 252),  // 11 inactive border
    RGB(171, 171, 171),  // 12 application workspace
    RGB(0, 120, 215),    // 13 highlight
    RGB(255, 255, 255),  // 14 highlight text
    RGB(240, 240, 240),  // 15 button face
    RGB(160, 160, 160),  // 16 button shadow
    RGB(109, 109, 109),  // 17 grey text
    RGB(0, 0, 0),        // 18 button text
    RGB(0, 0, 0),        // 19 inactive caption text
    RGB(255, 255, 255),  // 20 button highlight
    RGB(105, 105, 105),  // 21 3D dark shadow
    RGB(227, 227, 227),  // 22 3D light
    RGB(0, 0, 0),        // 23 info text
    RGB(255, 255, 225),  // 24 info background
    RGB(0, 0, 0),        // 25 (unused)
    RGB(0, 102, 204),    // 26 hot light
    RGB(185, 209, 234),  // 27 gradient active caption
    RGB(215, 228, 242),  // 28 gradient inactive caption
    RGB(51, 153, 255),   // 29 menu highlight
    RGB(240, 240, 240),  // 30 menu bar
};

struct Substitute {
  const char* face;
  std::vector<const char*> standIns;
};

const std::vector<Substitute>& SubstituteTable() {
  static const std::vector<Substitute> table = {
      {"ＭＳ Ｐゴシック",
       {"IPAPGothic", "IPA Pゴシック", "VL PGothic", "TakaoPGothic", "Noto Sans CJK JP",
        "IPAGothic", "Droid Sans Fallback"}},
      {"ＭＳ ゴシック",
       {"IPAGothic", "IPAゴシック", "VL Gothic", "TakaoGothic", "Noto Sans Mono CJK JP",
        "IPAPGothic", "Droid Sans Fallback"}},
      {"MS PGothic", {"IPAPGothic", "VL PGothic", "Noto Sans CJK JP", "IPAGothic"}},
      {"Tahoma", {"DejaVu Sans", "Verdana", "Liberation Sans", "Nimbus Sans"}},
      {"MS Sans Serif", {"DejaVu Sans", "Liberation Sans", "Nimbus Sans"}},
      {"Arial", {"Liberation Sans", "Nimbus Sans", "DejaVu Sans"}},
  };
  return table;
}

std::once_flag substitutesOnce;
std::map<std::string, std::string>& ResolvedFaces() {
  static std::map<std::string, std::string> faces;
  return faces;
}

}  // namespace

TColor ColorToRGB(TColor c) {
  if (IsSystemColor(c)) {
    const unsigned n = c & 0xFF;
    if (n < std::size(SystemColors)) return SystemColors[n];
    return clBlack;
  }
  return c & 0x00FFFFFF;
}

QColor ToQColor(TColor c) {
  const TColor v = ColorToRGB(c);
  return QColor(GetRValue(v), GetGValue(v), GetBValue(v));
}

TColor FromQColor(const QColor& c) {
  return RGB(c.red(), c.green(), c.blue());
}

TRect TRect::Intersected(const TRect& o) const {
  TRect r{std::max(Left, o.Left), std::max(Top, o.Top), std::min(Right, o.Right),
          std::min(Bottom, o.Bottom)};
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  return r;
}

QRect TRect::ToQRect() const {
  return QRect(Left, Top, Right - Left, Bottom - Top);
}

TRect TRect::FromQRect(const QRect& r) {
  return TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

void InstallFontSubstitutes() {
  std::call_once(substitutesOnce, [] {
    const QStringList installed = QFontDatabase::families();
    for (const Substitute& s : SubstituteTable()) {
      for (const char* standIn : s.standIns) {
        if (installed.contains(QString::fromUtf8(standIn), Qt::CaseInsensitive)) {
          ResolvedFaces()[s.face] = standIn;
          break;
        }
      }
      QStringList list;
      for (const char* standIn : s.standIns) list << QString::fromUtf8(standIn);
      QFont::insertSubstitutions(QString::fromUtf8(s.face), list);
    }
  });
}

std::string SubstituteFace(const std::string& face) {
  InstallFontSubstitutes();
  const auto& faces = ResolvedFaces();
  auto it = faces.find(face);
  return it == faces.end() ? face : it->second;
}

TFont::TFont()
    : FName("Tahoma"),
      FHeight(-11),
      FColor(clWindowText),
      FStyle(0),
      FCharset(DEFAULT_CHARSET),
      FOrientation(0) {}

TFont::TFont(const TFont& other)
    : FName(other.FName),
      FHeight(other.FHeight),
      FColor(other.FColor),
      FStyle(other.FStyle),
      FCharset(other.FCharset),
      FOrientation(other.FOrientation) {}

// Assignment copies the attributes, never the owner's change handler.
TFont& TFont::operator=(const TFont& other) {
  Assign(other);
  return *this;
}

bool TFont::SameAs(const TFont& o) const {
  return FName == o.FName && FHeight == o.FHeight && FColor == o.FColor && FStyle == o.FStyle &&
         FCharset == o.FCharset && FOrientation == o.FOrientation;
}

void TFont::Assign(const TFont& s) {
  if (this == &s || SameAs(s)) return;
  FName = s.FName;
  FHeight = s.FHeight;
  FColor = s.FColor;
  FStyle = s.FStyle;
  FCharset = s.FCharset;
  FOrientation = s.FOrientation;
  Changed();
}

void TFont::Changed() {
  if (OnChange) OnChange();
}

void TFont::SetName(const std::string& name) {
  if (name == FName) return;
  FName = name;
  Changed();
}
void TFont::SetHeight(int height) {
  if (height == FHeight) return;
  FHeight = height;
  Changed();
}
void TFont::SetColor(TColor color) {
  if (color == FColor) return;
  FColor = color;
  Changed();
}
void TFont::SetStyle(TFontStyles style) {
  if (style == FStyle) return;
  FStyle = style;
  Changed();
}
void TFont::SetCharset(int charset) {
  if (charset == FCharset) return;
  FCharset = charset;
  Changed();
}
void TFont::SetOrientation(int tenths) {
  if (tenths == FOrientation) return;
  FOrientation = tenths;
  Changed();
}

QFont TFont::ToQFont() const {
  QFont f(QString::fromStdString(SubstituteFace(FName)));
  f.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::NoSubpixelAntialias));
  f.setHintingPreference(QFont::PreferFullHinting);
  f.setBold((FStyle & fsBold) != 0);
  f.setItalic((FStyle & fsItalic) != 0);
  f.setUnderline((FStyle & fsUnderline) != 0);
  f.setStrikeOut((FStyle & fsStrikeOut) != 0);
  f.setKerning(false);
  if (FHeight < 0) {
    f.setPixelSize(-FHeight);
  } else if (FHeight > 0) {
    // A cell height: the em is the cell less the internal leading.
    f.setPixelSize(FHeight);
    const QFontMetrics fm(f);
    const int cell = fm.ascent() + fm.descent();
    if (cell > FHeight) f.setPixelSize(std::max(1, FHeight * FHeight / cell));
  } else {
    f.setPixelSize(11);
  }
  return f;
}

}  // namespace tarnick
