#include "engine/PathStyle.h"

namespace tarnick {

char PathSeparator(PathStyle style) {
  return style == PathStyle::Windows ? '\\' : '/';
}

bool IsCp932LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool IsSingleByteAt(PathStyle style, std::string_view text, std::size_t pos) {
  if (style == PathStyle::Posix) return true;
  // Walk from the start: only a forward scan knows where characters begin.
  std::size_t i = 0;
  while (i < pos) {
    if (IsCp932LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size())
      i += 2;
    else
      i += 1;
  }
  return i == pos;
}

std::size_t LastDelimiter(PathStyle style, std::string_view text, std::string_view chars) {
  std::size_t found = std::string_view::npos;
  if (style == PathStyle::Posix) {
    return text.find_last_of(chars);
  }
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (IsCp932LeadByte(c) && i + 1 < text.size()) {
      i += 2;
      continue;
    }
    if (chars.find(static_cast<char>(c)) != std::string_view::npos) found = i;
    ++i;
  }
  return found;
}

std::string_view PathDelimiters(PathStyle style) {
  return style == PathStyle::Windows ? std::string_view("\\:") : std::string_view("/");
}

std::string ExtractFileName(PathStyle style, std::string_view path) {
  auto at = LastDelimiter(style, path, PathDelimiters(style));
  return std::string(at == std::string_view::npos ? path : path.substr(at + 1));
}

std::string ExtractFilePath(PathStyle style, std::string_view path) {
  auto at = LastDelimiter(style, path, PathDelimiters(style));
  return at == std::string_view::npos ? std::string() : std::string(path.substr(0, at + 1));
}

std::string ChangeFileExt(PathStyle style, std::string_view path, std::string_view ext) {
  std::string delims(PathDelimiters(style));
  delims += '.';
  auto at = LastDelimiter(style, path, delims);
  std::string out;
  if (at != std::string_view::npos && path[at] == '.')
    out = std::string(path.substr(0, at));
  else
    out = std::string(path);
  out += ext;
  return out;
}

std::string ProgramFolderOf(PathStyle style, std::string_view programPath) {
  std::string folder = ExtractFilePath(style, programPath);
  std::size_t n = folder.size();
  if (n == 0) return folder;
  char sep = PathSeparator(style);
  if (folder[n - 1] != sep) return folder;  // cut at ":" (C:a.exe gives C:)
  if (n == 1) return folder;                // the Posix root "/"
  char before = folder[n - 2];
  // The character before the final separator must be a character of its own
  // for the "is it a root" test; a trail byte equal to "\" or ":" is not one.
  bool beforeIsSeparatorChar = IsSingleByteAt(style, folder, n - 2) &&
                               (before == sep || (style == PathStyle::Windows && before == ':'));
  if (!beforeIsSeparatorChar) folder.pop_back();
  return folder;
}

bool EndsWithSeparator(PathStyle style, std::string_view path) {
  if (path.empty()) return false;
  std::size_t last = path.size() - 1;
  return path[last] == PathSeparator(style) && IsSingleByteAt(style, path, last);
}

std::string JoinPath(PathStyle style, std::string_view folder, std::string_view name) {
  std::string out(folder);
  out += PathSeparator(style);
  out += name;
  return out;
}

}  // namespace tarnick
