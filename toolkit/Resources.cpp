#include "toolkit/Resources.h"

#include <cstring>

namespace tarnick {

namespace {

// 9 x 6 arrows, white with a black triangle ('#').
constexpr const char* DigitBarUp[] = {
    ".........", "....#....", "...###...", "..#####..", ".#######.", ".........",
};

constexpr const char* DigitBarDn[] = {
    ".........", ".#######.", "..#####..", "...###...", "....#....", ".........",
};

TBitmap FromRows(const char* const* rows, int h) {
  const int w = int(std::strlen(rows[0]));
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.GetCanvas().SetPixel(x, y, rows[y][x] == '#' ? clBlack : clWhite);
  return b;
}

}  // namespace

TBitmap LoadBitmapResource(const std::string& name) {
  if (name == "DigitBarUp") return FromRows(DigitBarUp, 6);
  if (name == "DigitBarDn") return FromRows(DigitBarDn, 6);
  return TBitmap();
}

}  // namespace tarnick
