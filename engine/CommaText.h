#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnick {

// Splits one line into columns by the comma text rule: commas and white space
// (bytes 1..32) separate, double quotes group, a doubled quote inside quotes
// stands for one. Byte 0 ends the text.
std::vector<std::string> SplitCommaText(std::string_view line);

}  // namespace tarnick
