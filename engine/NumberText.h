#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tarnick {

// The one integer rule of presets and settings values: optional blanks (0x20)
// first, an optional sign, then decimal digits or "$"/"x"/"X"/"0x"/"0X" and
// hexadecimal digits (at most 8 significant, the 32 bits taken as signed);
// the whole text must be consumed. Nothing else is a number.
std::optional<std::int32_t> TryStrToInt(std::string_view text);

// As above; a text that is not a number raises EConvertError with
// "'%s' は整数ではありません".
std::int32_t StrToInt(std::string_view text);

// The message of a text that is not a number.
std::string NotAnIntegerMessage(std::string_view text);

}  // namespace tarnick
