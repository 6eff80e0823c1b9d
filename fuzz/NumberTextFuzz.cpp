// The integer rule of presets and settings on any text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "engine/Exception.h"
#include "engine/NumberText.h"

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsHex(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The shape the rule accepts, written out on its own: blanks, a sign, then
// decimal digits or a hex prefix and hex digits, nothing after.
bool HasNumberShape(std::string_view t) {
  std::size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  std::string_view rest = t.substr(i);
  bool (*digit)(char) = IsDigit;
  if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
    rest.remove_prefix(1);
    digit = IsHex;
  } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    rest.remove_prefix(2);
    digit = IsHex;
  }
  if (rest.empty()) return false;
  for (char c : rest)
    if (!digit(c)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tarnick;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<std::int32_t> value = TryStrToInt(text);
  // Something that is no number by its shape is never taken as one.
  if (value) FUZZ_CHECK(HasNumberShape(text));

  bool raised = false;
  try {
    const std::int32_t strict = StrToInt(text);
    FUZZ_CHECK(value && strict == *value);
  } catch (const EConvertError& e) {
    raised = true;
    // what() is a C string: a text with a NUL byte is cut there.
    FUZZ_CHECK(std::string(e.what()) == std::string(NotAnIntegerMessage(text).c_str()));
  }
  FUZZ_CHECK(raised == !value.has_value());

  if (value) {
    // Its decimal and hexadecimal texts give the same number back.
    FUZZ_CHECK(TryStrToInt(std::to_string(*value)) == value);
    char hex[16];
    std::snprintf(hex, sizeof hex, "$%X", static_cast<unsigned>(*value));
    FUZZ_CHECK(TryStrToInt(hex) == value);
    FUZZ_CHECK(TryStrToInt("  " + std::to_string(*value)) == value);
  }
  return 0;
}
