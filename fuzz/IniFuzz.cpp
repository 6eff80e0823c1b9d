// The settings file reader and writer: read any file, write one key, read
// it back. The written value comes back and every other line stays.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "engine/Exception.h"
#include "platform/IniFile.h"
#include "platform/TextCodec.h"

namespace {

using namespace tarnick;

std::string ScratchPath() {
  return "/tmp/tarnick-fuzz-ini-" + std::to_string(::getpid()) + ".ini";
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> Contents(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<std::string> lines;
  while (!text.empty()) {
    auto at = text.find_first_of("\r\n");
    lines.emplace_back(text.substr(0, at));
    if (at == std::string_view::npos) break;
    at += text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
    text.remove_prefix(at);
  }
  return lines;
}

// The input: section, key and value on the first three lines (NUL-separated
// to allow any other byte), the file's bytes after them.
bool Take(std::string_view& in, std::string& part) {
  auto at = in.find('\0');
  if (at == std::string_view::npos) return false;
  part = std::string(in.substr(0, at));
  in.remove_prefix(at + 1);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  std::string section, key, value;
  if (!Take(in, section) || !Take(in, key) || !Take(in, value)) return -1;
  // The program's own names and values are UTF-8; the file may be anything.
  if (!IsValidUtf8(section) || !IsValidUtf8(key) || !IsValidUtf8(value)) return -1;

  static const std::string path = ScratchPath();
  WriteFile(path, in);
  IniFile file = IniFile::Open(path);
  const std::string before = file.Text();
  FUZZ_CHECK(IsValidUtf8(before));
  // Reading keeps the text as it was, decoded; a byte order mark is kept
  // but not taken as part of the text when the encoding is judged.
  const std::string_view mark = "\xEF\xBB\xBF";
  const bool marked = in.substr(0, mark.size()) == mark;
  const std::string body(marked ? in.substr(mark.size()) : in);
  FUZZ_CHECK(before == (marked ? std::string(mark) : std::string()) +
                           (IsValidUtf8(body) ? body : Cp932ToUtf8(body)));

  try {
    file.WriteText(section, key, value);
  } catch (const EFileError&) {
    // Refused only for what the line form cannot hold.
    const bool breaks = (section + key + value).find_first_of("\r\n") != std::string::npos;
    const bool badSection = section.empty() || section.find(']') != std::string::npos ||
                            section.front() == ' ' || section.front() == '\t' ||
                            section.back() == ' ' || section.back() == '\t';
    const bool badKey = key.empty() || key.find('=') != std::string::npos || key.front() == ' ' ||
                        key.front() == '\t' || key.back() == ' ' || key.back() == '\t' ||
                        key.front() == '[' || key.front() == ';' || key.front() == '#';
    FUZZ_CHECK(breaks || badSection || badKey);
    FUZZ_CHECK(file.Text() == before);
    return 0;
  }
  FUZZ_CHECK(file.ReadText(section, key) == value);

  // Read back from the disk as the next start would.
  const std::string after = file.Text();
  WriteFile(path, after);
  IniFile again = IniFile::Open(path);
  FUZZ_CHECK(again.Text() == after);
  FUZZ_CHECK(again.ReadText(section, key) == value);

  // Every other line is kept: the texts differ in at most one line of the
  // old and two new ones (a section header and the key).
  const std::vector<std::string> a = Contents(before), b = Contents(after);
  std::size_t prefix = 0;
  while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) ++prefix;
  std::size_t suffix = 0;
  while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
         a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
    ++suffix;
  FUZZ_CHECK(a.size() - prefix - suffix <= 1);
  FUZZ_CHECK(b.size() - prefix - suffix <= 2);
  FUZZ_CHECK(b.size() >= a.size());
  return 0;
}
