#pragma once

#include <string>
#include <string_view>

namespace tarnick {

bool IsValidUtf8(std::string_view bytes);

// Code page 932 bytes to UTF-8. A byte sequence CP932 does not define is
// kept as U+FFFD, so a damaged file still loads.
std::string Cp932ToUtf8(std::string_view bytes);

// UTF-8 to code page 932; characters CP932 cannot hold become "?".
std::string Utf8ToCp932(std::string_view text);

// Text read from a file written here (UTF-8) or on Windows (CP932) as UTF-8.
std::string DecodeFileText(std::string_view bytes);

}  // namespace tarnick
