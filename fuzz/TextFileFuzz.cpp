// The text file reader on any bytes: UTF-8 is taken as it is, anything else
// as code page 932; lines come out cut and decoded.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/TextCodec.h"
#include "platform/TextFile.h"

namespace {

std::string ReplacementToQuestion(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i, 3) == "\xEF\xBF\xBD") {
      out += '?';
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarnick;
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  const std::string decoded = Cp932ToUtf8(bytes);
  FUZZ_CHECK(IsValidUtf8(decoded));
  // Back to code page 932 and again: the same text, save for the
  // characters it never held.
  FUZZ_CHECK(Cp932ToUtf8(Utf8ToCp932(decoded)) == ReplacementToQuestion(decoded));
  FUZZ_CHECK(DecodeFileText(bytes) == (IsValidUtf8(bytes) ? bytes : decoded));
  if (IsValidUtf8(bytes)) FUZZ_CHECK(Utf8ToCp932(bytes).size() <= bytes.size());

  static const std::string path = "/tmp/tarnick-fuzz-text-" + std::to_string(::getpid()) + ".txt";
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  const std::vector<std::string> lines = ReadTextFileLines(path);
  // A UTF-8 byte order mark is dropped before the encoding is judged.
  const std::string body = bytes.rfind("\xEF\xBB\xBF", 0) == 0 ? bytes.substr(3) : bytes;
  const std::vector<std::string> split = SplitTextLines(body);
  FUZZ_CHECK(lines.size() == split.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    FUZZ_CHECK(IsValidUtf8(lines[i]));
    FUZZ_CHECK(lines[i].find_first_of("\r\n") == std::string::npos);
    FUZZ_CHECK(split[i].size() <= MaxTextLineBytes);
  }
  if (IsValidUtf8(body)) FUZZ_CHECK(lines == split);
  return 0;
}
