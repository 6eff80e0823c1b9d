#include "engine/SourceOrder.h"

#include <algorithm>
#include <cstdint>

namespace tarnick {
namespace {

// Above every code point, so stray bytes sort last, in byte order.
constexpr std::uint32_t StrayByteBase = 0x110000;

// The next character at `pos`: its code point, or StrayByteBase + byte for a
// byte that does not start a valid UTF-8 sequence.
std::uint32_t NextCharacter(std::string_view s, std::size_t& pos) {
  const unsigned char c = static_cast<unsigned char>(s[pos]);
  std::size_t n = 0;
  std::uint32_t cp = 0, min = 0;
  if (c < 0x80) {
    ++pos;
    return c;
  } else if (c >= 0xC2 && c <= 0xDF) {
    n = 2, cp = c & 0x1F, min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3, cp = c & 0x0F, min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4, cp = c & 0x07, min = 0x10000;
  }
  if (n == 0 || pos + n > s.size()) {
    ++pos;
    return StrayByteBase + c;
  }
  for (std::size_t i = 1; i < n; ++i) {
    const unsigned char t = static_cast<unsigned char>(s[pos + i]);
    if ((t & 0xC0) != 0x80) {
      ++pos;
      return StrayByteBase + c;
    }
    cp = (cp << 6) | (t & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return StrayByteBase + c;
  }
  pos += n;
  return cp;
}

// Runs of capital letters whose small letter is the code point plus a
// fixed offset, and runs where capital and small letters alternate.
struct FoldRange {
  std::uint32_t First, Last;
  std::int32_t Offset;  // 0: alternating pairs, capital at the even/odd start
};

constexpr FoldRange FoldRanges[] = {
    {0x0041, 0x005A, 32},                        // Latin
    {0x00C0, 0x00D6, 32}, {0x00D8, 0x00DE, 32},  // Latin-1
    {0x0100, 0x012F, 0},  {0x0132, 0x0137, 0},  {0x0139, 0x0148, 0},
    {0x014A, 0x0177, 0},  {0x0179, 0x017E, 0},  // Latin Extended-A
    {0x01A0, 0x01A5, 0},  {0x01CD, 0x01DC, 0},  {0x01DE, 0x01EF, 0},
    {0x01F8, 0x021F, 0},  {0x0222, 0x0233, 0},  // Latin Extended-B
    {0x0388, 0x038A, 37}, {0x038E, 0x038F, 63}, {0x0391, 0x03A1, 32},
    {0x03A3, 0x03AB, 32}, {0x03D8, 0x03EF, 0},  // Greek
    {0x0400, 0x040F, 80}, {0x0410, 0x042F, 32}, {0x0460, 0x0481, 0},
    {0x048A, 0x04BF, 0},  {0x04C1, 0x04CE, 0},  {0x04D0, 0x052F, 0},  // Cyrillic
    {0x0531, 0x0556, 48},                                             // Armenian
    {0x1E00, 0x1E95, 0},  {0x1EA0, 0x1EFF, 0},                        // Latin Extended Additional
    {0x2160, 0x216F, 16},                                             // Roman numerals
    {0x24B6, 0x24CF, 26},                                             // circled letters
    {0xFF21, 0xFF3A, 32},                                             // fullwidth Latin
};

// The simple case folding of the letters file names use.
std::uint32_t Fold(std::uint32_t c) {
  if (c < 0x41) return c;
  switch (c) {
    case 0x00B5:
      return 0x03BC;  // micro sign: mu
    case 0x0130:
      return 0x0069;  // I with dot above
    case 0x0178:
      return 0x00FF;  // Y with diaeresis
    case 0x017F:
      return 0x0073;  // long s
    case 0x0386:
      return 0x03AC;
    case 0x038C:
      return 0x03CC;
    case 0x03C2:
      return 0x03C3;  // final sigma
    default:
      break;
  }
  for (const FoldRange& r : FoldRanges) {
    if (c < r.First || c > r.Last) continue;
    if (r.Offset != 0) return c + static_cast<std::uint32_t>(r.Offset);
    // The capital is the first of each pair.
    return ((c - r.First) % 2 == 0) ? c + 1 : c;
  }
  return c;
}

}  // namespace

int CompareSourcePaths(std::string_view a, std::string_view b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const std::uint32_t x = Fold(NextCharacter(a, i));
    const std::uint32_t y = Fold(NextCharacter(b, j));
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

std::size_t SourceInsertPosition(const std::vector<std::string>& sorted, std::string_view path) {
  auto it = std::upper_bound(
      sorted.begin(), sorted.end(), path,
      [](std::string_view p, const std::string& item) { return CompareSourcePaths(p, item) < 0; });
  return static_cast<std::size_t>(it - sorted.begin());
}

void SortSourcePaths(std::vector<std::string>& paths) {
  std::stable_sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
    return CompareSourcePaths(a, b) < 0;
  });
}

}  // namespace tarnick
