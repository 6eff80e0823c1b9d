#include "platform/TextFile.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/Exception.h"
#include "engine/PathStyle.h"
#include "platform/TextCodec.h"

namespace tarnick {

std::string ReadFileBytes(const std::string& path) {
  auto fail = [&] { return EFileError(FormatMessage("ファイル %s は開けません", path)); };
  std::error_code ec;
  // A folder opens as a stream on Linux but is no file.
  if (std::filesystem::is_directory(path, ec)) throw fail();
  std::ifstream in(path, std::ios::binary);
  if (!in) throw fail();
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw fail();
  return bytes;
}

namespace {

// The longest prefix of at most `limit` bytes that does not split a
// character of the text's encoding.
std::size_t CutPoint(const std::string& line, std::size_t limit, bool utf8) {
  if (line.size() <= limit) return line.size();
  std::size_t cut = limit;
  if (utf8) {
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  } else if (!IsSingleByteAt(PathStyle::Windows, line, cut)) {
    --cut;
  }
  return cut;
}

std::vector<std::string> SplitLines(const std::string& bytes, bool utf8) {
  std::vector<std::string> lines;
  std::size_t start = 0, i = 0, n = bytes.size();
  auto push = [&](std::size_t end) {
    std::string line = bytes.substr(start, end - start);
    line.resize(CutPoint(line, MaxTextLineBytes, utf8));
    lines.push_back(std::move(line));
  };
  while (i < n) {
    char c = bytes[i];
    if (c == '\r' || c == '\n') {
      push(i);
      i += (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < n) push(n);
  return lines;
}

}  // namespace

std::vector<std::string> SplitTextLines(const std::string& bytes) {
  return SplitLines(bytes, true);
}

std::vector<std::string> ReadTextFileLines(const std::string& path) {
  std::string bytes = ReadFileBytes(path);
  if (IsValidUtf8(bytes)) return SplitLines(bytes, true);
  // A file written on Windows: cut its lines as code page 932, then decode.
  std::vector<std::string> lines = SplitLines(bytes, false);
  for (auto& line : lines) line = Cp932ToUtf8(line);
  return lines;
}

}  // namespace tarnick
