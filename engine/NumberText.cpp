#include "engine/NumberText.h"

#include <string>

#include "engine/Exception.h"

namespace tarnick {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
  std::size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= n) return std::nullopt;
  if (hex) {
    std::uint32_t value = 0;
    for (; i < n; ++i) {
      int d = HexDigit(text[i]);
      if (d < 0 || value > 0x0FFFFFFFu) return std::nullopt;
      value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    // The sign is ignored for hexadecimal; the bits are the value.
    return static_cast<std::int32_t>(value);
  }
  std::int64_t value = 0;
  for (; i < n; ++i) {
    char c = text[i];
    if (c < '0' || c > '9' || value > 214748364) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::string NotAnIntegerMessage(std::string_view text) {
  return FormatMessage("'%s' は整数ではありません", std::string(text));
}

std::int32_t StrToInt(std::string_view text) {
  if (auto v = TryStrToInt(text)) return *v;
  throw EConvertError(NotAnIntegerMessage(text));
}

}  // namespace tarnick
