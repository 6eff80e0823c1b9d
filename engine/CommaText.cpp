#include "engine/CommaText.h"

namespace tarnick {
namespace {

bool IsWhite(unsigned char c) {
  return c >= 1 && c <= 32;
}

}  // namespace

std::vector<std::string> SplitCommaText(std::string_view line) {
  auto zero = line.find('\0');
  if (zero != std::string_view::npos) line = line.substr(0, zero);
  std::vector<std::string> columns;
  std::size_t i = 0, n = line.size();
  auto at = [&](std::size_t k) { return static_cast<unsigned char>(line[k]); };
  auto skipWhite = [&] {
    while (i < n && IsWhite(at(i))) ++i;
  };
  skipWhite();
  while (i < n) {
    std::string column;
    if (line[i] == '"') {
      ++i;
      while (i < n) {
        if (line[i] == '"') {
          if (i + 1 < n && line[i + 1] == '"') {
            column += '"';
            i += 2;
            continue;
          }
          ++i;  // the closing quote
          break;
        }
        column += line[i++];
      }
    } else {
      while (i < n && at(i) > 32 && line[i] != ',') column += line[i++];
    }
    columns.push_back(std::move(column));
    skipWhite();
    if (i < n && line[i] == ',') {
      if (i == n - 1) columns.emplace_back();
      ++i;
      skipWhite();
    }
  }
  return columns;
}

}  // namespace tarnick
